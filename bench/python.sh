#!/usr/bin/env bash
# The Python package's benchmark in one command: builds the wheel, the program and capi_bench,
# installs the wheel into a fresh venv and runs bench/python_bench.py with it.
# Usage: bench/python.sh [--reps N] [--quick]
# Results: standard output and build/python/bench/results.md.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
generator="$repo/../shared/bench/make_corpus.py"
corpora=("${RTFPLAIN_CORPUS_DIR:-$repo/../shared/corpus}"
  "${RTFPLAIN_CORPUS_WILD_DIR:-$repo/../shared/corpus-wild}"
  "${RTFPLAIN_CORPUS_WILD3_DIR:-$repo/../shared/corpus-wild3}")
for need in "$generator" "${corpora[@]}"; do
  if [ ! -e "$need" ]; then
    echo "bench: $need is missing (the shared folder beside the repository)" >&2
    exit 1
  fi
done
bash "$repo/scripts/wheel.sh" >/dev/null
# The wheel's library build also gives the program, for README's recipe.
lib="$repo/build/python/lib"
cmake --build "$lib" -j2 --target rtfplain
scratch="$repo/build/python/bench"
mkdir -p "$scratch"
"${CC:-cc}" -O2 -Wall -Wextra -Werror -I"$repo/include" "$repo/bench/capi_bench.c" \
  "$lib/src/library/librtfplain.a" -lstdc++ -lm -o "$scratch/capi_bench"
venv="$scratch/venv"
rm -rf "$venv"
/usr/bin/python3 -m venv "$venv"
"$venv/bin/python" -m pip install --quiet --no-index --no-deps "$repo"/build/wheels/rtfplain-*.whl
corpus_args=()
for c in "${corpora[@]}"; do corpus_args+=(--corpus "$c"); done
cd "$scratch"  # where `import rtfplain` finds only the installed package
exec "$venv/bin/python" "$repo/bench/python_bench.py" --program "$lib/src/rtfplain" \
  --capi "$scratch/capi_bench" --generator "$generator" --readme "$repo/README.md" \
  --scratch "$scratch" "${corpus_args[@]}" "$@"
