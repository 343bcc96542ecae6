# Shared by the cluster recipes' tests: README's blocks (readme_block), a generated archive with the program's
# own outputs, free ports, and skipping. Sourced; the caller sets -euo pipefail and $scratch.

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "skipped: $*"; exit 77; }

source "$(dirname "${BASH_SOURCE[0]}")/../lib/readme_block.sh"

# make_archive PROGRAM ARCHIVE EXPECTED: several top-level folders of documents (spaces, quotes,
# non-ASCII letters, an upper-case .RTF, nested folders) and in EXPECTED the program's outputs,
# as it writes them run from EXPECTED with each document's path. Sets `failing`: the documents
# that are no RTF (their paths under ARCHIVE), and `documents`: all the others.
make_archive() {
  local program=$1 archive=$2 expected=$3 n=0 folder name
  documents=() failing=()
  for folder in "2019" "2019/Q1 reports" "Résumés été" "日本語 文書" "it's (5) & more" "a/b/c" "-dash"; do
    for name in "plain %d.rtf" "na\xc3\xafve %d.rtf" "UPPER%d.RTF"; do
      # shellcheck disable=SC2059  # the names are formats
      printf -v name "$name" "$n"
      mkdir -p "$archive/$folder"
      printf '{\\rtf1\\ansi\\ansicpg1252 Document %d caf\\'"'"'e9\\par\\u26085?\\tab end}' "$n" \
        >"$archive/$folder/$name"
      documents+=("$folder/$name")
      n=$((n + 1))
    done
  done
  printf 'plain text\n' >"$archive/2019/not rich.rtf"
  printf 'no RTF either\n' >"$archive/日本語 文書/broken.RTF"
  printf '{\\rtf1 not a document by its name}' >"$archive/2019/notes.txt"
  failing=("2019/not rich.rtf" "日本語 文書/broken.RTF")
  (cd "$archive" && find . -mindepth 1 -type d -printf '%P\0') |
    (mkdir -p "$expected" && cd "$expected" && xargs -0 mkdir -p --)
  cp "$program" "$archive/.expected-rtfplain"
  for name in "${documents[@]}"; do
    (cd "$expected" && "$archive/.expected-rtfplain" "$name") || fail "the program failed on $name"
  done
  rm "$archive/.expected-rtfplain"
}

# A TCP port on 127.0.0.1 that nothing listens on now.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits up to SECONDS for COMMAND to succeed.
wait_for() {
  local seconds=$1
  shift
  for ((i = 0; i < seconds * 5; ++i)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done
  return 1
}
