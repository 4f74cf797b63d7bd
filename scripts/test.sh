#!/usr/bin/env bash
# Builds everything from a clean checkout and runs every test under Wine.
#   build/x64  the test build (64-bit, run by the 64-bit Wine of these machines)
#   build/x86  the release build of the 32-bit programs
# Usage: scripts/test.sh [extra ctest arguments]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"

scripts/setup.sh
jobs=$(nproc)

cmake --preset x64 >/dev/null
cmake --build --preset x64 -j"$jobs"

cmake --preset x86 >/dev/null
cmake --build --preset x86 -j"$jobs"

source scripts/test-env.sh build/x64
ctest --test-dir build/x64 --output-on-failure -j"$jobs" "$@"
