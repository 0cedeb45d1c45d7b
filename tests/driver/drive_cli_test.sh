#!/bin/sh
# The driver as a process: answers on standard output only, end of input
# means quit, and closing the last window ends the program with status 0.
set -eu
cobalin=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export QT_QPA_PLATFORM=offscreen
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(printf 'windows\n' | "$cobalin" --drive --home "$home" 2>/dev/null)
[ "$out" = '{"ok":true,"value":[{"caption":"ZentaSolution Cobalin","name":"FormDeviceSelect"}]}
{"ok":true}' ] || fail "chooser: $out"

printf '[RunMode]\nStartupAutoDeviceType=1\n' > "$home/Setting.ini"
out=$(printf 'windows\nquit\n' | "$cobalin" --drive --home "$home" 2>/dev/null)
[ "$out" = '{"ok":true,"value":[{"caption":"Cobalin for IP Dongle (Ver. Q113V1)","name":"FormMain"}]}
{"ok":true}' ] || fail "main window: $out"

# A last line without its line feed is still a command.
out=$(printf 'get Label54(1) text' | "$cobalin" --drive --home "$home" 2>/dev/null)
[ "$out" = '{"ok":true,"value":"Ready"}
{"ok":true}' ] || fail "last line: $out"

# Closing the last window answers the command and ends with status 0.
set +e
out=$(printf 'click Command34(4)\nget Label54(1) text\n' | "$cobalin" --drive --home "$home" 2>/dev/null)
status=$?
set -e
[ "$status" = 0 ] || fail "exit status $status"
[ "$out" = '{"ok":true}' ] || fail "close: $out"
echo ok
