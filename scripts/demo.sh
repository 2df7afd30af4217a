#!/usr/bin/env bash
# Builds the programs, stages the demo installation under build/stage and starts Trellis on
# it. Without a display it runs under Xvfb, saves a screenshot and asks Trellis to quit.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build/release
stage="$PWD/build/stage"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRELLIS_BUILD_TESTS=OFF \
      -DTRELLIS_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" >/dev/null
root="$stage/$(cmake -L -N "$build" | sed -n 's/^TRELLIS_INSTALL_ROOT:STRING=//p')"
echo "Staged the demo installation in: $root"

trellis="$root/Trellis.app/Contents/MacOS/Trellis"
if [ ! -x "$trellis" ]; then
    echo "Trellis is not built yet; the staged tree holds:"
    find "$root" -maxdepth 3 | sed "s|^$root/||" | sort
    exit 0
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting $trellis"
    exec "$trellis"
fi

shots="$PWD/build/screenshots"
mkdir -p "$shots"
echo "No display: running Trellis under Xvfb"
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    "$1" & pid=$!
    for _ in $(seq 1 100); do
        xwininfo -root -tree 2>/dev/null | grep -q "\"Trellis\"\|Printer" && break
        sleep 0.1
    done
    sleep 1.5
    import -window root "$2/trellis.png"
    kill -TERM "$pid"; wait "$pid"
' _ "$trellis" "$shots"
echo "Screenshot of the main window: $shots/trellis.png"
