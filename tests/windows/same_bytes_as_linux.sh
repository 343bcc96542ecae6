#!/usr/bin/env bash
# Converts every document given (a folder gives the *.rtf files under it) with the Linux build
# and with the Windows build (under Wine, all from one batch file run by cmd.exe), and compares
# the exit statuses and the output bytes. A missing folder (the shared corpora) is left out with
# a note; exits 77 (skipped) when the Linux build is missing.
# Usage: same_bytes_as_linux.sh LINUX_PROGRAM WINDOWS_PROGRAM FOLDER_OR_DOCUMENT...
set -euo pipefail
source "$(dirname "$0")/../lib/same_bytes.sh"
linux_program="$1" windows_program="$2"
shift 2
wine_run="$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-run.sh"
if [ ! -x "$linux_program" ]; then
  echo "skipped: no Linux build at $linux_program (cmake --build --preset default)"
  exit 77
fi
same_bytes_stage "$linux_program" "$windows_program" rtfplain.exe "$@"
# One start of cmd.exe for all the documents: Wine's start-up is the slow part.
{
  printf '@echo off\r\n'
  for name in "${names[@]}"; do
    printf '..\\rtfplain.exe "%s"\r\n>>..\\statuses echo %s %%ERRORLEVEL%%\r\n' "$name" "$name"
  done
} >"$scratch/other/convert.bat"
(cd "$scratch/other/out" && "$wine_run" cmd /c '..\convert.bat')
same_bytes_compare <(tr -d '\r' <"$scratch/other/statuses")
