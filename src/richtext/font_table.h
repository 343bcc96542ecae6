// The fonts a document declares: what decides the code page of 8-bit text in each of them.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "richtext/symbol_fonts.h"

namespace richtext {

class CodePage;

struct Font {
  int charset = -1;        // \fcharsetN; -1 when not given
  int code_page = 0;       // \cpgN; 0 when not given
  std::string name;        // the name as written, raw bytes, cut short (only its start matters)
  bool name_done = false;  // the ';' that ends the name has been seen
  // Symbol fonts are known by name; worked out once the name is complete.
  SymbolFont symbol = SymbolFont::kNone;
  bool symbol_known = false;
  // The code page last worked out for this font, valid while its generation is current.
  const CodePage* page = nullptr;
  std::uint32_t page_generation = 0;
};

class FontTable {
 public:
  // A document may declare any number of fonts; past this many, further ones are ignored so a
  // hostile font table cannot grow memory without end (real documents stay below a few hundred).
  static constexpr std::size_t kMaxFonts = 16384;
  static constexpr std::size_t kMaxNameLength = 64;

  // The entry for font number, created when first declared. Null when the table is full.
  Font* Declare(std::int32_t number);
  Font* Find(std::int32_t number) {
    auto found = fonts_.find(number);
    return found == fonts_.end() ? nullptr : &found->second;
  }

 private:
  std::unordered_map<std::int32_t, Font> fonts_;
};

// The Windows code page a \fcharset stands for; 0 for charsets that follow the document's page
// (ANSI and DEFAULT) and for unknown ones.
int CodePageOfCharset(int charset);

}  // namespace richtext
