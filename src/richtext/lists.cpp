#include "richtext/lists.h"

#include <climits>
#include <string_view>

namespace richtext {
namespace {

// A \uN surrogate pair is one character, as in body text; the text keeps the halves apart
// because its length and placeholder positions count UTF-16 units. True when text[i] and
// text[i + 1] are such a pair.
bool PairAt(const std::u32string& text, std::size_t i) {
  return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
         text[i + 1] <= 0xDFFF;
}
char32_t Paired(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Text from the document goes into the label as the text builder would take it.
void AppendShown(std::string& out, const std::u32string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (PairAt(text, i)) {
      richtext::AppendShown(out, Paired(text[i], text[i + 1]));
      ++i;
    } else {
      richtext::AppendShown(out, text[i]);
    }
  }
}

// Counting goes on from hostile start values without overflow.
int Next(int value) {
  return value == INT_MAX ? value : value + 1;
}
int Previous(int value) {
  return value == INT_MIN ? value : value - 1;
}

}  // namespace

ListDefinition& Lists::AddList() {
  if (lists_.size() >= kMaxLists) return spare_list_ = ListDefinition{};
  return lists_.emplace_back();
}

ListOverride& Lists::AddOverride() {
  if (overrides_.size() >= kMaxOverrides) return spare_override_ = ListOverride{};
  return overrides_.emplace_back();
}

ListLevel& Lists::AddLevel(ListDefinition& list) {
  if (&list == &spare_list_ || list.levels.size() >= kMaxListLevels) {
    return spare_level_ = ListLevel{};
  }
  return list.levels.emplace_back();
}

ListOverride::Level& Lists::AddLevel(ListOverride& override_entry) {
  if (&override_entry == &spare_override_ || override_entry.levels.size() >= kMaxListLevels) {
    return spare_override_level_ = ListOverride::Level{};
  }
  return override_entry.levels.emplace_back();
}

void Lists::Index() {
  // The first of several lists or overrides with one number is the one used.
  for (; indexed_lists_ < lists_.size(); ++indexed_lists_) {
    const ListDefinition& list = lists_[indexed_lists_];
    list_by_id_.try_emplace(list.id, &list);
  }
  for (; indexed_overrides_ < overrides_.size(); ++indexed_overrides_) {
    const ListOverride& entry = overrides_[indexed_overrides_];
    override_by_number_.try_emplace(entry.number, OverrideEntry{&entry, false});
  }
}

namespace {

// A level as one override of a list shows it: the override's own level, if it gives one, and
// its start value.
struct EffectiveLevel {
  const ListLevel* level = nullptr;
  int start_at = 1;
  bool start_overridden = false;
};

EffectiveLevel LevelOf(const ListDefinition& list, const ListOverride& entry, std::size_t index) {
  EffectiveLevel out;
  const ListOverride::Level* changed = index < entry.levels.size() ? &entry.levels[index] : nullptr;
  if (changed != nullptr && changed->format) {
    out.level = &*changed->format;
  } else if (index < list.levels.size()) {
    out.level = &list.levels[index];
  }
  if (out.level != nullptr) out.start_at = out.level->start_at;
  if (changed != nullptr && changed->start_at) {
    out.start_at = *changed->start_at;
    out.start_overridden = true;
  }
  return out;
}

bool IsNumbered(int format) {
  return format != kListFormatBullet && format != kListFormatNone;
}

void AppendFollow(std::string& out, int follow) {
  if (follow == 1) {
    out += ' ';
  } else if (follow != 2) {
    out += '\t';
  }
}

}  // namespace

std::optional<std::string> Lists::NextLabel(std::int32_t ls, std::int32_t ilvl) {
  Index();
  if (ilvl < 0 || static_cast<std::size_t>(ilvl) >= kMaxListLevels) return std::nullopt;
  const auto found_override = override_by_number_.find(ls);
  if (found_override == override_by_number_.end()) return std::nullopt;
  OverrideEntry& entry = found_override->second;
  const auto found_list = list_by_id_.find(entry.entry->list_id);
  if (found_list == list_by_id_.end()) return std::nullopt;
  const ListDefinition& list = *found_list->second;
  const auto own = static_cast<std::size_t>(ilvl);
  std::array<EffectiveLevel, kMaxListLevels> levels;
  for (std::size_t k = 0; k < kMaxListLevels; ++k) levels[k] = LevelOf(list, *entry.entry, k);
  const ListLevel* level = levels[own].level;
  if (level == nullptr) return std::nullopt;

  // Counting: the counters are the list's, shared by all its overrides.
  Counters& counters = counters_by_list_[list.id];
  if (!entry.used) {
    entry.used = true;
    for (std::size_t k = 0; k < kMaxListLevels; ++k) {
      if (levels[k].start_overridden) counters.started[k] = false;
    }
  }
  counters.value[own] = counters.started[own] ? Next(counters.value[own]) : levels[own].start_at;
  counters.started[own] = true;
  for (std::size_t k = own + 1; k < kMaxListLevels; ++k) {
    if (levels[k].level == nullptr || !levels[k].level->no_restart) counters.started[k] = false;
  }

  // The label: the level text, its placeholders replaced by the numbers of their levels.
  const std::u32string& text = level->text;
  if (text.empty() || text[0] >= text.size()) return std::nullopt;
  const std::size_t length = text[0];
  // The level each position's placeholder draws its number from; kNotPlaceholder elsewhere.
  constexpr std::uint8_t kNotPlaceholder = 0xFF;
  std::array<std::uint8_t, ListLevel::kMaxText> drawn;
  drawn.fill(kNotPlaceholder);
  for (char position : level->numbers) {
    const auto index = static_cast<unsigned char>(position);
    if (index == 0) break;  // the list of positions may end with a zero
    if (index > length || text[index] >= kMaxListLevels) return std::nullopt;
    auto named = static_cast<std::size_t>(text[index]);
    // Old TextEdit writes one-level lists whose placeholder names level 6 (\'02\'05.): a level
    // the list does not have is the paragraph's own, as TextEdit draws it. Its bullet levels
    // have the same text and name their bullet in \levelmarker; without one, \listtext shows it.
    if (levels[named].level == nullptr) {
      if (!IsNumbered(level->format)) {
        if (level->marker == 0) return std::nullopt;
        std::string out;
        AppendShown(out, level->marker);
        AppendFollow(out, level->follow);
        return out;
      }
      named = own;
    }
    if (named > own) return std::nullopt;
    drawn[index] = static_cast<std::uint8_t>(named);
  }
  std::string out;
  for (std::size_t i = 1; i <= length; ++i) {
    if (drawn[i] == kNotPlaceholder) {
      if (i < length && drawn[i + 1] == kNotPlaceholder && PairAt(text, i)) {
        AppendShown(out, Paired(text[i], text[i + 1]));
        ++i;
      } else {
        AppendShown(out, text[i]);
      }
      continue;
    }
    if (!IsNumbered(level->format)) continue;
    const std::size_t k = drawn[i];
    // A level not yet used shows one before its start, as Word shows 0.1 under no heading.
    const int number = counters.started[k] ? counters.value[k] : Previous(levels[k].start_at);
    int format = levels[k].level != nullptr ? levels[k].level->format : 0;
    if (!IsNumbered(format)) continue;
    if (level->legal) format = 0;
    const std::optional<std::string> shown = FormatListNumber(number, format);
    if (!shown) return std::nullopt;
    out += *shown;
  }
  AppendFollow(out, level->follow);
  return out;
}

std::optional<std::string> Lists::NextOldLabel(const OldNumbering& pn) {
  const bool continues = !old_interrupted_ && old_last_ == pn.kind;
  old_interrupted_ = false;
  old_last_ = pn.kind;
  std::string out;
  AppendShown(out, pn.before);
  if (pn.kind == OldNumbering::Kind::kBullet) return out + '\t';

  int number = 0;
  if (pn.kind == OldNumbering::Kind::kBody) {
    number = old_body_ = continues ? Next(old_body_) : pn.start;
  } else {
    if (pn.level < 1 || static_cast<std::size_t>(pn.level) > kMaxListLevels) return std::nullopt;
    if (!continues) old_outline_.started.fill(false);
    const auto own = static_cast<std::size_t>(pn.level - 1);
    number = old_outline_.value[own] =
        old_outline_.started[own] ? Next(old_outline_.value[own]) : pn.start;
    old_outline_.started[own] = true;
    for (std::size_t k = own + 1; k < kMaxListLevels; ++k) old_outline_.started[k] = false;
  }
  const std::optional<std::string> shown = FormatListNumber(number, pn.format);
  if (!shown) return std::nullopt;
  out += *shown;
  AppendShown(out, pn.after);
  return out + '\t';
}

}  // namespace richtext
