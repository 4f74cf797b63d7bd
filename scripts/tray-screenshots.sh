#!/usr/bin/env bash
# Screenshots of the tray window: the notification icon with its menu open
# and each corner notification the tray raises, in English, Japanese and German.
# Runs the test build's programs (service with a simulated disk) through
# tests/shell/tray_screens.exe, which prints the area to capture once the
# state is on screen; the menu scene runs inside Wine's desktop window so
# that a notification area is drawn.
# Usage: scripts/tray-screenshots.sh [scene...]   (after a test build in build/x64)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
exe=build/x64/tests/shell/tray_screens.exe
out=docs/screenshots
[ -f "$exe" ] || { echo "build first: cmake --build build/x64 --target tray_screens" >&2; exit 1; }
scenes=("$@")
[ ${#scenes[@]} -gt 0 ] || scenes=(menu coming missed-absent missed-attached backup-aborted
                                   restore-aborted backup-failed low-space)
unset DISPLAY  # always a fresh virtual screen of our own
source scripts/test-env.sh build/x64
export VAULTKEEP_TEST_VOLUME=W  # the scratch volume of these shots
mkdir -p "$out"
margin=24  # corner notifications: show a little of the screen around them
declare -A languages=([en]=0 [ja]=7 [de]=2)

for scene in "${scenes[@]}"; do
  for lang in en ja de; do
    done_file=$(mktemp -u)
    fifo=$(mktemp -u); mkfifo "$fifo"
    args=("$exe" "$scene" "${languages[$lang]}" "$done_file")
    if [ "$scene" = menu ]; then
      win_exe="Z:$(realpath "$exe" | tr / '\\')"
      scripts/wine-run.sh explorer /desktop=shot,1024x768 "$win_exe" "${args[@]:1}" \
        >"$fifo" 2>/dev/null &
    else
      scripts/wine-run.sh "${args[@]}" >"$fifo" 2>/dev/null &
    fi
    pid=$!
    line=""
    read -r line <"$fifo" || true
    read -r word x y w h <<<"${line//$'\r'/}" || true
    rm -f "$fifo"
    name="tray-$scene-$lang"
    if [ "${word:-}" != ready ]; then
      echo "screenshot: $name did not show" >&2
      touch "$done_file"; wait "$pid" || true; rm -f "$done_file"
      continue
    fi
    sleep 0.5  # the last paint
    if [ "$scene" != menu ]; then
      x=$((x - margin)); y=$((y - margin)); w=$((w + 2 * margin)); h=$((h + 2 * margin))
    fi
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
    echo "screenshot: $out/$name.png"
    touch "$done_file"
    wait "$pid" || true
    rm -f "$done_file"
  done
done
