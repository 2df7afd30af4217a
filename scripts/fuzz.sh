#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) and
# runs each for the given number of seconds (default 30), starting from fuzz/corpus/<name>.
# New inputs go to build/fuzz/corpus/<name>; findings to build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
only=("$@")
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTRELLIS_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzzers -j"$(nproc)"
mkdir -p "$build/findings"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
status=0
for fuzzer in fuzz_ini fuzz_localize fuzz_plist fuzz_relpath fuzz_handoff; do
    if ((${#only[@]})) && [[ ! " ${only[*]} " =~ " $fuzzer " ]]; then continue; fi
    corpus="$build/corpus/$fuzzer"
    mkdir -p "$corpus"
    log="$build/$fuzzer.log"
    if "$build/fuzz/$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
        -max_len=8192 -artifact_prefix="$build/findings/$fuzzer-" -print_final_stats=1 \
        "$corpus" "fuzz/corpus/$fuzzer" >"$log" 2>&1; then
        execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        size=$(ls "$corpus" | wc -l)
        echo "$fuzzer: ok, $execs runs in ${seconds}s ($((execs / seconds))/s), corpus $size"
    else
        echo "$fuzzer: FINDING, see $log and $build/findings/"
        tail -40 "$log"
        status=1
    fi
done
exit $status
