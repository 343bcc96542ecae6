#!/usr/bin/env bash
# The benchmark in one command: builds Release, generates the corpus, checks and times rtfplain
# against the floor program. Usage: bench/run.sh [--quick] [--reps N] [--skip-growth] [--baseline EXE]
# Results: standard output and build/bench/scratch/results.md.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
generator="$repo/../shared/bench/make_corpus.py"
if [ ! -f "$generator" ]; then
  echo "bench: the corpus generator is missing: expected $generator" >&2
  echo "bench: (make_corpus.py from the shared bench folder beside the repository)" >&2
  exit 1
fi
"$repo/scripts/deps.sh" python3 libbenchmark-dev
build="$repo/build/bench"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRTFPLAIN_WERROR=ON \
  -DRTFPLAIN_BUILD_TESTS=OFF -DRTFPLAIN_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target rtfplain rtfplain_floor rtfplain_timer rtfplain_reader_bench
exec python3 "$repo/bench/bench.py" --build "$build" --generator "$generator" \
  --scratch "$build/scratch" "$@"
