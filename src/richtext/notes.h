// Footnotes and endnotes: their text is kept apart from the body and follows it, each note as
// its own paragraph that starts with its mark. An automatic mark (\chftn) is numbered as a
// footnote when it is written; when its note then says it is an endnote (\ftnalt), the mark
// already in the body is rewritten, so the body text from the mark on is held back from the
// output until its note has ended, or until the paragraph ends with no note come, or until the
// text held passes a bound: the mark is then final, and its note stays a footnote.
// Only one note is read at a time (a note inside a note stays in it). Its text goes, as it is
// made, into a store that holds every note's in the order they were read; past a few MiB the
// store is a temporary file, so that many or long notes do not grow memory. Whether a note is a
// footnote or an endnote, and the mark it starts with, are known when it ends; both kinds are
// written from the store once the body is complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/native_string.h"
#include "richtext/keywords.h"
#include "richtext/spill_store.h"
#include "richtext/text_builder.h"
#include "richtext/text_sink.h"

namespace richtext {

struct Note {
  bool endnote = false;
  std::string mark;         // the automatic mark, or empty when the note carries its own
  std::uint64_t start = 0;  // its text in the store: size bytes from start
  std::uint64_t size = 0;
};

// The text of an automatic note mark: 3, c, C, iii, III or ‡.
std::string FormatNoteNumber(int number, NoteNumbering numbering);

class Notes {
 public:
  // Each note costs memory beyond its text; past this many, a note's text stays in the body so
  // that a document of a million empty notes cannot grow memory far past its output.
  static constexpr std::size_t kMaxNotes = 65536;
  // The body text held from a mark that may still be renumbered, at most (and the text of one
  // piece of input). Writers put the note right after its mark, so that only the mark is held;
  // this is far more than a paragraph between them, and keeps a hostile document's memory
  // bounded.
  static constexpr std::size_t kMaxHeldAfterMark = 1024 * 1024;

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
  // Where the text of the note being read goes. It stays in one place, so group states may
  // point at it.
  TextBuilder& OpenText() { return open_text_; }
  // The mark a \chftn inside the note repeats.
  const std::string& MarkOf(std::int32_t note) { return at(note).mark; }
  // \ftnalt: the note is an endnote, and its mark in the body is renumbered as one.
  void MakeEndnote(std::int32_t note, TextBuilder& body);
  // The note's group has closed: the body text is final again, and so is the note.
  void Ended(TextBuilder& body) {
    body.Release();
    Close();
  }
  // Moves the open note's finished text to the store, when there is a piece of it, and lets go
  // of body text held for a mark that is final.
  void HandOver(TextBuilder& body) {
    if (open_ >= 0) open_text_.HandOver(store_, kStorePiece);
    if (MarkFinal(body)) body.Release();
  }

  // Another limit of the notes' text held in memory, and the folder of their file: for tests.
  void SpillPast(std::size_t bytes, platform::NativeString folder = {}) {
    store_.SpillPast(bytes, std::move(folder));
  }
  // The document has ended: a note still open ends with it.
  void Finish() { Close(); }
  // The bytes of the notes' text, about what they will write.
  std::uint64_t size() const { return store_.size(); }
  // Writes every footnote, then every endnote, each as a paragraph of its own, after text that
  // is empty or not (after_text). False when out refuses a piece or the text kept in the file
  // cannot be read back.
  bool WriteTo(TextSink& out, bool after_text);

 private:
  // A note's text moves to the store in pieces this large, at least.
  static constexpr std::size_t kStorePiece = 64 * 1024;

  Note& at(std::int32_t note) { return notes_[static_cast<std::size_t>(note)]; }
  // The last mark in the body has more than the held text's bound after it: it is no longer
  // rewritten, whatever its note says. The body only grows, so once final, always final.
  bool MarkFinal(const TextBuilder& body) const {
    return body.size() - mark_offset_ > kMaxHeldAfterMark;
  }
  void Close();
  // The note's text without the mark it repeats at its start and the spaces after it: the mark
  // is written once, then one space. False when the store cannot be read.
  bool SkipRepeatedMark(const Note& note, std::uint64_t& from, std::string& buffer);

  std::vector<Note> notes_;
  std::int32_t open_ = -1;  // the note being read, if any
  TextBuilder open_text_;
  SpillStore store_;
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
