#!/usr/bin/env bash
# The desktop entry, AppStream metainfo and icons of an installed runtime component, checked
# by the desktop's own tools (desktop-file-validate, appstreamcli).
# Usage: desktop_test.sh <cmake> <build folder>
cmake=$1 build=$2
# shellcheck source=common.sh disable=SC2034
. "$(dirname "$0")/common.sh"

for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/deps.sh)"; exit 1; }
done

prefix="$scratch/prefix with space"
install_into "$prefix" runtime
id=com.orvel.trellis
desktop="$prefix/share/applications/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"

expect "desktop-file-validate rejects the entry" desktop-file-validate "$desktop"
desktop-file-validate "$desktop" | sed 's/^/  /'
# Outside /usr the entry names the launcher by its full path, quoted for the space.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
expect "Exec is '$exec_line'" test "$exec_line" = "\"$prefix/bin/trellis\""
expect "Icon does not name the installed icons" grep -qx "Icon=$id" "$desktop"
expect "the entry is not in the Printing and HardwareSettings categories" \
    grep -qE '^Categories=.*Printing;.*HardwareSettings;|^Categories=.*HardwareSettings;.*Printing;' "$desktop"

appstreamcli validate --no-net --pedantic "$metainfo" >"$scratch/metainfo.txt" 2>&1 ||
    fail "appstreamcli validate rejects the metainfo"
sed 's/^/  /' "$scratch/metainfo.txt"
# validate-tree checks the metainfo together with the desktop entry and icons it names.
appstreamcli validate-tree --no-net "$prefix" >"$scratch/tree.txt" 2>&1 ||
    fail "appstreamcli validate-tree rejects the installation"
sed 's/^/  /' "$scratch/tree.txt"
expect "the metainfo has no screenshot" grep -q '<screenshot type="default">' "$metainfo"
expect "the metainfo has no description" grep -q '<description>' "$metainfo"
expect "the metainfo does not launch $id.desktop" \
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo"

for size in 16 22 24 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    if [ -f "$icon" ]; then
        expect "$icon is $(png_size "$icon")" test "$(png_size "$icon")" = "${size}x${size}"
    else
        fail "no ${size}px icon"
    fi
done

# In /usr the entry names the launcher on the PATH.
DESTDIR="$scratch/dest" "$cmake" --install "$build" --prefix /usr --component runtime >/dev/null
expect "Exec under /usr is not the bare command" \
    grep -qx 'Exec=trellis' "$scratch/dest/usr/share/applications/$id.desktop"
finish
