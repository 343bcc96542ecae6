#!/usr/bin/env bash
# Builds rtfplain with warnings as errors and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default -DRTFPLAIN_BUILD_TESTS=ON
cmake --build --preset default
ctest --preset default
