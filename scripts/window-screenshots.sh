#!/usr/bin/env bash
# Screenshots of the main window, the plan wizard's and the restore pages,
# the folder tree and the overwrite prompt in English, Japanese and German:
# each scene runs in the window host (a fake tray window over fixed disks)
# under Xvfb and Wine and is saved as docs/screenshots/<scene>-<language>.png.
# Usage: scripts/window-screenshots.sh [scene...]   (after a test build in build/x64)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
exe=build/x64/tests/windows/window_host.exe
out=docs/screenshots
[ -f "$exe" ] || { echo "build first: cmake --build build/x64 --target window_host" >&2; exit 1; }
unset DISPLAY  # always a fresh virtual screen of our own
source scripts/test-env.sh build/x64
source scripts/shot-capture.sh
mkdir -p "$out"

one='drive Backup Disk|E|-|0|1000204886016'
two=('drive Backup Disk|E|E|3|1000204886016' 'drive Photos|FG|G|1|2000398934016')
# The wizard's disk has two partitions on scratch volumes, so the partition
# page lists what the volumes report.
wizard='drive Backup Disk|PQ|-|0|1000204886016'
# scene name, the window to take, then the host's commands
scene() {
  case $1 in
    main-no-disk) echo main ;;
    main-one-disk-no-plan) echo main; echo "$one" ;;
    main-two-plans-backup|main-two-plans-restore|main-two-plans-log|main-two-plans-setting)
      local tab
      case $1 in *backup) tab=1 ;; *restore) tab=2 ;; *log) tab=3 ;; *setting) tab=4 ;; esac
      echo main; printf '%s\n' "${two[@]}"; echo open; echo "select 1"; echo "tab $tab"; return ;;
    restore-sets|restore-location|restore-progress)
      local page
      case $1 in *sets) page=8 ;; *location) page=9 ;; *progress) page=10 ;; esac
      echo main; printf '%s\n' "${two[@]}"; echo open; echo "select 1"; echo "page $page"; return ;;
    folder-tree) echo tree; echo tree; return ;;
    wizard-msg-*)
      # wizard-msg-<text id>-<style>[-<option>[-<check text id>]]
      local spec=${1#wizard-msg-}
      echo message; echo "$one"; echo open; echo "message ${spec//-/|}"; return ;;
    wizard-page-[0-7]) echo main; echo "$wizard"; echo open; echo "page ${1#wizard-page-}"; return ;;
    # Plan and restore wizards, remaining scenes: the restore result and question
    # messages, restore-msg-<text id>-<style>[-log|-nolog], in the window host.
    restore-msg-*)
      local fields=${1#restore-msg-}
      echo message; echo "$one"; echo open; echo "message ${fields//-/|}"; return ;;
    overwrite) echo overwrite; echo 'overwrite 3|C:\Users\Ann\Documents\Quarterly report.docx|1536|2048'; return ;;
  esac
  echo open
}
scenes=("$@")
[ ${#scenes[@]} -gt 0 ] || scenes=(main-no-disk main-one-disk-no-plan main-two-plans-backup
                                   main-two-plans-restore main-two-plans-log main-two-plans-setting
                                   restore-sets restore-location restore-progress
                                   folder-tree overwrite
                                   wizard-page-{0,1,2,3,4,5,6,7}
                                   wizard-msg-1180-65 wizard-msg-1226-16 wizard-msg-1183-65
                                   wizard-msg-1184-321-back wizard-msg-1189-321 wizard-msg-1259-305
                                   wizard-msg-1187-305-check-1188 wizard-msg-1195-64
                                   wizard-msg-1185-305 wizard-msg-1191-128 wizard-msg-1224-385-log
                                   wizard-msg-1224-385-nolog wizard-msg-1193-64 wizard-msg-1230-16
                                   wizard-msg-1231-16 wizard-msg-1232-16 wizard-msg-1229-16
                                   wizard-msg-1233-16 wizard-msg-1257-16 wizard-msg-1268-16
                                   restore-msg-1190-321 restore-msg-1256-305 restore-msg-1247-305
                                   restore-msg-1269-16 restore-msg-1260-305
                                   restore-msg-1261-385-log restore-msg-1261-385-nolog
                                   restore-msg-1197-128 restore-msg-1199-321-log
                                   restore-msg-1250-273-log restore-msg-1251-273-log
                                   restore-msg-1254-273-log restore-msg-1249-273-log
                                   restore-msg-1255-273-log
                                   real-wizard-page-6 real-overwrite-run)
declare -A languages=([en]=0 [ja]=7 [de]=2)

# Scenes of the real program (tests/shell/wizard_screens.exe with the service
# and a simulated disk): real-<file name>, taken from <scene> of that program.
real_exe=build/x64/tests/shell/wizard_screens.exe
real_scene() {
  case $1 in
    real-wizard-page-6) echo plan-view ;;
    real-overwrite-run) echo overwrite ;;
  esac
}
real_shot() {
  local name=$1 lang=$2 done_file
  [ -f "$real_exe" ] || { echo "build first: cmake --build build/x64 --target wizard_screens" >&2; return; }
  done_file=$(mktemp -u)
  VAULTKEEP_TEST_VOLUME=W capture "${name#real-}-$lang" 0 0.5 "$done_file" \
    "$real_exe" "$(real_scene "$name")" "${languages[$lang]}" "$done_file"
}

for name in "${scenes[@]}"; do
  langs=(en ja de)
  case $name in real-overwrite-run) langs=(en) ;; esac  # a moment of a real run, in English
  case $name in
    real-*)
      for lang in "${langs[@]}"; do real_shot "$name" "$lang"; done
      continue ;;
  esac
  for lang in "${langs[@]}"; do
    mapfile -t lines < <(scene "$name")
    capture "$name-$lang" 0 0.3 - "$exe" --shot "${lines[0]}" "lang ${languages[$lang]}" "${lines[@]:1}"
  done
done
