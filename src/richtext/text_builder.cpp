#include "richtext/text_builder.h"

#include <algorithm>
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

void TextBuilder::AppendWide(char32_t c) {
  if (c >= 0x80 && c < 0xA0) return;  // C1 controls
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
  if (pending_ != Pending::kNone) FlushPending();
  char bytes[4];
  std::size_t size;
  if (c < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | (c >> 6));
    bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
    size = 2;
  } else if (c < 0x10000) {
    bytes[0] = static_cast<char>(0xE0 | (c >> 12));
    bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
    size = 3;
  } else {
    bytes[0] = static_cast<char>(0xF0 | (c >> 18));
    bytes[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    bytes[3] = static_cast<char>(0x80 | (c & 0x3F));
    size = 4;
  }
  out_.append(bytes, size);
}

std::string TextBuilder::Finish() {
  if (pending_ == Pending::kCell) out_.push_back('\t');
  pending_ = Pending::kNone;
  return std::move(out_);
}

}  // namespace richtext
