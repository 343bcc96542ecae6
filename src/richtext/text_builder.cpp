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

void TextBuilder::AppendWide(char32_t c) {
  const ShownChar shown = Encode(c);
  if (shown.size == 0) return;
  if (pending_ != Pending::kNone) FlushPending();
  out_.append(shown.bytes, shown.size);
}

template <class ShownOf>
void TextBuilder::AppendEach(std::size_t size, ShownOf shown_of) {
  if (pending_ != Pending::kNone) {
    // The held paragraph or cell end comes before the first character shown, if any.
    std::size_t first = 0;
    while (first < size && shown_of(first).size == 0) ++first;
    if (first == size) return;
    FlushPending();
  }
  if (size == 1) {
    // A lone accented letter is the usual run in Western text: one append, no room to trim.
    const ShownChar shown = shown_of(0);
    out_.append(shown.bytes, shown.size);
    return;
  }
  // Each character is stored as four bytes and the end moves on by its size: no branch per
  // character. The room is trimmed to what was written after.
  const std::size_t start = out_.size();
  out_.resize(start + 4 * size);
  char* const begin = out_.data() + start;
  char* to = begin;
  for (std::size_t k = 0; k < size; ++k) {
    const ShownChar shown = shown_of(k);
    std::memcpy(to, shown.bytes, 4);
    to += shown.size;
  }
  out_.resize(start + static_cast<std::size_t>(to - begin));
}

void TextBuilder::AppendChars(const std::uint8_t* bytes, std::size_t size, const ShownChar* table) {
  AppendEach(size, [bytes, table](std::size_t k) { return table[bytes[k]]; });
}

void TextBuilder::AppendCodePoints(const char32_t* chars, std::size_t size) {
  AppendEach(size, [chars](std::size_t k) { return Encode(chars[k]); });
}

std::string TextBuilder::Finish() {
  if (pending_ == Pending::kCell) out_.push_back('\t');
  pending_ = Pending::kNone;
  return std::move(out_);
}

}  // namespace richtext
