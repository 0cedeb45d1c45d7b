#!/usr/bin/env python3
"""Reads a settings backup with Python's own INI reader, independently of the
program's reader, and prints the record it holds.

Usage: read_backup.py FILE

Prints three lines: MAC=<mac>, BYTES=<value of "Bytes">, HEX=<the record's
bytes as upper-case hexadecimal pairs, in order>. Exits 1 with a reason when
the file is not a backup: no [NSV] section or key, no section for the MAC,
line keys that do not count up from 001 with their offsets, a line of more
than 16 bytes or a short line before the last, or a byte count that differs
from "Bytes" + 1.
"""
import configparser
import re
import sys

KEY = re.compile(r"^(\d{3,})\) Hx([0-9A-F]{8})$")


def fail(reason):
    print("read_backup: " + reason, file=sys.stderr)
    sys.exit(1)


def main():
    if len(sys.argv) != 2:
        fail("usage: read_backup.py FILE")
    parser = configparser.ConfigParser(interpolation=None, strict=True, delimiters=("=",))
    parser.optionxform = str  # keep the keys as written
    try:
        with open(sys.argv[1], encoding="cp1252") as f:
            parser.read_file(f)
    except (OSError, configparser.Error) as e:
        fail(str(e))
    if not parser.has_section("NSV"):
        fail("no [NSV] section")
    nsv = parser["NSV"]
    if "MAC" not in nsv or "Bytes" not in nsv:
        fail("[NSV] lacks MAC or Bytes")
    mac, count = nsv["MAC"], int(nsv["Bytes"]) + 1
    if not parser.has_section(mac):
        fail("no section [%s]" % mac)
    lines = []
    for key, value in parser[mac].items():
        m = KEY.match(key)
        if not m:
            continue
        lines.append((int(m.group(1)), int(m.group(2), 16), value))
    record = bytearray()
    for expected, (number, offset, value) in enumerate(lines, start=1):
        if number != expected or offset != len(record):
            fail("line %d (%s): expected line %d at offset %d" % (number, hex(offset), expected, len(record)))
        if len(value) % 2 or len(value) > 32 or not re.fullmatch(r"[0-9A-F]*", value):
            fail("line %d: %r is not up to 16 upper-case hexadecimal pairs" % (number, value))
        if len(value) < 32 and len(record) + len(value) // 2 < count:
            fail("line %d is short but not the last" % number)
        record += bytes.fromhex(value)
        if len(record) >= count:
            break
    if len(record) != count:
        fail("%d bytes, but Bytes says %d" % (len(record), count))
    print("MAC=" + mac)
    print("BYTES=" + nsv["Bytes"])
    print("HEX=" + record.hex().upper())


if __name__ == "__main__":
    main()
