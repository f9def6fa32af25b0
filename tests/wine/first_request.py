#!/usr/bin/env python3
"""The window program probes the device before it loads anything of the
desktop: when its first request reaches the port, the process has mapped
kernel32 but none of user32, gdi32, win32u, the X11 driver, the common
controls or COM. Those come later, with the first box or window, and the test
waits for user32 to show that it would see them.

    first_request.py PROGRAM

COM7 is a pty that nobody answers, so the start-up ends in its box. Needs the
environment of tests/wine/run.sh and a booted prefix (run.sh boot)."""

import os
import select
import subprocess
import sys
import tempfile
import time

WINDOW_DLLS = ["user32.dll", "gdi32.dll", "win32u.dll", "winex11.drv", "comctl32.dll",
               "comdlg32.dll", "ole32.dll", "oleaut32.dll", "oleacc.dll", "setupapi.dll",
               "imm32.dll", "uxtheme.dll"]
FRAME = 15


def mapped_modules(pid):
    """The names of the PE modules the process has mapped, in lower case."""
    names = set()
    with open(f"/proc/{pid}/maps") as maps:
        for line in maps:
            fields = line.split(maxsplit=5)
            if len(fields) == 6:
                name = os.path.basename(fields[5].strip()).lower()
                if name.endswith((".dll", ".drv", ".exe")):
                    names.add(name)
    return names


def read_frame(master, deadline):
    received = b""
    while len(received) < FRAME:
        left = deadline - time.monotonic()
        if left <= 0:
            raise SystemExit(f"first_request.py: {len(received)} bytes arrived, not a request")
        ready, _, _ = select.select([master], [], [], left)
        if ready:
            received += os.read(master, FRAME - len(received))
    return received


def main():
    program = os.path.abspath(sys.argv[1])
    prefix = os.environ["WINEPREFIX"]
    with open(prefix + ".display") as display:
        env = dict(os.environ, DISPLAY=display.read().strip(), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    env.pop("WAYLAND_DISPLAY", None)
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Started before the pty is mapped, the wineserver does not take it as its terminal.
    run = os.path.join(os.path.dirname(os.path.abspath(__file__)), "run.sh")
    subprocess.run([run, "server"], env=env, check=False, **quiet)

    master, slave = os.openpty()
    link = os.path.join(prefix, "dosdevices", "com7")
    with tempfile.TemporaryDirectory(dir=os.path.dirname(prefix)) as folder:
        with open(os.path.join(folder, "COM.ini"), "w") as ini:
            ini.write("COM7\r\n")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(os.ttyname(slave), link)
        tool = subprocess.Popen([os.environ["INTERCOM_WINE"], program], cwd=folder, env=env,
                                **quiet)
        try:
            read_frame(master, time.monotonic() + 60)
            at_request = mapped_modules(tool.pid)
            if "kernel32.dll" not in at_request:
                raise SystemExit(f"first_request.py: process {tool.pid} is not the program: "
                                 f"{sorted(at_request)}")
            early = [dll for dll in WINDOW_DLLS if dll in at_request]
            if early:
                raise SystemExit(f"first_request.py: loaded before the first request: {early}")
            deadline = time.monotonic() + 60
            while "user32.dll" not in mapped_modules(tool.pid):
                if time.monotonic() > deadline or tool.poll() is not None:
                    raise SystemExit("first_request.py: user32 never came: the check sees nothing")
                # The later probes are read and dropped, so that the port never fills.
                if select.select([master], [], [], 0.05)[0]:
                    os.read(master, 4096)
        finally:
            tool.kill()
            tool.wait()
            os.remove(link)
            os.close(master)
            os.close(slave)
    print("first request before any window DLL")
    return 0


if __name__ == "__main__":
    sys.exit(main())
