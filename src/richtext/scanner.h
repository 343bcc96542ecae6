// Splits RTF bytes into tokens: groups, control words, control symbols, \'hh, \bin data and runs
// of plain bytes. It may be fed any chunking of the input: every token that can straddle two
// chunks keeps its partial state here, so a split anywhere gives the same tokens.
//
// The handler supplies:
//   bool SkippingText()              plain bytes will be dropped: scan them in bulk
//   void Text(const uint8_t*, size_t) a run of plain bytes (no \ { } and no control bytes)
//   void ControlByte(uint8_t)         a raw control byte in the text (TAB, NUL, ...)
//   void GroupOpen(), GroupClose()
//   uint64_t ControlWord(string_view name, bool has_parameter, int32_t parameter)
//       returns how many raw bytes follow as \bin data (0 for every other word)
//   void ControlSymbol(uint8_t)       \ followed by one non-letter
//   void HexByte(uint8_t)             \'hh
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "richtext/byte_classes.h"

namespace richtext {

template <class Handler>
class Scanner {
 public:
  // RTF limits names to 32 letters; a longer word is read to its end but matches nothing.
  static constexpr std::size_t kMaxNameLength = 32;

  explicit Scanner(Handler& handler) : handler_(handler) {}

  void Feed(const std::uint8_t* p, const std::uint8_t* end) {
    while (p < end) {
      switch (state_) {
        case State::kText:
          p = ScanText(p, end);
          break;
        case State::kBackslash: {
          std::uint8_t c = *p;
          if (HasClass(c, kLetter)) {
            name_length_ = 0;
            state_ = State::kName;
          } else if (c == '\'') {
            ++p;
            state_ = State::kHexHigh;
          } else {
            ++p;
            state_ = State::kText;
            handler_.ControlSymbol(c);
          }
          break;
        }
        case State::kName:
          p = ScanName(p, end);
          break;
        case State::kParameterSign:
          if (HasClass(*p, kDigit)) {
            state_ = State::kParameter;
          } else {
            // "\word-" without digits: the word stands without a parameter.
            DispatchWord(false);
          }
          break;
        case State::kParameter:
          p = ScanParameter(p, end);
          break;
        case State::kHexHigh:
          if (HasClass(*p, kHexDigit)) {
            hex_high_ = HexValue(*p++);
            state_ = State::kHexLow;
          } else {
            state_ = State::kText;  // \' without hex digits stands for nothing
          }
          break;
        case State::kHexLow:
          state_ = State::kText;
          if (HasClass(*p, kHexDigit)) {
            handler_.HexByte(static_cast<std::uint8_t>(hex_high_ * 16 + HexValue(*p++)));
          }
          break;
        case State::kBinary: {
          std::uint64_t available = static_cast<std::uint64_t>(end - p);
          std::uint64_t take = binary_left_ < available ? binary_left_ : available;
          p += take;
          binary_left_ -= take;
          if (binary_left_ == 0) state_ = State::kText;
          break;
        }
      }
    }
  }

  // The input has ended: a control word cut off by the end still counts; a cut \'h does not.
  void Finish() {
    if (state_ == State::kName || state_ == State::kParameterSign || state_ == State::kParameter) {
      DispatchWord(state_ == State::kParameter);
    }
    state_ = State::kText;
  }

 private:
  enum class State : std::uint8_t {
    kText,
    kBackslash,
    kName,
    kParameterSign,
    kParameter,
    kHexHigh,
    kHexLow,
    kBinary,
  };

  const std::uint8_t* ScanText(const std::uint8_t* p, const std::uint8_t* end) {
    const ByteClass stop = handler_.SkippingText() ? kEndsSkipRun : kEndsTextRun;
    const std::uint8_t* run = p;
    while (p < end && !HasClass(*p, stop)) ++p;
    if (p > run && stop == kEndsTextRun) handler_.Text(run, static_cast<std::size_t>(p - run));
    if (p == end) return p;
    std::uint8_t c = *p++;
    switch (c) {
      case '\\':
        state_ = State::kBackslash;
        break;
      case '{':
        handler_.GroupOpen();
        break;
      case '}':
        handler_.GroupClose();
        break;
      case '\r':
      case '\n':
        break;  // line ends in the source are not text
      default:
        handler_.ControlByte(c);
        break;
    }
    return p;
  }

  const std::uint8_t* ScanName(const std::uint8_t* p, const std::uint8_t* end) {
    while (p < end && HasClass(*p, kLetter)) {
      if (name_length_ < kMaxNameLength) name_[name_length_] = static_cast<char>(*p);
      if (name_length_ <= kMaxNameLength) ++name_length_;
      ++p;
    }
    if (p == end) return p;
    parameter_ = 0;
    negative_ = false;
    if (*p == '-') {
      negative_ = true;
      state_ = State::kParameterSign;
      return p + 1;
    }
    if (HasClass(*p, kDigit)) {
      state_ = State::kParameter;
      return p;
    }
    if (*p == ' ') ++p;  // the one space that ends a control word belongs to it
    DispatchWord(false);
    return p;
  }

  const std::uint8_t* ScanParameter(const std::uint8_t* p, const std::uint8_t* end) {
    // Parameters are clamped to 32 bits however many digits they have.
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
    while (p < end && HasClass(*p, kDigit)) {
      parameter_ = parameter_ * 10 + (*p - '0');
      if (parameter_ > kLimit + 1) parameter_ = kLimit + 1;
      ++p;
    }
    if (p == end) return p;
    if (*p == ' ') ++p;
    DispatchWord(true);
    return p;
  }

  void DispatchWord(bool has_parameter) {
    std::int64_t value = negative_ ? -parameter_ : parameter_;
    if (value > std::numeric_limits<std::int32_t>::max()) {
      value = std::numeric_limits<std::int32_t>::max();
    }
    std::string_view name =
        name_length_ <= kMaxNameLength ? std::string_view(name_, name_length_) : std::string_view();
    binary_left_ = handler_.ControlWord(name, has_parameter, static_cast<std::int32_t>(value));
    state_ = binary_left_ > 0 ? State::kBinary : State::kText;
  }

  Handler& handler_;
  State state_ = State::kText;
  char name_[kMaxNameLength];
  std::size_t name_length_ = 0;
  std::int64_t parameter_ = 0;
  bool negative_ = false;
  int hex_high_ = 0;
  std::uint64_t binary_left_ = 0;
};

}  // namespace richtext
