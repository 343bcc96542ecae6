#!/usr/bin/env bash
# Runs each fuzz target for a bounded time; fails on any crash, leak, sanitizer report or
# timeout (libFuzzer exits non-zero and leaves the input as crash-*/leak-*/timeout-* here).
# Usage: fuzz/run.sh SECONDS_PER_TARGET [TARGET ...]   (targets: reader parse_args)
# Expects the fuzz preset built. Corpora grow in build/fuzz/corpus/; the shared real-world
# documents (all three corpora) are read as extra seeds when their folders are there.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?seconds per target}
shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(reader parse_args)

build=build/fuzz
"$build/fuzz/rtfplain_fuzz_seeds" tests/examples tests/fixtures "$build/seeds/reader" "$build/seeds/parse_args"
shared=${RTFPLAIN_CORPUS_DIR:-../shared/corpus}
wild=${RTFPLAIN_CORPUS_WILD_DIR:-../shared/corpus-wild}
wild3=${RTFPLAIN_CORPUS_WILD3_DIR:-../shared/corpus-wild3}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  mkdir -p "$corpus" "$findings"
  extra=("$build/seeds/$target")
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1)
  if [ "$target" = reader ]; then
    options+=(-dict=fuzz/rtf.dict -max_len=65536)
    [ -d "$shared" ] && extra+=("$shared")
    [ -d "$wild" ] && extra+=("$wild")
    [ -d "$wild3" ] && extra+=("$wild3")
  else
    options+=(-max_len=4096)
  fi
  echo "== fuzzing $target for ${seconds}s"
  "$build/fuzz/rtfplain_fuzz_$target" "${options[@]}" -artifact_prefix="$findings/" \
    "$corpus" "${extra[@]}" 2>"$build/fuzz-$target.log" || {
    tail -60 "$build/fuzz-$target.log"
    echo "fuzz target $target failed; reproducer in $findings" >&2
    exit 1
  }
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$build/fuzz-$target.log" || true
  echo "corpus $target: $(find "$corpus" -type f | wc -l) inputs"
done
