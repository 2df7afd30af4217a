#!/usr/bin/env bash
# The plug-in SDK from `cmake --install --component sdk`: the example plug-in project builds
# against it with CMake and with pkg-config, exports only its entry point, and the real
# SheetGlideTuner2 of a staged installation loads it and hands its entry point the printer.
# The sample plug-ins of the installation export only their entry points too.
# Usage: sdk_test.sh <cmake> <build folder> <source folder> <installation folder below the prefix>
cmake=$1 build=$2 source=$3 root=$4
# shellcheck source=common.sh disable=SC2034
. "$(dirname "$0")/common.sh"

sdk="$scratch/sdk prefix"
install_into "$sdk" sdk
stage="$scratch/stage"
install_into "$stage"
tool="$stage/$root/Sheet Glide Tuner"

# Exactly one defined dynamic symbol, the entry point.
exports_only() {
    local file=$1 entry=$2 defined
    defined=$(nm -D --defined-only "$file" | awk '{ print $NF }' | LC_ALL=C sort | tr '\n' ' ')
    [ "$defined" = "$entry " ] || { echo "  $file exports: $defined" >&2; return 1; }
}

# ---- CMake: find_package(TrellisPrinterPlugin) ----
cmake_build="$scratch/example-cmake"
if "$cmake" -S "$source/examples/printer-plugin" -B "$cmake_build" -DCMAKE_BUILD_TYPE=Release \
       -DCMAKE_PREFIX_PATH="$sdk" -DPLUGIN_NAME=SGTR74 >"$scratch/cmake.log" 2>&1 &&
   "$cmake" --build "$cmake_build" >>"$scratch/cmake.log" 2>&1 &&
   "$cmake" --install "$cmake_build" --prefix "$scratch/example-installed" >>"$scratch/cmake.log" 2>&1; then
    bundle_cmake="$scratch/example-installed/SGTR74.plugin"
    expect "the CMake build exports more than its entry point" \
        exports_only "$bundle_cmake/Contents/MacOS/SGTR74" SGT_OpenSetUpDialog
else
    cat "$scratch/cmake.log" >&2
    fail "the example does not build with CMake against the installed SDK"
fi
# A version the SDK does not satisfy is refused.
mkdir -p "$scratch/v2"
printf 'cmake_minimum_required(VERSION 3.16)\nproject(v2 LANGUAGES C)\nfind_package(TrellisPrinterPlugin 2 REQUIRED)\n' \
    >"$scratch/v2/CMakeLists.txt"
refute "find_package(TrellisPrinterPlugin 2) succeeds against version 1" \
    "$cmake" -S "$scratch/v2" -B "$scratch/v2/build" -DCMAKE_PREFIX_PATH="$sdk" >/dev/null 2>&1

# ---- pkg-config: trellis-printer-plugin ----
pc_build="$scratch/example-pkg-config"
mkdir -p "$pc_build"
if PKG_CONFIG_PATH="$sdk/share/pkgconfig" PKG_CONFIG_LIBDIR=/nonexistent \
       make -s -f "$source/examples/printer-plugin/Makefile" -C "$pc_build" PLUGIN_NAME=SGTR54 \
       >"$scratch/make.log" 2>&1; then
    bundle_pc="$pc_build/SGTR54.plugin"
    expect "the pkg-config build exports more than its entry point" \
        exports_only "$bundle_pc/Contents/MacOS/SGTR54" SGT_OpenSetUpDialog
else
    cat "$scratch/make.log" >&2
    fail "the example does not build with pkg-config against the installed SDK"
fi

# ---- the staged installation's sample plug-ins ----
for plugin in "$tool"/Plugin/PrinterPlugin/SGT*.plugin/Contents/MacOS/* \
              "$stage/$root/Stock Profile Editor"/Plugin/PrinterPlugin/SPE*.plugin/Contents/MacOS/*; do
    entry=SGT_OpenSetUpDialog
    [[ $plugin == */SPE* ]] && entry=SPE_OpenSetUpDialog
    expect "a sample plug-in exports more than $entry" exports_only "$plugin" "$entry"
done

# ---- loaded by the real SheetGlideTuner2, started as Trellis starts it ----
export XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run" HOME="$scratch/home"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
run_for() { # <printer> <bundle name>: starts SheetGlideTuner2 for the printer, checks the report
    local printer=$1 name=$2 out alerts="$scratch/alerts-$2.jsonl"
    local descriptor
    descriptor="75746638:$(printf '%s' "$printer" | base64 -w0)" # type 'utf8'
    out=$(TRELLIS_LAUNCH_DESCRIPTOR="$descriptor" TRELLIS_ALERT_LOG="$alerts" \
          timeout 60 "$tool/Sheet Glide Tuner.app/Contents/MacOS/SheetGlideTuner2" 2>"$scratch/sgt.err") ||
        fail "SheetGlideTuner2 for $printer ended with $? ($(cat "$scratch/sgt.err"))"
    local want="Example plug-in: set-up for printer \"$printer\" (${#printer} bytes), bundle $tool/Plugin/PrinterPlugin/$name.plugin, version 1.0.0"
    echo "SheetGlideTuner2 for $printer: $out"
    expect "the entry point of $name reported '$out', not '$want'" test "$out" = "$want"
    expect "SheetGlideTuner2 showed an alert: $(cat "$alerts" 2>/dev/null)" test ! -s "$alerts"
}
if [ -n "${bundle_cmake:-}" ]; then
    rm -rf "$tool/Plugin/PrinterPlugin/SGTR74.plugin"
    cp -a "$bundle_cmake" "$tool/Plugin/PrinterPlugin/"
    run_for "MX-R74400 Series" SGTR74
fi
if [ -n "${bundle_pc:-}" ]; then
    rm -rf "$tool/Plugin/PrinterPlugin/SGTR54.plugin"
    cp -a "$bundle_pc" "$tool/Plugin/PrinterPlugin/"
    run_for "MX-R54400 Series" SGTR54
fi
finish
