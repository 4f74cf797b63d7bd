#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's own prefix (never the
# user's ~/.wine). The prefix is created once; the drive letters P..W of it are
# mapped to scratch folders that tests use as target volumes.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-paths.sh"

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Outside CTest (a program run by hand) the test build folder holds the prefix.
: "${VAULTKEEP_BUILD_DIR:=$here/../build/x64}"
export WINEPREFIX="${WINEPREFIX:-$VAULTKEEP_BUILD_DIR/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

"$here/wine-prefix.sh" "$WINEPREFIX"

# The program never gets our own output: whatever Wine starts beside it (its
# services, the desktop process) inherits the program's output and may live on
# for the whole session, and a runner that waits for the end of our output
# (CTest does) would then wait until its time-out. The program writes to a file
# instead, and we pass the file on while the program runs.
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
"$VK_WINE" "$@" >"$out" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' TERM INT HUP
tail -n +1 -s 0.1 --pid="$pid" -f "$out" &
tail_pid=$!
rc=0
wait "$pid" || rc=$?
# A signal wakes the first wait early: wait again for the program itself.
while kill -0 "$pid" 2>/dev/null; do wait "$pid" || rc=$?; done
wait "$tail_pid" 2>/dev/null || true
rm -f "$out"
exit "$rc"
