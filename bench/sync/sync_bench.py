# SPDX-License-Identifier: MIT
"""The first sync of 10,000 tasks to a real Radicale on 127.0.0.1, and a run with nothing to do,
each beside the plainest way to make the same requests (http.client, one after another).
Measured, never asserted. Run under dbus-run-session: sync_bench.py BINDIR [TASKS]"""
import base64
import http.client
import os
import sys
import time
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "sync"))
from caldav_env import Database, Phone, Services  # noqa: E402

BINDIR = sys.argv[1]
COUNT = int(sys.argv[2]) if len(sys.argv) > 2 else 10000


def plain_puts(services, url, count):
    """The same number of new to-dos written with bare PUTs, no bookkeeping."""
    path = url.split(str(services.port), 1)[1]
    auth = "Basic " + base64.b64encode(b"ann:ann-pw").decode()
    conn = http.client.HTTPConnection("127.0.0.1", services.port)
    start = time.perf_counter()
    for i in range(count):
        uid = uuid.uuid4().hex
        body = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\nBEGIN:VTODO\r\n"
                f"UID:{uid}\r\nDTSTAMP:20260305T000000Z\r\nSUMMARY:Task {i}\r\n"
                "DUE;VALUE=DATE:20260305\r\nSTATUS:NEEDS-ACTION\r\nEND:VTODO\r\n"
                "END:VCALENDAR\r\n")
        conn.request("PUT", f"{path}{uid}.ics", body, {"Authorization": auth,
                                                       "Content-Type": "text/calendar",
                                                       "If-None-Match": "*"})
        conn.getresponse().read()
    return time.perf_counter() - start


def plain_report(services, url):
    path = url.split(str(services.port), 1)[1]
    auth = "Basic " + base64.b64encode(b"ann:ann-pw").decode()
    conn = http.client.HTTPConnection("127.0.0.1", services.port)
    body = ('<?xml version="1.0"?><D:sync-collection xmlns:D="DAV:"><D:sync-token/>'
            '<D:sync-level>1</D:sync-level><D:prop><D:getetag/></D:prop></D:sync-collection>')
    start = time.perf_counter()
    conn.request("REPORT", path, body, {"Authorization": auth, "Depth": "1",
                                        "Content-Type": "application/xml"})
    conn.getresponse().read()
    return time.perf_counter() - start


def timed(db):
    start = time.perf_counter()
    out = db.sync()
    return time.perf_counter() - start, out.strip().splitlines()[-1]


def main():
    services = Services()
    try:
        sync, initdb = os.path.join(BINDIR, "dueboard-sync"), os.path.join(BINDIR, "dueboard-initdb")
        phone = Phone(services, "ann", "ann-pw", "bench")
        db = Database(services.work, sync, initdb)
        db.sql("INSERT INTO sysIDS VALUES ('TASK', ?)", COUNT)
        with __import__("sqlite3").connect(db.file) as raw:
            raw.executemany("INSERT INTO TASKS VALUES (?,?,?,?,?)",
                            [(i, f"Task {i}", "notes", "2026-03-05", "INCOMPLETE")
                             for i in range(1, COUNT + 1)])
        db.setup(phone.url, "ann", "ann-pw")
        first, first_out = timed(db)
        print(f"first sync of {COUNT} tasks: {first:.1f} s ({first_out})", flush=True)
        idle, idle_out = timed(db)
        bare = plain_report(services, phone.url)
        print(f"sync with nothing to do: {idle * 1000:.0f} ms ({idle_out})")
        print(f"  one bare sync-collection REPORT over all {COUNT}: {bare * 1000:.0f} ms; "
              f"ratio {idle / bare:.2f}", flush=True)
        plain = plain_puts(services, Phone(services, "ann", "ann-pw", "plain").url, COUNT)
        print(f"  plain PUTs of {COUNT} to-dos to the same server: {plain:.1f} s; "
              f"ratio {first / plain:.2f}")
    finally:
        services.stop()


main()
