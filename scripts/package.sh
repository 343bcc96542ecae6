#!/usr/bin/env bash
# Makes the portable release archives in build/packages/:
#   rtfplain-VERSION-linux-x86_64.tar.gz   rtfplain, rtfplain.1, README.md, LICENSE
#   rtfplain-VERSION-linux-arm64.tar.gz    the same, for arm64 (cross-compiled)
#   rtfplain-VERSION-windows-x64.zip       rtfplain.exe, README.md, LICENSE, and the library:
#                                          rtfplain.dll, librtfplain.dll.a, rtfplain.def,
#                                          include/rtfplain.h
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/deps-arm64.sh
scripts/deps-windows.sh
cmake --preset default >/dev/null
cmake --build --preset default --target rtfplain
cmake --preset linux-arm64 >/dev/null
cmake --build --preset linux-arm64 --target rtfplain
cmake --preset windows >/dev/null
cmake --build --preset windows --target rtfplain rtfplain_shared
cpack --preset linux
cpack --preset linux-arm64
cpack --preset windows
