#!/bin/sh
# scripts/install-data-sets puts the four sample data sets into a program
# folder and never overwrites a user's own file.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# An empty (not yet existing) folder receives all four, byte for byte.
"$top/scripts/install-data-sets" "$work/home"
for n in 1 2 3 4; do
  cmp "$top/data/FillDataSet$n.ini" "$work/home/FillDataSet$n.ini" || fail "set $n not copied"
done

# The user's own set 2 and a folder named like set 3 stay as they are; set 4,
# removed by the user, comes back.
printf '[Default]\r\n0=Mine\r\n' > "$work/home/FillDataSet2.ini"
rm "$work/home/FillDataSet3.ini" "$work/home/FillDataSet4.ini"
mkdir "$work/home/FillDataSet3.ini"
"$top/scripts/install-data-sets" "$work/home"
[ "$(cat "$work/home/FillDataSet2.ini")" = "$(printf '[Default]\r\n0=Mine\r\n')" ] || fail "the user's set 2 was overwritten"
[ -d "$work/home/FillDataSet3.ini" ] || fail "the folder in set 3's place was replaced"
cmp "$top/data/FillDataSet4.ini" "$work/home/FillDataSet4.ini" || fail "set 4 not put back"

# Without a folder it says how to call it.
if "$top/scripts/install-data-sets" 2>/dev/null; then fail "no folder given, yet it succeeded"; fi
echo "install-data-sets: ok"
