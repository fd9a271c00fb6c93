#!/usr/bin/python3
"""Drives a running Tavrel's Studies window as a screen-reader user would: reads it through
AT-SPI, and types into it with xdotool. Opened on DIR/in.csv, it reads the computed cells and
compares them with tavrel-batch's, edits a cell, pastes a block (from the clipboard xclip
holds), undoes the paste, saves the project and exports the results, each through the
window's own commands, then quits. check_studies_window compares what it wrote.
    studies_atspi.py DIR TAVREL_BATCH"""
import csv
import subprocess
import sys
import threading
import time

import pyatspi

DIR, BATCH = sys.argv[1], sys.argv[2]
TITLE = "in.csv — Tavrel"


def fail(why):
    sys.exit(f"FAIL: {why}")


def wait(what, test, seconds=60):
    end = time.time() + seconds
    while time.time() < end:
        try:
            found = test()
        except Exception:  # a node that went away while we looked
            found = None
        if found:
            return found
        time.sleep(0.2)
    fail(f"timed out waiting for {what}")


def find(node, test):
    if node is None:
        return None
    try:
        if test(node):
            return node
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return None
    for child in children:
        found = find(child, test)
        if found is not None:
            return found
    return None


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
    return next((a for a in apps if a is not None and a.name == "Tavrel"), None)


def keys(*names, window="— Tavrel$"):
    """Types `names` into the window whose title matches `window`, or where the focus is."""
    found = subprocess.run(["xdotool", "search", "--name", window], capture_output=True,
                           text=True).stdout.split() if window else []
    if found:
        subprocess.run(["xdotool", "windowfocus", "--sync", found[0]], check=False)
    for name in names:
        subprocess.run(["xdotool", "key", "--delay", "40", name], check=True)
        time.sleep(0.2)


def press(node):
    try:
        node.queryAction().doAction(0)
    except Exception:  # no reply while the dialog it opened is up
        pass


def click(node):
    x, y, width, height = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2), "click",
                    "1"], check=True)
    time.sleep(0.3)


class Table:
    """The Studies table, through AT-SPI's table interface."""

    def __init__(self, node):
        self.node = node
        self.cells = node.queryTable()

    def columns(self):
        return [self.cells.getColumnDescription(c) for c in range(self.cells.nColumns)]

    def rows(self):
        return self.cells.nRows

    def cell(self, row, column):
        return self.cells.getAccessibleAt(row, self.columns().index(column))

    def text(self, row, column):
        return self.cell(row, column).name


def main():
    app = wait("Tavrel on the accessibility bus", application)
    frame = wait("the Studies window", lambda: find(app, lambda n: n.getRoleName() == "frame"
                                                   and n.name == TITLE))
    table = Table(wait("its table", lambda: find(frame, lambda n: n.getRoleName() == "table"
                                                 and n.name == "Studies")))
    wait("the pooling's columns", lambda: table.text(0, "weight") != "")

    # The computed cells are tavrel-batch's.
    out = subprocess.run([BATCH, "--meta", f"{DIR}/in.csv"], capture_output=True, text=True).stdout
    expected = list(csv.DictReader(out.splitlines()))
    for row, values in enumerate(expected):
        for column in ("hedges_g", "vi", "consistency", "weight", "cooks_distance"):
            if table.text(row, column) != values[column]:
                fail(f"row {row + 1}'s {column}: {table.text(row, column)!r}, "
                     f"tavrel-batch {values[column]!r}")

    # An edit: the cell found where the screen reader says it is, chosen, and typed over.
    click(table.cell(1, "m1"))
    keys("1", "0", "1", "Return")
    wait("the edited cell", lambda: table.text(1, "m1") == "101")
    wait("its row computed again", lambda: table.text(1, "hedges_g") != expected[1]["hedges_g"])

    # A paste of a block with a header and a decimal comma, then undone in one step.
    rows = table.rows()
    keys("ctrl+v")
    wait("the pasted row", lambda: table.rows() == rows + 1)
    if table.text(rows, "m1") != "99.5" or table.text(rows, "study") != "Diaz":
        fail(f"the pasted row reads {table.text(rows, 'study')!r}, {table.text(rows, 'm1')!r}")
    keys("ctrl+z")
    wait("the paste undone", lambda: table.rows() == rows)

    # Saved through Save As, offered beside the table with the project's extension.
    keys("ctrl+s")
    wait("the save dialog", lambda: find(app, lambda n: n.getRoleName() == "dialog"))
    time.sleep(0.5)
    keys("Return", window=None)
    wait("the title without its modified mark",
         lambda: find(app, lambda n: n.getRoleName() == "frame" and n.name == "in.tavrel — Tavrel"))

    # Export Results, from the File menu's item as a screen reader presses it.
    item = wait("Export Results in the menu", lambda: find(
        frame, lambda n: n.getRoleName() == "menu item" and n.name == "Export Results…"))
    # The press opens a modal dialog, and its reply comes only once the dialog has gone.
    threading.Thread(target=press, args=(item,), daemon=True).start()
    wait("the export dialog", lambda: find(app, lambda n: n.getRoleName() == "dialog"))
    time.sleep(0.5)
    keys("Return", window=None)
    wait("the exported forest plot", lambda: subprocess.run(
        ["test", "-s", f"{DIR}/in-results-forest.svg"]).returncode == 0)
    keys("ctrl+q")
    print("driven: computed cells read, a cell edited, a block pasted and undone, saved, exported")


if __name__ == "__main__":
    main()
