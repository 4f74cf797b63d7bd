#!/usr/bin/env bash
# Shows the product's main job. Until the backup run is in place this builds
# everything and runs the tests.
set -euo pipefail
exec "$(dirname "${BASH_SOURCE[0]}")/test.sh" "$@"
