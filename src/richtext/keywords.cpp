#include "richtext/keywords.h"

#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "richtext/inlining.h"

namespace richtext {
namespace {

// The value of a destination entry: where the group's text goes.
constexpr std::int32_t kSkipGroup = static_cast<std::int32_t>(Destination::kSkip);
constexpr std::int32_t kTextGroup = static_cast<std::int32_t>(Destination::kText);
constexpr std::int32_t kFontTableGroup = static_cast<std::int32_t>(Destination::kFontTable);
constexpr std::int32_t kUprAnsiGroup = static_cast<std::int32_t>(Destination::kUprAnsi);
constexpr std::int32_t kNestTablePropsGroup =
    static_cast<std::int32_t>(Destination::kNestTableProps);
constexpr std::int32_t kFieldInstructionGroup =
    static_cast<std::int32_t>(Destination::kFieldInstruction);
constexpr std::int32_t kListTableGroup = static_cast<std::int32_t>(Destination::kListTable);

// The value of a list entry: the word, and an old numbering's format above it.
constexpr std::int32_t ListValue(ListWord word, int format = 0) {
  return static_cast<std::int32_t>(word) | format << 8;
}

// The table as written: one line a control word, sorted by name.
struct Definition {
  std::string_view name;
  Action action;
  std::int32_t value;
};

constexpr std::array kDefinitions = std::to_array<Definition>({
    {"af", Action::kAssociatedFont, 0},
    {"aftncn", Action::kDestination, kSkipGroup},
    {"aftnnalc", Action::kNoteNumbering, 17},
    {"aftnnar", Action::kNoteNumbering, 16},
    {"aftnnauc", Action::kNoteNumbering, 18},
    {"aftnnchi", Action::kNoteNumbering, 21},
    {"aftnnrlc", Action::kNoteNumbering, 19},
    {"aftnnruc", Action::kNoteNumbering, 20},
    {"aftnsep", Action::kDestination, kSkipGroup},
    {"aftnsepc", Action::kDestination, kSkipGroup},
    {"aftnstart", Action::kNoteStart, 1},
    {"annotation", Action::kDestination, kSkipGroup},
    {"ansi", Action::kDocumentCodePage, 1252},
    {"ansicpg", Action::kDocumentCodePage, 0},
    {"atnauthor", Action::kDestination, kSkipGroup},
    {"atndate", Action::kDestination, kSkipGroup},
    {"atnicn", Action::kDestination, kSkipGroup},
    {"atnid", Action::kDestination, kSkipGroup},
    {"atnparent", Action::kDestination, kSkipGroup},
    {"atnref", Action::kDestination, kSkipGroup},
    {"atntime", Action::kDestination, kSkipGroup},
    {"atrfend", Action::kDestination, kSkipGroup},
    {"atrfstart", Action::kDestination, kSkipGroup},
    {"author", Action::kDestination, kSkipGroup},
    {"background", Action::kDestination, kSkipGroup},
    {"bin", Action::kBinary, 0},
    {"bkmkend", Action::kDestination, kSkipGroup},
    {"bkmkstart", Action::kDestination, kSkipGroup},
    {"blipuid", Action::kDestination, kSkipGroup},
    {"bullet", Action::kCharacter, 0x2022},
    {"buptim", Action::kDestination, kSkipGroup},
    {"category", Action::kDestination, kSkipGroup},
    {"cell", Action::kCell, 0},
    {"chftn", Action::kNoteMark, 0},
    {"cocoartf", Action::kCocoa, 0},
    {"colorschememapping", Action::kDestination, kSkipGroup},
    {"colortbl", Action::kDestination, kSkipGroup},
    {"column", Action::kLineBreak, 0},
    {"comment", Action::kDestination, kSkipGroup},
    {"company", Action::kDestination, kSkipGroup},
    {"cpg", Action::kFontCodePage, 0},
    {"creatim", Action::kDestination, kSkipGroup},
    {"cs", Action::kPassedOver, 0},
    {"datafield", Action::kDestination, kSkipGroup},
    {"datastore", Action::kDestination, kSkipGroup},
    {"dbch", Action::kFontWord, ClassWord(kDoubleByteFont)},
    {"deff", Action::kDefaultFont, 0},
    {"deleted", Action::kDeleted, 0},
    {"do", Action::kDestination, kTextGroup},
    {"doccomm", Action::kDestination, kSkipGroup},
    {"docvar", Action::kDestination, kSkipGroup},
    {"dptxbx", Action::kDestination, kTextGroup},
    {"dptxbxtext", Action::kTextBox, 0},
    {"dropcapt", Action::kDropCap, 0},
    {"ds", Action::kPassedOver, 0},
    {"emdash", Action::kCharacter, 0x2014},
    {"emspace", Action::kCharacter, 0x2003},
    {"endash", Action::kCharacter, 0x2013},
    {"enspace", Action::kCharacter, 0x2002},
    {"f", Action::kFont, 0},
    {"falt", Action::kDestination, kSkipGroup},
    {"fchars", Action::kDestination, kSkipGroup},
    {"fcharset", Action::kFontCharset, 0},
    {"ffdeftext", Action::kDestination, kSkipGroup},
    {"ffentrymcr", Action::kDestination, kSkipGroup},
    {"ffexitmcr", Action::kDestination, kSkipGroup},
    {"ffformat", Action::kDestination, kSkipGroup},
    {"ffhelptext", Action::kDestination, kSkipGroup},
    {"ffl", Action::kDestination, kSkipGroup},
    {"ffname", Action::kDestination, kSkipGroup},
    {"ffstattext", Action::kDestination, kSkipGroup},
    {"field", Action::kField, 0},
    {"fldinst", Action::kDestination, kFieldInstructionGroup},
    {"fldrslt", Action::kFieldResult, 0},
    {"fontemb", Action::kDestination, kSkipGroup},
    {"fontfile", Action::kDestination, kSkipGroup},
    {"fonttbl", Action::kDestination, kFontTableGroup},
    {"footer", Action::kDestination, kSkipGroup},
    {"footerf", Action::kDestination, kSkipGroup},
    {"footerl", Action::kDestination, kSkipGroup},
    {"footerr", Action::kDestination, kSkipGroup},
    {"footnote", Action::kFootnote, 0},
    {"formfield", Action::kDestination, kSkipGroup},
    {"ftnalt", Action::kEndnote, 0},
    {"ftncn", Action::kDestination, kSkipGroup},
    {"ftnnalc", Action::kNoteNumbering, 1},
    {"ftnnar", Action::kNoteNumbering, 0},
    {"ftnnauc", Action::kNoteNumbering, 2},
    {"ftnnchi", Action::kNoteNumbering, 5},
    {"ftnnrlc", Action::kNoteNumbering, 3},
    {"ftnnruc", Action::kNoteNumbering, 4},
    {"ftnsep", Action::kDestination, kSkipGroup},
    {"ftnsepc", Action::kDestination, kSkipGroup},
    {"ftnstart", Action::kNoteStart, 0},
    {"generator", Action::kDestination, kSkipGroup},
    {"header", Action::kDestination, kSkipGroup},
    {"headerf", Action::kDestination, kSkipGroup},
    {"headerl", Action::kDestination, kSkipGroup},
    {"headerr", Action::kDestination, kSkipGroup},
    {"hich", Action::kFontWord, ClassWord(kHighFont)},
    {"hlinkbase", Action::kDestination, kSkipGroup},
    {"htmltag", Action::kDestination, kSkipGroup},
    {"ilvl", Action::kList, ListValue(ListWord::kParagraphLevel)},
    {"info", Action::kDestination, kSkipGroup},
    {"keywords", Action::kDestination, kSkipGroup},
    {"latentstyles", Action::kDestination, kSkipGroup},
    {"lchars", Action::kDestination, kSkipGroup},
    {"ldblquote", Action::kCharacter, 0x201C},
    {"levelfollow", Action::kList, ListValue(ListWord::kLevelFollow)},
    {"levellegal", Action::kList, ListValue(ListWord::kLevelLegal)},
    {"levelmarker", Action::kList, ListValue(ListWord::kLevelMarker)},
    {"levelnfc", Action::kList, ListValue(ListWord::kLevelFormat)},
    {"levelnfcn", Action::kList, ListValue(ListWord::kLevelFormat)},
    {"levelnorestart", Action::kList, ListValue(ListWord::kLevelNoRestart)},
    {"levelnumbers", Action::kList, ListValue(ListWord::kLevelNumbers)},
    {"levelstartat", Action::kList, ListValue(ListWord::kLevelStartAt)},
    {"leveltext", Action::kList, ListValue(ListWord::kLevelText)},
    {"lfolevel", Action::kList, ListValue(ListWord::kOverrideLevel)},
    {"line", Action::kLineBreak, 0},
    {"list", Action::kList, ListValue(ListWord::kList)},
    {"listid", Action::kList, ListValue(ListWord::kListId)},
    {"listlevel", Action::kList, ListValue(ListWord::kListLevel)},
    {"listname", Action::kDestination, kSkipGroup},
    {"listoverride", Action::kList, ListValue(ListWord::kListOverride)},
    {"listoverridestartat", Action::kList, ListValue(ListWord::kOverrideStartAt)},
    {"listoverridetable", Action::kDestination, kListTableGroup},
    {"listpicture", Action::kDestination, kSkipGroup},
    {"listtable", Action::kDestination, kListTableGroup},
    {"listtext", Action::kListText, 0},
    {"loch", Action::kFontWord, ClassWord(kLowFont)},
    {"lquote", Action::kCharacter, 0x2018},
    {"ls", Action::kList, ListValue(ListWord::kParagraphList)},
    {"ltrch", Action::kFontWord, DirectionWord(false)},
    {"ltrmark", Action::kCharacter, 0x200E},
    {"mac", Action::kDocumentCodePage, 10000},
    {"manager", Action::kDestination, kSkipGroup},
    {"mmathPr", Action::kDestination, kSkipGroup},
    {"nestcell", Action::kCell, 0},
    {"nestrow", Action::kNestRow, 0},
    {"nesttableprops", Action::kDestination, kNestTablePropsGroup},
    {"nonesttables", Action::kDestination, kSkipGroup},
    {"nonshppict", Action::kDestination, kSkipGroup},
    {"objalias", Action::kDestination, kSkipGroup},
    {"objclass", Action::kDestination, kSkipGroup},
    {"objdata", Action::kDestination, kSkipGroup},
    {"object", Action::kDestination, kTextGroup},
    {"objname", Action::kDestination, kSkipGroup},
    {"objsect", Action::kDestination, kSkipGroup},
    {"oldcprops", Action::kDestination, kSkipGroup},
    {"oldpprops", Action::kDestination, kSkipGroup},
    {"oldsprops", Action::kDestination, kSkipGroup},
    {"oldtprops", Action::kDestination, kSkipGroup},
    {"operator", Action::kDestination, kSkipGroup},
    {"page", Action::kLineBreak, 0},
    {"panose", Action::kDestination, kSkipGroup},
    {"par", Action::kParagraph, 0},
    {"pard", Action::kParagraphDefaults, 0},
    {"passwordhash", Action::kDestination, kSkipGroup},
    {"pc", Action::kDocumentCodePage, 437},
    {"pca", Action::kDocumentCodePage, 850},
    {"pgdsctbl", Action::kDestination, kSkipGroup},
    {"pict", Action::kDestination, kSkipGroup},
    {"plain", Action::kPlain, 0},
    {"pn", Action::kList, ListValue(ListWord::kOldNumbering)},
    {"pnaiu", Action::kList, ListValue(ListWord::kOldFormat, 12)},
    {"pnaiud", Action::kList, ListValue(ListWord::kOldFormat, 20)},
    {"pncard", Action::kList, ListValue(ListWord::kOldFormat, 6)},
    {"pnchosung", Action::kList, ListValue(ListWord::kOldFormat, 25)},
    {"pncnum", Action::kList, ListValue(ListWord::kOldFormat, 18)},
    {"pndbnum", Action::kList, ListValue(ListWord::kOldFormat, 10)},
    {"pndbnumd", Action::kList, ListValue(ListWord::kOldFormat, 11)},
    {"pndec", Action::kList, ListValue(ListWord::kOldFormat, 0)},
    {"pnf", Action::kList, ListValue(ListWord::kOldFont)},
    {"pnganada", Action::kList, ListValue(ListWord::kOldFormat, 24)},
    {"pniroha", Action::kList, ListValue(ListWord::kOldFormat, 13)},
    {"pnlcltr", Action::kList, ListValue(ListWord::kOldFormat, 4)},
    {"pnlcrm", Action::kList, ListValue(ListWord::kOldFormat, 2)},
    {"pnlvl", Action::kList, ListValue(ListWord::kOldOutline)},
    {"pnlvlblt", Action::kList, ListValue(ListWord::kOldBullet)},
    {"pnlvlbody", Action::kList, ListValue(ListWord::kOldBody)},
    {"pnlvlcont", Action::kList, ListValue(ListWord::kOldContinue)},
    {"pnord", Action::kList, ListValue(ListWord::kOldFormat, 5)},
    {"pnordt", Action::kList, ListValue(ListWord::kOldFormat, 7)},
    {"pnseclvl", Action::kList, ListValue(ListWord::kOldSectionLevel)},
    {"pnstart", Action::kList, ListValue(ListWord::kOldStart)},
    {"pntext", Action::kListText, 0},
    {"pntxta", Action::kList, ListValue(ListWord::kOldAfter)},
    {"pntxtb", Action::kList, ListValue(ListWord::kOldBefore)},
    {"pnucltr", Action::kList, ListValue(ListWord::kOldFormat, 3)},
    {"pnucrm", Action::kList, ListValue(ListWord::kOldFormat, 1)},
    {"printim", Action::kDestination, kSkipGroup},
    {"private", Action::kDestination, kSkipGroup},
    {"propname", Action::kDestination, kSkipGroup},
    {"protusertbl", Action::kDestination, kSkipGroup},
    {"qmspace", Action::kCharacter, 0x2005},
    {"rdblquote", Action::kCharacter, 0x201D},
    {"result", Action::kDestination, kTextGroup},
    {"revtbl", Action::kDestination, kSkipGroup},
    {"revtim", Action::kDestination, kSkipGroup},
    {"row", Action::kRow, 0},
    {"rquote", Action::kCharacter, 0x2019},
    {"rsidtbl", Action::kDestination, kSkipGroup},
    {"rtlch", Action::kFontWord, DirectionWord(true)},
    {"rtlmark", Action::kCharacter, 0x200F},
    {"rxe", Action::kDestination, kSkipGroup},
    {"sect", Action::kParagraph, 0},
    {"shp", Action::kDestination, kTextGroup},
    {"shpinst", Action::kDestination, kTextGroup},
    {"shppict", Action::kDestination, kTextGroup},
    {"shprslt", Action::kDestination, kSkipGroup},
    {"shptxt", Action::kTextBox, 0},
    {"sp", Action::kDestination, kSkipGroup},
    {"stylesheet", Action::kDestination, kSkipGroup},
    {"subject", Action::kDestination, kSkipGroup},
    {"tab", Action::kTab, 0},
    {"tc", Action::kDestination, kSkipGroup},
    {"tcn", Action::kDestination, kSkipGroup},
    {"template", Action::kDestination, kSkipGroup},
    {"themedata", Action::kDestination, kSkipGroup},
    {"title", Action::kDestination, kSkipGroup},
    {"ts", Action::kPassedOver, 0},
    {"txe", Action::kDestination, kSkipGroup},
    {"u", Action::kUnicode, 0},
    {"uc", Action::kUnicodeSkip, 0},
    {"ud", Action::kUnicodeCopy, 0},
    {"upr", Action::kDestination, kUprAnsiGroup},
    {"userprops", Action::kDestination, kSkipGroup},
    {"v", Action::kHidden, 0},
    {"wgrffmtfilter", Action::kDestination, kSkipGroup},
    {"xe", Action::kDestination, kSkipGroup},
    {"xmlnstbl", Action::kDestination, kSkipGroup},
    {"xmlopen", Action::kDestination, kSkipGroup},
    {"zwj", Action::kCharacter, 0x200D},
    {"zwnj", Action::kCharacter, 0x200C},
});

constexpr bool IsSorted() {
  for (std::size_t k = 1; k < kDefinitions.size(); ++k) {
    if (!(kDefinitions[k - 1].name < kDefinitions[k].name)) return false;
  }
  return true;
}
static_assert(IsSorted(), "kDefinitions must stay sorted by name, each name once");

// A hash table over the definitions, built at compile time: a document names a control word
// every few bytes, and most of them (formatting the reader ignores) are not in the table. A name
// of up to eight letters is looked up as one number, its letters packed: one load, one multiply
// and usually one compare with the key in a slot; at this size most misses end at the first slot.
constexpr std::size_t kSlotBits = 10;
constexpr std::size_t kSlotCount = std::size_t{1} << kSlotBits;
static_assert(kDefinitions.size() * 4 <= kSlotCount, "keep the table at most a quarter full");

// Letters are ASCII, so the top bit of the key is free: it marks a name longer than its eight
// packed letters, which then no shorter name can match.
constexpr std::uint64_t kLongName = std::uint64_t{1} << 63;

struct Slot {
  std::uint64_t key = 0;  // 0 marks an empty slot
  std::int32_t value = 0;
  Action action = Action::kIgnored;
  std::uint8_t length = 0;
  std::uint16_t definition = 0;  // where the whole name is, for long names
};
static_assert(sizeof(Slot) == 16);

// Letter k of the name in byte k of the number, as a little-endian load of the name gives it.
constexpr std::uint64_t PackPrefix(std::string_view name) {
  std::uint64_t prefix = 0;
  for (std::size_t k = 0; k < name.size() && k < kKeywordReadAhead; ++k) {
    prefix |= std::uint64_t{static_cast<std::uint8_t>(name[k])} << (8 * k);
  }
  return prefix;
}

constexpr std::uint64_t KeyOf(std::string_view name) {
  return PackPrefix(name) | (name.size() > kKeywordReadAhead ? kLongName : 0);
}

constexpr std::size_t SlotOf(std::uint64_t key) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> (64 - kSlotBits));
}

constexpr std::size_t NextSlot(std::size_t slot) {
  return (slot + 1) & (kSlotCount - 1);
}

constexpr std::array<Slot, kSlotCount> MakeSlots() {
  std::array<Slot, kSlotCount> slots{};
  for (std::size_t k = 0; k < kDefinitions.size(); ++k) {
    const Definition& definition = kDefinitions[k];
    const std::uint64_t key = KeyOf(definition.name);
    std::size_t slot = SlotOf(key);
    while (slots[slot].key != 0) slot = NextSlot(slot);
    slots[slot] =
        Slot{key, definition.value, definition.action,
             static_cast<std::uint8_t>(definition.name.size()), static_cast<std::uint16_t>(k)};
  }
  return slots;
}

constexpr std::array<Slot, kSlotCount> kSlots = MakeSlots();

constexpr std::size_t LongestProbe() {
  std::size_t longest = 0;
  for (const Definition& definition : kDefinitions) {
    std::size_t probe = 0;
    for (std::size_t slot = SlotOf(KeyOf(definition.name));
         kDefinitions[kSlots[slot].definition].name != definition.name; slot = NextSlot(slot)) {
      ++probe;
    }
    longest = probe > longest ? probe : longest;
  }
  return longest;
}
static_assert(LongestProbe() <= 3, "the hash spreads the table's names badly");

// The length is compared too: a key is unique only among names of letters, and a caller may
// ask about any bytes.
Keyword LookUpShort(std::uint64_t key, std::size_t length) {
  for (std::size_t slot = SlotOf(key);; slot = NextSlot(slot)) {
    const Slot& entry = kSlots[slot];
    if (entry.key == key && entry.length == length) return Keyword{entry.action, entry.value};
    if (entry.key == 0) return Keyword{};
  }
}

RTFPLAIN_NOINLINE Keyword LookUpLong(std::string_view name) {
  if (name.size() > std::numeric_limits<std::uint8_t>::max()) return Keyword{};
  const std::uint64_t key = KeyOf(name);
  for (std::size_t slot = SlotOf(key);; slot = NextSlot(slot)) {
    const Slot& entry = kSlots[slot];
    if (entry.key == 0) return Keyword{};
    if (entry.key == key && entry.length == name.size() &&
        kDefinitions[entry.definition].name == name) {
      return Keyword{entry.action, entry.value};
    }
  }
}

}  // namespace

Keyword FindKeywordReadingAhead(std::string_view name) {
  const std::size_t size = name.size();
  if (size > kKeywordReadAhead) return LookUpLong(name);
  if (size == 0) return Keyword{};
  std::uint64_t key;
  std::memcpy(&key, name.data(), sizeof key);
  if constexpr (std::endian::native == std::endian::big) {
    key = PackPrefix(std::string_view(reinterpret_cast<const char*>(&key), sizeof key));
  }
  if (size < sizeof key) key &= ~std::uint64_t{0} >> (64 - 8 * size);
  return LookUpShort(key, size);
}

}  // namespace richtext
