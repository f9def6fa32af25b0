#!/usr/bin/env python3
"""Times intercom-cli against intercom-sim: exec to the first request beyond
the 150 ms of mandated pauses before it (100 ms after opening, 50 ms before the
write), and a whole `read` against the floor of its exchanges and pauses.
Request times come from the program's --trace (monotonic clock, the clock
Python's time.monotonic() reads). Usage: scripts/cli-timing.py [BUILD_DIR] [RUNS]"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
# 100 ms after opening; a probe or read answered: 150 ms of pauses; a probe
# unanswered: 150 ms plus the 50 ms read time-out; 50 ms after each of the
# first three probes.
floors = {"subscriber": 750, "splitter": 850, "beltpack": 1250, "switch": 1300}

with tempfile.TemporaryDirectory() as work:
    link = os.path.join(work, "port")
    trace = os.path.join(work, "trace.log")
    print(f"{'kind':11} {'first request +ms (median/max)':>31} {'read ms (median/max)':>21} {'floor':>6} {'ratio':>7}")
    for kind, floor in floors.items():
        sim = subprocess.Popen([os.path.join(build, "intercom-sim"), "--kind", kind, "--quiet",
                                "--link", link], stdout=subprocess.PIPE)
        sim.stdout.readline()
        firsts, totals = [], []
        for _ in range(runs):
            if os.path.exists(trace):
                os.unlink(trace)
            start = time.monotonic()
            subprocess.run([os.path.join(build, "intercom-cli"), "read", "-p", link, "--trace", trace],
                           capture_output=True, check=True)
            totals.append((time.monotonic() - start) * 1000)
            with open(trace) as lines:
                first = next(float(line.split()[0]) for line in lines if " > " in line)
            firsts.append((first - start) * 1000 - 150)
        sim.terminate()
        sim.wait()
        median = statistics.median(totals)
        print(f"{kind:11} {statistics.median(firsts):15.2f} / {max(firsts):6.2f}     "
              f"{median:9.1f} / {max(totals):7.1f} {floor:6} {median / floor:7.4f}")
