# SPDX-License-Identifier: MIT
"""What hostile iCalendar files cost `dueboard-sync import`: the to-dos whose time zone repeats
every hour, minute or second (time and peak memory), and an 820 KB file whose 7,000
calendar-level properties were once copied into each of its 800 to-dos (the database's size).
Beside each, the plainest way to take the same file: python3-icalendar reading every to-do's
DUE, and the file's to-dos stored as they are, one row each, in a bare SQLite table. Measured,
never asserted.

ical_bench.py BINDIR [OTHER_DUEBOARD_SYNC]
(OTHER_DUEBOARD_SYNC: an earlier build to measure beside this one; a run past 60 s is ended.)"""
import os
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

BINDIR = sys.argv[1]
TOOLS = [os.path.join(BINDIR, "dueboard-sync")] + sys.argv[2:3]
CORPUS = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "sync", "corpus")
LIMIT = 60


def big_file():
    props = "".join(f"X-CALENDAR-NOTE-{i}:{'n' * 90}\r\n" for i in range(7000))
    todos = "".join(f"BEGIN:VTODO\r\nUID:t{i}\r\nSUMMARY:Task {i}\r\n"
                    "DUE;VALUE=DATE:20261207\r\nEND:VTODO\r\n" for i in range(800))
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Big//EN\r\n" + props + todos +
            "END:VCALENDAR\r\n")


def measured(args):
    """Wall time, peak memory (MiB), and whether it ended by itself."""
    start = time.perf_counter()
    child = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ended = threading.Timer(LIMIT, child.kill)
    ended.start()
    _, status, usage = os.wait4(child.pid, 0)
    ended.cancel()
    return time.perf_counter() - start, usage.ru_maxrss / 1024, status == 0


def import_into_new_database(tool, path, work):
    folder = tempfile.mkdtemp(dir=work)
    subprocess.run([os.path.join(BINDIR, "dueboard-initdb"), folder], check=True,
                   stdout=subprocess.DEVNULL)
    database = os.path.join(folder, "Dueboard.mdb")
    elapsed, peak, finished = measured([tool, "--database", database, "import", path])
    return elapsed, peak, finished, os.path.getsize(database)


def plain_read(path):
    code = ("import icalendar,sys\n"
            "cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())\n"
            "[t.get('DUE') and t.decoded('DUE') for t in cal.walk('VTODO')]\n")
    return measured(["/usr/bin/python3", "-c", code, path])


def plain_store(text, work):
    database = os.path.join(work, "plain.db")
    db = sqlite3.connect(database)
    db.execute("CREATE TABLE T (ID INTEGER PRIMARY KEY, TEXT)")
    parts = text.split("BEGIN:VTODO")[1:]
    with db:
        db.executemany("INSERT INTO T (TEXT) VALUES (?)", [("BEGIN:VTODO" + p,) for p in parts])
    db.close()
    return os.path.getsize(database)


def main():
    with tempfile.TemporaryDirectory() as work:
        for name in ("h_tz_hourly.ics", "h_tz_minutely.ics", "h_tz_secondly.ics"):
            path = os.path.join(CORPUS, name)
            elapsed, peak, _ = plain_read(path)
            print(f"{name}: python3-icalendar {elapsed:.2f} s, {peak:.0f} MiB peak")
            for tool in TOOLS:
                elapsed, peak, finished, _ = import_into_new_database(tool, path, work)
                print(f"  {tool}: {elapsed:.2f} s, {peak:.0f} MiB peak"
                      f"{'' if finished else f' (ended from outside after {LIMIT} s)'}")
        path = os.path.join(work, "big.ics")
        text = big_file()
        with open(path, "w") as f:
            f.write(text)
        print(f"{len(text) // 1024} KB file, 800 to-dos: bare SQLite table "
              f"{plain_store(text, work) / 1e6:.2f} MB")
        for tool in TOOLS:
            elapsed, peak, finished, size = import_into_new_database(tool, path, work)
            print(f"  {tool}: {size / 1e6:.2f} MB database, {elapsed:.2f} s, {peak:.0f} MiB peak"
                  f"{'' if finished else ' (did not finish)'}")


if __name__ == "__main__":
    main()
