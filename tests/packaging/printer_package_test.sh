#!/usr/bin/env bash
# A maker's package on a runtime-only installation: the runtime and the SDK installed alone
# into a fresh prefix, trellis-check says there is no printer; examples/printer-package,
# built and installed with nothing but that prefix, puts its files in the installation folder
# only; then trellis-check finds nothing left out and both printers with their tools,
# Trellis's popup lists them, the package's own tool starts for the printer chosen, and
# the set-up launchers call the package's plug-ins. cpack makes its Debian package for the
# same folder. Before that, <trellis/ToolHandoff.h> as installed is held to its table.
# Exits 77 when only the part that reads the window through AT-SPI could not run.
# Usage: printer_package_test.sh <cmake> <build folder> <source folder>
#        <installation folder below the prefix> <C compiler> <C++ compiler>
cmake=$1 build=$2 source=$3 root=$4 cc=$5 cxx=$6
# shellcheck source=common.sh disable=SC2034
. "$(dirname "$0")/common.sh"
here=$(dirname "$0")

prefix="$scratch/prefix with blanks"
install_into "$prefix" runtime
install_into "$prefix" sdk
installation="$prefix/$root"

# ---- <trellis/ToolHandoff.h>: strict C99, and C++, against the same table ----
strict=(-Wall -Wextra -Wpedantic -Werror -I"$prefix/include")
if "$cc" -std=c99 "${strict[@]}" -c "$here/tool_handoff_unit.c" -o "$scratch/unit-c.o" &&
   "$cxx" -x c++ -std=c++20 "${strict[@]}" -c "$here/tool_handoff_unit.c" -o "$scratch/unit-cxx.o" &&
   "$cc" -std=c99 "${strict[@]}" -c "$here/tool_handoff_test.c" -o "$scratch/table.o" &&
   "$cc" "$scratch/table.o" "$scratch/unit-c.o" -o "$scratch/handoff-c" &&
   "$cc" "$scratch/table.o" "$scratch/unit-cxx.o" -o "$scratch/handoff-cxx"; then
    expect "ToolHandoff.h compiled as C fails its table" "$scratch/handoff-c"
    expect "ToolHandoff.h compiled as C++ fails its table" "$scratch/handoff-cxx"
else
    fail "ToolHandoff.h does not compile warning-free as C99 and C++"
fi

# check <expected status> <what>: trellis-check of the installation as JSON in $scratch/check.json.
check() {
    local status=0
    "$prefix/bin/trellis-check" --root "$installation" --language en --json \
        >"$scratch/check.json" 2>"$scratch/check.err" || status=$?
    expect "trellis-check $2 gave $status, not $1: $(cat "$scratch/check.json" "$scratch/check.err")" \
        test "$status" = "$1"
}
check 2 "of the runtime alone"

# ---- the maker's project, against the prefix alone ----
files_below "$prefix" >"$scratch/before.txt"
example="$scratch/example build"
if ! { "$cmake" -S "$source/examples/printer-package" -B "$example" -DCMAKE_BUILD_TYPE=Release \
           -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF &&
       "$cmake" --build "$example" &&
       "$cmake" --install "$example" --prefix "$prefix"; } >"$scratch/example.log" 2>&1; then
    cat "$scratch/example.log" >&2
    fail "examples/printer-package does not build and install against the prefix"
    finish
fi
files_below "$prefix" >"$scratch/after.txt"
outside=$(comm -13 "$scratch/before.txt" "$scratch/after.txt" |
          grep -v -e "^$root/" -e "^share/doc/orvel-printer-example/" || true)
expect "the package installed outside the installation folder: $outside" test -z "$outside"

check 0 "with the package"
# Both printers, each with exactly the tools of its mask shown (Status Lantern, Sheet Glide
# Tuner, Stock Profile Editor) and no problem anywhere.
expect "trellis-check does not report both printers with their tools: $(cat "$scratch/check.json")" \
    /usr/bin/python3 - "$scratch/check.json" <<'PY'
import json, sys
report = json.load(open(sys.argv[1]))
printers = {p["device_id"]: p for p in report["printers"]}
assert set(printers) == {"TX-7700 Series", "TX-5500"}, printers.keys()
for printer in printers.values():
    shown = [tool["index"] for tool in printer["tools"] if tool["shown"]]
    assert shown == [1, 2, 3], (printer["device_id"], shown)
    assert not any(tool["problem"] for tool in printer["tools"]), printer
bundles = [b for b in report["bundles"] if b["name"] == "OrvelExample.bundle"]
assert len(bundles) == 1 and bundles[0]["accepted"] and bundles[0]["version"] == "1.0.0", bundles
PY

# ---- the set-up launcher, started as Trellis starts it, calls the package's plug-in ----
export XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run" HOME="$scratch/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
spe="$installation/Stock Profile Editor"
out=$(TRELLIS_LAUNCH_DESCRIPTOR="75746638:$(printf 'TX-5500' | base64 -w0)" \
      TRELLIS_ALERT_LOG="$scratch/spe-alerts.jsonl" QT_QPA_PLATFORM=offscreen \
      timeout 60 "$spe/Stock Profile Editor.app/Contents/MacOS/StockProfileEditor2" 2>&1) ||
    fail "StockProfileEditor2 ended with $?: $out"
want="Orvel example plug-in: Stock Profile Editor set-up for \"TX-5500\" from $spe/Plugin/PrinterPlugin/SPETX55.plugin"
expect "StockProfileEditor2 for TX-5500 gave '$out', not '$want'" grep -qxF "$want" <<<"$out"

# ---- the Debian package: orvel-printer-example for the same folder, needing trellis ----
if (cd "$example" && "$(dirname "$cmake")/cpack" -G DEB) >"$scratch/cpack.log" 2>&1; then
    deb=$(ls "$example"/orvel-printer-example_*.deb)
    expect "the package is not called orvel-printer-example" \
        test "$(dpkg-deb -f "$deb" Package)" = orvel-printer-example
    expect "the package does not depend on trellis: $(dpkg-deb -f "$deb" Depends)" \
        grep -qE '(^|, )trellis( |,|$)' <<<"$(dpkg-deb -f "$deb" Depends)"
    stray=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^[^.]*\.\//, ""); print }' |
            grep -vF -e "${prefix#/}/$root/" -e "${prefix#/}/share/doc/orvel-printer-example/" || true)
    expect "the package holds files outside $installation: $stray" test -z "$stray"
else
    cat "$scratch/cpack.log" >&2
    fail "cpack -G DEB fails on examples/printer-package"
fi

# ---- Trellis's popup, from the list it saves on quitting ----
TRELLIS_ALERT_LOG="$scratch/alerts.jsonl" QT_QPA_PLATFORM=offscreen TRELLIS_REPORT_SHOWN=1 \
    "$prefix/bin/trellis" >"$scratch/trellis.log" 2>&1 &
pid=$!
# The popup is filled once the window's first frame is complete.
for _ in $(seq 1 600); do
    grep -q '^shown ' "$scratch/trellis.log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -TERM "$pid" 2>/dev/null || true
wait "$pid" || true
popup=$(grep -E '^[0-9]+\\value=' "$XDG_CONFIG_HOME/trellis/com.orvel.trellis.ini" 2>/dev/null |
        sed -E 's/^[0-9]+\\value=//' | tr -d '"' | tr '\n' '|' || true)
expect "Trellis's popup lists '$popup', not the package's two printers" \
    test "$popup" = "Orvel TX-7700 Series|Orvel TX-5500|"
expect "Trellis showed an alert: $(cat "$scratch/alerts.jsonl" 2>/dev/null)" \
    test ! -s "$scratch/alerts.jsonl"

# ---- clicks, through the accessibility bus: the package's tool and Sheet Glide Tuner ----
status=0
on_accessibility_bus "$here/printer_package_test.py" "$installation" "$scratch" || status=$?
if [ "$status" = 77 ] && [ "$failures" = 0 ]; then
    exit 77
fi
[ "$status" = 0 ] || fail "the window's tool buttons (status $status)"
finish
