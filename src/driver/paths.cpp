#include "driver/paths.h"

namespace mdlMain {

platform::NativeString ToolFolder(platform::NativeString folder) {
  if (!folder.empty() && folder.back() == platform::kPathSeparator) folder.pop_back();
  return folder;
}

platform::NativeString InputPath(const platform::NativeString& tool_folder,
                                 const platform::NativeString& argument) {
  platform::NativeString path = tool_folder;
  path += platform::kPathSeparator;
  path += argument;
  return path;
}

platform::NativeString OutputPath(const platform::NativeString& argument) {
  return argument + RTFPLAIN_NATIVE(".txt");
}

bool IsAbsoluteArgument(const platform::NativeString& argument) {
  if (argument.empty()) return false;
#ifdef _WIN32
  // Windows reads '/' as a separator too: "/x" and "\\server\x" start at a root as "\x" does.
  if (argument.front() == L'/') return true;
#endif
  return argument.front() == platform::kPathSeparator;
}

}  // namespace mdlMain
