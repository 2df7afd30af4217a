#!/usr/bin/env bash
# Trellis read through the desktop's accessibility bus, as a screen reader reads it: under
# Xvfb (xcb), with a private session bus and the AT-SPI bus, on a staged installation.
# Exits 77 (skipped) only when the accessibility bus cannot be started.
# Usage: atspi_test.sh <cmake> <build folder> <installation folder below the prefix>
cmake=$1 build=$2 root=$3
# shellcheck source=common.sh disable=SC2034
. "$(dirname "$0")/common.sh"

stage="$scratch/stage"
install_into "$stage"
on_accessibility_bus "$(dirname "$0")/atspi_test.py" "$stage/$root" "$scratch"
