// <windows.h> as every Windows file of the project includes it: without the min/max macros that
// break std::min, and without the rarely used parts that slow the build.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
