#!/usr/bin/python3
# Prints the selected text of the focused text object in the application
# with process PID, as the accessibility bus reports it; exits 1 when there
# is none. Lets a test wait until typed keys have reached an application.
#
#   atspi_selection.py PID
#   atspi_selection.py --text PID   prints the focused object's whole text
#   atspi_selection.py --select-all PID   selects the focused object's whole text
#   atspi_selection.py --active PID   prints the name of the application's active
#                                     window (the one with the keyboard); exits 1
#                                     when none is
import sys

import pyatspi


def focused(node, depth=0):
    if depth > 40:
        return None
    try:
        if node.getState().contains(pyatspi.STATE_FOCUSED):
            return node
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            found = focused(child, depth + 1) if child is not None else None
            if found is not None:
                return found
    except Exception:  # an object that went away while we walked
        return None
    return None


def print_active(app):
    for i in range(app.childCount):
        window = app.getChildAtIndex(i)
        try:
            if window is not None and window.getState().contains(pyatspi.STATE_ACTIVE):
                print(window.name)
                return 0
        except Exception:  # a window that went away while we looked
            continue
    return 1


def main():
    mode = sys.argv[1] if sys.argv[1].startswith("--") else None
    pid = int(sys.argv[-1])
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is None or app.get_process_id() != pid:
                continue
        except Exception:
            continue
        if mode == "--active":
            return print_active(app)
        node = focused(app)
        if node is None:
            return 1
        text = node.queryText()
        if mode == "--text":
            print(text.getText(0, -1))
            return 0
        if mode == "--select-all":
            return 0 if text.addSelection(0, text.characterCount) else 1
        if text.getNSelections() < 1:
            return 1
        start, end = text.getSelection(0)
        print(text.getText(start, end))
        return 0
    return 1


if __name__ == "__main__":
    sys.exit(main())
