#include "richtext/symbol_fonts.h"

#include <gtest/gtest.h>

namespace {

using richtext::SymbolFont;

constexpr SymbolFont kFonts[] = {SymbolFont::kSymbol, SymbolFont::kWingdings,
                                 SymbolFont::kWingdings2, SymbolFont::kWingdings3,
                                 SymbolFont::kWebdings};

bool IsPrivateUse(char32_t c) {
  return (c >= 0xE000 && c <= 0xF8FF) || (c >= 0xF0000 && c <= 0x10FFFF);
}

// Every code is a character a reader can print: never U+FFFD or a control, and private use only
// as U+F000 + code, the stand-in for a picture Unicode lacks.
TEST(SymbolFonts, EveryCodeGivesACharacterOrItsPrivateUseStandIn) {
  for (SymbolFont font : kFonts) {
    const auto& table = richtext::SymbolFontTable(font);
    for (int code = 0x20; code <= 0xFF; ++code) {
      const char32_t c = table[code - 0x20];
      SCOPED_TRACE(testing::Message() << "font " << static_cast<int>(font) << " code 0x" << std::hex
                                      << code << " gives U+" << unsigned{c});
      EXPECT_NE(c, U'\uFFFD');
      EXPECT_GE(c, 0x20u);
      EXPECT_FALSE(c >= 0x7F && c < 0xA0);
      EXPECT_FALSE(c >= 0xD800 && c <= 0xDFFF);
      EXPECT_LE(c, 0x10FFFFu);
      if (IsPrivateUse(c)) {
        EXPECT_EQ(c, static_cast<char32_t>(0xF000 + code));
      }
    }
  }
}

TEST(SymbolFonts, SpotChecks) {
  struct Case {
    SymbolFont font;
    int code;
    char32_t want;
  };
  const Case cases[] = {
      {SymbolFont::kSymbol, 0x61, U'α'},
      {SymbolFont::kSymbol, 0xB7, U'•'},
      {SymbolFont::kSymbol, 0xF0, 0xF0F0},
      {SymbolFont::kWingdings, 0x30, U'\U0001F5C0'},
      {SymbolFont::kWingdings, 0xB7, U'\U0001F550'},
      {SymbolFont::kWingdings, 0xE1, U'\U0001F869'},
      {SymbolFont::kWingdings, 0xE2, U'\U0001F86B'},
      {SymbolFont::kWingdings, 0xFC, U'✓'},
      {SymbolFont::kWingdings, 0xFF, 0xF0FF},
      {SymbolFont::kWingdings2, 0x52, U'☑'},
      {SymbolFont::kWingdings3, 0x70, U'▲'},
      {SymbolFont::kWebdings, 0x61, U'✔'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(richtext::SymbolFontTable(c.font)[c.code - 0x20], c.want)
        << "font " << static_cast<int>(c.font) << " code 0x" << std::hex << c.code;
  }
}

TEST(SymbolFonts, NamesAndCodePagesFindTheirFont) {
  struct Case {
    const char* name;
    SymbolFont font;
  };
  const Case cases[] = {
      {"Symbol", SymbolFont::kSymbol},          {"SymbolMT", SymbolFont::kSymbol},
      {" symbolps ", SymbolFont::kSymbol},      {"WINGDINGS", SymbolFont::kWingdings},
      {"Wingdings 2", SymbolFont::kWingdings2}, {"Wingdings2", SymbolFont::kWingdings2},
      {"Wingdings 3", SymbolFont::kWingdings3}, {"Webdings", SymbolFont::kWebdings},
      {"Wingdings 4", SymbolFont::kNone},       {"Arial", SymbolFont::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(richtext::SymbolFontOfName(c.name), c.font) << c.name;
  for (SymbolFont font : kFonts) {
    const int page = richtext::CodePageOfSymbolFont(font);
    EXPECT_GT(page, 0xFFFF) << "outside the Windows range";
    EXPECT_EQ(richtext::SymbolFontOfCodePage(page), font);
  }
  EXPECT_EQ(richtext::SymbolFontOfCodePage(1252), SymbolFont::kNone);
  EXPECT_EQ(richtext::SymbolFontOfCodePage(0x10007), SymbolFont::kNone);
}

}  // namespace
