#include <signal.h>
#include <unistd.h>

#include <vector>

#include "platform/process.h"

namespace platform {
namespace {

std::vector<NativeString> g_arguments;

bool NeedsQuotes(const NativeString& argument) {
  return argument.empty() || argument.find_first_of(" \t") != NativeString::npos;
}

}  // namespace

void CaptureProcessArguments(int argc, char** argv) {
  g_arguments.clear();
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
  // /proc/self/exe names the running image whatever argv[0] or PATH say.
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::nullopt;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      NativeString path(buffer.data(), static_cast<std::size_t>(length));
      std::size_t slash = path.rfind('/');
      if (slash == NativeString::npos) return std::nullopt;
      // Keep the separator: the run removes one trailing separator itself, so "/" becomes "".
      return path.substr(0, slash == 0 ? 1 : slash);
    }
    if (buffer.size() >= (1u << 20)) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
}

void IgnoreWriteSignals() {
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
}

void HideSystemErrorDialogs() {}

}  // namespace platform
