#!/usr/bin/env bash
# Installs what is missing, builds, and starts Korimo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" -DKORIMO_BUILD_TESTS=OFF -DKORIMO_BUILD_BENCH=OFF
exec "${KORIMO_BUILD_DIR:-$root/build}/bin/korimo"
