#!/usr/bin/env bash
# Checks the release archives that scripts/package.sh made: each unpacks into a scratch folder,
# holds what it should, and its program converts a document lying beside it, from another
# current directory, to the same bytes on Linux x86-64, Linux arm64 (under qemu-user) and
# Windows (under Wine). The Linux programs are static: built for their processor, with no
# interpreter (dynamic loader) and no library needed. The Windows archive's rtfplain.dll exports
# exactly the API's names, it and the program import only Windows' own DLLs, and a C program
# built against the archive as README shows converts through it. Also checks that
# `cmake --install` puts the program and the man page under the prefix.
# The .deb and .rpm packages: their fields and file lists, the same program as the archives';
# the amd64 .deb installed with dpkg into a Debian 11 root (made with debootstrap, kept in
# build/test-roots/; as root and with the mirror reachable, else skipped), converting there and
# removed without a trace; each .rpm installed into an empty rpm root, converting, and erased.
# SHA256SUMS covers every file made and matches.
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

# ---- the Linux system packages
deb_files="./usr/bin/rtfplain ./usr/share/doc/rtfplain/LICENSE $(for notice in $linux_notices; do
  echo "./usr/share/doc/rtfplain/LICENSES/$notice"; done) ./usr/share/man/man1/rtfplain.1.gz"
deb_files="$(tr ' ' '\n' <<<"$deb_files" | LC_ALL=C sort)"
# The files (not folders) a package holds, one a line, as ./usr/...
files_of_deb() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort; }
files_of_rpm() {
  rpm -qp --queryformat '[%{FILEMODES:perms} ./%{FILENAMES}\n]' "$1" |
    awk '$1 !~ /^d/ { print $2 }' | sed 's|^\./||; s|^/|./|' | LC_ALL=C sort
}

check_deb() {  # DEB ARCHITECTURE PROGRAM
  local deb="$packages/$1" field value
  [ -f "$deb" ] || { fail "no $1"; return; }
  for field in Package=rtfplain Version="$version" Architecture="$2"; do
    value="$(dpkg-deb -f "$deb" "${field%%=*}")"
    [ "$value" = "${field#*=}" ] || fail "$1: ${field%%=*} is '$value', expected '${field#*=}'"
  done
  for field in Maintainer Homepage Description; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "$1: no $field"
  done
  dpkg-deb -I "$deb" >/dev/null || fail "$1: dpkg-deb -I fails"
  [ "$(files_of_deb "$deb")" = "$deb_files" ] || fail "$1 holds: $(files_of_deb "$deb")"
  dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/bin/rtfplain | cmp -s - "$3" ||
    fail "$1: not the archive's program"
}
check_rpm() {  # RPM ARCHITECTURE
  local rpm="$packages/$1" fields
  [ -f "$rpm" ] || { fail "no $1"; return; }
  fields="$(rpm -qp --queryformat '%{NAME} %{VERSION} %{ARCH}|%{URL}|%{PACKAGER}|%{LICENSE}' "$rpm")"
  [[ $fields == "rtfplain $version $2|"?*"|"?*"|MIT"* ]] || fail "$1: fields: $fields"
  rpm -qip "$rpm" >/dev/null || fail "$1: rpm -qip fails"
  [ "$(files_of_rpm "$rpm")" = "$deb_files" ] || fail "$1 holds: $(files_of_rpm "$rpm")"
}
check_deb "rtfplain_${version}_amd64.deb" amd64 "$linux/rtfplain"
check_deb "rtfplain_${version}_arm64.deb" arm64 "$arm64/rtfplain"
check_rpm "rtfplain-$version-1.x86_64.rpm" x86_64
check_rpm "rtfplain-$version-1.aarch64.rpm" aarch64

# Each .rpm into an empty rpm root: its files there, the archive's program, converting a
# document lying beside it (arm64 under qemu), then erased, leaving none of its files.
rpm_force=()
[[ $(rpm --help) != *--force-debian* ]] || rpm_force=(--force-debian)  # Debian's rpm asks for it
# Quiet unless it fails: Debian's rpm warns on every install into any root.
rpm_quiet() { "$@" 2>"$scratch/rpm.log" || { cat "$scratch/rpm.log" >&2; return 1; }; }
for arch in x86_64 aarch64; do
  rpmroot="$scratch/rpmroot-$arch" run="" program="$linux/rtfplain"
  [ "$arch" = aarch64 ] && run="$qemu" program="$arm64/rtfplain"
  mkdir -p "$rpmroot" "$scratch/rpm-out-$arch"
  rpm --root "$rpmroot" --initdb || { fail "rpm --initdb"; continue; }
  rpm_quiet rpm -i --nodeps --ignorearch "${rpm_force[@]}" --root "$rpmroot" \
    "$packages/rtfplain-$version-1.$arch.rpm" || { fail "rpm -i $arch"; continue; }
  [ "$(cd "$rpmroot" && find ./usr -type f | LC_ALL=C sort)" = "$deb_files" ] ||
    fail "rpm -i $arch: files: $(cd "$rpmroot" && find ./usr -type f)"
  cmp -s "$rpmroot/usr/bin/rtfplain" "$program" || fail "rpm $arch: not the archive's program"
  cp examples/sample.rtf "$rpmroot/usr/bin/sample.rtf"
  (cd "$scratch/rpm-out-$arch" && $run "$rpmroot/usr/bin/rtfplain" sample.rtf) ||
    fail "rpm $arch: the program failed"
  cmp -s "$linux_text" "$scratch/rpm-out-$arch/sample.rtf.txt" || fail "rpm $arch: other output"
  rm "$rpmroot/usr/bin/sample.rtf"
  rpm_quiet rpm -e "${rpm_force[@]}" --root "$rpmroot" rtfplain || fail "rpm -e $arch"
  [ -z "$(find "$rpmroot/usr" -type f)" ] || fail "rpm -e $arch left: $(find "$rpmroot/usr" -type f)"
done

# The amd64 .deb into a Debian 11 root, through dpkg as a user would install it; converting
# there, then removed. The root is made once and kept (build/test-roots/); the package goes into
# a copy of it, so the kept root stays clean.
deb_root_test() {
  local mirror="${RTFPLAIN_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
  local kept="$root/build/test-roots/debian-bullseye-amd64" target="$scratch/bullseye"
  if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: the .deb in a Debian 11 root: needs root (debootstrap, chroot)"; return
  fi
  if ! command -v debootstrap >/dev/null; then
    echo "skipped: the .deb in a Debian 11 root: no debootstrap (scripts/deps-dist.sh)"; return
  fi
  if [ ! -f "$kept/.rtfplain-root-ready" ]; then
    if ! wget -q -T 20 -t 1 -O /dev/null "$mirror/dists/bullseye/Release"; then
      echo "skipped: the .deb in a Debian 11 root: $mirror cannot be reached"; return
    fi
    rm -rf "$kept" "$kept.new" && mkdir -p "$(dirname "$kept")"
    debootstrap --variant=minbase bullseye "$kept.new" "$mirror" >"$scratch/debootstrap.log" 2>&1 ||
      { fail "debootstrap: $(tail -n 3 "$scratch/debootstrap.log")"; return; }
    touch "$kept.new/.rtfplain-root-ready" && mv "$kept.new" "$kept"
  fi
  cp -a "$kept" "$target"
  local deb="rtfplain_${version}_amd64.deb"
  cp "$packages/$deb" examples/sample.rtf "$target/tmp/"
  chroot "$target" dpkg -i "/tmp/$deb" >/dev/null || { fail "dpkg -i in Debian 11"; return; }
  [ "$(chroot "$target" dpkg -L rtfplain | sed 's|^/|./|' | while read -r f; do
    [ -d "$target/$f" ] || echo "$f"; done | LC_ALL=C sort)" = "$deb_files" ] ||
    fail "dpkg -L in Debian 11: $(chroot "$target" dpkg -L rtfplain)"
  # The program reads NAME from its own folder, /usr/bin: a name that leads from there to /tmp.
  chroot "$target" sh -c 'cd /tmp && rtfplain ../../tmp/sample.rtf' ||
    fail "Debian 11: the installed program failed"
  cmp -s "$linux_text" "$target/tmp/sample.rtf.txt" || fail "Debian 11: other output"
  chroot "$target" dpkg -r rtfplain >/dev/null || fail "dpkg -r in Debian 11"
  local left
  left="$(while read -r f; do [ ! -e "$target/$f" ] || echo "$f"; done <<<"$deb_files"
    [ ! -e "$target/usr/share/doc/rtfplain" ] || echo /usr/share/doc/rtfplain)"
  [ -z "$left" ] || fail "dpkg -r in Debian 11 left: $left"
  ! grep -q '^Status: .* installed$' <<<"$(chroot "$target" dpkg -s rtfplain 2>/dev/null)" ||
    fail "dpkg -r in Debian 11: still installed"
  echo "the .deb in Debian 11: installed, converted, removed"
}
deb_root_test

# SHA256SUMS names every file package.sh made, and each matches.
(cd "$packages" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(cd "$packages" && find . -maxdepth 1 -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort)" = \
  "$(sed 's/^[0-9a-f]*  //' "$packages/SHA256SUMS" | LC_ALL=C sort)" ] ||
  fail "SHA256SUMS does not name every file made"

if [ -s "$scratch/failures" ]; then
  echo "archive checks: $(wc -l <"$scratch/failures") failed"
  exit 1
fi
echo "archive checks: all passed"
