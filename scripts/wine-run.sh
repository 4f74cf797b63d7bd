#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's own prefix (never the
# user's ~/.wine). The prefix is created once; the drive letters P..W of it are
# mapped to scratch folders that tests use as target volumes.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Outside CTest (a program run by hand) the test build folder holds the prefix.
: "${VAULTKEEP_BUILD_DIR:=$here/../build/x64}"
export WINEPREFIX="${WINEPREFIX:-$VAULTKEEP_BUILD_DIR/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

"$here/wine-prefix.sh" "$WINEPREFIX"
exec /usr/lib/wine/wine64 "$@"
