// Fonts whose bytes are pictures, not letters: Symbol (Greek and mathematics) and Wingdings
// (bullets, arrows, check marks). Their bytes, and \u in U+F020-U+F0FF under them, map to the
// nearest Unicode characters.
#pragma once

#include <array>
#include <string_view>

namespace richtext {

enum class SymbolFont : unsigned char { kNone, kSymbol, kWingdings };

// Code page numbers outside the Windows range, so they never meet a real code page.
inline constexpr int kSymbolCodePage = 0x10002;
inline constexpr int kWingdingsCodePage = 0x10003;

// Which symbol font a font table name stands for (case and surrounding space ignored).
SymbolFont SymbolFontOfName(std::string_view name);

// The characters of bytes 0x20-0xFF.
const std::array<char32_t, 224>& SymbolFontTable(SymbolFont font);

}  // namespace richtext
