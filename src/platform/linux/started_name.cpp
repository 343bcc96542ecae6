#include "platform/linux/started_name.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {
namespace {

// What glibc's execvp searches when PATH is unset (confstr's _CS_PATH): where a program started
// by its bare name with no PATH was found.
constexpr std::string_view kDefaultSearchPath = "/bin:/usr/bin";

std::optional<std::string> ResolveProgramFile(std::string_view path, std::string_view cwd) {
  std::string candidate;
  if (path.front() != '/') {
    candidate = cwd;
    candidate += '/';
  }
  candidate += path;
  // The same test execvp's search passes: a directory or a file without execute permission of
  // that name earlier on PATH is not what was started.
  struct stat info;
  if (stat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
      access(candidate.c_str(), X_OK) != 0) {
    return std::nullopt;
  }
  char* real = realpath(candidate.c_str(), nullptr);
  if (real == nullptr) return std::nullopt;
  std::string resolved(real);
  std::free(real);
  return resolved;
}

}  // namespace

std::optional<std::string> ResolveStartedName(std::string_view started_name,
                                              std::optional<std::string_view> search_path,
                                              std::string_view cwd) {
  if (started_name.empty() || started_name.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  if (started_name.find('/') != std::string_view::npos) {
    return ResolveProgramFile(started_name, cwd);
  }
  std::string_view folders = search_path.value_or(kDefaultSearchPath);
  for (;;) {
    const std::size_t colon = folders.find(':');
    const std::string_view folder = folders.substr(0, colon);
    std::string candidate(folder.empty() ? std::string_view(".") : folder);
    candidate += '/';
    candidate += started_name;
    if (std::optional<std::string> found = ResolveProgramFile(candidate, cwd)) return found;
    if (colon == std::string_view::npos) return std::nullopt;
    folders.remove_prefix(colon + 1);
  }
}

}  // namespace platform
