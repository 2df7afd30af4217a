#!/usr/bin/env bash
# The performance report: builds a Release tree, runs every benchmark of bench/ and prints
# one table, then the start-up figures of bench_app_startup (the QLabel floor, the bare form
# window, the equivalent window and Trellis side by side, by wall time and, where valgrind is
# installed, by instructions; Trellis warm and as the first start after installation, with an
# empty picture cache; per-bundle cost; peak memory; SheetGlideTuner2 against its floor).
#   bench/report.sh [build folder] [start-up runs per case]
# (default build/release beside this checkout, 7 runs). Rows whose programs the tree does
# not have print "n/a".
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/release}
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

python3 - "$build" "$scratch" "$startup_log" "$runs" <<'PY'
import json, os, sys, time

build, scratch, startup_log, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
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
    print("\nbench_app_startup %d:" % runs)
    with open(startup_log) as f:
        print("\n".join(l.rstrip() for l in f if not l.startswith("-- ")))
PY
