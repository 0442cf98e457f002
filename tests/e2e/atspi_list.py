#!/usr/bin/python3
# Prints the items of the list named NAME in the application with process
# PID, as a screen reader finds them over AT-SPI: one line per item, "* "
# before a selected one, "  " before the others. Exits 1 when there is no
# such list.
#
#   atspi_list.py PID NAME [--described]   (adds "<TAB>DESCRIPTION" to each)
import sys

import pyatspi


def find_list(node, name, depth=0):
    if depth > 30:
        return None
    try:
        if node.getRole() == pyatspi.ROLE_LIST and node.name == name:
            return node
        for i in range(node.childCount):
            found = find_list(node.getChildAtIndex(i), name, depth + 1)
            if found is not None:
                return found
    except Exception:  # an object that went away while we walked
        return None
    return None


def main():
    pid, name = int(sys.argv[1]), sys.argv[2]
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        try:
            if app is None or app.get_process_id() != pid:
                continue
        except Exception:
            continue
        found = find_list(app, name)
        if found is None:
            continue
        for i in range(found.childCount):
            item = found.getChildAtIndex(i)
            selected = item.getState().contains(pyatspi.STATE_SELECTED)
            line = ("* " if selected else "  ") + item.name
            if "--described" in sys.argv[3:]:
                line += "\t" + item.description
            print(line)
        return 0
    return 1


sys.exit(main())
