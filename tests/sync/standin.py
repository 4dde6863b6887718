# SPDX-License-Identifier: MIT
"""A stand-in CalDAV server for what no real server does: it keeps one collection of to-dos in
memory and answers as a test scripts it, on 127.0.0.x only.

    server = StandIn("127.0.0.2")            # a free port; server.url("/cal/") is its address
    server.put("/cal/a.ics", ics, etag='"1"')  # a resource; href and etag are listed verbatim,
                                             # so both may be hostile ("../x.ics", "\\r\\n")
    server.script = lambda req: ...          # before the collection answers: return a Reply
                                             # to answer instead, or None to go on
    server.requests                          # every Request seen (method, path, headers, body)
    server.stop()

The collection lives at server.collection ("/cal/" unless given) and answers PROPFIND (Depth
0: supported reports, sync-collection among them unless server.offers_sync is False, and a
sync-token; Depth 1: every ETag), REPORT sync-collection (always everything, plus server.gone
as 404 entries; server.token_status answers a request carrying a token with that status
instead), REPORT calendar-multiget, GET, PUT (If-Match and If-None-Match honoured, strictly: a
weak ETag never matches) and DELETE. With server.weak_if_compressed, a request that accepts
gzip gets its ETags weak (W/"..."), as some servers give them. Basic auth is not
checked; server.requests shows what was sent. A Reply may drip its body a byte at a time
(drip = seconds between bytes) or stream `size` bytes of filler after its body; both stop
when the client hangs up. A script may sleep: the next request does not wait for it.
StandIn(host, ssl_context=ctx) answers https with ctx's certificate."""
import http.server
import itertools
import re
import socket
import ssl
import sys
import threading
import time
from dataclasses import dataclass, field
from xml.sax.saxutils import escape as xml_escape


def escape(text):
    # A carriage return survives XML only as a reference.
    return xml_escape(text, {"\r": "&#13;"})


@dataclass
class Request:
    method: str
    path: str
    headers: dict
    body: bytes


@dataclass
class Reply:
    status: int = 200
    body: bytes = b""
    headers: list = field(default_factory=list)  # [(name, value)]
    drip: float = 0     # seconds between bytes of the body
    size: int = 0       # filler bytes streamed after the body
    length: int = None  # the Content-Length told, when not the body's own


def multistatus(responses, token=None):
    """A multistatus body from (href, etag or None, data or None, status) tuples."""
    out = ['<?xml version="1.0" encoding="utf-8"?>\n'
           '<D:multistatus xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav">']
    for href, etag, data, status in responses:
        out.append(f"<D:response><D:href>{escape(href)}</D:href>")
        if status != 200:
            out.append(f"<D:status>HTTP/1.1 {status} X</D:status></D:response>")
            continue
        props = "" if etag is None else f"<D:getetag>{escape(etag)}</D:getetag>"
        if data is not None:
            props += f"<C:calendar-data>{escape(data)}</C:calendar-data>"
        out.append(f"<D:propstat><D:prop>{props}</D:prop>"
                   "<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>")
    if token is not None:
        out.append(f"<D:sync-token>{escape(token)}</D:sync-token>")
    out.append("</D:multistatus>")
    return "".join(out).encode()


class StandIn(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, host="127.0.0.2", collection="/cal/", ssl_context=None):
        assert host.startswith("127."), "the stand-in listens on this machine only"
        super().__init__((host, 0), Handler)
        if ssl_context:
            self.socket = ssl_context.wrap_socket(self.socket, server_side=True)
        self.collection = collection
        self.scheme = "https" if ssl_context else "http"
        self.resources = {}  # href -> [etag, data]
        self.gone = []
        self.token_status = None
        self.offers_sync = True
        self.weak_if_compressed = False
        self.script = None
        self.requests = []
        self.counter = itertools.count(1)
        self.lock = threading.Lock()
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def url(self, path=None):
        host, port = self.server_address[:2]
        return f"{self.scheme}://{host}:{port}{self.collection if path is None else path}"

    def put(self, href, data, etag=None):
        self.resources[href] = [f'"{next(self.counter)}"' if etag is None else etag, data]

    def handle_error(self, request, client_address):
        if not isinstance(sys.exc_info()[1], (ConnectionError, ssl.SSLError)):
            super().handle_error(request, client_address)  # a client hanging up is no error

    def stop(self):
        self.shutdown()
        self.server_close()

    def answer(self, req):
        if self.script:
            reply = self.script(req)
            if reply is not None:
                return reply
        with self.lock:
            reply = getattr(self, "on_" + req.method.lower(), lambda r: Reply(405))(req)
        if self.weak_if_compressed and "gzip" in req.headers.get("accept-encoding", ""):
            reply.headers = [(n, "W/" + v if n == "ETag" else v) for n, v in reply.headers]
            reply.body = reply.body.replace(b'<D:getetag>"', b'<D:getetag>W/"')
        return reply

    def on_propfind(self, req):
        if req.headers.get("depth") == "0":
            body = (f'<?xml version="1.0"?><D:multistatus xmlns:D="DAV:" '
                    f'xmlns:C="urn:ietf:params:xml:ns:caldav"><D:response>'
                    f"<D:href>{self.collection}</D:href><D:propstat><D:prop>"
                    "<D:resourcetype><D:collection/><C:calendar/></D:resourcetype>"
                    + ("<D:supported-report-set><D:supported-report><D:report>"
                       "<D:sync-collection/></D:report></D:supported-report>"
                       "</D:supported-report-set>"
                       f"<D:sync-token>t{next(self.counter)}</D:sync-token>"
                       if self.offers_sync else "") + "</D:prop>"
                    "<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>"
                    "</D:multistatus>")
            return Reply(207, body.encode())
        return Reply(207, multistatus([(h, e, None, 200) for h, (e, _) in
                                       self.resources.items()]))

    def on_report(self, req):
        if b"sync-collection" in req.body:
            token = re.search(rb"<D:sync-token>([^<]*)<", req.body)
            if token and token.group(1) and self.token_status:
                return Reply(self.token_status, b"no such token")
            listed = [(h, e, None, 200) for h, (e, _) in self.resources.items()]
            return Reply(207, multistatus(listed + [(h, None, None, 404) for h in self.gone],
                                          token=f"t{next(self.counter)}"))
        wanted = [h.decode() for h in re.findall(rb"<D:href>([^<]*)</D:href>", req.body)]
        return Reply(207, multistatus(
            [(h, self.resources[h][0], self.resources[h][1], 200) if h in self.resources
             else (h, None, None, 404) for h in wanted]))

    def on_get(self, req):
        if req.path not in self.resources:
            return Reply(404)
        etag, data = self.resources[req.path]
        return Reply(200, data.encode(), [("ETag", etag), ("Content-Type", "text/calendar")])

    def precondition_fails(self, req):
        current = self.resources.get(req.path)
        match = req.headers.get("if-match")
        if match is not None:
            return not current or match.startswith("W/") or match != current[0]
        return req.headers.get("if-none-match") == "*" and current is not None

    def on_put(self, req):
        if self.precondition_fails(req):
            return Reply(412)
        created = req.path not in self.resources
        self.put(req.path, req.body.decode())
        return Reply(201 if created else 204, headers=[("ETag", self.resources[req.path][0])])

    def on_delete(self, req):
        if req.path not in self.resources:
            return Reply(404)
        if self.precondition_fails(req):
            return Reply(412)
        del self.resources[req.path]
        return Reply(204)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def handle_any(self):
        server = self.server
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        req = Request(self.command, self.path, {k.lower(): v for k, v in self.headers.items()},
                      body)
        with server.lock:
            server.requests.append(req)
        reply = server.answer(req)
        try:
            self.send(reply)
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            self.close_connection = True

    def send(self, reply):
        self.send_response(reply.status)
        for name, value in reply.headers:
            self.send_header(name, value)
        length = reply.length if reply.length is not None else len(reply.body) + reply.size
        self.send_header("Content-Length", str(length))
        self.end_headers()
        if reply.drip:
            for byte in reply.body:
                self.wfile.write(bytes([byte]))
                self.wfile.flush()
                time.sleep(reply.drip)
        else:
            self.wfile.write(reply.body)
        chunk = b" " * 65536
        left = reply.size
        while left > 0:
            self.wfile.write(chunk[:left])
            left -= len(chunk)

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_OPTIONS = do_POST = handle_any
