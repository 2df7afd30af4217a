#!/usr/bin/env bash
# Screenshots of the staged demo installation under Xvfb: the main window in English and
# in Japanese, the About box, and a sample plug-in's dialog reached the whole way: a click
# on a tool button starts the set-up launcher, which opens the printer's plug-in.
# Run scripts/demo.sh first; the pictures go to build/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
stage="$PWD/build/stage"
root="$(dirname "$(find "$stage" -maxdepth 4 -type d -name Trellis.app -print -quit)")"
trellis="$root/Trellis.app/Contents/MacOS/Trellis"
[ -x "$trellis" ] || { echo "Run scripts/demo.sh first"; exit 1; }
shots="$PWD/build/screenshots"
mkdir -p "$shots"

run() { # run <name> <languages> <steps...>: one Trellis under its own Xvfb
    local name="$1" languages="$2"
    shift 2
    local config
    config="$(mktemp -d)"
    mkdir -p "$config/trellis"
    printf '[General]\nAppleLanguages=%s\n' "$languages" >"$config/trellis/GlobalPreferences.ini"
    # The printer selected when Trellis last quit.
    printf '[General]\nSelectPrinterModelName=Orvel MX-R74400 Series\n' \
        >"$config/trellis/com.orvel.trellis.ini"
    XDG_CONFIG_HOME="$config" xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
        shots="$1"; name="$2"; trellis="$3"; shift 3
        "$trellis" & pid=$!
        for _ in $(seq 1 100); do
            window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1) && [ -n "$window" ] && break
            sleep 0.1
        done
        sleep 1.5
        import -window root "$shots/$name.png"
        for step in "$@"; do eval "$step"; done
        kill -TERM "$pid" 2>/dev/null; wait "$pid" || true
    ' _ "$shots" "$name" "$trellis" "$@"
    rm -rf "$config"
}

run trellis-en "en"
run trellis-ja "ja, en"
# Where Xvfb (no window manager) put the centred window.
click='geometry=$(xdotool getwindowgeometry --shell "$window"); eval "$geometry";'
run about "en" \
    "$click"' xdotool mousemove $((X + 20)) $((Y + 10)) click 1; sleep 0.5; xdotool key Down Return' \
    'sleep 1.5; import -window root "$shots/about.png"'
# MX-R74400 Series is selected; its Sheet Glide Tuner button is the third shown, below the
# menu bar of about 20 points.
run road "en" \
    "$click"' xdotool mousemove $((X + 32 + 190)) $((Y + 20 + 112 + 68 * 2 + 30)) click 1' \
    'sleep 4; import -window root "$shots/road-sheet-glide-tuner.png"; pkill -x SheetGlideTuner || true'
echo "Screenshots in $shots:"
ls "$shots"
