# SPDX-License-Identifier: MIT
"""dueboard-sync against hostile and broken servers: the stand-in (standin.py) for replies no
real server gives, a real Radicale for the rest, the password in a real gnome-keyring.
One row per fault, grouped as a person would ask: where do my password and requests go, is
anything duplicated or lost, does one bad reply stop sync, and what do I read.

Run under dbus-run-session: trust_e2e.py DUEBOARD_SYNC DUEBOARD_INITDB [TEST_NAME]"""
import os
import pty
import sqlite3
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import uuid

from caldav_env import Database, Phone, Services, vtodo
from standin import Reply, StandIn

SYNC, INITDB = sys.argv[1], sys.argv[2]


def run(db, *args, password=None, env=None, timeout=60):
    """The tool on db's file; its status and everything it wrote."""
    r = subprocess.run([SYNC, "--database", db.file, *args], capture_output=True, text=True,
                       input=password, timeout=timeout, env={**os.environ, **(env or {})})
    return r.returncode, r.stdout + r.stderr


def todo(uid, summary):
    return vtodo(uid, f"SUMMARY:{summary}\r\nDUE;VALUE=DATE:20260305\r\n")


def has_tables(db):
    return db.sql("SELECT count(*) FROM sqlite_master WHERE name LIKE 'SYNC%'")[0][0] > 0


class Case(unittest.TestCase):
    """A database, a stand-in on 127.0.0.2 and one on 127.0.0.3, made fresh for each row."""

    def setUp(self):
        self.db = Database(SERVICES.work, SYNC, INITDB)
        self.server = StandIn("127.0.0.2")
        self.other = StandIn("127.0.0.3")

    def tearDown(self):
        self.server.stop()
        self.other.stop()

    def set_up(self, server=None):
        server = server or self.server
        code, out = run(self.db, "setup", server.url(), "ann", password="pw\n")
        self.assertEqual(code, 0, out)

    def sync(self, **kw):
        code, out = run(self.db, **kw)
        self.assertEqual(code, 0, out)
        return out

    def rows(self, table):
        for item, row in table:
            with self.subTest(item=item):
                try:
                    row(self)
                finally:
                    self.tearDown()
                    self.setUp()


# Where the password and the requests go ------------------------------------------------------

def redirect_to_another_server(t):
    t.server.script = lambda req: Reply(307, headers=[("Location", t.other.url())])
    code, out = run(t.db, "setup", t.server.url(), "ann", password="pw\n")
    t.assertEqual(code, 1, out)
    t.assertIn(f"sent the request on to {t.other.url()}", out)
    t.assertEqual(t.other.requests, [], "nothing, and no password, reaches the other server")
    # On the same server: followed, and said.
    t.server.script = lambda req: (Reply(308, headers=[("Location", "/cal/")])
                                   if req.path == "/old/" else None)
    code, out = run(t.db, "setup", t.server.url("/old/"), "ann", password="pw\n")
    t.assertEqual(code, 0, out)
    t.assertIn(f"moved {t.server.url('/old/')} to {t.server.url('/cal/')}", out)
    t.assertEqual(t.db.sql("SELECT VALUE FROM SYNC_STATE WHERE KEY = 'URL'"),
                  [(t.server.url("/cal/"),)])
    # A resource led out of the collection is not followed there either.
    t.db.add(1, "Milk", "2026-03-05")
    t.server.script = lambda req: (Reply(307, headers=[("Location", "/victim/x.ics")])
                                   if req.method == "PUT" else None)
    code, out = run(t.db)
    t.assertEqual(code, 1, out)
    t.assertNotIn("/victim/x.ics", [r.path for r in t.server.requests])


def hrefs_outside_the_collection(t):
    t.server.put("/cal/mine.ics", todo("mine", "Mine"))
    for href in ("../victim/a.ics", "/victim/b.ics", "/cal/../victim/", "/cal/%2e%2e/victim/c",
                 "http://127.0.0.3/cal/d.ics"):
        t.server.put(href, todo(uuid.uuid4().hex, "Not mine"))
    t.db.add(5, "Mine too", "2026-03-05")
    t.set_up()
    out = t.sync()
    t.assertIn("From the server: 1 added", out)
    t.assertIn("/victim/b.ics, which is not inside the task list", out)
    # As an earlier version kept it: left alone, and the task goes to the collection anew.
    t.db.sql("UPDATE SYNC_ITEMS SET HREF = '/victim/old.ics' WHERE TASK_ID = 5")
    # An earlier version kept no mark of addresses checked.
    t.db.sql("DELETE FROM SYNC_STATE WHERE KEY = 'ADDRESSES_CHECKED_FOR'")
    t.db.sql("UPDATE TASKS SET TASK_TITLE = 'Mine, edited' WHERE TASK_ID = 5")
    t.assertIn("/victim/old.ics is not inside the task list", t.sync())
    t.db.sql("DELETE FROM TASKS")
    t.sync()
    touched = [(r.method, r.path) for r in t.server.requests if r.method in ("GET", "PUT",
                                                                              "DELETE")]
    t.assertIn(("DELETE", "/cal/mine.ics"), touched)
    for method, path in touched:
        t.assertTrue(path.startswith("/cal/") and "/." not in path, (method, path))
    t.assertEqual(t.other.requests, [])


def etag_with_a_line_break(t):
    t.server.put("/cal/a.ics", todo("a", "Hostile"), etag='"1"\r\nX-Injected: yes')
    t.server.put("/cal/b.ics", todo("b", "Fine"))
    t.set_up()
    out = t.sync()
    t.assertIn("/cal/a.ics on the server has no readable ETag; it was left alone", out)
    t.db.sql("UPDATE TASKS SET TASK_TITLE = TASK_TITLE || '!'")
    t.sync()
    for r in t.server.requests:
        t.assertNotIn("x-injected", r.headers)
    t.assertIn("Hostile", t.server.resources["/cal/a.ics"][1])


def password_in_the_address(t):
    phone = Phone(SERVICES, "ann", "ann-pw", "t" + uuid.uuid4().hex[:8])
    with_password = phone.url.replace("http://", "http://ann:ann-pw@")
    code, out = run(t.db, "setup", with_password, "ann", password="ann-pw\n")
    t.assertEqual(code, 1, out)
    t.assertIn("must not hold a user name or password", out)
    t.assertNotIn("ann-pw", out)
    # As an earlier version stored it: the next run moves it to the keyring, and says so.
    run(t.db, "export", os.path.join(t.db.dir, "made-tables.ics"))
    t.db.sql("INSERT INTO SYNC_STATE VALUES ('URL', ?), ('USER', 'ann')", with_password)
    t.db.add(1, "Milk", "2026-03-05")
    out = t.sync()
    t.assertIn("moved to the desktop's keyring", out)
    t.assertIn("To the server: 1 added", out)
    t.assertEqual(t.db.sql("SELECT VALUE FROM SYNC_STATE WHERE KEY = 'URL'"), [(phone.url,)])
    with open(t.db.file, "rb") as f:
        t.assertNotIn(b"ann-pw", f.read())
    t.assertIn("To the server: 0 added", t.sync())


class Credentials(Case):
    def test_rows(self):
        self.rows([(1, redirect_to_another_server), (2, hrefs_outside_the_collection),
                   (3, etag_with_a_line_break), (4, password_in_the_address)])


# Nothing duplicated, nothing lost ------------------------------------------------------------

def listed_without_an_etag(t):
    t.server.offers_sync = False
    t.server.put("/cal/a.ics", todo("a", "Keep me"))
    t.set_up()
    t.assertIn("From the server: 1 added", t.sync())
    t.server.resources["/cal/a.ics"][0] = ""
    out = t.sync()
    t.assertIn("/cal/a.ics on the server has no readable ETag; it was left alone", out)
    t.assertIn("0 deleted", out)
    t.assertEqual([v[0] for v in t.db.tasks().values()], ["Keep me"])


def refused_then_gone(t):
    t.server.put("/cal/a.ics", todo("a", "Vanishes"))
    t.set_up()
    t.sync()
    t.db.sql("UPDATE TASKS SET TASK_TITLE = 'Edited here'")

    def vanish_on_write(req):  # deleted by another client between the listing and the write
        if req.method == "PUT" and "if-match" in req.headers:
            t.server.resources.pop(req.path, None)
            return Reply(412)
        return None
    t.server.script = vanish_on_write
    t.sync()
    puts = [r.path for r in t.server.requests if r.method == "PUT"]
    t.assertTrue(all(p.startswith("/cal/") and len(p) > 5 for p in puts), puts)
    t.assertIn("Edited here", "".join(d for _, d in t.server.resources.values()))
    # A refusal is no refused login: it names the request and the address.
    t.db.sql("UPDATE TASKS SET TASK_TITLE = 'Again'")
    t.server.script = lambda req: Reply(403) if req.method == "PUT" else None
    code, out = run(t.db)
    t.assertEqual(code, 0, out)  # one to-do refused: it is named, and the run goes on
    t.assertIn(f"refused PUT {t.server.url('/cal/')}", out)
    t.assertNotIn("login", out)


class NothingDuplicatedOrLost(Case):
    def test_rows(self):
        self.rows([(8, listed_without_an_etag), (15, refused_then_gone)])


# One bad reply never stops sync --------------------------------------------------------------

def silent_and_dripping_servers(t):
    t.set_up()
    t.server.script = lambda req: time.sleep(3) if req.method == "REPORT" else None
    start = time.monotonic()
    code, out = run(t.db, env={"DUEBOARD_SYNC_IDLE_SECONDS": "1"})
    t.assertEqual(code, 1, out)
    t.assertIn("no answer in time", out)
    # A byte now and then keeps a request alive, but not the run.
    t.server.script = lambda req: (Reply(207, b" " * 1000, drip=0.2)
                                   if req.method == "REPORT" else None)
    start = time.monotonic()
    code, out = run(t.db, env={"DUEBOARD_SYNC_IDLE_SECONDS": "1",
                               "DUEBOARD_SYNC_RUN_SECONDS": "2"}, timeout=30)
    t.assertEqual(code, 1, out)
    t.assertIn("the run took too long and was stopped", out)
    t.assertLess(time.monotonic() - start, 20)


def forgotten_sync_token(t):
    t.set_up()
    t.sync()
    t.server.token_status = 500  # as Xandikos answers
    t.server.put("/cal/a.ics", todo("a", "New there"))
    t.assertIn("From the server: 1 added", t.sync())
    t.set_up()
    [(token,)] = t.db.sql("SELECT VALUE FROM SYNC_STATE WHERE KEY = 'SYNC_TOKEN'")
    t.assertFalse(token)


def weak_etags(t):
    t.server.weak_if_compressed = True
    t.db.add(1, "Milk", "2026-03-05")
    t.set_up()
    t.sync()
    t.db.sql("UPDATE TASKS SET TASK_TITLE = 'Oat milk'")
    out = t.sync()
    t.assertIn("To the server: 0 added, 1 changed", out)
    t.assertIn("Oat milk", "".join(d for _, d in t.server.resources.values()))
    for r in t.server.requests:
        t.assertFalse(r.headers.get("if-match", "").startswith("W/"), r)


def huge_reply(t):
    t.set_up()
    t.server.script = lambda req: (Reply(207, b"<D:multistatus xmlns:D='DAV:'>",
                                         size=200 * 1024 * 1024)
                                   if req.method == "REPORT" else None)
    code, out = run(t.db)
    t.assertEqual(code, 1, out)
    t.assertIn("larger than 64 MiB", out)


class OneBadReplyNeverStopsSync(Case):
    def test_rows(self):
        self.rows([(12, silent_and_dripping_servers), (16, forgotten_sync_token),
                   (17, weak_etags), (18, huge_reply)])


# What a person reads -------------------------------------------------------------------------

def untrusted_certificate(t):
    with tempfile.TemporaryDirectory() as d:
        key, cert = os.path.join(d, "key.pem"), os.path.join(d, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                        "-subj", "/CN=127.0.0.4", "-keyout", key, "-out", cert],
                       check=True, capture_output=True)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        secure = StandIn("127.0.0.4", ssl_context=context)
    try:
        code, out = run(t.db, "setup", secure.url(), "ann", password="pw\n")
    finally:
        secure.stop()
    t.assertEqual(code, 1, out)
    t.assertIn("the certificate of 127.0.0.4 is not trusted: ", out)
    t.assertIn("self signed", out.lower().replace("-", " "))


def setup_given_the_wrong_address(t):
    phone = Phone(SERVICES, "ann", "ann-pw", "t" + uuid.uuid4().hex[:8])
    base = f"http://127.0.0.1:{SERVICES.port}/ann/"
    code, out = run(t.db, "setup", base + "no-such-list/", "ann", password="ann-pw\n")
    t.assertEqual(code, 1, out)
    t.assertIn(f"there is no task list at {base}no-such-list/", out)
    code, out = run(t.db, "setup", base, "ann", password="ann-pw\n")
    t.assertEqual(code, 1, out)
    t.assertIn("is not a task list but a person's address", out)
    t.assertIn(phone.url, out)


def commands_that_change_nothing(t):
    junk = os.path.join(t.db.dir, "notes.txt")
    with open(junk, "w") as f:
        f.write("Buy milk\n")
    for args in (["--help"], ["frobnicate"], ["setup", "http://127.0.0.1:9/"], ["export"], []):
        code, out = run(t.db, *args)
        t.assertNotEqual(code, 1, out)
        t.assertFalse(has_tables(t.db), args)
    t.assertEqual(run(t.db, "--help")[0], 0)
    code, out = run(t.db, "import", junk)
    t.assertEqual(code, 1, out)
    t.assertIn("is not an iCalendar file", out)
    t.db.add(1, "Private", "2026-03-05")
    exported = os.path.join(t.db.dir, "all.ics")
    t.assertEqual(run(t.db, "export", exported)[0], 0)
    t.assertEqual(os.stat(exported).st_mode & 0o777, 0o600)


BARE_BUS = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>
<policy context="default"><allow send_destination="*" eavesdrop="true"/>
<allow eavesdrop="true"/><allow own="*"/></policy></busconfig>"""


def no_keyring(t):
    config = os.path.join(t.db.dir, "bus.conf")  # a bus that can start no service either
    with open(config, "w") as f:
        f.write(BARE_BUS)
    bus = subprocess.Popen(["dbus-daemon", f"--config-file={config}", "--nofork",
                            "--print-address"], stdout=subprocess.PIPE, text=True)
    try:
        bare = {"DBUS_SESSION_BUS_ADDRESS": bus.stdout.readline().strip()}
        code, out = run(t.db, "setup", t.server.url(), "ann", password="pw\n", env=bare)
        t.assertEqual(code, 1, out)
        t.assertIn("a keyring is needed to keep the password (a Secret Service such as GNOME "
                   "Keyring or KWallet)", out)
        t.assertEqual(t.server.requests, [], "said before the password is asked or sent")
        # A password an earlier version kept in the address leaves the database all the same.
        t.db.sql("INSERT INTO SYNC_STATE VALUES ('URL', ?)",
                 t.server.url().replace("http://", "http://ann:secret-pw@"))
        code, out = run(t.db, env=bare)
        t.assertEqual(code, 1, out)
        t.assertIn("was removed from the database", out)
        t.assertIn(f"run dueboard-sync setup {t.server.url()} ann again", out)
        with open(t.db.file, "rb") as f:
            t.assertNotIn(b"secret-pw", f.read())
    finally:
        bus.terminate()
        bus.wait()


def ctrl_c_at_the_password(t):
    state = os.path.join(t.db.dir, "terminal")
    pid, fd = pty.fork()
    if pid == 0:
        os.execvp("sh", ["sh", "-c", f'trap "stty -a > {state}" INT; '
                                     f'"{SYNC}" --database "{t.db.file}" setup {t.server.url()} ann'])
    seen = b""
    while b"Password:" not in seen:
        seen += os.read(fd, 100)
    os.write(fd, b"\x03")
    os.waitpid(pid, 0)
    os.close(fd)
    with open(state) as f:
        t.assertIn(" echo ", f" {f.read()} ".replace("\n", " "))


class WhatAPersonReads(Case):
    def test_rows(self):
        self.rows([(19, untrusted_certificate), (19, setup_given_the_wrong_address),
                   (19, commands_that_change_nothing), (19, no_keyring),
                   (19, ctrl_c_at_the_password)])


def setUpModule():
    global SERVICES
    SERVICES = Services()


def tearDownModule():
    SERVICES.stop()


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)
