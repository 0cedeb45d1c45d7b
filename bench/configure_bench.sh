#!/bin/bash
# `cobalin configure` of 1 device and of 50 devices, side by side in one run,
# in real time (time scale 1) inside a fresh virtual LAN of simulated devices:
# each plan renames every device and moves its address. Prints the wall time
# of each run, their ratio (target: the 50 take at most 1.2 x the one) and the
# program's CPU time over the whole run as a share of one core (target: at
# most 2 %). For comparison: the window's road takes about 17 s per device.
# Needs root.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/default}
if [ "${2:-}" != --inside ]; then
  exec "$top/scripts/netlab" run "$0" "$build" --inside
fi
work=$(mktemp -d)
trap 'kill -TERM $sim 2>/dev/null || true; wait $sim 2>/dev/null || true; rm -rf "$work"' EXIT
cat > "$work/lan.conf" <<'LAN'
[defaults]
password = admin
restart = 8
hwid = PCB-4160-01
[device]
count = 1
mac = 02:00:00:00:70:01
ip = 192.168.1.10
name = One
[device]
count = 50
mac = 02:00:00:00:71:01
ip = 192.168.1.100
name = Many
LAN
"$top/scripts/netlab" exec lan "$build/sim/cobalin-devsim" "$work/lan.conf" --iface lan0 > /dev/null &
sim=$!
sleep 0.5
{ echo "mac,password,name,ip"; echo "02:00:00:00:70:01,admin,One B,192.168.1.11"; } > "$work/one.csv"
{ echo "mac,password,name,ip"
  for i in $(seq 1 50); do printf '02:00:00:00:71:%02X,admin,Many %02d,192.168.1.%d\n' "$i" "$i" $((150 + i)); done
} > "$work/many.csv"
chmod 600 "$work"/*.csv
run() {  # prints: wall seconds, CPU seconds, exit status
  local start end status=0
  start=$(date +%s.%N)
  /usr/bin/time -f "%U %S" -o "$work/cpu" "$top/scripts/netlab" exec pc env COBALIN_TIME_SCALE=1 \
    QT_QPA_PLATFORM=no-such-plugin "$build/cobalin" configure "$1" --json > "$work/out.json" || status=$?
  end=$(date +%s.%N)
  python3 - "$start" "$end" "$work/cpu" "$status" "$work/out.json" <<'PY'
import json, sys
start, end, cpu, status, out = sys.argv[1:]
user, system = map(float, open(cpu).read().split()[-2:])
rows = json.load(open(out))
updated = sum(r["status"] == "updated" for r in rows)
wall = float(end) - float(start)
print(f"{wall:.2f} {user + system:.3f} {status} {updated}/{len(rows)}")
PY
}
read -r wall1 cpu1 st1 up1 < <(run "$work/one.csv")
read -r wall50 cpu50 st50 up50 < <(run "$work/many.csv")
python3 - "$wall1" "$cpu1" "$st1" "$up1" "$wall50" "$cpu50" "$st50" "$up50" <<'PY'
import sys
w1, c1, s1, u1, w50, c50, s50, u50 = sys.argv[1:]
w1, c1, w50, c50 = map(float, (w1, c1, w50, c50))
print(f"{'plan':<12}{'wall s':>8}{'CPU s':>8}{'CPU %':>8}  exit  updated")
print(f"{'1 device':<12}{w1:>8.2f}{c1:>8.3f}{100 * c1 / w1:>8.2f}  {s1:>4}  {u1}")
print(f"{'50 devices':<12}{w50:>8.2f}{c50:>8.3f}{100 * c50 / w50:>8.2f}  {s50:>4}  {u50}")
print(f"ratio 50/1: {w50 / w1:.3f} (target <= 1.2); the window's road: about {50 * 17.2 / w1:.0f} x")
PY
