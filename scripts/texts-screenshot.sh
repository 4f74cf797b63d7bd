#!/usr/bin/env bash
# Renders the sample texts of all eight languages (tools/TextSheet) on a
# virtual display and saves docs/screenshots/texts-eight-languages.png.
# Usage: scripts/texts-screenshot.sh [build folder, default build/x64]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-paths.sh"
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/x64}
out=$root/docs/screenshots/texts-eight-languages.png

[ -f "$build/CMakeCache.txt" ] || (cd "$root" && cmake --preset x64 >/dev/null)
cmake --build "$build" --target TextSheet -j2 >/dev/null
source "$root/scripts/test-env.sh" "$build"
wine=$VK_WINE

# The sheet closes itself; capture it once its window is on the display.
"$wine" "$build/tools/TextSheet/TextSheet.exe" 20000 </dev/null >/dev/null 2>&1 &
sheet=$!
for _ in $(seq 300); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Vaultkeep"' && break
  sleep 0.1
done
sleep 2
mkdir -p "$(dirname "$out")"
import -window root "$out"
wait "$sheet" || true
echo "saved $out"
