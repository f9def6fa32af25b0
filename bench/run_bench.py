#!/usr/bin/env python3
"""The benchmark behind `make bench`: runs the tool against the device simulator
and prints one table of figures, each with its median, maximum, the floor the
protocol's fixed pauses set (or the figure it is compared with) and their ratio.

Requests are timestamped on the device side: the simulator logs the moment the
last byte of each request arrived (CLOCK_MONOTONIC), the same clock this script
reads before it starts a program.

usage: run_bench.py BUILD_DIR [--repeats N] [--windows WINDOWS_BUILD_DIR]
"""

import argparse
import datetime
import os
import platform
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

KINDS = ["subscriber", "splitter", "beltpack", "switch"]
KIND_NAMES = {
    "subscriber": "subscriber set",
    "splitter": "splitter",
    "beltpack": "belt pack",
    "switch": "switch",
}

# Pauses of one exchange: 50 ms before the write, 100 ms before the read; a
# silent device holds the read for its 50 ms time-out.
BEFORE_WRITE, BEFORE_READ, SILENT_READ, CALLER_PAUSE = 50, 100, 50, 50

# The floor of each gap between consecutive requests of discovery, per kind:
# 100 ms before the read, 50 ms more when the previous request got no answer,
# the caller's Pause(50) where there is one, 50 ms before the next write.
def _gap(silent, caller_pause):
    return BEFORE_READ + (SILENT_READ if silent else 0) + (CALLER_PAUSE if caller_pause else 0) + BEFORE_WRITE

DISCOVERY_GAPS = {
    # probe 1 answered, Pause(50); ReadDeviceAddress, ReadSettings, ReadStudioMode
    "subscriber": [_gap(False, True), _gap(False, False), _gap(False, False)],
    # probe 1 silent; probe 2 answered, Pause(50); ReadSettings, ReadLevels
    "splitter": [_gap(True, True), _gap(False, True), _gap(False, False)],
    "beltpack": [_gap(True, True), _gap(True, True), _gap(False, True), _gap(False, False),
                 _gap(False, False)],
    # no pause after the fourth probe
    "switch": [_gap(True, True), _gap(True, True), _gap(True, True), _gap(False, False),
               _gap(False, False)],
}
# Open the port, Pause(100), configure, then the first exchange's Pause(50).
FIRST_REQUEST_FLOOR = 100 + BEFORE_WRITE
# "Считать настройки": ReadSettings, Pause(50), ReadTallyAddress.
READ_GAP = _gap(False, True)
# "Записать настройки" for a belt pack: WriteSettings, Pause(50), WriteTallyAddress.
WRITE_GAP = _gap(False, True)
# Back-to-back single-request actions (level steps, "Test").
ONE_EXCHANGE = _gap(False, False)


def now_ns():
    return time.monotonic_ns()


class Simulator:
    def __init__(self, build, kind, workdir):
        self.log = os.path.join(workdir, f"requests-{kind}-{now_ns()}.log")
        self.process = subprocess.Popen(
            [os.path.join(build, "intercom-sim"), "--kind", kind, "--quiet", "--log-requests", self.log],
            stdout=subprocess.PIPE, text=True)
        self.path = self.process.stdout.readline().strip()
        with open(os.path.join(workdir, "COM.ini"), "w") as ini:
            ini.write(self.path + "\r\n")

    def requests(self):
        """(nanoseconds, command byte) of every request so far."""
        result = []
        if os.path.exists(self.log):
            with open(self.log) as log:
                for line in log:
                    fields = line.split()
                    if len(fields) >= 5:
                        result.append((int(fields[0]), int(fields[4], 16)))
        return result

    def wait_for(self, count, timeout=20.0, poll=0.02):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.requests()
            if len(found) >= count:
                return found
            time.sleep(poll)
        raise RuntimeError(f"the simulator saw {len(self.requests())} requests, not {count}")

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait(timeout=10)


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def start_xvfb():
    """A private X server for the runs under X, or None when Xvfb is missing."""
    read_end, write_end = os.pipe()
    try:
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1366x768x24", "-nolisten", "tcp"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except FileNotFoundError:
        os.close(read_end)
        os.close(write_end)
        return None, None
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip():
        stop(server)
        return None, None
    return server, ":" + number.decode().strip()


class Table:
    def __init__(self):
        self.rows = []

    def section(self, title):
        self.rows.append((title,))

    def add(self, figure, values, floor, unit="ms", floor_text=None):
        """values in `unit`; floor a number in `unit` (or None)."""
        if not values:
            self.rows.append((figure, "n/a", "n/a", floor_text or "-", "-"))
            return
        median = statistics.median(values)
        high = max(values)
        if floor is None:
            self.rows.append((figure, fmt(median, unit), fmt(high, unit), floor_text or "-", "-"))
            return
        ratio = f"{median / floor:.3f}" if floor else "-"
        self.rows.append((figure, fmt(median, unit), fmt(high, unit), floor_text or fmt(floor, unit), ratio))

    def note(self, figure, text):
        self.rows.append((figure, text, "", "", ""))

    def print(self):
        header = ("Figure", "Median", "Max", "Floor", "Ratio")
        widths = [len(h) for h in header]
        for row in self.rows:
            if len(row) == 5:
                widths = [max(w, len(c)) for w, c in zip(widths, row)]
        line = "| " + " | ".join(h.ljust(w) for h, w in zip(header, widths)) + " |"
        print(line)
        print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
        for row in self.rows:
            if len(row) == 1:
                print("| **" + row[0] + "**" + " |" * 5)
            else:
                print("| " + " | ".join(c.ljust(w) for c, w in zip(row, widths)) + " |")


def fmt(value, unit):
    if unit == "ms":
        return f"{value:.1f} ms"
    if unit == "us":
        return f"{value:.0f} us"
    if unit == "MB":
        return f"{value:.1f} MB"
    return f"{value:g} {unit}".strip()


def gaps(requests):
    return [(b[0] - a[0]) / 1e6 for a, b in zip(requests, requests[1:])]


def startup_runs(build, workdir, env, repeats, table, label):
    """exec to the first and last request of discovery, and discovery's gaps."""
    app = os.path.join(build, "intercom-config")
    empty = os.path.join(build, "intercom-empty-window")
    mapped, mapped_cpu = [], []

    def empty_window_run():
        start = now_ns()
        window = subprocess.Popen([empty], stdout=subprocess.PIPE, text=True, env=env)
        out, _ = window.communicate(timeout=30)
        if out.strip():
            stamp, cpu = out.split()[:2]
            mapped.append((int(stamp) - start) / 1e6)
            mapped_cpu.append(int(cpu) / 1e6)

    first_all, first_cpu, per_kind = [], [], {}
    for kind in KINDS:
        firsts, lasts, kind_gaps = [], [], [[] for _ in DISCOVERY_GAPS[kind]]
        count = len(DISCOVERY_GAPS[kind]) + 1
        for _ in range(repeats):
            # An empty window just before each start of the tool: both are
            # measured as often and under the same load of the machine.
            empty_window_run()
            sim = Simulator(build, kind, workdir)
            start = now_ns()
            tool = subprocess.Popen([app], cwd=workdir, env=env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                sim.wait_for(1, poll=0.002)
                # The tool now sleeps 100 ms before reading: its CPU time holds still.
                first_cpu.append(cpu_ms(tool.pid))
                found = sim.wait_for(count)[:count]
            finally:
                stop(tool)
                sim.stop()
            firsts.append((found[0][0] - start) / 1e6)
            lasts.append((found[-1][0] - start) / 1e6)
            for i, gap in enumerate(gaps(found)):
                kind_gaps[i].append(gap)
        first_all += firsts
        per_kind[kind] = (firsts, lasts, kind_gaps)

    table.section(f"Start-up ({label})")
    table.add(f"empty Qt Widgets window, exec to mapped", mapped, None)
    for kind in KINDS:
        firsts, lasts, _ = per_kind[kind]
        table.add(f"exec to first request, {KIND_NAMES[kind]}", firsts, FIRST_REQUEST_FLOOR)
        table.add(f"exec to last request of discovery, {KIND_NAMES[kind]}", lasts,
                  FIRST_REQUEST_FLOOR + sum(DISCOVERY_GAPS[kind]))
    overheads = [f - FIRST_REQUEST_FLOOR for f in first_all]
    if mapped:
        table.add("start-up overhead (exec to first request - 150 ms) vs empty window", overheads,
                  statistics.median(mapped), floor_text=f"{statistics.median(mapped):.1f} ms (empty)")
    if mapped_cpu:
        # CPU time is what a busy machine does not stretch.
        table.add("CPU time, empty window exec to mapped", mapped_cpu, None)
        table.add("CPU time, exec to first request vs empty window", first_cpu,
                  statistics.median(mapped_cpu),
                  floor_text=f"{statistics.median(mapped_cpu):.1f} ms (empty)")
    return per_kind


def discovery_rows(per_kind, table):
    table.section("Gaps between consecutive requests (device side)")
    for kind in KINDS:
        _, _, kind_gaps = per_kind[kind]
        by_floor = {}
        for floor, values in zip(DISCOVERY_GAPS[kind], kind_gaps):
            by_floor.setdefault(floor, []).extend(values)
        for floor in sorted(by_floor):
            table.add(f"discovery, {KIND_NAMES[kind]}, gaps of {floor} ms", by_floor[floor], floor)


def run_driver(build, workdir, env, kind, args, timeout=600):
    sim = Simulator(build, kind, workdir)
    try:
        done = subprocess.run([os.path.join(build, "intercom-bench-driver")] + args, cwd=workdir,
                              env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              text=True, timeout=timeout, check=True)
    finally:
        sim.stop()
    return done.stdout.splitlines(), sim.requests()


def within(requests, start, end):
    return [r for r in requests if start <= r[0] <= end]


def action_rows(build, workdir, env, repeats, table):
    reads, writes, levels = [], [], []
    for kind in KINDS:
        lines, requests = run_driver(build, workdir, env, kind, ["actions", kind, str(repeats)])
        for line in lines:
            fields = line.split()
            if fields[0] != "action":
                continue
            name, start, end = fields[1], int(fields[2]), int(fields[3])
            found = gaps(within(requests, start, end))
            if name == "read":
                reads += found
            elif name == "write":
                writes += found
            elif name == "level":
                levels += found
    table.add('"Считать настройки" (ReadSettings, Pause(50), ReadTallyAddress)', reads, READ_GAP)
    table.add('"Записать настройки", belt pack (WriteSettings, Pause(50), WriteTallyAddress)',
              writes, WRITE_GAP)
    table.add("level steps, one after another", levels, ONE_EXCHANGE)


# A whole `intercom-cli read`: 100 ms after opening the port, then discovery's
# exchanges (150 ms of pauses each, 50 ms more for an unanswered probe, Pause(50)
# after each of the first three probes) and the reads of the kind found.
CLI_READ_FLOORS = {"subscriber": 750, "splitter": 850, "beltpack": 1250, "switch": 1300}


def cli_rows(build, workdir, repeats, table):
    """The headless program: exec to its first request on the device side
    (floor 150 ms, as for the windows), and a whole `read`, exec to exit,
    against the floor of its exchanges and pauses."""
    table.section("intercom-cli")
    cli = os.path.join(build, "intercom-cli")
    if not os.path.exists(cli):
        table.note("exec to first request; whole `read` vs floor", "n/a: no intercom-cli built")
        return
    for kind in KINDS:
        firsts, reads = [], []
        for _ in range(repeats):
            sim = Simulator(build, kind, workdir)
            try:
                start = now_ns()
                subprocess.run([cli, "read", "-p", sim.path], cwd=workdir, check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
                end = now_ns()
                found = sim.requests()
            finally:
                sim.stop()
            firsts.append((found[0][0] - start) / 1e6)
            reads.append((end - start) / 1e6)
        table.add(f"intercom-cli, exec to first request, {KIND_NAMES[kind]}", firsts,
                  FIRST_REQUEST_FLOOR)
        table.add(f"intercom-cli, whole `read`, {KIND_NAMES[kind]}", reads, CLI_READ_FLOORS[kind])


# A rack's plan: one row of each kind, each changing one setting.
APPLY_PLAN_HEADER = "label,kind,key1,address,line2"
APPLY_PLAN_ROWS = {
    "subscriber": "desk,subscriber,9,,",
    "splitter": "stage,splitter,,12,",
    "beltpack": "belt,beltpack,,9,",
    "switch": "hub,switch,,,20",
}


def timed_apply(build, workdir, kinds, name):
    """exec to exit, in ms, of `apply --wait` with one row per kind on one
    fresh simulator per kind, all ports given at once."""
    plan = os.path.join(workdir, name)
    with open(plan, "w") as out:
        out.write("\n".join([APPLY_PLAN_HEADER] + [APPLY_PLAN_ROWS[k] for k in kinds]) + "\n")
    sims = [Simulator(build, kind, workdir) for kind in kinds]
    try:
        ports = [arg for sim in sims for arg in ("-p", sim.path)]
        start = now_ns()
        subprocess.run([os.path.join(build, "intercom-cli"), "apply", plan, "--wait",
                        "--backup-dir", os.path.join(workdir, "backups")] + ports,
                       cwd=workdir, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        return (now_ns() - start) / 1e6
    finally:
        for sim in sims:
            sim.stop()


def apply_rows(build, workdir, repeats, table):
    """A rack on four ports at once: `apply --wait` with a four-row plan on four
    simulators (one of each kind), exec to exit, against the slowest of the
    same rows applied alone on one port (target 1.15)."""
    if not os.path.exists(os.path.join(build, "intercom-cli")):
        table.note("apply --wait, four rows on four ports", "n/a: no intercom-cli built")
        return
    alone = {kind: [timed_apply(build, workdir, [kind], f"plan-{kind}.csv")
                    for _ in range(repeats)] for kind in KINDS}
    slowest = max(KINDS, key=lambda kind: statistics.median(alone[kind]))
    base = statistics.median(alone[slowest])
    together = [timed_apply(build, workdir, KINDS, "plan-rack.csv") for _ in range(repeats)]
    table.add("intercom-cli, `apply --wait`, four rows on four ports at once vs one row alone",
              together, base, floor_text=f"{base:.1f} ms (one {KIND_NAMES[slowest]} row)")


def timed_run(command, workdir, codes=(0,)):
    """exec to exit of `command`, in ms; its exit code must be one of `codes`."""
    start = now_ns()
    done = subprocess.run(command, cwd=workdir, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=60)
    if done.returncode not in codes:
        raise RuntimeError(f"{command} exited {done.returncode}")
    return (now_ns() - start) / 1e6


def concurrent_reads(cli, workdir, sims):
    """exec to the last exit, in ms, of one `read` per simulator, all at once."""
    start = now_ns()
    runs = [subprocess.Popen([cli, "read", "-p", sim.path], cwd=workdir,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) for sim in sims]
    for run in runs:
        if run.wait(timeout=60) != 0:
            raise RuntimeError("read failed")
    return (now_ns() - start) / 1e6


def station_device_times(cli, build, workdir, count, spacing=0.25):
    """`apply --wait --any-port` over a folder of links: `count` splitters
    appear one after another; for each, ms from its link appearing to its
    report line."""
    folder = tempfile.mkdtemp(prefix="adapters-", dir=workdir)
    plan = os.path.join(workdir, f"plan-station-{count}.csv")
    with open(plan, "w") as out:
        out.write("label,kind,address\n" +
                  "".join(f"s{i},splitter,{10 + i}\n" for i in range(count)))
    station = subprocess.Popen([cli, "apply", plan, "--wait", "--any-port", "--port-folder", folder,
                                "--backup-dir", os.path.join(workdir, "backups")],
                               cwd=workdir, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               text=True)
    reported = {}

    def read_lines():
        for line in station.stdout:
            for i in range(count):
                if f"{folder}/{i}," in line:
                    reported[i] = now_ns()

    reader = threading.Thread(target=read_lines)
    reader.start()
    appeared, sims = {}, []
    try:
        time.sleep(0.5)  # the station is watching
        for i in range(count):
            sims.append(Simulator(build, "splitter", workdir))
            appeared[i] = now_ns()
            os.symlink(sims[-1].path, os.path.join(folder, str(i)))
            time.sleep(spacing)
        if station.wait(timeout=60) != 0:
            raise RuntimeError("the station failed")
    finally:
        stop(station)
        reader.join()
        for sim in sims:
            sim.stop()
    return [(reported[i] - appeared[i]) / 1e6 for i in range(count)]


def site_rows(build, workdir, repeats, table):
    """A site: a dry run of four rows on four simulators against their reads
    alone (target 1.05), a backup against `read --json` (1.02), and a station
    serving eight adapters that appear one after another, each device's time
    against one device alone (1.15)."""
    cli = os.path.join(build, "intercom-cli")
    if not os.path.exists(cli):
        table.note("intercom-cli: --check, backup, station", "n/a: no intercom-cli built")
        return
    plan = os.path.join(workdir, "plan-site.csv")
    with open(plan, "w") as out:
        out.write("\n".join([APPLY_PLAN_HEADER] + [APPLY_PLAN_ROWS[k] for k in KINDS]) + "\n")
    reads, checks = [], []
    for _ in range(repeats):
        sims = [Simulator(build, kind, workdir) for kind in KINDS]
        try:
            reads.append(concurrent_reads(cli, workdir, sims))
            ports = [arg for sim in sims for arg in ("-p", sim.path)]
            checks.append(timed_run([cli, "apply", plan, "--check"] + ports, workdir, (6,)))
        finally:
            for sim in sims:
                sim.stop()
    table.add("intercom-cli, `apply --check`, four rows on four ports vs their reads alone",
              checks, statistics.median(reads))
    backups, read_jsons = [], []
    for _ in range(repeats):
        sim = Simulator(build, "subscriber", workdir)
        try:
            read_jsons.append(timed_run([cli, "read", "--json", "-p", sim.path], workdir))
            backups.append(timed_run([cli, "backup", "-p", sim.path, "--backup-dir",
                                      os.path.join(workdir, "backups")], workdir))
        finally:
            sim.stop()
    table.add("intercom-cli, `backup` of one subscriber set vs `read --json`", backups,
              statistics.median(read_jsons))
    alone = [t for _ in range(repeats) for t in station_device_times(cli, build, workdir, 1)]
    eight = [t for _ in range(max(1, repeats // 2))
             for t in station_device_times(cli, build, workdir, 8)]
    table.add("intercom-cli, station of eight adapters appearing one after another, "
              "each device vs one alone", eight, statistics.median(alone))


SER2NET = "/usr/sbin/ser2net"
SERVER_MODES = {"rfc2217": "telnet(rfc2217),tcp", "socket": "tcp"}


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def listening(port):
    with open("/proc/net/tcp") as table:
        return any(f"0100007F:{port:04X}" == f[1] and f[3] == "0A"
                   for f in (line.split() for line in table) if len(f) > 3)


class Ser2net:
    """ser2net on 127.0.0.1 in front of simulators' ptys, unprivileged (config,
    pid file and log in its own folder, no UUCP locks); `scheme` rfc2217 or socket
    names the ports as intercom-cli takes them."""

    def __init__(self, sims, scheme, workdir):
        self.dir = tempfile.mkdtemp(prefix="ser2net-", dir=workdir)
        self.ports = [free_port() for _ in sims]
        self.urls = [f"{scheme}://127.0.0.1:{port}" for port in self.ports]
        config = os.path.join(self.dir, "ser2net.yaml")
        with open(config, "w") as out:
            for i, (sim, port) in enumerate(zip(sims, self.ports)):
                out.write(f"connection: &device{i}\n"
                          f"  accepter: {SERVER_MODES[scheme]},127.0.0.1,{port}\n"
                          f"  connector: serialdev,{sim.path},38400n81,local\n")
        with open(os.path.join(self.dir, "ser2net.log"), "w") as log:
            self.process = subprocess.Popen(
                [SER2NET, "-n", "-d", "-u", "-P", os.path.join(self.dir, "ser2net.pid"), "-c",
                 config], stdout=log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 5
        while not all(listening(port) for port in self.ports):
            if time.monotonic() > deadline or self.process.poll() is not None:
                stop(self.process)
                raise RuntimeError("ser2net did not listen on its ports")
            time.sleep(0.02)

    def stop(self):
        stop(self.process)


def timed_remote_apply(build, workdir, kinds, scheme, name):
    """timed_apply with the simulators behind ser2net."""
    plan = os.path.join(workdir, name)
    with open(plan, "w") as out:
        out.write("\n".join([APPLY_PLAN_HEADER] + [APPLY_PLAN_ROWS[k] for k in kinds]) + "\n")
    sims = [Simulator(build, kind, workdir) for kind in kinds]
    server = None
    try:
        server = Ser2net(sims, scheme, workdir)
        ports = [arg for url in server.urls for arg in ("-p", url)]
        return timed_run([os.path.join(build, "intercom-cli"), "apply", plan, "--wait",
                          "--backup-dir", os.path.join(workdir, "backups")] + ports, workdir)
    finally:
        if server:
            server.stop()
        for sim in sims:
            sim.stop()


def remote_rows(build, workdir, repeats, table):
    """Devices behind a serial server (ser2net on loopback), per kind of port:
    the gaps between the requests of `intercom-cli read` against the pauses'
    floor (target 1.01), and `apply --wait` of four rows on four remote ports
    at once against the slowest row alone on one (1.15)."""
    table.section("Devices behind ser2net (rfc2217:// and socket://)")
    if not os.path.exists(SER2NET):
        table.note("intercom-cli over ser2net", "n/a: ser2net is not installed")
        return
    cli = os.path.join(build, "intercom-cli")
    for scheme in SERVER_MODES:
        by_floor = {}
        for kind in KINDS:
            for _ in range(repeats):
                sim = Simulator(build, kind, workdir)
                server = None
                try:
                    server = Ser2net([sim], scheme, workdir)
                    timed_run([cli, "read", "-p", server.urls[0]], workdir)
                    found = sim.requests()
                finally:
                    if server:
                        server.stop()
                    sim.stop()
                for floor, gap in zip(DISCOVERY_GAPS[kind], gaps(found)):
                    by_floor.setdefault(floor, []).append(gap)
        for floor in sorted(by_floor):
            table.add(f"{scheme}://, `read` of every kind, gaps of {floor} ms", by_floor[floor],
                      floor)
        alone = {kind: [timed_remote_apply(build, workdir, [kind], scheme, f"plan-{kind}.csv")
                        for _ in range(repeats)] for kind in KINDS}
        slowest = max(KINDS, key=lambda kind: statistics.median(alone[kind]))
        base = statistics.median(alone[slowest])
        together = [timed_remote_apply(build, workdir, KINDS, scheme, "plan-rack.csv")
                    for _ in range(repeats)]
        table.add(f"{scheme}://, `apply --wait`, four rows on four remote ports vs one row alone",
                  together, base, floor_text=f"{base:.1f} ms (one {KIND_NAMES[slowest]} row)")


def trace_rows(build, workdir, env, exchanges, table):
    lines, requests = run_driver(build, workdir, env, "switch", ["trace", str(exchanges)])
    work, spans = {}, {}
    for line in lines:
        fields = line.split()
        if fields[0] == "work":
            work.setdefault(fields[1], []).append(int(fields[2]) / 1e6)
        elif fields[0] == "action" and fields[1] != "discovery":
            spans[fields[1]] = (int(fields[2]), int(fields[3]))
    table.section('One exchange ("Test") by trace length, offscreen')
    for shown in ["hidden", "shown"]:
        empty = work.get(f"{shown}-0KB", [])
        base = statistics.median(empty) if empty else None
        for size in ["0KB", "100KB", "1024KB"]:
            name = f"{shown}-{size}"
            label = {"0KB": "empty", "100KB": "100 KB", "1024KB": "1 MB"}[size]
            if name in spans:
                table.add(f"gap between exchanges, trace {label}, {shown}",
                          gaps(within(requests, *spans[name])), ONE_EXCHANGE)
            table.add(f"work beyond the pauses, trace {label}, {shown} (vs empty)",
                      work.get(name, []), base,
                      floor_text=f"{base:.2f} ms (empty)" if base is not None else None)


def memory_rows(build, workdir, env, exchanges, table):
    lines, _ = run_driver(build, workdir, env, "switch", ["memory", str(exchanges)])
    table.section("Memory and idle")
    for line in lines:
        fields = line.split()
        if fields[0] == "rss" and fields[1] == "discovery":
            table.add("resident memory after discovery", [int(fields[2]) / 1024], None, unit="MB")
        elif fields[0] == "rss" and fields[1] == "exchanges":
            table.add(f"resident memory after {exchanges:,} exchanges (pauses skipped)",
                      [int(fields[2]) / 1024], 40, unit="MB", floor_text="40 MB (target)")


def cpu_ms(pid):
    """CPU time a process's threads have run, in ms (exact for a sleeping process)."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as stat:
            total += int(stat.read().split()[0])
    return total / 1e6


def process_counters(pid):
    """CPU ticks and context switches over all of a process's threads."""
    ticks = switches = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
            ticks += int(fields[11]) + int(fields[12])
        with open(f"/proc/{pid}/task/{task}/status") as status:
            for line in status:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    switches += int(line.split()[1])
    return ticks, switches


def idle_rows(build, workdir, env, label, table, seconds=10):
    sim = Simulator(build, "subscriber", workdir)
    tool = subprocess.Popen([os.path.join(build, "intercom-config")], cwd=workdir, env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        sim.wait_for(4)
        # Discovery ends and the window appears.
        time.sleep(2)
        ticks0, switches0 = process_counters(tool.pid)
        time.sleep(seconds)
        ticks1, switches1 = process_counters(tool.pid)
    finally:
        stop(tool)
        sim.stop()
    hertz = os.sysconf("SC_CLK_TCK")
    table.add(f"idle CPU over {seconds} s ({label})", [(ticks1 - ticks0) * 1000 / hertz], None,
              floor_text="0 ms")
    table.add(f"idle wake-ups over {seconds} s ({label})", [switches1 - switches0], None, unit="",
              floor_text="0")


WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


class WinePrefix:
    """A private Wine prefix on the benchmark's X server, booted once, its
    wineserver kept running and its desktop held by an idle window, as a
    Windows desktop session keeps them: each program then starts warm."""

    def __init__(self, windows_build, workdir, display):
        self.build = windows_build
        self.env = dict(os.environ, WINEPREFIX=os.path.join(workdir, "wine-prefix"),
                        WINEDEBUG="-all", DISPLAY=display,
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.env.pop("WAYLAND_DISPLAY", None)
        subprocess.run([WINE, "wineboot", "--init"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300, check=True)
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=60, **quiet)
        subprocess.run([WINESERVER, "-p"], env=self.env, timeout=60, check=True, **quiet)
        self.holder = subprocess.Popen([WINE, self.program("intercom-empty-window"), "--hold"],
                                       env=self.env, stdout=subprocess.PIPE,
                                       stderr=subprocess.DEVNULL, text=True)
        self.holder.stdout.readline()

    def program(self, name):
        return os.path.join(self.build, name + ".exe")

    def shipped(self, name):
        """The program as the installer ships it, stripped: the build's own
        carries some 18 MB of debugging sections, which Wine reads in whole
        at every start (PE sections are not page-aligned in the file)."""
        stripped = os.path.join(self.build, "packaging", "windows", "shipped", name + ".exe")
        if not os.path.exists(stripped):
            raise SystemExit(f"{stripped} is missing: run make windows")
        return stripped

    def map_com5(self, device):
        link = os.path.join(self.env["WINEPREFIX"], "dosdevices", "com5")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(device, link)

    def close(self):
        stop(self.holder)
        subprocess.run([WINESERVER, "-k"], env=self.env, timeout=60, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wine_rows(windows_build, build, workdir, repeats, exchanges, display, linux_firsts, table):
    """The Windows window program under Wine against the Linux program under
    Xvfb in the same run: exec to first request, and the cost of an exchange
    with a long trace."""
    table.section("The Windows window program under Wine (warm prefix, Xvfb)")
    if not os.path.exists(os.path.join(windows_build, "intercom-config.exe")):
        table.note("under Wine", f"skipped: no {windows_build}/intercom-config.exe (make windows)")
        return
    if not (os.path.exists(WINE) and display):
        table.note("under Wine", "skipped: no wine64 or no Xvfb")
        return
    prefix = WinePrefix(windows_build, workdir, display)
    try:
        mapped = []

        def settle():
            # A Wine program's end goes on after its process is gone: the
            # wineserver and the desktop's process close its windows and
            # handles. Each start waits that out, as on an idle desktop.
            time.sleep(0.5)

        def empty_window_run():
            start = now_ns()
            window = subprocess.Popen([WINE, prefix.program("intercom-empty-window")],
                                      env=prefix.env, stdin=subprocess.DEVNULL,
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            if window.stdout.readline().strip() == "mapped":
                mapped.append((now_ns() - start) / 1e6)
            window.wait(timeout=30)
            settle()

        def program_run(kind):
            sim = Simulator(build, kind, workdir)
            prefix.map_com5(sim.path)
            with open(os.path.join(workdir, "COM.ini"), "w") as ini:
                ini.write("COM5\r\n")
            start = now_ns()
            tool = subprocess.Popen([WINE, prefix.shipped("intercom-config")], cwd=workdir,
                                    env=prefix.env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                found = sim.wait_for(1, poll=0.002)
            finally:
                stop(tool)
                sim.stop()
            settle()
            return (found[0][0] - start) / 1e6

        # Once each, unmeasured: the first starts after the boot still find
        # the prefix's files and registry cold.
        empty_window_run()
        program_run("subscriber")
        mapped.clear()
        per_kind = {kind: [] for kind in KINDS}
        for kind in KINDS:
            for _ in range(repeats):
                # An empty window just before each start of the program, as in
                # the Linux rows.
                empty_window_run()
                per_kind[kind].append(program_run(kind))
        table.add("empty Win32 window, exec to first paint", mapped, None)
        firsts_all = []
        for kind, firsts in per_kind.items():
            firsts_all += firsts
            linux = statistics.median(linux_firsts[kind]) if linux_firsts.get(kind) else None
            table.add(f"exec to first request, {KIND_NAMES[kind]}, vs the Linux program", firsts,
                      linux, floor_text=f"{linux:.1f} ms (Linux, Xvfb)" if linux else None)
        if mapped:
            base = statistics.median(mapped)
            table.add("start-up overhead (exec to first request - 150 ms) vs empty Win32 window",
                      [f - FIRST_REQUEST_FLOOR for f in firsts_all], base,
                      floor_text=f"{base:.1f} ms (empty)")

        sim = Simulator(build, "switch", workdir)
        prefix.map_com5(sim.path)
        with open(os.path.join(workdir, "COM.ini"), "w") as ini:
            ini.write("COM5\r\n")
        try:
            done = subprocess.run([WINE, prefix.program("intercom-bench-driver"), "trace",
                                   str(exchanges)], cwd=workdir, env=prefix.env,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                  timeout=900, check=True)
        finally:
            sim.stop()
        work = {}
        for line in done.stdout.splitlines():
            fields = line.split()
            if len(fields) == 3 and fields[0] == "work":
                work.setdefault(fields[1], []).append(int(fields[2]) / 1e6)
        for shown in ["hidden", "shown"]:
            empty = work.get(f"{shown}-0KB", [])
            base = statistics.median(empty) if empty else None
            for size, label in [("0KB", "empty"), ("1024KB", "1 MB")]:
                table.add(f"work beyond the pauses, trace {label}, {shown} (vs empty)",
                          work.get(f"{shown}-{size}", []), base,
                          floor_text=f"{base:.2f} ms (empty)" if base is not None else None)
    finally:
        prefix.close()


def machine():
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return f"{socket.gethostname()}: {cpu}, {os.cpu_count()} cores, Linux {platform.release()}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--exchanges", type=int, default=30)
    parser.add_argument("--memory-exchanges", type=int, default=10000)
    parser.add_argument("--windows", help="the Windows build, for the rows under Wine")
    options = parser.parse_args()
    build = os.path.abspath(options.build)

    base_env = dict(os.environ)
    base_env.pop("QT_QPA_PLATFORM", None)
    offscreen = dict(base_env, QT_QPA_PLATFORM="offscreen")
    table = Table()
    with tempfile.TemporaryDirectory(prefix="intercom-bench-") as workdir:
        server, display = start_xvfb()
        try:
            per_kind = startup_runs(build, workdir, offscreen, options.repeats, table, "offscreen")
            xvfb = None
            xvfb_kinds = {}
            if display:
                xvfb = dict(base_env, DISPLAY=display, QT_QPA_PLATFORM="xcb")
                xvfb_kinds = startup_runs(build, workdir, xvfb, options.repeats, table, "Xvfb")
            else:
                table.note("start-up under Xvfb", "skipped: no Xvfb")
            discovery_rows(per_kind, table)
            action_rows(build, workdir, offscreen, options.repeats, table)
            cli_rows(build, workdir, options.repeats, table)
            apply_rows(build, workdir, options.repeats, table)
            site_rows(build, workdir, options.repeats, table)
            remote_rows(build, workdir, options.repeats, table)
            trace_rows(build, workdir, offscreen, options.exchanges, table)
            memory_rows(build, workdir, offscreen, options.memory_exchanges, table)
            idle_rows(build, workdir, offscreen, "offscreen", table)
            if xvfb:
                idle_rows(build, workdir, xvfb, "Xvfb", table)
            if options.windows:
                wine_rows(os.path.abspath(options.windows), build, workdir, options.repeats,
                          options.exchanges, display,
                          {kind: firsts for kind, (firsts, _, _) in xvfb_kinds.items()}, table)
        finally:
            if server:
                stop(server)

    print(f"Date: {datetime.datetime.now(datetime.timezone.utc):%Y-%m-%d %H:%M} UTC")
    print(f"Machine: {machine()}")
    print(f"Command: make bench (bench/run_bench.py {options.build} --repeats {options.repeats})")
    print()
    table.print()
    return 0


if __name__ == "__main__":
    sys.exit(main())
