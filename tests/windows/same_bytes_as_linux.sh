#!/usr/bin/env bash
# Converts every document given (a folder gives its *.rtf files) with the Linux build and with
# the Windows build (under Wine, all from one batch file run by cmd.exe), and compares the exit
# statuses and the output bytes. A missing folder (the shared corpus) is left out with a note;
# exits 77 (skipped) when the Linux build is missing.
# Usage: same_bytes_as_linux.sh LINUX_PROGRAM WINDOWS_PROGRAM FOLDER_OR_DOCUMENT...
set -euo pipefail
linux_program="$1" windows_program="$2"
shift 2
wine_run="$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-run.sh"
if [ ! -x "$linux_program" ]; then
  echo "skipped: no Linux build at $linux_program (cmake --build --preset default)"
  exit 77
fi
documents=()
for given in "$@"; do
  if [ -d "$given" ]; then
    documents+=("$given"/*.rtf)
  elif [ -f "$given" ]; then
    documents+=("$given")
  else
    echo "note: $given is missing, left out"
  fi
done

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/linux/out" "$scratch/windows/out"
cp "$linux_program" "$scratch/linux/rtfplain"
cp "$windows_program" "$scratch/windows/rtfplain.exe"
names=()
for document in "${documents[@]}"; do
  name="$(basename "$document")"
  if [ -e "$scratch/linux/$name" ]; then
    echo "two documents named $name"
    exit 1
  fi
  names+=("$name")
  cp "$document" "$scratch/linux/$name"
  cp "$document" "$scratch/windows/$name"
done

for name in "${names[@]}"; do
  status=0
  (cd "$scratch/linux/out" && ../rtfplain "$name") || status=$?
  echo "$name $status" >>"$scratch/linux/statuses"
done

{
  printf '@echo off\r\n'
  for name in "${names[@]}"; do
    printf '..\\rtfplain.exe "%s"\r\n>>..\\statuses echo %s %%ERRORLEVEL%%\r\n' "$name" "$name"
  done
} >"$scratch/windows/convert.bat"
(cd "$scratch/windows/out" && "$wine_run" cmd /c '..\convert.bat')

failed=0
diff -u "$scratch/linux/statuses" <(tr -d '\r' <"$scratch/windows/statuses") || failed=1
for name in "${names[@]}"; do
  linux_text="$scratch/linux/out/$name.txt" windows_text="$scratch/windows/out/$name.txt"
  if [ -e "$linux_text" ] || [ -e "$windows_text" ]; then
    if ! cmp "$linux_text" "$windows_text"; then
      echo "differs: $name"
      failed=$((failed + 1))
    fi
  fi
done
echo "${#names[@]} documents, $failed differ"
[ "$failed" -eq 0 ]
