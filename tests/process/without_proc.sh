#!/usr/bin/env bash
# rtfplain finds its folder where /proc is missing, from the name it was started by, and writes
# the same bytes as a normal run: for the document given, and for a long one whose text leaves
# while it is read (into a file under a hidden name beside the output, as a nameless one cannot
# be named without /proc/self/fd), leaving nothing else beside the output.
#   hidden-proc: /proc hidden under an empty tmpfs in a private mount namespace; started by a
#                relative name, and by its bare name through PATH via a symbolic link.
#   empty-root:  a folder holding only the program and the document, entered with chroot (no
#                /proc, no libraries, nothing else); started by its path and by its name on PATH.
# Exit 77 (skipped) where neither root nor an unprivileged namespace allows it. A program of
# another processor starts through RTFPLAIN_EMULATOR (its words separated by '|'); only its
# empty root is tried, with the emulator (static, as the program is) copied in: the emulator
# answers /proc/self/exe itself, so hiding /proc would test nothing of the program's.
# Usage: without_proc.sh hidden-proc|empty-root RTFPLAIN DOCUMENT
set -euo pipefail

mode=$1 program=$2 document=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tool" "$work/normal"
cp "$program" "$work/tool/rtfplain"
cp "$document" "$work/tool/doc.rtf"
awk 'BEGIN { printf "{\\rtf1\\ansi "; for (k = 0; k < 10000; k++)
  printf "Line %d of a long document.\\par\n", k; print "}" }' >"$work/tool/long.rtf"
IFS='|' read -ra emulator <<<"${RTFPLAIN_EMULATOR:-}"
(cd "$work/normal" && "${emulator[@]}" "$work/tool/rtfplain" doc.rtf &&
  "${emulator[@]}" "$work/tool/rtfplain" long.rtf)

# As root, or as the root of a user namespace where this system allows one.
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if unshare -r true 2>/dev/null; then as_root=("$(command -v unshare)" -r); else
    echo "SKIP: neither root nor an unprivileged user namespace is allowed here"
    exit 77
  fi
fi

# same FOLDER HOW: both outputs in FOLDER are a normal run's.
same() {
  for name in doc long; do
    if ! cmp "$work/normal/$name.rtf.txt" "$1/$name.rtf.txt"; then
      echo "differs from a normal run: $name.rtf $2"
      exit 1
    fi
  done
}

case $mode in
  hidden-proc)
    if [ ${#emulator[@]} -gt 0 ]; then
      echo "SKIP: the emulator answers /proc/self/exe itself"
      exit 77
    fi
    mkdir -p "$work/bin" "$work/relative" "$work/path"
    ln -s ../tool/rtfplain "$work/bin/rtfplain"
    hide='mount -t tmpfs none /proc && [ ! -e /proc/self ]'
    if ! "${as_root[@]}" unshare --mount --propagation private sh -c "$hide" 2>/dev/null; then
      echo "SKIP: no private mount namespace with an empty /proc can be made here"
      exit 77
    fi
    # The empty entry is the current directory, which holds no program.
    "${as_root[@]}" unshare --mount --propagation private sh -c "$hide"'
      cd "$1/relative" && ../tool/rtfplain doc.rtf && ../tool/rtfplain long.rtf &&
      cd "$1/path" && export PATH="$1/none::$1/bin" && rtfplain doc.rtf && rtfplain long.rtf
    ' sh "$work"
    same "$work/relative" "started as ../tool/rtfplain without /proc"
    same "$work/path" "started by its name on PATH without /proc"
    for folder in relative path; do
      listing=$(cd "$work/$folder" && ls -A | LC_ALL=C sort | tr '\n' ' ')
      if [ "$listing" != "doc.rtf.txt long.rtf.txt " ]; then
        echo "more than the outputs in $folder: $listing"
        exit 1
      fi
    done
    ;;
  empty-root)
    chroot=$(command -v chroot || true)
    if [ -z "$chroot" ]; then
      echo "SKIP: no chroot command"
      exit 77
    fi
    root=$work/root
    starts=(/rtfplain rtfplain) inside=() extra=""
    if [ ${#emulator[@]} -gt 0 ]; then
      if readelf -l "${emulator[0]}" | grep INTERP >/dev/null; then
        echo "SKIP: the emulator ${emulator[0]} is not static, so it cannot start in an empty root"
        exit 77
      fi
      starts=(/rtfplain) inside=(/emulator) extra="emulator "
    fi
    for start in "${starts[@]}"; do
      rm -rf "$root" && mkdir "$root"
      cp "$work/tool/rtfplain" "$work/tool/doc.rtf" "$work/tool/long.rtf" "$root/"
      [ -z "$extra" ] || cp "${emulator[0]}" "$root/emulator"
      # chroot starts the program in the root's / (the output's folder) and searches its PATH.
      for name in doc long; do
        env -i PATH=/ "${as_root[@]}" "$chroot" "$root" "${inside[@]}" "$start" $name.rtf
      done
      same "$root" "started as $start in an empty root"
      listing=$(cd "$root" && ls -A | LC_ALL=C sort | tr '\n' ' ')
      if [ "$listing" != "doc.rtf doc.rtf.txt ${extra}long.rtf long.rtf.txt rtfplain " ]; then
        echo "the empty root holds more than the program, the document and its output: $listing"
        exit 1
      fi
    done
    ;;
  *)
    echo "unknown mode: $mode" >&2
    exit 2
    ;;
esac
echo "$mode: converted, byte-identical to a normal run"
