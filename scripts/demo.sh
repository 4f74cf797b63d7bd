#!/usr/bin/env bash
# Shows the product as a user gets it, in a Wine prefix of its own:
#   1. builds the test build's programs, their installer and the journey
#      program that drives them (tests/journey);
#   2. makes a fresh demo prefix in build/x64/demo (booted twice: in a brand-new
#      prefix the first start of a service fails with error 31);
#   3. makes the user's folders (Documents, Pictures, Music, Videos) with a
#      small sample tree, or with a copy of the folder named as the first
#      argument in Documents (the original is only read);
#   4. installs Vaultkeep with its installer (silently), attaches a simulated
#      USB disk backed by a folder, and starts the program.
# On a person's desktop (DISPLAY set) the program is left running there to be
# used. Without a display the journey walks itself under a virtual screen:
# a plan made with the wizard, Backup Now, a scheduled backup, the disk pulled
# out and back, two restores, the log, Japanese and back, an update refused,
# the uninstaller. Each step prints what it verified and leaves its picture in
# build/x64/demo/screenshots.
# Usage: scripts/demo.sh [folder]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-paths.sh"
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
source_folder=${1:-}
if [ -n "$source_folder" ] && [ ! -d "$source_folder" ]; then
  echo "demo: $source_folder is not a folder" >&2
  exit 2
fi
source_folder=${source_folder:+$(cd "$source_folder" && pwd)}
started=$(date +%s)

echo "== Building the programs, the installer and the journey (build/x64)"
scripts/setup.sh
cmake --preset x64 >/dev/null
cmake --build --preset x64 -j"$(nproc)" --target vk_installer journey_e2e >/dev/null

demo="$top/build/x64/demo"
# A demo left running by an earlier run ends with its Wine session.
[ -d "$demo/wineprefix" ] && WINEPREFIX="$demo/wineprefix" "$VK_WINESERVER" -k 2>/dev/null || true
rm -rf "$demo"
mkdir -p "$demo/screenshots"

if [ -n "${DISPLAY:-}" ]; then walk=0; else walk=1; fi
echo "== Making the demo's Wine prefix (build/x64/demo/wineprefix)"
# The prefix, its volume letters P..W (build/x64/demo/volumes), a virtual
# screen when there is no display, and the second boot.
source scripts/test-env.sh "$demo"
export VAULTKEEP_TEST_VOLUME=P

# The user's folders live in a profile folder of the prefix: the prefix's
# own Documents and the like are links to this machine's home folder, which
# the demo leaves alone.
user="$WINEPREFIX/drive_c/users/Ann"
lines() { awk -v n="$1" -v text="$2" 'BEGIN { for (i = 1; i <= n; i++) print text, i }'; }
mkdir -p "$user/Documents" "$user/Pictures" "$user/Music" "$user/Videos"
if [ -n "$source_folder" ]; then
  cp -a "$source_folder" "$user/Documents/"
else
  mkdir -p "$user/Documents/Letters" "$user/Pictures/2026"
  for i in 1 2 3; do
    lines 2000 "Dear Ann, this is letter $i of the demo." > "$user/Documents/Letters/letter$i.txt"
  done
  lines 50000 "Quarterly report line" > "$user/Documents/report.txt"
  head -c 1500000 /dev/urandom > "$user/Pictures/2026/holiday.raw"
  head -c 300000 /dev/urandom > "$user/Music/song.mp3"
  head -c 400000 /dev/urandom > "$user/Videos/clip.raw"
fi
windows() { echo "Z:$(echo "$1" | tr / '\\')"; }
export VAULTKEEP_JOURNEY_LIBRARY='C:\users\Ann'
journey=build/x64/tests/journey/journey_e2e.exe
echo "   the user's folders: $user"
echo "   the USB disk:       $demo/volumes/p (drive P:)"

if [ "$walk" = 0 ]; then
  echo "== Installing, attaching the disk and opening the main window on $DISPLAY"
  VAULTKEEP_JOURNEY_HANDOVER=1 scripts/wine-run.sh "$journey" --gtest_brief=1
  echo
  echo "Vaultkeep runs in the notification area of this desktop, its main window open."
  echo "Make a plan, back up, restore; the disk's backups are in $demo/volumes/p."
  read -r -p "Press Enter to end the demo (its Wine session ends with it). " _ || true
  exit 0
fi

echo "== Walking the journey on a virtual screen"
export VAULTKEEP_JOURNEY_SHOTS
VAULTKEEP_JOURNEY_SHOTS=$(windows "$demo/screenshots")
rc=0
scripts/wine-run.sh "$journey" --gtest_brief=1 || rc=$?
for bmp in "$demo"/screenshots/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo
echo "== Pictures of the steps: $demo/screenshots"
ls "$demo/screenshots"
echo "== The disk after the uninstall still holds the backups: $demo/volumes/p/CorvaneVaultkeep"
ls -l "$demo/volumes/p/CorvaneVaultkeep/Backup" 2>/dev/null || true
echo
if [ "$rc" = 0 ]; then
  echo "The journey passed in $(( $(date +%s) - started )) s."
else
  echo "The journey failed (see above)." >&2
fi
echo "Run it again: scripts/demo.sh [folder]   (with DISPLAY set, the program stays for you to use)"
exit "$rc"
