// Test text as the platform's own strings: UTF-8 bytes as they stand on POSIX, UTF-16 on Windows,
// so one table of cases serves both builds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/native_string.h"

namespace testing_support {

// The tests' own text is always valid UTF-8.
inline platform::NativeString Native(std::string_view utf8) {
#ifdef _WIN32
  platform::NativeString out;
  for (std::size_t k = 0; k < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[k++]);
    const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int e = 0; e < extra && k < utf8.size(); ++e) {
      c = (c << 6) | (static_cast<unsigned char>(utf8[k++]) & 0x3F);
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (c >> 10));
      out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
#else
  return platform::NativeString(utf8);
#endif
}

inline std::vector<platform::NativeString> Native(const std::vector<std::string>& texts) {
  std::vector<platform::NativeString> out;
  for (const std::string& text : texts) out.push_back(Native(text));
  return out;
}

// A path written with '/' in the platform's own separator.
inline platform::NativeString NativePath(std::string_view utf8) {
  platform::NativeString path = Native(utf8);
  for (platform::NativeChar& c : path) {
    if (c == '/') c = platform::kPathSeparator;
  }
  return path;
}

}  // namespace testing_support
