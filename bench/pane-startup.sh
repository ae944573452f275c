#!/bin/sh
# Start-up cost of the primary window with each web pane. Runs every variant
# of pane_startup several times under its own Xvfb and prints, per variant, the
# median time from process start to the window's first paint and to the page's
# title, and the median peak memory of the whole process tree (the sum of the
# resident sizes of the program and all its descendants, sampled every 20 ms).
# Every page comes from 127.0.0.1.
#
#   bench/pane-startup.sh [build folder, default build] [runs, default 5]
set -eu
build=${1:-build}
runs=${2:-5}

tmp=$(mktemp -d)
xvfb=""
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT INT TERM

. "$(dirname "$0")/../scripts/lab/xvfb.sh"
if start_xvfb "$tmp" 1280x1024; then
    echo "display: Xvfb $DISPLAY"
elif [ $? -eq 1 ]; then
    export QT_QPA_PLATFORM=offscreen
    echo "display: offscreen (no Xvfb)"
else
    echo "Xvfb did not start" >&2
    exit 1
fi

PYTHONPATH="$(cd "$(dirname "$0")" && pwd)" python3 - "$build/bench" "$runs" <<'PYTHON'
import os, signal, statistics, subprocess, sys, time
from proctree import read, tree

folder, runs = sys.argv[1], int(sys.argv[2])
page = os.sysconf("SC_PAGE_SIZE")

def rss(pid):
    fields = read(f"/proc/{pid}/statm").split()
    return int(fields[1]) * page if len(fields) > 1 else 0

def run(command):
    env = dict(os.environ, BENCH_START=repr(time.time()))
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, text=True)
    seen, peak, deadline = set(), 0, time.monotonic() + 45
    while process.poll() is None and time.monotonic() < deadline:
        pids = tree(process.pid)
        seen |= pids
        peak = max(peak, sum(rss(p) for p in pids))
        time.sleep(0.02)
    if process.poll() is None:
        process.kill()
    output = process.communicate()[0]
    # Helpers left behind are stopped by the PIDs that were seen in the tree.
    for pid in seen - {process.pid}:
        if "QtWebEngineProcess" in read(f"/proc/{pid}/cmdline"):
            os.kill(pid, signal.SIGKILL)
    values = dict(line.split("=", 1) for line in output.split() if "=" in line)
    return values, peak

def median(values):
    numbers = [float(v) for v in values if v not in (None, "timeout")]
    return statistics.median(numbers) if len(numbers) == len(values) and numbers else None

def ms(value):
    return "-" if value is None else f"{value:.0f} ms"

for label, name, arguments in [("plain", "plain", []), ("light", "light", []),
                               ("webengine", "webengine", []), ("webengine, pane made before show", "webengine", ["early"])]:
    program = os.path.join(folder, f"pane_startup_{name}")
    if not os.path.exists(program):
        print(f"{label}: not built")
        continue
    results = [run([program] + arguments) for _ in range(runs)]
    paint = median([r[0].get("first_paint_ms") for r in results])
    title = median([r[0].get("title_ms") for r in results]) if name != "plain" else None
    memory = statistics.median(r[1] for r in results) / (1024 * 1024)
    print(f"{label}: first paint {ms(paint)}, title {ms(title)}, peak tree memory {memory:.0f} MiB (median of {runs})")
PYTHON
