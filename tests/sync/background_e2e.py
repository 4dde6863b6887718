# SPDX-License-Identifier: MIT
"""The running program's background sync against a real Radicale, on a display of its own: a
task menu stays open while a run brings a change from the phone, and its command still acts on
the task it was opened for. The run is started by the program's own trigger, a change to the
database. Leaves OUTDIR/background-sync-menu.png.

Run under dbus-run-session: background_e2e.py DUEBOARD_SYNC DUEBOARD_INITDB BINDIR OUTDIR"""
import datetime
import os
import re
import shutil
import subprocess
import sys
import time
import uuid

from caldav_env import Database, Phone, Services, wait_until

SYNC, INITDB, BINDIR, OUTDIR = sys.argv[1:5]
TODAY = datetime.date.today()
TOMORROW = TODAY + datetime.timedelta(days=1)
MAIN = "^Dueboard  "


def poll(ready, seconds, what):
    deadline = time.monotonic() + seconds
    while not ready():
        if time.monotonic() > deadline:
            raise AssertionError(what)
        time.sleep(0.02)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()


def owner_pid(name):
    out = subprocess.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                          "--object-path", "/org/freedesktop/DBus", "--method",
                          "org.freedesktop.DBus.GetConnectionUnixProcessID", name],
                         capture_output=True, text=True).stdout
    found = re.search(r"uint32 (\d+)", out)
    return int(found.group(1)) if found else None


def sync_runs(pid):
    """The dueboard-sync runs the program has under way."""
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            children = f.read().split()
    except OSError:
        return []
    runs = []
    for child in children:
        try:
            if os.readlink(f"/proc/{child}/exe").endswith("/dueboard-sync"):
                runs.append(child)
        except OSError:
            pass
    return runs


def main():
    services = Services()
    xvfb = server = None
    try:
        phone = Phone(services, "ann", "ann-pw", "m" + uuid.uuid4().hex[:8])
        db = Database(services.work, SYNC, INITDB)
        for program in ("dueboard", "dueboard-server", "dueboard-sync"):
            shutil.copy(os.path.join(BINDIR, program), db.dir)
        db.add(1, "First", TODAY.isoformat())
        db.add(2, "Second", TODAY.isoformat())
        db.setup(phone.url, "ann", "ann-pw")
        assert "To the server: 2 added" in db.sync()

        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "800x600x24",
                                 "-nolisten", "tcp"], pass_fds=(write,),
                                stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as display:
            os.environ["DISPLAY"] = ":" + display.readline().strip()
        os.environ.update(QT_QPA_PLATFORM="xcb", NO_AT_BRIDGE="1")
        subprocess.run([os.path.join(db.dir, "dueboard")], check=True, timeout=60)
        server = owner_pid("Dueboard.clsDueboard")
        poll(lambda: xdotool("search", "--onlyvisible", "--name", MAIN), 20, "no main window")
        window = xdotool("search", "--onlyvisible", "--name", MAIN)[0]
        # The run the program starts with, and one its own opening of the database may bring
        # after the delay, bring nothing. A change made during a run is not seen: the program is
        # left to settle first.
        settled = time.monotonic()
        while time.monotonic() - settled < 12:
            if sync_runs(server):
                settled = time.monotonic()
            time.sleep(0.05)

        # The phone moves "Second" to tomorrow; here the menu opens on "Second".
        second, = phone.by_summary("Second")
        phone.edit(second, "DUE;VALUE=DATE:" + TODAY.strftime("%Y%m%d"),
                   "DUE;VALUE=DATE:" + TOMORROW.strftime("%Y%m%d"))
        row = {1: 76, 2: 111}  # the middles of the two rows, in the window's pixels
        xdotool("mousemove", "--window", window, "60", str(row[2]), "click", "1")
        time.sleep(0.5)
        xdotool("mousemove", "--window", window, "60", str(row[2]), "click", "3")
        time.sleep(0.5)

        # A change to the database starts the run, which brings the phone's change.
        db.sql("UPDATE TASKS SET DESCRIPTION = 'written at the desk' WHERE TASK_ID = 1")
        # Watched from outside the database: every opening of it would put the run off again.
        poll(lambda: sync_runs(server), 30, "no background run started")
        poll(lambda: not sync_runs(server), 60, "the background run did not end")
        time.sleep(1)
        assert db.tasks()[2][2] == TOMORROW.isoformat(), "the run did not bring the phone's change"
        subprocess.run(["import", "-window", "root",
                        os.path.join(OUTDIR, "background-sync-menu.png")])

        xdotool("key", "c")  # Mark Complete
        poll(lambda: db.tasks()[2][3] == "COMPLETE", 10,
             f"Mark Complete did not reach the task its menu was opened for: {db.tasks()}")
        assert db.tasks()[1][3] == "INCOMPLETE", db.tasks()
        print("PASS")
    finally:
        if server:
            subprocess.run(["kill", str(server)])
            poll(lambda: not os.path.exists(f"/proc/{server}"), 10, "the program did not end")
        if xvfb:
            xvfb.terminate()
            xvfb.wait()
        services.stop()


if __name__ == "__main__":
    main()
