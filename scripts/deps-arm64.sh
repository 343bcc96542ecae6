#!/usr/bin/env bash
# Installs what the Linux arm64 build needs on top of scripts/deps.sh: Debian's aarch64 cross
# compiler (with its C library for static linking), qemu-user, which runs the arm64 tests on
# this machine, and GoogleTest's sources, built for arm64 inside the build.
set -euo pipefail
exec "$(dirname "$0")/deps.sh" g++-aarch64-linux-gnu qemu-user-static googletest
