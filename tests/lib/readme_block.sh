# Sourced by the tests that run README's blocks as they stand.

# readme_block README MARKER: the first fenced block after the line that starts with
# "<!-- MARKER" and then ":" or " -->", without the indentation of its fence (a block inside a
# list item).
readme_block() {
  awk -v mark="<!-- $2" '
    { line = $0; sub(/^ */, "", line) }
    index(line, mark) == 1 && substr(line, length(mark) + 1, 1) ~ /[: ]/ { marked = 1; next }
    marked && /^ *```/ { if (inside) exit; inside = 1; match($0, /^ */); cut = RLENGTH; next }
    inside { print substr($0, cut + 1) }' "$1"
}
