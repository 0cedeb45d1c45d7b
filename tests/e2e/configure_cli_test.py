#!/usr/bin/env python3
"""`cobalin configure` end to end: a plan for a rack of simulated devices in
the virtual LAN, written at once, checked afterwards, reported. Run through
tests/e2e/run-in-netlab."""
import json
import os
import signal
import socket
import stat
import subprocess
import tempfile
import time
import unittest

from search_cli_test import BIN, SCALE, Sim

PAGED = 42
MODULE_MAC = "02:7E:3A:09:00:01"
LAN = f"""
[defaults]
netmask = 255.255.255.0
gateway = 192.168.1.1
password = admin
restart = 4

[device]
count = {PAGED}
mac = 02:7E:3A:05:00:01
ip = 192.168.1.100
name = Rack
hwid = PCB-4160-01
model = ZB-2000
company = Zenta Solutions
serial = Z26000201

[device]
mac = 02:7E:3A:06:00:01
ip = 192.168.1.40
name = Deaf
hwid = PCB-4160-01
ignore_writes = yes

[device]
mac = 02:7E:3A:07:00:01
ip = 192.168.1.41
name = Gone
hwid = PCB-4160-01
restart = never

[device]
mac = {MODULE_MAC}
ip = 192.168.1.42
name = Module
hwid = PCB-4160-01
module = yes
module_company = Zenta LM
""".encode()


def paged_mac(i):
    return "02:7E:3A:05:00:%02X" % (i + 1)


def plan_text():
    lines = ["mac,password,name,ip,baud_rate,parity"]
    for i in range(PAGED):
        if i == 0:
            lines.append(f"{paged_mac(i)},not-the-password,Nope,,,")  # refused: wrong password
        elif i < PAGED - 2:
            lines.append(f"{paged_mac(i)},admin,Rack {i:02d},192.168.1.{150 + i},19200,Even")
        else:
            lines.append(f"{paged_mac(i)},admin,Rack,,,")  # as it is: unchanged
    lines.append("02:7E:3A:06:00:01,admin,Deaf 2,,,")  # acknowledges, keeps its values
    lines.append("02:7E:3A:07:00:01,admin,Gone 2,,,")  # never comes back
    lines.append(f"{MODULE_MAC},admin,Module 2,,,")     # only rows its module record carries
    lines.append("02:7E:3A:0F:0F:0F,admin,Nobody,,,")   # not on the LAN
    return "\r\n".join(lines) + "\r\n"


def configure(plan_path, *args, stdin=None):
    env = {"PATH": os.environ["PATH"], "COBALIN_TIME_SCALE": SCALE, "QT_QPA_PLATFORM": "no-such-plugin",
           "HOME": tempfile.gettempdir()}
    p = subprocess.run([BIN, "configure", plan_path, *args], capture_output=True, env=env, timeout=300, input=stdin)
    return p.returncode, p.stdout.decode(), p.stderr.decode()


def raw_search(expected):
    """Every page-0 and page-1 payload the LAN answers with, by the sender's
    MAC and the page; searches again (up to five times) until the `expected`
    (MAC, page) keys are all there, as a burst of 45 devices' pages may
    overflow a socket's buffer on a loaded machine."""
    pages = {}
    for _ in range(5):
        pages.update(raw_search_once())
        if expected <= pages.keys():
            break
    return pages


def raw_search_once():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.setsockopt(socket.SOL_SOCKET, 33, 8 << 20)  # SO_RCVBUFFORCE: room for the whole burst
    s.bind(("", 8889))
    s.sendto(bytes.fromhex("54657373616C792044617461636F6D6D20436F72702E00"), ("255.255.255.255", 8888))
    pages = {}
    s.settimeout(1.5)
    try:
        while True:
            data, _ = s.recvfrom(2000)
            if len(data) > 8 and data[0] == 0x50 and data[7] in (0, 1):
                pages[(data[1:7].hex(), data[7])] = data[8:]
    except socket.timeout:
        pass
    s.close()
    return pages


class ConfigureRack(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim = Sim(LAN)
        cls.dir = tempfile.mkdtemp(prefix="cobalin-configure-")
        cls.plan = os.path.join(cls.dir, "plan.csv")
        with open(cls.plan, "w") as f:
            f.write(plan_text())
        os.chmod(cls.plan, 0o600)

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def sent_since(self, before):
        return self.sim.datagrams()[before:]

    def test_1_check_sends_nothing_but_the_search(self):
        before = len(self.sim.datagrams())
        code, out, err = configure(self.plan, "--check", "--json")
        self.assertEqual(code, 1, err)
        rows = {r["mac"]: r for r in json.loads(out)}
        self.assertEqual(rows[paged_mac(1)]["status"], "would_change")
        self.assertEqual(rows[paged_mac(1)]["changed"], ["name", "ip", "baud_rate", "parity"])
        self.assertEqual(rows[paged_mac(0)]["status"], "refused")
        self.assertEqual({d[1].split(":")[1] for d in self.sent_since(before)}, {"8888", "8880"}, "the search only")

    def test_2_the_rack_is_written_at_once_and_checked(self):
        before = len(self.sim.datagrams())
        backups = os.path.join(self.dir, "backups")
        started = time.monotonic()
        code, out, err = configure(self.plan, "--json", "--backup", backups)
        took = time.monotonic() - started
        self.assertEqual(code, 1, err)
        rows = json.loads(out)
        self.assertEqual(len(rows), PAGED + 4)
        status = {r["mac"]: r["status"] for r in rows}
        faulty = {m: s for m, s in status.items() if s not in ("updated", "unchanged")}
        self.assertEqual(faulty, {paged_mac(0): "refused", "02:7E:3A:06:00:01": "not_verified",
                                  "02:7E:3A:07:00:01": "not_verified", "02:7E:3A:0F:0F:0F": "not_found"})
        by_mac = {r["mac"]: r for r in rows}
        self.assertEqual(by_mac[paged_mac(5)]["ip"], "192.168.1.155")
        self.assertEqual(by_mac[MODULE_MAC]["status"], "updated")
        self.assertEqual(by_mac[MODULE_MAC]["changed"], ["name"])
        self.assertIn("Device kept other values", by_mac["02:7E:3A:06:00:01"]["reason"])
        self.assertIn("Not found after the update", by_mac["02:7E:3A:07:00:01"]["reason"])
        self.assertNotIn("admin", out + err, "no password in the output")
        # One countdown for the batch: far less than one device's 17 s each.
        self.assertLess(took, 45 * 17 * float(SCALE))
        # Backups: owner only, one per written device, named by MAC.
        self.assertEqual(stat.S_IMODE(os.stat(backups).st_mode), 0o700)
        names = sorted(os.listdir(backups))
        self.assertIn(paged_mac(1).replace(":", "-") + ".ini", names)
        for n in names:
            self.assertEqual(stat.S_IMODE(os.stat(os.path.join(backups, n)).st_mode), 0o600)
        # Each written paged device now answers with exactly what its write carried.
        writes = [bytes.fromhex(d[3]) for d in self.sent_since(before) if d[1].endswith(":8890") and d[2] in (1031, 1007)]
        page0 = {w[31:] for w in writes if len(w) == 1031}
        page1 = {w[31:1005] for w in writes if len(w) == 1007}
        written = [paged_mac(i).replace(":", "").lower() for i in range(1, PAGED - 2)]
        pages = raw_search({(m, p) for m in written for p in (0, 1)})
        for i in range(1, PAGED - 2):
            mac = paged_mac(i).replace(":", "").lower()
            self.assertIn(pages[(mac, 0)], page0, paged_mac(i))
            self.assertIn(pages[(mac, 1)], page1, paged_mac(i))

    def test_3_a_rerun_of_the_updated_rows_changes_nothing(self):
        lines = plan_text().split("\r\n")
        rerun = [lines[0]] + [l for l in lines[2:PAGED - 1]] + [lines[PAGED + 3]]
        path = os.path.join(self.dir, "rerun.csv")
        with open(path, "w") as f:
            f.write("\n".join(rerun) + "\n")
        os.chmod(path, 0o600)
        before = len(self.sim.datagrams())
        code, out, err = configure(path)
        self.assertEqual(code, 0, err + out)
        self.assertTrue(all(" unchanged " in l for l in out.splitlines()), out)
        self.assertFalse([d for d in self.sent_since(before) if d[1].endswith(":8890")], "no write")

    def test_4_bad_plans_end_before_anything_is_sent(self):
        before = len(self.sim.datagrams())
        open_plan = os.path.join(self.dir, "open.csv")
        with open(open_plan, "w") as f:
            f.write("mac,password\n")
        os.chmod(open_plan, 0o644)
        cases = [
            (open_plan, None, "chmod 600"),
            ("-", b"mac,password,colour\n02:7E:3A:05:00:01,admin,red\n", "column 3 of line 1 is not a key"),
            ("-", b"mac,password,baud_rate\n02:7E:3A:05:00:01,secret-pw,9601\n", "line 2"),
        ]
        for path, stdin, words in cases:
            code, out, err = configure(path, stdin=stdin)
            self.assertEqual(code, 2, err)
            self.assertIn(words, err)
            self.assertNotIn("secret-pw", err)
            self.assertEqual(out, "")
        self.assertEqual(self.sent_since(before), [], "nothing was sent")


UNCLEAN = 60
UNCLEAN_LAN = f"""
[defaults]
netmask = 255.255.255.0
gateway = 192.168.1.1
password = admin
restart = 2

[device]
count = {UNCLEAN}
mac = 02:7E:3A:0A:00:01
ip = 192.168.1.100
name = Unit
hwid = PCB-4160-01
model = ZB-2000
company = Zenta Solutions
serial = Z26000201
""".encode()
CLEAR = "clrCfgBuf".encode().hex().upper()
RESET = "reset".encode().hex().upper()


def unclean_mac(i):
    return "02:7E:3A:0A:00:%02X" % (i + 1)


def requests(datagrams):
    """How many clears, writes (both halves) and resets went to the devices."""
    to_devices = [d for d in datagrams if d[1].endswith(":8890")]
    maintenance = [d for d in to_devices if d[2] == 59]
    return {"clear": sum(1 for d in maintenance if d[3][92:].upper().startswith(CLEAR)),
            "reset": sum(1 for d in maintenance if d[3][92:].upper().startswith(RESET)),
            "write_a": sum(1 for d in to_devices if d[2] == 1031),
            "write_b": sum(1 for d in to_devices if d[2] == 1007)}


STOP_SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


def stop_signals(ignored=()):
    """A preexec_fn that gives the child the stop signals' dispositions
    itself: the default, or ignored (as `nohup` ignores SIGHUP), whatever
    the test was started with."""
    def set_them():
        for s in STOP_SIGNALS:
            signal.signal(s, signal.SIG_IGN if s in ignored else signal.SIG_DFL)
    return set_them


class UncleanRuns(unittest.TestCase):
    """Runs cut short by a signal, a report nobody reads, backup folders
    others could reach, and a device moved by an address search's plan."""

    @classmethod
    def setUpClass(cls):
        cls.sim = Sim(UNCLEAN_LAN)
        cls.dir = tempfile.mkdtemp(prefix="cobalin-unclean-")

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def plan(self, prefix, rows=None):
        path = os.path.join(self.dir, prefix + ".csv")
        with open(path, "w") as f:
            f.write("mac,password,name\n")
            for i in rows if rows is not None else range(UNCLEAN):
                f.write(f"{unclean_mac(i)},admin,{prefix} {i:02d}\n")
        os.chmod(path, 0o600)
        return path

    def start(self, path, *args, scale=SCALE, stdout=subprocess.PIPE, ignored=()):
        env = {"PATH": os.environ["PATH"], "COBALIN_TIME_SCALE": scale, "QT_QPA_PLATFORM": "no-such-plugin",
               "HOME": tempfile.gettempdir()}
        return subprocess.Popen([BIN, "configure", path, "--json", "--seconds", "2", *args], stdout=stdout,
                                stderr=subprocess.PIPE, env=env, preexec_fn=stop_signals(ignored))

    def wait_for(self, before, found, limit=60):
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            if found(self.sim.datagrams()[before:]):
                return
            time.sleep(0.002)
        self.fail("never came")

    # The signal tests run at full program time: the clears of 60 devices
    # then take over a second, ample room for a signal to land among them.
    def first_clear(self, datagrams):
        return requests(datagrams)["clear"] > 0

    def test_1_a_signal_after_the_first_clear_leaves_no_device_torn(self):
        before = len(self.sim.datagrams())
        p = self.start(self.plan("Int"), scale="1")
        self.wait_for(before, self.first_clear)
        p.send_signal(signal.SIGINT)
        out, err = p.communicate(timeout=120)
        self.assertEqual(p.returncode, 1, err)
        rows = json.loads(out)
        self.assertEqual(len(rows), UNCLEAN, "every row is reported")
        status = [r["status"] for r in rows]
        self.assertEqual(set(status), {"updated", "interrupted"}, err)
        for r in rows:
            if r["status"] == "interrupted":
                self.assertEqual(r["reason"], "interrupted before it was written")
        sent = requests(self.sim.datagrams()[before:])
        started = status.count("updated")
        self.assertEqual(sent, {"clear": started, "reset": started, "write_a": started, "write_b": started},
                         "each device cleared was written and reset")

    def test_2_a_second_signal_skips_the_verification(self):
        before = len(self.sim.datagrams())
        p = self.start(self.plan("Two"), scale="1")
        self.wait_for(before, self.first_clear)
        p.send_signal(signal.SIGTERM)
        p.send_signal(signal.SIGHUP)
        out, err = p.communicate(timeout=120)
        self.assertEqual(p.returncode, 1, err)
        rows = json.loads(out)
        self.assertEqual(len(rows), UNCLEAN)
        written = [r for r in rows if r["status"] == "not_verified"]
        self.assertTrue(written, out)
        for r in written:
            self.assertEqual(r["reason"], "interrupted before verification")
        self.assertEqual({r["status"] for r in rows}, {"not_verified", "interrupted"})
        datagrams = self.sim.datagrams()[before:]
        sent = requests(datagrams)
        self.assertEqual(sent, {"clear": len(written), "reset": len(written), "write_a": len(written),
                                "write_b": len(written)})
        first_clear = next(i for i, d in enumerate(datagrams) if d[2] == 59)
        self.assertFalse([d for d in datagrams[first_clear:] if d[1].endswith(":8888")], "no follow-up search")

    def test_3_a_dropped_session_before_anything_was_sent(self):
        before = len(self.sim.datagrams())
        p = self.start(self.plan("Hup"))
        self.wait_for(before, lambda ds: any(d[1].endswith(":8888") for d in ds))
        p.send_signal(signal.SIGHUP)
        out, err = p.communicate(timeout=120)
        self.assertEqual(p.returncode, 1, err)
        rows = json.loads(out)
        self.assertEqual(len(rows), UNCLEAN)
        self.assertEqual({(r["status"], r["reason"]) for r in rows}, {("interrupted", "interrupted before anything was sent")})
        self.assertFalse([d for d in self.sim.datagrams()[before:] if d[1].endswith(":8890")], "nothing was sent")

    def test_3b_a_signal_ignored_from_the_start_stays_ignored(self):
        # As `nohup cobalin configure ...` starts it with SIGHUP ignored.
        for k, sig in enumerate(STOP_SIGNALS):
            with self.subTest(signal=sig.name):
                before = len(self.sim.datagrams())
                p = self.start(self.plan("Nohup%d" % k, [30 + k]), ignored=(sig,))
                self.wait_for(before, lambda ds: any(d[1].endswith(":8888") for d in ds))
                p.send_signal(sig)
                out, err = p.communicate(timeout=120)
                self.assertEqual(p.returncode, 0, err)
                self.assertEqual([r["status"] for r in json.loads(out)], ["updated"])
                self.assertEqual(requests(self.sim.datagrams()[before:]),
                                 {"clear": 1, "reset": 1, "write_a": 1, "write_b": 1})

    def test_4_a_report_that_cannot_be_written_after_the_writes(self):
        for name, prefix in (("/dev/full", "Full"), ("a closed pipe", "Pipe")):
            with self.subTest(name):
                before = len(self.sim.datagrams())
                if prefix == "Full":
                    with open("/dev/full", "w") as full:
                        p = self.start(self.plan(prefix, range(3)), stdout=full)
                        _, err = p.communicate(timeout=120)
                else:
                    p = self.start(self.plan(prefix, range(3)))
                    p.stdout.close()
                    err = p.stderr.read()
                    p.stderr.close()
                    p.wait(timeout=120)
                self.assertEqual(p.returncode, 1, err)
                self.assertIn(b"cannot write the report", err)
                sent = requests(self.sim.datagrams()[before:])
                self.assertEqual(sent, {"clear": 3, "reset": 3, "write_a": 3, "write_b": 3})

    def test_5_backup_folders_others_could_reach_are_refused(self):
        plan = self.plan("Bak", range(1))
        cases = {}
        for mode in (0o777, 0o770):
            folder = os.path.join(self.dir, "mode-%o" % mode)
            os.mkdir(folder)
            os.chmod(folder, mode)
            cases[folder] = "group or others may write to it"
        other = os.path.join(self.dir, "other-owner")
        os.mkdir(other, 0o700)
        os.chown(other, 12345, 12345)
        cases[other] = "it belongs to another user"
        real = os.path.join(self.dir, "real")
        os.mkdir(real, 0o700)
        link = os.path.join(self.dir, "link")
        os.symlink(real, link)
        cases[link] = "it is a symbolic link"
        cases[link + "/"] = "it is a symbolic link"
        before = len(self.sim.datagrams())
        for folder, words in cases.items():
            p = self.start(plan, "--backup", folder)
            out, err = p.communicate(timeout=120)
            self.assertEqual(p.returncode, 2, folder)
            self.assertIn(words, err.decode(), folder)
            self.assertEqual(out, b"")
        self.assertEqual(self.sim.datagrams()[before:], [], "nothing was sent")
        self.assertEqual(os.listdir(real), [])

    def test_6_two_runs_into_one_folder_keep_both_backups(self):
        folder = os.path.join(self.dir, "backups")
        mac = unclean_mac(10).replace(":", "-")
        for prefix in ("First", "Second"):
            p = self.start(self.plan(prefix, [10]), "--backup", folder)
            out, err = p.communicate(timeout=120)
            self.assertEqual(p.returncode, 0, err)
        names = sorted(os.listdir(folder), key=len)
        self.assertEqual(len(names), 2, names)
        self.assertEqual(names[0], mac + ".ini")
        self.assertRegex(names[1], "^" + mac + r"-\d{8}-\d{6}(-\d+)?\.ini$")
        for n in names:
            self.assertEqual(stat.S_IMODE(os.lstat(os.path.join(folder, n)).st_mode), 0o600)
        first = open(os.path.join(folder, names[0]), "rb").read()
        second = open(os.path.join(folder, names[1]), "rb").read()
        self.assertNotEqual(first, second, "the first run's backup, made before any change, is kept")

    def test_7_an_address_search_follows_a_moved_device(self):
        path = os.path.join(self.dir, "move.csv")
        with open(path, "w") as f:
            f.write(f"mac,password,ip\n{unclean_mac(20)},admin,192.168.1.220\n")
        os.chmod(path, 0o600)
        # At full program time: the watch asks the new address at once, and
        # the PC learns where it lives (ARP) only in real seconds once the
        # device has restarted there.
        p = self.start(path, "--address", "192.168.1.120", scale="1")
        out, err = p.communicate(timeout=120)
        self.assertEqual(p.returncode, 0, (out, err))
        rows = json.loads(out)
        self.assertEqual([(r["status"], r.get("ip")) for r in rows], [("updated", "192.168.1.220")])


if __name__ == "__main__":
    unittest.main()
