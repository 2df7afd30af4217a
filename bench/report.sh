#!/usr/bin/env bash
# The performance report: builds a Release tree, runs every benchmark of bench/ and prints
# one table.
#   bench/report.sh [build folder] [start-up runs per case]
# (default build/h-proof-rel beside this checkout, 7 runs). Rows whose programs the tree
# does not have print "n/a".
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/h-proof-rel}
runs=${2:-7}
jobs=${JOBS:-2}

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRELLIS_BUILD_TESTS=OFF \
    -DTRELLIS_SANITIZE=OFF >/dev/null
cmake --build "$build" -j"$jobs" >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

bench_json() { # <program> <output>
    if [[ -x $1 ]]; then
        "$1" --benchmark_format=json --benchmark_min_time=0.2 >"$2" 2>/dev/null || echo '{}' >"$2"
    else
        echo '{}' >"$2"
    fi
}
bench_json "$build/bench/catalogue/bench_catalogue" "$scratch/catalogue.json"
bench_json "$build/bench/localize/bench_localize" "$scratch/localize.json"

# The whole-program start-up benchmark prints its own figures; kept under the table.
startup_log=$scratch/startup.txt
if [[ -x $build/bench/app/bench_app_startup ]]; then
    "$build/bench/app/bench_app_startup" "$runs" >"$startup_log" 2>&1 || true
fi

# An installation staged from the tree, when the tree has the launcher.
stage=
if [[ -x $build/app/Trellis || -n $(find "$build" -maxdepth 3 -name Trellis -type f 2>/dev/null) ]]; then
    if cmake --install "$build" --prefix "$scratch/stage" >/dev/null 2>&1; then
        stage=$scratch/stage
    fi
fi

python3 - "$build" "$scratch" "$runs" "$stage" "$startup_log" <<'PY'
import json, os, shutil, signal, subprocess, sys, time

build, scratch, runs, stage, startup_log = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
rows = []  # (section, case, value, unit, note)

def load(name):
    try:
        with open(os.path.join(scratch, name)) as f:
            return json.load(f).get("benchmarks", [])
    except (OSError, ValueError):
        return []

def per_item_growth(pairs):
    """Per-item cost of the largest size over the smallest: about 1 when linear."""
    pairs = [(n, t) for n, t in pairs if n > 0 and t > 0]
    if len(pairs) < 2:
        return None
    (n0, t0), (n1, t1) = pairs[0], pairs[-1]
    return (t1 / n1) / (t0 / n0)

def growth_note(pairs):
    g = per_item_growth(pairs)
    if g is None:
        return ""
    return "per-item cost x%.2f from smallest to largest%s" % (g, " (faster than linear!)" if g > 1.2 else "")

# Catalogue: facade construction and support queries by bundle count.
for bench, section in (("BM_FacadeConstruction", "catalogue build"),
                       ("BM_IsSupportApplicationForEveryPrinterAndTool", "support queries (7 per printer)")):
    found = [b for b in load("catalogue.json") if b["name"].startswith(bench + "/")]
    pairs = []
    for b in found:
        n = int(b["name"].split("/")[1])
        scale = {"ms": 1, "us": 1e-3, "ns": 1e-6}[b["time_unit"]]
        ms, cpu = b["real_time"] * scale, b["cpu_time"] * scale
        pairs.append((n, ms))
        rows.append((section, "%d bundles" % n, "%.3f" % ms, "ms",
                     "%.2f us per bundle (%.2f us of processor time)" % (ms * 1000 / n, cpu * 1000 / n)))
    # Growth over the sizes that matter, 1,000 to 10,000 bundles.
    pairs = [(n, t) for n, t in pairs if n >= 1000] or pairs
    if not found:
        rows.append((section, "-", "n/a", "", "bench_catalogue not built"))
    elif growth_note(pairs):
        rows.append((section, "growth", "", "", growth_note(pairs)))

found = [b for b in load("localize.json") if b["name"].startswith("BM_LoadStringTable/")]
pairs = []
for b in found:
    n = int(b["name"].split("/")[1])
    ms = b["real_time"] * {"ms": 1, "us": 1e-3, "ns": 1e-6}[b["time_unit"]]
    pairs.append((n, ms))
    rows.append(("string-table loading", "%d records" % n, "%.3f" % ms, "ms", "%.2f us per record" % (ms * 1000 / n)))
if not found:
    rows.append(("string-table loading", "-", "n/a", "", "bench_localize not built"))
elif growth_note(pairs):
    rows.append(("string-table loading", "growth", "", "", growth_note(pairs)))

# Start-up to the main window's complete first frame (every control and text drawn; the
# bare window is measured at the same point), and peak memory, per installation.
def add_bundles(root, count):
    for i in range(count):
        name = "RX%05d" % i
        contents = os.path.join(root, "MachineBundle", name + ".bundle", "Contents")
        os.makedirs(os.path.join(contents, "Resources"), exist_ok=True)
        with open(os.path.join(contents, "Info.plist"), "w") as f:
            f.write('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>'
                    '<key>CFBundleVersion</key><string>1.0</string></dict></plist>\n')
        with open(os.path.join(contents, "Resources", "Setting.xml"), "w") as f:
            f.write('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>'
                    '<key>MODEL</key><array><string>RX-%05d Series</string></array>'
                    '<key>INITIAL</key><dict><key>RX-%05d Series</key><string>RX</string></dict>'
                    '<key>FUNCTION</key><dict><key>RX-%05d Series</key><integer>127</integer></dict>'
                    '</dict></plist>\n' % (i, i, i))

def peak_so_far_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except (OSError, ValueError):
        pass
    return 0

def start_to_shown(argv):
    """(milliseconds to "shown", the complete first frame; peak resident kB over the whole
    run, quitting included; peak resident kB at the first frame) of one run. The time is
    None when it never shows."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", TRELLIS_REPORT_SHOWN="1",
               XDG_CONFIG_HOME=os.path.join(scratch, "config"),
               TMPDIR=os.path.join(scratch, "tmp"),  # a one-instance lock of its own
               TRELLIS_ALERT_LOG=os.path.join(scratch, "alerts.jsonl"))
    shutil.rmtree(os.path.join(scratch, "config"), ignore_errors=True)
    t0 = time.monotonic()
    p = subprocess.Popen(argv, env=env, stderr=subprocess.PIPE, stdout=subprocess.DEVNULL)
    shown, at_frame = None, 0
    for line in p.stderr:
        if line.startswith(b"shown "):
            shown = (time.monotonic() - t0) * 1000
            at_frame = peak_so_far_kb(p.pid)
            break
    os.kill(p.pid, signal.SIGTERM)  # reaped only below, so the process id stays ours
    deadline = time.monotonic() + 30
    while True:
        pid, status, usage = os.wait4(p.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() > deadline:
            p.kill()
            pid, status, usage = os.wait4(p.pid, 0)
            break
        time.sleep(0.01)
    p.returncode = status
    p.stderr.close()
    return shown, usage.ru_maxrss, at_frame

def measure(argv):
    start_to_shown(argv)  # warm the file cache
    times, peaks, frame_peaks = [], [], []
    for _ in range(runs):
        ms, kb, frame_kb = start_to_shown(argv)
        if ms is not None:
            times.append(ms)
            peaks.append(kb)
            frame_peaks.append(frame_kb)
    if not times:
        return None
    times.sort()
    return times[len(times) // 2], max(peaks) / 1024.0, max(frame_peaks) / 1024.0, times[0]

os.makedirs(os.path.join(scratch, "tmp"), exist_ok=True)
installs = {}
if stage:
    roots = [os.path.relpath(d, stage) for d, subdirs, _ in os.walk(stage) if "Trellis.app" in subdirs]
    if roots:
        demo = os.path.join(stage, roots[0])
        installs["demo installation"] = demo
        for count in (1000, 10000):
            copy = os.path.join(scratch, "b%d" % count, roots[0])
            shutil.copytree(demo, copy, symlinks=True)
            add_bundles(copy, count)
            installs["%d bundles" % count] = copy

bare = os.path.join(build, "bench", "app", "bench_app_bare_window")
results = {}
if installs and os.access(bare, os.X_OK):
    form = os.path.join(installs["demo installation"], "Trellis.app", "Contents", "Resources", "main.nib", "MainDialog.ui")
    results["bare Qt baseline"] = measure([bare, form])
for case, root in installs.items():
    results[case] = measure([os.path.join(root, "Trellis.app", "Contents", "MacOS", "Trellis")])

# The same programs by instructions to the complete first frame, where valgrind is
# installed: callgrind dumps before every fflush, and the dumps written by the time "shown"
# is printed add up to the frame.
def instructions_to_shown(argv):
    if not shutil.which("valgrind"):
        return None
    out = os.path.join(scratch, "callgrind")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    shutil.rmtree(os.path.join(scratch, "config"), ignore_errors=True)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", TRELLIS_REPORT_SHOWN="1",
               XDG_CONFIG_HOME=os.path.join(scratch, "config"), TMPDIR=os.path.join(scratch, "tmp"),
               TRELLIS_ALERT_LOG=os.path.join(scratch, "alerts.jsonl"))
    p = subprocess.Popen(["valgrind", "--tool=callgrind", "--dump-before=fflush",
                          "--callgrind-out-file=" + os.path.join(out, "cg.%p")] + argv,
                         env=env, stderr=subprocess.PIPE, stdout=subprocess.DEVNULL)
    shown = False
    for line in p.stderr:
        if line.startswith(b"shown "):
            shown = True
            break
    time.sleep(3)
    dumps = [os.path.join(out, f) for f in os.listdir(out)]
    p.send_signal(signal.SIGTERM)
    try:
        p.wait(120)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()
    if not shown:
        return None
    total = 0
    for dump in dumps:
        with open(dump) as f:
            for line in f:
                if line.startswith("summary:") or line.startswith("totals:"):
                    total += int(line.split()[1])
                    break
    return total / 1e6

equivalent = os.path.join(build, "bench", "app", "bench_app_equivalent_window")
if installs and os.access(bare, os.X_OK):
    resources = os.path.join(installs["demo installation"], "Trellis.app", "Contents", "Resources")
    results["QLabel floor"] = measure([bare, "--label"])
    if os.access(equivalent, os.X_OK):
        results["equivalent window"] = measure([equivalent, resources])
    floors = [("QLabel floor", [bare, "--label"]), ("bare Qt baseline", [bare, form])]
    if os.access(equivalent, os.X_OK):
        floors.append(("equivalent window", [equivalent, resources]))
    floors.append(("demo installation", [os.path.join(installs["demo installation"], "Trellis.app", "Contents", "MacOS", "Trellis")]))
    counted = {}
    for case, argv in floors:
        counted[case] = instructions_to_shown(argv)
    if counted.get("bare Qt baseline"):
        for case, _ in floors:
            m = counted.get(case)
            if m is None:
                rows.append(("instructions to frame", case, "n/a", "", "valgrind missing or never shown"))
                continue
            rows.append(("instructions to frame", case, "%.1f" % m, "M",
                         "%.2fx the bare form window" % (m / counted["bare Qt baseline"])))

base = results.get("bare Qt baseline")
for case in ("QLabel floor", "bare Qt baseline", "equivalent window", "demo installation", "1000 bundles", "10000 bundles"):
    r = results.get(case)
    if r is None:
        rows.append(("start-up to window", case, "n/a", "", "launcher or baseline not built" if not installs else "never showed a window"))
        continue
    note = "median of %d; %.2fx the baseline" % (runs, r[0] / base[0]) if base and case != "bare Qt baseline" else "median of %d" % runs
    rows.append(("start-up to window", case, "%.1f" % r[0], "ms", note))
for case in ("QLabel floor", "equivalent window", "demo installation", "1000 bundles", "10000 bundles"):
    r = results.get(case)
    if r is not None and base:
        rows.append(("ratio to bare window", case, "%.2f" % (r[0] / base[0]), "x", "start-up at the complete first frame"))
for case in ("bare Qt baseline", "demo installation", "1000 bundles", "10000 bundles"):
    r = results.get(case)
    if r is None:
        rows.append(("peak memory", case, "n/a", "", ""))
        continue
    note = "%.2fx the baseline" % (r[1] / base[1]) if base and case != "bare Qt baseline" else ""
    rows.append(("peak memory", case, "%.1f" % r[1], "MiB", "whole run, quitting included; " + note if note else "whole run, quitting included"))
    rows.append(("peak memory", case + " (frame)", "%.1f" % r[2], "MiB", "at the complete first frame"))
# What each machine bundle adds to start-up, over the demo installation, from the medians and
# from the fastest runs (at 1,000 bundles the added time is close to the demo's own noise).
for which, label in ((0, "median"), (3, "fastest")):
    startup_pairs = [(n, results[c][which]) for n, c in ((1000, "1000 bundles"), (10000, "10000 bundles")) if results.get(c)]
    if not results.get("demo installation"):
        break
    d = results["demo installation"][which]
    extra = [(n, max(t - d, 0.001)) for n, t in startup_pairs]
    for n, t in extra:
        rows.append(("start-up per bundle", "%d bundles (%s)" % (n, label), "%.1f" % (t * 1000 / n), "us", "added over the demo installation"))
    if len(extra) == 2:
        g = per_item_growth(extra)
        rows.append(("start-up per bundle", "growth (%s)" % label, "x%.2f" % g, "", "1000 -> 10000 bundles%s" % (" (faster than linear!)" if g > 1.2 else "")))

widths = [max(len(str(r[i])) for r in rows + [("section", "case", "value", "unit", "note")]) for i in range(5)]
fmt = "%-*s  %-*s  %*s  %-*s  %s"
print("Trellis performance report: Release tree %s, %s" % (build, time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())))
print(fmt % (widths[0], "section", widths[1], "case", widths[2], "value", widths[3], "unit", "note"))
print("-" * (sum(widths) + 20))
last = None
for r in rows:
    print(fmt % (widths[0], r[0] if r[0] != last else "", widths[1], r[1], widths[2], r[2], widths[3], r[3], r[4]))
    last = r[0]
if os.path.exists(startup_log) and os.path.getsize(startup_log):
    print("\nbench_app_startup:")
    with open(startup_log) as f:
        print("\n".join(l.rstrip() for l in f if not l.startswith("-- ")))
PY
