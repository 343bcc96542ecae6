#include "richtext/list_reader.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "richtext/char_decoder.h"
#include "richtext/code_page.h"
#include "richtext/font_table.h"
#include "richtext/symbol_fonts.h"

namespace richtext {
namespace {

// Marks a unit of text as read as a byte, still to be decoded; \uN units are characters.
constexpr char32_t kByteUnit = 0x80000000;

// An old numbering's before and after texts are a few characters; longer ones are cut, so a
// hostile document cannot grow them.
constexpr std::size_t kMaxOldText = 256;

// Cocoa's marker formats of bullet levels, \levelmarker's "{disc}" and the like, and the
// characters TextEdit draws for them. A number format's name ("{decimal}.") names no bullet.
char32_t CocoaBullet(std::string_view marker) {
  static constexpr std::pair<std::string_view, char32_t> kBullets[] = {
      {"{check}", 0x2713}, {"{circle}", 0x25E6}, {"{diamond}", 0x25C6},
      {"{disc}", 0x2022},  {"{hyphen}", 0x2043}, {"{square}", 0x25AA},
  };
  for (const auto& [name, bullet] : kBullets) {
    if (marker.substr(0, name.size()) == name) return bullet;
  }
  return 0;
}

void AppendUnits(std::vector<char32_t>& units, const std::uint8_t* bytes, std::size_t size,
                 std::size_t limit) {
  for (std::size_t k = 0; k < size && units.size() < limit; ++k)
    units.push_back(kByteUnit | bytes[k]);
}

}  // namespace

std::optional<Destination> ListReader::Word(ListWord word, int format, bool has_parameter,
                                            std::int32_t parameter, GroupState& state) {
  const Destination where = state.destination;
  const std::int32_t value = has_parameter ? parameter : 1;
  const bool in_level = where == Destination::kListLevel && level_ != nullptr;
  switch (word) {
    case ListWord::kList:
      if (where != Destination::kListTable) break;
      list_ = &lists_.AddList();
      return Destination::kList;
    case ListWord::kListLevel:
      if (where == Destination::kList && list_ != nullptr) {
        level_ = &lists_.AddLevel(*list_);
      } else if (where == Destination::kOverrideLevel && override_level_ != nullptr) {
        level_ = &override_level_->format.emplace();
      } else {
        break;
      }
      state.PlainFont();  // the level's own fonts, read when it ends
      units_.clear();
      return Destination::kListLevel;
    case ListWord::kListId:
      if (where == Destination::kList && list_ != nullptr) list_->id = value;
      if (where == Destination::kListOverride && override_ != nullptr) override_->list_id = value;
      break;
    case ListWord::kLevelFormat:
      if (in_level) level_->format = value;
      break;
    case ListWord::kLevelStartAt:
      if (in_level) level_->start_at = value;
      if (where == Destination::kOverrideLevel && override_level_ != nullptr && override_starts_) {
        override_level_->start_at = value;
      }
      break;
    case ListWord::kLevelFollow:
      if (in_level) level_->follow = value;
      break;
    case ListWord::kLevelNoRestart:
      if (in_level) level_->no_restart = value != 0;
      break;
    case ListWord::kLevelLegal:
      if (in_level) level_->legal = value != 0;
      break;
    case ListWord::kLevelText:
      if (!in_level) break;
      units_.clear();
      return Destination::kLevelText;
    case ListWord::kLevelMarker:
      if (!in_level) break;
      marker_.clear();
      return Destination::kLevelMarker;
    case ListWord::kLevelNumbers:
      if (!in_level) break;
      level_->numbers.clear();
      numbers_ended_ = false;
      return Destination::kLevelNumbers;
    case ListWord::kListOverride:
      if (where != Destination::kListTable) break;
      override_ = &lists_.AddOverride();
      return Destination::kListOverride;
    case ListWord::kOverrideLevel:
      if (where != Destination::kListOverride || override_ == nullptr) break;
      override_level_ = &lists_.AddLevel(*override_);
      override_starts_ = false;
      return Destination::kOverrideLevel;
    case ListWord::kOverrideStartAt:
      if (where == Destination::kOverrideLevel) override_starts_ = true;
      break;
    case ListWord::kParagraphList:
      if (where == Destination::kListOverride && override_ != nullptr) {
        override_->number = value;
      } else if (where == Destination::kText) {
        state.list = value;
        Refresh(state);
      }
      break;
    case ListWord::kParagraphLevel:
      if (where == Destination::kText) state.list_level = value;
      break;
    case ListWord::kOldNumbering:
    case ListWord::kOldSectionLevel:
      if (where != Destination::kText) break;
      pn_read_ = OldNumbering{};
      pn_font_ = -1;
      for (std::vector<char32_t>& text : pn_texts_) text.clear();
      pn_section_level_ = 0;
      pn_continues_ = false;
      pn_texts_read_ = {false, false};
      if (word == ListWord::kOldSectionLevel) {
        if (!has_parameter || parameter < 1 || parameter > static_cast<int>(kMaxListLevels)) {
          return Destination::kSkip;
        }
        pn_section_level_ = parameter;
        pn_read_.kind = OldNumbering::Kind::kOutline;
        pn_read_.level = parameter;
      }
      return Destination::kOldNumbering;
    case ListWord::kOldBody:
      if (where == Destination::kOldNumbering) pn_read_.kind = OldNumbering::Kind::kBody;
      break;
    case ListWord::kOldBullet:
      if (where == Destination::kOldNumbering) pn_read_.kind = OldNumbering::Kind::kBullet;
      break;
    case ListWord::kOldOutline:
      if (where != Destination::kOldNumbering || !has_parameter || parameter < 1 ||
          parameter > static_cast<int>(kMaxListLevels)) {
        break;
      }
      // The section's definition of the level, which the paragraph may then change.
      if (section_levels_[static_cast<std::size_t>(parameter - 1)]) {
        pn_read_ = *section_levels_[static_cast<std::size_t>(parameter - 1)];
      }
      pn_read_.kind = OldNumbering::Kind::kOutline;
      pn_read_.level = parameter;
      break;
    case ListWord::kOldContinue:
      if (where == Destination::kOldNumbering) pn_continues_ = true;
      break;
    case ListWord::kOldFormat:
      if (where == Destination::kOldNumbering) pn_read_.format = format;
      break;
    case ListWord::kOldStart:
      if (where == Destination::kOldNumbering) pn_read_.start = value;
      break;
    case ListWord::kOldFont:
      if (where == Destination::kOldNumbering && has_parameter) pn_font_ = parameter;
      break;
    case ListWord::kOldBefore:
    case ListWord::kOldAfter: {
      // Each text is its own, even inside the other's group.
      if (where != Destination::kOldNumbering && where != Destination::kOldNumberBefore &&
          where != Destination::kOldNumberAfter) {
        break;
      }
      const Destination text = word == ListWord::kOldAfter ? Destination::kOldNumberAfter
                                                           : Destination::kOldNumberBefore;
      pn_texts_[OldText(text)].clear();
      pn_texts_read_[OldText(text)] = true;
      return text;
    }
  }
  return std::nullopt;
}

void ListReader::CollectBytes(const std::uint8_t* bytes, std::size_t size, Destination where) {
  if (where == Destination::kLevelText) {
    AppendUnits(units_, bytes, size, ListLevel::kMaxText + 1);
  } else if (where == Destination::kLevelNumbers && level_ != nullptr) {
    for (std::size_t k = 0; k < size && !numbers_ended_; ++k) {
      numbers_ended_ = bytes[k] == ';';
      if (!numbers_ended_) level_->AppendNumber(bytes[k]);
    }
  } else if (where == Destination::kLevelMarker) {
    const std::size_t room = kMaxMarker - std::min(marker_.size(), kMaxMarker);
    marker_.append(reinterpret_cast<const char*>(bytes), std::min(size, room));
  } else if (where == Destination::kOldNumberBefore || where == Destination::kOldNumberAfter) {
    AppendUnits(pn_texts_[OldText(where)], bytes, size, kMaxOldText);
  }
}

void ListReader::CollectUnicode(char32_t c, Destination where) {
  if (where == Destination::kLevelText) {
    if (units_.size() <= ListLevel::kMaxText) units_.push_back(c);
  } else if (where == Destination::kOldNumberBefore || where == Destination::kOldNumberAfter) {
    std::vector<char32_t>& units = pn_texts_[OldText(where)];
    if (units.size() < kMaxOldText) units.push_back(c);
  }
}

std::u32string ListReader::Decoded(const std::vector<char32_t>& units, FontTable& fonts,
                                   std::int32_t text_font, std::int32_t unicode_font,
                                   bool length_first) {
  // Without a font of their own, labels are written in the document's page.
  const CodePage* page = text_font >= 0 ? fonts.PageOfFont(text_font) : fonts.DocumentPage();
  const CodePage* unicode_page =
      unicode_font >= 0 ? fonts.PageOfFont(unicode_font) : fonts.DocumentPage();
  const bool symbol = unicode_page->symbol();
  std::u32string out;
  // The bytes are read as text is (a lead byte and its trail, UTF-8 under page 65001).
  CharDecoder decoder;
  for (std::size_t k = 0; k < units.size(); ++k) {
    char32_t unit = units[k];
    if ((unit & kByteUnit) == 0) {
      // A symbol font draws its own picture for the Latin-1 characters its bytes stand for
      // too (OpenOffice writes a bullet as \u183).
      if (symbol && unit >= 0x20 && unit <= 0xFF) {
        unit = unicode_page->single(static_cast<std::uint8_t>(unit));
      } else {
        unit = unicode_page->ShownUnicode(unit);
      }
      out.push_back(unit);
      continue;
    }
    const auto byte = static_cast<std::uint8_t>(unit);
    // The length and the placeholders are numbers, not characters of the font; a placeholder
    // breaks a character half read, as a control byte does in text.
    if ((length_first && k == 0) || byte < 0x20) {
      decoder.BreakCharacter(out);
      out.push_back(byte);
      continue;
    }
    decoder.DecodeInto(page, &byte, 1, out);
  }
  return out;  // a character still half read is lost, as at a group's end in text
}

void ListReader::GroupClosed(Destination closed, FontTable& fonts, GroupState& state) {
  if (closed == Destination::kLevelMarker && level_ != nullptr) {
    level_->marker = CocoaBullet(marker_);
  } else if (closed == Destination::kListLevel && level_ != nullptr) {
    for (char32_t c : Decoded(units_, fonts, level_text_font_, level_symbol_font_, true))
      level_->AppendText(c);
    level_ = nullptr;
    units_.clear();
  } else if (closed == Destination::kOldNumbering) {
    // Texts the group does not give stay as the section's definition has them.
    if (pn_texts_read_[0])
      pn_read_.before = Decoded(pn_texts_[0], fonts, pn_font_, pn_font_, false);
    if (pn_texts_read_[1]) pn_read_.after = Decoded(pn_texts_[1], fonts, pn_font_, pn_font_, false);
    for (std::vector<char32_t>& text : pn_texts_) text.clear();
    if (pn_section_level_ > 0) {
      section_levels_[static_cast<std::size_t>(pn_section_level_ - 1)] = pn_read_;
      pn_section_level_ = 0;
    } else {
      state.old_numbering = pn_continues_ ? kContinues : KeepOldNumbering(pn_read_);
    }
  }
  Refresh(state);
}

std::uint16_t ListReader::KeepOldNumbering(const OldNumbering& pn) {
  if (!old_numberings_.empty()) {
    OldNumbering& last = old_numberings_.back();
    if (last == pn) return static_cast<std::uint16_t>(old_numberings_.size());
    if (old_numberings_.size() >= kMaxOldNumberings) last = pn;
  }
  if (old_numberings_.size() < kMaxOldNumberings) old_numberings_.push_back(pn);
  return static_cast<std::uint16_t>(old_numberings_.size());
}

void ListReader::ParagraphDefaults(GroupState& state) {
  state.list = 0;
  state.list_level = 0;
  state.old_numbering = 0;
  Refresh(state);
}

TextBuilder* ListReader::BeginListText() {
  if (holds_text_ || label_shown_) return nullptr;
  holds_text_ = true;
  label_due_ = true;
  return &held_;
}

std::string ListReader::TakeLabel(const GroupState& state) {
  std::optional<std::string> label;
  if (state.list > 0) {
    label = lists_.NextLabel(state.list, state.list_level);
  } else if (state.old_numbering != 0 && state.old_numbering != kContinues) {
    label = lists_.NextOldLabel(old_numberings_[state.old_numbering - 1u]);
  }
  BoundHeldText();
  std::string held = held_.Finish();
  if (held_cut_ != 0) held.resize(held_cut_);  // a tab still pending is past the cut too
  held_ = TextBuilder();
  held_cut_ = 0;
  label_shown_ = true;
  label_due_ = false;
  return label ? std::move(*label) : std::move(held);
}

void ListReader::ParagraphEnded(const GroupState& state) {
  if (state.old_numbering == 0) lists_.OldNumberingInterrupted();
  held_ = TextBuilder();
  held_cut_ = 0;
  holds_text_ = false;
  label_shown_ = false;
  Refresh(state);
}

}  // namespace richtext
