#!/usr/bin/env bash
# Shows the product's main job - an incremental backup to a target volume -
# with the console engine tool, until the windows exist:
#   1. maps a scratch folder as drive K: of the Wine prefix (the target volume);
#   2. saves a plan on K: for a sample tree: a small tree made here, or a copy
#      of the folder named as the first argument (the original is never touched);
#   3. runs a first backup, changes a few files, runs a second backup;
#   4. prints what each run stored, reused and left out, the paths of the sets
#      and of the logs, and the logs themselves;
#   5. restores the first set to a new folder on K: and compares it with the
#      tree as it was backed up.
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

scripts/setup.sh
cmake --preset x64 >/dev/null
cmake --build --preset x64 -j"$(nproc)" --target vkengine >/dev/null
demo="$top/build/x64/demo"
rm -rf "$demo"
mkdir -p "$demo/target"
# The drive letter is mapped before Wine starts, so that it sees the volume.
scripts/wine-prefix.sh "$top/build/x64/wineprefix"
ln -sfn "$demo/target" "$top/build/x64/wineprefix/dosdevices/k:"
source scripts/test-env.sh build/x64
tool() { "$VK_WINE" "$top/build/x64/tools/vkengine.exe" "$@"; }

sample="$demo/sample"
lines() { awk -v n="$1" -v text="$2" 'BEGIN { for (i = 1; i <= n; i++) print text, i }'; }
if [ -n "$source_folder" ]; then
  cp -a "$source_folder" "$sample"
else
  mkdir -p "$sample/Documents/Letters" "$sample/Pictures/2026" "$sample/Music" "$sample/Empty"
  for i in 1 2 3; do
    lines 2000 "Dear Ann, this is letter $i of the demo." > "$sample/Documents/Letters/letter$i.txt"
  done
  lines 100000 "Quarterly report line" > "$sample/Documents/report.txt"
  head -c 2500000 /dev/urandom > "$sample/Pictures/2026/holiday.raw"
  head -c 300000 /dev/urandom > "$sample/Music/song.mp3"
  : > "$sample/Documents/empty.txt"
  # Left out by the entry filter: housekeeping and temporary files.
  echo thumbnails > "$sample/Pictures/Thumbs.db"
  echo lock > "$sample/Documents/~\$report.docx"
  echo scratch > "$sample/Documents/render.tmp"
fi
windows_sample="Z:$(echo "$sample" | tr / '\\')"

echo "== Target volume K: is $demo/target"
tool save-plan K: Demo "$windows_sample"
echo
echo "== First backup"
tool backup K:
echo
before="$demo/before-changes"
cp -a "$sample" "$before"
echo "== Changing a few files"
changed=0
while IFS= read -r -d '' f; do
  echo "changed by the demo" >> "$f"
  echo "   changed $f"
  changed=$((changed + 1))
  [ "$changed" -ge 2 ] && break
done < <(find "$sample" -type f -name '*.txt' -print0 | sort -z)
echo "a new file" > "$sample/new-file.txt"
echo "   added   $sample/new-file.txt"
echo
echo "== Second backup"
tool backup K:
echo
echo "== Sets on K:"
tool list K:
echo
for log in storage-backup.log backup-detail.log; do
  echo "== $log (K:\\CorvaneVaultkeep\\Log\\$log)"
  iconv -f UTF-16 -t UTF-8 "$demo/target/CorvaneVaultkeep/Log/$log" | tr -d '\r' | head -n 60
  echo
done

echo "== Restoring the first set to K:\\Restored"
tool restore K: --set 1 --to 'K:\Restored'
restored="$demo/target/Restored/Z${sample}"
if diff -r --exclude=Thumbs.db --exclude='~$report.docx' --exclude=render.tmp \
    "$before" "$restored" >/dev/null; then
  echo "   the restored tree equals the tree of the first backup, byte for byte"
else
  echo "   the restored tree differs from the tree of the first backup" >&2
  exit 1
fi
iconv -f UTF-16 -t UTF-8 "$demo/target/CorvaneVaultkeep/Log/storage-restore.log" | tr -d '\r' | head -n 12
