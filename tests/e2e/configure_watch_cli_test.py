#!/usr/bin/env python3
"""`cobalin configure` waits for the devices, not for a clock: the first
search ends once the plan's devices have answered, and after the resets the
written devices are asked again every program second until each is back
holding the plan, or until the deadline. Times are read from the simulator's
capture, in program seconds. Run through tests/e2e/run-in-netlab."""
import json
import os
import subprocess
import tempfile
import unittest

from configure_cli_test import configure
from search_cli_test import NETLAB, QUERY_HEX, REQUEST_HEX, Sim

RESTART = 2
# The window's countdown after a device's last request, plus one whole search
# of the default length (19 ticks of 0.3 s).
DEADLINE = 11 + 5.7
FULL_SEARCH = 5.7
MODULE_MAC = "02:7E:3A:32:00:01"
STUBBORN_MAC = "02:7E:3A:33:00:01"
SLOW_MAC = "02:7E:3A:34:00:01"
TWIN_MAC = "02:7E:3A:35:00:01"
LAN = f"""
[defaults]
netmask = 255.255.255.0
gateway = 192.168.1.1
password = admin
restart = {RESTART}
hwid = PCB-4160-01

[device]
count = 8
mac = 02:7E:3A:31:00:01
ip = 192.168.1.100
name = Quick

[device]
mac = {MODULE_MAC}
ip = 192.168.1.120
name = Module
module = yes

[device]
mac = {STUBBORN_MAC}
ip = 192.168.1.121
name = Stubborn
ignore_reset = yes

[device]
mac = {SLOW_MAC}
ip = 192.168.1.122
name = Slow
delay = 3

[device]
mac = {TWIN_MAC}
ip = 192.168.1.123
name = Twin

# Takes every write to the MAC too, but answers only after its restart, a
# moment after the other, with the values it kept.
[device]
mac = {TWIN_MAC}
ip = 192.168.1.124
name = Twin
hidden_until_restart = yes
ignore_writes = yes
delay = 0.3
""".encode()


def quick_mac(i):
    return "02:7E:3A:31:00:%02X" % (i + 1)


def write_plan(rows):
    fd, path = tempfile.mkstemp(prefix="cobalin-watch-", suffix=".csv")
    with os.fdopen(fd, "w") as f:
        f.write("mac,password,name\n" + "".join(f"{mac},admin,{name}\n" for mac, name in rows))
    os.chmod(path, 0o600)
    return path


class Run:
    """What one `cobalin configure` sent, with the simulator's program times."""

    def __init__(self, records):
        self.records = records  # (time, destination, hex)

    def times(self, test):
        return [t for t, dst, data in self.records if test(dst, data)]

    @property
    def searches(self):
        return self.times(lambda dst, data: dst.endswith(":8888") and data == REQUEST_HEX.lower())

    @property
    def module_queries(self):
        return self.times(lambda dst, data: dst.endswith(":8880") and data == QUERY_HEX.lower())

    @property
    def module_transfers(self):
        return self.times(lambda dst, data: dst.endswith(":8880") and data.startswith("5570646174654c4d"))

    @property
    def requests(self):
        """The clears, writes, resets and module transfers."""
        return self.times(lambda dst, data: dst.endswith(":8890") or (dst.endswith(":8880") and data.startswith("5570")))


class ConfigureWatch(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # A LAN interface holding only these devices' addresses.
        subprocess.run([NETLAB, "exec", "lan", "ip", "-4", "addr", "flush", "dev", "lan0"], check=True)
        cls.sim = Sim(LAN)

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def captured(self):
        out = []
        with open(self.sim.capture) as f:
            for line in f:
                parts = line.split()
                if parts[1] == "UDP":
                    out.append((float(parts[0]), parts[4], parts[6].lower() if len(parts) > 6 else ""))
        return out

    def configure(self, rows):
        before = len(self.captured())
        code, out, err = configure(write_plan(rows), "--json")
        run = Run(self.captured()[before:])
        return code, {r["mac"]: r for r in json.loads(out)}, err, run

    def test_quickly_restarting_devices_end_the_run_early(self):
        rows = [(quick_mac(i), f"Quick {i} B") for i in range(6)] + [(MODULE_MAC, "Module B")]
        code, rows_out, err, run = self.configure(rows)
        self.assertEqual(code, 0, err)
        self.assertEqual({m: r["status"] for m, r in rows_out.items()}, {m: "updated" for m, _ in rows})
        first, requests = run.searches[0], run.requests
        # The module device is written through its module, though its module
        # may answer the query before the device answers the search.
        self.assertEqual(len(run.module_transfers), 1)
        # The module query leaves with the first search request, not halfway through.
        self.assertLess(run.module_queries[0] - first, 0.5)
        # The first search ended once all had answered and a quiet second passed.
        self.assertLess(requests[0] - first, FULL_SEARCH - 1)
        self.assertGreater(requests[0] - first, 1)
        # Then one probe a second from the end of the writes, and none once all are back.
        probes = [t for t in run.searches if t > requests[-1]]
        self.assertTrue(probes)
        self.assertLess(probes[-1] - requests[-1], RESTART + 3)
        # One a second on the whole, however late one of them left.
        if len(probes) > 1:
            self.assertGreater((probes[-1] - probes[0]) / (len(probes) - 1), 0.9)
        for a, b in zip(probes, probes[1:]):
            self.assertGreater(b - a, 0.5, "never two at once")
        self.assertEqual(len([t for t in run.module_queries if t > requests[-1]]), len(probes), "the module asked with each")

    def test_a_device_that_ignores_its_reset_is_reported_at_the_deadline(self):
        code, rows_out, err, run = self.configure([(quick_mac(6), "Quick 6 B"), (STUBBORN_MAC, "Stubborn B")])
        self.assertEqual(code, 1, err)
        self.assertEqual(rows_out[quick_mac(6)]["status"], "updated")
        self.assertEqual(rows_out[STUBBORN_MAC]["status"], "not_verified")
        self.assertEqual(rows_out[STUBBORN_MAC]["reason"], "Device kept other values: Server name")
        self.assertEqual(rows_out[STUBBORN_MAC]["ip"], "192.168.1.121")
        # It answered with its old bytes after its restart: written twice
        # more, each time the very datagrams of the first.
        self.assertEqual(rows_out[STUBBORN_MAC]["attempts"], 3)
        self.assertEqual(rows_out[quick_mac(6)]["attempts"], 1)
        mine = [data for _, dst, data in run.records
                if dst.endswith(":8890") and STUBBORN_MAC.replace(":", "").lower() in data]
        self.assertTrue(mine)
        self.assertEqual(len(mine) % 3, 0, mine)
        third = len(mine) // 3
        self.assertEqual(mine[:third], mine[third:2 * third])
        self.assertEqual(mine[:third], mine[2 * third:])
        requests = run.requests
        probes = [t for t in run.searches if t > requests[-1]]
        # Its old answers concluded nothing before the deadline.
        self.assertGreater(probes[-1] - requests[-1], DEADLINE - 2)
        self.assertLess(probes[-1] - requests[-1], DEADLINE + 1)
        self.assertEqual(run.module_queries and [t for t in run.module_queries if t > requests[-1]], [],
                         "no module query after the writes when no module was written")

    def test_a_device_that_answers_late_is_still_found(self):
        code, rows_out, err, run = self.configure([(quick_mac(7), "Quick 7 B"), (SLOW_MAC, "Slow B")])
        self.assertEqual(code, 0, err)
        self.assertEqual(rows_out[SLOW_MAC]["status"], "updated")
        self.assertEqual(rows_out[quick_mac(7)]["status"], "updated")
        # The search waited for it, and no longer than it had to.
        requests = run.requests
        self.assertGreater(requests[0] - run.searches[0], 3)
        self.assertLess(requests[0] - run.searches[0], FULL_SEARCH)

    def test_an_answer_after_the_verification_that_contradicts_it_is_heard(self):
        code, rows_out, err, run = self.configure([(TWIN_MAC, "Twin B")])
        self.assertEqual(code, 1, err)
        self.assertEqual(rows_out[TWIN_MAC]["status"], "not_verified")
        self.assertEqual(rows_out[TWIN_MAC]["reason"], f"two devices answer with MAC {TWIN_MAC}")


if __name__ == "__main__":
    unittest.main()
