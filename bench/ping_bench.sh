#!/bin/bash
# The ping scan against a standard tool: inside a fresh virtual LAN with 10
# answering hosts among 192.168.1.1-100, one whole scan of the program (real
# time, raw socket) and fping over the same range, side by side. Prints the
# scan's wall time against its budget (100 x (10 ms + 10 ms) + 0.1 s = 2.1 s,
# times 1.05, plus the answers' own round trips), its CPU share of one core
# (target <= 5 %), and whether the answering sets are equal. Needs root.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/default}
if [ "${2:-}" != --inside ]; then
  command -v fping >/dev/null || { echo "ping_bench: fping is missing (scripts/install-deps installs it)" >&2; exit 1; }
  exec "$top/scripts/netlab" run "$0" "$build" --inside
fi
for i in 3 9 17 26 37 44 58 71 86 100; do
  "$top/scripts/netlab" exec lan ip addr add "192.168.1.$i/24" dev lan0
done
home=$(mktemp -d)
printf '[RunMode]\nStartupAutoDeviceType=2\nAdvancedMode=1\nAdvIPDMode=1\n' > "$home/Setting.ini"
exec "$top/scripts/netlab" exec pc python3 - "$build/cobalin" "$home" <<'PY'
import json, os, subprocess, sys, time
cobalin, home = sys.argv[1], sys.argv[2]
p = subprocess.Popen([cobalin, "--drive", "--home", home], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                     env=dict(os.environ, QT_QPA_PLATFORM="offscreen"), text=True)
def do(cmd):
    p.stdin.write(cmd + "\n"); p.stdin.flush(); return json.loads(p.stdout.readline())
def cpu():
    f = open(f"/proc/{p.pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(f[11]) + int(f[12])) / os.sysconf("SC_CLK_TCK")
do("click Command13")
c0, t0 = cpu(), time.monotonic()
do("click Command4")
do("idle 60")
c1, t1 = cpu(), time.monotonic()
ours = do("get List2 items")["value"]
do("quit"); p.wait()
f0 = time.monotonic()
fping = subprocess.run(["fping", "-a", "-q", "-g", "192.168.1.1", "192.168.1.100"], capture_output=True, text=True)
f1 = time.monotonic()
theirs = fping.stdout.split()
wall, used = t1 - t0, c1 - c0
print(f"scan of 100 addresses: {wall:.3f} s wall (budget 1.05 x 2.1 s = 2.205 s + round trips), "
      f"{used:.3f} s CPU = {100 * used / wall:.2f} % of one core (target <= 5 %)")
print(f"answering: cobalin {len(ours)}, fping {len(theirs)} ({f1 - f0:.2f} s); sets equal: {sorted(ours) == sorted(theirs)}")
print(f"  cobalin: {' '.join(ours)}")
sys.exit(0 if sorted(ours) == sorted(theirs) else 1)
PY
