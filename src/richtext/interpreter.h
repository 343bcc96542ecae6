// Gives RTF tokens their meaning: destinations, fonts and code pages, Unicode and its fallback,
// paragraphs, cells and rows, lists, fields and notes. It receives tokens from the Scanner and
// writes the body to a TextBuilder; notes are kept apart and added after the body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "richtext/code_page.h"
#include "richtext/font_table.h"
#include "richtext/group_state.h"
#include "richtext/notes.h"
#include "richtext/text_builder.h"

namespace richtext {

class Interpreter {
 public:
  // Deep enough for any real document (they stay below a few hundred levels); deeper groups are
  // still read, but share the state of the group at this depth, so hostile nesting costs at most
  // this many saved states.
  static constexpr std::size_t kMaxGroupDepth = 65536;

  explicit Interpreter(TextBuilder& body);

  // The Scanner's handler interface.
  bool SkippingText() const { return skipping_text_ && unicode_skip_ == 0; }
  void Text(const std::uint8_t* bytes, std::size_t size, bool ascii);
  void ControlByte(std::uint8_t byte);
  void GroupOpen();
  void GroupClose();
  std::uint64_t ControlWord(std::string_view name, bool has_parameter, std::int32_t parameter);
  void ControlSymbol(std::uint8_t symbol);
  void HexByte(std::uint8_t byte);

  // The input has ended.
  void Finish();
  // Where the body text that may still be rewritten begins (an automatic note mark, until its
  // note has ended); the text before it is final.
  std::size_t FinalBodySize() const {
    return mark_pending_ || state_.note >= 0 ? mark_offset_ : body_.size();
  }
  // Adds the footnotes, then the endnotes, after the finished body text.
  void AppendNotes(std::string& text) { notes_.AppendTo(text); }

 private:
  struct Field {
    std::string instruction;      // the start of \fldinst, enough for a SYMBOL field
    TextBuilder* out = nullptr;   // where the field's result goes
    std::size_t size_before = 0;  // of that text when the field began
  };

  TextBuilder& out() { return *state_.out; }
  // Routes 8-bit text by destination: the font table, a field instruction, or visible text.
  // ascii: the bytes are all printable ASCII.
  void TextBytes(const std::uint8_t* bytes, std::size_t size, bool ascii);
  void DecodeBytes(const std::uint8_t* bytes, std::size_t size, bool ascii);
  void DecodeMultiByte(const std::uint8_t* bytes, std::size_t size);
  void DecodeUtf8Byte(std::uint8_t byte);
  void EmitUnicode(std::int32_t value);
  void Emit(char32_t c) {
    if (high_surrogate_ != 0) [[unlikely]]
      FlushSurrogate();
    out().AppendCodePoint(c);
  }
  void FlushSurrogate();
  bool CharacterHalfRead() const { return has_lead_byte_ || utf8_needed_ > 0; }
  void DropPartialCharacter() {
    has_lead_byte_ = false;
    utf8_needed_ = 0;
  }
  void BeforeBreak();
  void ParagraphBoundary() { list_text_seen_ = false; }
  // Content after the outermost group's end is still the document's; spaces before it count.
  void LeaveAfterEnd();
  void CollectFontName(const std::uint8_t* bytes, std::size_t size);
  void SetDestination(Destination destination);
  void UpdateMode();
  // Forgets the current code page; CurrentPage() works it out again when text needs it.
  void ResolveCodePage();
  const CodePage* CurrentPage() {
    return state_.code_page != nullptr ? state_.code_page : WorkOutCodePage();
  }
  const CodePage* WorkOutCodePage();
  const CodePage* DocumentPage();
  std::uint64_t SkippedDestinationWord(std::string_view name, bool has_parameter,
                                       std::int32_t parameter);
  void BeginField();
  void EndField();
  void BeginNote();
  void MakeEndnote();
  void NoteMark();

  TextBuilder& body_;
  GroupState state_;
  std::vector<GroupState> saved_;
  std::size_t unsaved_depth_ = 0;  // groups opened past kMaxGroupDepth

  bool visible_ = true;            // text of the current state reaches the output
  bool skipping_text_ = false;     // plain bytes of the current state are dropped unread
  bool words_skipped_ = false;     // control words are not acted on (only \bin and a few)
  bool ignorable_ = false;         // a \* is waiting for its control word
  bool after_end_ = false;         // the outermost group has closed
  std::string held_space_;         // spaces and tabs met since then: text only if more text follows
  std::int32_t unicode_skip_ = 0;  // fallback units still to skip after a \uN
  bool list_text_seen_ = false;    // this paragraph's list number has been written

  char32_t high_surrogate_ = 0;  // a \uN high surrogate waiting for its low half
  bool has_lead_byte_ = false;   // a double-byte lead byte waiting for its trail byte
  std::uint8_t lead_byte_ = 0;
  int utf8_needed_ = 0;  // continuation bytes still expected under code page 65001
  int utf8_length_ = 0;
  char32_t utf8_value_ = 0;

  FontTable fonts_;
  Font* defining_font_ = nullptr;  // the font the font table is describing
  std::int32_t default_font_ = 0;
  int document_code_page_ = 1252;
  const CodePage* document_page_ = nullptr;  // of document_code_page_, once looked up
  // Bumped whenever a font's page may have changed, so fonts' cached pages are looked up again.
  std::uint32_t page_generation_ = 1;
  CodePages code_pages_;

  std::vector<Field> fields_;
  Notes notes_;
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
