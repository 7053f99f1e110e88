#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under ctest.
# Extra arguments go to ctest (for example -L play).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" -DKORIMO_BUILD_TESTS=ON
build=${KORIMO_BUILD_DIR:-$root/build}
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 "$@"
