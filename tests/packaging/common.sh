# shellcheck shell=bash disable=SC2034,SC2154
# Shared by the packaging tests: failure reporting and installations from the build tree.
set -euo pipefail

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# expect <description> <command...>: runs the command, records a failure when it fails.
expect() {
    local what=$1
    shift
    "$@" || fail "$what"
}
# refute <description> <command...>: records a failure when the command succeeds.
refute() {
    local what=$1
    shift
    if "$@"; then fail "$what"; fi
}
finish() {
    if ((failures)); then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# install_into <prefix> [component]: cmake --install of this build tree.
install_into() {
    local args=(--install "$build" --prefix "$1")
    [ -n "${2:-}" ] && args+=(--component "$2")
    "$cmake" "${args[@]}" >"$scratch/install.log" 2>&1 || {
        cat "$scratch/install.log" >&2
        echo "FAIL: cmake ${args[*]}" >&2
        exit 1
    }
}

# Files (and symbolic links) below a folder, relative to it, sorted.
files_below() {
    (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
}

# Width and height of a PNG file, from its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" |
        awk '{ printf "%dx%d\n", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

# on_accessibility_bus <python script> <arguments...>: runs the script as a screen reader
# runs, under an Xvfb of its own (xcb) and a private session bus, with HOME, the runtime and
# the temporary folder in the scratch folder (preferences in $scratch/home/.config). Its
# status is the script's.
on_accessibility_bus() {
    local python=/usr/bin/python3 # the interpreter Debian's python3-pyatspi is built for
    for tool in Xvfb xdpyinfo dbus-run-session dbus-send "$python"; do
        command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/deps.sh)"; exit 1; }
    done
    "$python" -c 'import pyatspi' 2>/dev/null ||
        { echo "FAIL: pyatspi is not installed (python3-pyatspi, scripts/deps.sh)"; exit 1; }
    mkdir -p "$scratch/home" "$scratch/run" "$scratch/tmp" && chmod 700 "$scratch/run"

    # Xvfb picks a free display itself and tells its number (xvfb-run -a can race other
    # servers started at the same moment). Without -noreset the server resets whenever its
    # last client leaves, and a client connecting just then is refused.
    Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp -noreset 3>"$scratch/display" 2>"$scratch/xvfb.log" &
    xvfb=$!
    trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$scratch"' EXIT
    for _ in $(seq 1 300); do
        [ -s "$scratch/display" ] && break
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$scratch/display" ] || { echo "FAIL: Xvfb did not start: $(cat "$scratch/xvfb.log")"; exit 1; }
    local display
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
        DISPLAY="$display" PYTHONPATH="$(dirname "${BASH_SOURCE[0]}")" PYTHONDONTWRITEBYTECODE=1 \
        HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_RUNTIME_DIR="$scratch/run" \
        TMPDIR="$scratch/tmp" \
        dbus-run-session -- "$python" "$@"
}
