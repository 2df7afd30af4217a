#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test,
# then gives each fuzzer a short run (30 s; set TRELLIS_FUZZ_SECONDS=0 to skip).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build/asan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRELLIS_SANITIZE=ON
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" -j"$(nproc)" --output-on-failure "$@"
seconds="${TRELLIS_FUZZ_SECONDS:-30}"
if [ "$seconds" -gt 0 ]; then
    scripts/fuzz.sh "$seconds"
fi
