#!/usr/bin/env bash
# The download tests' installer and its signatures, made at build time with
# the build folder's test keys:
#   make_download_fixtures.sh SIGNING_SCRIPT KEY_DIR OUT_DIR
# writes OUT_DIR/installer.bin (fixed pseudo-random bytes), installer.good.sig
# (by the key built into the test program) and installer.other.sig (by a key
# the program does not know).
set -euo pipefail
sign=$1 keys=$2 out=$3
mkdir -p "$out"
python3 -c '
import random, sys
random.seed(16)
sys.stdout.buffer.write(bytes(random.getrandbits(8) for _ in range(200 * 1024 + 77)))
' > "$out/installer.bin"
"$sign" sign "$keys/update-test.key.pem" "$out/installer.bin" "$out/installer.good.sig"
"$sign" sign "$keys/other-test.key.pem" "$out/installer.bin" "$out/installer.other.sig"
