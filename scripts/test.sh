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

cmake -S . -B build/x64 -DVK_ARCH=x86_64 -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/x64 -j"$jobs"

cmake -S . -B build/x86 -DVK_ARCH=i686 -DCMAKE_BUILD_TYPE=Release -DVK_TESTS=OFF >/dev/null
cmake --build build/x86 -j"$jobs"

source scripts/test-env.sh build/x64
ctest --test-dir build/x64 --output-on-failure -j"$jobs" "$@"
