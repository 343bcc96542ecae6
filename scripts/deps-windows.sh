#!/usr/bin/env bash
# Installs what the Windows build needs on top of scripts/deps.sh: Debian's MinGW-w64 cross
# compiler and Wine, which runs the Windows tests; and Perl, whose Encode module holds Apple's
# Mac tables, which the code page generator's check reads beside Wine's files.
set -euo pipefail
exec "$(dirname "$0")/deps.sh" g++-mingw-w64-x86-64 wine wine64 perl
