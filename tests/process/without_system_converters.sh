#!/usr/bin/env bash
# rtfplain must write the same bytes where the system has no code page converters at all (glibc's
# gconv modules missing): every document converted normally, then again in a private mount
# namespace with an empty folder over the gconv folder. Exit 77 (skipped) where no mount
# namespace can be made. A program of another processor starts through RTFPLAIN_EMULATOR (its
# words separated by '|').
# Usage: without_system_converters.sh RTFPLAIN DIR_OR_FILE...
set -euo pipefail

program=$1
shift

gconv=""
for dir in /usr/lib/*/gconv /usr/lib64/gconv /usr/lib/gconv; do
  if [ -e "$dir/gconv-modules" ] || [ -d "$dir/gconv-modules.d" ]; then gconv=$dir; break; fi
done
if [ -z "$gconv" ]; then
  echo "SKIP: no gconv folder found: this system has no converters to take away"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/empty" "$work/normal" "$work/bare"
cp "$program" "$work/program/rtfplain"
# A folder that is not there (the shared corpora, beside the repository) is left out.
present=()
for path in "$@"; do
  [ -e "$path" ] && present+=("$path")
done
: > "$work/list"
if [ ${#present[@]} -gt 0 ]; then find "${present[@]}" -type f -iname '*.rtf' | sort > "$work/list"; fi
if [ ! -s "$work/list" ]; then
  echo "SKIP: no documents"
  exit 77
fi

# Converts every listed document with the program beside it, as users run it; the outputs and
# exit statuses go to the folder given, one numbered pair per document.
cat > "$work/convert.sh" <<'SCRIPT'
set -u
work=$1 out=$2 n=0
unset GCONV_PATH
IFS='|' read -ra emulator <<<"${RTFPLAIN_EMULATOR:-}"
while IFS= read -r doc; do
  n=$((n + 1))
  name=$(basename "$doc")
  cp "$doc" "$work/program/$name"
  rm -f "$work/run/$name.txt"
  mkdir -p "$work/run"
  (cd "$work/run" && "${emulator[@]}" "$work/program/rtfplain" "$name" >/dev/null 2>&1; echo $? > "$out/$n.status")
  [ -f "$work/run/$name.txt" ] && mv "$work/run/$name.txt" "$out/$n.txt"
  rm -f "$work/program/$name"
done < "$work/list"
SCRIPT

bash "$work/convert.sh" "$work" "$work/normal"
# A program that cannot start at all would fail alike both times.
if ! grep -qx 0 "$work"/normal/*.status; then
  echo "the program converted none of the documents"
  exit 1
fi

hide="mount --bind '$work/empty' '$gconv' && [ -z \"\$(ls -A '$gconv')\" ] && bash '$work/convert.sh' '$work' '$work/bare'"
if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
  unshare -m bash -c "$hide"
elif unshare -mr true 2>/dev/null; then
  unshare -mr bash -c "$hide"
else
  echo "SKIP: neither root nor an unprivileged mount namespace is allowed here"
  exit 77
fi

failed=0
n=0
while IFS= read -r doc; do
  n=$((n + 1))
  for part in status txt; do
    a="$work/normal/$n.$part" b="$work/bare/$n.$part"
    [ ! -e "$a" ] && [ ! -e "$b" ] && continue  # no output either time
    if ! cmp -s "$a" "$b"; then
      echo "differs without converters ($part): $doc"
      failed=1
    fi
  done
done < "$work/list"
echo "$n documents converted with and without the system's converters"
exit $failed
