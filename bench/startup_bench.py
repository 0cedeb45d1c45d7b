#!/usr/bin/env python3
"""From exec to the first painted main window: cobalin against a minimal Qt
program that shows one empty window, and against the same program showing one
line of text, all built the same way and run side by side (alternating) in one
run. Prints the medians and the ratios. A second build folder (BEFORE=dir, an
older build of the program) runs beside them, to compare a change; with
CALLGRIND=1 each program's instruction count to its first paint is printed
too (it repeats on a shared machine, where times do not)."""
import os, statistics, subprocess, sys, tempfile, time

build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
runs = int(os.environ.get("RUNS", "30"))
home = tempfile.mkdtemp()
with open(os.path.join(home, "Setting.ini"), "w") as f:
    f.write("[RunMode]\nStartupAutoDeviceType=2\n")
env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"),
           COBALIN_EXIT_AFTER_FIRST_PAINT="1")
yardstick = os.path.join(build, "bench", "minimal_window")
programs = {
    "empty window": [yardstick],
    "one-label window": [yardstick, "--label"],
    "cobalin main window": [os.path.join(build, "cobalin"), "--home", home],
}
before = os.environ.get("BEFORE")
if before:
    programs["cobalin before"] = [os.path.join(before, "cobalin"), "--home", home]
# Each program prints the monotonic clock when its window is first painted.
paint = {k: [] for k in programs}
whole = {k: [] for k in programs}
# The order turns each round: a program started right after another one
# (warm page cache, a CPU just woken) measures differently by its place alone.
names = list(programs)
for r in range(runs):
    for name in names[r % len(names):] + names[:r % len(names)]:
        cmd = programs[name]
        start = time.monotonic_ns()
        out = subprocess.run(cmd, env=env, check=True, capture_output=True, text=True).stdout
        end = time.monotonic_ns()
        paint[name].append((int(out.split()[0]) - start) / 1e6)
        whole[name].append((end - start) / 1e6)
for label, data in (("exec to first paint", paint), ("exec to exit after first paint", whole)):
    med = {k: statistics.median(v) for k, v in data.items()}
    ours = med["cobalin main window"]
    print(f"{label}: " + ", ".join(f"{k} {v:.1f} ms" for k, v in med.items()))
    print(f"  cobalin to the one-label window {ours / med['one-label window']:.2f} (target <= 1.2); "
          f"to the empty window {ours / med['empty window']:.2f}; "
          f"one-label window to the empty window {med['one-label window'] / med['empty window']:.2f}")
    if before:
        print(f"  before: {med['cobalin before']:.1f} ms, to the one-label window "
              f"{med['cobalin before'] / med['one-label window']:.2f}")
if os.environ.get("CALLGRIND") == "1":
    # Instructions from exec to the exit after the first paint, under callgrind.
    counts = {}
    for name, cmd in programs.items():
        out = tempfile.mktemp()
        subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", *cmd], env=env, check=True,
                       capture_output=True)
        with open(out) as f:
            counts[name] = next(int(l.split()[1]) for l in f if l.startswith("summary:") or l.startswith("totals:"))
        os.unlink(out)
    print("instructions: " + ", ".join(f"{k} {v / 1e6:.2f} M" for k, v in counts.items()))
    print(f"  cobalin to the one-label window {counts['cobalin main window'] / counts['one-label window']:.2f}"
          + (f"; before {counts['cobalin before'] / counts['one-label window']:.2f}" if before else ""))
