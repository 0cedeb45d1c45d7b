#!/usr/bin/env python3
"""`cobalin configure` on a LAN that loses one datagram in ten in each
direction (the simulator's --loss, seeded so that a failing run can be
repeated): the first search asks again while a device lacks a page, and a
device that answers with its old bytes after its restart is written again.
At least 95 % of the rows of the runs must end updated (a device whose
three attempts are all lost ends not_verified, about one in fifty), every
row must have a verdict, and no row may say updated that the device does
not hold. Run through
tests/e2e/run-in-netlab."""
import json
import os
import signal
import subprocess
import tempfile
import unittest

from configure_cli_test import configure
from search_cli_test import DEVSIM, NETLAB, SCALE, search

DEVICES = 30
SEEDS = (1, 2, 3)
LAN = f"""
[defaults]
netmask = 255.255.255.0
gateway = 192.168.1.1
password = admin
restart = 2
hwid = PCB-4160-01

[device]
count = {DEVICES}
mac = 02:7E:3A:41:00:01
ip = 192.168.1.100
name = Lossy
""".encode()


def mac(i):
    return "02:7E:3A:41:00:%02X" % (i + 1)


class LossySim:
    """The simulator with a lossy LAN; heal() makes it lose nothing more."""

    def __init__(self, seed):
        self.dir = tempfile.mkdtemp(prefix="cobalin-lossy-")
        conf = os.path.join(self.dir, "lan.conf")
        with open(conf, "wb") as f:
            f.write(LAN)
        env = dict(os.environ, COBALIN_TIME_SCALE=SCALE)
        self.proc = subprocess.Popen([NETLAB, "exec", "lan", DEVSIM, conf, "--iface", "lan0", "--seed", str(seed),
                                      "--loss", "0.1"], stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        line = self.proc.stdout.readline().decode()
        if "ready" not in line:
            raise RuntimeError("simulator not ready: " + line + self.proc.stderr.read().decode())

    def heal(self):
        self.proc.send_signal(signal.SIGUSR1)

    def stop(self):
        self.proc.terminate()
        self.proc.communicate(timeout=30)


class ConfigureOnALossyLan(unittest.TestCase):
    def test_nearly_every_row_is_updated_and_none_wrongly(self):
        # A LAN interface holding only these devices' addresses.
        subprocess.run([NETLAB, "exec", "lan", "ip", "-4", "addr", "flush", "dev", "lan0"], check=True)
        updated_rows = 0
        for seed in SEEDS:
            with self.subTest(seed=seed):
                sim = LossySim(seed)
                try:
                    names = {mac(i): f"Seed{seed}-{i:02d}" for i in range(DEVICES)}
                    fd, plan = tempfile.mkstemp(prefix="cobalin-lossy-", suffix=".csv")
                    with os.fdopen(fd, "w") as f:
                        f.write("mac,password,name\n" + "".join(f"{m},admin,{n}\n" for m, n in names.items()))
                    code, out, err = configure(plan, "--json")
                    rows = {r["mac"]: r for r in json.loads(out)}
                    self.assertEqual(set(rows), set(names), "every row has a verdict")
                    updated = [m for m, r in rows.items() if r["status"] == "updated"]
                    updated_rows += len(updated)
                    for r in rows.values():
                        self.assertIn(r["status"], ("updated", "not_verified", "refused"), r)
                        if r["status"] != "refused":
                            self.assertIn(r["attempts"], (1, 2, 3), r)
                    # What the devices hold, read over a healed LAN.
                    sim.heal()
                    held = {}
                    for _ in range(3):
                        scode, sout, serr = search("--json")
                        held.update({d["mac"]: d["name"] for d in json.loads(sout)})
                        if set(names) <= set(held):
                            break
                    for m in updated:
                        self.assertEqual(held.get(m), names[m], f"{m} reported updated: {rows[m]}")
                finally:
                    sim.stop()
        self.assertGreaterEqual(updated_rows, 0.95 * DEVICES * len(SEEDS))


if __name__ == "__main__":
    unittest.main()
