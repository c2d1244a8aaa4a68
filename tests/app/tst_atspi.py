#!/usr/bin/env python3
"""A screen reader's view of the real program.

Starts brisklet on its own X display (Xvfb and openbox) with a private session bus and
accessibility bus, then finds the Rename button, the file list and its rows, and an
operation switch through AT-SPI by role and name, as a screen reader does, and turns the
switch on through its action. Every process it starts is stopped again, also when a check
fails. Exits 77 (skipped) when a tool is missing.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def skip(reason):
    print("SKIP:", reason)
    sys.exit(SKIP)


def wait_for(condition, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.2)
    return condition()


class Session:
    """The processes of one run, each the leader of its own process group."""

    def __init__(self, environment):
        self.environment = environment
        self.processes = []

    def start(self, arguments, **options):
        process = subprocess.Popen(arguments, env=self.environment, start_new_session=True,
                                   **options)
        self.processes.append(process)
        return process

    def stop(self):
        # Newest first: the program before its window manager, the buses and the display.
        # A whole group goes, so the bus launcher takes its bus and registry with it.
        for process in reversed(self.processes):
            for sent in (signal.SIGTERM, signal.SIGKILL):
                try:
                    os.killpg(process.pid, sent)
                except ProcessLookupError:
                    break
                try:
                    process.wait(timeout=5)
                    break
                except subprocess.TimeoutExpired:
                    continue
            # Whatever of the group outlived its leader.
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass


def find(root, role, name):
    import pyatspi
    return pyatspi.utils.findDescendant(
        root, lambda item: item is not None and item.getRoleName() == role and item.name == name,
        breadth_first=True)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: tst_atspi.py BRISKLET_BINARY")
    binary = sys.argv[1]
    for tool in ("Xvfb", "openbox", "dbus-daemon"):
        if not shutil.which(tool):
            skip(tool + " is missing (scripts/setup installs it)")
    if not os.access(BUS_LAUNCHER, os.X_OK):
        skip("at-spi2-core is missing (scripts/setup installs it)")

    home = tempfile.TemporaryDirectory(prefix="brisklet-atspi-")
    environment = dict(os.environ)
    environment["HOME"] = home.name
    for name in ("CONFIG_HOME", "STATE_HOME", "DATA_HOME", "CACHE_HOME", "RUNTIME_DIR"):
        folder = os.path.join(home.name, name.lower())
        os.makedirs(folder, mode=0o700)
        environment["XDG_" + name] = folder
    environment.pop("QT_QPA_PLATFORM", None)
    environment["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    environment["QT_ACCESSIBILITY"] = "1"
    session = Session(environment)
    try:
        # Xvfb picks a free display and writes its number once it is ready.
        xvfb = session.start(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x800x24",
                              "-nolisten", "tcp"], stdout=subprocess.PIPE)
        display = xvfb.stdout.readline().decode().strip()
        if not display:
            skip("Xvfb does not start here")
        environment["DISPLAY"] = ":" + display

        bus = session.start(["dbus-daemon", "--session", "--nofork", "--print-address"],
                            stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            sys.exit("FAIL: the session bus did not start")
        environment["DBUS_SESSION_BUS_ADDRESS"] = address
        session.start([BUS_LAUNCHER, "--launch-immediately"])
        session.start(["openbox", "--sm-disable"])

        files = os.path.join(home.name, "files")
        os.makedirs(files)
        for name in ("a.txt", "b.txt"):
            open(os.path.join(files, name), "w").close()
        session.start([binary, os.path.join(files, "a.txt"), os.path.join(files, "b.txt")])

        # pyatspi reaches the accessibility bus through the session bus it finds at import.
        os.environ.update({key: environment[key]
                           for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "HOME")})
        try:
            import pyatspi
        except ImportError:
            skip("python3-pyatspi is missing (scripts/setup installs it)")

        def application():
            desktop = pyatspi.Registry.getDesktop(0)
            for index in range(desktop.childCount):
                app = desktop.getChildAtIndex(index)
                if app is not None and app.name == "Brisklet":
                    return app
            return None

        app = wait_for(application)
        if not app:
            sys.exit("FAIL: Brisklet is not on the accessibility bus")

        failures = []
        rename = wait_for(lambda: find(app, "push button", "Rename"))
        if not rename:
            failures.append("no push button named Rename")
        files_list = wait_for(lambda: find(app, "list", "Files"))
        rows = []
        if not files_list:
            failures.append("no list named Files")
        else:
            rows = sorted(files_list.getChildAtIndex(i).name
                          for i in range(files_list.childCount))
            # Both files keep their names under the empty default step.
            expected = ["a.txt, a.txt, ready", "b.txt, b.txt, ready"]
            if rows != expected:
                failures.append("the rows read %r, not %r" % (rows, expected))
        toggle = find(app, "check box", "Case sensitive")
        if not toggle:
            failures.append("no check box named Case sensitive")
        elif toggle.getState().contains(pyatspi.STATE_CHECKED):
            failures.append("the Case sensitive switch reads as on")
        else:
            # Switched on through its action, as a screen-reader user does; the new state
            # comes back over the bus.
            action = toggle.queryAction()
            names = [action.getName(i).lower() for i in range(action.nActions)]
            if "toggle" not in names:
                failures.append("the switch offers %r, no toggle action" % names)
            else:
                action.doAction(names.index("toggle"))
                if not wait_for(lambda: toggle.getState().contains(pyatspi.STATE_CHECKED), 5):
                    failures.append("the switch does not read as on after its toggle action")

        for failure in failures:
            print("FAIL:", failure)
        if failures:
            sys.exit(1)
        print("PASS: Rename button, file list (%d rows) and switch found and used through AT-SPI"
              % len(rows))
    finally:
        session.stop()
        home.cleanup()


if __name__ == "__main__":
    main()
