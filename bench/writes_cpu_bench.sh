#!/bin/bash
# CPU cost and timing of the three long waits of the engineering face, in real
# time inside a fresh virtual LAN with simulated devices: "Update (7)" of a
# device (clear, write, reset, countdown: 11.5 s of waits), "Update (7)" of a
# device with a LAN module (15 s of waits) and "Reset" (11 s of countdown).
# For each it prints the program's CPU time over the waits as a share of one
# core (target <= 1 %), and the time from the first status text to the start
# of the follow-up search against the total the waits must add up to (within
# 3 %), with the longest and shortest step of the countdown. Needs root.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/default}
if [ "${2:-}" != --inside ]; then
  exec "$top/scripts/netlab" run "$0" "$build" --inside
fi
work=$(mktemp -d)
trap 'kill -TERM $sim 2>/dev/null || true; wait $sim 2>/dev/null || true; rm -rf "$work"' EXIT
printf '[RunMode]\nStartupAutoDeviceType=2\nAdvancedMode=1\nAdvIPDMode=1\n' > "$work/Setting.ini"
cat > "$work/lan.conf" <<'LAN'
[defaults]
restart = 6
[device]
mac = 02:00:00:00:60:01
ip = 192.168.1.21
name = Plain
[device]
mac = 02:00:00:00:60:02
ip = 192.168.1.41
name = Module
module = yes
LAN
"$top/scripts/netlab" exec lan "$build/sim/cobalin-devsim" "$work/lan.conf" --iface lan0 > /dev/null &
sim=$!
sleep 0.5
"$top/scripts/netlab" exec pc python3 - "$build/cobalin" "$work" <<'PY'
import json, os, subprocess, sys, time
cobalin, home = sys.argv[1], sys.argv[2]
p = subprocess.Popen([cobalin, "--drive", "--home", home], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                     env=dict(os.environ, QT_QPA_PLATFORM="offscreen", COBALIN_TIME_SCALE="1"), text=True)
def do(cmd):
    p.stdin.write(cmd + "\n"); p.stdin.flush()
    answer = json.loads(p.stdout.readline())
    if not answer.get("ok"): sys.exit(f"{cmd}: {answer}")
    return answer.get("value")
def cpu():
    f = open(f"/proc/{p.pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(f[11]) + int(f[12])) / os.sysconf("SC_CLK_TCK")
def pick(mac):
    do("click Command1"); do("idle 30")
    do(f"select List1 {do('get List1 items').index(mac)}")

def measure(name, button, total):
    do("changes")
    c0, t0 = cpu(), time.monotonic()
    do(f"click {button}")
    do(f"wait {total - 0.2}")  # the waits only, not the search after them
    c1, t1 = cpu(), time.monotonic()
    do("idle 30")
    changes = do("changes")
    texts = [c for c in changes if c["name"] == "Label1"]
    start = next(c["t"] for c in texts if c["value"] == "Sending command...")
    first_search = next(c["t"] for c in texts if c["value"] in ("Searching...1", "Sending...1") and c["t"] > start + total / 2)
    # The follow-up search starts where Timer1 is enabled for the last time before its first tick.
    search = max(c["t"] for c in changes if c["name"] == "Timer1" and c["value"] is True and c["t"] < first_search)
    steps = [c["t"] for c in texts if c["value"].startswith("Restarting...")]
    gaps = [b - a for a, b in zip(steps, steps[1:])]
    waits = search - start
    share = 100 * (c1 - c0) / (t1 - t0)
    print(f"{name}: {c1 - c0:.3f} s CPU over {t1 - t0:.2f} s = {share:.2f} % of one core (target <= 1 %); "
          f"waits {waits:.3f} s for {total} s ({100 * (waits - total) / total:+.2f} %, target within 3 %); "
          f"countdown steps {min(gaps):.3f}-{max(gaps):.3f} s")
    return share <= 1 and abs(waits - total) <= 0.03 * total

do("watch Label1 text")
do("watch Timer1 enabled")
ok = True
pick("02:00:00:00:60:01")
do("select List5 0"); do("type Text4 Plain renamed"); do("click Command6")
ok &= measure("Update (7), clear/write/reset", "Command9", 11.5)
pick("02:00:00:00:60:02")
do("select List5 0"); do("type Text4 Module renamed"); do("click Command6")
ok &= measure("Update (7), LAN module", "Command9", 15)
do("click Command13")
pick("02:00:00:00:60:01")
ok &= measure("Reset", "Command3", 11)
do("quit"); p.wait()
sys.exit(0 if ok else 1)
PY
