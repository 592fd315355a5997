#!/usr/bin/env bash
# Loading hostile workbooks: small files that claim far more than they hold (shared formulas that
# come late or never, huge merged areas, cells at the far end of the sheet, functions over huge
# areas, deeply nested parentheses), made by tests/xls/make_hostile.py in the sizes that once took
# minutes or gigabytes. For each: the best wall time and the peak memory of `zofmirel-cli info`
# (a whole load with its recalculation) against the targets: under 1 s per MB of file (at least
# 0.1 s) and under 100 bytes per stored cell plus 20 times the file size (plus the program's own
# 8 MB). Then one edit of a sheet whose 1,000 formulas sum a whole column, and the whole-process
# `convert` of the 1,000,000-cell workbook of ../shared/bench/make_big.py (target: 0.35 s, 80 MB).
# Usage: bench/hostile.sh BUILD_DIR [ROUNDS] [TIMEOUT_SECONDS]   (an optimised build)
set -euo pipefail
build=$(cd "${1:?usage: bench/hostile.sh BUILD_DIR [ROUNDS] [TIMEOUT_SECONDS]}" && pwd)
rounds=${2:-3}
limit=${3:-120}
here=$(cd "$(dirname "$0")" && pwd)
shared=${ZOF_SHARED_DIR:-$here/../../shared}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli=$build/zofmirel-cli
[[ -x $cli ]] || cli=$build/cli/zofmirel-cli

big=${ZOF_BIG_XLS:-/tmp/zofmirel-bench-big.xls}
[[ -f $big ]] || /usr/bin/python3 "$shared/bench/make_big.py" "$big"

maker=$here/../tests/xls/make_hostile.py
/usr/bin/python3 - "$cli" "$maker" "$work" "$rounds" "$limit" "$big" <<'PY'
import json, os, subprocess, sys
cli, maker, work, rounds, limit, big = sys.argv[1:7]
rounds, limit = int(rounds), float(limit)

PROBE = ("import resource, subprocess, sys, time\n"
         "t = time.monotonic()\n"
         "try:\n"
         "    r = subprocess.run(sys.argv[2:], stdout=subprocess.DEVNULL,\n"
         "                       stderr=subprocess.DEVNULL, input=sys.argv[1].encode(),\n"
         "                       timeout=%r).returncode\n"
         "except subprocess.TimeoutExpired:\n"
         "    r = 'timeout'\n"
         "print(time.monotonic() - t, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, r)\n")

def measure(command, stdin=""):
    """Best wall time, peak memory (MB) and whether every run finished, over the rounds."""
    best, peak, finished = None, 0.0, True
    for _ in range(rounds):
        out = subprocess.run(["/usr/bin/python3", "-c", PROBE % limit, stdin] + command,
                             capture_output=True, text=True).stdout.split()
        seconds, mb, code = float(out[0]), int(out[1]) / 1024, out[2]
        if code == "timeout":
            return limit, mb, False
        if code != "0":
            sys.exit("failed (%s): %s" % (code, " ".join(command)))
        best = seconds if best is None else min(best, seconds)
        peak = max(peak, mb)
    return best, peak, finished

def stored_cells(path):
    info = json.loads(subprocess.run([cli, "info", path], capture_output=True, text=True).stdout)
    return sum(sheet["cells"] for sheet in info["sheets"])

attacks = [("shared-after", 8000), ("shared-after", 20000), ("exp-missing", 160000),
           ("merge-full", 1), ("merge-full", 4000), ("merge-rows", 4000), ("merge-rows", 10000),
           ("last-row", 10), ("sum-wide", 1000), ("sum-column", 1000), ("parens", 20)]
print("%-20s %9s %9s %9s %9s %9s %9s  %s" % ("load of", "KB", "cells", "seconds", "target",
                                            "peak MB", "target", "verdict"))
failed = 0
for kind, count in attacks:
    path = os.path.join(work, "%s-%d.xls" % (kind, count))
    subprocess.run(["/usr/bin/python3", maker, kind, str(count), path], check=True)
    size = os.path.getsize(path)
    seconds, mb, finished = measure([cli, "info", path])
    cells = stored_cells(path) if finished else 0
    time_target = max(0.1, size / 1e6)
    memory_target = 8 + (100 * cells + 20 * size) / 2**20
    ok = finished and seconds <= time_target and mb <= memory_target
    failed += not ok
    print("%-20s %9.1f %9d %s%8.3f %9.3f %9.1f %9.1f  %s" % (
        "%s %d" % (kind, count), size / 1024, cells, " " if finished else ">", seconds, time_target,
        mb, memory_target, "ok" if ok else "OVER"))

# One edit (and its recalculation) of the sheet of 1,000 sums of a whole column: the time of a
# script with 21 edits less that of one with 1, per edit.
path = os.path.join(work, "sum-column-1000.xls")
def script(edits):
    return "".join("set A1 %d\n" % i for i in range(edits))
one, _, _ = measure([cli, "script", path], script(1))
many, _, finished = measure([cli, "script", path], script(21))
print("%-20s %29s %s%8.4f" % ("edit, 1000 sums", "seconds per edit", " " if finished else ">",
                             (many - one) / 20))

seconds, mb, _ = measure([cli, "convert", big, os.path.join(work, "big-out.xls")])
print("%-20s %9.1f %9d  %8.3f %9.3f %9.1f %9.1f  %s" % (
    "convert, big", os.path.getsize(big) / 1024, 1000000, seconds, 0.35, mb, 80.0,
    "ok" if seconds <= 0.35 and mb <= 80 else "OVER"))
sys.exit(1 if failed else 0)
PY
