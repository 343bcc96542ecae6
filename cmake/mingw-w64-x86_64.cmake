# Cross-compiles a native 64-bit Windows rtfplain.exe with Debian's MinGW-w64 toolchain
# (g++-mingw-w64-x86-64). The executable is linked statically, so it needs nothing installed on
# Windows; tests run it through Wine (scripts/wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RTFPLAIN_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX thread model: GoogleTest needs std::mutex, which the win32 model of GCC 12 lacks.
# Both link statically, so the program still needs no DLL of the toolchain.
set(CMAKE_C_COMPILER ${RTFPLAIN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RTFPLAIN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${RTFPLAIN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RTFPLAIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc, libstdc++ or winpthread DLLs beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine, with its own messages off and a prefix made for the build.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
