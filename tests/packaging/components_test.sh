#!/usr/bin/env bash
# The install components split the installation as packagers need it: runtime without any
# demo data or SDK file, sdk with only the plug-in SDK, demo with only the demo, and together
# exactly a full installation (no file outside a component). bin/trellis finds a moved
# installation.
# Usage: components_test.sh <cmake> <build folder> <installation folder below the prefix>
cmake=$1 build=$2 root=$3
# shellcheck source=common.sh disable=SC2034
. "$(dirname "$0")/common.sh"

for part in runtime sdk demo; do
    install_into "$scratch/$part" "$part"
    files_below "$scratch/$part" >"$scratch/$part.txt"
done
install_into "$scratch/all"
files_below "$scratch/all" >"$scratch/all.txt"

LC_ALL=C sort -u "$scratch/runtime.txt" "$scratch/sdk.txt" "$scratch/demo.txt" >"$scratch/union.txt"
expect "the full installation holds files of no component:
$(comm -23 "$scratch/all.txt" "$scratch/union.txt")" \
    cmp -s "$scratch/all.txt" "$scratch/union.txt"
expect "runtime and sdk share files" \
    test -z "$(comm -12 "$scratch/runtime.txt" "$scratch/sdk.txt")"
# The demo shares only the Setting.ini files, which it replaces.
shared=$(comm -12 "$scratch/runtime.txt" "$scratch/demo.txt" | grep -v '/Setting\.ini$' || true)
expect "runtime and demo share more than Setting.ini: $shared" test -z "$shared"

has() { grep -qxF -- "$2" "$scratch/$1.txt"; }
matches() { grep -qE -- "$2" "$scratch/$1.txt"; }
lacks() { ! grep -qE -- "$2" "$scratch/$1.txt"; }

app="$root/Trellis.app/Contents"
sgt="$root/Sheet Glide Tuner/Sheet Glide Tuner.app/Contents"
spe="$root/Stock Profile Editor/Stock Profile Editor.app/Contents"
# (The programs and bin/trellis are in no other component and in the full installation; the
# product's Setting.ini is read below; desktop_test.sh validates the desktop entry and metainfo.)
for file in "$app/Info.plist" "$app/Resources/Settings/Manual.ini" \
            "$app/Resources/main.nib/MainDialog.ui" "$app/Resources/English.lproj/Settings/Localize.ini" \
            "$sgt/Resources/SGT_Settings/Setting.ini" "$sgt/Resources/SGT_Settings/Media.ini" \
            "$spe/Resources/SPE_Settings/Setting.ini" share/man/man1/trellis.1.gz \
            bin/trellis-check share/man/man1/trellis-check.1.gz \
            share/doc/trellis/copyright; do
    expect "runtime lacks $file" has runtime "$file"
done
# Each program loads only the libraries it uses: none loads Qt6Network, and the set-up
# launchers, which show no interface file, do not load the form loader.
needs() { readelf -d "$scratch/runtime/$1" | grep -q "NEEDED.*$2"; }
for program in "$app/MacOS/Trellis" "$sgt/MacOS/SheetGlideTuner2" "$spe/MacOS/StockProfileEditor2"; do
    refute "$program needs Qt6Network" needs "$program" libQt6Network
done
for program in "$sgt/MacOS/SheetGlideTuner2" "$spe/MacOS/StockProfileEditor2"; do
    refute "$program needs Qt6UiTools" needs "$program" libQt6UiTools
done
expect "runtime holds demo machine bundles" lacks runtime '/MachineBundle/'
expect "runtime holds plug-ins" lacks runtime '\.plugin/'
expect "runtime holds stand-in tools" lacks runtime '/(Kestrel Loader|Status Lantern|Nozzle Care Kit|Stock Profile Vault|Stock Vault Setup)/'
expect "runtime holds SDK files" lacks runtime '^include/|pkgconfig|/cmake/'

product_ini=$scratch/runtime/$app/Resources/Settings/Setting.ini
expect "the product's Setting.ini still names the seven tools" \
    grep -q '^FUNCTION7=::Stock Vault Setup:Stock Vault Setup.app' "$product_ini"
expect "the product's Setting.ini lists printers" grep -q $'^PRINTER_NUM=0\r$' "$product_ini"
refute "the product's Setting.ini names a demo printer" grep -q "LX-" "$product_ini"
refute "the product's Setting.ini lost its CR LF line ends" grep -qv $'\r$' "$product_ini"
for ini in "$sgt/Resources/SGT_Settings/Setting.ini" "$spe/Resources/SPE_Settings/Setting.ini"; do
    refute "the product's $ini has a printer section" grep -q '^\[' "$scratch/runtime/$ini"
    expect "the full installation lacks the demo's $ini" \
        grep -q '^\[LX-1000\]' "$scratch/all/$ini"
done
expect "the full installation lacks the demo's printers in Setting.ini" \
    grep -q '^PRINTER1=LX-1000' "$scratch/all/$app/Resources/Settings/Setting.ini"

cat >"$scratch/sdk.expected" <<LIST
include/trellis/PrinterPlugin.h
include/trellis/ToolHandoff.h
share/cmake/TrellisPrinterPlugin/TrellisPackage.cmake
share/cmake/TrellisPrinterPlugin/TrellisPrinterPluginConfig.cmake
share/cmake/TrellisPrinterPlugin/TrellisPrinterPluginConfigVersion.cmake
share/doc/trellis-dev/changelog.gz
share/doc/trellis-dev/copyright
share/man/man5/trellis-machine-bundle.5.gz
share/man/man5/trellis-settings.5.gz
share/man/man7/trellis-installation.7.gz
share/pkgconfig/trellis-printer-plugin.pc
share/trellis-printer-plugin/printer-plugin.map
LIST
expect "sdk holds other files than the SDK's:
$(diff "$scratch/sdk.expected" "$scratch/sdk.txt")" cmp -s "$scratch/sdk.expected" "$scratch/sdk.txt"
for header in PrinterPlugin.h ToolHandoff.h; do
    expect "$header carries no licence" \
        grep -q 'SPDX-License-Identifier: MIT' "$scratch/sdk/include/trellis/$header"
done

for pattern in "^$root/MachineBundle/[^/]+\.bundle/Contents/Resources/Setting\.xml$" \
               "^$root/Kestrel Loader/Kestrel Loader\.app/Contents/MacOS/" \
               "^$root/Sheet Glide Tuner/Plugin/PrinterPlugin/SGTR74\.plugin/Contents/MacOS/SGTR74$" \
               "^$root/Stock Profile Editor/Plugin/PrinterPlugin/Legacy/SPELX1000\.plugin/" \
               "^$root/Nozzle Care Kit/Plugin/PrinterPlugin/NCKLX10\.plugin/Contents/Info\.plist$"; do
    expect "demo lacks $pattern" matches demo "$pattern"
done
expect "demo holds programs of the product" lacks demo 'MacOS/(Trellis|SheetGlideTuner2|StockProfileEditor2)$|^bin/|^include/'

# bin/trellis after the whole prefix has been moved: it must start the moved Trellis. (The
# full installation: without any printer, as the runtime alone is, Trellis stops at once
# with the necessary-file alert.)
mv "$scratch/all" "$scratch/moved elsewhere"
moved="$scratch/moved elsewhere"
export XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run" HOME="$scratch/home"
export TRELLIS_ALERT_LOG="$scratch/alerts.jsonl" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
"$moved/bin/trellis" >"$scratch/trellis.log" 2>&1 &
pid=$!
want=$(readlink -f "$moved/$app/MacOS/Trellis")
started=
for _ in $(seq 1 300); do
    [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$want" ] && { started=1; break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
expect "bin/trellis did not start $want (log: $(cat "$scratch/trellis.log"))" test -n "$started"
kill -TERM "$pid" 2>/dev/null || true
wait "$pid" || true
expect "Trellis showed an alert: $(cat "$TRELLIS_ALERT_LOG" 2>/dev/null)" \
    test ! -s "$TRELLIS_ALERT_LOG"
finish
