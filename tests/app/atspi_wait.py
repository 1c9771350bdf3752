"""What the AT-SPI tests share: waiting on the game through the accessibility bus.

AT-SPI events reach a client only while its GLib main context runs, and the library caches what
it has read of an object until an event says it changed; so a test waits by pumping that context,
and reads a name that changes with each exercise afresh.
"""
import time

from gi.repository import GLib


def pump(seconds):
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < deadline:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def wait_for(what, timeout=60.0):
    """Polls until what() gives something, within generous bounds: the game may start slowly
    under the sanitizers on a busy machine."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = what()
        if found:
            return found
        pump(0.1)


def fresh_name(node):
    """The name the game gives now, not the one the cache kept from an earlier event."""
    node.clear_cache()
    return node.name


def the_window(registry):
    for app in registry.getDesktop(0):
        for child in app or ():
            if child is not None and child.name.startswith("Quorvel - "):
                return child
