#!/usr/bin/python3
"""Prints what a screen reader finds of a running Tavrel through AT-SPI: every window, control,
name, text and action. With --press NAME it first presses the control of that name, as a
screen reader would. Run it through tools/atspi-check."""
import sys
import time

import pyatspi


def walk(node, depth=0):
    try:
        line = "  " * depth + f"{node.getRoleName()}: {node.name!r}"
    except Exception:  # a node that went away while we looked
        return
    try:
        line += f" text={node.queryText().getText(0, -1)!r}"
    except NotImplementedError:
        pass
    try:
        action = node.queryAction()
        line += " actions=" + ",".join(action.getName(i) for i in range(action.nActions))
    except NotImplementedError:
        pass
    print(line)
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1)


def find(node, name):
    if node is None:
        return None
    if node.name == name and node.getRoleName() in ("push button", "button"):
        return node
    for i in range(node.childCount):
        found = find(node.getChildAtIndex(i), name)
        if found is not None:
            return found
    return None


def main():
    desktop = pyatspi.Registry.getDesktop(0)
    apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
    app = next((a for a in apps if a is not None and a.name == "Tavrel"), None)
    if app is None:
        sys.exit("Tavrel is not on the accessibility bus")
    if len(sys.argv) > 2 and sys.argv[1] == "--press":
        target = find(app, sys.argv[2])
        if target is None:
            sys.exit(f"no button named {sys.argv[2]!r}")
        target.queryAction().doAction(0)
        time.sleep(0.5)
    walk(app)


if __name__ == "__main__":
    main()
