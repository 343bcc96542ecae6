// Turns the bytes of a code page, and \uN values, into characters of the text. It owns every
// character that arrives in more than one token: a double-byte lead byte waiting for its trail
// byte, a UTF-8 sequence under code page 65001, a \uN high surrogate waiting for its low half,
// and the \ucN fallback units still to be skipped after a \uN.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "richtext/code_page.h"
#include "richtext/text_builder.h"

namespace richtext {

// \uN is a signed 16-bit number: negative values stand for U+8000..U+FFFF.
inline char32_t UnicodeOfParameter(std::int32_t value) {
  if (value < 0) value = value >= -32768 ? value + 65536 : static_cast<std::int32_t>(kReplacement);
  if (value > 0x10FFFF) value = static_cast<std::int32_t>(kReplacement);
  return static_cast<char32_t>(value);
}

class CharDecoder {
 public:
  // Decodes a run of bytes of the page. ascii: the bytes are all printable ASCII.
  void Decode(const CodePage* page, const std::uint8_t* bytes, std::size_t size, bool ascii,
              TextBuilder& out) {
    // Printable ASCII, with no character half read, is copied whole under any page that leaves
    // it as it is: most text is, so this much is inline.
    if (ascii && page->ascii_transparent() && !CharacterHalfRead() && high_surrogate_ == 0) {
      out.AppendUtf8(reinterpret_cast<const char*>(bytes), size);
      return;
    }
    DecodeOther(page, bytes, size, ascii, out);
  }
  // The same, into characters kept apart (a list level's text, decoded once its font is known).
  // A character half read stays due as in text.
  void DecodeInto(const CodePage* page, const std::uint8_t* bytes, std::size_t size,
                  std::u32string& out);
  // A byte that is no character of the text breaks one half read, as a control byte does in
  // text: it is shown as the replacement character.
  void BreakCharacter(std::u32string& out) {
    if (CharacterHalfRead()) out.push_back(kReplacement);
    DropPartialCharacter();
  }
  // A \uN character (its value already made unsigned); surrogate halves are paired here.
  void Unicode(char32_t c, TextBuilder& out);
  // A character that is not a code page's byte (\tab, \emdash, a field's symbol, ...).
  void Emit(char32_t c, TextBuilder& out) {
    if (high_surrogate_ != 0) [[unlikely]]
      FlushSurrogate(out);
    out.AppendCodePoint(c);
  }
  // Text written whole (a note mark): a waiting high surrogate goes first.
  void EmitUtf8(const char* data, std::size_t size, TextBuilder& out) {
    if (high_surrogate_ != 0) [[unlikely]]
      FlushSurrogate(out);
    out.AppendUtf8(data, size);
  }

  // A paragraph, cell or row ends: a half-read character is lost, a lone high surrogate shown.
  void EndCharacter(TextBuilder& out) {
    DropPartialCharacter();
    if (high_surrogate_ != 0) FlushSurrogate(out);
  }
  // The font, the page or the group changed: bytes of a half-read character are dropped.
  void DropPartialCharacter() {
    has_lead_byte_ = false;
    utf8_needed_ = 0;
  }
  // The input ended; a lone high surrogate is shown only where text is visible.
  void Finish(TextBuilder& out, bool visible) {
    DropPartialCharacter();
    if (high_surrogate_ != 0 && visible) FlushSurrogate(out);
    high_surrogate_ = 0;
  }

  // The \ucN fallback after a \uN: this many units (bytes, \'hh, control words) are not text.
  void StartFallback(std::int32_t units) { fallback_left_ = units; }
  void EndFallback() {
    fallback_left_ = 0;
    skipped_lead_ = false;
  }
  // Units are left to skip, or the trail byte of a skipped lead byte.
  bool InFallback() const { return fallback_left_ > 0 || skipped_lead_; }
  // Takes one unit of the fallback; false when there is none left to take. Only a byte of
  // text can be a skipped lead's trail: any other token ends the wait for it.
  bool SkipFallbackUnit() {
    skipped_lead_ = false;
    if (fallback_left_ <= 0) return false;
    --fallback_left_;
    return true;
  }
  // Takes up to size units (\'hh bytes) of the fallback; returns how many.
  std::size_t SkipFallbackUnits(std::size_t size) {
    skipped_lead_ = false;
    if (fallback_left_ <= 0) return 0;
    const std::size_t skip = size < static_cast<std::size_t>(fallback_left_)
                                 ? size
                                 : static_cast<std::size_t>(fallback_left_);
    fallback_left_ -= static_cast<std::int32_t>(skip);
    return skip;
  }
  // Takes as many of size bytes as the fallback still covers, and the trail byte of a lead
  // byte it covers (even past the count: the pair is one character); returns how many.
  std::size_t SkipFallbackBytes(const CodePage* page, const std::uint8_t* bytes, std::size_t size);

  // The byte after the text given last is the trail byte of a raw lead byte, so it is text
  // whatever it is, even \ { or }. decoding: the text is being decoded (visible).
  bool TrailByteDue(bool decoding) const { return skipped_lead_ || (decoding && has_lead_byte_); }

 private:
  bool CharacterHalfRead() const { return has_lead_byte_ || utf8_needed_ > 0; }
  void DecodeOther(const CodePage* page, const std::uint8_t* bytes, std::size_t size, bool ascii,
                   TextBuilder& out);
  struct TextSink;
  struct CharsSink;
  // The rules of double-byte and UTF-8 text, wherever the characters go: sink.One(*this, c)
  // takes one character, sink.Many(*this, chars, count) several. A sink is one reference,
  // passed by value so that it stays in a register.
  template <class Sink>
  void DecodeMultiByte(const CodePage* page, const std::uint8_t* bytes, std::size_t size,
                       Sink sink);
  // The same for a page of lead and trail bytes; only a few pages have codes of several
  // characters, and only their loop looks for them.
  template <bool kSequences, class Sink>
  void DecodePairs(const CodePage* page, const std::uint8_t* bytes, std::size_t size, Sink sink);
  template <class Sink>
  void DecodeUtf8Byte(std::uint8_t byte, Sink sink);
  static constexpr std::size_t kBatch = 64;
  void EmitBatch(const char32_t* chars, std::size_t count, TextBuilder& out);
  void FlushSurrogate(TextBuilder& out);

  std::int32_t fallback_left_ = 0;  // fallback units still to skip after a \uN
  bool skipped_lead_ = false;       // the fallback's last byte was a lead: its trail is skipped
  char32_t high_surrogate_ = 0;     // a \uN high surrogate waiting for its low half
  bool has_lead_byte_ = false;      // a double-byte lead byte waiting for its trail byte
  std::uint8_t lead_byte_ = 0;
  int utf8_needed_ = 0;  // continuation bytes still expected under code page 65001
  int utf8_length_ = 0;
  char32_t utf8_value_ = 0;
};

}  // namespace richtext
