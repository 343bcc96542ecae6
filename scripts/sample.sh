#!/usr/bin/env bash
# Builds rtfplain and converts the bundled sample document, showing the result.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default -DRTFPLAIN_BUILD_TESTS=OFF >/dev/null
cmake --build --preset default --target rtfplain
cd build/default/src
./rtfplain sample.rtf
echo "--- sample.rtf.txt ---"
cat sample.rtf.txt
