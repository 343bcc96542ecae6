#include "platform/long_path.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace platform {
namespace {

bool IsSlash(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool IsLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool HasDrive(const std::wstring& path) {
  return path.size() >= 2 && IsLetter(path[0]) && path[1] == L':';
}

bool IsUnc(const std::wstring& path) {
  return path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1]);
}

wchar_t Upper(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// The root ("C:" or "\\server\share") and the parts after it, of an absolute path.
struct Split {
  std::wstring root;
  std::vector<std::wstring> parts;
};

std::vector<std::wstring> PartsOf(const std::wstring& text) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (std::size_t k = 0; k <= text.size(); ++k) {
    if (k == text.size() || IsSlash(text[k])) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += text[k];
    }
  }
  return parts;
}

Split SplitAbsolute(const std::wstring& path) {
  Split split;
  if (HasDrive(path)) {
    split.root = std::wstring(1, Upper(path[0])) + L":";
    split.parts = PartsOf(path.substr(2));
  } else {
    // \\server\share: the share is part of the root, which '..' never leaves.
    std::vector<std::wstring> parts = PartsOf(path);
    split.root = L"\\";
    for (std::size_t k = 0; k < 2 && k < parts.size(); ++k) split.root += L"\\" + parts[k];
    split.parts.assign(parts.begin() + std::min<std::ptrdiff_t>(2, std::ssize(parts)), parts.end());
  }
  return split;
}

}  // namespace

std::wstring ExtendedLengthPath(const std::wstring& path, const std::wstring& current,
                                std::size_t longest) {
  if (path.size() >= 4 && IsSlash(path[0]) && IsSlash(path[1]) &&
      (path[2] == L'?' || path[2] == L'.') && IsSlash(path[3])) {
    return path;  // already extended, or a device
  }
  std::wstring absolute;
  if (IsUnc(path) || (HasDrive(path) && path.size() > 2 && IsSlash(path[2]))) {
    absolute = path;
  } else if (HasDrive(path)) {
    // C:x is relative to drive C's own current folder, which only the system knows, unless
    // it is the current drive.
    if (!HasDrive(current) || Upper(current[0]) != Upper(path[0])) return path;
    absolute = current + L"\\" + path.substr(2);
  } else if (!path.empty() && IsSlash(path[0])) {
    absolute = SplitAbsolute(current).root + path;  // from the root of the current drive
  } else {
    absolute = current + L"\\" + path;
  }
  Split split = SplitAbsolute(absolute);
  std::vector<std::wstring> parts;
  for (std::wstring& part : split.parts) {
    if (part == L".") continue;
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
    if (!part.empty()) parts.push_back(part);
  }
  std::wstring joined = split.root;
  for (const std::wstring& part : parts) joined += L"\\" + part;
  if (parts.empty()) joined += L"\\";
  if (joined.size() <= longest) return path;
  if (HasDrive(joined)) return L"\\\\?\\" + joined;
  return L"\\\\?\\UNC" + joined.substr(1);  // \\server\share\x -> \\?\UNC\server\share\x
}

}  // namespace platform
