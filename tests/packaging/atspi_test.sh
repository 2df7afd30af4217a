#!/usr/bin/env bash
# Trellis read through the desktop's accessibility bus, as a screen reader reads it: under
# Xvfb (xcb), with a private session bus and the AT-SPI bus, on a staged installation.
# Exits 77 (skipped) only when the accessibility bus cannot be started.
# Usage: atspi_test.sh <cmake> <build folder> <installation folder below the prefix>
cmake=$1 build=$2 root=$3
. "$(dirname "$0")/common.sh"

python=/usr/bin/python3 # the interpreter Debian's python3-pyatspi is built for
for tool in xvfb-run dbus-run-session dbus-send "$python"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/deps.sh)"; exit 1; }
done
"$python" -c 'import pyatspi' 2>/dev/null ||
    { echo "FAIL: pyatspi is not installed (python3-pyatspi, scripts/deps.sh)"; exit 1; }

stage="$scratch/stage"
install_into "$stage"
mkdir -p "$scratch/home" "$scratch/run" "$scratch/tmp" && chmod 700 "$scratch/run"
# Private everything, so that no running Trellis or desktop session of the user interferes.
env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u AT_SPI_BUS_ADDRESS \
    HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_RUNTIME_DIR="$scratch/run" \
    TMPDIR="$scratch/tmp" \
    xvfb-run -a -s "-screen 0 1280x900x24" \
    dbus-run-session -- "$python" "$(dirname "$0")/atspi_test.py" "$stage/$root" "$scratch"
