#!/usr/bin/env bash
# Converts documents through rtfplain.dll with a C program under Wine (dll_client.c: each
# document whole and streamed) and checks that its outputs are the program's bytes: the
# fixtures' expected texts always, and the Linux program's outputs and statuses for every
# document given when the Linux build is there (without it, the fixtures alone).
# Usage: dll_same_bytes.sh LINUX_PROGRAM CLIENT DLL FIXTURES [FOLDER_OR_DOCUMENT...]
set -euo pipefail
source "$(dirname "$0")/../lib/same_bytes.sh"
linux_program="$1" client="$2" dll="$3" fixtures="$4"
shift 4
wine_run="$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-run.sh"
reference="$linux_program"
if [ ! -x "$linux_program" ]; then
  echo "note: no Linux build at $linux_program: the fixtures alone"
  reference=/bin/true
  set --
fi
same_bytes_stage "$reference" "$client" client.exe "$fixtures" "$@"
cp "$dll" "$scratch/other/"
# One start of the client for all the documents: Wine's start-up is the slow part.
printf '%s\n' "${names[@]}" | (cd "$scratch/other/out" && "$wine_run" ../client.exe ..) |
  tr -d '\r' >"$scratch/other/statuses"

failed=0
# The fixtures' texts have LF line ends and a final one: the program writes CR LF.
for document in "$fixtures"/*.rtf; do
  name="$(basename "$document")"
  sed 's/$/\r/' "${document%.rtf}.txt" | cmp - "$scratch/other/out/$name.txt" || failed=1
done
if [ "$reference" = "$linux_program" ]; then
  same_bytes_compare "$scratch/other/statuses" || failed=1
fi
exit "$failed"
