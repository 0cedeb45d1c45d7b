#!/bin/bash
# The soak: 500 searches in a row against 255 simulated devices, with the
# duplicate, reorder, malformed and flood fault modes on in turn, inside a
# fresh virtual LAN. Passes when every search finds all 255, resident memory
# after the last search is within 5 % of after the tenth and the number of
# open file descriptors is the same. Needs root. Not part of `make test`.
#   bench/soak.sh [BUILD_DIR] [--searches N] [--scale S]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build/default
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then build=$1; shift; fi
exec "$top/scripts/netlab" run "$top/scripts/netlab" exec pc python3 "$top/bench/soak.py" \
  --netlab "$top/scripts/netlab" --build "$build" "$@"
