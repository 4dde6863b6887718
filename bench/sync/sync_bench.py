# SPDX-License-Identifier: MIT
"""dueboard-sync against real servers over HTTPS on 127.0.0.1, each figure beside the plainest
way to make the same requests (http.client, one after another, no bookkeeping):
  - what one PUT costs on Radicale, Xandikos and Cyrus, into an empty collection and into one
    of 1,000 to-dos: the first sync of many tasks goes to the one that stays fastest;
  - the first sync of TASKS tasks there, beside bare PUTs of as many to-dos;
  - a run with nothing to do at 100, 1,000 and TASKS tasks, beside one bare sync-collection
    REPORT;
  - a run that brings 100 changes into TASKS tasks, beside the bare REPORT and multiget.
Measured, never asserted. Run under dbus-run-session: sync_bench.py BINDIR [TASKS]"""
import base64
import http.client
import os
import re
import sqlite3
import statistics
import sys
import tempfile
import time
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "sync"))
from caldav_env import Database, Keyring  # noqa: E402
from servers import SERVERS, TestAuthority  # noqa: E402

BINDIR = sys.argv[1]
COUNT = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
SYNC, INITDB = os.path.join(BINDIR, "dueboard-sync"), os.path.join(BINDIR, "dueboard-initdb")


def todo(uid, title):
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\nBEGIN:VTODO\r\n"
            f"UID:{uid}\r\nDTSTAMP:20260305T000000Z\r\nLAST-MODIFIED:20260305T000000Z\r\n"
            f"SUMMARY:{title}\r\nDUE;VALUE=DATE:20260305\r\nSTATUS:NEEDS-ACTION\r\nEND:VTODO\r\n"
            "END:VCALENDAR\r\n")


class Bare:
    """Plain requests to one collection over one kept-alive HTTPS connection."""

    def __init__(self, server, url):
        self.path = url.split(str(server.port), 1)[1]
        self.conn = http.client.HTTPSConnection("127.0.0.1", server.port,
                                                context=server.authority.client_context())
        self.auth = "Basic " + base64.b64encode(b"ann:ann-pw").decode()

    def request(self, method, path, body="", **headers):
        self.conn.request(method, path, body, {"Authorization": self.auth, **headers})
        reply = self.conn.getresponse()
        return reply.status, reply.getheader("ETag"), reply.read().decode()

    def puts(self, count, title="Task"):
        start = time.perf_counter()
        for i in range(count):
            uid = uuid.uuid4().hex
            self.request("PUT", f"{self.path}{uid}.ics", todo(uid, f"{title} {i}"),
                         **{"Content-Type": "text/calendar", "If-None-Match": "*"})
        return time.perf_counter() - start

    def report(self, token=""):
        body = ('<?xml version="1.0"?><D:sync-collection xmlns:D="DAV:"><D:sync-token>'
                f'{token}</D:sync-token><D:sync-level>1</D:sync-level><D:prop><D:getetag/>'
                '</D:prop></D:sync-collection>')
        return self.request("REPORT", self.path, body, Depth="1",
                            **{"Content-Type": "application/xml"})[2]

    def multiget(self, hrefs):
        body = ('<?xml version="1.0"?><C:calendar-multiget xmlns:D="DAV:" '
                'xmlns:C="urn:ietf:params:xml:ns:caldav"><D:prop><D:getetag/><C:calendar-data/>'
                '</D:prop>' + "".join(f"<D:href>{h}</D:href>" for h in hrefs) +
                '</C:calendar-multiget>')
        return self.request("REPORT", self.path, body, Depth="1",
                            **{"Content-Type": "application/xml"})[2]


def token_of(listing):
    return re.search(r"sync-token>([^<]*)<", listing).group(1)


def timed(work, times=1):
    """The median time of `times` calls, and the last call's result."""
    spent, result = [], None
    for _ in range(times):
        start = time.perf_counter()
        result = work()
        spent.append(time.perf_counter() - start)
    return statistics.median(spent), result


def database(work, server, phone, count):
    db = Database(work, SYNC, INITDB)
    db.sql("INSERT INTO sysIDS VALUES ('TASK', ?)", count)
    with sqlite3.connect(db.file) as raw:
        raw.executemany("INSERT INTO TASKS VALUES (?,?,?,?,?)",
                        [(i, f"Task {i}", "notes", "2026-03-05", "INCOMPLETE")
                         for i in range(1, count + 1)])
    db.setup(str(phone.calendar.url), "ann", "ann-pw", "--ca", server.authority.pem)
    return db


def put_costs(authority):
    print("one bare PUT, into an empty collection / after 1,000 to-dos:", flush=True)
    costs = {}
    for name, kind in SERVERS.items():
        server = kind(authority)
        try:
            bare = Bare(server, str(server.make("ann", "costs").calendar.url))
            first = bare.puts(200) / 200
            bare.puts(800)
            later = bare.puts(200) / 200
            costs[name] = later
            print(f"  {name}: {first * 1000:.1f} ms / {later * 1000:.1f} ms", flush=True)
        finally:
            server.stop()
    return min(costs, key=costs.get)


def main():
    work = tempfile.mkdtemp(prefix="dueboard-bench-")
    keyring = Keyring(work)
    authority = TestAuthority(work)
    fastest = put_costs(authority)
    server = SERVERS[fastest](authority)
    print(f"on {fastest}, the fastest after 1,000:", flush=True)
    try:
        phones, dbs = {}, {}
        for count in sorted({100, 1000, COUNT}):
            phones[count] = server.make("ann", f"n{count}")
            dbs[count] = database(work, server, phones[count], count)
            first, out = timed(dbs[count].sync)
            if count == COUNT:
                bare = Bare(server, str(server.make("ann", "bare").calendar.url)).puts(COUNT)
                print(f"  first sync of {COUNT} tasks: {first:.1f} s "
                      f"({out.strip().splitlines()[-1]}); bare PUTs of {COUNT}: {bare:.1f} s, "
                      f"ratio {first / bare:.2f}", flush=True)
        for count, db in dbs.items():
            idle, out = timed(db.sync, 5)
            bare = Bare(server, str(phones[count].calendar.url))
            token = token_of(bare.report())
            plain, _ = timed(lambda: bare.report(token), 5)
            print(f"  a run with nothing to do at {count} tasks: {idle * 1000:.0f} ms "
                  f"({out.strip().splitlines()[-1]}); one bare REPORT: {plain * 1000:.0f} ms",
                  flush=True)
        # 100 changes on the phone, then the run that brings them in.
        bare = Bare(server, str(phones[COUNT].calendar.url))
        token = token_of(bare.report())
        listing = bare.report()
        hrefs = re.findall(r"href>([^<]*\.ics)<", listing)[:100]
        for href in hrefs:
            status, etag, data = bare.request("GET", href)
            data = re.sub("SUMMARY:[^\r\n]*", "SUMMARY:Changed on the phone", data)
            bare.request("PUT", href, data, **{"Content-Type": "text/calendar", "If-Match": etag})
        changes, out = timed(dbs[COUNT].sync)
        plain, _ = timed(lambda: bare.multiget(re.findall(r"href>([^<]*\.ics)<",
                                                          bare.report(token))))
        print(f"  a run bringing 100 changes into {COUNT} tasks: {changes * 1000:.0f} ms "
              f"({out.strip().splitlines()[-1]}); bare REPORT and multiget: "
              f"{plain * 1000:.0f} ms", flush=True)
    finally:
        server.stop()
        keyring.stop()
        os.system(f"rm -rf {work}")


main()
