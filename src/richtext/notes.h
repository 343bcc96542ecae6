// Footnotes and endnotes: their text is kept apart from the body and follows it, each note as
// its own paragraph that starts with its mark.
#pragma once

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

// The notes in document order.
class Notes {
 public:
  // Each note costs memory beyond its text; past this many, a note's text stays in the body so
  // that a document of a million empty notes cannot grow memory far past its output.
  static constexpr std::size_t kMaxNotes = 65536;

  // Notes are owned here and never move, so group states may point at their text.
  Note& Add() { return *notes_.emplace_back(std::make_unique<Note>()); }
  Note& at(std::size_t index) { return *notes_[index]; }
  std::size_t size() const { return notes_.size(); }

  // Appends every footnote, then every endnote, each as a paragraph of its own.
  void AppendTo(std::string& body);

 private:
  std::vector<std::unique_ptr<Note>> notes_;
};

}  // namespace richtext
