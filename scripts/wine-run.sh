#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly: Wine's own messages off, and a prefix of its own
# (build/wine-prefix unless WINEPREFIX names another), made once, on first use.
# Usage: scripts/wine-run.sh PROGRAM.exe [ARGUMENT ...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$root/build/wine-prefix}"
export WINEDEBUG=-all
# No Mono or Gecko install prompts: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=

mkdir -p "$(dirname "$WINEPREFIX")"
# Parallel tests may start together: one of them prepares Wine, the others wait for it.
exec 9>"$WINEPREFIX.lock"
flock 9
# A mark of its own says the prefix is whole: a server that was being stopped can still write
# its registry files into a prefix that was just removed.
if [ ! -f "$WINEPREFIX/.rtfplain-prefix-ready" ]; then
  wineboot --init </dev/null >/dev/null 2>&1 9>&-
  wineserver -w 9>&-
  touch "$WINEPREFIX/.rtfplain-prefix-ready"
fi
# Keep Wine's server, and the services it starts, alive between the many short test runs: each
# run then takes a fraction of a second instead of several. It ends by itself when idle. The
# services are started here, away from the caller's streams, which they would otherwise hold
# open (a test runner waiting for the end of the output would wait for them), and away from the
# lock, which they would otherwise hold for as long as they live.
if wineserver -p 30 </dev/null >/dev/null 2>&1 9>&-; then
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 9>&- || true
fi  # otherwise (status 2) one is already running
exec 9>&-
exec wine "$@"
