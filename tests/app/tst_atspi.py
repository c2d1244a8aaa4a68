#!/usr/bin/env python3
"""A screen reader's view of the real program: brisklet on its own Xvfb display under
openbox, with a private session bus and accessibility bus. Through AT-SPI it finds the
Rename button, the Files list with its rows and their descriptions, the named split pane,
the Mode menu's entries and an operation switch by role and name, and turns the switch on
through its action. It selects a row through the row's action, reads the selection from the
row and the list, and removes the selected file with the Remove button. Every process it
starts is stopped again, also after a failure. Exits 77 (skipped) when a tool is missing."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def wait_for(condition, seconds=20):
    deadline = time.monotonic() + seconds
    while not (result := condition()) and time.monotonic() < deadline:
        time.sleep(0.2)
    return result


def stop(process):
    # The whole group, so the bus launcher takes its bus and registry with it.
    for sent in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(process.pid, sent)
            process.wait(timeout=5)
        except ProcessLookupError:
            return
        except subprocess.TimeoutExpired:
            continue


def check_selection(files, remove, pyatspi):
    """A row is selectable, its toggle action selects it and lets it go, the row and the
    list say so, and the selection is the one the Remove button removes."""
    row = next((files.getChildAtIndex(i) for i in range(files.childCount)
                if files.getChildAtIndex(i).name.startswith("a.txt")), None)
    has = lambda item, state: item.getState().contains(state)
    if not row or not has(row, pyatspi.STATE_SELECTABLE) or has(row, pyatspi.STATE_SELECTED):
        return ["the row of a.txt is not there, not selectable, or selected from the start"]
    action = row.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    if "toggle" not in names:
        return ["the row offers %r, no toggle action" % names]
    table = files.queryTable()
    number = table.getRowAtIndex(row.getIndexInParent())
    failures = []
    for selected in (True, False, True):
        action.doAction(names.index("toggle"))
        if not wait_for(lambda: has(row, pyatspi.STATE_SELECTED) == selected, 5):
            failures.append("the row does not read as %s after its toggle action"
                            % ("selected" if selected else "unselected"))
        if list(table.getSelectedRows()) != ([number] if selected else []):
            failures.append("the list has rows %r selected" % list(table.getSelectedRows()))
        if not remove or not wait_for(lambda: has(remove, pyatspi.STATE_ENABLED) == selected, 5):
            failures.append("Remove is not %s" % ("enabled" if selected else "disabled"))
    if failures:
        return failures
    press = remove.queryAction()
    press.doAction(0)
    left = lambda: [files.getChildAtIndex(i).name for i in range(files.childCount)]
    if not wait_for(lambda: left() == ["b.txt, b.txt, ready"], 5):
        failures.append("after Remove the Files list reads %r" % left())
    return failures


def check(app, pyatspi):
    def find(role, name):
        return pyatspi.utils.findDescendant(
            app, lambda item: item is not None and item.getRoleName() == role
            and item.name == name, breadth_first=True)

    failures = []
    if not wait_for(lambda: find("push button", "Rename")):
        failures.append("no push button named Rename")
    files = find("list", "Files")
    rows = sorted(files.getChildAtIndex(i).name for i in range(files.childCount)) if files else []
    # Both files keep their names under the empty default step.
    if rows != ["a.txt, a.txt, ready", "b.txt, b.txt, ready"]:
        failures.append("the Files list reads %r" % rows)
    # A row describes the name as each step leaves it.
    descriptions = sorted(files.getChildAtIndex(i).description
                          for i in range(files.childCount)) if files else []
    if descriptions != ["1. Replace: a.txt", "1. Replace: b.txt"]:
        failures.append("the rows describe themselves as %r" % descriptions)
    if files:
        failures += check_selection(files, find("push button", "Remove"), pyatspi)
    # The two columns are one named pane; the mode menu (named by its choice) lists only
    # modes, no empty entries where its groups divide.
    if not find("split pane", "Workflows and Files"):
        failures.append("no split pane named Workflows and Files")
    mode = find("combo box", "Replace")
    entries = []
    if mode:
        stack = [mode]
        while stack:
            item = stack.pop()
            for i in range(item.childCount):
                child = item.getChildAtIndex(i)
                if child is None:
                    continue
                if child.getRoleName() in ("list item", "menu item", "separator"):
                    entries.append((child.getRoleName(), child.name))
                stack.append(child)
    if not entries or any(role == "separator" or not name for role, name in entries):
        failures.append("the mode menu reads %r" % entries)
    toggle = find("check box", "Case sensitive")
    checked = lambda: toggle.getState().contains(pyatspi.STATE_CHECKED)
    if not toggle or checked():
        return failures + ["no check box named Case sensitive, off"]
    action = toggle.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    if "toggle" not in names:
        return failures + ["the switch offers %r, no toggle action" % names]
    action.doAction(names.index("toggle"))
    if not wait_for(checked, 5):
        failures.append("the switch does not read as on after its toggle action")
    return failures


def main():
    binary = sys.argv[1]
    if not all(map(shutil.which, ("Xvfb", "openbox", "dbus-daemon"))) \
            or not os.access(BUS_LAUNCHER, os.X_OK):
        print("SKIP: Xvfb, openbox, dbus-daemon and at-spi2-core are needed (scripts/setup)")
        return 77
    home = tempfile.TemporaryDirectory(prefix="brisklet-atspi-")
    env = dict(os.environ, HOME=home.name, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    env.pop("QT_QPA_PLATFORM", None)
    for name in ("CONFIG_HOME", "STATE_HOME", "DATA_HOME", "CACHE_HOME", "RUNTIME_DIR"):
        env["XDG_" + name] = os.path.join(home.name, name.lower())
        os.makedirs(env["XDG_" + name], mode=0o700)
    processes = []

    def start(*arguments, **options):
        processes.append(subprocess.Popen(arguments, env=env, start_new_session=True, **options))
        return processes[-1]

    try:
        # Each prints what it is reached by (display number, bus address) once it is ready.
        env["DISPLAY"] = ":" + start("Xvfb", "-displayfd", "1", "-nolisten", "tcp",
                                     stdout=subprocess.PIPE).stdout.readline().decode().strip()
        env["DBUS_SESSION_BUS_ADDRESS"] = start(
            "dbus-daemon", "--session", "--nofork", "--print-address",
            stdout=subprocess.PIPE).stdout.readline().decode().strip()
        start(BUS_LAUNCHER, "--launch-immediately")
        start("openbox", "--sm-disable")
        files = [os.path.join(home.name, name) for name in ("a.txt", "b.txt")]
        for path in files:
            open(path, "w").close()
        start(binary, *files)

        # pyatspi finds the accessibility bus through the session bus it sees at import.
        os.environ.update({key: env[key] for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")})
        try:
            import pyatspi
        except ImportError:
            print("SKIP: python3-pyatspi is needed (scripts/setup)")
            return 77
        desktop = pyatspi.Registry.getDesktop(0)
        app = wait_for(lambda: next((app for app in desktop if app and app.name == "Brisklet"),
                                    None))
        failures = check(app, pyatspi) if app else ["Brisklet is not on the accessibility bus"]
        for failure in failures:
            print("FAIL:", failure)
        return 1 if failures else 0
    finally:
        for process in reversed(processes):
            stop(process)
        home.cleanup()


if __name__ == "__main__":
    sys.exit(main())
