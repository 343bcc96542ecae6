#!/usr/bin/env bash
# Checks the release archives that scripts/package.sh made: each unpacks into a scratch folder,
# holds what it should, and its program converts a document lying beside it, from another
# current directory, to the same bytes on Linux x86-64, Linux arm64 (under qemu-user) and
# Windows (under Wine). The Linux programs are static: built for their processor, with no
# interpreter (dynamic loader) and no library needed. The Windows archive's rtfplain.dll exports
# exactly the API's names, it and the program import only Windows' own DLLs, and a C program
# built against the archive as README shows converts through it. Also checks that
# `cmake --install` puts the program and the man page under the prefix.
# Usage: tests/package/check_archives.sh   (after scripts/package.sh)
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
packages="$root/build/packages"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
# Failures are counted in a file: several checks run in subshells.
fail() { echo "FAIL: $*" >&2; echo "$*" >>"$scratch/failures"; }

version="$(sed -n 's/^project(rtfplain VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
linux_archive="$packages/rtfplain-$version-linux-x86_64.tar.gz"
arm64_archive="$packages/rtfplain-$version-linux-arm64.tar.gz"
windows_archive="$packages/rtfplain-$version-windows-x64.zip"

# Unpacks ARCHIVE into a fresh folder of the scratch area, prints the one folder it holds.
unpack() {
  local into="$scratch/$2"
  mkdir -p "$into"
  (cd "$into" && cmake -E tar xf "$1")
  local top=("$into"/*)
  [ ${#top[@]} -eq 1 ] && [ -d "${top[0]}" ] || { fail "$1 has no single top folder"; return 1; }
  echo "${top[0]}"
}

expect_files() {
  local folder="$1"
  shift
  local listed
  listed="$(cd "$folder" && ls -A | LC_ALL=C sort | tr '\n' ' ')"
  [ "$listed" = "$* " ] || fail "$(basename "$folder") holds: $listed (expected: $*)"
}

# The licence notices, each filled in: no placeholder left, and the toolchain's packages known.
expect_notices() {
  local folder="$1/LICENSES"
  shift
  expect_files "$folder" "$@"
  ! grep -l -e '@RTFPLAIN_' -e '(not known' "$folder"/*.txt ||
    fail "$(basename "$1"): a notice is not filled in"
}

# Converts a document with spaces in its name, lying beside the program, from another folder.
convert() {
  local folder="$1" run="$2" name="my sample.rtf"
  cp examples/sample.rtf "$folder/$name"
  local cwd="$scratch/cwd-$(basename "$folder")"
  mkdir -p "$cwd"
  local status=0
  (cd "$cwd" && $run "$name") || status=$?
  [ "$status" -eq 0 ] || fail "$(basename "$folder"): exit status $status"
  [ -s "$cwd/$name.txt" ] || fail "$(basename "$folder"): no output"
  echo "$cwd/$name.txt"
}

# A static Linux program for MACHINE (as readelf names it): no PT_INTERP program header, so no
# dynamic loader is asked for, and no NEEDED entry, so no library.
expect_static() {
  local program="$1" machine="$2" name header segments dynamic
  name="$(basename "$(dirname "$program")")"
  header="$(readelf -h "$program")" segments="$(readelf -lW "$program")"
  dynamic="$(readelf -dW "$program")"
  grep -Eq "^ *Machine: *$machine\$" <<<"$header" ||
    fail "$name: not a $machine program: $(grep Machine <<<"$header")"
  ! grep -q INTERP <<<"$segments" || fail "$name: asks for a dynamic loader"
  ! grep -q NEEDED <<<"$dynamic" || fail "$name: needs libraries"
}

linux_notices="GCC-exception-3.1.txt GPL-3.txt LGPL-2.1.txt dingbat-to-unicode.txt gcc-runtime.txt glibc.txt"
linux="$(unpack "$linux_archive" linux)"
expect_files "$linux" LICENSE LICENSES README.md rtfplain rtfplain.1
expect_notices "$linux" $linux_notices
expect_static "$linux/rtfplain" "Advanced Micro Devices X86-64"
linux_text="$(convert "$linux" "$linux/rtfplain")"

arm64="$(unpack "$arm64_archive" arm64)"
expect_files "$arm64" LICENSE LICENSES README.md rtfplain rtfplain.1
expect_notices "$arm64" $linux_notices
expect_static "$arm64/rtfplain" AArch64
# A static program needs no arm64 root (qemu's -L) beside it.
qemu="$(command -v qemu-aarch64-static || command -v qemu-aarch64)" ||
  fail "no qemu-aarch64 to run the arm64 program (scripts/deps-arm64.sh)"
arm64_text="$(convert "$arm64" "$qemu $arm64/rtfplain")"
cmp -s "$linux_text" "$arm64_text" || fail "Linux x86-64 and arm64 outputs differ"

windows="$(unpack "$windows_archive" windows)"
expect_files "$windows" LICENSE LICENSES README.md include librtfplain.dll.a rtfplain.def \
  rtfplain.dll rtfplain.exe
expect_files "$windows/include" rtfplain.h
expect_notices "$windows" GCC-exception-3.1.txt GPL-3.txt dingbat-to-unicode.txt gcc-runtime.txt \
  mingw-w64-copyright.txt mingw-w64.txt
windows_text="$(convert "$windows" "$root/scripts/wine-run.sh $windows/rtfplain.exe")"
cmp -s "$linux_text" "$windows_text" || fail "Linux and Windows outputs differ"

# The DLL exports the header's functions, no more, as the .def file names them.
api="$(grep '^RTFPLAIN_API' include/rtfplain.h | grep -o 'rtfplain_[a-z_]*(' | tr -d '(' | sort)"
def="$(sed '1,/^EXPORTS/d' "$windows/rtfplain.def" | tr -d ' \t\r' | sort)"
exports="$(x86_64-w64-mingw32-objdump -p "$windows/rtfplain.dll" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\t\[ *[0-9]*\] //p' | sort)"
[ -n "$api" ] && [ "$def" = "$api" ] || fail "rtfplain.def names: $def (the header: $api)"
[ "$exports" = "$api" ] || fail "rtfplain.dll exports: $exports (the header: $api)"
for binary in rtfplain.exe rtfplain.dll; do
  imports="$(x86_64-w64-mingw32-objdump -p "$windows/$binary" | sed -n 's/^\tDLL Name: //p')"
  others="$(grep -Eiv '^(kernel32|msvcrt)\.dll$|^api-ms-win-' <<<"$imports" || true)"
  [ -n "$imports" ] && [ -z "$others" ] || fail "$binary imports DLLs not Windows' own: $others"
done
# README's MinGW command, in the archive's folder, and the program beside the DLL.
(cd "$windows" && x86_64-w64-mingw32-gcc-posix -std=c99 -o dll_client.exe \
  "$root/tests/windows/dll_client.c" -Iinclude -L. -lrtfplain) || fail "no C program from the archive"
dll_cwd="$scratch/cwd-dll"
mkdir -p "$dll_cwd"
(cd "$dll_cwd" && echo "my sample.rtf" | "$root/scripts/wine-run.sh" "$windows/dll_client.exe" \
  "Z:$windows" >/dev/null) || fail "the C program through rtfplain.dll: exit status $?"
cmp -s "$linux_text" "$dll_cwd/my sample.rtf.txt" || fail "Linux and rtfplain.dll outputs differ"

cmake --install build/default --prefix "$scratch/prefix" >/dev/null
[ -x "$scratch/prefix/bin/rtfplain" ] || fail "cmake --install: no bin/rtfplain"
[ -f "$scratch/prefix/share/man/man1/rtfplain.1" ] || fail "cmake --install: no man page"

if [ -s "$scratch/failures" ]; then
  echo "archive checks: $(wc -l <"$scratch/failures") failed"
  exit 1
fi
echo "archive checks: all passed"
