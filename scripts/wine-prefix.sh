#!/usr/bin/env bash
# Creates the Wine prefix given as $1 once, and maps the volume letters the
# tests use (P..W) to folders under <prefix>/../volumes. Safe to call from
# several processes at once: the first one builds, the others wait.
set -euo pipefail
prefix=$1
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.vk-ready" ]; then
  rm -rf "$prefix"
  WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver64 -w
  [ -d "$prefix/drive_c/windows" ] || { echo "wine-prefix: wineboot failed" >&2; exit 1; }
  touch "$prefix/.vk-ready"
fi
vols="$(dirname "$prefix")/volumes"
for l in p q r s t u v w; do
  mkdir -p "$vols/$l"
  [ -L "$prefix/dosdevices/$l:" ] || ln -sfn "$vols/$l" "$prefix/dosdevices/$l:"
done
