#include "richtext/text_builder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/large_buffer.h"

namespace richtext {

void TextBuilder::Reserve(std::size_t bytes) {
  try {
    out_.reserve(bytes);
  } catch (const std::bad_alloc&) {
    return;  // only a head start: where the system will not promise this much, grow as needed
  }
  platform::AdviseLargeBuffer(out_.data(), out_.capacity());
}

bool TextBuilder::HandOver(TextSink& sink, std::size_t min_piece) {
  const std::size_t keep_from = std::min(held_from_, size());
  if (out_.empty() || keep_from <= handed_over_) return true;
  const std::size_t piece = std::min(keep_from - handed_over_, out_.size() - 1);
  if (piece == 0 || piece < min_piece) return true;
  if (!sink.Write(std::string_view(out_.data(), piece))) return false;
  out_.erase(0, piece);
  handed_over_ += piece;
  return true;
}

void TextBuilder::FlushPending() {
  if (pending_ == Pending::kParagraph) {
    out_.append("\r\n", 2);
  } else if (pending_ == Pending::kCell) {
    out_.push_back('\t');
  }
  pending_ = Pending::kNone;
}

void TextBuilder::ParagraphEnd() {
  FlushPending();
  pending_ = Pending::kParagraph;
}

void TextBuilder::LineBreak() {
  FlushPending();
  out_.append("\r\n", 2);
}

void TextBuilder::CellEnd() {
  FlushPending();
  pending_ = Pending::kCell;
}

void TextBuilder::RowEnd() {
  // The last cell's separator is dropped: a row ends with its line end alone.
  if (pending_ == Pending::kCell) pending_ = Pending::kNone;
  FlushPending();
  pending_ = Pending::kParagraph;
}

ShownChar TextBuilder::Encode(char32_t c) {
  ShownChar shown{};
  if (c < 0x20 && c != '\t') return shown;  // controls no word processor shows
  if (c >= 0x7F && c < 0xA0) return shown;  // DEL and the C1 controls
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

void TextBuilder::AppendWide(char32_t c) {
  const ShownChar shown = Encode(c);
  if (shown.size == 0) return;
  if (pending_ != Pending::kNone) FlushPending();
  out_.append(shown.bytes, shown.size);
}

void TextBuilder::AppendChars(const std::uint8_t* bytes, std::size_t size, const ShownChar* table) {
  if (pending_ != Pending::kNone) {
    // The held paragraph or cell end comes before the first character shown, if any.
    const std::uint8_t* first = bytes;
    while (first < bytes + size && table[*first].size == 0) ++first;
    if (first == bytes + size) return;
    FlushPending();
  }
  // Each character is stored as four bytes and the end moves on by its size: no branch per
  // character. The room is trimmed to what was written after.
  const std::size_t start = out_.size();
  out_.resize(start + 4 * size);
  char* const begin = out_.data() + start;
  char* to = begin;
  for (const std::uint8_t* end = bytes + size; bytes < end; ++bytes) {
    const ShownChar& shown = table[*bytes];
    std::memcpy(to, shown.bytes, 4);
    to += shown.size;
  }
  out_.resize(start + static_cast<std::size_t>(to - begin));
}

std::string TextBuilder::Finish() {
  if (pending_ == Pending::kCell) out_.push_back('\t');
  pending_ = Pending::kNone;
  return std::move(out_);
}

}  // namespace richtext
