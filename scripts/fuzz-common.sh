# Sourced by the fuzz-*.sh scripts so each fuzzer is built and laid out the same way.
# Usage: fuzz_prepare NAME [seconds] — builds korimo_fuzz_NAME with clang, AddressSanitizer and
# UBSan in $KORIMO_FUZZ_BUILD_DIR, and sets build, seconds, corpus and seeds for the caller.
fuzz_prepare() {
    local root
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    build=${KORIMO_FUZZ_BUILD_DIR:-$root/build-fuzz}
    seconds=${2:-600}

    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKORIMO_BUILD_FUZZ=ON -DKORIMO_BUILD_TESTS=OFF -DKORIMO_BUILD_BENCH=OFF >/dev/null
    cmake --build "$build" --target "korimo_fuzz_$1"

    corpus=$build/corpus/$1
    seeds=$build/seeds/$1
    mkdir -p "$corpus" "$seeds"
}
