#!/usr/bin/python3
"""Reads the Terrabook window's template over the accessibility bus, from
outside the program, as a screen reader does: finds the window's document,
prints its text and the caret's offset, presses keys with xdotool and
prints the caret events heard and where the caret then is.

    /usr/bin/python3 scripts/a11y-read.py [KEY ...]

Run it on the display and session bus the program runs on (scripts/a11y-check.sh
sets both up). Exits 1 when the document cannot be found or read, or when
the keys moved the caret without an event telling where to.
"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

APP_NAME = "terrabook"
DOCUMENT_NAME = "Template"


def find_app(timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and APP_NAME in (app.name or "").lower():
                return app
        time.sleep(0.2)
    return None


def find_document(node, depth=0):
    """The window's text document: the object named Template with a text interface."""
    if node is None or depth > 40:
        return None
    try:
        if node.name == DOCUMENT_NAME and "Text" in pyatspi.listInterfaces(node):
            return node
        for i in range(node.childCount):
            found = find_document(node.getChildAtIndex(i), depth + 1)
            if found is not None:
                return found
    except Exception:  # an object that went while it was asked
        return None
    return None


def show(label, doc, whole=False):
    body = doc.queryText()
    count = body.characterCount
    caret = body.caretOffset
    line = body.getTextAtOffset(caret, pyatspi.TEXT_BOUNDARY_LINE_START)
    print(f"{label}: characters={count} caret={caret}")
    print(f"{label}: line at caret [{line[1]}, {line[2]}) = {line[0]!r}")
    if whole:
        print(f"{label}: text (first 300 characters):")
        print(body.getText(0, min(300, count)))
        for i in range(doc.childCount):
            child = doc.getChildAtIndex(i)
            extra = ""
            if child.getRoleName() == "table":
                table = child.queryTable()
                extra = f" rows={table.nRows} columns={table.nColumns}"
            elif child.description:
                extra = f" description={child.description!r}"
            print(f"{label}: child {i}: role={child.getRoleName()} name={child.name!r}{extra}")
    return caret


def main(keys):
    app = find_app(30)
    if app is None:
        print("a11y-read: no application named terrabook on the accessibility bus", file=sys.stderr)
        return 1
    doc = None
    deadline = time.time() + 20
    while doc is None and time.time() < deadline:
        doc = find_document(app)
        if doc is None:
            time.sleep(0.3)
    if doc is None:
        print("a11y-read: the window shows no document named Template", file=sys.stderr)
        return 1
    states = doc.getState()
    print(f"document: role={doc.getRoleName()} editable={states.contains(pyatspi.STATE_EDITABLE)} "
          f"children={doc.childCount}")
    body = doc.queryText()
    show("before keys", doc, whole=True)

    heard = []

    def on_event(event):
        heard.append((event.type, event.detail1))

    pyatspi.Registry.registerEventListener(on_event, "object:text-caret-moved", "object:text-changed")

    def press():
        for key in keys:
            subprocess.run(["xdotool", "key", key], check=False)
            time.sleep(0.3)
        return False

    GLib.timeout_add(500, press)
    GLib.timeout_add(int(os.environ.get("A11Y_READ_WAIT_MS", "1500")) + 400 * len(keys),
                     lambda: pyatspi.Registry.stop() or False)
    pyatspi.Registry.start()
    caret_events = [d for t, d in heard if t == "object:text-caret-moved"]
    print(f"events heard: {len(heard)}; caret moves to {caret_events}")
    caret = show("after keys", doc, whole=os.environ.get("A11Y_READ_WHOLE") == "1")
    if body.characterCount == 0 or not caret_events or caret != caret_events[-1]:
        print("a11y-read: the caret was not followed over the bus", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
