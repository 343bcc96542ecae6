// Builds the plain text: UTF-8, every line end CR LF, cells and rows as tabs and line ends.
// Paragraph ends and cell ends are held back one step, so that the document's final paragraph
// end and a row's last cell separator are never written.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "richtext/text_sink.h"

namespace richtext {

// A character as the text shows it: its UTF-8 bytes, none for a control that is not shown.
struct ShownChar {
  char bytes[4];
  std::uint32_t size;
};

class TextBuilder {
 public:
  // Controls no word processor shows: C0 but the tab, DEL and the C1 controls.
  static constexpr bool NotShown(char32_t c) {
    return (c < 0x20 && c != '\t') || (c >= 0x7F && c < 0xA0);
  }

  static ShownChar Encode(char32_t c) {
    ShownChar shown{};
    if (NotShown(c)) return shown;
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    char* bytes = shown.bytes;
    if (c < 0x80) {
      bytes[0] = static_cast<char>(c);
      shown.size = 1;
    } else if (c < 0x800) {
      bytes[0] = static_cast<char>(0xC0 | (c >> 6));
      bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
      shown.size = 2;
    } else if (c < 0x10000) {
      bytes[0] = static_cast<char>(0xE0 | (c >> 12));
      bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
      shown.size = 3;
    } else {
      bytes[0] = static_cast<char>(0xF0 | (c >> 18));
      bytes[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[3] = static_cast<char>(0x80 | (c & 0x3F));
      shown.size = 4;
    }
    return shown;
  }

  void Reserve(std::size_t bytes);

  // Bytes already known to be valid UTF-8 without control characters (ASCII runs).
  void AppendUtf8(const char* data, std::size_t size) {
    if (pending_ != Pending::kNone) FlushPending();
    out_.append(data, size);
  }
  void AppendCodePoint(char32_t c) {
    if (c < 0x80) {
      if (NotShown(c)) return;
      if (pending_ != Pending::kNone) FlushPending();
      out_.push_back(static_cast<char>(c));
      return;
    }
    AppendWide(c);
  }

  // Bytes each standing for the character table[byte] (a single-byte page's characters, worked
  // out once): escaped and 8-bit text costs a load and a store per byte.
  void AppendChars(const std::uint8_t* bytes, std::size_t size, const ShownChar* table);
  // Characters decoded together (double-byte text): one growth check for all of them.
  void AppendCodePoints(const char32_t* chars, std::size_t size);

  void ParagraphEnd();
  // Makes what follows start a line of its own, unless it would already (a text box is a block
  // of its own, wherever its anchor stands in a line).
  void EnsureLineStart() {
    if (pending_ == Pending::kNone && !out_.empty() && out_.back() != '\n') {
      pending_ = Pending::kParagraph;
    }
  }
  void LineBreak();
  void CellEnd();
  void RowEnd();

  // All text written so far, including what was handed over.
  std::size_t size() const { return handed_over_ + out_.size(); }
  // Text from offset on may still be rewritten (a note mark, until its note has ended): it is
  // not handed over until released.
  void Hold(std::size_t offset) { held_from_ = offset; }
  void Release() { held_from_ = kNothingHeld; }
  // Drops the text from offset on, back to the start of the character there, in a builder that
  // hands nothing over; returns the size kept.
  std::size_t CutAt(std::size_t offset) {
    std::size_t at = std::min(offset, out_.size());
    while (at > 0 && at < out_.size() && (static_cast<unsigned char>(out_[at]) & 0xC0) == 0x80) {
      --at;
    }
    out_.resize(at);
    return at;
  }
  // Rewrites held text.
  void Replace(std::size_t offset, std::size_t length, std::string_view text) {
    if (offset < handed_over_) return;
    out_.replace(offset - handed_over_, length, text);
  }
  // Gives the text that is final (not held, and never the last byte, which later writes look
  // at) to the sink, when there is at least min_piece of it. False when the sink failed; the
  // text then stays here.
  bool HandOver(TextSink& sink, std::size_t min_piece);
  // The text not handed over, with the held-back final paragraph end dropped.
  std::string Finish();
  // Starts again with no text, in the room of a string given back (what Finish gave), so that
  // text made one note after another does not allocate each time.
  void Restart(std::string room) {
    room.clear();
    out_ = std::move(room);
    held_from_ = kNothingHeld;
    handed_over_ = 0;
    pending_ = Pending::kNone;
  }

 private:
  enum class Pending : unsigned char { kNone, kParagraph, kCell };
  void FlushPending();
  void AppendWide(char32_t c);
  template <class ShownOf>
  void AppendEach(std::size_t size, ShownOf shown_of);

  static constexpr std::size_t kNothingHeld = static_cast<std::size_t>(-1);

  std::string out_;
  std::size_t held_from_ = kNothingHeld;
  std::size_t handed_over_ = 0;  // bytes of the text given to a sink, no longer in out_
  Pending pending_ = Pending::kNone;
};

}  // namespace richtext
