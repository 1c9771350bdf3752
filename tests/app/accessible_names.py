#!/usr/bin/python3
"""What a screen reader finds in the running game: walks the window's accessibility tree over
AT-SPI, checks every control's Italian name and role, that the answer box has the focus and takes
text, and that a verdict is announced when it appears.

Run on an X server with a session bus of its own (run-under-xvfb.sh):
    accessible_names.py PATH-TO-QUORVEL
"""
import os
import subprocess
import sys

program = sys.argv[1]
failures = []


def fail(message):
    failures.append(message)
    print("FAIL", message)


from atspi_wait import the_window, wait_for  # noqa: E402
from gi.repository import Gio, GLib  # noqa: E402


def accessibility_bus_up():
    reply = Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
        "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        GLib.Variant("(s)", ("org.a11y.Bus",)), GLib.VariantType("(b)"),
        Gio.DBusCallFlags.NONE, -1, None)
    return reply.unpack()[0]


# The accessibility bus must be there before pyatspi connects to it.
bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
if not wait_for(accessibility_bus_up, timeout=60):
    print("FAIL the accessibility bus did not start")
    bus.terminate()
    sys.exit(1)

import pyatspi  # noqa: E402


game = subprocess.Popen([program], env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))


def showing(node):
    """Every control a pupil can see, depth first."""
    for child in node:
        if child is None or not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        yield child
        yield from showing(child)


try:
    window = wait_for(lambda: the_window(pyatspi.Registry))
    if window is None:
        fail("the game's window does not appear on the accessibility bus")
        sys.exit(1)
    # The first exercise is drawn at the first activation; its answer box then has the focus.
    wait_for(lambda: any(node.getRoleName() == "text" and node.name == "Risposta"
                         and node.getState().contains(pyatspi.STATE_FOCUSED)
                         for node in showing(window)))

    # Roles by their constants: their names change between AT-SPI releases ("push button" became
    # "button" in at-spi2-core 2.56).
    TEXT, BUTTON, LABEL = pyatspi.ROLE_TEXT, pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_LABEL
    expected = [(TEXT, "Risposta"), (BUTTON, "Nuovo calcolo"), (BUTTON, "Esci")]
    expected += [(LABEL, "Esito"), (pyatspi.ROLE_MENU_ITEM, "INFORMAZIONI")]
    expected += [(pyatspi.ROLE_MENU_ITEM, "nuovo")]
    # The score labels tell what they count; the answer box and the buttons, what they do.
    described = {"Risposta", "Nuovo calcolo", "Esci"}
    for kind in ("esatte", "errate", "totali"):
        expected += [(LABEL, f"Risposte {kind}"), (LABEL, f"Risposte {kind}: 0")]
        described.add(f"Risposte {kind}: 0")
    seen = {}
    for node in showing(window):
        role, name = node.getRole(), node.name
        seen[(role, name)] = node
        containers = (pyatspi.ROLE_FILLER, pyatspi.ROLE_PANEL, pyatspi.ROLE_MENU_BAR)
        if role in containers and node.childCount:
            continue  # containers: what counts is inside
        if not name.strip():
            fail(f"a {node.getRoleName()} has no name")
    for role, name in expected:
        node = seen.get((role, name))
        if node is None:
            found = sorted((str(r), n) for (r, n) in seen)
            fail(f"no {role} named {name!r}; seen: {found}")
        elif name in described and not node.description.strip():
            fail(f"{node.getRoleName()} {name!r} has no description")
    if not any(r == pyatspi.ROLE_IMAGE and n.startswith("Abaco: migliaia ") for (r, n) in seen):
        fail("the abacus does not tell its beads")

    answer_box = seen.get((TEXT, "Risposta"))
    for state, what in ((pyatspi.STATE_FOCUSED, "focused"), (pyatspi.STATE_EDITABLE, "editable")):
        if answer_box is not None and not answer_box.getState().contains(state):
            fail(f"the answer box is not {what}")

    # A wrong answer: the verdict is announced as soon as it appears.
    announced = []
    pyatspi.Registry.registerEventListener(
        lambda event: announced.append(event.source.name), "object:property-change:accessible-name"
    )
    subprocess.run(["xdotool", "type", "--delay", "30", "x"], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    verdicts = wait_for(lambda: [n for n in announced if n.startswith("Esito: ")])
    if not verdicts:
        fail(f"no verdict announced; names changed: {announced}")
    else:
        print("ok   verdict announced:", verdicts[0])
        verdict = seen.get((LABEL, "Esito"))
        if verdict is not None and verdict.description != verdicts[-1][len("Esito: "):]:
            fail(f"the verdict's description {verdict.description!r} is not its text")
    if not failures:
        print("ok   every control has its Italian name and role")
finally:
    game.terminate()
    game.wait()
    bus.terminate()
    bus.wait()
sys.exit(1 if failures else 0)
