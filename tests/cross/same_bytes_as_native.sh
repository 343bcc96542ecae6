#!/usr/bin/env bash
# Converts every document given (a folder gives the *.rtf files under it) with this machine's own
# build and with a cross build for another processor (through its emulator, RTFPLAIN_EMULATOR:
# words separated by '|'), and compares the exit statuses and the output bytes. A missing folder
# (the shared corpora) is left out with a note; exits 77 (skipped) when the native build is
# missing.
# Usage: same_bytes_as_native.sh NATIVE_PROGRAM CROSS_PROGRAM FOLDER_OR_DOCUMENT...
set -euo pipefail
source "$(dirname "$0")/../lib/same_bytes.sh"
native_program="$1" cross_program="$2"
shift 2
IFS='|' read -ra emulator <<<"${RTFPLAIN_EMULATOR:-}"
if [ ! -x "$native_program" ]; then
  echo "skipped: no native build at $native_program (cmake --build --preset default)"
  exit 77
fi
same_bytes_stage "$native_program" "$cross_program" rtfplain "$@"
for name in "${names[@]}"; do
  status=0
  (cd "$scratch/other/out" && "${emulator[@]}" ../rtfplain "$name") || status=$?
  echo "$name $status" >>"$scratch/other/statuses"
done
same_bytes_compare "$scratch/other/statuses"
