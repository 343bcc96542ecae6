// Fonts whose bytes are pictures, not letters: Symbol (Greek and mathematics), Wingdings 1-3 and
// Webdings (bullets, arrows, check marks, pictographs). Their bytes, and \u in U+F020-U+F0FF
// under them, map to the Unicode characters drawn alike; a code with none gives U+F000 + code.
#pragma once

#include <array>
#include <string_view>

namespace richtext {

enum class SymbolFont : unsigned char {
  kNone,
  kSymbol,
  kWingdings,
  kWingdings2,
  kWingdings3,
  kWebdings
};

// Each symbol font reads as a code page of its own, numbered outside the Windows range so it
// never meets a real code page: Symbol 0x10002, Wingdings 0x10003, Wingdings 2 0x10004,
// Wingdings 3 0x10005, Webdings 0x10006. kNone has none (0).
constexpr int CodePageOfSymbolFont(SymbolFont font) {
  return font == SymbolFont::kNone ? 0 : 0x10001 + static_cast<int>(font);
}
constexpr SymbolFont SymbolFontOfCodePage(int number) {
  return number >= CodePageOfSymbolFont(SymbolFont::kSymbol) &&
                 number <= CodePageOfSymbolFont(SymbolFont::kWebdings)
             ? static_cast<SymbolFont>(number - 0x10001)
             : SymbolFont::kNone;
}

// Which symbol font a font table name stands for (case and spaces ignored, so "Wingdings 2" and
// "Wingdings2" agree).
SymbolFont SymbolFontOfName(std::string_view name);

// The characters of bytes 0x20-0xFF (in symbol_font_tables.cpp, generated). kNone gives Symbol's.
const std::array<char32_t, 224>& SymbolFontTable(SymbolFont font);

}  // namespace richtext
