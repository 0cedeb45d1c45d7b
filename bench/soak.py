#!/usr/bin/env python3
"""The soak itself; bench/soak.sh runs it in the PC namespace of a virtual LAN.

The program runs under the UI driver on its simple face and searches with
"Search" (the whole search: listening period, list filling, the panel's
lists) again and again. The simulator plays 255 devices in the LAN namespace
and is restarted with the next fault mode every block of searches."""
import argparse
import os
import subprocess
import sys
import tempfile
import time

FAULTS = [("duplicate", "duplicate = yes"), ("reorder", "reorder = yes"),
          ("malformed", "malformed = 2"), ("flood", "flood = 4")]
DEVICES = 255


def lan(fault_line):
    return ("[device]\ncount = %d\nmac = 02:00:00:00:60:00\nip = 192.168.1.1\nhwid = PCB-4160-01\n"
            "name = Soak\nmodel = ZB-2000\n%s\n" % (DEVICES, fault_line))


class Simulator:
    def __init__(self, netlab, build, conf, env):
        self.proc = subprocess.Popen([netlab, "exec", "lan", os.path.join(build, "sim", "cobalin-devsim"), conf,
                                      "--iface", "lan0"], stdout=subprocess.PIPE, env=env, text=True)
        line = self.proc.stdout.readline()
        if "ready" not in line:
            sys.exit("soak: the simulator did not start: " + line)

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=30)


class Program:
    def __init__(self, build, home, env):
        self.proc = subprocess.Popen([os.path.join(build, "cobalin"), "--drive", "--home", home],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env, text=True)

    def do(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().strip()

    def value(self, command):
        answer = self.do(command)
        if not answer.startswith('{"ok":true,"value":'):
            sys.exit("soak: %s answered %s" % (command, answer))
        return answer[len('{"ok":true,"value":'):-1].strip('"')

    def resident_kib(self):
        for line in open("/proc/%d/status" % self.proc.pid):
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
        return 0

    def descriptors(self):
        return len(os.listdir("/proc/%d/fd" % self.proc.pid))

    def cpu_seconds(self):
        fields = open("/proc/%d/stat" % self.proc.pid).read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--netlab", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--searches", type=int, default=500)
    parser.add_argument("--block", type=int, default=25, help="searches per fault mode before the next one")
    parser.add_argument("--scale", default="0.1", help="COBALIN_TIME_SCALE of the program and the simulator")
    a = parser.parse_args()

    work = tempfile.mkdtemp(prefix="cobalin-soak-")
    home = os.path.join(work, "home")
    os.makedirs(home)
    with open(os.path.join(home, "Setting.ini"), "w") as f:
        f.write("[RunMode]\nStartupAutoDeviceType=2\nAdvancedMode=2\nSkipPassword=1\n")
    confs = []
    for name, line in FAULTS:
        path = os.path.join(work, name + ".conf")
        with open(path, "w") as f:
            f.write(lan(line))
        confs.append((name, path))
    env = dict(os.environ, COBALIN_TIME_SCALE=a.scale, QT_QPA_PLATFORM="offscreen")

    program = Program(a.build, home, env)
    program.value("get Command10 text")
    program.do("click Option1(0)")
    sim, mode = None, None
    misses, figures = [], {}
    started = time.monotonic()
    for n in range(1, a.searches + 1):
        name, conf = confs[((n - 1) // a.block) % len(confs)]
        if name != mode:
            if sim:
                sim.stop()
            sim, mode = Simulator(a.netlab, a.build, conf, env), name
        if program.do("click Command10") != '{"ok":true}':
            sys.exit("soak: search %d could not start" % n)
        if program.do("idle 120") != '{"ok":true}':
            sys.exit("soak: search %d did not end" % n)
        found = int(program.value("state DeviceCount"))
        listed = int(program.value("get List6 count"))
        if found != DEVICES or listed != DEVICES:
            misses.append((n, mode, found, listed))
        if n in (10, a.searches):
            figures[n] = (program.resident_kib(), program.descriptors())
        if n % 50 == 0:
            print("search %3d (%s): %d devices, resident %d KiB, %d descriptors, %.0f s"
                  % (n, mode, found, program.resident_kib(), program.descriptors(), time.monotonic() - started),
                  flush=True)
    elapsed = time.monotonic() - started
    cpu = program.cpu_seconds()
    program.do("quit")
    program.proc.wait(timeout=30)
    sim.stop()

    rss10, fd10 = figures[10]
    rss_last, fd_last = figures[a.searches]
    growth = 100.0 * (rss_last - rss10) / rss10
    print("searches: %d against %d devices, fault modes %s in blocks of %d, time scale %s"
          % (a.searches, DEVICES, "/".join(f for f, _ in FAULTS), a.block, a.scale))
    print("every search found all %d: %s" % (DEVICES, "yes" if not misses else "no, %d did not: %s" % (len(misses), misses[:10])))
    print("resident memory after search 10: %d KiB; after search %d: %d KiB (%+.2f %%, limit 5 %%)"
          % (rss10, a.searches, rss_last, growth))
    print("open file descriptors after search 10: %d; after search %d: %d" % (fd10, a.searches, fd_last))
    print("time: %.0f s wall, %.2f s per search; program CPU %.0f s" % (elapsed, elapsed / a.searches, cpu))
    ok = not misses and abs(growth) <= 5.0 and fd10 == fd_last
    print("soak: " + ("passed" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
