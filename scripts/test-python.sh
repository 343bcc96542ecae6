#!/usr/bin/env bash
# Builds the wheel, installs it into a fresh venv (build/python/venv, with Debian's pytest from
# the system's packages) and runs the Python package's tests against that install.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
bash scripts/wheel.sh
venv=$repo/build/python/venv
rm -rf "$venv"
/usr/bin/python3 -m venv --system-site-packages "$venv"
"$venv/bin/python" -m pip install --quiet --no-index --no-deps "$repo"/build/wheels/rtfplain-*.whl
# From a folder where `import rtfplain` cannot find python/, and with no sys.path insertion.
cd "$venv"
status=0
"$venv/bin/python" -m pytest -q -p no:cacheprovider --import-mode=importlib \
  "$repo/python/tests" || status=$?
if [ "$status" -eq 5 ]; then
  echo "test-python: pytest collected no tests" >&2
fi
exit "$status"
