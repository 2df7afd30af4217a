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
