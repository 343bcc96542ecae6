// The control words the reader acts on, in one sorted static table. Every other control word
// is ignored; after \* an unknown one makes its group skipped.
#pragma once

#include <cstdint>
#include <string_view>

namespace richtext {

// Where the text of a group goes.
enum class Destination : std::uint8_t {
  kText,            // the document's visible text
  kSkip,            // not text: everything up to the group's end is passed over
  kFontTable,       // \fonttbl: font numbers, charsets and names
  kUprAnsi,         // \upr: its 8-bit copy is skipped, its {\*\ud} copy read
  kNestTableProps,  // \*\nesttableprops: skipped, but its \nestrow still ends the row
};

enum class Action : std::uint8_t {
  kDestination,  // value: Destination
  kCharacter,    // value: the Unicode character it stands for
  kParagraph,    // \par, \sect
  kLineBreak,    // \line, \page, \column
  kTab,
  kCell,              // \cell, \nestcell
  kRow,               // \row
  kNestRow,           // \nestrow
  kUnicode,           // \uN
  kUnicodeSkip,       // \ucN
  kBinary,            // \binN
  kFont,              // \fN
  kDefaultFont,       // \deffN
  kFontCharset,       // \fcharsetN
  kFontCodePage,      // \cpgN
  kDocumentCodePage,  // \ansi, \mac, \pc, \pca (value: the code page), \ansicpgN (value 0)
  kPlain,             // \plain
  kHidden,            // \v, \webhidden
  kDeleted,           // \deleted
  kUnicodeCopy,       // \ud inside \upr
};

struct Keyword {
  std::string_view name;
  Action action;
  std::int32_t value;
};

// The entry for a control word, or null for one the reader ignores.
const Keyword* FindKeyword(std::string_view name);

}  // namespace richtext
