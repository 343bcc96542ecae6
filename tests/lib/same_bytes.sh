# Shared by the tests that convert the same documents with two builds of rtfplain (this
# machine's and another processor's or system's) and compare what they give. Source it, then:
#   same_bytes_stage REFERENCE_PROGRAM OTHER_PROGRAM OTHER_NAME FOLDER_OR_DOCUMENT...
#     copies both programs and every document (a folder gives the *.rtf files under it; a
#     missing one is left out with a note) into $scratch/reference and $scratch/other, each with
#     an out/ folder to run from; the documents' names are in the array `names`
#   same_bytes_compare OTHER_STATUSES
#     compares the exit statuses ($scratch/reference/statuses against OTHER_STATUSES, each line
#     "NAME STATUS") and the outputs; fails when any differs or when no document converted

same_bytes_stage() {
  local reference_program="$1" other_program="$2" other_name="$3" given document name
  shift 3
  local documents=()
  for given in "$@"; do
    if [ -d "$given" ]; then
      mapfile -d '' -O "${#documents[@]}" documents < <(find "$given" -type f -iname '*.rtf' -print0 | sort -z)
    elif [ -f "$given" ]; then
      documents+=("$given")
    else
      echo "note: $given is missing, left out"
    fi
  done
  scratch="$(mktemp -d)"
  trap 'rm -rf "$scratch"' EXIT
  mkdir -p "$scratch/reference/out" "$scratch/other/out"
  cp "$reference_program" "$scratch/reference/rtfplain"
  cp "$other_program" "$scratch/other/$other_name"
  names=()
  for document in "${documents[@]}"; do
    name="$(basename "$document")"
    if [ -e "$scratch/reference/$name" ]; then
      echo "two documents named $name"
      exit 1
    fi
    names+=("$name")
    cp "$document" "$scratch/reference/$name"
    cp "$document" "$scratch/other/$name"
  done
  # The reference build, as users run it: from out/, reading from its own folder.
  local status
  for name in "${names[@]}"; do
    status=0
    (cd "$scratch/reference/out" && ../rtfplain "$name") || status=$?
    echo "$name $status" >>"$scratch/reference/statuses"
  done
}

same_bytes_compare() {
  local failed=0 converted=0 name reference_text other_text
  diff -u "$scratch/reference/statuses" "$1" || failed=1
  for name in "${names[@]}"; do
    reference_text="$scratch/reference/out/$name.txt" other_text="$scratch/other/out/$name.txt"
    [ -e "$reference_text" ] && converted=$((converted + 1))
    if [ -e "$reference_text" ] || [ -e "$other_text" ]; then
      if ! cmp "$reference_text" "$other_text"; then
        echo "differs: $name"
        failed=$((failed + 1))
      fi
    fi
  done
  echo "${#names[@]} documents ($converted converted), $failed differ"
  [ "$failed" -eq 0 ] && [ "$converted" -gt 0 ]
}
