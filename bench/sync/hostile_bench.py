# SPDX-License-Identifier: MIT
"""What hostile replies cost a sync run, against the stand-in server on 127.0.0.2: a reply
nested 1.7 MB deep (time), a 200 MiB reply (peak memory), and a server that drips a byte
every 5 s (time until the run ends). Beside each, the plainest way to take the same reply:
Python's expat for the nesting, curl to /dev/null for the size. Measured, never asserted;
peak memory as GNU time counts it.

Run under dbus-run-session: hostile_bench.py BINDIR [OTHER_DUEBOARD_SYNC]
(OTHER_DUEBOARD_SYNC: an earlier build to measure beside this one.)"""
import os
import subprocess
import signal
import sys
import tempfile
import threading
import time
import xml.parsers.expat

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "sync"))
from caldav_env import Database, Services  # noqa: E402
from standin import Reply, StandIn  # noqa: E402

BINDIR = sys.argv[1]
TOOLS = [os.path.join(BINDIR, "dueboard-sync")] + sys.argv[2:3]
DRIP_LIMIT = 60  # seconds a dripping run may take here before it is ended from outside


def deep_reply(size):
    depth = (size - 200) // len("<x></x>")
    return ('<?xml version="1.0"?><D:multistatus xmlns:D="DAV:"><D:response>'
            "<D:href>/cal/a.ics</D:href><D:propstat><D:prop>" + "<x>" * depth + "</x>" * depth +
            "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>"
            "</D:multistatus>").encode()


def timed_run(tool, db, env=None, limit=None):
    """Wall time, peak memory (MiB, as GNU time counts it) and the first line the run said."""
    with tempfile.NamedTemporaryFile("r") as peak:
        start = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-o", peak.name, "-f", "%M", tool,
                                  "--database", db.file], stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT, start_new_session=True,
                                 env={**os.environ, **(env or {})})
        ended = threading.Timer(limit or 3600, os.killpg, (child.pid, signal.SIGKILL))
        ended.start()
        out = child.communicate()[0].decode().strip()
        ended.cancel()
        elapsed = time.perf_counter() - start
        kib = peak.read().strip().splitlines()
    said = out.splitlines()[0][:100] if out else "still running: ended from outside"
    mib = int(kib[-1]) / 1024 if kib and kib[-1].isdigit() else float("nan")
    return elapsed, mib, said


def peak_of(args):
    with tempfile.NamedTemporaryFile("r") as peak:
        subprocess.run(["/usr/bin/time", "-o", peak.name, "-f", "%M", *args],
                       stdout=subprocess.DEVNULL)
        return int(peak.read().split()[-1]) / 1024


def main():
    services = Services()
    server = StandIn("127.0.0.2")
    db = Database(services.work, TOOLS[0], os.path.join(BINDIR, "dueboard-initdb"))
    subprocess.run([TOOLS[0], "--database", db.file, "setup", server.url(), "ann"],
                   input=b"pw\n", check=True, capture_output=True)
    try:
        deep = deep_reply(1_700_000)
        server.script = lambda req: Reply(207, deep) if req.method == "REPORT" else None
        start = time.perf_counter()
        xml.parsers.expat.ParserCreate().Parse(deep, True)
        print(f"1.7 MB nested {deep.count(b'<x>')} deep: expat alone "
              f"{time.perf_counter() - start:.2f} s")
        for tool in TOOLS:
            elapsed, peak, said = timed_run(tool, db)
            print(f"  {tool}: {elapsed:.2f} s, {peak:.0f} MiB peak ({said})")

        size = 200 * 1024 * 1024
        server.script = lambda req: (Reply(207, b"<D:multistatus xmlns:D='DAV:'>", size=size)
                                     if req.method == "REPORT" else None)
        plain = peak_of(["curl", "-s", "-o", "/dev/null", "-X", "REPORT", server.url()])
        print(f"200 MiB reply: curl to /dev/null {plain:.0f} MiB peak")
        for tool in TOOLS:
            elapsed, peak, said = timed_run(tool, db)
            print(f"  {tool}: {elapsed:.2f} s, {peak:.0f} MiB peak ({said})")

        server.script = lambda req: (Reply(207, b" " * 1000, drip=5)
                                     if req.method == "REPORT" else None)
        print(f"a byte every 5 s (run limit set to 20 s; ended from outside after "
              f"{DRIP_LIMIT} s):")
        for tool in TOOLS:
            elapsed, _, said = timed_run(tool, db, {"DUEBOARD_SYNC_RUN_SECONDS": "20"},
                                         DRIP_LIMIT)
            print(f"  {tool}: {elapsed:.1f} s ({said})")
    finally:
        server.stop()
        services.stop()


if __name__ == "__main__":
    main()
