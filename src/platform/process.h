// What the process knows about how it was started.
#pragma once

#include <optional>
#include <vector>

#include "platform/native_string.h"

namespace platform {

// Kept from main(); the other calls read it. On Windows the real command line is used instead.
void CaptureProcessArguments(int argc, char** argv);

// The command line less the program's own name, as one string. POSIX hands the arguments over
// already split, so they are joined again with single spaces, and an argument that holds a space
// or a tab, or is empty, is wrapped in quote characters. Windows gives the real command line.
NativeString RawArgumentText();

// True where the raw text was rebuilt from arguments the system had already split (POSIX): the
// run then checks that it splits back into exactly those arguments. False on Windows.
bool RawTextIsRebuilt();

// The arguments exactly as the process was given them (argv[1..] on POSIX; empty on Windows,
// where the raw text is the command line itself).
std::vector<NativeString> GivenArguments();

// The folder that holds the running executable. On Linux from /proc/self/exe (the image itself,
// links resolved) first; where that cannot be read (no /proc), from the name the program was
// started by: argv[0] when it holds a '/', else its first match on PATH, resolved through its
// links the same way. On Windows the module's own path. Empty when it cannot be found.
std::optional<NativeString> ExecutableFolder();

// Signals that would end the run without passing through its failure path: a write past the
// file-size limit (SIGXFSZ) or to a closed pipe (SIGPIPE) must fail the write instead.
void IgnoreWriteSignals();

// System error windows (Windows' "no disk in drive", its crash report) would show a window and
// wait for a user; the run shows nothing. Nothing to do on POSIX.
void HideSystemErrorDialogs();

}  // namespace platform
