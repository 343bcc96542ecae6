// Which bytes end a run of plain bytes, one table per scanning mode, so runs are taken whole;
// and the value of each hex digit, so escapes are read without a branch per digit.
#pragma once

#include <array>
#include <cstdint>

namespace richtext {

enum ByteClass : std::uint8_t {
  kEndsTextRun = 1,  // \ { } and every control byte (CR, LF, TAB, NUL, DEL, ...)
  kEndsSkipRun = 2,  // \ { }: all that matters inside skipped data
  kLetter = 4,       // a-z A-Z: control word names
  kDigit = 8,        // 0-9: control word parameters
};

constexpr std::array<std::uint8_t, 256> MakeByteClasses() {
  std::array<std::uint8_t, 256> table{};
  for (int b = 0; b < 0x20; ++b) table[b] |= kEndsTextRun;
  table[0x7F] |= kEndsTextRun;
  for (int b : {'\\', '{', '}'}) table[b] |= kEndsTextRun | kEndsSkipRun;
  for (int b = 'a'; b <= 'z'; ++b) table[b] |= kLetter;
  for (int b = 'A'; b <= 'Z'; ++b) table[b] |= kLetter;
  for (int b = '0'; b <= '9'; ++b) table[b] |= kDigit;
  return table;
}

inline constexpr std::array<std::uint8_t, 256> kByteClasses = MakeByteClasses();

inline bool HasClass(std::uint8_t byte, ByteClass c) {
  return (kByteClasses[byte] & c) != 0;
}

// Each byte's value as a hex digit, or kNotHex: a table, because whether a digit of escaped text
// is a letter or a number cannot be predicted, and a branch on it is missed half the time.
inline constexpr std::uint16_t kNotHex = 0x100;

constexpr std::array<std::uint16_t, 256> MakeHexValues() {
  std::array<std::uint16_t, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = kNotHex;
  for (int b = '0'; b <= '9'; ++b) table[b] = static_cast<std::uint16_t>(b - '0');
  for (int b = 'a'; b <= 'f'; ++b) table[b] = static_cast<std::uint16_t>(b - 'a' + 10);
  for (int b = 'A'; b <= 'F'; ++b) table[b] = static_cast<std::uint16_t>(b - 'A' + 10);
  return table;
}

inline constexpr std::array<std::uint16_t, 256> kHexValues = MakeHexValues();

// The byte two hex digits stand for; above 0xFF when either is not a hex digit.
inline unsigned HexPair(std::uint8_t high, std::uint8_t low) {
  return static_cast<unsigned>(kHexValues[high] << 4) | kHexValues[low];
}

}  // namespace richtext
