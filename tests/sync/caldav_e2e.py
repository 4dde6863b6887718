# SPDX-License-Identifier: MIT
"""dueboard-sync against a real Radicale on 127.0.0.1, the password in a real gnome-keyring on
the private session bus, and python3-caldav playing the person's phone.

Run under dbus-run-session: caldav_e2e.py DUEBOARD_SYNC DUEBOARD_INITDB [TEST_NAME]"""
import http.client
import http.server
import socket
import sys
import threading
import time
import unittest
import uuid

from caldav_env import Database, Phone, Services, vtodo
from standin import StandIn

SYNC, INITDB = sys.argv[1], sys.argv[2]
TODAY = __import__("datetime").date.today().isoformat()


class Proxy(http.server.ThreadingHTTPServer):
    """Between the tool and Radicale: passes requests on, or plays a failing server."""

    def __init__(self, target):
        self.target = target
        self.mode = "pass"   # pass | refuse | error | garbage
        self.allowed = None  # requests left before the connection drops, None: no limit
        self.lose_put_reply = False  # PUTs reach the server, their replies never come back
        self.refuse_put = None       # a PUT whose body holds this text gets 400
        self.puts = []               # bodies of the PUTs seen
        super().__init__(("127.0.0.1", 0), ProxyHandler)


class ProxyHandler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def relay(self):
        proxy = self.server
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        if proxy.allowed is not None:
            if proxy.allowed <= 0:
                self.close_connection = True
                self.connection.shutdown(socket.SHUT_RDWR)
                return
            proxy.allowed -= 1
        if self.command == "PUT":
            proxy.puts.append(body.decode("utf-8", "replace"))
            if proxy.refuse_put and proxy.refuse_put in proxy.puts[-1]:
                self.send_response(400)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
        if proxy.mode in ("error", "garbage"):
            status, data = (503, b"down") if proxy.mode == "error" else (207, b"<multistatus><resp")
            self.send_response(status)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
            return
        conn = http.client.HTTPConnection("127.0.0.1", proxy.target)
        headers = {k: v for k, v in self.headers.items() if k.lower() != "host"}
        conn.request(self.command, self.path, body, headers)
        reply = conn.getresponse()
        data = reply.read()
        if self.command == "PUT" and proxy.lose_put_reply:
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        self.send_response(reply.status)
        for k, v in reply.getheaders():
            if k.lower() not in ("content-length", "transfer-encoding", "connection"):
                self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_OPTIONS = relay


def setUpModule():
    global SERVICES
    SERVICES = Services()


def tearDownModule():
    SERVICES.stop()


class SyncTest(unittest.TestCase):
    def setUp(self):
        self.phone = Phone(SERVICES, "ann", "ann-pw", "t" + uuid.uuid4().hex[:8])
        self.a = Database(SERVICES.work, SYNC, INITDB)
        self.b = Database(SERVICES.work, SYNC, INITDB)

    def test_two_databases_and_a_phone(self):
        self.a.add(1, "Buy milk", "2026-03-05", description="2 litres")
        self.a.add(2, "Pay rent", "2026-03-01", "SPECIAL")
        self.a.add(3, "Old", "2026-03-02")
        self.a.setup(self.phone.url, "ann", "ann-pw")
        self.assertIn("To the server: 3 added", self.a.sync())
        self.b.sql("INSERT INTO sysIDS VALUES ('TASK', 100)")
        self.b.setup(self.phone.url, "ann", "ann-pw")
        self.assertIn("From the server: 3 added", self.b.sync())
        self.assertEqual(sorted(t[0] for t in self.b.tasks().values()),
                         ["Buy milk", "Old", "Pay rent"])
        self.assertEqual(sorted(self.b.tasks()), [101, 102, 103])

        # The phone adds a to-do of its own with no due date, renames one, completes one and
        # deletes one.
        self.phone.calendar.save_todo(vtodo("phone-1", "SUMMARY:Call Ann\r\n"
                                            "CATEGORIES:HOME\r\nX-PHONE-COLOUR:teal\r\n"
                                            "BEGIN:VALARM\r\nACTION:DISPLAY\r\n"
                                            "DESCRIPTION:Ring\r\nTRIGGER:-PT15M\r\n"
                                            "END:VALARM\r\n"))
        milk, = self.phone.by_summary("Buy milk")
        self.phone.edit(milk, "SUMMARY:Buy milk", "SUMMARY:Buy oat milk")
        rent, = self.phone.by_summary("Pay rent")
        self.phone.edit(rent, "STATUS:NEEDS-ACTION", "STATUS:COMPLETED")
        old, = self.phone.by_summary("Old")
        old.delete()
        for db in (self.a, self.b):
            out = db.sync()
            self.assertIn("From the server: 1 added, 2 changed, 1 deleted", out)
            tasks = {t[0]: t for t in db.tasks().values()}
            self.assertEqual(tasks["Call Ann"][2:4], (TODAY, "INCOMPLETE"))
            self.assertEqual(tasks["Buy oat milk"][1:3], ("2 litres", "2026-03-05"))
            self.assertEqual(tasks["Pay rent"][3], "COMPLETE")
            self.assertNotIn("Old", tasks)

        # Edited here: only that field changes there; what the phone put on it stays, and the
        # undated to-do gets no due date.
        self.a.sql("UPDATE TASKS SET DESCRIPTION = 'from my desk' WHERE TASK_TITLE = 'Call Ann'")
        self.assertIn("To the server: 0 added, 1 changed", self.a.sync())
        call = self.phone.todos()["phone-1"].data
        for kept in ("X-PHONE-COLOUR:teal", "CATEGORIES:HOME", "BEGIN:VALARM", "TRIGGER:-PT15M",
                     "DESCRIPTION:from my desk"):
            self.assertIn(kept, call)
        self.assertNotIn("DUE", call)
        self.assertIn("From the server: 0 added, 1 changed", self.b.sync())
        # Nothing left to do: one request.
        self.assertIn("(1 requests)", self.a.sync())

    def test_conflicts(self):
        self.a.add(1, "Plan trip", "2026-03-05", description="train")
        self.a.setup(self.phone.url, "ann", "ann-pw")
        self.a.sync()
        # Different fields: both edits are kept.
        trip, = self.phone.by_summary("Plan trip")
        self.phone.edit(trip, "SUMMARY:Plan trip", "SUMMARY:Plan the trip")
        self.a.sql("UPDATE TASKS SET DESCRIPTION = 'train, 9:05' WHERE TASK_ID = 1")
        out = self.a.sync()
        self.assertEqual(self.a.tasks()[1][:2], ("Plan the trip", "train, 9:05"))
        self.assertIn("DESCRIPTION:train\\, 9:05", self.phone.todos()[trip.icalendar_component[
            "uid"]].data)
        # One field, the phone later: the phone wins and the text replaced here is named.
        self.a.sql("UPDATE TASKS SET DESCRIPTION = 'desk text' WHERE TASK_ID = 1")
        time.sleep(1.1)
        trip, = self.phone.by_summary("Plan the trip")
        self.phone.edit(trip, "DESCRIPTION:train\\, 9:05", "DESCRIPTION:phone text")
        out = self.a.sync()
        self.assertEqual(self.a.tasks()[1][1], "phone text")
        self.assertIn('"desk text"', out)
        # One field, here later: this side wins, the phone's text is named, the server gets it.
        trip, = self.phone.by_summary("Plan the trip")
        self.phone.edit(trip, "DESCRIPTION:phone text", "DESCRIPTION:phone again")
        time.sleep(1.1)
        self.a.sql("UPDATE TASKS SET DESCRIPTION = 'desk wins' WHERE TASK_ID = 1")
        out = self.a.sync()
        self.assertEqual(self.a.tasks()[1][1], "desk wins")
        self.assertIn('"phone again"', out)
        self.assertIn("DESCRIPTION:desk wins", self.phone.by_summary("Plan the trip")[0].data)

    def test_deletions_and_edits_that_beat_them(self):
        for i, title in enumerate(["Gone there", "Gone here", "Edited there", "Edited here"], 1):
            self.a.add(i, title, "2026-03-05")
        self.a.setup(self.phone.url, "ann", "ann-pw")
        self.a.sync()
        self.phone.by_summary("Gone there")[0].delete()
        self.a.sql("DELETE FROM TASKS WHERE TASK_TITLE = 'Gone here'")
        there, = self.phone.by_summary("Edited there")
        self.phone.edit(there, "SUMMARY:Edited there", "SUMMARY:Edited there, kept")
        self.a.sql("DELETE FROM TASKS WHERE TASK_TITLE = 'Edited there'")
        self.a.sql("UPDATE TASKS SET TASK_DATE = '2026-03-09' WHERE TASK_TITLE = 'Edited here'")
        self.phone.by_summary("Edited here")[0].delete()
        self.a.sync()
        self.assertEqual(sorted(t[0] for t in self.a.tasks().values()),
                         ["Edited here", "Edited there, kept"])
        on_phone = sorted(str(t.icalendar_component["summary"])
                          for t in self.phone.todos().values())
        self.assertEqual(on_phone, ["Edited here", "Edited there, kept"])
        self.assertIn("DUE;VALUE=DATE:20260309", self.phone.by_summary("Edited here")[0].data)

    def test_failures_lose_nothing_and_the_next_run_carries_on(self):
        proxy = Proxy(SERVICES.port)
        threading.Thread(target=proxy.serve_forever, daemon=True).start()
        url = self.phone.url.replace(str(SERVICES.port), str(proxy.server_address[1]))
        self.a.setup(url, "ann", "ann-pw")
        for i in range(1, 9):
            self.a.add(i, f"Task {i}", "2026-03-05")
        proxy.allowed = 4  # the server stops part way through the run
        code, out = self.a.tool()
        self.assertEqual(code, 1)
        self.assertIn("cannot reach 127.0.0.1", out)
        proxy.allowed = None
        for mode, message in (("error", "the server reported an error (HTTP 503)"),
                              ("garbage", "could not be read")):
            proxy.mode = mode
            code, out = self.a.tool()
            self.assertEqual(code, 1)
            self.assertIn(message, out)
        proxy.mode = "pass"
        self.assertIn("To the server: ", self.a.sync())
        self.assertEqual(len(self.phone.todos()), 8)
        self.assertEqual(len(self.a.tasks()), 8)
        proxy.shutdown()

    def test_a_refused_sync_token_and_a_server_without_sync_collection(self):
        self.a.add(1, "First", "2026-03-05")
        self.a.setup(self.phone.url, "ann", "ann-pw")
        self.a.sync()
        self.a.sql("UPDATE SYNC_STATE SET VALUE = 'http://radicale.org/ns/sync/bogus' "
                   "WHERE KEY = 'SYNC_TOKEN'")
        self.phone.calendar.save_todo(vtodo("p1", "SUMMARY:From the phone\r\n"))
        self.assertIn("From the server: 1 added, 0 changed, 0 deleted", self.a.sync())
        # As with a server that offers no sync-collection: every ETag is compared.
        self.a.sql("UPDATE SYNC_STATE SET VALUE = '0' WHERE KEY = 'SYNC_COLLECTION'")
        self.phone.by_summary("First")[0].delete()
        phone, = self.phone.by_summary("From the phone")
        self.phone.edit(phone, "SUMMARY:From the phone", "SUMMARY:From the phone, again")
        self.assertIn("From the server: 0 added, 1 changed, 1 deleted", self.a.sync())
        self.assertEqual([t[0] for t in self.a.tasks().values()], ["From the phone, again"])

    def test_refused_login_and_two_databases_with_two_collections(self):
        bobs = Phone(SERVICES, "bob", "bob-pw", "b" + uuid.uuid4().hex[:8])
        self.a.add(1, "Ann's", "2026-03-05")
        self.b.add(1, "Bob's", "2026-03-05")
        code, out = self.a.tool("setup", self.phone.url, "ann", password="wrong\n")
        self.assertEqual(code, 1)
        self.assertIn("refused the login", out)
        self.a.setup(self.phone.url, "ann", "ann-pw")
        self.b.setup(bobs.url, "bob", "bob-pw")
        self.a.sync()
        self.b.sync()
        self.assertEqual([str(t.icalendar_component["summary"]) for t in
                          self.phone.todos().values()], ["Ann's"])
        self.assertEqual([str(t.icalendar_component["summary"]) for t in
                          bobs.todos().values()], ["Bob's"])
        self.assertEqual(self.a.sql("SELECT VALUE FROM SYNC_STATE WHERE KEY = 'USER'"), [("ann",)])
        # The password stays out of the database file.
        with open(self.a.file, "rb") as f:
            self.assertNotIn(b"ann-pw", f.read())

    def proxied(self):
        proxy = Proxy(SERVICES.port)
        threading.Thread(target=proxy.serve_forever, daemon=True).start()
        self.addCleanup(proxy.shutdown)
        self.a.setup(self.phone.url.replace(str(SERVICES.port), str(proxy.server_address[1])),
                     "ann", "ann-pw")
        return proxy

    def test_nothing_duplicated_nothing_lost(self):
        # A PUT whose reply is lost: the next run finds its own to-do, and sends no second one.
        proxy = self.proxied()
        self.a.add(1, "Once", "2026-03-05")
        proxy.lose_put_reply = True
        self.assertEqual(self.a.tool()[0], 1)
        proxy.lose_put_reply = False
        self.a.sync()
        self.assertEqual([str(t.icalendar_component["summary"])
                          for t in self.phone.todos().values()], ["Once"])
        self.assertEqual(len(self.a.tasks()), 1)
        # Deleted here after a lost reply: the to-do that did get there goes too.
        self.a.add(2, "Gone soon", "2026-03-05")
        proxy.lose_put_reply = True
        self.assertEqual(self.a.tool()[0], 1)
        proxy.lose_put_reply = False
        self.a.sql("DELETE FROM TASKS WHERE TASK_ID = 2")
        self.a.sync()
        self.assertEqual(len(self.phone.todos()), 1)
        # A edits the title, B a second later; A syncs first: B's later edit still wins.
        self.b.setup(self.phone.url, "ann", "ann-pw")
        self.b.sync()
        self.a.sql("UPDATE TASKS SET TASK_TITLE = 'from A'")
        time.sleep(1.1)
        self.b.sql("UPDATE TASKS SET TASK_TITLE = 'from B'")
        self.a.sync()
        self.assertIn('"from A"', self.b.sync())
        self.a.sync()
        for db in (self.a, self.b):
            self.assertEqual([t[0] for t in db.tasks().values()], ["from B"])
        # A recurring to-do's changed occurrence survives an edit here.
        self.phone.calendar.save_todo(vtodo("rec", "SUMMARY:Bins\r\nDTSTART:20260303T090000Z\r\n"
                                            "RRULE:FREQ=WEEKLY\r\n").replace(
            "END:VCALENDAR", "BEGIN:VTODO\r\nUID:rec\r\nDTSTAMP:20260301T120000Z\r\n"
            "RECURRENCE-ID:20260310T090000Z\r\nSUMMARY:Bins late\r\nEND:VTODO\r\n"
            "END:VCALENDAR"))
        self.a.sync()
        self.a.sql("UPDATE TASKS SET TASK_TITLE = 'Put the bins out' WHERE TASK_TITLE = 'Bins'")
        self.a.sync()
        data = self.phone.todos()["rec"].data
        self.assertIn("SUMMARY:Put the bins out", data)
        self.assertIn("RECURRENCE-ID:20260310T090000Z", data)

    def test_one_bad_todo_never_stops_the_rest(self):
        proxy = self.proxied()
        self.a.add(1, "First", "2026-03-05")
        self.a.add(2, "Refused", "2026-03-05")
        self.a.add(3, "Third", "2026-03-05")
        # Control characters, CR and blanks at either end: sent once, in a form every client
        # reads (python3-caldav parses the server's XML), and kept here as they are.
        self.a.add(4, "  Bell\x07 ", "2026-03-05", description="a\r\nb\rc")
        proxy.refuse_put = "SUMMARY:Refused"
        out = self.a.sync()
        self.assertIn('skipped "Refused"', out)
        self.assertIn("To the server: 3 added", out)
        titles = sorted(str(t.icalendar_component["summary"]) for t in self.phone.todos().values())
        self.assertEqual(titles, ["  Bell\u2407 ", "First", "Third"])
        self.assertEqual(self.a.tasks()[4][:2], ("  Bell\x07 ", "a\r\nb\rc"))
        # Tried on the next three runs, then only once it changes.
        for _ in range(4):
            self.a.sync()
        refused = [p for p in proxy.puts if "SUMMARY:Refused" in p]
        self.assertEqual(len(refused), 4)
        self.assertIn("To the server: 0 added, 0 changed", self.a.sync())
        self.a.sql("UPDATE TASKS SET DESCRIPTION = 'again' WHERE TASK_ID = 2")
        self.a.sync()
        self.assertEqual(len([p for p in proxy.puts if "SUMMARY:Refused" in p]), 5)

    def test_what_no_real_server_sends(self):
        server = StandIn("127.0.0.2")
        self.addCleanup(server.stop)
        # Two resources with one UID: the same one is taken every run, the other named. A
        # to-do that cannot be read is named on this run and the next three, then left alone.
        server.put("/cal/a.ics", vtodo("dup", "SUMMARY:From a\r\n"))
        server.put("/cal/b.ics", vtodo("dup", "SUMMARY:From b\r\n"))
        server.put("/cal/bad.ics", vtodo("bad", "SUMMARY:Bad\r\nDURATION:PT1H\r\n"))
        # Stored raw by another client: the reply is no valid XML, and the to-do is read.
        server.put("/cal/bell.ics", vtodo("bell", "SUMMARY:Bell\x07 raw\r\n"))
        self.a.setup(server.url(), "ann", "pw")
        outs = [self.a.sync() for _ in range(5)]
        self.assertIn("From the server: 2 added", outs[0])
        for out in outs:
            self.assertIn("0 changed", out)
        self.assertEqual([t[0] for t in self.a.tasks().values()], ["From a", "Bell\u2407 raw"])
        for name in ("/cal/b.ics", "/cal/bad.ics"):
            self.assertEqual([name in out for out in outs], [True] * 4 + [False])
        server.put("/cal/bad.ics", vtodo("bad", "SUMMARY:Bad\r\nDTSTART:20260301T090000Z\r\n"
                                         "DURATION:PT1H\r\n"))
        self.assertIn("From the server: 1 added", self.a.sync())
        # The resource taken is deleted there: the other one with its UID is taken instead.
        del server.resources["/cal/a.ics"]
        server.gone.append("/cal/a.ics")
        self.assertIn("From the server: 0 added, 1 changed, 0 deleted", self.a.sync())
        self.assertIn("From b", [t[0] for t in self.a.tasks().values()])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)
