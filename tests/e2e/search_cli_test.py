#!/usr/bin/env python3
"""`cobalin search` end to end: the program in the PC namespace of a fresh
virtual LAN, the simulator in its LAN namespace. The JSON and the CSV are read
with Python's own parsers. Run through tests/e2e/run-in-netlab."""
import csv
import io
import json
import os
import socket
import subprocess
import tempfile
import unittest

NETLAB = os.environ["COBALIN_NETLAB"]
DEVSIM = os.environ["COBALIN_DEVSIM"]
BIN = os.environ["COBALIN_BIN"]
SAMPLE = os.path.join(os.environ["COBALIN_SOURCE_DIR"], "sim", "sample-lan.conf")
SCALE = "0.05"
KEYS = ["mac", "record", "class", "ip", "netmask", "gateway", "dhcp", "name", "model", "hardware_id",
        "firmware_version", "firmware_date", "lan_module_company", "interface", "warnings"]
REQUEST_HEX = "54657373616C792044617461636F6D6D20436F72702E00"
QUERY_HEX = "4272656E696B4C4D" + "0" * 330


class Sim:
    """The simulator in the LAN namespace, capturing what reaches it."""

    def __init__(self, conf_text=None, conf_path=SAMPLE):
        self.dir = tempfile.mkdtemp(prefix="cobalin-cli-e2e-")
        if conf_text is not None:
            conf_path = os.path.join(self.dir, "lan.conf")
            with open(conf_path, "wb") as f:
                f.write(conf_text)
        self.capture = os.path.join(self.dir, "capture.log")
        env = dict(os.environ, COBALIN_TIME_SCALE=SCALE)
        self.proc = subprocess.Popen([NETLAB, "exec", "lan", DEVSIM, conf_path, "--iface", "lan0", "--capture", self.capture],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        line = self.proc.stdout.readline().decode()
        if "ready" not in line:
            raise RuntimeError("simulator not ready: " + line + self.proc.stderr.read().decode())

    def stop(self):
        self.proc.terminate()
        self.proc.communicate(timeout=30)

    def datagrams(self):
        """(source, destination, length, hex) of every datagram received so far."""
        if not os.path.exists(self.capture):
            return []
        out = []
        with open(self.capture) as f:
            for line in f:
                parts = line.split()
                if parts[1] == "UDP":
                    out.append((parts[2], parts[4], int(parts[5]), parts[6] if len(parts) > 6 else ""))
        return out


def search(*args, env_extra=None):
    env = {"PATH": os.environ["PATH"], "COBALIN_TIME_SCALE": SCALE, "QT_QPA_PLATFORM": "no-such-plugin",
           "HOME": tempfile.gettempdir()}
    env.update(env_extra or {})
    p = subprocess.run([BIN, "search", *args], capture_output=True, env=env, timeout=120)
    return p.returncode, p.stdout, p.stderr.decode()


class SampleLan(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim = Sim()

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def test_json_lists_every_device_once_with_its_fields(self):
        before = len(self.sim.datagrams())
        code, out, err = search("--json")
        self.assertEqual(code, 0, err)
        self.assertEqual(err, "")
        devices = json.loads(out.decode("utf-8"))
        self.assertEqual(len(devices), 14)
        macs = [d["mac"] for d in devices]
        self.assertEqual(len(set(macs)), 14, "each device once")
        for d in devices:
            self.assertEqual([k for k in KEYS if k in d], list(d.keys()), "keys in their stable order")
            self.assertTrue(set(d) <= set(KEYS))
        classes = [d["class"] for d in devices]
        self.assertEqual((classes.count("IP Dongle"), classes.count("ZentaBox"), classes.count("other")), (8, 3, 3))
        by_mac = {d["mac"]: d for d in devices}
        self.assertEqual(by_mac["02:7E:3A:05:00:01"], {
            "mac": "02:7E:3A:05:00:01", "record": "paged", "class": "ZentaBox", "ip": "192.168.1.31",
            "netmask": "255.255.255.0", "gateway": "192.168.1.1", "dhcp": "Disable", "name": "Rack 1",
            "model": "ZB-2000", "hardware_id": "PCB-4160-01", "firmware_version": "V1.0.7",
            "firmware_date": "2026-03-14", "interface": "pc0", "warnings": []})
        self.assertEqual(by_mac["02:7E:3A:06:00:02"]["lan_module_company"], "Zenta LM")
        self.assertEqual(by_mac["02:7E:3A:05:00:10"]["hardware_id"], "37264000-03")
        self.assertEqual(by_mac["02:7E:3A:07:00:01"], {
            "mac": "02:7E:3A:07:00:01", "record": "short", "class": "other", "ip": "192.168.1.51",
            "netmask": "255.255.255.0", "gateway": "192.168.1.254", "name": "Legacy", "hardware_id": "PCB-3000-01",
            "interface": "pc0", "warnings": []})
        # Every device's reply came in by the PC's one interface.
        self.assertEqual({d["interface"] for d in devices}, {"pc0"})
        self.assertNotIn(b"admin", out, "the devices' password is never printed")
        # What reached the wire: the window's request, then the module query on tick 9.
        sent = self.sim.datagrams()[before:]
        self.assertEqual(sent, [("192.168.1.250:8889", "255.255.255.255:8888", 23, REQUEST_HEX),
                                ("192.168.1.250:8888", "255.255.255.255:8880", 173, QUERY_HEX)])

    def test_csv_parses_to_the_same_devices(self):
        code, out, err = search("--csv")
        self.assertEqual(code, 0, err)
        text = out.decode("utf-8")
        lines = text.split("\r\n")
        self.assertEqual(lines[-1], "", "every line ends with CRLF")
        self.assertNotIn("\n", "".join(lines), "no bare LF")
        rows = list(csv.reader(io.StringIO(text, newline="")))
        self.assertEqual(rows[0], KEYS)
        self.assertEqual(len(rows), 15)
        code, out, _ = search("--json")
        devices = json.loads(out)
        table = [dict(zip(rows[0], r)) for r in rows[1:]]
        def cell(d, k):
            return "; ".join(d[k]) if k == "warnings" else d.get(k, "")
        self.assertEqual(table, [{k: cell(d, k) for k in KEYS} for d in devices])

    def test_text_network_and_address_searches(self):
        code, out, err = search("--network", "192.168.1.255")
        self.assertEqual(code, 0, err)
        lines = out.decode().splitlines()
        self.assertEqual(lines[0].split(), ["MAC", "address", "IP", "address", "Class", "Name", "Model"])
        self.assertEqual(len(lines), 15)
        before = len(self.sim.datagrams())
        code, out, err = search("--address", "192.168.1.31", "--json")
        self.assertEqual(code, 0, err)
        self.assertEqual([d["mac"] for d in json.loads(out)], ["02:7E:3A:05:00:01"])
        self.assertEqual(self.sim.datagrams()[before:],
                         [("192.168.1.250:8891", "192.168.1.31:8890", 23, REQUEST_HEX),
                          ("192.168.1.250:8890", "192.168.1.31:8880", 173, QUERY_HEX)])

    def test_another_port_sends_the_one_byte_request(self):
        # A listener on that port in the LAN namespace, where no device listens.
        listener = subprocess.Popen(
            [NETLAB, "exec", "lan", "python3", "-c",
             "import socket,sys\n"
             "s=socket.socket(socket.AF_INET,socket.SOCK_DGRAM); s.bind(('0.0.0.0',9000)); print('ready',flush=True)\n"
             "d,a=s.recvfrom(65536); print(a[0],a[1],d.hex(),flush=True)"],
            stdout=subprocess.PIPE, text=True)
        self.assertEqual(listener.stdout.readline().strip(), "ready")
        before = len(self.sim.datagrams())
        code, out, err = search("--port", "9000", "--json")
        got = listener.communicate(timeout=30)[0].split()
        self.assertEqual((code, out, err), (1, b"[]\n", ""))
        self.assertEqual(got, ["192.168.1.250", "8889", "00"])
        # The module query still leaves on tick 9, from the port asked.
        self.assertEqual(self.sim.datagrams()[before:], [("192.168.1.250:9000", "255.255.255.255:8880", 173, QUERY_HEX)])

    def test_errors_exit_2_with_one_line_and_send_nothing(self):
        cases = [
            ["--bogus"], ["--json", "--csv"], ["--network", "192.168.1"], ["--network", "192.168.a.1"],
            ["--address", "192.168.1.255"], ["--address", "192.168.1.0"], ["--port", "70000"],
            ["--address", "192.168.1.31", "--port", "8888"], ["--seconds", "0"], ["stray"],
        ]
        before = len(self.sim.datagrams())
        for args in cases:
            with self.subTest(args=args):
                code, out, err = search(*args)
                self.assertEqual(code, 2)
                self.assertEqual(out, b"")
                self.assertEqual(err.count("\n"), 1, err)
                self.assertTrue(err.startswith("cobalin search: "), err)
        self.assertEqual(self.sim.datagrams()[before:], [], "nothing was sent")

    def test_a_port_taken_is_an_error(self):
        for port, name in ((8889, "UDP8888"), (8888, "UDPsck")):
            with self.subTest(port=port):
                s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                s.bind(("0.0.0.0", port))
                try:
                    code, out, err = search("--json")
                finally:
                    s.close()
                self.assertEqual(code, 2)
                self.assertEqual(out, b"")
                self.assertEqual(err.count("\n"), 1, err)
                self.assertIn("UDP port %d (%s)" % (port, name), err)


class OtherLans(unittest.TestCase):
    def test_windows_1252_names_become_utf8(self):
        conf = (b"[device]\nmac = 02:00:00:00:50:01\nip = 192.168.1.61\nname = Caf\xe9 \x80, \"7\"\n"
                b"password = Pa\xdfword\nhwid = PCB-4193-01\nmodel = M\xfcnchen\n")
        sim = Sim(conf)
        try:
            code, out, err = search("--json")
            code_csv, out_csv, _ = search("--csv")
        finally:
            sim.stop()
        self.assertEqual(code, 0, err)
        [device] = json.loads(out.decode("utf-8"))
        self.assertEqual(device["name"], "Caf\u00e9 \u20ac, \"7\"")
        self.assertEqual(device["model"], "M\u00fcnchen")
        self.assertNotIn("Pa\u00dfword", out.decode("utf-8"))
        self.assertEqual(code_csv, 0)
        rows = list(csv.reader(io.StringIO(out_csv.decode("utf-8"), newline="")))
        self.assertEqual(rows[1][KEYS.index("name")], "Caf\u00e9 \u20ac, \"7\"")

    def test_nothing_found_exits_1(self):
        sim = Sim(b"[device]\nmac = 02:00:00:00:20:01\nip = 192.168.1.60\nsilent = yes\n")
        try:
            results = [search(*args) for args in ([], ["--json"], ["--csv"])]
        finally:
            sim.stop()
        self.assertEqual(results[0], (1, b"", ""))
        self.assertEqual(results[1], (1, b"[]\n", ""))
        self.assertEqual(results[2], (1, (",".join(KEYS) + "\r\n").encode(), ""))


if __name__ == "__main__":
    unittest.main(verbosity=2)
