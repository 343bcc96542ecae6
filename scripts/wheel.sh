#!/usr/bin/env bash
# Builds the static library and the Python package's wheel (stable ABI, CPython 3.8+) into
# build/wheels/, offline, with Debian's setuptools and wheel.
# The library gets a small build of its own (build/python/lib, the target rtfplain_static only),
# so that this never reconfigures or races the test build in build/default.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
scripts/deps.sh python3-dev python3-setuptools python3-wheel python3-venv python3-pytest
lib=$repo/build/python/lib
cmake -S "$repo" -B "$lib" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRTFPLAIN_WERROR=ON \
  -DRTFPLAIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$lib" -j2 --target rtfplain_static
mkdir -p build/wheels
rm -f build/wheels/rtfplain-*.whl
export RTFPLAIN_STATIC_LIB=$lib/src/library/librtfplain.a RTFPLAIN_INCLUDE=$repo/include
export RTFPLAIN_BUILD_BASE=$repo/build/python/setuptools RTFPLAIN_WERROR=1
# Debian's interpreter, whatever python3 comes first on PATH.
(cd python && PYTHONWARNINGS="ignore:setup.py install is deprecated" /usr/bin/python3 setup.py -q bdist_wheel -d "$repo/build/wheels")
ls build/wheels/rtfplain-*.whl
