#!/usr/bin/env bash
# The benchmark in one command: builds Release and the toy tokenizer, generates the corpus, checks
# and times rtfplain against the floor program and the toy.
# Usage: bench/run.sh [--quick] [--reps N] [--skip-growth] [--baseline EXE] [--startup-only]
# Results: standard output and build/bench/scratch/results.md.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
shared="$repo/../shared/bench"
for need in make_corpus.py toktoy.c; do
  if [ ! -f "$shared/$need" ]; then
    echo "bench: $need is missing: expected $shared/$need" >&2
    echo "bench: (the shared bench folder beside the repository)" >&2
    exit 1
  fi
done
"$repo/scripts/deps.sh" python3 libbenchmark-dev
build="$repo/build/bench"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRTFPLAIN_WERROR=ON \
  -DRTFPLAIN_BUILD_TESTS=OFF -DRTFPLAIN_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target rtfplain rtfplain_floor rtfplain_timer rtfplain_reader_bench
# The toy is not ours: it is built from where it lies, as it is, with the plain C compiler.
"${CC:-cc}" -O2 -o "$build/bench/toktoy" "$shared/toktoy.c"
exec python3 "$repo/bench/bench.py" --build "$build" --toy "$build/bench/toktoy" \
  --generator "$shared/make_corpus.py" --scratch "$build/scratch" "$@"
