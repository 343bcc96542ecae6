#include "platform/windows/windows_api.h"

#include <vector>

#include "platform/process.h"

namespace platform {
namespace {

bool IsSeparator(wchar_t c) {
  return c == L' ' || c == L'\t';
}

}  // namespace

void CaptureProcessArguments(int, char**) {
  // Nothing to keep: the real command line is read from the system when it is needed.
}

bool RawTextIsRebuilt() {
  return false;
}

NativeString RawArgumentText() {
  const wchar_t* line = GetCommandLineW();
  if (line == nullptr) return NativeString();
  // The program's name ends at the first space or tab outside quote characters: Windows lets
  // it stand quoted ("C:\Program Files\rtfplain.exe") or not, as the C runtime reads it.
  const wchar_t* p = line;
  bool quoted = false;
  for (; *p != L'\0'; ++p) {
    if (*p == L'"') {
      quoted = !quoted;
    } else if (!quoted && IsSeparator(*p)) {
      break;
    }
  }
  while (IsSeparator(*p)) ++p;
  return NativeString(p);
}

std::vector<NativeString> GivenArguments() {
  return {};
}

std::optional<NativeString> ExecutableFolder() {
  // The module's own path, whatever the command line says; long paths need a bigger buffer.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD capacity = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), capacity);
    if (length == 0) return std::nullopt;
    if (length < capacity) {
      NativeString path(buffer.data(), length);
      const std::size_t separator = path.rfind(L'\\');
      if (separator == NativeString::npos) return std::nullopt;
      // A drive's root keeps its separator ("C:\"), as Windows states it; the run removes one
      // trailing separator itself, so the tool's folder becomes the bare drive ("C:").
      const bool drive_root = separator > 0 && path[separator - 1] == L':';
      return path.substr(0, drive_root ? separator + 1 : separator);
    }
    if (buffer.size() >= 65536) return std::nullopt;  // past the longest path Windows allows
    buffer.resize(buffer.size() * 2);
  }
}

void IgnoreWriteSignals() {
  // Windows raises no signal for a failed write; it reports the error to the call instead.
}

void HideSystemErrorDialogs() {
  // A missing disk or a crash must not show a window and wait for a user: the run is silent.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

}  // namespace platform
