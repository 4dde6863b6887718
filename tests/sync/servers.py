# SPDX-License-Identifier: MIT
"""The CalDAV servers people use, each from Debian's package, started by the test on 127.0.0.1
over HTTPS with a test authority of its own and users ann (ann-pw) and bob (bob-pw), and stopped
with every file it made: Radicale, Xandikos behind a login proxy, and Cyrus IMAP."""
import base64
import http.client
import http.server
import imaplib
import os
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading

import caldav

from caldav_env import Phone, free_port, port_open, wait_until

USERS = {"ann": "ann-pw", "bob": "bob-pw"}


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True)


class TestAuthority:
    """An authority made for the test, and certificates it issues for 127.0.0.1."""

    def __init__(self, work):
        self.dir = work
        openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj",
                "/CN=Dueboard test authority", "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign", cwd=work)
        self.pem = os.path.join(work, "ca.pem")
        self.cert, self.key = self.issue("server")

    def issue(self, name):
        """A new key and certificate for 127.0.0.1, signed by the authority."""
        with open(os.path.join(self.dir, name + ".ext"), "w") as f:
            f.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                    "extendedKeyUsage=serverAuth\n")
        openssl("req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-keyout", name + ".key", "-out", name + ".csr", "-subj", "/CN=127.0.0.1",
                cwd=self.dir)
        openssl("x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                "-CAcreateserial", "-days", "2", "-extfile", name + ".ext", "-out", name + ".pem",
                cwd=self.dir)
        return os.path.join(self.dir, name + ".pem"), os.path.join(self.dir, name + ".key")

    def server_context(self, cert=None, key=None):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert or self.cert, key or self.key)
        return context

    def client_context(self):
        return ssl.create_default_context(cafile=self.pem)


class Proxy(http.server.ThreadingHTTPServer):
    """HTTPS in front of a server: relays each request, checks the login where the server has
    none, counts what it relays, and lets a test act just before a request goes on."""
    daemon_threads = True

    def __init__(self, authority, upstream, login=False):
        self.upstream = upstream  # (port, ssl context or None)
        self.login = login
        self.requests = []        # (method, path) of every request relayed
        self.before = None        # called with (method, path) before a request is relayed
        super().__init__(("127.0.0.1", 0), ProxyHandler)
        self.context = authority.server_context()
        self.socket = self.context.wrap_socket(self.socket, server_side=True)
        self.port = self.server_address[1]
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def use_certificate(self, cert, key):
        self.context.load_cert_chain(cert, key)

    def stop(self):
        self.shutdown()
        self.server_close()


class ProxyHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, status, headers, data):
        self.send_response(status)
        for k, v in headers:
            if k.lower() not in ("content-length", "transfer-encoding", "connection"):
                self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def allowed(self):
        expected = ["Basic " + base64.b64encode(f"{u}:{p}".encode()).decode()
                    for u, p in USERS.items()]
        return self.headers.get("Authorization") in expected

    def relay(self):
        proxy = self.server
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        if proxy.login and not self.allowed():
            self.reply(401, [("WWW-Authenticate", 'Basic realm="test"')], b"login")
            return
        proxy.requests.append((self.command, self.path))
        if proxy.before:
            proxy.before(self.command, self.path)
        port, context = proxy.upstream
        conn = (http.client.HTTPSConnection("127.0.0.1", port, context=context) if context
                else http.client.HTTPConnection("127.0.0.1", port))
        conn.request(self.command, self.path, body, dict(self.headers.items()))
        answer = conn.getresponse()
        self.reply(answer.status, answer.getheaders(), answer.read())
        conn.close()

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_OPTIONS = relay
    do_MKCALENDAR = do_PROPPATCH = do_HEAD = do_POST = relay


MKCALENDAR = ('<?xml version="1.0" encoding="utf-8"?><C:mkcalendar xmlns:D="DAV:" '
              'xmlns:C="urn:ietf:params:xml:ns:caldav"><D:set><D:prop>'
              '<D:displayname>{name}</D:displayname><C:supported-calendar-component-set>'
              '<C:comp name="VTODO"/></C:supported-calendar-component-set></D:prop></D:set>'
              '</C:mkcalendar>')


def tls_open(port, context):
    """Whether a TLS server answers on the port; a handshake, so the server logs no error."""
    try:
        with socket.create_connection(("127.0.0.1", port), 0.5) as raw:
            context.wrap_socket(raw, server_hostname="127.0.0.1").close()
        return True
    except OSError:
        return False


class Server:
    """What every server here offers: the address the tool and the phone use for a user's
    collection (made with MKCALENDAR), the port a further proxy relays to, and stop()."""
    name = "?"

    def __init__(self, authority):
        self.authority = authority
        self.work = tempfile.mkdtemp(prefix=f"dueboard-{self.name}-")
        self.port = free_port()

    def home(self, user):
        raise NotImplementedError

    def upstream(self):
        return self.port, self.authority.client_context()

    def collection(self, user, name, port=None):
        return f"https://127.0.0.1:{port or self.port}{self.home(user)}{name}/"

    def make(self, user, name):
        """A new to-do collection and the phone that edits it."""
        url = self.collection(user, name)
        client = caldav.DAVClient(url, username=user, password=USERS[user],
                                  ssl_verify_cert=self.authority.pem)
        r = client.request(url, "MKCALENDAR", MKCALENDAR.format(name=name),
                           {"Content-Type": "application/xml; charset=utf-8"})
        if r.status not in (200, 201):
            raise RuntimeError(f"{self.name}: MKCALENDAR {url} answered {r.status}")
        return Phone.on(client, url)

    def stop(self):
        shutil.rmtree(self.work, ignore_errors=True)


class Radicale(Server):
    name = "radicale"

    def __init__(self, authority):
        super().__init__(authority)
        with open(os.path.join(self.work, "users"), "w") as f:
            f.writelines(f"{u}:{p}\n" for u, p in USERS.items())
        config = os.path.join(self.work, "radicale.conf")
        with open(config, "w") as f:
            f.write(f"[server]\nhosts = 127.0.0.1:{self.port}\nssl = True\n"
                    f"certificate = {authority.cert}\nkey = {authority.key}\n"
                    f"[auth]\ntype = htpasswd\nhtpasswd_filename = {self.work}/users\n"
                    f"htpasswd_encryption = plain\n"
                    f"[storage]\nfilesystem_folder = {self.work}/collections\n"
                    f"[rights]\ntype = owner_only\n[logging]\nlevel = warning\n")
        self.process = subprocess.Popen(["/usr/bin/python3", "-m", "radicale", "--config",
                                         config])
        wait_until(lambda: tls_open(self.port, authority.client_context()), "radicale")

    def home(self, user):
        return f"/{user}/"

    def stop(self):
        self.process.terminate()
        self.process.wait()
        super().stop()


class Xandikos(Server):
    """Xandikos has no login of its own: it listens on plain HTTP and the test's HTTPS proxy
    asks for the login, as a web server in front of it would."""
    name = "xandikos"

    def __init__(self, authority):
        super().__init__(authority)
        inner = free_port()
        self.process = subprocess.Popen(
            ["/usr/bin/python3", "-m", "xandikos", "-d", self.work, "--autocreate",
             "-l", "127.0.0.1", "-p", str(inner)], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        wait_until(lambda: port_open(inner), "xandikos")
        self.front = Proxy(authority, (inner, None), login=True)
        self.port = self.front.port

    def home(self, user):
        return "/user/calendars/"

    def upstream(self):
        return self.front.upstream

    def stop(self):
        self.front.stop()
        self.process.terminate()
        self.process.wait()
        super().stop()


class Syslog(threading.Thread):
    """A /dev/log of the test's own: keeps what Cyrus logs, and shows its errors at once."""

    def __init__(self, path):
        super().__init__(daemon=True)
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        self.socket.bind(path)
        os.chmod(path, 0o666)
        self.lines = []
        self.start()

    def run(self):
        while True:
            try:
                line = self.socket.recv(65536).decode(errors="replace")
            except OSError:
                return
            self.lines.append(line)
            priority = int(line[1:line.index(">")]) % 8 if line.startswith("<") else 7
            if priority <= 3 and "signaled to death by signal 15" not in line:
                print("cyrus:", line, file=sys.stderr, flush=True)

    def stop(self):
        self.socket.close()


class Cyrus(Server):
    """A private Cyrus: its own configuration, spool and sasldb, run as the cyrus user in a
    mount namespace whose /dev/log is the test's own socket. The machine's Cyrus, if any, is
    neither used nor touched."""
    name = "cyrus"
    BIN = "/usr/lib/cyrus/bin"

    def __init__(self, authority):
        super().__init__(authority)
        w = self.work
        self.imap = free_port()
        for d in ("conf/db", "conf/socket", "spool", "run", "sieve"):
            os.makedirs(os.path.join(w, d))
        shutil.copy(authority.cert, os.path.join(w, "server.pem"))
        shutil.copy(authority.key, os.path.join(w, "server.key"))
        conf = os.path.join(w, "imapd.conf")
        with open(conf, "w") as f:
            f.write(f"configdirectory: {w}/conf\npartition-default: {w}/spool\n"
                    f"defaultpartition: default\nproc_path: {w}/run/proc\n"
                    f"mboxname_lockpath: {w}/run/lock\nlmtpsocket: {w}/run/lmtp\n"
                    f"idlesocket: {w}/run/idle\nnotifysocket: {w}/run/notify\n"
                    f"sievedir: {w}/sieve\nservername: dueboard-test\nadmins: admin\n"
                    "altnamespace: no\nunixhierarchysep: no\nallowplaintext: yes\n"
                    "sasl_pwcheck_method: auxprop\nsasl_auxprop_plugin: sasldb\n"
                    f"sasl_sasldb_path: {w}/sasldb2\nsasl_mech_list: PLAIN LOGIN\n"
                    "httpmodules: caldav\nhttpallowcompress: no\n"
                    f"tls_server_cert: {w}/server.pem\ntls_server_key: {w}/server.key\n"
                    "syslog_prefix: dueboard-cyrus\n")
        with open(os.path.join(w, "cyrus.conf"), "w") as f:
            f.write(f'START {{\n  recover cmd="ctl_cyrusdb -r -C {conf}"\n}}\n'
                    f'SERVICES {{\n  imap cmd="imapd -C {conf}" listen="127.0.0.1:{self.imap}"'
                    f' prefork=0\n  https cmd="httpd -s -C {conf}" '
                    f'listen="127.0.0.1:{self.port}" prefork=0\n}}\nEVENTS {{\n}}\n')
        for user, password in {**USERS, "admin": "admin-pw"}.items():
            subprocess.run(["saslpasswd2", "-p", "-c", "-f", f"{w}/sasldb2", "-u",
                            "dueboard-test", user], input=password.encode(), check=True)
        subprocess.run(["chown", "-R", "cyrus:mail", w], check=True)
        self.syslog = Syslog(os.path.join(w, "log"))
        # /dev in the namespace: a tmpfs with the devices Cyrus opens and the test's /dev/log.
        script = (f"set -e; mkdir {w}/dev; mount --bind /dev {w}/dev; "
                  "mount -t tmpfs -o mode=755 tmpfs /dev; "
                  "for d in null zero random urandom full; do touch /dev/$d; "
                  f"mount --bind {w}/dev/$d /dev/$d; done; touch /dev/log; "
                  f"mount --bind {w}/log /dev/log; umount -l {w}/dev; "
                  f"exec {self.BIN}/master -C {conf} -M {w}/cyrus.conf -p {w}/run/master.pid")
        self.process = subprocess.Popen(["unshare", "-m", "--propagation", "private", "sh",
                                         "-c", script], start_new_session=True)
        try:
            wait_until(lambda: port_open(self.imap) and
                       tls_open(self.port, authority.client_context()), "cyrus")
            for user in USERS:
                self.create_mailbox(user)
        except Exception:
            print("\n".join(self.syslog.lines), file=sys.stderr)
            self.stop()
            raise

    def create_mailbox(self, user):
        """The calendar home answers 500 until the user's mailbox is there."""
        imap = imaplib.IMAP4("127.0.0.1", self.imap)
        imap.login("admin", "admin-pw")
        status, detail = imap.create(f"user.{user}")
        imap.logout()
        if status != "OK":
            raise RuntimeError(f"cyrus: CREATE user.{user}: {detail}")

    def home(self, user):
        return f"/dav/calendars/user/{user}/"

    def stop(self):
        # master and the services it started are one process group of their own.
        os.killpg(self.process.pid, signal.SIGTERM)
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.syslog.stop()
        super().stop()


SERVERS = {"radicale": Radicale, "xandikos": Xandikos, "cyrus": Cyrus}
