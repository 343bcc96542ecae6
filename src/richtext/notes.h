// Footnotes and endnotes: their text is kept apart from the body and follows it, each note as
// its own paragraph that starts with its mark. An automatic mark (\chftn) is numbered as a
// footnote when it is written; when its note then says it is an endnote (\ftnalt), the mark
// already in the body is rewritten, so the body text from the mark on is held back from the
// output until its note has ended, or until the paragraph ends with no note come.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "richtext/keywords.h"
#include "richtext/text_builder.h"

namespace richtext {

struct Note {
  bool endnote = false;
  std::string mark;  // the automatic mark, or empty when the note carries its own
  TextBuilder text;
};

// The text of an automatic note mark: 3, c, C, iii, III or ‡.
std::string FormatNoteNumber(int number, NoteNumbering numbering);

class Notes {
 public:
  // Each note costs memory beyond its text; past this many, a note's text stays in the body so
  // that a document of a million empty notes cannot grow memory far past its output.
  static constexpr std::size_t kMaxNotes = 65536;

  // \ftnnar ... \aftnnchi and \ftnstartN, \aftnstartN.
  void SetNumbering(bool endnotes, NoteNumbering numbering) {
    (endnotes ? endnote_numbering_ : footnote_numbering_) = numbering;
  }
  void SetStart(bool endnotes, int start) {
    (endnotes ? endnotes_counted_ : footnotes_counted_) = start - 1;
  }

  // A \chftn in the body: the next footnote number.
  const std::string& NextBodyMark();
  // That mark has just been written at the end of the body; the text from it is held.
  void BodyMarkWritten(TextBuilder& body);
  // The body's paragraph ends: a mark still waiting for its note is left as written.
  void ParagraphEnded(TextBuilder& body) {
    if (!mark_pending_) return;
    mark_pending_ = false;
    body.Release();
  }

  // A \footnote begins: the index of its note, or -1 past the limit (its text then stays in the
  // body, after its mark). The note takes the waiting body mark, if any.
  std::int32_t Begin(TextBuilder& body);
  TextBuilder& TextOf(std::int32_t note) { return at(note).text; }
  // The mark a \chftn inside the note repeats.
  const std::string& MarkOf(std::int32_t note) { return at(note).mark; }
  // \ftnalt: the note is an endnote, and its mark in the body is renumbered as one.
  void MakeEndnote(std::int32_t note, TextBuilder& body);
  // The note's group has closed: the body text is final again.
  void Ended(TextBuilder& body) { body.Release(); }

  // Appends every footnote, then every endnote, each as a paragraph of its own.
  void AppendTo(std::string& body);

 private:
  // Notes are owned here and never move, so group states may point at their text.
  Note& at(std::int32_t note) { return *notes_[static_cast<std::size_t>(note)]; }

  std::vector<std::unique_ptr<Note>> notes_;
  NoteNumbering footnote_numbering_ = NoteNumbering::kArabic;
  NoteNumbering endnote_numbering_ = NoteNumbering::kLowerRoman;
  int footnotes_counted_ = 0;
  int endnotes_counted_ = 0;
  // The last automatic mark written in the body, until its note claims it.
  bool mark_pending_ = false;
  std::size_t mark_offset_ = 0;
  std::string mark_text_;
};

}  // namespace richtext
