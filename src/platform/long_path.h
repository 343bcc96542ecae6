// Windows' classic file calls stop at MAX_PATH (259 characters and the final NUL; 247 for a
// folder, which must leave room for an 8.3 name) unless the system-wide long-path setting is
// on. A path in extended-length form (\\?\C:\..., \\?\UNC\server\share\...) passes any length
// everywhere, but the system takes it exactly as it stands: it must be absolute, with '\' alone
// and no '.' or '..' parts. Pure string work, so that it is tested on every system.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

inline constexpr std::size_t kLongestClassicFilePath = 259;
inline constexpr std::size_t kLongestClassicFolderPath = 247;

// The path as the system should be given it: unchanged while its absolute form fits `longest`
// (or when it is already extended, a device path, or relative to another drive's current
// folder, which only the system knows); otherwise its absolute form, '/' turned into '\', '.'
// and '..' parts resolved and trailing dots and spaces of each part dropped as the classic
// calls drop them, with the extended-length prefix. `current` is the current folder, absolute.
std::wstring ExtendedLengthPath(const std::wstring& path, const std::wstring& current,
                                std::size_t longest = kLongestClassicFilePath);

}  // namespace platform
