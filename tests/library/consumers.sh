#!/usr/bin/env bash
# README's C examples, as README shows them, built against an installed copy of the library in
# every way README names (pkg-config shared and static, CMake's package shared and static); each
# build must give the text of the fixtures, and the shared library must export only the API.
# Usage: consumers.sh BUILD_DIR README FIXTURES_DIR
set -euo pipefail
build=$(realpath -e -- "$1")
readme=$2
fixtures=$3
export LC_ALL=C
scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "$0")/../lib/readme_block.sh"

prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name rtfplain.pc)")/..

# The shared library exports the header's functions and nothing else.
nm -D --defined-only "$libdir/librtfplain.so.0" | awk '$2 == "T" { sub(/@.*/, "", $3); print $3 }' |
  sort >"$scratch/exported"
grep -o 'rtfplain_[a-z_]*(' "$prefix/include/rtfplain.h" | tr -d '(' | sort -u >"$scratch/declared"
diff "$scratch/declared" "$scratch/exported" || fail "exports differ from the header's functions"
[ "$(objdump -p "$libdir/librtfplain.so.0" | awk '$1 == "SONAME" { print $2 }')" = librtfplain.so.0 ] ||
  fail "SONAME"

for example in totext.c stream.c; do
  readme_block "$readme" "example: $example" >"$scratch/$example"
  grep -q rtfplain_ "$scratch/$example" || fail "no $example in $readme"
done

export PKG_CONFIG_PATH=$libdir/pkgconfig
cflags=(-std=c99 -Wall -Wextra -Werror)
cc "${cflags[@]}" "$scratch/totext.c" $(pkg-config --cflags --libs rtfplain) \
  -Wl,-rpath,"$libdir" -o "$scratch/totext-pc-shared"
cc "${cflags[@]}" "$scratch/stream.c" $(pkg-config --cflags rtfplain) -static \
  $(pkg-config --static --libs rtfplain) -o "$scratch/stream-pc-static"
# Whole outputs, not pipes into grep -q: its early exit would fail the pipeline (pipefail).
linked=$(ldd "$scratch/totext-pc-shared")
grep -q 'librtfplain\.so\.0 => ' <<<"$linked" || fail "not linked to the .so"
readelf -d "$scratch/stream-pc-static" | grep NEEDED >/dev/null && fail "not static"

mkdir "$scratch/cmake"
cp "$scratch/totext.c" "$scratch/stream.c" "$scratch/cmake/"
cat >"$scratch/cmake/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(consumer C)
find_package(rtfplain 0.1 REQUIRED)
add_executable(totext-cmake-shared totext.c)
target_link_libraries(totext-cmake-shared PRIVATE rtfplain::rtfplain)
add_executable(stream-cmake-static stream.c)
target_link_libraries(stream-cmake-static PRIVATE rtfplain::rtfplain_static)
CMAKE
cmake -S "$scratch/cmake" -B "$scratch/cmake/build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="${cflags[*]}" >/dev/null
cmake --build "$scratch/cmake/build" >/dev/null
cp "$scratch/cmake/build/totext-cmake-shared" "$scratch/cmake/build/stream-cmake-static" "$scratch/"

# The expected files hold the text with LF line ends and a final line end; the stream example
# writes the program's bytes, CR LF.
checked=0
for document in "$fixtures"/*.rtf; do
  expected=${document%.rtf}.txt
  for program in totext-pc-shared totext-cmake-shared; do
    "$scratch/$program" "$document" | cmp -s - "$expected" || fail "$program: $document"
  done
  sed 's/$/\r/' "$expected" >"$scratch/expected-crlf"
  for program in stream-pc-static stream-cmake-static; do
    "$scratch/$program" <"$document" | cmp -s - "$scratch/expected-crlf" || fail "$program: $document"
  done
  checked=$((checked + 1))
done
[ "$checked" -ge 10 ] || fail "only $checked fixtures"
printf 'not rtf' | "$scratch/stream-pc-static" 2>"$scratch/error" && fail "not RTF accepted"
grep -q 'not an RTF document' "$scratch/error" || fail "no status text: $(cat "$scratch/error")"
echo "4 builds x $checked documents: same text"
