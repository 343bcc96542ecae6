// Decodes one character of an 8-bit or double-byte code page through the system's converter
// (iconv on POSIX, the Win32 code-page API on Windows). The program decodes with its own built-in
// tables; the tests hold those tables against these converters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

enum class DecodeStatus {
  kOk,          // the bytes are exactly one character
  kIncomplete,  // the bytes begin a longer character (a lead byte)
  kInvalid,     // the bytes are not a character of this code page
};

class CodePageConverter {
 public:
  // Null when the system has no converter for this Windows code page number.
  static std::unique_ptr<CodePageConverter> Open(int code_page);

  virtual ~CodePageConverter() = default;
  virtual DecodeStatus Decode(const std::uint8_t* bytes, std::size_t size, char32_t& out) = 0;
};

}  // namespace platform
