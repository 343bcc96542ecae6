// The control words the reader acts on, in one sorted static table. Every other control word
// is ignored; after \* an unknown one makes its group skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace richtext {

// Where the text of a group goes.
enum class Destination : std::uint8_t {
  kText,                // the document's visible text
  kSkip,                // not text: everything up to the group's end is passed over
  kFontTable,           // \fonttbl: font numbers, charsets and names
  kUprAnsi,             // \upr: its 8-bit copy is skipped, its {\*\ud} copy read
  kUprAnsiInFontTable,  // the same inside the font table: its {\*\ud} copy names a font
  kNestTableProps,      // \*\nesttableprops: skipped, but its \nestrow still ends the row
  kFieldInstruction,    // \*\fldinst: not text, but kept to give a SYMBOL field its character
  // The list tables and old paragraph numbering: not text, read for list labels.
  kListTable,        // \listtable, \listoverridetable
  kList,             // \list
  kListLevel,        // \listlevel
  kListOverride,     // \listoverride
  kOverrideLevel,    // \lfolevel
  kLevelText,        // \leveltext: the label's text, its placeholders for the numbers
  kLevelNumbers,     // \levelnumbers: where the placeholders are
  kLevelMarker,      // \*\levelmarker: Cocoa's name of the level's bullet or number format
  kOldNumbering,     // \pn, \pnseclvl
  kOldNumberBefore,  // \pntxtb: the text before the number
  kOldNumberAfter,   // \pntxta: the text after it
};

// The kinds of character a run's fonts are named for: \loch (ASCII), \hich (the other
// single-byte characters, a symbol font's private-use codes among them), \dbch (double-byte);
// and the complex-script font an \af names under \rtlch or \ltrch, or before any of these.
enum FontClass : std::uint8_t { kComplexFont, kLowFont, kHighFont, kDoubleByteFont };

// A group's font words, packed so that each of them is one change of one field (Word writes
// several around every run of text): the class of the 8-bit text that follows (bits 0-1), the
// class an \af names the font of (bits 2-3), \rtlch (bit 4). A kFontWord entry's value is the
// bits the word keeps, above the bits it sets.
inline constexpr unsigned kAssociatedClassShift = 2;
inline constexpr unsigned kRightToLeftBit = 0x10;
constexpr std::int32_t ClassWord(FontClass font_class) {
  return static_cast<std::int32_t>(kRightToLeftBit << 16 | font_class |
                                   font_class << kAssociatedClassShift);
}
constexpr std::int32_t DirectionWord(bool right_to_left) {
  return static_cast<std::int32_t>(0x3u << 16 | (right_to_left ? kRightToLeftBit : 0));
}

// The words of the list tables and of old paragraph numbering (the value of a kList entry; an
// old numbering's format, as \levelnfc numbers it, is in the bits above the low eight).
enum class ListWord : std::uint8_t {
  kList,             // \list
  kListLevel,        // \listlevel
  kListId,           // \listidN
  kLevelFormat,      // \levelnfcN, \levelnfcnN
  kLevelStartAt,     // \levelstartatN
  kLevelFollow,      // \levelfollowN
  kLevelNoRestart,   // \levelnorestartN
  kLevelLegal,       // \levellegalN
  kLevelText,        // \leveltext
  kLevelNumbers,     // \levelnumbers
  kLevelMarker,      // \levelmarker
  kListOverride,     // \listoverride
  kOverrideLevel,    // \lfolevel
  kOverrideStartAt,  // \listoverridestartat
  kParagraphList,    // \lsN: the paragraph's list (in the override table, the override's number)
  kParagraphLevel,   // \ilvlN
  kOldNumbering,     // \pn
  kOldSectionLevel,  // \pnseclvlN
  kOldBody,          // \pnlvlbody
  kOldBullet,        // \pnlvlblt
  kOldOutline,       // \pnlvlN
  kOldContinue,      // \pnlvlcont: the paragraph continues the numbering and shows no number
  kOldFormat,        // \pndec, \pnucrm, ...
  kOldStart,         // \pnstartN
  kOldFont,          // \pnfN
  kOldBefore,        // \pntxtb
  kOldAfter,         // \pntxta
};

enum class Action : std::uint8_t {
  kIgnored,      // not in the table: formatting and everything else the reader passes over
  kPassedOver,   // known, but nothing to do: a \* before it asks nothing (\cs, \ds, \ts styles)
  kDestination,  // value: Destination
  kCharacter,    // value: the Unicode character it stands for
  kParagraph,    // \par, \sect
  kLineBreak,    // \line, \page, \column
  kTab,
  kCell,               // \cell, \nestcell
  kRow,                // \row
  kNestRow,            // \nestrow
  kUnicode,            // \uN
  kUnicodeSkip,        // \ucN
  kBinary,             // \binN
  kFont,               // \fN
  kDefaultFont,        // \deffN
  kFontCharset,        // \fcharsetN
  kFontCodePage,       // \cpgN
  kDocumentCodePage,   // \ansi, \mac, \pc, \pca (value: the code page), \ansicpgN (value 0)
  kCocoa,              // \cocoartfN: written by Cocoa, whose \fcharset numbers are its own
  kPlain,              // \plain
  kHidden,             // \v
  kDeleted,            // \deleted
  kUnicodeCopy,        // \ud inside \upr
  kFontWord,           // \loch, \hich, \dbch (ClassWord), \ltrch, \rtlch (DirectionWord)
  kAssociatedFont,     // \afN
  kListText,           // \listtext, \pntext: the visible number or bullet of a list item
  kTextBox,            // \shptxt, \dptxbxtext: a text box's text, a block of its own
  kField,              // \field
  kFieldResult,        // \fldrslt
  kFootnote,           // \footnote (an endnote too, once \ftnalt is seen)
  kEndnote,            // \ftnalt
  kNoteMark,           // \chftn: the automatic footnote or endnote mark
  kNoteNumbering,      // \ftnnar ... \aftnnchi (value: NoteNumbering, plus 16 for endnotes)
  kNoteStart,          // \ftnstartN (value 0), \aftnstartN (value 1)
  kList,               // value: ListWord
  kParagraphDefaults,  // \pard
  kDropCap,            // \dropcaptN: the paragraph is a drop cap (1 in the text, 2 in the margin)
};

// How automatic note marks are numbered.
enum class NoteNumbering : std::uint8_t {
  kArabic,      // 1, 2, 3
  kLowerAlpha,  // a, b, c
  kUpperAlpha,  // A, B, C
  kLowerRoman,  // i, ii, iii
  kUpperRoman,  // I, II, III
  kChicago,     // *, dagger, double dagger, section sign
};

struct Keyword {
  Action action = Action::kIgnored;
  std::int32_t value = 0;
};

// How far past a name's start FindKeywordReadingAhead may read.
inline constexpr std::size_t kKeywordReadAhead = 8;

// What a control word does; Action::kIgnored for one that is not in the table. The first
// kKeywordReadAhead bytes at name.data() are read even where they lie past the name's end (a
// name read in place from a longer buffer), so one load gives a short name's key.
Keyword FindKeywordReadingAhead(std::string_view name);

}  // namespace richtext
