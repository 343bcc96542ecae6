// Gives RTF tokens their meaning: the spine of the format. It keeps the group stack and the
// destination of each group (visible text, the font table, a field instruction, a note, skipped
// data), and dispatches each control word to the part that owns it:
//   CharDecoder  bytes and \uN into characters (lead bytes, UTF-8, surrogates, \uc fallbacks)
//   FontTable    the fonts, and the code page of 8-bit text in each
//   Fields       field results, and the character of a SYMBOL field
//   Notes        footnotes and endnotes, their marks, and which body text is final
//   ListReader   the list tables and old numbering, and each list paragraph's label
// The body goes to a TextBuilder; notes are kept apart and written after the body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "richtext/char_decoder.h"
#include "richtext/fields.h"
#include "richtext/font_table.h"
#include "richtext/group_state.h"
#include "richtext/inlining.h"
#include "richtext/list_reader.h"
#include "richtext/notes.h"
#include "richtext/text_builder.h"

namespace richtext {

class Interpreter {
 public:
  // Deep enough for any real document (they stay below a few hundred levels): the states saved
  // one per group. Deeper groups save theirs compactly (see deep_).
  static constexpr std::size_t kMaxGroupDepth = 65536;
  // Past kMaxGroupDepth, the saved states that differ from the one saved just before (each with
  // its run of groups): a group that changes nothing costs a count, so any depth of plain nesting
  // restores what an inner group changed. A document must change the state in every one of this
  // many more groups to pass it; groups past it share the state of the group they are in, so
  // hostile nesting costs at most 3.5 MiB of plain states and 4 MiB of these.
  static constexpr std::size_t kMaxDeepStates = 65536;

  explicit Interpreter(TextBuilder& body);

  // The Scanner's handler interface.
  bool SkippingText() const { return skipping_text_ && !decoder_.InFallback(); }
  void TextRun(const std::uint8_t* bytes, std::size_t size, bool ascii);
  bool TrailByteDue() const { return decoder_.TrailByteDue(visible_ && run_decoded_); }
  // Printable ASCII read as text means what it would as an escape: visible text, no fallback
  // to count, nothing held after the end.
  bool TextJoinsEscapes() const { return visible_ && !decoder_.InFallback() && !after_end_; }
  void ControlByte(std::uint8_t byte);
  void GroupOpen();
  void GroupClose();
  RTFPLAIN_ALWAYS_INLINE std::uint64_t ControlWord(std::string_view name, bool has_parameter,
                                                   std::int32_t parameter) {
    // Most words are formatting in ordinary text: they cost a look-up and nothing else.
    if (!UsualWord()) [[unlikely]] {
      return UnusualWord(name, has_parameter, parameter);
    }
    const Keyword keyword = FindKeywordReadingAhead(name);
    switch (keyword.action) {
      case Action::kIgnored:
        return 0;
      case Action::kAssociatedFont:
      case Action::kFontWord:
        FontStateWord(keyword, has_parameter, parameter);
        return 0;
      default:
        return ActOn(keyword, has_parameter, parameter);
    }
  }
  void ControlSymbol(std::uint8_t symbol);
  void HexRun(const std::uint8_t* bytes, std::size_t size);
  // \uN and the \'hh right after it: returns how many of them its fallback took.
  std::size_t UnicodeBeforeEscapes(std::int32_t parameter, std::size_t escapes);

  // The input has ended.
  void Finish();
  // A piece of input has been read: text held for what may follow is bounded, and the open
  // note's text moves on.
  void PieceRead() {
    notes_->HandOver(body_);
    lists_.BoundHeldText();
  }
  // The footnotes and endnotes, written after the finished body text.
  Notes& notes() { return *notes_; }

 private:
  // Destinations of the list tables and old numbering whose text is read.
  static bool IsListText(Destination destination) {
    return destination == Destination::kLevelText || destination == Destination::kLevelNumbers ||
           destination == Destination::kLevelMarker ||
           destination == Destination::kOldNumberBefore ||
           destination == Destination::kOldNumberAfter;
  }
  TextBuilder& out() { return *state_.out; }
  // Where visible text goes: the paragraph's label comes before its first character.
  TextBuilder& Shown() {
    if (lists_.LabelDue()) [[unlikely]]
      ShowLabel();
    return *state_.out;
  }
  void ShowLabel();
  // 8-bit text by destination: visible text, a font name, a field instruction.
  void RouteBytes(const std::uint8_t* bytes, std::size_t size, bool ascii);
  // Bytes that are not shown but read: a font name, a field instruction, a list's texts.
  void CollectHidden(const std::uint8_t* bytes, std::size_t size);
  void Emit(char32_t c) { decoder_.Emit(c, Shown()); }
  void Unicode(std::int32_t parameter);
  // \uN: its character where text is read, then its fallback begins.
  void UnicodeWord(std::int32_t parameter);
  // Paragraph, line, cell and row ends.
  void Break(Action action);
  // Content after the outermost group's end is still the document's; spaces before it count.
  void LeaveAfterEnd();
  void SetDestination(Destination destination);
  void UpdateMode();
  // \afN, \loch, \hich, \dbch, \ltrch, \rtlch: Word writes several around every run of text,
  // so they are done where words are looked up.
  void FontStateWord(Keyword keyword, bool has_parameter, std::int32_t parameter) {
    if (keyword.action == Action::kAssociatedFont) {
      if (!has_parameter || state_.destination == Destination::kFontTable) return;
      state_.class_fonts[state_.associated_class()] = parameter;
    } else {
      const auto value = static_cast<std::uint32_t>(keyword.value);
      state_.font_words = static_cast<std::uint16_t>((state_.font_words & value >> 16) | value);
    }
    FontWordRead();
  }
  // A font word: a character half read in the old font is lost.
  void FontWordRead() { decoder_.DropPartialCharacter(); }
  // The page of the group's 8-bit text, worked out when text needs it (Word names fonts several
  // times per run of text, mostly the font the text already has).
  const CodePage* CurrentPage() { return fonts_.PageOfFont(state_.TextFont()); }
  // A word read the usual way: not after \*, in a skipped destination, in a \uN fallback or
  // after the document's end (those go to UnusualWord).
  bool UsualWord() const {
    return !(ignorable_ | words_skipped_ | after_end_ | decoder_.InFallback());
  }
  RTFPLAIN_NOINLINE std::uint64_t UnusualWord(std::string_view name, bool has_parameter,
                                              std::int32_t parameter);
  // What a known control word does. Out of line: most words of a document are formatting the
  // reader ignores, and they should not pay for the frame the rest need.
  RTFPLAIN_NOINLINE std::uint64_t ActOn(Keyword keyword, bool has_parameter,
                                        std::int32_t parameter);
  std::uint64_t SkippedDestinationWord(std::string_view name, bool has_parameter,
                                       std::int32_t parameter);
  void BeginField();
  void BeginNote();
  void NoteMark();
  // Saves the state of a group opened past kMaxGroupDepth; false past kMaxDeepStates.
  bool SaveDeep();

  TextBuilder& body_;
  GroupState state_;
  std::vector<GroupState> saved_;
  std::size_t unsaved_depth_ = 0;  // groups opened past kMaxDeepStates, sharing a state

  bool visible_ = true;         // text of the current state reaches the output
  bool skipping_text_ = false;  // plain bytes of the current state are dropped unread
  bool words_skipped_ = false;  // control words are not acted on (only \bin and a few)
  bool ignorable_ = false;      // a \* is waiting for its control word
  // The last text run's last byte reached the decoder (not a \uc fallback): only then can a lead
  // byte it left waiting take the next byte as its trail.
  bool run_decoded_ = false;
  bool after_end_ = false;  // the outermost group has closed
  std::string held_space_;  // spaces and tabs met since then: text only if more text follows

  CharDecoder decoder_;
  FontTable fonts_;
  Fields fields_;
  ListReader lists_;
  // Apart: the notes' store is large and cold. Held inline before the list reader, whose label
  // check the text path makes before every run, it made Word-style text 5-6% slower (the same
  // instructions, a layout that stalls).
  std::unique_ptr<Notes> notes_ = std::make_unique<Notes>();

  // Last, so that the members before keep their places (see notes_).
  struct DeepStates {
    GroupState state;
    std::size_t groups;  // the groups in a row that saved this state
  };
  std::vector<DeepStates> deep_;  // the states saved past kMaxGroupDepth
};

}  // namespace richtext
