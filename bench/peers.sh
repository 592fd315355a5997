#!/usr/bin/env bash
# Converting the 1,000,000-cell workbook of ../shared/bench/make_big.py from .xls to .xls with
# zofmirel-cli, Gnumeric's ssconvert and LibreOffice, in the same run on the same file: wall
# time and peak memory of each, and the ratios ours ÷ theirs (below 1: we are faster/smaller).
# Usage: bench/peers.sh BUILD_DIR [ROUNDS]   (BUILD_DIR holds an optimised zofmirel-cli)
set -euo pipefail
build=$(cd "${1:?usage: bench/peers.sh BUILD_DIR [ROUNDS]}" && pwd)
rounds=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
shared=${ZOF_SHARED_DIR:-$here/../../shared}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

big=${ZOF_BIG_XLS:-$work/big.xls}
[[ -f $big ]] || /usr/bin/python3 "$shared/bench/make_big.py" "$big"
echo "input: $big ($(stat -c %s "$big") bytes)"

/usr/bin/python3 - "$build/zofmirel-cli" "$big" "$work" "$rounds" <<'PY'
import os, resource, subprocess, sys, time
cli, big, work, rounds = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])

def measure(command):
    """Best wall time and the peak memory (MB) of one run of `command` and its children."""
    probe = ("import resource, subprocess, sys, time\n"
             "t = time.monotonic()\n"
             "r = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)\n"
             "print(time.monotonic() - t, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, r.returncode)\n")
    best, peak = None, 0
    for _ in range(rounds):
        out = subprocess.run(["/usr/bin/python3", "-c", probe] + command, capture_output=True, text=True).stdout.split()
        seconds, rss, code = float(out[0]), int(out[1]) / 1024, int(out[2])
        if code != 0:
            sys.exit("failed (%d): %s" % (code, " ".join(command)))
        best = seconds if best is None else min(best, seconds)
        peak = max(peak, rss)
    return best, peak

profile = "file://" + os.path.join(work, "lo-profile")
runs = [
    ("zofmirel-cli", [cli, "convert", big, os.path.join(work, "ours.xls")]),
    ("ssconvert", ["ssconvert", "-T", "Gnumeric_Excel:excel_biff8", big, os.path.join(work, "gnumeric.xls")]),
    ("soffice", ["soffice", "-env:UserInstallation=" + profile, "--headless", "--norestore",
                 "--convert-to", "xls", "--outdir", os.path.join(work, "lo"), big]),
]
# LibreOffice's first start builds its profile; do that outside the measurement.
subprocess.run(runs[2][1][:4] + ["--terminate_after_init"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
results = {name: measure(command) for name, command in runs}
print("%-14s %9s %9s" % ("xls -> xls", "seconds", "peak MB"))
for name, (seconds, mb) in results.items():
    print("%-14s %9.3f %9.1f" % (name, seconds, mb))
ours = results["zofmirel-cli"]
for name in ("ssconvert", "soffice"):
    theirs = results[name]
    print("ours / %-9s time %.3f  memory %.3f" % (name, ours[0] / theirs[0], ours[1] / theirs[1]))
PY
