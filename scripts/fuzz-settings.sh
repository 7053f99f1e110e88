#!/usr/bin/env bash
# Builds the settings store's round-trip fuzzer with clang, AddressSanitizer and UBSan, seeds
# it with texts that the INI format treats specially, and runs it for a bounded time.
# Usage: scripts/fuzz-settings.sh [seconds]   (default 600); build in $KORIMO_FUZZ_BUILD_DIR.
set -euo pipefail
. "$(dirname "$0")/fuzz-common.sh"
fuzz_prepare settings "${1:-}"
if [ -z "$(ls -A "$seeds")" ]; then
    # Raw inputs: the fuzzer reads its choices from them, so any bytes make a case.
    printf 'Captures\xc2\xa0 \t\n"a;b",c=d\\e @x #y [z]' >"$seeds/awkward"
    printf '\x01\x02\x03 \x00\x7f\xff\xfe\x10\x20\x30\x40' >"$seeds/controls"
fi

"$build/fuzz/korimo_fuzz_settings" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$build/" "$corpus" "$seeds"
