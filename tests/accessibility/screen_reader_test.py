#!/usr/bin/python3
"""The real executable on the example chart, read through the AT-SPI bus as a
screen reader reads it, then ended by pressing "Exit" through the bus. Run it
on a private display (tests/with-xvfb.sh) inside a private D-Bus session
(dbus-run-session), which starts the accessibility bus, on that display, when
it is first asked for."""
import os
import subprocess
import sys
import time

import pyatspi


def label(caption, rect):
    return (pyatspi.ROLE_LABEL, caption, "", caption, rect)


# Role, name, description, text and place (in the window's pixels) of each
# child of the window, in order. Roles are compared as constants: their names
# change between AT-SPI releases ("push button" became "button").
EXPECTED = [
    (pyatspi.ROLE_PUSH_BUTTON, "Print", "", None, (568, 128, 57, 25)),
    (pyatspi.ROLE_PUSH_BUTTON, "Exit", "", None, (568, 200, 57, 25)),
    (pyatspi.ROLE_IMAGE, "Weekly Output", "5 points, y from 120 to 162", None, (64, 48, 497, 321)),
    label("Weekly Output", (64, 8, 497, 41)), label("Week", (272, 400, 121, 17)), label("Units", (0, 176, 65, 33)),
    *[label(f" {y}", rect) for y, rect in zip(range(169, 112, -7), [
        (16, 40, 41, 25), (8, 80, 49, 25), (24, 120, 33, 25), (16, 160, 41, 25), (16, 200, 41, 25),
        (16, 240, 41, 25), (24, 280, 33, 25), (16, 320, 41, 25), (16, 360, 41, 25)])],
    # lblX2 repeats "W1" and so shows nothing: it is left out.
    *[label(x, rect) for x, rect in [
        ("W1", (16, 376, 81, 17)), ("W2", (176, 376, 65, 17)), ("W3", (256, 376, 65, 17)), ("W4", (328, 376, 57, 17)),
        ("W5, late", (392, 376, 65, 17)), ("W6", (464, 376, 57, 17)), ("W7", (536, 376, 65, 17))]],
]


def window_of(pid):
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid and app.childCount:
                return app[0]
        time.sleep(0.2)
    sys.exit("the viewer's window never appeared on the accessibility bus")


def read(node):
    text = node.queryText().getText(0, -1) if "Text" in pyatspi.listInterfaces(node) else None
    extents = node.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
    return (node.getRole(), node.name, node.description, text,
            (extents.x, extents.y, extents.width, extents.height))


def check(viewer):
    window = window_of(viewer.pid)
    failures = []
    if (window.getRole(), window.name) != (pyatspi.ROLE_FRAME, "Chart Viewer"):
        failures.append(f"the window reads as {window.getRoleName()} {window.name!r}")
    found = [read(child) for child in window]
    if found != EXPECTED:
        failures.append("the window's children read as\n  " + "\n  ".join(map(repr, found)))
    # A caption's text has no selection and no character under a point, and an
    # empty range of it reads as nothing.
    title = window[3].queryText()
    answers = (title.getText(0, 0), title.getNSelections(), title.getOffsetAtPoint(70, 10, pyatspi.WINDOW_COORDS))
    if answers != ("", 0, -1):
        failures.append(f"the title's text answers {answers}")
    exit_button = window[1]
    exit_button.queryAction().doAction(0)
    try:
        status = viewer.wait(30)
        if status != 0:
            failures.append(f"Exit ended the viewer with status {status}")
    except subprocess.TimeoutExpired:
        failures.append("Exit pressed through the bus did not end the viewer")
    return failures


def main(program, example_folder):
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    viewer = subprocess.Popen([program], cwd=example_folder, env=env)
    try:
        failures = check(viewer)
    finally:
        viewer.kill()
        viewer.wait()
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
