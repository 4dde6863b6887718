# SPDX-License-Identifier: MIT
"""One table of sync scenarios, run against one real server over HTTPS with a test authority
given to the tool with --ca: what a person syncing a laptop and a phone meets.

Run under dbus-run-session: servers_e2e.py DUEBOARD_SYNC DUEBOARD_INITDB SERVER [TEST_NAME]"""
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
import uuid

from caldav_env import Database, Keyring, vtodo
from servers import SERVERS, Proxy, TestAuthority

SYNC, INITDB, SERVER = sys.argv[1], sys.argv[2], sys.argv[3]
os.environ["TZ"] = "UTC"  # the day of a DATE-TIME due in another zone is then known

NEW_YORK = ("BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\nBEGIN:STANDARD\r\n"
            "DTSTART:19701101T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
            "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nEND:STANDARD\r\nBEGIN:DAYLIGHT\r\n"
            "DTSTART:19700308T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
            "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n")


def setUpModule():
    global WORK, KEYRING, AUTHORITY, SERVICE
    WORK = tempfile.mkdtemp(prefix="dueboard-servers-")
    KEYRING = Keyring(WORK)
    AUTHORITY = TestAuthority(WORK)
    started = time.monotonic()
    SERVICE = SERVERS[SERVER](AUTHORITY)
    print(f"{SERVER} started in {time.monotonic() - started:.1f} s", file=sys.stderr)


def tearDownModule():
    SERVICE.stop()
    KEYRING.stop()
    subprocess.run(["rm", "-rf", WORK])


def tasks(db):
    """The tasks' fields; a description never written reads as empty, as the program shows it."""
    return sorted((t, d or "", day, status) for t, d, day, status in db.tasks().values())


def retitle(phone, uid, title):
    todo = phone.todos()[uid]
    line = re.search("^SUMMARY.*$", todo.data, re.M).group(0).rstrip("\r")
    phone.edit(todo, line, "SUMMARY:" + title.replace(",", "\\,"))


def summaries(phone):
    return sorted(str(t.icalendar_component.get("summary")) for t in phone.todos().values())


class Scenarios(unittest.TestCase):
    def setUp(self):
        self.phone = SERVICE.make("ann", "t" + uuid.uuid4().hex[:8])
        self.a = Database(WORK, SYNC, INITDB)
        self.ca = ("--ca", AUTHORITY.pem)

    def through(self, proxy):
        return self.phone.url.replace(f":{SERVICE.port}/", f":{proxy.port}/")

    def first_sync(self, *tasks, url=None):
        for i, (title, day) in enumerate(tasks, 1):
            self.a.add(i, title, day)
        self.a.setup(url or self.phone.url, "ann", "ann-pw", *self.ca)
        self.assertIn(f"To the server: {len(tasks)} added", self.a.sync())

    def test_first_sync_up_and_the_phone_adds_edits_completes_deletes(self):
        self.first_sync(("Buy milk", "2026-03-05"), ("Pay rent", "2026-03-01"),
                        ("Old", "2026-03-02"))
        self.assertEqual(summaries(self.phone), ["Buy milk", "Old", "Pay rent"])
        self.assertIn("DUE;VALUE=DATE:20260305", self.phone.by_summary("Buy milk")[0].data)
        self.phone.calendar.save_todo(vtodo("phone-1", "SUMMARY:Call Ann\r\n"
                                            "DUE;VALUE=DATE:20260307\r\n"))
        milk, = self.phone.by_summary("Buy milk")
        self.phone.edit(milk, "SUMMARY:Buy milk", "SUMMARY:Buy oat milk")
        rent, = self.phone.by_summary("Pay rent")
        self.phone.edit(rent, "STATUS:NEEDS-ACTION", "STATUS:COMPLETED")
        self.phone.by_summary("Old")[0].delete()
        self.assertIn("From the server: 1 added, 2 changed, 1 deleted", self.a.sync())
        self.assertEqual(tasks(self.a),
                         [("Buy oat milk", "", "2026-03-05", "INCOMPLETE"),
                          ("Call Ann", "", "2026-03-07", "INCOMPLETE"),
                          ("Pay rent", "", "2026-03-01", "COMPLETE")])

    def test_different_fields_merge_and_the_same_field_goes_to_the_later_edit(self):
        self.first_sync(("Plan trip", "2026-03-05"))
        trip, = self.phone.by_summary("Plan trip")
        self.phone.edit(trip, "SUMMARY:Plan trip", "SUMMARY:Plan the trip")
        self.a.sql("UPDATE TASKS SET DESCRIPTION = 'train, 9:05' WHERE TASK_ID = 1")
        self.a.sync()
        self.assertEqual(self.a.tasks()[1][:2], ("Plan the trip", "train, 9:05"))
        self.assertIn("DESCRIPTION:train\\, 9:05", self.phone.by_summary("Plan the trip")[0].data)
        uid = trip.icalendar_component["uid"]
        edits = {"here": lambda t: self.a.sql("UPDATE TASKS SET TASK_TITLE = ? WHERE TASK_ID = 1",
                                              t),
                 "phone": lambda t: retitle(self.phone, uid, t)}
        for first, later in (("here", "phone"), ("phone", "here")):
            with self.subTest(later=later):
                edits[first](f"by {first}, earlier")
                time.sleep(1.1)
                edits[later](f"by {later}, later")
                out = self.a.sync()
                self.assertEqual(self.a.tasks()[1][0], f"by {later}, later")
                self.assertEqual(summaries(self.phone), [f"by {later}, later"])
                self.assertIn(f'"by {first}, earlier"', out)

    def test_due_as_date_as_time_in_a_zone_and_in_utc(self):
        self.a.setup(self.phone.url, "ann", "ann-pw", *self.ca)
        forms = {"date": ("DUE;VALUE=DATE:20260310\r\n", "", "2026-03-10"),
                 "zoned": ("DUE;TZID=America/New_York:20260310T220000\r\n", NEW_YORK,
                           "2026-03-11"),
                 "utc": ("DUE:20260310T233000Z\r\n", "", "2026-03-10")}
        for uid, (due, zone, _) in forms.items():
            self.phone.calendar.save_todo(vtodo(uid, f"SUMMARY:{uid}\r\n{due}").replace(
                "BEGIN:VTODO", zone + "BEGIN:VTODO"))
        self.a.sync()
        days = {t[0]: t[2] for t in self.a.tasks().values()}
        self.assertEqual(days, {uid: day for uid, (_, _, day) in forms.items()})
        # An edit of another field here leaves each DUE as the phone wrote it.
        self.a.sql("UPDATE TASKS SET DESCRIPTION = 'edited here'")
        self.assertIn("To the server: 0 added, 3 changed", self.a.sync())
        todos = self.phone.todos()
        for uid, (due, _, _) in forms.items():
            with self.subTest(uid):
                self.assertIn(due.strip(), todos[uid].data.replace("\n ", ""))
                self.assertIn("DESCRIPTION:edited here", todos[uid].data)

    def test_alarms_relations_categories_and_own_properties_kept_through_an_edit_here(self):
        self.a.setup(self.phone.url, "ann", "ann-pw", *self.ca)
        kept = ("RELATED-TO;RELTYPE=PARENT:parent-1", "CATEGORIES:HOME",
                "X-PHONE-COLOUR:teal", "BEGIN:VALARM", "TRIGGER:-PT15M", "ACTION:DISPLAY")
        self.phone.calendar.save_todo(vtodo("rich", "SUMMARY:Rich\r\nDUE;VALUE=DATE:20260310\r\n"
                                            "RELATED-TO;RELTYPE=PARENT:parent-1\r\n"
                                            "CATEGORIES:HOME,ERRANDS\r\nX-PHONE-COLOUR:teal\r\n"
                                            "BEGIN:VALARM\r\n"
                                            "ACTION:DISPLAY\r\nDESCRIPTION:Ring\r\n"
                                            "TRIGGER:-PT15M\r\nEND:VALARM\r\n"))
        self.a.sync()
        self.a.sql("UPDATE TASKS SET TASK_TITLE = 'Rich, renamed', TASK_DATE = '2026-03-12'")
        self.a.sync()
        data = self.phone.todos()["rich"].data.replace("\r\n ", "").replace("\n ", "")
        for line in kept + ("SUMMARY:Rich\\, renamed", "DUE;VALUE=DATE:20260312"):
            self.assertIn(line, data)
        # One CATEGORIES line or one per category, as the server likes.
        self.assertRegex(data, "CATEGORIES:(HOME,)?ERRANDS")

    def test_a_recurring_to_do_keeps_its_changed_occurrence(self):
        self.a.setup(self.phone.url, "ann", "ann-pw", *self.ca)
        stamp = "DTSTAMP:20260301T000000Z\r\n"
        self.phone.calendar.save_todo(
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Phone//EN\r\n"
            f"BEGIN:VTODO\r\nUID:weekly\r\n{stamp}SUMMARY:Water plants\r\n"
            "DTSTART;VALUE=DATE:20260302\r\nDUE;VALUE=DATE:20260302\r\n"
            "RRULE:FREQ=WEEKLY;COUNT=5\r\nEND:VTODO\r\n"
            f"BEGIN:VTODO\r\nUID:weekly\r\n{stamp}RECURRENCE-ID;VALUE=DATE:20260309\r\n"
            "SUMMARY:Water plants and repot\r\nDTSTART;VALUE=DATE:20260310\r\n"
            "DUE;VALUE=DATE:20260310\r\nEND:VTODO\r\nEND:VCALENDAR\r\n")
        self.a.sync()
        self.a.sql("UPDATE TASKS SET DESCRIPTION = 'the big ones too'")
        self.a.sync()
        data = self.phone.todos()["weekly"].data
        self.assertIn("DESCRIPTION:the big ones too", data)
        self.assertIn("RECURRENCE-ID;VALUE=DATE:20260309", data)
        self.assertIn("SUMMARY:Water plants and repot", data)

    def test_412_on_put_and_delete_when_the_phone_edits_just_before(self):
        proxy = Proxy(AUTHORITY, (SERVICE.port, AUTHORITY.client_context()))
        self.addCleanup(proxy.stop)
        self.first_sync(("Edited both", "2026-03-05"), ("Deleted here", "2026-03-06"),
                        url=self.through(proxy))
        uids = {str(t.icalendar_component["summary"]): uid for uid, t in self.phone.todos().items()}

        def phone_first(method, path):
            for title, uid in uids.items():
                if method in ("PUT", "DELETE") and uid.split("@")[0] in path:
                    del uids[title]
                    retitle(self.phone, uid, f"{title}, by the phone")
                    return
        proxy.before = phone_first
        self.a.sql("UPDATE TASKS SET DESCRIPTION = 'from here' WHERE TASK_ID = 1")
        self.a.sql("DELETE FROM TASKS WHERE TASK_ID = 2")
        self.a.sync()
        proxy.before = None
        self.assertEqual(uids, {})  # both requests met an edit on the phone first
        self.assertEqual(tasks(self.a),
                         [("Deleted here, by the phone", "", "2026-03-06", "INCOMPLETE"),
                          ("Edited both, by the phone", "from here", "2026-03-05",
                           "INCOMPLETE")])
        self.assertEqual(summaries(self.phone),
                         ["Deleted here, by the phone", "Edited both, by the phone"])
        self.assertIn("DESCRIPTION:from here",
                      self.phone.by_summary("Edited both, by the phone")[0].data)
        # Settled: the next run asks once and has nothing to do.
        before = len(proxy.requests)
        self.assertIn("(1 requests)", self.a.sync())
        self.assertEqual(len(proxy.requests) - before, 1)

    def test_an_unknown_sync_token(self):
        self.first_sync(("First", "2026-03-05"))
        self.a.sql("UPDATE SYNC_STATE SET VALUE = VALUE || '-unknown' WHERE KEY = 'SYNC_TOKEN'")
        self.phone.calendar.save_todo(vtodo("p1", "SUMMARY:From the phone\r\n"))
        self.assertIn("From the server: 1 added, 0 changed, 0 deleted", self.a.sync())
        self.assertEqual(sorted(t[0] for t in self.a.tasks().values()),
                         ["First", "From the phone"])
        self.assertIn("(1 requests)", self.a.sync())

    def test_a_certificate_of_the_persons_own(self):
        proxy = Proxy(AUTHORITY, (SERVICE.port, AUTHORITY.client_context()))
        self.addCleanup(proxy.stop)
        url = self.through(proxy)
        # Untrusted: nothing reaches the server, so neither does the password.
        code, out = self.a.tool("setup", url, "ann", password="ann-pw\n")
        self.assertEqual(code, 1, out)
        self.assertEqual(proxy.requests, [])
        # A file that holds no certificate changes nothing.
        code, out = self.a.tool("setup", url, "ann", "--ca", self.a.file, password="ann-pw\n")
        self.assertEqual((code, proxy.requests), (1, []), out)
        self.assertIn("holds no PEM certificate", out)
        # The server's own certificate, not its authority: trusted for this collection alone.
        fingerprint = subprocess.run(
            ["openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in", AUTHORITY.cert],
            capture_output=True, text=True, check=True).stdout.split("=", 1)[1].strip()
        out = self.a.setup(url, "ann", "ann-pw", "--ca", AUTHORITY.cert)
        self.assertIn(f"SHA-256 fingerprint {fingerprint}", out)
        self.a.add(1, "Trusted", "2026-03-05")
        self.assertIn("To the server: 1 added", self.a.sync())
        # Renewed on the server: the old one no longer matches, and the person is told how on.
        proxy.use_certificate(*AUTHORITY.issue("renewed"))
        proxy.requests.clear()
        code, out = self.a.tool()
        self.assertEqual(code, 1, out)
        self.assertIn("is not the one trusted for this collection", out)
        self.assertIn("setup URL USER --ca FILE", out)
        self.assertEqual(proxy.requests, [])
        self.a.setup(url, "ann", "ann-pw", "--ca", AUTHORITY.pem)
        self.assertIn("(1 requests)", self.a.sync())
        # Another database without it still refuses the server.
        other = Database(WORK, SYNC, INITDB)
        code, out = other.tool("setup", url, "ann", password="ann-pw\n")
        self.assertEqual(code, 1, out)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
