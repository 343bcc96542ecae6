#!/usr/bin/env bash
# A full disk under Wine: a 1 MiB tmpfs, seen through a drive of the prefix, as the current
# directory. A large text fails with status 1, leaving no new output, an earlier output as it
# was and no file of the run's; a small document still converts there. Mounting needs root:
# skipped (77) otherwise, saying so.
# Usage: full_disk.sh WINDOWS_PROGRAM
set -euo pipefail
program="$1"
root="$(cd "$(dirname "$0")/../.." && pwd)"
wine_run="$root/scripts/wine-run.sh"
export WINEPREFIX="${WINEPREFIX:-$root/build/wine-prefix}"
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: mounting a tmpfs needs root"
  exit 77
fi
"$wine_run" cmd /c exit 0 >/dev/null  # the prefix, made once
scratch=$(mktemp -d)
mkdir "$scratch/T" "$scratch/disk"
link=
cleanup() {
  [ -n "$link" ] && rm -f "$link"
  umount "$scratch/disk" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=1m,mode=0777 tmpfs "$scratch/disk"; then
  echo "skipped: this system refuses to mount a tmpfs"
  exit 77
fi
for letter in r s t u v w x y; do
  if [ ! -e "$WINEPREFIX/dosdevices/$letter:" ]; then
    link="$WINEPREFIX/dosdevices/$letter:"
    ln -s "$scratch/disk" "$link"
    break
  fi
done
[ -n "$link" ] || { echo "no free drive letter in $WINEPREFIX/dosdevices"; exit 1; }
cp "$program" "$scratch/T/rtfplain.exe"
{
  printf '{\\rtf1\\ansi '
  for ((k = 0; k < 110000; k++)); do printf 'Line %d of plain words.\\par\n' "$k"; done
  printf '}'
} >"$scratch/T/large.rtf"
printf '{\\rtf1 small\\par}' >"$scratch/T/small.rtf"
cd "$scratch/disk"  # Wine takes the drive's root as the current directory
failures=0
check() {  # WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "$1: expected [$2], got [$3]"
    failures=$((failures + 1))
  fi
}
status=0
"$wine_run" "$scratch/T/rtfplain.exe" large.rtf >"$scratch/out" 2>&1 || status=$?
check "new output: status" 1 "$status"
check "new output: the drive" "" "$(ls -A)"
check "new output: printed" "" "$(cat "$scratch/out")"
printf 'earlier' >large.rtf.txt
status=0
"$wine_run" "$scratch/T/rtfplain.exe" large.rtf >"$scratch/out" 2>&1 || status=$?
check "earlier output: status" 1 "$status"
check "earlier output: the drive" "large.rtf.txt" "$(ls -A)"
check "earlier output: its text" "earlier" "$(cat large.rtf.txt)"
status=0
"$wine_run" "$scratch/T/rtfplain.exe" small.rtf || status=$?
check "small document: status" 0 "$status"
check "small document: its text" "small" "$(tr -d '\r' <small.rtf.txt)"
cd /
[ "$failures" -eq 0 ] && echo "a full drive leaves the earlier output, or none, and nothing else"
exit "$failures"
