#!/usr/bin/env bash
# Trellis read through the desktop's accessibility bus, as a screen reader reads it: under
# Xvfb (xcb), with a private session bus and the AT-SPI bus, on a staged installation.
# Exits 77 (skipped) only when the accessibility bus cannot be started.
# Usage: atspi_test.sh <cmake> <build folder> <installation folder below the prefix>
cmake=$1 build=$2 root=$3
# shellcheck source=common.sh disable=SC2034
. "$(dirname "$0")/common.sh"

python=/usr/bin/python3 # the interpreter Debian's python3-pyatspi is built for
for tool in Xvfb xdpyinfo dbus-run-session dbus-send "$python"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/deps.sh)"; exit 1; }
done
"$python" -c 'import pyatspi' 2>/dev/null ||
    { echo "FAIL: pyatspi is not installed (python3-pyatspi, scripts/deps.sh)"; exit 1; }

stage="$scratch/stage"
install_into "$stage"
mkdir -p "$scratch/home" "$scratch/run" "$scratch/tmp" && chmod 700 "$scratch/run"

# Xvfb picks a free display itself and tells its number (xvfb-run -a can race other servers
# started at the same moment). Without -noreset the server resets whenever its last client
# leaves, and a client connecting just then is refused.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp -noreset 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 1 300); do
    [ -s "$scratch/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
[ -s "$scratch/display" ] || { echo "FAIL: Xvfb did not start: $(cat "$scratch/xvfb.log")"; exit 1; }
display=":$(head -1 "$scratch/display")"
# The server says its number once it listens; wait until it also answers a client.
for _ in $(seq 1 100); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo -display "$display" >/dev/null 2>&1 ||
    { echo "FAIL: Xvfb on $display does not answer: $(cat "$scratch/xvfb.log")"; exit 1; }

# Private everything, so that no running Trellis or desktop session of the user interferes.
env -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u AT_SPI_BUS_ADDRESS -u XAUTHORITY \
    DISPLAY="$display" \
    HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_RUNTIME_DIR="$scratch/run" \
    TMPDIR="$scratch/tmp" \
    dbus-run-session -- "$python" "$(dirname "$0")/atspi_test.py" "$stage/$root" "$scratch"
