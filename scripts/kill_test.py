#!/usr/bin/env python3
"""Kill test of the journal through the real program.

Starts the meter simulator on a pseudo-terminal at 200 frames a second and
the built program against it (BRENMOOR_COM1), on an X display of its own
(run it under xvfb-run, or with DISPLAY set). For each round it presses
"COM Connect" with the sampling interval off, as a user would (xdotool),
lets the program log for a random 2 to 6 seconds, and kills it with
SIGKILL. It then starts the program again, answers the restore question
with Yes and checks that every row the journal had committed at least one
second before the kill is back, as an unsaved row of the new run.

The journal file is read, read-only, with Python's sqlite3 while the program
runs, so "committed" means what another reader of the file saw.

    xvfb-run -a -s "-screen 0 1024x768x24" scripts/kill_test.py --kills 50

Prints one line per kill and a summary; exits 1 when any row is missing.
"""
import argparse
import os
import random
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

TITLE = "Brenmoor 5082 Interface Program"
BOX_TITLE = "^Brenmoor  5082 $"  # message boxes carry the program's own title
CLIENT_HEIGHT = 471


def xdotool(*args, check=True):
    done = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    if check and done.returncode != 0:
        raise RuntimeError("xdotool %s: %s" % (" ".join(args), done.stderr.strip()))
    return done.stdout.split()


def wait_for(what, test, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = test()
        if value:
            return value
        time.sleep(0.05)
    raise RuntimeError("timed out waiting for " + what)


def visible_windows(pattern):
    return xdotool("search", "--onlyvisible", "--name", pattern, check=False)


def committed(journal, log=None):
    """Rows committed to the journal: {(no, stamp): state} of one log, or of all logs."""
    try:
        db = sqlite3.connect("file:%s?mode=ro" % journal, uri=True, timeout=5)
        try:
            if log is None:
                rows = db.execute("SELECT no, stamp, state FROM rows").fetchall()
            else:
                rows = db.execute("SELECT no, stamp, state FROM rows WHERE log = ?", (log,)).fetchall()
        finally:
            db.close()
    except sqlite3.Error:
        return {}
    return {(no, stamp): state for no, stamp, state in rows}


def newest_log(journal, after_ms):
    try:
        db = sqlite3.connect("file:%s?mode=ro" % journal, uri=True, timeout=5)
        try:
            row = db.execute("SELECT id FROM logs WHERE started_ms >= ? ORDER BY started_ms DESC LIMIT 1",
                             (after_ms,)).fetchone()
        finally:
            db.close()
    except sqlite3.Error:
        return None
    return row[0] if row else None


class Program:
    def __init__(self, binary, folder, env):
        self.started_ms = int(time.time() * 1000) - 1000
        self.process = subprocess.Popen([binary], cwd=folder, env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.window = wait_for("the main window", lambda: visible_windows(TITLE), 60)[0]
        geometry = xdotool("getwindowgeometry", "--shell", self.window)
        size = dict(item.split("=") for item in geometry)
        self.menu = int(size["HEIGHT"]) - CLIENT_HEIGHT  # the menu bar lies above the client area

    def click(self, x, y):
        xdotool("mousemove", "--window", self.window, str(x), str(y + self.menu), "click", "1")

    def answer_restore(self, timeout=30):
        box = wait_for("the restore question", lambda: visible_windows(BOX_TITLE), timeout)[0]
        xdotool("windowfocus", "--sync", box, check=False)
        xdotool("key", "--clearmodifiers", "Return")
        wait_for("the question to close", lambda: not visible_windows(BOX_TITLE), 60)

    def start_logging(self):
        # Record menu, "limitless": restored rows count towards the record limit,
        # and a long run would reach the 10000 rows chosen at start.
        xdotool("mousemove", "--window", self.window, "250", str(self.menu // 2), "click", "1")
        time.sleep(0.5)
        xdotool("key", "Up", "Return")  # the last item of the menu
        time.sleep(0.3)
        self.click(72, 243)   # "Sampling Interval" off: every frame is logged
        time.sleep(0.3)
        self.click(115, 16)   # "COM Connect"

    def kill(self):
        self.process.send_signal(signal.SIGKILL)
        self.process.wait()

    def end(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.kill()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--kills", type=int, default=5)
    parser.add_argument("--rate", type=int, default=200, help="frames per second from the simulator")
    parser.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "..", "build", "bin"))
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--own-display", action="store_true",
                        help="start an X server of its own (Xvfb) instead of using DISPLAY")
    args = parser.parse_args()
    xvfb = None
    if args.own_display:
        # -displayfd lets Xvfb pick a free display itself, so parallel runs never collide.
        # -noreset: the server must not reset when the killed program was its last
        # client, or the next start may try to connect during the reset and abort.
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
                                 "tcp", "-noreset"], pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            os.environ["DISPLAY"] = ":" + numbers.readline().strip()
    elif "DISPLAY" not in os.environ:
        sys.exit("no DISPLAY: run under xvfb-run, or with --own-display")
    try:
        return run(args)
    except RuntimeError as e:
        print("kill test failed: %s" % e, flush=True)
        return 1
    finally:
        if xvfb:
            xvfb.terminate()
            xvfb.wait()


def run(args):
    rng = random.Random(args.seed)
    binary = os.path.abspath(os.path.join(args.bin, "brenmoor5082"))
    simulator = os.path.abspath(os.path.join(args.bin, "metersim"))

    with tempfile.TemporaryDirectory(prefix="kill-test-") as folder:
        data = os.path.join(folder, "data")
        journal = os.path.join(data, "brenmoor5082", "journal.sqlite")
        sim = subprocess.Popen([simulator, "--rate", str(args.rate)], stdout=subprocess.PIPE, text=True)
        program = None
        try:
            pty = sim.stdout.readline().strip()
            env = dict(os.environ, BRENMOOR_COM1=pty, XDG_DATA_HOME=data, QT_QPA_PLATFORM="xcb")
            env.pop("XDG_RUNTIME_DIR", None)
            ever_at_risk = set()  # every row committed at least 1 s before some kill
            missing_total = 0
            for kill in range(1, args.kills + 2):
                program = Program(binary, folder, env)
                if ever_at_risk:
                    program.answer_restore()
                log = wait_for("the run's log", lambda: newest_log(journal, program.started_ms), 60)
                if ever_at_risk:
                    # Restoring moves the rows into the new run's log as unsaved rows.
                    back = wait_for("the restored rows", lambda: (lambda rows: rows if len(rows) >= len(ever_at_risk)
                                                                  else None)(committed(journal, log)), 60)
                    missing = [key for key in ever_at_risk if back.get(key) != 0]
                    missing_total = len(missing)
                    print("  start %d: %d of %d rows at risk are back" % (
                        kill, len(ever_at_risk) - len(missing), len(ever_at_risk)), flush=True)
                if kill > args.kills:
                    break
                before = len(committed(journal, log))
                program.start_logging()
                wait_for("rows being logged", lambda: len(committed(journal, log)) > before + 50, 60)
                first_seen = {}
                run_for = rng.uniform(2.0, 6.0)
                deadline = time.monotonic() + run_for
                while time.monotonic() < deadline:
                    now = time.monotonic()
                    for key in committed(journal, log):
                        first_seen.setdefault(key, now)
                    time.sleep(0.05)
                killed_at = time.monotonic()
                program.kill()
                program = None
                at_risk = {key for key, seen in first_seen.items() if seen <= killed_at - 1.0}
                new = at_risk - ever_at_risk
                ever_at_risk |= at_risk
                print("kill %d after %.1f s: %d rows in the journal, %d new rows committed at least 1 s before"
                      % (kill, run_for, len(committed(journal, log)), len(new)), flush=True)
            print("kills: %d; rows at risk (committed >= 1 s before a kill): %d; rows restored: %d; missing: %d"
                  % (args.kills, len(ever_at_risk), len(ever_at_risk) - missing_total, missing_total))
            return 1 if missing_total else 0
        finally:
            if program:
                program.end()
            sim.terminate()
            sim.wait()


if __name__ == "__main__":
    sys.exit(main())
