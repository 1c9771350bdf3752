#!/usr/bin/python3
"""The game as a blind pupil plays it: the real Orca reads it in Italian, its words written to a
file by a speech-dispatcher output module of our own instead of a sound card. Keys only; what
Orca says is checked at start, after a wrong answer, after a right one, at the next exercise and
after No. On the way, every control's Italian name and role in the accessibility tree.

Run on an X server with a session bus of its own (run-under-xvfb.sh):
    screen_reader.py PATH-TO-QUORVEL
As root it runs itself as nobody: Orca refuses to share a user with another Orca.
"""
import fcntl
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

program = os.path.abspath(sys.argv[1])
here = os.path.abspath(__file__)


def one_orca_at_a_time(user):
    """Orca refuses to share a user with another Orca: another run of this test on the machine,
    as the same user, finishes first. The lock goes with this process."""
    lock = open(f"/tmp/quorvel-orca-{user}.lock", "a")
    fcntl.flock(lock, fcntl.LOCK_EX)
    return lock


if os.getuid() == 0 and "QUORVEL_SR_HOME" not in os.environ:
    lock = one_orca_at_a_time("nobody")
    home = tempfile.mkdtemp(prefix="quorvel-orca-")
    shutil.chown(home, "nobody", "nogroup")
    env = {k: os.environ[k] for k in ("DISPLAY", "PATH") if k in os.environ}
    env.update(QUORVEL_SR_HOME=home, HOME=home)
    result = subprocess.run(["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                             "dbus-run-session", "--", sys.executable, here, program], env=env)
    shutil.rmtree(home, ignore_errors=True)
    sys.exit(result.returncode)

if "QUORVEL_SR_HOME" not in os.environ:
    lock = one_orca_at_a_time(os.getuid())
home = os.environ.get("QUORVEL_SR_HOME") or tempfile.mkdtemp(prefix="quorvel-orca-")
os.environ.update(HOME=home, XDG_CONFIG_HOME=f"{home}/config", XDG_RUNTIME_DIR=f"{home}/run",
                  XDG_DATA_HOME=f"{home}/data", XDG_CACHE_HOME=f"{home}/cache")
for d in ("config/speech-dispatcher/modules", "run", "data", "cache", "locale"):
    os.makedirs(f"{home}/{d}", mode=0o700, exist_ok=True)

# Italian, generated privately where the machine lacks it.
if "it_IT.utf8" not in subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout:
    subprocess.run(["localedef", "-i", "it_IT", "-f", "UTF-8", f"{home}/locale/it_IT.UTF-8"],
                   check=True)
    os.environ["LOCPATH"] = f"{home}/locale"
os.environ.update(LANG="it_IT.UTF-8", LC_ALL="it_IT.UTF-8", LANGUAGE="it")

# Speech goes to a file, one utterance a line.
spoken = f"{home}/spoken.log"
open(spoken, "w").close()
with open(f"{home}/config/speech-dispatcher/speechd.conf", "w") as f:
    f.write('AddModule "log" "sd_generic" "log.conf"\nDefaultModule log\n'
            'LanguageDefaultModule "it" "log"\n'
            # The module insists on opening a sound device: ALSA's null device takes it all.
            'AudioOutputMethod "alsa"\nAudioALSADevice "null"\n')
with open(f"{home}/config/speech-dispatcher/modules/log.conf", "w") as f:
    f.write(f'GenericExecuteSynth "printf \'%s\\\\n\' \\\'$DATA\\\' >> {spoken}"\n'
            'AddVoice "it" "MALE1" "it"\nGenericLanguage "it" "it" "utf-8"\n')

failures = []


def fail(message):
    failures.append(message)
    print("FAIL", message)


def said():
    with open(spoken, encoding="utf-8", errors="replace") as f:
        return f.read()


children = []


def start(command, **kw):
    children.append(subprocess.Popen(command, **kw))
    return children[-1]


bus = start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
wm_ready = f"{home}/wm-ready"
start(["openbox", "--sm-disable", "--startup", f"touch {wm_ready}"], stderr=subprocess.DEVNULL)
import pyatspi  # noqa: E402
from gi.repository import GLib  # noqa: E402


def wait_for(what, timeout=60.0):
    """Polls until what() gives something, within generous bounds (the game may start slowly
    under the sanitizers on a busy machine). AT-SPI events reach us only while GLib's main
    context runs, so it turns meanwhile."""
    deadline = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while time.monotonic() < deadline:
        found = what()
        if found:
            return found
        while context.pending():
            context.iteration(False)
        time.sleep(0.1)


def fresh_name(node):
    """The name the game gives now, not the one AT-SPI's cache kept from an earlier event."""
    node.clear_cache()
    return node.name


def the_window():
    for app in pyatspi.Registry.getDesktop(0):
        for child in app or ():
            if child is not None and child.name.startswith("Quorvel - "):
                return child


orca = start(["orca"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def key(*names, how="key"):
    subprocess.run(["xdotool", how, "--delay", "60", *names], check=True)


def find(root, role, prefix):
    return root and pyatspi.findDescendant(
        root, lambda node: node.getRole() == role and node.name.startswith(prefix))


def the_number(window):
    """The number as the abacus's beads say it, rod by rod."""
    abacus = find(window, pyatspi.ROLE_IMAGE, "Abaco")
    reading = fresh_name(abacus) if abacus else ""
    counts = re.findall(r"(migliaia|centinaia|decine|unità) (\d)", reading)
    if len(counts) != 4:
        return None
    return int("".join(d for _, d in counts))


def menu_bar_entered(window):
    bar = find(window, pyatspi.ROLE_MENU_BAR, "")
    for item in bar or ():
        if item is not None:
            item.clear_cache()
            states = item.getState()
            if states.contains(pyatspi.STATE_SELECTED) or states.contains(pyatspi.STATE_FOCUSED):
                return True
    return False


class Step:
    """What Orca says from here on."""

    def __init__(self, name):
        self.name, self.start = name, len(said())

    def words(self):
        return said()[self.start:]

    # Generous: on a loaded machine Orca, a Python program, can fall many seconds behind.
    def expect(self, pattern, what, timeout=45.0):
        if wait_for(lambda: re.search(pattern, self.words(), re.M), timeout):
            return True
        fail(f"{self.name}: {what} not spoken; Orca said {self.words()!r}")
        return False


try:
    if not wait_for(lambda: os.path.exists(wm_ready)):
        fail("openbox did not start")
    if not wait_for(lambda: "\n" in said(), timeout=60):
        fail("Orca says nothing (no speech reached the log; another Orca as this user?)")
        sys.exit(1)
    step = Step("start")
    game = start([program])
    window = wait_for(the_window)
    step.expect(r"Risposta", "the answer box")

    number = wait_for(lambda: the_number(window), timeout=30)
    if number is None:
        fail("the abacus does not tell its beads")
        number = 0
    boxes = [n.name for n in pyatspi.findAllDescendants(
        window, lambda node: node.getRole() == pyatspi.ROLE_TEXT)]
    if boxes != ["Risposta"]:
        fail(f"text boxes in the accessibility tree: {boxes} (the hidden ones hold the answer)")

    # Every control a pupil sees has a name; these have their Italian one, and a description of
    # what they do or count. Roles by their constants: their names change between AT-SPI releases.
    BUTTON, LABEL, ITEM = pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_LABEL, pyatspi.ROLE_MENU_ITEM
    described = [(pyatspi.ROLE_TEXT, "Risposta"), (BUTTON, "Nuovo calcolo"), (BUTTON, "Esci")]
    described += [(LABEL, f"Risposte {kind}: 0") for kind in ("esatte", "errate", "totali")]
    named = [(LABEL, "Esito"), (ITEM, "INFORMAZIONI"), (ITEM, "nuovo")]
    named += [(LABEL, f"Risposte {kind}") for kind in ("esatte", "errate", "totali")]
    seen = {}

    def showing(node):
        for child in node:
            if child is not None and child.getState().contains(pyatspi.STATE_SHOWING):
                seen[(child.getRole(), child.name)] = child
                containers = (pyatspi.ROLE_FILLER, pyatspi.ROLE_PANEL, pyatspi.ROLE_MENU_BAR)
                if not child.name.strip() and not (child.getRole() in containers
                                                   and child.childCount):
                    fail(f"a {child.getRoleName()} has no name")
                showing(child)

    showing(window)
    for role, name in named + described:
        if (role, name) not in seen:
            fail(f"no {role} named {name!r}; seen: {sorted((str(r), n) for r, n in seen)}")
        elif (role, name) in described and not seen[(role, name)].description.strip():
            fail(f"{role} {name!r} has no description")
    verdict_label = seen.get((LABEL, "Esito"))

    def answer(typed, word, verdict, what):
        """Types an answer and Enter, then Enter again: the verdict, once, then the answer box."""
        step = Step(f"a {what} answer, Enter")
        key(str(typed), how="type")
        key("Return")
        step.expect(verdict, f"the {what} verdict")
        # Named and described by its text, which is wider than its box.
        label = verdict_label
        if label and not re.match(f"Esito: {verdict}", fresh_name(label) or ""):
            fail(f"the verdict label is named {label.name!r}")
        if label and not re.match(verdict, label.description or ""):
            fail(f"the verdict label is described as {label.description!r}")
        next_step = Step("Enter (next exercise)")
        key("Return")
        next_step.expect(r"Risposta", "the answer box")
        if step.words().count(word) != 1:
            fail(f"the {what} verdict is not spoken once: {step.words()!r}")

    answer((number + 1) % 10000, "Sbagliato", rf"Sbagliato.*\b{number}\b", "wrong")
    answer(the_number(window) or 0, "Esatto", r"Esatto", "right")

    # The question opened by keys, answered No (its default): the keyboard is back in the answer
    # box, and digits typed reach it. Each key once Orca has said where it went: keys run through
    # Orca before the game.
    answer_box = find(window, pyatspi.ROLE_TEXT, "Risposta")
    step = Step("menu nuovo, No")
    key("alt")
    if not wait_for(lambda: menu_bar_entered(window), timeout=20):
        # On a loaded machine the lone Alt at times reaches the game as no lone Alt (Orca passes
        # each key on): once more, as a pupil would press it again.
        key("alt")
    step.expect(r"INFORMAZIONI", "the menu bar")
    key("Right")
    step.expect(r"nuovo", "the menu's entry")
    key("Return")
    # Orca reads the question's box, or at times only its default button.
    if step.expect(r"NUOVA GARA|^No\b", "the question"):
        question_end = len(step.words())
        key("Return")
        if not wait_for(lambda: "Risposta" in step.words()[question_end:], timeout=45):
            fail(f"{step.name}: the answer box is not announced after No: "
                 f"{step.words()[question_end:]!r}")
        typed = "12"
        key(typed, how="type")
        text = answer_box.queryText() if answer_box else None
        if not wait_for(lambda: text and text.getText(0, -1).endswith(typed), timeout=30):
            fail(f"{step.name}: digits typed after No do not reach the answer box")
    if not failures:
        print("ok   every control named; Orca says the verdict, each exercise, the focus after No")
finally:
    for process in reversed(children):
        process.terminate()
    for process in reversed(children):
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
    # Orca's client spawned the speech server on its own.
    try:
        with open(f"{home}/run/speech-dispatcher/pid/speech-dispatcher.pid") as f:
            os.kill(int(f.read().split()[0]), 15)
    except (OSError, ValueError, IndexError):
        pass
    if "QUORVEL_SR_HOME" not in os.environ:
        shutil.rmtree(home, ignore_errors=True)
sys.exit(1 if failures else 0)
