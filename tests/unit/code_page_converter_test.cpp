// The system's code-page converter (iconv on POSIX, the Win32 code-page API on Windows) must give
// the same characters on both, one character at a time.
#include "platform/code_page_converter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::CodePageConverter;
using platform::DecodeStatus;

struct DecodeCase {
  int code_page;
  std::vector<std::uint8_t> bytes;
  DecodeStatus status;
  char32_t character;  // when kOk
};

TEST(CodePageConverter, DecodesOneCharacterAlike) {
  const DecodeCase cases[] = {
      {1251, {0xC0}, DecodeStatus::kOk, 0x0410},
      {1253, {0xE1}, DecodeStatus::kOk, 0x03B1},
      // Pages with combining marks, which a converter may hold back waiting for one.
      {1255, {0xE0}, DecodeStatus::kOk, 0x05D0},
      {1258, {0xC3}, DecodeStatus::kOk, 0x0102},
      {874, {0xA1}, DecodeStatus::kOk, 0x0E01},
      {10000, {0x80}, DecodeStatus::kOk, 0x00C4},
      {932, {0x82}, DecodeStatus::kIncomplete, 0},
      {932, {0x82, 0xA0}, DecodeStatus::kOk, 0x3042},
      {932, {0xB1}, DecodeStatus::kOk, 0xFF71},
      {936, {0xB0, 0xA1}, DecodeStatus::kOk, 0x554A},
      {949, {0xB0, 0xA1}, DecodeStatus::kOk, 0xAC00},
      {950, {0xA4, 0x40}, DecodeStatus::kOk, 0x4E00},
  };
  for (const DecodeCase& c : cases) {
    auto converter = CodePageConverter::Open(c.code_page);
    ASSERT_NE(converter, nullptr) << c.code_page;
    char32_t character = 0;
    EXPECT_EQ(converter->Decode(c.bytes.data(), c.bytes.size(), character), c.status)
        << c.code_page << " byte " << int{c.bytes[0]};
    if (c.status == DecodeStatus::kOk) {
      EXPECT_EQ(character, c.character) << c.code_page;
    }
  }
}

TEST(CodePageConverter, NumbersThatAreNoCodePageOpenNothing) {
  EXPECT_EQ(CodePageConverter::Open(0), nullptr);
  EXPECT_EQ(CodePageConverter::Open(-1252), nullptr);
  EXPECT_EQ(CodePageConverter::Open(70000), nullptr);
}

}  // namespace
