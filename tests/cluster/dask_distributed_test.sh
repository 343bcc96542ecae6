#!/usr/bin/env bash
# Runs README's convert_with_dask.py, as it stands, on a local dask.distributed cluster of two
# worker processes, with the Python package's wheel installed into a venv that sees Debian's
# dask: every text must be the program's bytes, the documents that are no RTF listed, exit 1.
# Skipped when Debian's python3-distributed is missing.
# Usage: dask_distributed_test.sh PROGRAM README REPOSITORY
set -euo pipefail
program=$(realpath -e -- "$1")
readme=$(realpath -e -- "$2")
repo=$(realpath -e -- "$3")
source "$(dirname "$0")/lib.sh"
/usr/bin/python3 -c 'import distributed' 2>/dev/null ||
  skip "no dask.distributed for /usr/bin/python3 (python3-distributed: scripts/deps-dist.sh)"

scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
bash "$repo/scripts/wheel.sh" >"$scratch/wheel.log" 2>&1 || fail "no wheel: $(tail "$scratch/wheel.log")"
/usr/bin/python3 -m venv --system-site-packages "$scratch/venv"
"$scratch/venv/bin/python" -m pip install --quiet --no-index --no-deps "$repo"/build/wheels/rtfplain-*.whl

readme_block "$readme" convert_with_dask.py >"$scratch/convert_with_dask.py"
grep -q 'LocalCluster' "$scratch/convert_with_dask.py" || fail "no dask script found in $readme"
archive=$scratch/archive out=$scratch/out
make_archive "$program" "$archive" "$scratch/expected"
mkdir "$out"
status=0
start=$SECONDS
(cd "$out" && timeout 300 "$scratch/venv/bin/python" "$scratch/convert_with_dask.py" "$archive" 2) \
  >"$scratch/stdout" 2>"$scratch/report" || status=$?
echo "the dask script ran in $((SECONDS - start)) s"
[ "$status" -eq 1 ] || fail "exit status $status, expected 1: $(cat "$scratch/report")"
expected_report=$(printf 'Not converted (%d):\n' "${#failing[@]}"; printf '%s\n' "${failing[@]}" | LC_ALL=C sort)
[ "$(cat "$scratch/report")" = "$expected_report" ] || fail "report: $(cat "$scratch/report")"
diff -r "$scratch/expected" "$out" >"$scratch/diff" || fail "outputs differ: $(head "$scratch/diff")"
echo "converted ${#documents[@]} documents, listed ${#failing[@]}"
