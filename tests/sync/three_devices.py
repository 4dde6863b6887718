# SPDX-License-Identifier: MIT
"""Two task databases and a phone on one real server, in seeded random rounds of adds, edits
of each field, status changes, moves, deletions and syncs in random order, some rounds with both
databases syncing at once and, in the variant, a database edited while a run works on it. Then
quiet (every device syncs twice) and the check:
  - all three hold the same to-dos with the same fields, and nothing twice;
  - each field holds the latest edit made anywhere, unless a run named it as replaced (a
    server keeps one change time per to-do, so another field changed there in the same second
    as this one here makes a tie);
  - a deletion with no later edit anywhere is gone everywhere, and a task edited elsewhere after
    its deletion is kept. A server keeps no record of a deletion, so an edit the deleting
    device had not yet seen keeps the task too, whenever it was made;
  - a second quiet round changes nothing anywhere.
Rounds start a second apart, and a field is edited at most once a round, so "later" is always
defined.

Run under dbus-run-session:
  three_devices.py DUEBOARD_SYNC DUEBOARD_INITDB SEEDS ROUNDS [--edit-during-runs]
SEEDS is "FIRST-LAST" or a number; DUEBOARD_SYNC_SEEDS and DUEBOARD_SYNC_ROUNDS override them.
Seed n runs on Radicale, Xandikos and Cyrus in turn (n modulo 3)."""
import datetime
import os
import random
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

import icalendar

from caldav_env import Database, Keyring
from servers import SERVERS, TestAuthority

SYNC, INITDB = sys.argv[1], sys.argv[2]
SEEDS = os.environ.get("DUEBOARD_SYNC_SEEDS", sys.argv[3])
ROUNDS = int(os.environ.get("DUEBOARD_SYNC_ROUNDS", sys.argv[4]))
EDIT_DURING_RUNS = "--edit-during-runs" in sys.argv
FIELDS = ("title", "description", "due", "status")
TEXTS = ("Buy milk, eggs; bread", "Call Ann\nthen Bob", "Zahnarzt; 9:00, Praxis", "给妈妈打电话",
         "Пойти в банк, срочно", "Ωμέγα; α,β", "naïve café", "plain")
QUIET = "From the server: 0 added, 0 changed, 0 deleted. To the server: 0 added, 0 changed, 0 " \
        "deleted."


class Failed(AssertionError):
    pass


class Phone:
    """python3-caldav as a phone: it stamps LAST-MODIFIED with the time of its edit."""

    def __init__(self, phone):
        self.calendar = phone.calendar

    def todos(self):
        return {str(t.icalendar_component["uid"]): t
                for t in self.calendar.todos(include_completed=True)}

    @staticmethod
    def fields(todo):
        c = icalendar.Calendar.from_ical(todo.data).walk("VTODO")[0]
        done = str(c.get("status", "")) in ("COMPLETED", "CANCELLED") or "COMPLETED" in c
        status = "COMPLETE" if done else (
            "SPECIAL" if 1 <= int(c.get("priority", 0)) <= 4 else "INCOMPLETE")
        return (str(c.get("summary", "")), str(c.get("description", "")),
                c.decoded("due").isoformat() if "due" in c else None, status)

    def add(self, uid, title, due):
        cal = icalendar.Calendar()
        cal.add("version", "2.0")
        cal.add("prodid", "-//Phone//EN")
        todo = icalendar.Todo()
        now = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
        for k, v in (("uid", uid), ("dtstamp", now), ("last-modified", now), ("summary", title),
                     ("due", due), ("status", "NEEDS-ACTION")):
            todo.add(k, v)
        cal.add_component(todo)
        self.calendar.save_todo(cal.to_ical().decode())

    def edit(self, todo, field, value):
        cal = icalendar.Calendar.from_ical(todo.data)
        c = cal.walk("VTODO")[0]
        name = {"title": "summary", "description": "description", "due": "due"}.get(field)
        if name:
            c.pop(name, None)
            c.add(name, value)
        else:
            for k in ("status", "completed", "priority", "percent-complete"):
                c.pop(k, None)
            c.add("status", "COMPLETED" if value == "COMPLETE" else "NEEDS-ACTION")
            if value == "COMPLETE":
                c.add("completed", datetime.datetime.now(datetime.timezone.utc))
            if value == "SPECIAL":
                c.add("priority", 1)
        c.pop("last-modified", None)
        c.add("last-modified", datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0))
        todo.data = cal.to_ical().decode()
        todo.save()


class World:
    """The three devices of one seed and what was done to them, for the check."""

    def __init__(self, seed, server, work):
        self.rng = random.Random(seed)
        self.seed = seed
        self.phone = Phone(server.make("ann", f"s{seed}"))
        self.dbs = {}
        for name, first in (("A", 0), ("B", 100000)):
            db = Database(work, SYNC, INITDB)
            db.sql("INSERT INTO sysIDS VALUES ('TASK', ?)", first)
            db.setup(str(self.phone.calendar.url), "ann", "ann-pw", "--ca", server.authority.pem)
            self.dbs[name] = db
        self.counter = 0
        self.uids = {}        # (device, task id) -> UID, once seen
        self.edits = []       # (time, key, field, value, device)
        self.deletions = []   # (time, key, device)
        self.syncs = []       # (device, start, end)
        self.said = ""        # every run's output
        self.log = []

    # Keys: a phone's to-do by its UID, a task by (device, id) until its UID is known.
    def uid_of(self, key):
        return key if isinstance(key, str) else self.uids.get(key)

    def text(self):
        self.counter += 1
        return f"{self.rng.choice(TEXTS)} #{self.seed}.{self.counter}"

    def day(self):
        return (datetime.date(2026, 3, 1) + datetime.timedelta(self.rng.randrange(60))).isoformat()

    def learn(self, device):
        for task_id, uid in self.dbs[device].sql("SELECT TASK_ID, UID FROM SYNC_ITEMS"):
            known = self.uids.setdefault((device, task_id), uid)
            if known != uid:
                raise Failed(f"task {task_id} of {device} changed its UID from {known} to {uid}")

    def sync(self, device):
        start = time.time()
        code, out = self.dbs[device].tool()
        self.syncs.append((device, start, time.time()))
        self.said += out
        self.log.append(f"sync {device}: {out.strip()}")
        if code != 0:
            raise Failed(f"sync of {device} failed: {out}")
        self.learn(device)

    def sync_both_at_once(self):
        threads = [threading.Thread(target=self.sync, args=(d,)) for d in ("A", "B")]
        for t in threads:
            t.start()
        for t in threads:
            t.join()

    def record(self, key, field, value, device):
        self.edits.append((time.time(), key, field, value, device))
        self.log.append(f"{device} {field} of {key} = {value!r}")

    def add(self, device):
        title, day = self.text(), self.day()
        if device == "P":
            key = f"phone-{self.seed}-{self.counter}"
            self.phone.add(key, title, datetime.date.fromisoformat(day))
        else:
            with sqlite3.connect(self.dbs[device].file) as db:  # as the program takes an id
                task_id = db.execute("UPDATE sysIDS SET VALUE = VALUE + 1 WHERE CODE = 'TASK' "
                                     "RETURNING VALUE").fetchone()[0]
                db.execute("INSERT INTO TASKS VALUES (?,?,?,?,?)", (task_id, title, "", day,
                                                                    "INCOMPLETE"))
            key = (device, task_id)
        for field, value in zip(FIELDS, (title, "", day, "INCOMPLETE")):
            self.record(key, field, value, device)

    def present(self, device):
        if device == "P":
            return sorted(self.phone.todos())
        return [(device, r[0]) for r in self.dbs[device].sql("SELECT TASK_ID FROM TASKS")]

    def current(self, device, key, field):
        if device == "P":
            return Phone.fields(self.phone.todos()[key])[FIELDS.index(field)]
        row = self.dbs[device].sql("SELECT TASK_TITLE, DESCRIPTION, TASK_DATE, TASK_STATUS "
                                   "FROM TASKS WHERE TASK_ID = ?", key[1])[0]
        return row[FIELDS.index(field)] or ""

    def change(self, device, edited):
        keys = [k for k in self.present(device)]
        self.rng.shuffle(keys)
        field = self.rng.choice(FIELDS)
        for key in keys:
            if (self.uid_of(key) or key, field) in edited:
                continue
            edited.add((self.uid_of(key) or key, field))
            value = self.current(device, key, field)
            while value == self.current(device, key, field):  # an edit changes something
                value = {"title": self.text, "description": self.text, "due": self.day,
                         "status": lambda: self.rng.choice(("INCOMPLETE", "COMPLETE",
                                                            "SPECIAL"))}[field]()
            if device == "P":
                self.phone.edit(self.phone.todos()[key], field, datetime.date.fromisoformat(value)
                                if field == "due" else value)
            else:
                column = {"title": "TASK_TITLE", "description": "DESCRIPTION", "due": "TASK_DATE",
                          "status": "TASK_STATUS"}[field]
                self.dbs[device].sql(f"UPDATE TASKS SET {column} = ? WHERE TASK_ID = ?", value,
                                     key[1])
            self.record(key, field, value, device)
            return

    def delete(self, device, edited):
        keys = [k for k in self.present(device)
                if not any((self.uid_of(k) or k, f) in edited for f in FIELDS)]
        if not keys:
            return
        key = self.rng.choice(keys)
        if device == "P":
            self.phone.todos()[key].delete()
        else:
            self.dbs[device].sql("DELETE FROM TASKS WHERE TASK_ID = ?", key[1])
        for f in FIELDS:
            edited.add((self.uid_of(key) or key, f))
        self.deletions.append((time.time(), key, device))
        self.log.append(f"{device} deletes {key}")

    def edit_during_a_run(self, device, edited):
        """A run on the database while the person edits a task of it."""
        start = time.time()
        run = subprocess.Popen([SYNC, "--database", self.dbs[device].file],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        time.sleep(self.rng.random() * 0.05)
        self.change(device, edited)
        out = run.communicate()[0]
        self.syncs.append((device, start, time.time()))
        self.said += out
        self.log.append(f"sync {device} during an edit: {out.strip()}")
        if run.returncode != 0:
            raise Failed(f"sync of {device} failed: {out}")
        self.learn(device)

    def round(self):
        # Each round in a second of its own.
        time.sleep(1.05 - time.time() % 1)
        edited = set()
        steps = []
        for _ in range(self.rng.randint(2, 6)):
            device = self.rng.choice("ABP")
            kind = self.rng.choices(("add", "change", "delete"), (2, 5, 1))[0]
            steps.append(lambda d=device, k=kind: (
                self.add(d) if k == "add" else getattr(self, k)(d, edited)))
        for device in self.rng.sample("AB", self.rng.randint(0, 2)):
            steps.append(lambda d=device: self.sync(d))
        if self.rng.random() < 0.3:
            steps.append(self.sync_both_at_once)
        if EDIT_DURING_RUNS:
            steps.append(lambda d=self.rng.choice("AB"): self.edit_during_a_run(d, edited))
        self.rng.shuffle(steps)
        for step in steps:
            step()

    def quiet(self):
        for _ in range(2):
            self.sync("A")
            self.sync("B")

    def state(self):
        phone = {uid: Phone.fields(t) for uid, t in self.phone.todos().items()}
        states = {"P": phone}
        for device, db in self.dbs.items():
            rows = db.sql("SELECT UID, TASK_TITLE, DESCRIPTION, TASK_DATE, TASK_STATUS FROM TASKS "
                          "LEFT JOIN SYNC_ITEMS USING (TASK_ID)")
            if any(r[0] is None for r in rows):
                raise Failed(f"{device} holds tasks never sent: {[r for r in rows if not r[0]]}")
            states[device] = {r[0]: (r[1], r[2] or "", r[3], r[4]) for r in rows}
            if len(states[device]) != len(rows):
                raise Failed(f"{device} holds one to-do twice")
        return states

    def pushed(self, editor, edit_time, before):
        """When an edit reached the server, if it did before the time `before`."""
        if editor == "P":
            return edit_time
        return min((end for d, start, end in self.syncs
                    if d == editor and start > edit_time and end < before), default=None)

    def seen_by(self, device, edit_time, editor, before):
        """Whether an edit had reached device by the time `before`."""
        pushed = self.pushed(editor, edit_time, before)
        if editor == device or (device == "P" and pushed):
            return True
        return pushed is not None and any(d == device and pushed < start and end < before
                                          for d, start, end in self.syncs)

    def check(self):
        states = self.state()
        if not states["A"] == states["B"] == states["P"]:
            raise Failed("the devices differ:\n" + "\n".join(
                f"  {d}: {sorted(s.items())}" for d, s in states.items()))
        final = states["A"]
        claimed = {self.uid_of(k) for _, k, _, _, _ in self.edits if self.uid_of(k)}
        if set(final) - claimed:
            raise Failed(f"to-dos nobody made (duplicates): {set(final) - claimed}")
        for uid in claimed:
            edits = [e for e in self.edits if self.uid_of(e[1]) == uid]
            deletions = [(when, d) for when, k, d in self.deletions if self.uid_of(k) == uid]
            for when, device in deletions:
                # What the deleting device had changed and not yet sent went with its copy.
                edits = [e for e in edits if not (e[4] == device and e[0] < when and
                                                  self.pushed(device, e[0], when) is None)]
            if deletions:
                when, device = max(deletions)
                later = [e for e in edits if e[0] > when]
                unseen = [e for e in edits if e[0] < when and
                          not self.seen_by(device, e[0], e[4], when)]
                if later and uid not in final:
                    raise Failed(f"{uid} deleted by {device} but edited later: {later}")
                if not later and not unseen and uid in final:
                    raise Failed(f"{uid} deleted by {device} with no later edit, still there")
            if uid not in final:
                continue
            for i, field in enumerate(FIELDS):
                values = [e for e in edits if e[2] == field]
                latest = max(values)[3]
                value = final[uid][i]
                named = f": {latest} (changed" if field == "due" else f'"{latest}"'
                if value != latest and named not in self.said:
                    raise Failed(f"{field} of {uid} is {value!r}; the latest edit made it "
                                 f"{latest!r}, and no run said it was replaced")
                if value not in [e[3] for e in self.edits if self.uid_of(e[1]) == uid]:
                    raise Failed(f"{field} of {uid} is {value!r}, which nobody wrote")

    def run(self):
        for _ in range(ROUNDS):
            self.round()
        self.quiet()
        self.check()
        phone_before = {uid: t.data for uid, t in self.phone.todos().items()}
        for device in ("A", "B", "A", "B"):
            before = len(self.said)
            self.sync(device)
            if QUIET not in self.said[before:]:
                raise Failed(f"a second quiet round changed something: {self.said[before:]}")
        if {uid: t.data for uid, t in self.phone.todos().items()} != phone_before:
            raise Failed("a second quiet round changed the server's to-dos")


def seeds():
    first, _, last = SEEDS.partition("-")
    return range(int(first), int(last or first) + 1)


def main():
    work = tempfile.mkdtemp(prefix="dueboard-devices-")
    keyring = Keyring(work)
    authority = TestAuthority(work)
    names = list(SERVERS)
    failed = []
    try:
        for seed in seeds():
            server = SERVERS[names[seed % 3]](authority)
            started = time.monotonic()
            try:
                world = World(seed, server, work)
                world.run()
                print(f"seed {seed}, {ROUNDS} rounds on {server.name}: passed "
                      f"({time.monotonic() - started:.0f} s, {len(world.edits)} edits, "
                      f"{len(world.deletions)} deletions, {len(world.syncs)} runs)", flush=True)
            except Failed as e:
                failed.append(seed)
                print(f"seed {seed}, {ROUNDS} rounds on {server.name}: FAILED: {e}\n  what was "
                      f"done:\n    " + "\n    ".join(world.log), flush=True)
            finally:
                server.stop()
    finally:
        keyring.stop()
        subprocess.run(["rm", "-rf", work])
    if failed:
        print(f"failed seeds: {failed}; run one again with DUEBOARD_SYNC_SEEDS=N")
        sys.exit(1)


main()
