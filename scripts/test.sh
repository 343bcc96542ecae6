#!/usr/bin/env bash
# Builds rtfplain with warnings as errors and runs the whole test suite (build/default).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default
cmake --build --preset default
ctest --preset default
