#!/bin/sh
# The program's font: with Liberation Sans installed the program says
# nothing of fonts; where no family with Arial's metrics is installed (a
# font configuration that knows only DejaVu, with the system's rules) it
# says so once on standard error, names the family it uses instead and runs
# all the same.
set -eu
cobalin=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QT_QPA_PLATFORM=offscreen
fail() { echo "FAIL: $*" >&2; exit 1; }
printf '[RunMode]\nStartupAutoDeviceType=2\n' > "$scratch/Setting.ini"
note="no font with Arial's metrics is installed"

out=$(printf 'get Label54(1) text\n' | "$cobalin" --drive --home "$scratch" 2> "$scratch/stderr")
[ "$out" = '{"ok":true,"value":"Ready"}
{"ok":true}' ] || fail "with the program's font: $out"
if grep -F "$note" "$scratch/stderr"; then fail "the note, with Liberation Sans installed"; fi

dejavu=/usr/share/fonts/truetype/dejavu
[ -d "$dejavu" ] || { echo "no $dejavu: the fallback is not checked"; exit 0; }
cat > "$scratch/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><dir>$dejavu</dir><cachedir>$scratch/cache</cachedir>
<include ignore_missing="yes">/etc/fonts/conf.d</include></fontconfig>
CONF
out=$(printf 'get Label54(1) text\n' | FONTCONFIG_FILE="$scratch/fonts.conf" "$cobalin" --drive --home "$scratch" 2> "$scratch/stderr")
[ "$out" = '{"ok":true,"value":"Ready"}
{"ok":true}' ] || fail "without the program's font: $out"
[ "$(grep -cF "$note" "$scratch/stderr")" = 1 ] || fail "the note, once: $(cat "$scratch/stderr")"
grep -F "using DejaVu Sans" "$scratch/stderr" > /dev/null || fail "the family used instead: $(cat "$scratch/stderr")"
echo ok
