#!/usr/bin/env bash
# Screenshots of the skinned windows: runs each scene of the showcase program
# under Xvfb and Wine, captures the screen once the window is painted and
# saves the window's part as docs/screenshots/<scene>.png.
# Usage: scripts/screenshot.sh [scene...]   (after a test build in build/x64)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
exe=build/x64/tests/controls/controls_showcase.exe
out=docs/screenshots
[ -f "$exe" ] || { echo "build first: cmake --build build/x64" >&2; exit 1; }
scenes=("$@")
[ ${#scenes[@]} -gt 0 ] || scenes=(msg-305 msg-385-log msg-385-nolog msg-check msg-back msg-error
                                   popup-error popup-warning popup-info controls)
unset DISPLAY  # always a fresh virtual screen of our own
source scripts/test-env.sh build/x64
source scripts/shot-capture.sh
mkdir -p "$out"
margin=24  # corner notifications: show a little of the screen around them

for scene in "${scenes[@]}"; do
  around=0
  [[ $scene != popup-* ]] || around=$margin
  capture "$scene" "$around" 0.3 - "$exe" "$scene"
done
