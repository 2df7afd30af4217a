#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need (when missing).
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-tools-dev libqt6opengl6-dev
          libxkbcommon-dev libplist-dev libgtest-dev libgmock-dev libbenchmark-dev
          xvfb xauth x11-utils xdotool imagemagick clang libclang-rt-14-dev fonts-dejavu-core
          fonts-noto-cjk qt6-translations-l10n libpng-dev
          desktop-file-utils appstream at-spi2-core dbus dbus-x11 python3-pyatspi gir1.2-atspi-2.0
          lintian dpkg-dev file make)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
