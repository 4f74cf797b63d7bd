#!/usr/bin/env bash
# Builds the backup benchmark and runs it under Wine: the corpus lives in
# build/bench/corpus (drive L: of the test prefix, reused between runs), the
# target volume in build/bench/target (drive M:, emptied before each run).
#   bench/run.sh               the main corpus (30,000 mixed files): both floors
#                              (one thread; the compression pool's threads),
#                              the backups, the walk
#   bench/run.sh --memory      small-file corpora of 10,000, 100,000 and
#                              1,000,000 files (the last takes long and about
#                              15 GB of disk: corpus and set)
#   bench/run.sh --restore     restore against its floor: 6,000 small files,
#                              then 6 large ones (--restore --profile: with the
#                              calls per file of one more restore)
#   bench/run.sh ARGS...       other vkbench arguments (--files N, --small)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
source scripts/wine-paths.sh
scripts/setup.sh
cmake --preset x64 >/dev/null
cmake --build --preset x64 -j"$(nproc)" --target vkbench vkrestorebench >/dev/null

# Wine learns its drive letters when it starts: L: and M: must exist before
# test-env.sh starts it, or a new prefix does not know them on the first run.
# run() points L: at the corpus it uses.
bench="$top/build/bench"
mkdir -p "$bench/target"
scripts/wine-prefix.sh "$top/build/x64/wineprefix"
for letter in l m; do
  ln -sfn "$bench/target" "$top/build/x64/wineprefix/dosdevices/$letter:"
done
# The letters are the benchmark's own: the tests' drive lists must not show them.
trap 'rm -f "$top/build/x64/wineprefix/dosdevices/l:" "$top/build/x64/wineprefix/dosdevices/m:"' EXIT
source scripts/test-env.sh build/x64

run() {  # corpus-name vkbench-arguments...
  local name=$1
  shift
  mkdir -p "$bench/$name"
  rm -rf "$bench/target/CorvaneVaultkeep"
  ln -sfn "$bench/$name" "$WINEPREFIX/dosdevices/l:"
  ln -sfn "$bench/target" "$WINEPREFIX/dosdevices/m:"
  local program=vkbench
  if [ "${1:-}" = "--restore" ]; then program=vkrestorebench; shift; fi
  echo "== $program L:\\ M: $*"
  "$VK_WINE" "$top/build/x64/bench/$program.exe" 'L:\' M: "$@"
}

if [ "${1:-}" = "--restore" ]; then
  shift
  run restore-small --restore --small 6000 "$@"
  run restore-large --restore --large 6 "$@"
elif [ "${1:-}" = "--memory" ]; then
  run small10k --files 10000 --small --no-floor
  run small100k --files 100000 --small --no-floor
  run small1m --files 1000000 --small --no-floor
else
  run corpus "$@"
fi
rm -rf "$bench/target/CorvaneVaultkeep"
