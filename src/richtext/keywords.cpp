#include "richtext/keywords.h"

#include <array>

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

constexpr std::array kKeywords = std::to_array<Keyword>({
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
    {"colorschememapping", Action::kDestination, kSkipGroup},
    {"colortbl", Action::kDestination, kSkipGroup},
    {"column", Action::kLineBreak, 0},
    {"comment", Action::kDestination, kSkipGroup},
    {"company", Action::kDestination, kSkipGroup},
    {"cpg", Action::kFontCodePage, 0},
    {"creatim", Action::kDestination, kSkipGroup},
    {"datafield", Action::kDestination, kSkipGroup},
    {"datastore", Action::kDestination, kSkipGroup},
    {"dbch", Action::kFontClass, 1},
    {"deff", Action::kDefaultFont, 0},
    {"deleted", Action::kDeleted, 0},
    {"do", Action::kDestination, kTextGroup},
    {"doccomm", Action::kDestination, kSkipGroup},
    {"docvar", Action::kDestination, kSkipGroup},
    {"dptxbx", Action::kDestination, kTextGroup},
    {"dptxbxtext", Action::kTextBox, 0},
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
    {"hich", Action::kFontClass, 0},
    {"hlinkbase", Action::kDestination, kSkipGroup},
    {"htmltag", Action::kDestination, kSkipGroup},
    {"info", Action::kDestination, kSkipGroup},
    {"keywords", Action::kDestination, kSkipGroup},
    {"latentstyles", Action::kDestination, kSkipGroup},
    {"lchars", Action::kDestination, kSkipGroup},
    {"ldblquote", Action::kCharacter, 0x201C},
    {"line", Action::kLineBreak, 0},
    {"listoverridetable", Action::kDestination, kSkipGroup},
    {"listpicture", Action::kDestination, kSkipGroup},
    {"listtable", Action::kDestination, kSkipGroup},
    {"listtext", Action::kListText, 0},
    {"loch", Action::kFontClass, 0},
    {"lquote", Action::kCharacter, 0x2018},
    {"ltrch", Action::kDirection, 0},
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
    {"passwordhash", Action::kDestination, kSkipGroup},
    {"pc", Action::kDocumentCodePage, 437},
    {"pca", Action::kDocumentCodePage, 850},
    {"pgdsctbl", Action::kDestination, kSkipGroup},
    {"pict", Action::kDestination, kSkipGroup},
    {"plain", Action::kPlain, 0},
    {"pn", Action::kDestination, kSkipGroup},
    {"pntext", Action::kListText, 0},
    {"pntxta", Action::kDestination, kSkipGroup},
    {"pntxtb", Action::kDestination, kSkipGroup},
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
    {"rtlch", Action::kDirection, 1},
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
    {"txe", Action::kDestination, kSkipGroup},
    {"u", Action::kUnicode, 0},
    {"uc", Action::kUnicodeSkip, 0},
    {"ud", Action::kUnicodeCopy, 0},
    {"upr", Action::kDestination, kUprAnsiGroup},
    {"userprops", Action::kDestination, kSkipGroup},
    {"v", Action::kHidden, 0},
    {"webhidden", Action::kHidden, 0},
    {"wgrffmtfilter", Action::kDestination, kSkipGroup},
    {"xe", Action::kDestination, kSkipGroup},
    {"xmlnstbl", Action::kDestination, kSkipGroup},
    {"xmlopen", Action::kDestination, kSkipGroup},
    {"zwj", Action::kCharacter, 0x200D},
    {"zwnj", Action::kCharacter, 0x200C},
});

constexpr bool IsSorted() {
  for (std::size_t k = 1; k < kKeywords.size(); ++k) {
    if (!(kKeywords[k - 1].name < kKeywords[k].name)) return false;
  }
  return true;
}
static_assert(IsSorted(), "kKeywords must stay sorted by name, each name once");

// A hash index over the table, built at compile time: a document names a control word every few
// bytes, and most of them (formatting the reader ignores) are not in the table, so a lookup is
// one hash and usually one empty slot or one compare, instead of a binary search of compares.
constexpr std::size_t kSlotBits = 10;
constexpr std::size_t kSlots = std::size_t{1}
                               << kSlotBits;  // several times the table: short probes

// The slot of a name from its length and four of its letters (first, second, middle, last):
// cheap, and enough to spread the table's names; a collision only costs a probe.
constexpr std::size_t SlotOf(std::string_view name) {
  std::uint32_t mix = static_cast<std::uint32_t>(name.size());
  if (!name.empty()) {
    // The polynomial mix * 131 + letter over the four letters, written out so that the
    // multiplies do not wait for each other.
    const auto letter = [&](std::size_t k) { return static_cast<std::uint8_t>(name[k]); };
    const std::size_t last = name.size() - 1;
    mix = mix * (131u * 131u * 131u * 131u) + letter(0) * (131u * 131u * 131u) +
          letter(last < 1 ? last : 1) * (131u * 131u) + letter(name.size() / 2) * 131u +
          letter(last);
  }
  return (mix * 0x9E3779B1u) >> (32 - kSlotBits);
}

constexpr bool SameName(std::string_view a, std::string_view b) {
  // Names are short: a plain loop beats a call to memcmp.
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (a[k] != b[k]) return false;
  }
  return true;
}

static_assert(kKeywords.size() * 4 <= kSlots);
constexpr std::uint16_t kEmpty = 0xFFFF;

constexpr std::array<std::uint16_t, kSlots> MakeIndex() {
  std::array<std::uint16_t, kSlots> index{};
  for (auto& slot : index) slot = kEmpty;
  for (std::size_t k = 0; k < kKeywords.size(); ++k) {
    std::size_t slot = SlotOf(kKeywords[k].name);
    while (index[slot] != kEmpty) slot = (slot + 1) & (kSlots - 1);
    index[slot] = static_cast<std::uint16_t>(k);
  }
  return index;
}

constexpr std::size_t LongestProbe(const std::array<std::uint16_t, kSlots>& index) {
  std::size_t longest = 0;
  for (const Keyword& keyword : kKeywords) {
    std::size_t probe = 0;
    for (std::size_t slot = SlotOf(keyword.name);
         index[slot] != kEmpty && kKeywords[index[slot]].name != keyword.name;
         slot = (slot + 1) & (kSlots - 1)) {
      ++probe;
    }
    longest = probe > longest ? probe : longest;
  }
  return longest;
}

constexpr std::array<std::uint16_t, kSlots> kIndex = MakeIndex();
static_assert(LongestProbe(kIndex) <= 4, "the hash spreads the table's names badly");

}  // namespace

const Keyword* FindKeyword(std::string_view name) {
  for (std::size_t slot = SlotOf(name);; slot = (slot + 1) & (kSlots - 1)) {
    const std::uint16_t k = kIndex[slot];
    if (k == kEmpty) return nullptr;
    if (SameName(kKeywords[k].name, name)) return &kKeywords[k];
  }
}

}  // namespace richtext
