// List labels as Word draws them: the list table (\listtable), the list overrides
// (\listoverridetable) and the counters they drive, so that each list paragraph gets its label
// from the tables rather than from \listtext, which is written only for readers that do not
// know lists. Also the older paragraph numbering (\pn) of documents without a list table. The
// reader feeds what it reads here; nothing here reads RTF.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "richtext/list_numbers.h"

namespace richtext {

// A list has at most nine levels (\ilvl0 to \ilvl8); deeper levels are never drawn.
inline constexpr std::size_t kMaxListLevels = 9;

// \levelnfc values with a meaning of their own beyond a number format.
inline constexpr int kListFormatBullet = 23;
inline constexpr int kListFormatNone = 255;

// One level of a list definition (\listlevel), as read.
struct ListLevel {
  // The length character is one byte, so a sound level text is at most 256 characters; more is
  // dropped, so that a hostile level text cannot grow memory.
  static constexpr std::size_t kMaxText = 256;

  int format = 0;           // \levelnfc (or \levelnfcn)
  int start_at = 1;         // \levelstartat
  int follow = 0;           // \levelfollow: 0 tab, 1 space, 2 nothing
  bool no_restart = false;  // \levelnorestart
  bool legal = false;       // \levellegal: every number in the label in decimal
  std::u32string text;      // \leveltext, decoded, its leading length character included
  std::string numbers;      // \levelnumbers: 1-based positions of the placeholders in text
  char32_t marker = 0;      // the bullet Cocoa's \levelmarker names; 0 for none or a number

  void AppendText(char32_t c) {
    if (text.size() < kMaxText) text.push_back(c);
  }
  void AppendNumber(unsigned char position) {
    if (numbers.size() < kMaxText) numbers.push_back(static_cast<char>(position));
  }
};

// \list ... \listid
struct ListDefinition {
  std::int32_t id = 0;
  std::vector<ListLevel> levels;  // filled through Lists::AddLevel
};

// \listoverride: which list a paragraph's \lsN draws from, and the levels it changes.
struct ListOverride {
  std::int32_t list_id = 0;           // \listid
  std::int32_t number = 0;            // \ls
  struct Level {                      // \lfolevel
    std::optional<int> start_at;      // \listoverridestartat with \levelstartat
    std::optional<ListLevel> format;  // \listoverrideformat with a \listlevel
  };
  std::vector<Level> levels;  // filled through Lists::AddLevel, by \lfolevel order
};

// Old paragraph numbering (a \pn group in a paragraph).
struct OldNumbering {
  enum class Kind : unsigned char { kBody, kBullet, kOutline };  // \pnlvlbody, \pnlvlblt, \pnlvlN
  Kind kind = Kind::kBody;
  int level = 1;   // 1 to 9, for kOutline
  int format = 0;  // as \levelnfc: \pndec 0, \pnucrm 1, \pnlcrm 2, \pnucltr 3, \pnlcltr 4, ...
  int start = 1;   // \pnstart
  std::u32string before;  // \pntxtb, decoded (for a bullet, the bullet through the \pnf font)
  std::u32string after;   // \pntxta, decoded

  bool operator==(const OldNumbering&) const = default;
};

class Lists {
 public:
  // Each list, override and level costs memory beyond what the document spends on it; past
  // these, what is read goes to a spare that is thrown away, so a table of a million empty lists
  // stays small. Word itself keeps far fewer lists than this.
  static constexpr std::size_t kMaxLists = 4096;
  static constexpr std::size_t kMaxOverrides = 4096;

  // What these return stays where it is while more is added.
  ListDefinition& AddList();
  ListOverride& AddOverride();
  ListLevel& AddLevel(ListDefinition& list);
  ListOverride::Level& AddLevel(ListOverride& override_entry);

  // The label of the next paragraph of override `ls` at level `ilvl`, with what follows it, in
  // UTF-8, advancing the counters. Nothing when the tables cannot give one (no such override,
  // list or level, a damaged level text, a format not implemented): the caller then shows
  // \listtext.
  std::optional<std::string> NextLabel(std::int32_t ls, std::int32_t ilvl);

  // The same for old paragraph numbering; nothing for a format not implemented (the caller then
  // shows \pntext).
  std::optional<std::string> NextOldLabel(const OldNumbering& pn);
  // A paragraph without old numbering came between: the next numbered one starts again.
  void OldNumberingInterrupted() { old_interrupted_ = true; }

 private:
  struct Counters {
    std::array<int, kMaxListLevels> value{};
    std::array<bool, kMaxListLevels> started{};  // false: the next use takes the start value
  };
  struct OverrideEntry {
    const ListOverride* entry = nullptr;
    bool used = false;  // its start values are applied at its first paragraph
  };

  void Index();

  std::deque<ListDefinition> lists_;
  std::deque<ListOverride> overrides_;
  ListDefinition spare_list_;
  ListOverride spare_override_;
  ListLevel spare_level_;
  ListOverride::Level spare_override_level_;

  // Looked up by id and number, indexed when first needed (the tables come before the text).
  std::size_t indexed_lists_ = 0;
  std::size_t indexed_overrides_ = 0;
  std::unordered_map<std::int32_t, const ListDefinition*> list_by_id_;
  std::unordered_map<std::int32_t, OverrideEntry> override_by_number_;
  std::unordered_map<std::int32_t, Counters> counters_by_list_;

  // Old numbering: the outline levels 1 to 9, and body numbering.
  Counters old_outline_;
  int old_body_ = 0;
  OldNumbering::Kind old_last_ = OldNumbering::Kind::kBody;
  bool old_interrupted_ = true;
};

}  // namespace richtext
