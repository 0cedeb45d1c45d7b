#!/usr/bin/env python3
"""A device's identity end to end, on the command line: `cobalin configure`
and `cobalin search` against simulated devices that share a MAC, share an IP
address, lie outside the PC's subnet, or keep their values and lose page 0
after their restart. Run through tests/e2e/run-in-netlab."""
import csv
import io
import json
import os
import socket
import subprocess
import tempfile
import unittest

from configure_cli_test import configure
from search_cli_test import BIN, NETLAB, Sim, search

REQUEST = bytes.fromhex("54657373616C792044617461636F6D6D20436F72702E00")
DEFAULTS = "[defaults]\npassword = admin\nrestart = 2\nhwid = PCB-4160-01\nnetmask = 255.255.255.0\ngateway = 192.168.1.1\n"
SHARED_MAC = "02:7E:3A:24:01:01"
UPDATE_LM = b"UpdateLM".hex()
QUERY_LM = b"BrenikLM".hex()


def fresh_sim(devices):
    """The simulator on a LAN interface that holds only these devices'
    addresses (an earlier simulator's stay on it otherwise)."""
    subprocess.run([NETLAB, "exec", "lan", "ip", "-4", "addr", "flush", "dev", "lan0"], check=True)
    return Sim((DEFAULTS + devices).encode())


def device(mac, ip, name, *extra):
    return "[device]\n" + "".join(f"{line}\n" for line in (f"mac = {mac}", f"ip = {ip}", f"name = {name}") + extra)


def write_plan(rows):
    fd, path = tempfile.mkstemp(prefix="cobalin-identity-", suffix=".csv")
    with os.fdopen(fd, "w") as f:
        f.write("\n".join(rows) + "\n")
    os.chmod(path, 0o600)
    return path


def answers():
    """(source address, MAC, page, server name) of every page 0, 1 or 2 a
    broadcast search brings within a second and a half, from a port of the
    test's own."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.bind(("", 9105))
    s.sendto(REQUEST, ("255.255.255.255", 8888))
    s.settimeout(1.5)
    got = []
    try:
        while True:
            data, (host, _) = s.recvfrom(2000)
            if len(data) > 8 and data[0] == 0x50 and data[7] <= 2:
                name = data[10:26].split(b"\0")[0].decode("latin-1") if data[7] == 0 else None
                got.append((host, ":".join("%02X" % b for b in data[1:7]), data[7], name))
    except socket.timeout:
        pass
    s.close()
    return got


class IdentityLan(unittest.TestCase):
    """A fresh simulator for each case: a write changes what later cases see."""

    def start(self, devices):
        self.sim = fresh_sim(devices)
        self.addCleanup(self.sim.stop)

    def commands(self):
        """Every clear, write and reset the devices received (port 8890)."""
        return [d for d in self.sim.datagrams() if d[1].endswith(":8890")]

    def configure(self, rows, *args):
        code, out, err = configure(write_plan(["mac,password,name,ip"] + rows), "--json", *args)
        return code, (json.loads(out) if out.strip() else None), err


class ConfigureChecksIdentity(IdentityLan):
    def test_a_device_that_keeps_its_values_and_loses_page_0_is_not_verified(self):
        mac = "02:7E:3A:24:00:01"
        self.start(device(mac, "192.168.1.61", "Stubborn", "ignore_writes = yes", "drop_after_restart = 0"))
        code, rows, err = self.configure([f"{mac},admin,Renamed,"])
        self.assertEqual([r["status"] for r in rows], ["not_verified"], rows)
        self.assertIn("page 0 of this device was not received after the update", rows[0]["reason"])
        self.assertEqual(code, 1, err)
        self.assertEqual([d[2] for d in self.commands()], [59, 1031, 1007, 59], "the write was sent")
        pages = {(a[1], a[2]) for a in answers()}
        self.assertEqual(pages, {(mac, 1), (mac, 2)}, "still without its page 0")

    def test_a_module_device_whose_page_0_is_lost_is_checked_by_its_module_record(self):
        mac = "02:7E:3A:24:05:01"
        self.start(device(mac, "192.168.1.65", "Moduled", "password = modpass", "module = yes", "drop = 0"))
        for password in ("", "admin"):
            with self.subTest(password=password):
                code, rows, err = self.configure([f"{mac},{password},Renamed,"])
                self.assertEqual([(r["status"], r.get("reason")) for r in rows],
                                 [("refused", "the password does not match the device's")], err)
                self.assertEqual(code, 1, err)
        updates = lambda: [d for d in self.sim.datagrams() if d[1].endswith(":8880") and d[3].lower().startswith(UPDATE_LM)]
        self.assertEqual((self.commands(), updates()), ([], []), "nothing but searches and queries reached the device")
        code, rows, err = self.configure([f"{mac},modpass,Renamed,"])
        self.assertEqual([r["status"] for r in rows], ["updated"], rows)
        self.assertEqual(code, 0, err)
        self.assertEqual((self.commands(), len(updates())), ([], 1), "written through its module alone")

    def test_two_devices_with_one_mac_are_refused_and_nothing_is_sent(self):
        self.start(device(SHARED_MAC, "192.168.1.71", "Twin A", "page_gap = 0.005") +
                   device(SHARED_MAC, "192.168.1.72", "Twin B", "page_gap = 0.005"))
        code, rows, err = self.configure([f"{SHARED_MAC},admin,Renamed,"])
        self.assertEqual([r["status"] for r in rows], ["refused"], rows)
        self.assertIn(f"two devices answer with MAC {SHARED_MAC}", rows[0]["reason"])
        self.assertEqual(code, 1, err)
        self.assertEqual(self.commands(), [], "no clear, write or reset reached either device")
        names = {(a[0], a[3]) for a in answers() if a[2] == 0}
        self.assertEqual(names, {("192.168.1.71", "Twin A"), ("192.168.1.72", "Twin B")}, "both keep their own")

    def test_a_move_onto_another_devices_address_is_refused(self):
        moved, holder = "02:7E:3A:24:02:01", "02:7E:3A:24:02:02"
        self.start(device(moved, "192.168.1.81", "Mover") + device(holder, "192.168.1.82", "Holder"))
        # The holder's address however the plan spells it.
        for target in ("192.168.1.82", "192.168.001.082"):
            with self.subTest(target=target):
                code, rows, err = self.configure([f"{moved},admin,,{target}"])
                self.assertEqual([r["status"] for r in rows], ["refused"], rows)
                self.assertIn(holder, rows[0]["reason"])
                self.assertEqual(code, 1, err)
                self.assertEqual(self.commands(), [])
                self.assertEqual({(a[0], a[1]) for a in answers()}, {("192.168.1.81", moved), ("192.168.1.82", holder)})

    def test_a_swap_of_two_addresses_is_allowed(self):
        a, b = "02:7E:3A:24:03:01", "02:7E:3A:24:03:02"
        self.start(device(a, "192.168.1.85", "Left") + device(b, "192.168.1.86", "Right"))
        code, rows, err = self.configure([f"{a},admin,,192.168.1.86", f"{b},admin,,192.168.1.85"])
        self.assertEqual({r["mac"]: (r["status"], r.get("ip")) for r in rows},
                         {a: ("updated", "192.168.1.86"), b: ("updated", "192.168.1.85")}, err)
        self.assertEqual(code, 0, err)
        self.assertEqual({(x[0], x[1]) for x in answers()}, {("192.168.1.86", a), ("192.168.1.85", b)})

    def test_two_rows_moving_devices_to_one_address_end_the_run(self):
        self.start(device("02:7E:3A:24:04:01", "192.168.1.87", "One") + device("02:7E:3A:24:04:02", "192.168.1.88", "Two") +
                   device("02:7E:3A:24:04:03", "192.168.1.89", "Three"))
        # The same address however it is spelled.
        for second in ("192.168.1.90", "192.168.001.090"):
            with self.subTest(second=second):
                before = len(self.sim.datagrams())
                code, rows, err = self.configure(["02:7E:3A:24:04:01,admin,,192.168.1.90",
                                                  f"02:7E:3A:24:04:02,admin,,{second}",
                                                  "02:7E:3A:24:04:03,admin,Renamed,"])
                self.assertEqual(code, 2, err)
                self.assertIsNone(rows)
                self.assertIn("line 2", err)
                self.assertIn("line 3", err)
                self.assertNotIn("line 4", err)
                self.assertEqual(self.sim.datagrams()[before:], [], "nothing was sent, not even the search")


class AddressSearchFollowsAModuleDevice(IdentityLan):
    def test_a_module_device_moved_by_an_address_search_is_verified_at_its_new_address(self):
        mac = "02:7E:3A:24:06:01"
        self.start(device(mac, "192.168.1.131", "Moved", "module = yes", "restart = 1"))
        # At full program time: the PC learns where the device lives (ARP)
        # only in real seconds once it has restarted there.
        env = {"PATH": os.environ["PATH"], "COBALIN_TIME_SCALE": "1", "QT_QPA_PLATFORM": "no-such-plugin",
               "HOME": tempfile.gettempdir()}
        p = subprocess.run([BIN, "configure", write_plan(["mac,password,ip", f"{mac},admin,192.168.1.231"]), "--json",
                            "--address", "192.168.1.131"], capture_output=True, env=env, timeout=120)
        rows = json.loads(p.stdout)
        self.assertEqual([r["status"] for r in rows], ["updated"], p.stderr)
        # Verified by its module's answer: its page 0, which says its address,
        # may not be back yet on a slow machine, and then no address is told.
        self.assertIn(rows[0].get("ip"), ("192.168.1.231", None), rows)
        self.assertEqual(p.returncode, 0, p.stderr)
        queries = {d[1] for d in self.sim.datagrams() if d[1].endswith(":8880") and d[3].lower().startswith(QUERY_LM)}
        self.assertIn("192.168.1.231:8880", queries, "its module asked at its new address")


class SearchWarnings(unittest.TestCase):
    """One LAN: two devices on one IP address, one outside the PC's subnet, one
    MAC answered by two devices, and devices nothing is wrong with: one that
    sends every datagram twice is one device, not a shared MAC."""
    SAME_IP = ("02:7E:3A:24:05:01", "02:7E:3A:24:05:02")
    ELSEWHERE = "02:7E:3A:24:05:03"
    CLEAN = ("02:7E:3A:24:05:04", "02:7E:3A:24:05:06")

    @classmethod
    def setUpClass(cls):
        cls.sim = fresh_sim(device(cls.SAME_IP[0], "192.168.1.91", "Same 1") +
                            device(cls.SAME_IP[1], "192.168.1.91", "Same 2") +
                            device(cls.ELSEWHERE, "10.0.0.5", "Elsewhere", "netmask = 255.0.0.0", "gateway = 10.0.0.1") +
                            device(cls.CLEAN[0], "192.168.1.92", "Clean") +
                            device(cls.CLEAN[1], "192.168.1.95", "Twice", "duplicate = yes", "page_gap = 0.005") +
                            device(SHARED_MAC, "192.168.1.93", "Twin A", "page_gap = 0.005") +
                            device(SHARED_MAC, "192.168.1.94", "Twin B", "page_gap = 0.005"))
        code, out, cls.err = search("--json")
        cls.devices = json.loads(out) if code == 0 else []

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def warnings(self, mac):
        found = [d for d in self.devices if d["mac"] == mac]
        self.assertTrue(found, mac + " found")
        return [w for d in found for w in d.get("warnings", [])]

    def assertWarned(self, mac, text):
        self.assertTrue(any(text in w for w in self.warnings(mac)), f"{mac}: {text!r} in {self.warnings(mac)}")

    def test_every_object_has_warnings_right_after_interface(self):
        self.assertTrue(self.devices, self.err)
        for d in self.devices:
            keys = list(d)
            self.assertIn("warnings", keys, d["mac"])
            self.assertEqual(keys.index("warnings"), keys.index("interface") + 1, keys)
            self.assertIsInstance(d["warnings"], list)
            self.assertTrue(all(isinstance(w, str) for w in d["warnings"]))
        for mac in self.CLEAN:
            self.assertEqual(self.warnings(mac), [], mac + ": empty when nothing is wrong")

    def test_two_devices_with_one_ip_address_name_each_other(self):
        first, second = self.SAME_IP
        self.assertWarned(first, f"IP address also held by MAC {second}")
        self.assertWarned(second, f"IP address also held by MAC {first}")

    def test_a_device_outside_the_subnet_of_its_interface(self):
        [elsewhere] = [d for d in self.devices if d["mac"] == self.ELSEWHERE]
        self.assertEqual((elsewhere["ip"], elsewhere["interface"]), ("10.0.0.5", "pc0"))
        self.assertWarned(self.ELSEWHERE, "not in the subnet of interface pc0 (192.168.1.250/24)")

    def test_a_mac_answered_by_two_devices(self):
        self.assertWarned(SHARED_MAC, "MAC answered by two devices")

    def test_csv_has_the_warnings_column_after_interface(self):
        code, out, err = search("--csv")
        self.assertEqual(code, 0, err)
        rows = list(csv.reader(io.StringIO(out.decode("utf-8"), newline="")))
        header = rows[0]
        self.assertIn("warnings", header)
        self.assertEqual(header.index("warnings"), header.index("interface") + 1, header)
        table = {r[0]: dict(zip(header, r)) for r in rows[1:]}
        for mac in (*self.SAME_IP, self.ELSEWHERE, *self.CLEAN):
            self.assertEqual(table[mac]["warnings"], "; ".join(self.warnings(mac)), mac)
        self.assertIn("MAC answered by two devices", table[SHARED_MAC]["warnings"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
