#!/usr/bin/env bash
# Runs README's convert-tree.cmd, as it stands, under Wine's cmd on a generated tree whose names
# hold what cmd's parsing trips over (spaces, & ' ! ^ % parentheses, non-ASCII letters, an
# upper-case .RTF) and one document that is not RTF. Every output must be the Linux program's
# bytes; the failures are listed and the exit status is 1. Wine's cmd expands a value again
# (Windows does not), so a document in a folder whose name holds % may be listed instead.
# Usage: convert_tree_cmd_test.sh LINUX_PROGRAM WINDOWS_PROGRAM README
set -euo pipefail
linux_program=$1 windows_program=$2 readme=$3
wine_run="$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-run.sh"
if [ ! -x "$linux_program" ]; then
  echo "skipped: no Linux build at $linux_program (cmake --build --preset default)"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The block after its marker, with the CR LF line ends cmd expects of a batch file.
source "$(dirname "$0")/../lib/readme_block.sh"
readme_block "$readme" convert-tree.cmd | sed 's/$/\r/' >"$scratch/convert-tree.cmd"
grep -q 'attrib +h' "$scratch/convert-tree.cmd" || fail "no convert-tree.cmd found in $readme"
cp "$windows_program" "$scratch/rtfplain.exe"

tree=$scratch/tree
documents=("plain.rtf" "UPPER.RTF" "a b & c/it's (1).rtf" "a b & c/hi!.rtf" "a b & c/ca^ret.rtf"
  "a b & c/100%.rtf" "a b & c/%PATH%.rtf" "Résumés/été ß/日本 文書.rtf" "50% (off)/x.rtf"
  "a/b/c/deep!^&.rtf")
for ((n = 0; n < ${#documents[@]}; ++n)); do
  mkdir -p "$tree/$(dirname "${documents[n]}")"
  printf '{\\rtf1\\ansi\\ansicpg1252 Document %d caf\\'"'"'e9\\par\\u26085?\\tab end}' "$n" \
    >"$tree/${documents[n]}"
done
printf 'plain text\n' >"$tree/Résumés/not rich.rtf"
printf '{\\rtf1 not a document by its name}' >"$tree/a b & c/notes.txt"

# The Linux program's outputs, from its own hidden copy at the tree's root.
mkdir "$scratch/expected"
(cd "$tree" && find . -mindepth 1 -type d -printf '%P\0') |
  (cd "$scratch/expected" && xargs -0 -r mkdir -p --)
cp "$linux_program" "$tree/.linux-rtfplain"
for document in "${documents[@]}"; do
  (cd "$scratch/expected" && "$tree/.linux-rtfplain" "$document") ||
    fail "the Linux program could not convert $document"
done
rm "$tree/.linux-rtfplain"

mkdir "$scratch/out"
status=0
start=$SECONDS
(cd "$scratch/out" && "$wine_run" cmd /c 'Z:'"${scratch//\//\\}"'\convert-tree.cmd' \
  'Z:'"${scratch//\//\\}"'\rtfplain.exe' 'Z:'"${tree//\//\\}") \
  >"$scratch/stdout" 2>"$scratch/report" || status=$?
echo "convert-tree.cmd ran in $((SECONDS - start)) s"
[ "$status" -eq 1 ] || fail "exit status $status, expected 1; report: $(cat "$scratch/report")"
[ -z "$(find "$tree" -name '.rtfplain-*')" ] || fail "the program's copy was left in the tree"

# The report: "Not converted:", then one quoted full path a line. Wine writes names in its own
# code page whatever chcp says, so a run of non-ASCII letters may come out as question marks.
tr -d '\r' <"$scratch/report" >"$scratch/report.lf"
[ "$(head -n 1 "$scratch/report.lf")" = "Not converted:" ] ||
  fail "report: $(cat "$scratch/report.lf")"
prefix="\"Z:${tree//\//\\}\\"
listed=()
while IFS= read -r line; do
  [[ $line == "$prefix"*\" ]] || fail "listed not as a full path in quotes: $line"
  line=${line#"$prefix"} && line=${line%\"}
  listed+=("$(LC_ALL=C sed 's/[^ -~]\+/?/g; s/?\+/?/g' <<<"${line//\\//}")")
done < <(tail -n +2 "$scratch/report.lf")
# As the report would show NAME (non-ASCII runs and question marks alike made one '?').
shown() { LC_ALL=C sed 's/[^ -~]\+/?/g; s/?\+/?/g' <<<"$1"; }
is_listed() {
  local want
  want=$(shown "$1")
  for line in "${listed[@]}"; do [ "$line" = "$want" ] && return 0; done
  return 1
}
is_listed "Résumés/not rich.rtf" || fail "the document that is not RTF is not listed"
expected_listed=1
for document in "${documents[@]}"; do
  if is_listed "$document"; then
    [[ $(dirname "$document") == *%* ]] || fail "listed, yet its folder holds no %: $document"
    [ ! -e "$scratch/out/$document.txt" ] || fail "listed, yet converted: $document"
    rm "$scratch/expected/$document.txt"
    expected_listed=$((expected_listed + 1))
  fi
done
[ "${#listed[@]}" -eq "$expected_listed" ] || fail "listed: $(cat "$scratch/report.lf")"
# Every other document converted to the Linux bytes, and no other output (Wine may leave an
# empty folder where a name holding % was expanded again).
find "$scratch/out" -type d -empty -delete
find "$scratch/expected" -type d -empty -delete
diff -r "$scratch/expected" "$scratch/out" >"$scratch/diff" || fail "outputs differ: $(head "$scratch/diff")"
echo "converted $(find "$scratch/out" -type f | wc -l) documents, listed ${#listed[@]}"
