#!/usr/bin/env bash
# Converts every document given (a folder gives the *.rtf files under it) with this machine's own
# build and with a cross build for another processor (through its emulator, RTFPLAIN_EMULATOR:
# words separated by '|'), and compares the exit statuses and the output bytes. A missing folder
# (the shared corpora) is left out with a note; exits 77 (skipped) when the native build is
# missing.
# Usage: same_bytes_as_native.sh NATIVE_PROGRAM CROSS_PROGRAM FOLDER_OR_DOCUMENT...
set -euo pipefail
native_program="$1" cross_program="$2"
shift 2
IFS='|' read -ra emulator <<<"${RTFPLAIN_EMULATOR:-}"
if [ ! -x "$native_program" ]; then
  echo "skipped: no native build at $native_program (cmake --build --preset default)"
  exit 77
fi
documents=()
for given in "$@"; do
  if [ -d "$given" ]; then
    mapfile -d '' -O "${#documents[@]}" documents < <(find "$given" -type f -iname '*.rtf' -print0 | sort -z)
  elif [ -f "$given" ]; then
    documents+=("$given")
  else
    echo "note: $given is missing, left out"
  fi
done

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
for side in native cross; do mkdir -p "$scratch/$side/out"; done
cp "$native_program" "$scratch/native/rtfplain"
cp "$cross_program" "$scratch/cross/rtfplain"
names=()
for document in "${documents[@]}"; do
  name="$(basename "$document")"
  if [ -e "$scratch/native/$name" ]; then
    echo "two documents named $name"
    exit 1
  fi
  names+=("$name")
  cp "$document" "$scratch/native/$name"
  cp "$document" "$scratch/cross/$name"
done

# Each program reads from its own folder and writes into out/, as users run it.
convert() {  # SIDE COMMAND...
  local side="$1" name status
  shift
  for name in "${names[@]}"; do
    status=0
    (cd "$scratch/$side/out" && "$@" ../rtfplain "$name") || status=$?
    echo "$name $status" >>"$scratch/$side/statuses"
  done
}
convert native
convert cross "${emulator[@]}"

failed=0
diff -u "$scratch/native/statuses" "$scratch/cross/statuses" || failed=1
converted=0
for name in "${names[@]}"; do
  native_text="$scratch/native/out/$name.txt" cross_text="$scratch/cross/out/$name.txt"
  [ -e "$native_text" ] && converted=$((converted + 1))
  if [ -e "$native_text" ] || [ -e "$cross_text" ]; then
    if ! cmp "$native_text" "$cross_text"; then
      echo "differs: $name"
      failed=$((failed + 1))
    fi
  fi
done
echo "${#names[@]} documents ($converted converted), $failed differ"
[ "$failed" -eq 0 ] && [ "$converted" -gt 0 ]
