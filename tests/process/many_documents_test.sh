#!/usr/bin/env bash
# Runs README's "Many documents" script on a generated tree: nested folders, names with spaces,
# tabs and non-ASCII letters, a few documents that must fail. Every output's bytes and the
# script's status and report are checked.
# Usage: many_documents_test.sh PROGRAM README
set -euo pipefail
program=$(realpath -e -- "$1")
readme=$2
export LC_ALL=C

scratch=$(mktemp -d)
trap 'rm -rf -- "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# README's script starts the program itself: a program of another processor (the arm64 build
# here) starts only where the system runs it through its emulator (binfmt_misc).
status=0
"$program" >/dev/null 2>&1 || status=$?
if [ "$status" -eq 126 ]; then
  echo "skipped: this system cannot start $program itself (another processor's program)"
  exit 77
fi

# The script exactly as README shows it: the fenced block after its marker.
source "$(dirname "$0")/../lib/readme_block.sh"
readme_block "$readme" convert-tree.sh >"$scratch/convert-tree.sh"
grep -q 'xargs -0' "$scratch/convert-tree.sh" || fail "no script found in $readme"

tree=$scratch/archive
expected=$scratch/expected
folders=("" "2019" "2019/Q1 reports" "2019/Q1 reports/drafts" "Résumés" "Résumés/été 2020"
  "日本語 文書" $'tab\tfolder' "a/b/c/d/e" "-dash")
for folder in "${folders[@]}"; do mkdir -p "$tree/$folder" "$expected/$folder"; done

# Each document's text holds its number, so a document converted under another's name shows.
document() {  # FOLDER NAME N
  local path=${1:+$1/}$2
  printf '%s' "{\\rtf1\\ansi\\ansicpg1252 Document $3 caf\\'e9\\par {\\b item $3}\\tab end}" \
    >"$tree/$path"
  printf 'Document %s caf\xc3\xa9\r\nitem %s\tend\r\n' "$3" "$3" >"$expected/$path.txt"
}
names=("plain %d.rtf" "na\xc3\xafve %d.rtf" "UPPER%d.RTF" "  lead %d.rtf" "multi  space\t%d.rtf")
for ((n = 0; n < 300; ++n)); do
  folder=${folders[n % ${#folders[@]}]}
  # shellcheck disable=SC2059  # the names are the formats
  printf -v name "${names[n % ${#names[@]}]}" "$n"
  document "$folder" "$name" "$n"
done
document "2019" 'inner"quote.rtf' q  # a quote without spaces is kept
# Refused: a name that begins with a quote, one with a quote and a space, a document that is
# not RTF. Their outputs must not appear.
printf '{\\rtf1 x}' >"$tree/\"quoted\".rtf"
printf '{\\rtf1 x}' >"$tree/Résumés/say \"hi\".rtf"
printf 'plain text\n' >"$tree/2019/not rich.rtf"
printf '{\\rtf1 not a document by its name}' >"$tree/2019/notes.txt"
refused=$'"quoted".rtf\n2019/not rich.rtf\nRésumés/say "hi".rtf'

# A symbolic link to the program works too: the script resolves it.
ln -s "$program" "$scratch/linked-rtfplain"
mkdir "$scratch/out"
status=0
(cd "$scratch/out" && bash "$scratch/convert-tree.sh" "$scratch/linked-rtfplain" "$tree") \
  2>"$scratch/report" || status=$?

[ "$status" -eq 1 ] || fail "exit status $status, expected 1"
[ "$(cat "$scratch/report")" = "Not converted (3):"$'\n'"$refused" ] ||
  fail "report: $(cat "$scratch/report")"
diff -r "$expected" "$scratch/out" >"$scratch/diff" ||
  fail "outputs differ: $(head "$scratch/diff")"
[ -z "$(find "$tree" -name '.rtfplain.*')" ] || fail "the program's link was left in the tree"

# A tree with nothing refused: exit status 0 and a quiet run.
mkdir "$scratch/out2"
(cd "$scratch/out2" && bash "$scratch/convert-tree.sh" "$program" "$tree/日本語 文書") \
  >"$scratch/report2" 2>&1 || fail "clean tree: $(cat "$scratch/report2")"
[ ! -s "$scratch/report2" ] || fail "clean tree printed: $(cat "$scratch/report2")"
diff -r "$expected/日本語 文書" "$scratch/out2" || fail "clean tree outputs differ"
echo "converted 301 documents, refused 3"
