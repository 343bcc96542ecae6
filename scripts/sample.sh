#!/usr/bin/env bash
# Builds rtfplain and converts the bundled sample document, showing the result. The sample has a
# build folder of its own (build/sample, no tests), so it never reconfigures the test build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset sample >/dev/null
cmake --build --preset sample
cd build/sample/src
./rtfplain sample.rtf
echo "--- sample.rtf.txt ---"
cat sample.rtf.txt
