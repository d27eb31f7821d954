#!/usr/bin/python3
"""Walks the window's accessibility tree as a screen reader does, over
AT-SPI, and checks what it would read out.

    atspi_walk.py APPLICATION_NAME

The window must be showing (orbek_window_driver --idle) with a port that
opens. Checks the names and roles of the controls, the labels of the three
lists, presses Connect through its action and checks that the button is
then named Disconnect; then presses Receive and listens, as a screen reader
does, for the transfer's start, a count of readings and its end, and reads
the statistics' numbers. Exit 0 when all holds; otherwise prints each
problem.
"""
import sys
import time

import pyatspi
from gi.repository import GLib

problems = []


def expect(condition, message):
    if not condition:
        problems.append(message)


def find_application(name, timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def descendants(node):
    """Every object below `node`, but not a table's cells: 5001 rows of them
    cost a bus round trip each."""
    for child in node:
        if child is None:
            continue
        yield child
        if child.getRole() not in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE):
            yield from descendants(child)


def by_name(app, role, name):
    return [n for n in descendants(app) if n.getRole() == role and n.name == name]


def wait_for(check, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        if check():
            return True
        time.sleep(0.1)
    return False


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press") if "Press" in names else 0)


def hear_transfer(app, timeout=40):
    """Presses Receive and collects every name change until the transfer's
    end is said."""
    heard = []

    def on_name(event):
        name = event.any_data if isinstance(event.any_data, str) else event.source.name
        heard.append(name)
        if name.startswith("Transfer ended"):
            pyatspi.Registry.stop()

    pyatspi.Registry.registerEventListener(on_name, "object:property-change:accessible-name")
    receive = by_name(app, pyatspi.ROLE_PUSH_BUTTON, "Receive")
    expect(receive, "no Receive button")
    if not receive:
        return heard
    GLib.timeout_add(200, lambda: press(receive[0]) and False)
    GLib.timeout_add(timeout * 1000, lambda: pyatspi.Registry.stop() and False)
    pyatspi.Registry.start()
    pyatspi.Registry.deregisterEventListener(on_name, "object:property-change:accessible-name")
    return heard


def main():
    app = find_application(sys.argv[1])
    if app is None:
        print(f"no application {sys.argv[1]!r} on the accessibility bus")
        return 1
    dialogs = [n for n in descendants(app) if n.getRole() == pyatspi.ROLE_DIALOG]
    expect([d.name for d in dialogs] == ["Orbek"], f"dialogs {[d.name for d in dialogs]}")
    for name in ("Search for ports", "Connect", "Receive", "Save as Excel", "Graph"):
        expect(len(by_name(app, pyatspi.ROLE_PUSH_BUTTON, name)) == 1, f"no button {name!r}")
    expect(by_name(app, pyatspi.ROLE_TABLE, "Readings"), "no table named Readings")
    lists = [n for n in descendants(app) if n.getRole() == pyatspi.ROLE_COMBO_BOX]
    labels = set()
    for box in lists:
        for relation in box.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                labels |= {relation.getTarget(i).name for i in range(relation.getNTargets())}
    expect(labels == {"Communication Port", "Baud Rate", "Interval Recording"},
           f"lists labelled by {sorted(labels)}")
    connect = by_name(app, pyatspi.ROLE_PUSH_BUTTON, "Connect")
    if connect:
        press(connect[0])
        expect(wait_for(lambda: connect[0].name == "Disconnect"),
               f"after Connect the button is named {connect[0].name!r}")
        heard = hear_transfer(app)
        expect("Transfer started" in heard, f"the start was not said: {heard}")
        expect(any(h.startswith("Transfer ended: ") for h in heard), f"the end was not said: {heard}")
        statistics = [n for n in descendants(app) if n.getRole() == pyatspi.ROLE_LABEL
                      and n.name.startswith("Statistics: Transfer (n ")]
        expect(statistics, "the statistics' numbers cannot be read")
    for problem in problems:
        print(problem)
    print(f"{len(list(descendants(app)))} accessible objects walked")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
