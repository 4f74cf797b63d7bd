#!/usr/bin/env bash
# Screenshots of the update path: the update notice, the update page, the
# download window part of the way through and the download's failure
# message, and the version window, in English, Japanese and German. Runs
# the test build's programs (the service checking a local server) through
# tests/shell/update_screens.exe, which prints the area to capture once the
# state is on screen; each is saved as docs/screenshots/update-<scene>-<language>.png.
# Usage: scripts/update-screenshots.sh [scene...]   (after a test build in build/x64)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
exe=build/x64/tests/shell/update_screens.exe
out=docs/screenshots
[ -f "$exe" ] || { echo "build first: cmake --build build/x64 --target update_screens" >&2; exit 1; }
scenes=("$@")
[ ${#scenes[@]} -gt 0 ] || scenes=(notice page download failure version)
unset DISPLAY  # always a fresh virtual screen of our own
source scripts/test-env.sh build/x64
mkdir -p "$out"
declare -A languages=([en]=0 [ja]=7 [de]=2)

for scene in "${scenes[@]}"; do
  for lang in en ja de; do
    done_file=$(mktemp -u)
    fifo=$(mktemp -u); mkfifo "$fifo"
    scripts/wine-run.sh "$exe" "$scene" "${languages[$lang]}" "$done_file" >"$fifo" 2>/dev/null &
    pid=$!
    line=""
    read -r line <"$fifo" || true
    read -r word x y w h <<<"${line//$'\r'/}" || true  # the console may end lines with CR LF
    rm -f "$fifo"
    name="update-$scene-$lang"
    if [ "${word:-}" != ready ]; then
      echo "screenshot: $name did not show" >&2
      touch "$done_file"; wait "$pid" || true; rm -f "$done_file"
      continue
    fi
    sleep 0.5  # the last paint
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
    echo "screenshot: $out/$name.png"
    touch "$done_file"
    wait "$pid" || true
    rm -f "$done_file"
  done
done
