#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted by the root .clang-format.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
files=$(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror $files
