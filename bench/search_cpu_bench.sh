#!/bin/bash
# CPU cost of a running search between datagrams: a whole network search
# (19 ticks, real time) with no device answering, inside a fresh virtual LAN.
# Prints the program's CPU time over the wall time of the search. Needs root.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/default}
if [ "${2:-}" != --inside ]; then
  exec "$top/scripts/netlab" run "$0" "$build" --inside
fi
home=$(mktemp -d)
printf '[RunMode]\nStartupAutoDeviceType=2\nAdvancedMode=1\n' > "$home/Setting.ini"
exec "$top/scripts/netlab" exec pc python3 - "$build/cobalin" "$home" <<'PY'
import os, subprocess, sys, time
cobalin, home = sys.argv[1], sys.argv[2]
p = subprocess.Popen([cobalin, "--drive", "--home", home], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                     env=dict(os.environ, QT_QPA_PLATFORM="offscreen"), text=True)
def do(cmd):
    p.stdin.write(cmd + "\n"); p.stdin.flush(); return p.stdout.readline()
def cpu():
    f = open(f"/proc/{p.pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(f[11]) + int(f[12])) / os.sysconf("SC_CLK_TCK")
do("get Label1 text")
c0, t0 = cpu(), time.monotonic()
do("click Command1")
do("idle 30")
c1, t1 = cpu(), time.monotonic()
do("quit"); p.wait()
print(f"search of {t1 - t0:.2f} s with no answers: {c1 - c0:.3f} s CPU = {100 * (c1 - c0) / (t1 - t0):.2f} % of one core (target <= 2 %)")
PY
