#!/usr/bin/env bash
# Screenshots of the staged demo installation under Xvfb: the main window in English (with
# the keyboard focus shown from the start) and in Japanese, the About box in both languages,
# the Japanese menu, the alert of a tool that cannot be started, the window at a scale
# factor of 2 and under a dark palette, and a sample plug-in's dialog reached the whole way:
# a click on a tool button starts the set-up launcher, which opens the printer's plug-in.
# Run scripts/demo.sh first; the pictures go to build/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
stage="$PWD/build/stage"
root="$(dirname "$(find "$stage" -maxdepth 4 -type d -name Trellis.app -print -quit)")"
trellis="$root/Trellis.app/Contents/MacOS/Trellis"
[ -x "$trellis" ] || { echo "Run scripts/demo.sh first"; exit 1; }
shots="$PWD/build/screenshots"
mkdir -p "$shots"

# run <name> <languages> <steps...>: one Trellis under its own Xvfb. SCREEN, SCALE and
# TRELLIS override the screen size, the scale factor and the program.
run() {
    local name="$1" languages="$2"
    shift 2
    local config
    config="$(mktemp -d)"
    mkdir -p "$config/trellis"
    printf '[General]\nAppleLanguages=%s\n' "$languages" >"$config/trellis/GlobalPreferences.ini"
    # The printer selected when Trellis last quit.
    printf '[General]\nSelectPrinterModelName=Orvel MX-R74400 Series\n' \
        >"$config/trellis/com.orvel.trellis.ini"
    XDG_CONFIG_HOME="$config" QT_SCALE_FACTOR="${SCALE:-1}" \
        xvfb-run -a -s "-screen 0 ${SCREEN:-1280x900}x24" bash -c '
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
    ' _ "$shots" "$name" "${TRELLIS:-$trellis}" "$@"
    rm -rf "$config"
}

run trellis-en "en"
run trellis-ja "ja, en"
# Where Xvfb (no window manager) put the centred window.
click='geometry=$(xdotool getwindowgeometry --shell "$window"); eval "$geometry";'
for language in en ja; do
    run "about-$language" "$language" \
        "$click"' xdotool mousemove $((X + 20)) $((Y + 10)) click 1; sleep 0.5; xdotool key Down Return' \
        'sleep 1.5; import -window root "$shots/$name-box.png"'
done
# The application menu of the Japanese window, its Quit item from the toolkit's translation.
run menu-ja "ja, en" \
    "$click"' xdotool mousemove $((X + 20)) $((Y + 10)) click 1' \
    'sleep 1; import -window root "$shots/menu-ja-open.png"; xdotool key Escape'
# A tool whose application is missing: its button is shown, a click gives the alert.
broken="$(mktemp -d)"
cp -a "$root" "$broken/"
broken_root="$broken/$(basename "$root")"
rm -rf "$broken_root/Kestrel Loader/Kestrel Loader.app"
TRELLIS="$broken_root/Trellis.app/Contents/MacOS/Trellis" run tool-alert "en" \
    "$click"' xdotool mousemove $((X + 32 + 190)) $((Y + 20 + 112 + 30)) click 1' \
    'sleep 1.5; import -window root "$shots/tool-alert-shown.png"; xdotool key Return'
rm -rf "$broken"
SCALE=2 SCREEN=1600x1500 run trellis-scale2 "en"
# A dark palette, as dark desktop themes give (the harness sets it; plain X has no theme).
shot="$(find build -path '*/tools/app_window_shot' -type f -perm -u+x 2>/dev/null | head -1)"
if [ -n "$shot" ]; then
    xvfb-run -a -s "-screen 0 1280x900x24" "$shot" "$root/Trellis.app" "$shots/trellis-dark.png" dark
else
    echo "No app_window_shot built: skipping the dark palette"
fi
# MX-R74400 Series is selected; its Sheet Glide Tuner button is the third shown, below the
# menu bar of about 20 points.
run road "en" \
    "$click"' xdotool mousemove $((X + 32 + 190)) $((Y + 20 + 112 + 68 * 2 + 30)) click 1' \
    'sleep 4; import -window root "$shots/road-sheet-glide-tuner.png"; pkill -x SheetGlideTuner || true'
echo "Screenshots in $shots:"
ls "$shots"
