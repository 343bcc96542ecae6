#include <errno.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>

#include "unit/code_page_converter.h"

namespace platform {
namespace {

// iconv's names for the Windows code page numbers that documents declare. Anything not listed
// is tried as "CPnnnn", which glibc knows for most IBM and Windows pages.
const char* IconvName(int code_page) {
  switch (code_page) {
    case 874:
      return "CP874";
    case 932:
      return "CP932";
    case 936:
      return "CP936";
    case 949:
      return "CP949";
    case 950:
      return "CP950";
    case 1361:
      return "JOHAB";
    case 20127:
      return "ASCII";
    case 20866:
      return "KOI8-R";
    case 20932:
      return "EUC-JP";
    case 21866:
      return "KOI8-U";
    case 28591:
      return "ISO-8859-1";
    case 28592:
      return "ISO-8859-2";
    case 28593:
      return "ISO-8859-3";
    case 28594:
      return "ISO-8859-4";
    case 28595:
      return "ISO-8859-5";
    case 28596:
      return "ISO-8859-6";
    case 28597:
      return "ISO-8859-7";
    case 28598:
      return "ISO-8859-8";
    case 28599:
      return "ISO-8859-9";
    case 28603:
      return "ISO-8859-13";
    case 28605:
      return "ISO-8859-15";
    case 51932:
      return "EUC-JP";
    case 51936:
      return "EUC-CN";
    case 51949:
      return "EUC-KR";
    case 54936:
      return "GB18030";
    default:
      return nullptr;
  }
}

class IconvConverter final : public CodePageConverter {
 public:
  explicit IconvConverter(iconv_t handle) : handle_(handle) {}
  ~IconvConverter() override { iconv_close(handle_); }

  DecodeStatus Decode(const std::uint8_t* bytes, std::size_t size, char32_t& out) override {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // forget any state of the last call
    char input[8];
    if (size > sizeof input) return DecodeStatus::kInvalid;
    std::memcpy(input, bytes, size);
    char* in = input;
    std::size_t in_left = size;
    std::uint32_t units[4] = {};
    char* outp = reinterpret_cast<char*>(units);
    std::size_t out_left = sizeof units;
    std::size_t result = iconv(handle_, &in, &in_left, &outp, &out_left);
    if (result == static_cast<std::size_t>(-1)) {
      if (errno == EINVAL) return DecodeStatus::kIncomplete;
      if (errno != E2BIG) return DecodeStatus::kInvalid;
    }
    if (in_left != 0) return DecodeStatus::kIncomplete;
    if (out_left == sizeof units) {
      // Converters for pages with combining marks (1255, 1258) hold a letter back until they
      // see what follows; the end of the input releases it.
      iconv(handle_, nullptr, nullptr, &outp, &out_left);
      if (out_left == sizeof units) return DecodeStatus::kInvalid;
    }
    out = static_cast<char32_t>(units[0]);
    return DecodeStatus::kOk;
  }

 private:
  iconv_t handle_;
};

}  // namespace

std::unique_ptr<CodePageConverter> CodePageConverter::Open(int code_page) {
  if (code_page <= 0 || code_page > 65535) return nullptr;
  char fallback[16];
  const char* name = IconvName(code_page);
  if (name == nullptr) {
    std::snprintf(fallback, sizeof fallback, "CP%d", code_page);
    name = fallback;
  }
  // UTF-32 in the machine's byte order, so one character is one 32-bit unit.
  iconv_t handle = iconv_open(
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      "UTF-32BE",
#else
      "UTF-32LE",
#endif
      name);
  if (handle == reinterpret_cast<iconv_t>(-1)) return nullptr;
  return std::make_unique<IconvConverter>(handle);
}

}  // namespace platform
