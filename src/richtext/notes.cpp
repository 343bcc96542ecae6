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

void AppendNote(std::string& out, Note& note) {
  std::string text = note.text.Finish();
  std::string_view rest = text;
  if (!note.mark.empty()) {
    // The note repeats its mark at its start; write it once, then one space.
    if (rest.substr(0, note.mark.size()) == note.mark) rest.remove_prefix(note.mark.size());
    for (;;) {
      if (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
        rest.remove_prefix(1);
      } else if (rest.substr(0, 2) == "\u00A0") {
        rest.remove_prefix(2);  // a no-break space after the mark
      } else {
        break;
      }
    }
  }
  if (!out.empty()) out += "\r\n";
  if (!note.mark.empty()) {
    out += note.mark;
    out += ' ';
  }
  out += rest;
}

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
  Note& note = *notes_.emplace_back(std::make_unique<Note>());
  if (mark_pending_) {
    note.mark = mark_text_;
    mark_pending_ = false;
  }
  return static_cast<std::int32_t>(notes_.size() - 1);
}

void Notes::MakeEndnote(std::int32_t index, TextBuilder& body) {
  Note& note = at(index);
  if (note.endnote) return;
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

void Notes::AppendTo(std::string& body) {
  for (bool endnotes : {false, true}) {
    for (auto& note : notes_) {
      if (note->endnote == endnotes) AppendNote(body, *note);
    }
  }
}

}  // namespace richtext
