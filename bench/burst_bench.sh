#!/bin/bash
# Runs bench/burst_bench inside a fresh virtual LAN against 255 simulated
# paged devices in burst mode. Needs root.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/default}
if [ "${2:-}" != --inside ]; then
  exec "$top/scripts/netlab" run "$0" "$build" --inside
fi
lan=$(mktemp)
printf '[device]\ncount=255\nmac=02:00:00:00:50:00\nip=192.168.1.1\n' > "$lan"
"$top/scripts/netlab" exec lan "$build/sim/cobalin-devsim" "$lan" --iface lan0 --burst > /dev/null &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -f "$lan"' EXIT
sleep 0.5
"$top/scripts/netlab" exec pc "$build/bench/burst_bench"
