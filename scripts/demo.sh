#!/usr/bin/env bash
# Builds the programs, stages the demo installation under build/stage and starts Trellis.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build/release
stage="$PWD/build/stage"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRELLIS_BUILD_TESTS=OFF
cmake --build "$build" -j"$(nproc)"
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" >/dev/null
root="$stage/$(cmake -L -N "$build" | sed -n 's/^TRELLIS_INSTALL_ROOT:STRING=//p')"
echo "Staged the demo installation in: $root"
find "$stage" -maxdepth 4 | sed "s|^$stage/||" | sort | head -50
