// Tables that turn the bytes of one code page into Unicode. The characters of every code page
// rtfplain knows are built into the program (code_page_tables.cpp), the same on every system;
// a CodePage object holds one page's single-byte characters, and their UTF-8, for the hot path.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>

#include "richtext/code_page_tables.h"
#include "richtext/symbol_fonts.h"
#include "richtext/text_builder.h"

namespace richtext {

// Marks in a single-byte table that are not characters.
inline constexpr char32_t kLeadByte = 0xFFFFFFFE;  // starts a double-byte character
inline constexpr char32_t kReplacement = 0xFFFD;   // no character of the code page

// A byte or pair that stands for several characters (a few of Apple's codes do) is given as a
// surrogate, which no page has as a character; CodePage::Sequence gives the characters.
inline constexpr bool IsSequence(char32_t c) {
  return c >= code_page_tables::kSequenceFirst && c <= code_page_tables::kSequenceLast;
}
inline constexpr std::size_t kLongestSequence = code_page_tables::kLongestSequence;

inline constexpr int kUtf8CodePage = 65001;

class CodePage {
 public:
  enum class Kind : std::uint8_t { kSingleByte, kDoubleByte, kUtf8 };

  int number() const { return number_; }
  // A symbol font's page: its \u in U+F020-U+F0FF stand for its bytes.
  bool symbol() const { return SymbolFontOfCodePage(number_) != SymbolFont::kNone; }
  // The character a \uN shows in this page's font: writers give a symbol font's pictures as the
  // private-use codes U+F020-U+F0FF, which stand for its bytes.
  char32_t ShownUnicode(char32_t c) const {
    return c >= 0xF020 && c <= 0xF0FF && symbol() ? single(static_cast<std::uint8_t>(c - 0xF000))
                                                  : c;
  }
  Kind kind() const { return kind_; }
  // True when every byte below 0x80 stands for itself, so ASCII runs can be copied whole.
  bool ascii_transparent() const { return ascii_transparent_; }
  // The character of one byte; kLeadByte for the first byte of a double-byte pair,
  // kReplacement for a byte the page leaves undefined, or a sequence (IsSequence).
  char32_t single(std::uint8_t byte) const { return single_[byte]; }
  // Each byte's character (or characters) as the text builder writes it (single-byte pages).
  const ShownChar* shown() const { return shown_.data(); }
  // The character of a lead byte and its trail byte, or a sequence; kReplacement when they are
  // not one.
  char32_t pair(std::uint8_t lead, std::uint8_t trail) const;
  // Some bytes or pairs stand for several characters.
  bool has_sequences() const { return table_ != nullptr && table_->sequences; }
  // The characters of a sequence that single() or pair() gave.
  static std::u16string_view Sequence(char32_t c) {
    const std::uint16_t* starts =
        code_page_tables::kSequenceStarts + (c - code_page_tables::kSequenceFirst);
    return {code_page_tables::kSequences + starts[0],
            static_cast<std::size_t>(starts[1] - starts[0])};
  }

  // The built-in page of this number; null when rtfplain has no table for it.
  static std::unique_ptr<CodePage> BuiltIn(int number);
  static std::unique_ptr<CodePage> Utf8();
  // A page given by its own table for bytes 0x20-0xFF (symbol fonts); bytes below stand for
  // themselves.
  static std::unique_ptr<CodePage> FromTable(int number, const std::array<char32_t, 224>& upper);

 private:
  CodePage(int number, Kind kind);
  // Works out what depends on the single-byte characters once they are in place.
  void Finish();

  int number_;
  Kind kind_;
  bool ascii_transparent_ = true;
  std::array<char32_t, 256> single_{};
  std::array<ShownChar, 256> shown_{};
  const code_page_tables::Table* table_ = nullptr;  // the pairs of a double-byte page
};

// Every code page a document uses, each made on its first use. Never hands out null: a number
// with no built-in table falls back to the given page (a font's to the document's page), or to
// 1252 (the document's own), so text is never dropped.
class CodePages {
 public:
  CodePages();
  ~CodePages();
  const CodePage* Get(int number, const CodePage* fallback);
  const CodePage* Get(int number) { return Get(number, nullptr); }

 private:
  std::map<int, std::unique_ptr<CodePage>> pages_;  // null entries remember unknown numbers
  const CodePage* windows1252_ = nullptr;
};

}  // namespace richtext
