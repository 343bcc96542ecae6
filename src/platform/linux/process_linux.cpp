#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/linux/started_name.h"
#include "platform/process.h"

namespace platform {
namespace {

std::vector<NativeString> g_arguments;
NativeString g_started_name;  // argv[0]; empty when the process was given none

bool NeedsQuotes(const NativeString& argument) {
  return argument.empty() || argument.find_first_of(" \t") != NativeString::npos;
}

// The running image as the kernel names it, whatever argv[0] or PATH say: resolved, absolute.
std::optional<NativeString> ProcSelfExe() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::nullopt;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return NativeString(buffer.data(), static_cast<std::size_t>(length));
    }
    if (buffer.size() >= (1u << 20)) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

void CaptureProcessArguments(int argc, char** argv) {
  g_arguments.clear();
  g_started_name = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  for (int k = 1; k < argc; ++k) g_arguments.emplace_back(argv[k]);
}

NativeString RawArgumentText() {
  NativeString text;
  for (std::size_t k = 0; k < g_arguments.size(); ++k) {
    const NativeString& argument = g_arguments[k];
    if (k > 0) text += ' ';
    if (NeedsQuotes(argument)) {
      text += '"';
      text += argument;
      text += '"';
    } else {
      text += argument;
    }
  }
  return text;
}

bool RawTextIsRebuilt() {
  return true;
}

std::vector<NativeString> GivenArguments() {
  return g_arguments;
}

std::optional<NativeString> ExecutableFolder() {
  std::optional<NativeString> path = ProcSelfExe();
  if (!path) {
    const char* search_path = std::getenv("PATH");
    path = ResolveStartedName(
        g_started_name, search_path ? std::optional<std::string_view>(search_path) : std::nullopt,
        ".");
  }
  if (!path) return std::nullopt;
  const std::size_t slash = path->rfind('/');
  if (slash == NativeString::npos) return std::nullopt;
  // Keep the separator: the run removes one trailing separator itself, so "/" becomes "".
  return path->substr(0, slash == 0 ? 1 : slash);
}

void IgnoreWriteSignals() {
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
}

void HideSystemErrorDialogs() {}

}  // namespace platform
