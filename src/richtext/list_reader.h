// The list part of the reader. It reads the list tables (\listtable, \listoverridetable) and old
// paragraph numbering (\pn, \pnseclvl) as they come, and decides what each list paragraph shows
// before its first character, as Word draws it: the label its list draws from the tables, or,
// where they cannot give one, the paragraph's \listtext or \pntext, which writers put before the
// paragraph's properties and which is therefore held until the paragraph's text begins.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "richtext/group_state.h"
#include "richtext/keywords.h"
#include "richtext/lists.h"
#include "richtext/text_builder.h"

namespace richtext {

class FontTable;

class ListReader {
 public:
  // A list word met in a group of this destination; the destination the group enters when the
  // word begins one. format: an old numbering's format, from the keyword table.
  std::optional<Destination> Word(ListWord word, int format, bool has_parameter,
                                  std::int32_t parameter, GroupState& state);
  // Text of a level text, level numbers or old numbering text: raw bytes, and \uN characters.
  void CollectBytes(const std::uint8_t* bytes, std::size_t size, Destination where);
  void CollectUnicode(char32_t c, Destination where);
  // A group of this destination is closing, with its state: a level's fonts are its group's.
  void GroupClosing(Destination closed, const GroupState& closing) {
    if (closed != Destination::kListLevel) return;
    level_text_font_ = closing.TextFont();
    level_symbol_font_ = closing.FontOf(kHighFont);
  }
  // A group of this destination has closed: a level or an old numbering is complete, and its
  // text is decoded now that its font is known.
  void GroupClosed(Destination closed, FontTable& fonts, GroupState& state);

  // The paragraph: its properties as a group state holds them (work out whether a label is
  // due whenever they may have changed), \pard, \listtext or \pntext, its first character,
  // its end.
  void Refresh(const GroupState& state) {
    label_due_ = !label_shown_ && (holds_text_ || state.Numbered());
  }
  void ParagraphDefaults(GroupState& state);
  // Where a \listtext or \pntext goes until the paragraph shows its label; null for later
  // copies in the same paragraph, which are not shown.
  TextBuilder* BeginListText();
  const TextBuilder* held_text() const { return &held_; }
  bool LabelDue() const { return label_due_; }
  bool holds_text() const { return holds_text_ && !label_shown_; }
  // The label to show before the paragraph's first character (UTF-8); it is no longer due.
  std::string TakeLabel(const GroupState& state);
  void ParagraphEnded(const GroupState& state);
  // A piece of input has been read: the held \listtext or \pntext is cut to its bound.
  void BoundHeldText() {
    if (held_cut_ != 0 || held_.size() > kMaxHeldText) CutHeldText();
  }

 private:
  // The old numbering of a \pn group just read, as an entry to keep in a group state.
  std::uint16_t KeepOldNumbering(const OldNumbering& pn);
  std::u32string Decoded(const std::vector<char32_t>& units, FontTable& fonts,
                         std::int32_t text_font, std::int32_t unicode_font, bool length_first);

  Lists lists_;

  // Reading the tables: what the groups being read describe.
  ListDefinition* list_ = nullptr;
  ListLevel* level_ = nullptr;
  ListOverride* override_ = nullptr;
  ListOverride::Level* override_level_ = nullptr;
  bool override_starts_ = false;  // \listoverridestartat: the \levelstartat that follows counts
  // The level's fonts (-1: none, the document's page): of its 8-bit text, and of its \uN.
  std::int32_t level_text_font_ = -1;
  std::int32_t level_symbol_font_ = -1;
  bool numbers_ended_ = false;  // the ';' that ends \levelnumbers has been read
  // \levelmarker as read: a name in braces, then any text; longer ones are cut.
  static constexpr std::size_t kMaxMarker = 16;
  std::string marker_;
  // Text as read: bytes (kByteUnit set) to decode once the font is known, and \uN characters.
  std::vector<char32_t> units_;

  // Reading old numbering: the paragraph's, or one of the section's outline levels.
  OldNumbering pn_read_;
  std::int32_t pn_font_ = -1;
  int pn_section_level_ = 0;   // 1-9 while a \pnseclvl is read
  bool pn_continues_ = false;  // \pnlvlcont
  // \pntxtb and \pntxta (OldText gives the index): met in this group, and their text as read.
  static std::size_t OldText(Destination where) {
    return where == Destination::kOldNumberAfter ? 1 : 0;
  }
  std::array<bool, 2> pn_texts_read_{};
  std::array<std::vector<char32_t>, 2> pn_texts_;
  std::array<std::optional<OldNumbering>, kMaxListLevels> section_levels_;

  // Old numberings group states refer to (entry k at k - 1); writers repeat one \pn in every
  // paragraph, so a repeat of the last is not kept again, and past the limit the last entry is
  // reused, so a hostile document cannot grow this.
  static constexpr std::size_t kMaxOldNumberings = 1024;
  static constexpr std::uint16_t kContinues = 0xFFFF;  // \pnlvlcont: no number, no new count
  std::vector<OldNumbering> old_numberings_;

  // A \listtext or \pntext is a number or a bullet and a tab, tens of bytes (nine levels of a
  // legal number with their texts, a few hundred); what one holds past this is cut, so that a
  // hostile document cannot grow it.
  static constexpr std::size_t kMaxHeldText = 4096;
  // Cuts the held text where the bound falls, the same place however the input was split.
  void CutHeldText() { held_cut_ = held_.CutAt(held_cut_ != 0 ? held_cut_ : kMaxHeldText); }

  // The paragraph.
  TextBuilder held_;
  bool holds_text_ = false;   // a \listtext or \pntext is held
  bool label_shown_ = false;  // the label is written; later copies are not shown
  bool label_due_ = false;
  std::size_t held_cut_ = 0;  // where the held text was cut, if it was
};

}  // namespace richtext
