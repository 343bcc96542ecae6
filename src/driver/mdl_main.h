// The conversion run.
#pragma once

#include "platform/native_string.h"

namespace mdlMain {

// The folder that holds the executable, without a trailing separator.
extern platform::NativeString strAppPath;

// Exit statuses of the run.
inline constexpr int kConverted = 0;
inline constexpr int kFailed = 1;          // the failure path was taken
inline constexpr int kNotOneArgument = 2;  // nothing to do

// Runs the whole conversion: given exactly one argument, reads that document from the tool's
// folder and writes its text to the argument plus ".txt" in the current directory. Prints
// nothing on any path; the result is the exit status.
int Main();

}  // namespace mdlMain
