# Cross-compiles the Linux rtfplain for arm64 (aarch64) with Debian's cross compiler
# (g++-aarch64-linux-gnu). The program is linked static, as on x86-64, so it runs on any arm64
# Linux; tests run it under qemu-user on this machine.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(RTFPLAIN_CROSS_PREFIX aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${RTFPLAIN_CROSS_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${RTFPLAIN_CROSS_PREFIX}-g++)
# The archives' program is stripped by this one: the host's strip does not know arm64 files.
find_program(CMAKE_STRIP ${RTFPLAIN_CROSS_PREFIX}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${RTFPLAIN_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under qemu-user. The program itself is static and needs nothing else; the
# test programs are linked as usual, and qemu finds their loader and libraries under the cross
# C library's folder.
find_program(RTFPLAIN_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${RTFPLAIN_QEMU_AARCH64} -L /usr/${RTFPLAIN_CROSS_PREFIX})
