#!/usr/bin/env bash
# Creates the Wine prefix given as $1 once, and maps the volume letters the
# tests use (P..W) to folders under <prefix>/../volumes. Safe to call from
# several processes at once: the first one builds, the others wait.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-paths.sh"
prefix=$1
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.vk-ready" ]; then
  # A first boot that is cut short (seen on a loaded machine) leaves a prefix
  # without its system files, where no program starts: boot again until the
  # system folder is really there.
  for attempt in 1 2 3; do
    rm -rf "$prefix"
    WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
      "$VK_WINE" wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX="$prefix" "$VK_WINESERVER" -w || true
    [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ] && break
    echo "wine-prefix: boot $attempt of a new prefix left no system files; booting again" >&2
  done
  # The faces the program draws with do not exist here: map each to an
  # installed font that covers its script (Song-style serif for SimSun).
  while IFS='=' read -r face font; do
    WINEPREFIX="$prefix" WINEDEBUG=-all "$VK_WINE" reg add \
      'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "$font" /f \
      >/dev/null 2>&1 || true
  done <<'FONTS'
Segoe UI=Liberation Sans
SimSun=Noto Serif CJK SC
Meiryo UI=Noto Sans CJK JP
FONTS
  # No window manager runs under Xvfb: tell Wine to manage the windows
  # itself, or it waits for one each time a dialog closes.
  WINEPREFIX="$prefix" WINEDEBUG=-all "$VK_WINE" reg add \
    'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" "$VK_WINESERVER" -w
  [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ] ||
    { echo "wine-prefix: wineboot failed" >&2; exit 1; }
  touch "$prefix/.vk-ready"
fi
vols="$(dirname "$prefix")/volumes"
for l in p q r s t u v w; do
  mkdir -p "$vols/$l"
  [ -L "$prefix/dosdevices/$l:" ] || ln -sfn "$vols/$l" "$prefix/dosdevices/$l:"
done
