#!/usr/bin/env bash
# Builds rtfplain with warnings as errors and runs the whole test suite (build/default), then
# builds the Python package's wheel and runs its tests against it installed in a fresh venv.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default
cmake --build --preset default
ctest --preset default
bash scripts/test-python.sh
