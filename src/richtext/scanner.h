// Splits RTF bytes into tokens: groups, control words, control symbols, \'hh, \bin data and runs
// of plain bytes. It may be fed any chunking of the input: every token that can straddle two
// chunks keeps its partial state here, so a split anywhere gives the same tokens.
//
// The handler supplies:
//   bool SkippingText()              plain bytes will be dropped: scan them in bulk
//   void TextRun(const uint8_t*, size_t, bool ascii)
//                                     a run of plain bytes (no \ { } and no control bytes,
//                                     but for a trail byte given alone: see TrailByteDue);
//                                     ascii: none of them is above 0x7F
//   void ControlByte(uint8_t)         a raw control byte in the text (TAB, NUL, ...)
//   void GroupOpen(), GroupClose()
//   uint64_t ControlWord(string_view name, bool has_parameter, int32_t parameter)
//       returns how many raw bytes follow as \bin data (0 for every other word); the first
//       kNameReadable bytes at name.data() may be read, even past the name's end
//   void ControlSymbol(uint8_t)       \ followed by one non-letter
//   void HexRun(const uint8_t*, size_t)
//                                     the bytes of consecutive \'hh escapes, one or more; a
//                                     run may be given in several calls (chunk ends, a full
//                                     buffer), so it must mean the same as one call per byte;
//                                     and printable ASCII between two escapes where
//   bool TextJoinsEscapes()           says such a byte means the same in a run of escapes
//                                     as it would given alone
//   bool TrailByteDue()               the text run given last ended with a raw double-byte lead
//                                     byte: the byte after it is its trail, even \ { or }
//   size_t UnicodeBeforeEscapes(int32_t parameter, size_t escapes)
//                                     \uN directly followed by this many well-formed \'hh:
//                                     does what ControlWord("u") and then HexRun of their bytes
//                                     would for as many as it returns (the fallback they are);
//                                     the rest are given again the usual way
//
// Some writers put double-byte text in raw, and trail bytes include \ { and }. A trail \ may
// also be written escaped (lead, \\): a second backslash that cannot begin a token belongs to
// the trail and is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "richtext/byte_classes.h"
#include "richtext/byte_search.h"
#include "richtext/inlining.h"

namespace richtext {

template <class Handler>
class Scanner {
 public:
  // RTF limits names to 32 letters; a longer word is read to its end but matches nothing.
  static constexpr std::size_t kMaxNameLength = 32;
  // Parameters are clamped to 32 bits however many digits they have.
  static constexpr std::int64_t kParameterLimit = std::numeric_limits<std::int32_t>::max();
  // A name is read in place or from name_, so this much of it can always be read.
  static constexpr std::size_t kNameReadable = kMaxNameLength;

  explicit Scanner(Handler& handler) : handler_(handler) {}

  void Feed(const std::uint8_t* p, const std::uint8_t* end) {
    while (p < end) {
      switch (state_) {
        case State::kText:
          p = ScanText(p, end);
          break;
        case State::kBackslash: {
          if (end - p >= kInPlaceWindow) {
            p = ScanControlInPlace(p, end);
            break;
          }
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
          if (kHexValues[*p] != kNotHex) {
            hex_high_ = kHexValues[*p++];
            state_ = State::kHexLow;
          } else {
            state_ = State::kText;  // \' without hex digits stands for nothing
          }
          break;
        case State::kHexLow:
          state_ = State::kText;
          if (kHexValues[*p] != kNotHex) {
            const auto byte = static_cast<std::uint8_t>(hex_high_ * 16 + kHexValues[*p++]);
            handler_.HexRun(&byte, 1);
          }
          break;
        case State::kTrailBackslash:
          if (*p == '\\') {
            ++p;
            state_ = State::kTrailSecondBackslash;
          } else {
            state_ = State::kText;
          }
          break;
        case State::kTrailSecondBackslash:
          // Not a token: the backslash was the trail's escape; the byte after it is text.
          state_ = CanFollowBackslash(*p) ? State::kBackslash : State::kText;
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
    high_run_at_end_ = false;
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
    kTrailBackslash,        // a raw trail byte \ was given as text
    kTrailSecondBackslash,  // ... and a backslash followed it
  };

  // Bytes that make a token after a backslash: a name, a \'hh, a symbol with a meaning.
  static bool CanFollowBackslash(std::uint8_t c) {
    if (HasClass(c, kLetter)) return true;
    switch (c) {
      case '\\':
      case '{':
      case '}':
      case '\'':
      case '*':
      case '~':
      case '-':
      case '_':
      case ':':
      case '|':
      case '\r':
      case '\n':
        return true;
      default:
        return false;
    }
  }

  // Room for a control word read in place: 32 letters and the byte that ends them, a sign, 17
  // digits, the byte after them and its space; and for a \'hh.
  static constexpr std::ptrdiff_t kInPlaceWindow = 96;
  static_assert(kInPlaceWindow >= static_cast<std::ptrdiff_t>(kNameReadable));
  // The most \'hh bytes given in one call: longer runs are given in several.
  static constexpr std::size_t kMaxHexRun = 64;

  // The token after a backslash, read where it lies when the chunk surely holds all of it:
  // most tokens are short and far from a chunk's end, so they need no saved state. Anything
  // unusual (a name or parameter too long for the window, a bad \'hh) goes the general way.
  RTFPLAIN_ALWAYS_INLINE const std::uint8_t* ScanControlInPlace(const std::uint8_t* p,
                                                                const std::uint8_t* end) {
    const std::uint8_t first = *p;
    if (HasClass(first, kLetter)) {
      const std::uint8_t* const name_limit = p + kMaxNameLength + 1;
      // Byte by byte: names are short and follow each other in patterns the processor learns,
      // which beats a vector search whose result every later step must wait for.
      const std::uint8_t* q = p + 1;
      while (q < name_limit && HasClass(*q, kLetter)) ++q;
      if (q == name_limit) return ResumeInName(p);
      const std::string_view name(reinterpret_cast<const char*>(p),
                                  static_cast<std::size_t>(q - p));
      const bool negative = *q == '-';
      if (negative) ++q;
      if (!HasClass(*q, kDigit)) {
        if (!negative && *q == ' ') ++q;
        DispatchWord(name, false, 0);  // "\word-" without digits: the '-' goes with the word
        return q;
      }
      // At most 17 digits here, so the value cannot overflow before it is clamped; more go
      // the general way.
      const std::uint8_t* const digit_limit = q + 18;
      std::int64_t value = 0;
      for (; q < digit_limit; ++q) {
        const unsigned digit = static_cast<unsigned>(*q) - '0';
        if (digit > 9) break;
        value = value * 10 + digit;
      }
      if (q == digit_limit) return ResumeInName(p);
      const std::int32_t parameter = Parameter(negative, value);
      if (name.size() == 1 && name[0] == 'u' && q[0] == '\\' && q[1] == '\'') [[unlikely]] {
        return ScanUnicodeFallback(name, q, parameter);
      }
      if (*q == ' ') ++q;
      DispatchWord(name, true, parameter);
      return q;
    }
    if (first == '\'') {
      const unsigned byte = HexPair(p[1], p[2]);
      if (byte > 0xFF) {
        state_ = State::kHexHigh;
        return p + 1;
      }
      state_ = State::kText;
      return ScanHexRun(static_cast<std::uint8_t>(byte), p + 3, end);
    }
    state_ = State::kText;
    handler_.ControlSymbol(first);
    return p + 1;
  }

  // Escaped text comes in runs (every letter of a Russian word, both bytes of each Japanese
  // character): the escapes that follow the first are read here and given as one run, so each
  // costs a few compares instead of a token. A lone plain byte between escaped words (a space,
  // a comma) is taken along where the handler allows. first: the run's first byte; p: just
  // after its escape.
  const std::uint8_t* ScanHexRun(std::uint8_t first, const std::uint8_t* p,
                                 const std::uint8_t* end) {
    std::uint8_t run[kMaxHexRun];
    std::size_t size = 0;
    run[size++] = first;
    enum class Join : std::uint8_t { kUnknown, kYes, kNo } join = Join::kUnknown;
    // An escape cut by the chunk's end is left to the general way.
    while (size + 2 <= kMaxHexRun && end - p >= 5) {
      std::size_t plain = 0;
      if (p[0] != '\\') {
        if (!IsJoinable(p[0]) || p[1] != '\\') break;
        if (join == Join::kUnknown) join = handler_.TextJoinsEscapes() ? Join::kYes : Join::kNo;
        if (join == Join::kNo) break;
        plain = 1;
      }
      const std::uint8_t* escape = p + plain;
      if (escape[1] != '\'') break;
      const unsigned byte = HexPair(escape[2], escape[3]);
      if (byte > 0xFF) break;
      if (plain != 0) run[size++] = p[0];
      run[size++] = static_cast<std::uint8_t>(byte);
      p = escape + 4;
    }
    handler_.HexRun(run, size);
    return p;
  }

  // Double-byte text is often written as \uN and its fallback, the two \'hh of the same
  // character: the escapes the fallback covers are passed over here, without a token each. q:
  // the first escape, after \uN (read in place, so its window holds kMaxFallbackEscapes more).
  static constexpr std::size_t kMaxFallbackEscapes = 4;
  static_assert(kMaxNameLength + 1 + 1 + 17 + 4 * kMaxFallbackEscapes <= kInPlaceWindow);
  const std::uint8_t* ScanUnicodeFallback(std::string_view name, const std::uint8_t* q,
                                          std::int32_t parameter) {
    std::size_t escapes = 1;
    if (HexPair(q[2], q[3]) > 0xFF) escapes = 0;
    while (escapes != 0 && escapes < kMaxFallbackEscapes && q[4 * escapes] == '\\' &&
           q[4 * escapes + 1] == '\'' && HexPair(q[4 * escapes + 2], q[4 * escapes + 3]) <= 0xFF) {
      ++escapes;
    }
    state_ = State::kText;
    if (escapes == 0) {
      DispatchWord(name, true, parameter);  // a bad \' after it: the general way
      return q;
    }
    return q + 4 * handler_.UnicodeBeforeEscapes(parameter, escapes);
  }

  // Plain bytes that may join a run of escapes: printable ASCII that ends no text run.
  static bool IsJoinable(std::uint8_t c) { return c < 0x80 && !HasClass(c, kEndsTextRun); }

  const std::uint8_t* ResumeInName(const std::uint8_t* name_start) {
    name_length_ = 0;
    state_ = State::kName;
    return name_start;
  }

  // Text and the tokens between its runs, in one loop for as long as no token needs saved
  // state: the common case costs no trip through the state switch.
  const std::uint8_t* ScanText(const std::uint8_t* p, const std::uint8_t* end) {
    // Only a run with bytes above 0x7F can end with a lead byte: only then is the handler asked
    // whether the \ { or } after it is a trail byte.
    if (high_run_at_end_) [[unlikely]] {
      high_run_at_end_ = false;
      if (IsTrailByte(*p)) {
        handler_.TextRun(p, 1, false);
        if (*p++ == '\\') return AfterTrailBackslash(p);
      }
    }
    for (;;) {
      if (handler_.SkippingText()) {
        p = FindSkipRunEnd(p, end);
      } else {
        const std::uint8_t* run = p;
        bool ascii;
        p = FindTextRunEnd(p, end, ascii);
        if (p > run) {
          handler_.TextRun(run, static_cast<std::size_t>(p - run), ascii);
          if (!ascii) [[unlikely]] {
            if (p == end) {
              high_run_at_end_ = true;
              return p;
            }
            if (IsTrailByte(*p)) {
              handler_.TextRun(p, 1, false);
              if (*p++ == '\\') return AfterTrailBackslash(p);
              continue;
            }
          }
        }
      }
      if (p == end) return p;
      const std::uint8_t c = *p++;
      switch (c) {
        case '\\':
          // Formatting comes in strings of words: the next is read without a look for text.
          for (;;) {
            if (end - p < kInPlaceWindow) {
              state_ = State::kBackslash;
              return p;
            }
            p = ScanControlInPlace(p, end);
            if (state_ != State::kText) return p;
            if (p == end || *p != '\\') break;  // a run of escapes may end at the chunk's end
            ++p;
          }
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
    }
  }

  // After a run with bytes above 0x7F: a \ { or } that is the trail of the run's last byte.
  bool IsTrailByte(std::uint8_t c) { return HasClass(c, kEndsSkipRun) && handler_.TrailByteDue(); }

  const std::uint8_t* AfterTrailBackslash(const std::uint8_t* p) {
    state_ = State::kTrailBackslash;
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
    while (p < end && HasClass(*p, kDigit)) {
      parameter_ = parameter_ * 10 + (*p - '0');
      if (parameter_ > kParameterLimit + 1) parameter_ = kParameterLimit + 1;
      ++p;
    }
    if (p == end) return p;
    if (*p == ' ') ++p;
    DispatchWord(true);
    return p;
  }

  void DispatchWord(bool has_parameter) {
    DispatchWord(
        name_length_ <= kMaxNameLength ? std::string_view(name_, name_length_) : std::string_view(),
        has_parameter, has_parameter ? Parameter(negative_, parameter_) : 0);
  }

  // A parameter's magnitude, already clamped to one past the limit, with its sign.
  static std::int32_t Parameter(bool negative, std::int64_t magnitude) {
    if (magnitude > kParameterLimit + 1) magnitude = kParameterLimit + 1;
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(value > kParameterLimit ? kParameterLimit : value);
  }

  RTFPLAIN_ALWAYS_INLINE void DispatchWord(std::string_view name, bool has_parameter,
                                           std::int32_t parameter) {
    const std::uint64_t binary = handler_.ControlWord(name, has_parameter, parameter);
    if (binary > 0) [[unlikely]] {
      binary_left_ = binary;
      state_ = State::kBinary;
    } else {
      state_ = State::kText;
    }
  }

  Handler& handler_;
  State state_ = State::kText;
  char name_[kMaxNameLength] = {};
  std::size_t name_length_ = 0;
  std::int64_t parameter_ = 0;
  bool negative_ = false;
  int hex_high_ = 0;
  std::uint64_t binary_left_ = 0;
  bool high_run_at_end_ = false;  // the chunk ended with a run that had bytes above 0x7F
};

}  // namespace richtext
