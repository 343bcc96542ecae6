// Tables that turn the bytes of one code page into Unicode, built once per code page.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>

namespace richtext {

// Marks in a single-byte table that are not characters.
inline constexpr char32_t kLeadByte = 0xFFFFFFFE;  // starts a double-byte character
inline constexpr char32_t kReplacement = 0xFFFD;   // no character of the code page

inline constexpr int kUtf8CodePage = 65001;

class CodePage {
 public:
  enum class Kind : std::uint8_t { kSingleByte, kDoubleByte, kUtf8 };

  int number() const { return number_; }
  Kind kind() const { return kind_; }
  // True when every byte below 0x80 stands for itself, so ASCII runs can be copied whole.
  bool ascii_transparent() const { return ascii_transparent_; }
  // The character of one byte; kLeadByte for the first byte of a double-byte pair.
  char32_t single(std::uint8_t byte) const { return single_[byte]; }
  // The character of a lead byte and its trail byte; kReplacement when they are not one.
  char32_t pair(std::uint8_t lead, std::uint8_t trail) const;

  // A code page from the system's converter; null when the system has none for this number.
  static std::unique_ptr<CodePage> FromSystem(int number);
  // Pages that are always there: 1252 (the RTF default), UTF-8, and a Latin-1 identity.
  static std::unique_ptr<CodePage> Windows1252();
  static std::unique_ptr<CodePage> Utf8();
  // A page given by its own table for bytes 0x20-0xFF (symbol fonts); bytes below stand for
  // themselves.
  static std::unique_ptr<CodePage> FromTable(int number, const std::array<char32_t, 224>& upper);

  ~CodePage();

 private:
  struct Impl;
  CodePage(int number, Kind kind);

  int number_;
  Kind kind_;
  bool ascii_transparent_ = true;
  std::array<char32_t, 256> single_{};
  std::unique_ptr<Impl> impl_;  // the converter and the pair rows of a double-byte page
};

// Every code page a document uses, each built on its first use. Never hands out null: a
// number the system cannot decode falls back to the given page, so text is never dropped.
class CodePages {
 public:
  CodePages();
  ~CodePages();
  const CodePage* Get(int number, const CodePage* fallback);
  const CodePage* Get(int number) { return Get(number, windows1252_); }
  const CodePage* windows1252() const { return windows1252_; }

 private:
  std::map<int, std::unique_ptr<CodePage>> pages_;  // null entries remember failed numbers
  const CodePage* windows1252_ = nullptr;
};

}  // namespace richtext
