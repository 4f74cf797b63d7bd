#!/usr/bin/env bash
# Screenshots of the Log tab (each of its views, with logs a real backup and
# restore wrote in the shown language), the Setting tab's language page, the
# version window in English, Japanese and German, and the licence window in
# all eight languages. Each scene runs in settings_shots (the fake tray
# window) under Xvfb and Wine and is saved as docs/screenshots/<scene>-<language>.png.
# Usage: scripts/settings-screenshots.sh [scene...]   (after a test build in build/x64)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
exe=build/x64/tests/windows/settings_shots.exe
engine=build/x64/tools/vkengine.exe
out=docs/screenshots
for f in "$exe" "$engine"; do
  [ -f "$f" ] || { echo "build first: cmake --build build/x64 --target settings_shots vkengine" >&2; exit 1; }
done
unset DISPLAY  # always a fresh virtual screen of our own
source scripts/test-env.sh build/x64
source scripts/shot-capture.sh
mkdir -p "$out"

# The logs live on scratch volume W:, the backed-up folder on C:.
logs_letter=W
volume=build/x64/volumes/${logs_letter,,}
sample="$WINEPREFIX/drive_c/VaultkeepSample"
disk="drive Backup Disk|$logs_letter|$logs_letter|2|1000204886016"
declare -A codes=([en]=0 [fr]=1 [de]=2 [it]=3 [es]=4 [pt]=5 [zh]=6 [ja]=7)

# Two backups (the second after a change) and a restore of the folder, with
# the logs written in language $1: the detail tab then shows the restore's.
make_logs() {
  rm -rf "$volume/CorvaneVaultkeep" "$sample"
  mkdir -p "$sample/Documents/Letters" "$sample/Restored"
  printf 'Dear Sam,\r\nthank you for the photos.\r\n' >"$sample/Documents/Letters/Sam.txt"
  head -c 300000 /dev/urandom >"$sample/Documents/Budget 2017.xlsx"
  head -c 80000 /dev/urandom >"$sample/Documents/Garden plan.pdf"
  scripts/wine-run.sh "$engine" save-plan "$logs_letter:" "Documents" 'C:\VaultkeepSample\Documents' >/dev/null
  scripts/wine-run.sh "$engine" backup "$logs_letter:" --quiet --language "$1" >/dev/null
  printf 'P.S. The roses are out.\r\n' >>"$sample/Documents/Letters/Sam.txt"
  scripts/wine-run.sh "$engine" backup "$logs_letter:" --quiet --language "$1" >/dev/null
  scripts/wine-run.sh "$engine" restore "$logs_letter:" --to 'C:\VaultkeepSample\Restored' \
    --language "$1" >/dev/null
}

# scene name -> the window to take, then the commands
scene() {
  case $1 in
    log-backup|log-restore|log-detail)
      echo main; echo "$disk"; echo open; echo "tab 3"; echo "logtab ${1#log-}" ;;
    language) echo main; echo "$disk"; echo open; echo "tab 4" ;;
    version-window) echo version; echo version ;;
    licence) echo licence; echo licence ;;
  esac
}

shoot() {  # scene language
  local name=$1 lang=$2 lines
  mapfile -t lines < <(scene "$name")
  capture "$name-$lang" 0 0.3 - "$exe" "${lines[0]}" "lang ${codes[$lang]}" "${lines[@]:1}"
}

scenes=("$@")
[ ${#scenes[@]} -gt 0 ] || scenes=(log-backup log-restore log-detail language version-window licence)
for lang in en ja de fr it es pt zh; do
  logs_made=""
  for name in "${scenes[@]}"; do
    case $name in
      licence) ;;                                      # every language
      *) case $lang in en|ja|de) ;; *) continue ;; esac ;;
    esac
    if [[ $name == log-* && -z $logs_made ]]; then make_logs "${codes[$lang]}"; logs_made=1; fi
    shoot "$name" "$lang"
  done
done
rm -rf "$volume/CorvaneVaultkeep" "$sample"
