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

// An argument that starts at a root ("/x", or "\x" and "/x" on Windows) names no file inside
// the tool's folder, but joined it would quietly read T//x (T\\x), so the run refuses it. An
// argument with a drive (D:\x) needs no test: the joined path T\D:\x is malformed by itself,
// and the Windows file layer refuses it.
bool IsAbsoluteArgument(const platform::NativeString& argument);

}  // namespace mdlMain
