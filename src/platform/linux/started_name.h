// The program's file found from the name it was started by, for systems where /proc/self/exe
// cannot be read (an empty root, a container without /proc).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The absolute, symlink-free path of the program started as `started_name` (its argv[0]): the
// name itself when it holds a '/', else the first executable regular file of that name in the
// folders of `search_path` (PATH), searched as execvp searches them. An empty PATH entry is the
// current directory; an unset PATH (nullopt) is execvp's own default, "/bin:/usr/bin". Relative
// names are taken from `cwd`. Empty when the name leads to no executable regular file.
std::optional<std::string> ResolveStartedName(std::string_view started_name,
                                              std::optional<std::string_view> search_path,
                                              std::string_view cwd);

}  // namespace platform
