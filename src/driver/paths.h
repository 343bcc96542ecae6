// The rules for the tool's folder, the input path and the output path.
#pragma once

#include "platform/native_string.h"

namespace mdlMain {

// The executable's folder less one trailing separator, if it has one: a tool in the root of
// the file system ("/", or "C:\" on Windows) gets "" (or "C:").
platform::NativeString ToolFolder(platform::NativeString folder);

// The tool's folder, a separator, then the argument, joined as they are: the argument is always
// read relative to the tool's folder.
platform::NativeString InputPath(const platform::NativeString& tool_folder,
                                 const platform::NativeString& argument);

// The argument with ".txt" added to the whole of it; relative to the current directory.
platform::NativeString OutputPath(const platform::NativeString& argument);

// An argument that is itself absolute names no file inside the tool's folder. On Windows the
// joined path is malformed by itself (T\D:\x); POSIX would quietly read T//x, so the run
// refuses such an argument there instead.
bool IsAbsoluteArgument(const platform::NativeString& argument);

}  // namespace mdlMain
