// The platform's own string of file names and argument text: bytes on POSIX, UTF-16 on Windows.
#pragma once

#include <string>

namespace platform {

#ifdef _WIN32
using NativeChar = wchar_t;
inline constexpr NativeChar kPathSeparator = L'\\';
#define RTFPLAIN_NATIVE(text) L##text
#else
using NativeChar = char;
inline constexpr NativeChar kPathSeparator = '/';
#define RTFPLAIN_NATIVE(text) text
#endif

using NativeString = std::basic_string<NativeChar>;

}  // namespace platform
