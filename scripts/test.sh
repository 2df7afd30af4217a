#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test,
# then every test program once more in a shuffled order (the seed is printed),
# then gives each fuzzer a short run (30 s; set TRELLIS_FUZZ_SECONDS=0 to skip).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build/asan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRELLIS_SANITIZE=ON
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" -j"$(nproc)" --output-on-failure -LE whole "$@"
# Each test program once more, whole, in an order shuffled by a seed that repeats it.
seed="${TRELLIS_SHUFFLE_SEED:-$((RANDOM % 100000 + 1))}"
echo "Shuffled run with seed $seed (repeat it with TRELLIS_SHUFFLE_SEED=$seed scripts/test.sh)"
GTEST_SHUFFLE=1 GTEST_RANDOM_SEED="$seed" \
    ctest --test-dir "$build" -j"$(nproc)" --output-on-failure -L whole "$@"
seconds="${TRELLIS_FUZZ_SECONDS:-30}"
if [ "$seconds" -gt 0 ]; then
    scripts/fuzz.sh "$seconds"
fi
