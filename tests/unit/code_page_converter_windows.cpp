#include "platform/windows/windows_api.h"

#include "unit/code_page_converter.h"

namespace platform {
namespace {

class Win32Converter final : public CodePageConverter {
 public:
  Win32Converter(UINT code_page, UINT max_char_size)
      : code_page_(code_page), max_char_size_(max_char_size) {}

  DecodeStatus Decode(const std::uint8_t* bytes, std::size_t size, char32_t& out) override {
    if (size == 0 || size > 8) return DecodeStatus::kInvalid;
    if (size == 1 && max_char_size_ == 2 && IsDBCSLeadByteEx(code_page_, bytes[0])) {
      return DecodeStatus::kIncomplete;
    }
    wchar_t units[8];
    const int count = Convert(bytes, static_cast<int>(size), units, 8);
    if (count <= 0) {
      // Pages of up to four bytes a character (GB18030) name no lead bytes: a shorter start
      // that does not convert may still begin a character.
      return max_char_size_ > 2 && size < max_char_size_ ? DecodeStatus::kIncomplete
                                                         : DecodeStatus::kInvalid;
    }
    const char32_t first = units[0];
    if (first >= 0xD800 && first <= 0xDBFF) {
      if (count < 2 || units[1] < 0xDC00 || units[1] > 0xDFFF) return DecodeStatus::kInvalid;
      out = 0x10000 + ((first - 0xD800) << 10) + (static_cast<char32_t>(units[1]) - 0xDC00);
      return DecodeStatus::kOk;
    }
    if (first >= 0xDC00 && first <= 0xDFFF) return DecodeStatus::kInvalid;
    out = first;
    return DecodeStatus::kOk;
  }

 private:
  int Convert(const std::uint8_t* bytes, int size, wchar_t* units, int capacity) {
    const char* input = reinterpret_cast<const char*>(bytes);
    if (strict_) {
      const int count =
          MultiByteToWideChar(code_page_, MB_ERR_INVALID_CHARS, input, size, units, capacity);
      if (count > 0 || GetLastError() != ERROR_INVALID_FLAGS) return count;
      strict_ = false;  // a few pages (ISO-2022, ISCII, UTF-7, Symbol) take no flags at all
    }
    return MultiByteToWideChar(code_page_, 0, input, size, units, capacity);
  }

  UINT code_page_;
  UINT max_char_size_;
  bool strict_ = true;
};

}  // namespace

std::unique_ptr<CodePageConverter> CodePageConverter::Open(int code_page) {
  if (code_page <= 0 || code_page > 65535) return nullptr;
  const UINT page = static_cast<UINT>(code_page);
  CPINFO info;
  if (!IsValidCodePage(page) || !GetCPInfo(page, &info)) return nullptr;
  return std::make_unique<Win32Converter>(page, info.MaxCharSize);
}

}  // namespace platform
