#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A blind player's session, heard through the screen reader itself.

Starts a private X server with a window manager, a session bus, the
accessibility bus and Orca (speech going to speech-dispatcher's silent
module), then plays Korvex by keys alone, deciding every move from what Orca
says: the faces after R, the subtotal after a die key, the total and round
after D, a bust's message, a valuation changed in a choice list, the win, and
ten Tabs that never reach a test button while the window hides them, and
a practice position answered.

Usage: orca_session.py path/to/korvex
Exit status 0 passed, 1 failed, 77 skipped (a tool is missing).
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TOOLS = ["Xvfb", "openbox", "dbus-daemon", "xdotool", "orca"]
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"

# Orca writes its debug log through a buffered file; this launcher makes every
# line reach the disk at once, so what was said can be read right after a key.
ORCA_LAUNCHER = r"""
import runpy, sys
import orca.debug as debug
_println = debug.println
def println(*args, **kwargs):
    _println(*args, **kwargs)
    if debug.debugFile:
        debug.debugFile.flush()
debug.println = println
sys.argv = ["orca"] + sys.argv[1:]
runpy.run_path("/usr/bin/orca", run_name="__main__")
"""

SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*?)'\s*\{")


class Failure(Exception):
    pass


class Session:
    def __init__(self, exe):
        self.exe = exe
        self.work = tempfile.mkdtemp(prefix="korvex-orca.")
        self.procs = []
        self.log = os.path.join(self.work, "orca.log")
        self.read_at = 0
        self.heard = []  # everything said, in order, for the report
        self.pending = []  # said but not yet heard by the test
        self.env = dict(os.environ)
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS"):
            self.env.pop(name, None)
        home = os.path.join(self.work, "home")
        config = os.path.join(home, ".config")
        os.makedirs(os.path.join(config, "speech-dispatcher"))
        with open(os.path.join(config, "speech-dispatcher", "speechd.conf"), "w") as f:
            f.write('AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\n')
        runtime = os.path.join(self.work, "run")
        os.makedirs(runtime, mode=0o700)
        self.env.update(HOME=home, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=runtime,
                        XDG_DATA_HOME=os.path.join(home, ".local", "share"))

    # --- processes

    def start(self, args, **kw):
        p = subprocess.Popen(args, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                             start_new_session=True, **kw)
        self.procs.append(p)
        return p

    def stop(self):
        for p in reversed(self.procs):
            try:
                os.killpg(p.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + 5
        for p in self.procs:
            try:
                p.wait(max(0.1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                os.killpg(p.pid, signal.SIGKILL)
        shutil.rmtree(self.work, ignore_errors=True)

    def up(self):
        r, w = os.pipe()
        self.start(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                   pass_fds=(w,))
        os.close(w)
        display = b""
        deadline = time.monotonic() + 15
        while not display.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(r, 16)
            if not chunk:
                break
            display += chunk
        os.close(r)
        if not display.strip():
            raise Failure("Xvfb did not start")
        self.env["DISPLAY"] = ":" + display.decode().strip()

        bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             env=self.env, capture_output=True, text=True, timeout=15, check=True)
        address, pid = bus.stdout.split()[:2]
        self.bus_pid = int(pid)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.start([BUS_LAUNCHER, "--launch-immediately"])
        self.start(["openbox"])
        launcher = os.path.join(self.work, "orca_launcher.py")
        with open(launcher, "w") as f:
            f.write(ORCA_LAUNCHER)
        self.start(["/usr/bin/python3", launcher, "--debug-file=" + self.log], cwd=self.work)
        self.expect(r"^Screen reader on", timeout=30)

        game = os.path.join(self.work, "game")
        os.makedirs(game)
        shutil.copy(self.exe, game)
        rules = os.path.join(os.path.dirname(self.exe), "KVXRules.rtf")
        if os.path.exists(rules):
            shutil.copy(rules, game)
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.env["QT_QPA_PLATFORM"] = "xcb"
        self.game = self.start([os.path.join(game, os.path.basename(self.exe))], cwd=game)

    # --- listening

    def listen(self):
        """Reads what Orca said since the last read into the queue of things to hear."""
        try:
            with open(self.log, "rb") as f:
                f.seek(self.read_at)
                chunk = f.read()
        except FileNotFoundError:
            return
        end = chunk.rfind(b"\n") + 1
        self.read_at += end
        out = SPOKEN.findall(chunk[:end].decode("utf-8", "replace"))
        self.heard.extend(out)
        self.pending.extend(out)

    def said(self):
        """The utterances not heard yet."""
        self.listen()
        out, self.pending = self.pending, []
        return out

    def expect(self, pattern, timeout=30.0):
        """Waits until Orca says something matching pattern; returns the match.
        What was said before it is passed over, what came after it is kept."""
        rx = re.compile(pattern)
        deadline = time.monotonic() + timeout
        seen = []
        while True:
            self.listen()
            while self.pending:
                line = self.pending.pop(0)
                seen.append(line)
                m = rx.search(line)
                if m:
                    return m
            if time.monotonic() >= deadline or self.game_ended():
                break
            time.sleep(0.05)
        raise Failure("expected %r, heard %r" % (pattern, seen))

    def quiet(self):
        """Forgets what was said so far."""
        time.sleep(0.2)
        self.said()

    def key(self, *keys):
        for k in keys:
            subprocess.run(["xdotool", "key", "--clearmodifiers", k], env=self.env, check=True, timeout=10)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "30", text], env=self.env, check=True, timeout=10)

    def window(self):
        found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Korvex$"],
                               env=self.env, capture_output=True, text=True, timeout=30).stdout.split()
        if not found:
            raise Failure("no window titled Korvex appeared")
        return found[0]

    def wait_for_game(self):
        """Waits for the game's first words: Start, which has the focus."""
        wid = self.window()
        for _ in range(3):
            try:
                self.expect(r"^Start push button", timeout=20)
                return
            except Failure:
                # The window came up before the screen reader followed it:
                # activating it again tells it where the focus is.
                subprocess.run(["xdotool", "windowactivate", wid], env=self.env, timeout=10)
        raise Failure("the screen reader never named the focused Start button")

    def tab_to(self, pattern, most):
        """Tabs until the control Orca names matches pattern."""
        self.quiet()
        names = []
        for _ in range(most):
            self.key("Tab")
            name = self.expect(r"(push|radio) button").string
            names.append(name)
            if re.search(pattern, name):
                return
        raise Failure("%d Tabs never reached %r: %r" % (most, pattern, names))

    def open_menu(self, keys, first):
        """Opens a menu by its Alt key, again if the key went by before the
        window took it, until Orca names the menu's first entry."""
        for _ in range(3):
            self.quiet()
            self.key(keys)
            try:
                self.expect(first, timeout=5)
                return
            except Failure:
                self.key("Escape")
        raise Failure("%s never opened a menu" % keys)

    def game_ended(self):
        return hasattr(self, "game") and self.game.poll() is not None

    # --- playing by ear

    def roll(self):
        """R; returns the faces heard, by die number, and whether the roll was a bust."""
        self.quiet()
        self.key("r")
        m = self.expect(r"^notification (?:Hot dice, all six roll again\. )?Rolled (?:(?:dice|die) ([\d, ]+): )?([\d, ]+)\.$")
        dice = [int(d) for d in m.group(1).split(", ")] if m.group(1) else list(range(1, 7))
        faces = dict(zip(dice, (int(f) for f in m.group(2).split(", "))))
        counts = {f: list(faces.values()).count(f) for f in set(faces.values())}
        bust = 1 not in counts and 5 not in counts and max(counts.values()) < 3
        return faces, bust

    def scoring_roll(self, new_game_on_bust=False):
        """Rolls a new round until a roll scores; a bust on the way is heard
        out, and then, when asked, the game is begun again so its total stays 0."""
        for _ in range(20):
            faces, bust = self.roll()
            if not bust:
                return faces
            self.close_message("Ooops ! This is -100 point!")
            self.expect(r"^notification Round lost; total -?\d+, round \d+\.")
            if new_game_on_bust:
                self.key("ctrl+n")
                self.expect(r"^notification New game: total 0, round 1\.")
        raise Failure("twenty busts in a row")

    def close_message(self, text):
        self.expect(re.escape(text))
        self.key("Return")

    def take_one(self, faces):
        """Takes the fewest scoring dice the ear found; returns the die number."""
        for face in (5, 1):
            for die, f in faces.items():
                if f == face:
                    return die
        for die, f in faces.items():
            if list(faces.values()).count(f) >= 3:
                return die
        raise Failure("no scoring die in %r" % faces)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    missing = [t for t in TOOLS if not shutil.which(t)] + ([] if os.path.exists(BUS_LAUNCHER) else [BUS_LAUNCHER])
    if missing:
        print("SKIP: not installed: %s (scripts/setup.sh test)" % ", ".join(missing))
        return 77
    # A screen reader the player is using is left alone: Orca allows one per user.
    running = subprocess.run(["pgrep", "-u", str(os.getuid()), "-x", "orca"], capture_output=True, text=True)
    if running.stdout.strip():
        print("SKIP: Orca is already running for this user")
        return 77
    started = time.monotonic()
    s = Session(os.path.abspath(sys.argv[1]))
    try:
        s.up()
        # The cover: the focus on Start, and Tab stays among its buttons.
        s.wait_for_game()
        s.key("Tab")
        s.expect(r"^Exit push button")
        s.key("Tab")
        s.expect(r"^Start push button")
        s.key("Return")
        s.expect(r"^Roll push button")

        # Ten Tabs in a game without the test buttons in sight never reach one.
        # Each Tab waits for the button it reached to be named: pressed faster
        # than a busy machine lets Orca follow, it names only the last.
        s.quiet()
        tabbed = []
        for _ in range(10):
            s.key("Tab")
            tabbed.append(s.expect(r"push button\.$").string)
        if any("Cheat" in line for line in tabbed):
            raise Failure("ten Tabs went %r" % tabbed)
        if not any(line.startswith("Die ") for line in tabbed):
            raise Failure("the dice are not in the focus chain: %r" % tabbed)

        # A scoring roll, a die taken by its number, then D banks it.
        faces = s.scoring_roll()
        die = s.take_one(faces)
        s.quiet()
        s.key(str(die))
        m = s.expect(r"^notification (?:Die|Dice) [\d, ]+ \([\d, ]+\) selected, subtotal (\d+)\.")
        points = int(m.group(1))
        s.key("d")
        m = s.expect(r"^notification Banked (\d+); total (-?\d+), round (\d+)\.")
        if int(m.group(1)) != points:
            raise Failure("banked %s after a subtotal of %d" % (m.group(1), points))

        # Rolling on with one die taken each time ends in a bust: its message, then the loss.
        for _ in range(40):
            faces, bust = s.roll()
            if bust:
                break
            s.key(str(s.take_one(faces)))
        else:
            raise Failure("forty rolls without a bust")
        m = s.expect(r"^(?:alert Korvex\. )?(You failed this round\.\.\.|Ooops ! This is -100 point!)")
        s.key("Return")
        s.expect(r"^notification Round lost; total -?\d+, round \d+\.")

        # S: the whole state on demand.
        s.quiet()
        s.key("s")
        s.expect(r"^notification Total -?\d+, round \d+, subtotal -?\d+, Your score: -?\d+, time .*seconds?\.")

        # A player who enlarges the window sees the test buttons, and then reaches them:
        # six ones, three of them taken, the valuation changed in the choice list.
        wid = s.window()
        subprocess.run(["xdotool", "windowsize", wid, "467", "420"], env=s.env, check=True, timeout=10)
        time.sleep(0.5)
        s.key("ctrl+n")
        s.expect(r"^notification |push button")
        s.scoring_roll()
        s.tab_to(r"^Cheat 1 push button", 14)
        s.key("space")
        s.expect(r"^notification Rolled 1, 1, 1, 1, 1, 1\.")
        for k in ("1", "2", "3"):
            s.key(k)
        s.expect(r"^notification Die 3 \(1\) selected, subtotal 100\. 10 Points: choose")
        s.tab_to(r"radio button", 16)
        s.quiet()
        s.key("Down")
        s.expect(r"subtotal 30\.$")

        # To the win: six ones as 800, then five fives as 200. A bust on the
        # way changes the total, and the game is begun again.
        for _ in range(5):
            s.quiet()
            s.key("ctrl+n")
            s.expect(r"^notification New game: total 0, round 1\.")
            s.scoring_roll(new_game_on_bust=True)
            s.tab_to(r"^Cheat 1 push button", 16)
            s.key("space")
            s.expect(r"^notification Rolled 1, 1, 1, 1, 1, 1\.")
            for k in ("1", "2", "3", "4", "5", "6"):
                s.key(k)
            s.expect(r"^notification Die 6 \(1\) selected, subtotal 800\.")
            s.key("d")
            s.expect(r"^notification Banked 800; total 800, round 2\.")
            faces, bust = s.roll()
            if bust:
                s.close_message("Ooops ! This is -100 point!")
                s.expect(r"^notification Round lost;")
                continue
            s.tab_to(r"^Cheat 5 push button", 16)
            s.key("space")
            s.expect(r"^notification Rolled 5, 5, 5, 5, 5, 5\.")
            for k in ("1", "2", "3", "4", "5"):
                s.key(k)
            s.expect(r"^notification Die 5 \(5\) selected, subtotal 200\.")
            s.key("d")
            break
        else:
            raise Failure("five games in a row lost their first roll after 800")
        s.close_message("Congratulation !")
        s.expect(r"^notification Won with 1,?000 points in 2 rounds, time .*, Your score: 50000\.")
        # The test buttons set the dice: the win stays out of the top ten, and says so.
        s.close_message("The test buttons set the dice in this game, so it is not entered in the top-ten tables.")

        # Practice by ear: Tools' last entry, the built-in positions, a play and its verdict.
        s.expect(r"^Continue push button")
        s.key("Return")
        s.expect(r"^Roll push button")
        s.open_menu("alt+t", r"^Rules")
        s.key("Up")
        s.expect(r"^Practice")
        s.key("Return")
        s.expect(r"^Positions from: combo box")
        s.key("Down")
        s.expect(r"^notification Practice: total -?\d+, points this round \d+, rolled [\d ]+\.")
        s.key("d")
        s.expect(r"^notification Your play, .* [Rr]ounds expected")
        s.key("Escape")
        # Practising paused the game: Continue plays on.
        s.expect(r"^Continue push button")

        # A challenge by keyboard: its code typed over the new one offered,
        # spelt out once it begins; its first roll is the code's own, and a
        # bank tells where the best play stood.
        s.key("ctrl+shift+n")
        s.expect(r"^New Challenge dialog")
        s.key("ctrl+a")
        s.type("2222-2222")
        s.key("Return")
        s.expect(r"^notification Challenge 2 2 2 2")
        faces, bust = s.roll()
        if [faces.get(d) for d in range(1, 7)] != [6, 1, 6, 1, 3, 5]:
            raise Failure("challenge 2222-2222 rolled %r, not 6 1 6 1 3 5" % faces)
        s.key("6")
        s.key("d")
        s.expect(r"^notification Best play")

        elapsed = time.monotonic() - started
        print("orca session: passed in %.1f s; Orca said:" % elapsed)
        for line in s.heard:
            print("  " + line)
        return 0
    except (Failure, subprocess.SubprocessError, OSError) as e:
        print("FAIL: %s" % e)
        print("Orca said:")
        for line in s.heard[-60:]:
            print("  " + line)
        return 1
    finally:
        s.stop()
        if hasattr(s, "bus_pid"):
            try:
                os.kill(s.bus_pid, signal.SIGTERM)
            except ProcessLookupError:
                pass


if __name__ == "__main__":
    sys.exit(main())
