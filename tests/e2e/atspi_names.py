#!/usr/bin/python3
# Prints what a screen reader finds in the application with process PID:
# one line per showing object with a name, "ROLE<TAB>NAME", walking every
# window (or only the window named WINDOW).
#
#   atspi_names.py PID [WINDOW]
#   atspi_names.py --press PID NAME   presses the showing button or check box named NAME
#   atspi_names.py --extents PID NAME prints "X Y WIDTH HEIGHT" on the screen
#                                     of the showing object named NAME
#   atspi_names.py --text PID NAME    prints the text the showing object named
#                                     NAME holds
import sys

import pyatspi


def walk(node, depth=0):
    if depth > 40:
        return
    try:
        yield node
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is not None:
                yield from walk(child, depth + 1)
    except Exception:  # an object that went away while we walked
        return


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


BUTTONS = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX)


def main():
    mode = sys.argv[1] if sys.argv[1] in ("--press", "--extents", "--text") else None
    args = sys.argv[2:] if mode else sys.argv[1:]
    app = application(int(args[0]))
    if app is None:
        return 1
    if mode == "--press":
        for node in walk(app):
            if node.getRole() in BUTTONS and node.name == args[1] and showing(node):
                node.queryAction().doAction(0)
                return 0
        return 1
    if mode == "--text":
        for node in walk(app):
            if node.name == args[1] and showing(node):
                try:  # a label may carry the same name as the text it heads
                    text = node.queryText()
                except NotImplementedError:
                    continue
                sys.stdout.write(text.getText(0, -1))
                return 0
        return 1
    if mode == "--extents":
        for node in walk(app):
            if node.name == args[1] and showing(node):
                box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                print(box.x, box.y, box.width, box.height)
                return 0
        return 1
    windows = [app.getChildAtIndex(i) for i in range(app.childCount)]
    if len(args) > 1:
        windows = [w for w in windows if w is not None and w.name == args[1]]
    found = False
    for window in windows:
        if window is None or not showing(window):
            continue
        for node in walk(window):
            if node.name and showing(node):
                print(node.getRoleName() + "\t" + node.name)
                found = True
    return 0 if found else 1


sys.exit(main())
