#!/usr/bin/env bash
# Installs what the Windows build needs on top of scripts/deps.sh: Debian's MinGW-w64 cross
# compiler and Wine, which runs the Windows tests.
set -euo pipefail
exec "$(dirname "$0")/deps.sh" g++-mingw-w64-x86-64 wine wine64
