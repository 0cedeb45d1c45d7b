#!/usr/bin/env python3
"""Restoring and cloning with `cobalin configure` end to end: a device
changed and restored from its backup holds its first configuration again, a
clone onto a second device holds the backup's configuration with its own
identity and the address and name its row gave, and bad backups are refused
with nothing sent. Checked on the devices' own records. Run through
tests/e2e/run-in-netlab."""
import json
import os
import tempfile
import unittest

from configure_cli_test import configure, raw_search
from search_cli_test import Sim

A, B, C = "02:7E:3A:0A:00:01", "02:7E:3A:0A:00:02", "02:7E:3A:0A:00:03"
LAN = f"""
[defaults]
netmask = 255.255.255.0
gateway = 192.168.1.1
password = admin
restart = 3
model = ZB-2000
hwid = PCB-4160-01

[device]
mac = {A}
ip = 192.168.1.110
name = Alpha
serial = Z26000301
company = Hall A
baud = 38400

[device]
mac = {B}
ip = 192.168.1.111
name = Beta
serial = Z26000302
hwid = PCB-4160-02
company = Hall B

[device]
mac = {C}
ip = 192.168.1.112
name = Gamma
serial = Z26000303
model = ZB-3000
""".encode()

# The record bytes (by offset) that make a device the one it is.
IDENTITY = set(range(26, 42)) | set(range(70, 76)) | set(range(142, 174))


def key(mac):
    return mac.replace(":", "").lower()


def record_pages(macs):
    """Pages 0 and 1 of each device as it answers now, as one dict of
    record offset -> byte per MAC."""
    pages = raw_search({(key(m), p) for m in macs for p in (0, 1)})
    out = {}
    for m in macs:
        rec = {}
        for offset, page in ((8, 0), (1016, 1)):
            for i, b in enumerate(pages[(key(m), page)]):
                rec[offset + i] = b
        out[m] = rec
    return out


class RestoreAndClone(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim = Sim(LAN)
        cls.dir = tempfile.mkdtemp(prefix="cobalin-restore-")
        cls.backups = os.path.join(cls.dir, "backups")
        cls.first = record_pages([A, B])

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def plan(self, name, text, mode=0o600):
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, mode)
        return path

    def writes_since(self, before):
        return [d for d in self.sim.datagrams()[before:] if d[1].endswith(":8890")]

    def backup_of_a(self):
        return os.path.join(self.backups, A.replace(":", "-") + ".ini")

    def test_1_a_changed_device_is_put_back(self):
        change = self.plan("change.csv", f"mac,password,name,baud_rate,new_password\n{A},admin,Moved,9600,s3cond\n")
        code, out, err = configure(change, "--json", "--backup", self.backups)
        self.assertEqual(code, 0, err + out)
        self.assertEqual(json.loads(out)[0]["status"], "updated")
        self.assertNotEqual(record_pages([A])[A], self.first[A])

        # The row gives the device's password now; it takes the backup's back.
        restore = self.plan("restore.csv", f"mac,password,from_backup\n{A},s3cond,backups/{os.path.basename(self.backup_of_a())}\n")
        code, out, err = configure(restore, "--json", "--backup", self.backups)
        self.assertEqual(code, 0, err + out)
        row = json.loads(out)[0]
        self.assertEqual((row["status"], row["changed"]), ("updated", ["name", "new_password", "baud_rate"]))
        self.assertEqual(record_pages([A])[A], self.first[A], "pages 0 and 1 as they were")
        # The state before the restore was backed up too, under a new name.
        names = sorted(os.listdir(self.backups))
        self.assertEqual(len(names), 2, names)
        self.assertIn(os.path.basename(self.backup_of_a()), names)

        # A second run finds it holding the backup already.
        before = len(self.sim.datagrams())
        code, out, err = configure(restore, "--json")
        self.assertEqual(code, 0, err + out)
        self.assertEqual(json.loads(out)[0]["status"], "unchanged")
        self.assertEqual(self.writes_since(before), [])

    def test_2_a_clone_keeps_its_identity_and_takes_its_row(self):
        clone = self.plan("clone.csv", f"mac,password,from_backup,name,ip\n{B},admin,{self.backup_of_a()},Beta-2,192.168.1.121\n")
        code, out, err = configure(clone, "--json")
        self.assertEqual(code, 0, err + out)
        row = json.loads(out)[0]
        self.assertEqual(row["status"], "updated", row)
        self.assertEqual(row["ip"], "192.168.1.121")
        self.assertIn("baud_rate", row["changed"])
        self.assertIn("location", row["changed"])
        now = record_pages([B])[B]
        for offset, byte in now.items():
            if offset in IDENTITY:
                self.assertEqual(byte, self.first[B][offset], f"identity byte {offset}")
            elif offset in range(10, 26):
                continue  # the name its row gave
            elif offset in range(58, 62):
                self.assertEqual(bytes(now[o] for o in range(58, 62)), bytes([192, 168, 1, 121]))
            else:
                self.assertEqual(byte, self.first[A][offset], f"byte {offset} from the backup")
        self.assertEqual(bytes(now[o] for o in range(10, 16)), b"Beta-2")

    def test_3_bad_backups_are_refused_with_nothing_sent(self):
        with open(self.backup_of_a()) as f:
            good = f.read()
        broken = self.plan("broken.ini", good.replace("057) Hx00000380  =", "057) Hx00000380  =0"))
        readable = self.plan("readable.ini", good, 0o644)
        before = len(self.sim.datagrams())
        for backup, words in ((broken, "line 61: 33 hex digits where 32 belong"), (readable, "chmod 600")):
            plan = self.plan("bad.csv", f"mac,password,from_backup\n{A},admin,{backup}\n")
            code, out, err = configure(plan, "--json")
            self.assertEqual(code, 2, err + out)
            self.assertIn("line 2, column from_backup: the backup " + backup, err)
            self.assertIn(words, err)
            self.assertEqual(out, "")
        self.assertEqual(self.sim.datagrams()[before:], [], "not even a search")

    def test_4_only_the_users_own_regular_file_is_read(self):
        with open(self.backup_of_a()) as f:
            good = f.read()
        link = os.path.join(self.dir, "link.ini")
        os.symlink(self.backup_of_a(), link)
        fifo = os.path.join(self.dir, "fifo.ini")
        os.mkfifo(fifo, 0o600)
        other = self.plan("other.ini", good)
        os.chown(other, 12345, 12345)
        escaped = self.plan("b\x1b]2;owned\x07.ini", good, 0o644)
        shown = os.path.join(self.dir, "b?]2;owned?.ini")
        before = len(self.sim.datagrams())
        for backup, words in ((link, "the backup %s is a symbolic link" % link),
                              (fifo, "cannot read the backup " + fifo),
                              (other, "the backup %s belongs to another user" % other),
                              (escaped, "the backup %s holds a device's password" % shown)):
            plan = self.plan("bad.csv", f"mac,password,from_backup\n{A},admin,{backup}\n")
            code, out, err = configure(plan, "--json")
            self.assertEqual(code, 2, err + out)
            self.assertIn("line 2, column from_backup: " + words, err)
            self.assertNotIn("\x1b", err)
            self.assertEqual(out, "")
        self.assertEqual(self.sim.datagrams()[before:], [], "not even a search")
        # A folder on the way may be a link: only the file's own name is not followed.
        os.symlink(self.backups, os.path.join(self.dir, "via"))
        plan = self.plan("via.csv", f"mac,password,from_backup\n{A},admin,via/{os.path.basename(self.backup_of_a())}\n")
        code, out, err = configure(plan, "--json", "--check")
        self.assertEqual(code, 0, err + out)

    def test_5_another_model_is_refused_after_the_search(self):
        before = len(self.sim.datagrams())
        # Another model: refused after the search, nothing written.
        plan = self.plan("model.csv", f"mac,password,from_backup\n{C},admin,{self.backup_of_a()}\n")
        code, out, err = configure(plan, "--json")
        self.assertEqual(code, 1, err + out)
        row = json.loads(out)[0]
        self.assertEqual(row["status"], "refused")
        self.assertEqual(row["reason"], 'the backup is of model "ZB-2000", this device is "ZB-3000"')
        self.assertEqual(self.writes_since(before), [])


if __name__ == "__main__":
    unittest.main()
