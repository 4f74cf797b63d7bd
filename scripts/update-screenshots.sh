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
source scripts/shot-capture.sh
mkdir -p "$out"
declare -A languages=([en]=0 [ja]=7 [de]=2)

for scene in "${scenes[@]}"; do
  for lang in en ja de; do
    done_file=$(mktemp -u)
    capture "update-$scene-$lang" 0 0.5 "$done_file" "$exe" "$scene" "${languages[$lang]}" "$done_file"
  done
done
