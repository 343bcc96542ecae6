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
  return !argument.empty() && argument.front() == platform::kPathSeparator;
}

}  // namespace mdlMain
