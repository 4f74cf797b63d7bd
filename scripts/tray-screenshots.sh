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
source scripts/shot-capture.sh
export VAULTKEEP_TEST_VOLUME=W  # the scratch volume of these shots
mkdir -p "$out"
margin=24  # corner notifications: show a little of the screen around them
declare -A languages=([en]=0 [ja]=7 [de]=2)

for scene in "${scenes[@]}"; do
  for lang in en ja de; do
    done_file=$(mktemp -u)
    args=("$exe" "$scene" "${languages[$lang]}" "$done_file")
    if [ "$scene" = menu ]; then
      win_exe="Z:$(realpath "$exe" | tr / '\\')"
      capture "tray-$scene-$lang" 0 0.5 "$done_file" \
        explorer /desktop=shot,1024x768 "$win_exe" "${args[@]:1}"
    else
      capture "tray-$scene-$lang" "$margin" 0.5 "$done_file" "${args[@]}"
    fi
  done
done
