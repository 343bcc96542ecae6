// The command-line splitter: the raw argument text, one string, into the argument list.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/native_string.h"

namespace mdlMain {

// The argument list, indexed from 1: entry k (1 <= k <= intArgCount) is the k-th token. The
// vector has no storage until the first token; then its upper bound is the capacity, which
// grows 5 at a time, and entries past the count are empty. Element 0 is never used.
extern std::vector<platform::NativeString> astrArgs;
extern std::int16_t intArgCount;

// Appends the tokens of cmd to the argument list and returns the new count. Separators are
// space and tab; a token that starts with a quote runs to the next quote, holds no quote, and
// the character after its closing quote is dropped. Raises the overflow failure when a 16-bit
// position or count would pass 32767.
std::int16_t ParseArgs(platform::NativeString cmd);

// Empties the list (the process starts with it empty; tests start each case so).
void ClearArgs();

}  // namespace mdlMain
