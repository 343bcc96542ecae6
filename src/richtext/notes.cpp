#include "richtext/notes.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "richtext/list_numbers.h"

namespace richtext {
namespace {

// The next note number. A \ftnstart near the top of the range must not make it wrap.
int CountNote(int& counted) {
  if (counted < std::numeric_limits<int>::max()) ++counted;
  return counted;
}

// A note's text is read back in pieces of this size.
constexpr std::size_t kReadPiece = 64 * 1024;

}  // namespace

std::string FormatNoteNumber(int number, NoteNumbering numbering) {
  // The list formats of the same names: decimal, letters, roman numerals, Chicago's symbols.
  static constexpr int kFormats[] = {0, 4, 3, 2, 1, 9};
  // Each of them has a label for every number from 1.
  return *FormatListNumber(std::max(number, 1), kFormats[static_cast<int>(numbering)]);
}

const std::string& Notes::NextBodyMark() {
  mark_text_ = FormatNoteNumber(CountNote(footnotes_counted_), footnote_numbering_);
  return mark_text_;
}

void Notes::BodyMarkWritten(TextBuilder& body) {
  mark_offset_ = body.size() - mark_text_.size();
  mark_pending_ = true;
  body.Hold(mark_offset_);
}

std::int32_t Notes::Begin(TextBuilder& body) {
  if (notes_.size() >= kMaxNotes) {
    ParagraphEnded(body);  // the mark stays as written, its note's text after it
    return -1;
  }
  Close();  // the last note has ended already (a note inside a note is not one); to be sure
  Note& note = notes_.emplace_back();
  note.start = store_.size();
  if (mark_pending_) {
    note.mark = mark_text_;
    mark_pending_ = false;
  }
  open_ = static_cast<std::int32_t>(notes_.size() - 1);
  return open_;
}

void Notes::Close() {
  if (open_ < 0) return;
  std::string rest = open_text_.Finish();
  store_.Append(rest);
  Note& note = at(open_);
  note.size = store_.size() - note.start;
  open_text_.Restart(std::move(rest));
  open_ = -1;
}

void Notes::MakeEndnote(std::int32_t index, TextBuilder& body) {
  Note& note = at(index);
  if (note.endnote) return;
  // Its mark is final as a footnote's number (and may have left): the note stays a footnote.
  if (!note.mark.empty() && MarkFinal(body)) return;
  note.endnote = true;
  if (note.mark.empty()) return;
  // The body's mark was counted as a footnote before the note said otherwise.
  --footnotes_counted_;
  std::string mark = FormatNoteNumber(CountNote(endnotes_counted_), endnote_numbering_);
  if (mark_offset_ + note.mark.size() <= body.size()) {
    body.Replace(mark_offset_, note.mark.size(), mark);
  }
  note.mark = std::move(mark);
}

bool Notes::SkipRepeatedMark(const Note& note, std::uint64_t& from, std::string& buffer) {
  const std::uint64_t end = note.start + note.size;
  if (end - from >= note.mark.size()) {
    std::string head(note.mark.size(), '\0');
    if (!store_.Read(from, head.data(), head.size())) return false;
    if (head == note.mark) from += head.size();
  }
  // Spaces, tabs and no-break spaces, however many, read a piece at a time.
  for (;;) {
    const std::size_t size =
        static_cast<std::size_t>(std::min<std::uint64_t>(end - from, buffer.size()));
    if (size == 0) return true;
    if (!store_.Read(from, buffer.data(), size)) return false;
    std::size_t k = 0;
    while (k < size) {
      if (buffer[k] == ' ' || buffer[k] == '\t') {
        ++k;
      } else if (k + 1 < size && std::string_view(buffer).substr(k, 2) == "\u00A0") {
        k += 2;
      } else {
        break;
      }
    }
    from += k;
    // Read on past the piece, and again from a no-break space's first byte cut off at its end.
    const bool cut = k + 1 == size && buffer[k] == '\xC2' && from + 1 < end;
    if (k < size && !cut) return true;
  }
}

bool Notes::WriteTo(TextSink& out, bool after_text) {
  if (notes_.empty()) return true;
  // Room for a piece, or for all of the notes when they are fewer.
  std::string buffer(
      static_cast<std::size_t>(std::clamp<std::uint64_t>(store_.size(), 1, kReadPiece)), '\0');
  for (bool endnotes : {false, true}) {
    for (const Note& note : notes_) {
      if (note.endnote != endnotes) continue;
      std::uint64_t from = note.start;
      const std::uint64_t end = note.start + note.size;
      if (!note.mark.empty() && !SkipRepeatedMark(note, from, buffer)) return false;
      if (after_text && !out.Write("\r\n")) return false;
      if (!note.mark.empty() && !(out.Write(note.mark) && out.Write(" "))) return false;
      after_text = after_text || !note.mark.empty() || from < end;
      while (from < end) {
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::uint64_t>(end - from, buffer.size()));
        if (!store_.Read(from, buffer.data(), size)) return false;
        if (!out.Write(std::string_view(buffer.data(), size))) return false;
        from += size;
      }
    }
  }
  return true;
}

}  // namespace richtext
