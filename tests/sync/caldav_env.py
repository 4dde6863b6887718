# SPDX-License-Identifier: MIT
"""What dueboard-sync is tried against, all real and on this machine only: a gnome-keyring
Secret Service on the session bus (run under dbus-run-session), a Radicale server on
127.0.0.1 with a password file, python3-caldav playing the phone, and task databases."""
import datetime
import os
import shutil
import socket
import sqlite3
import subprocess
import tempfile
import time

import caldav


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(ready, what):
    for _ in range(200):
        if ready():
            return
        time.sleep(0.1)
    raise RuntimeError(f"{what} did not start")


def port_open(port):
    try:
        socket.create_connection(("127.0.0.1", port), 0.2).close()
        return True
    except OSError:
        return False


def gdbus(path, destination, method, *args):
    return subprocess.run(["gdbus", "call", "--session", "--dest", destination, "--object-path",
                           path, "--method", method, *args], capture_output=True,
                          text=True).stdout


class Keyring:
    """A gnome-keyring Secret Service for this session bus, in a home of its own under work."""

    def __init__(self, work):
        os.environ["HOME"] = os.path.join(work, "home")
        os.makedirs(os.environ["HOME"])
        os.environ["XDG_RUNTIME_DIR"] = os.environ["HOME"]
        self.keyring = subprocess.Popen(["gnome-keyring-daemon", "--unlock",
                                         "--components=secrets", "--foreground"],
                                        stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
        self.keyring.stdin.write(b"keyring-password")
        self.keyring.stdin.close()
        # Ready once the unlocked login keyring, where new secrets go, is there. Asking the
        # name before it has an owner would have the bus start a second, locked daemon.
        wait_until(lambda: "true" in gdbus("/org/freedesktop/DBus", "org.freedesktop.DBus",
                                           "org.freedesktop.DBus.NameHasOwner",
                                           "org.freedesktop.secrets")
                   and "/collection/login" in gdbus(
                       "/org/freedesktop/secrets", "org.freedesktop.secrets",
                       "org.freedesktop.DBus.Properties.Get", "org.freedesktop.Secret.Service",
                       "Collections"), "gnome-keyring-daemon")

    def stop(self):
        self.keyring.terminate()
        self.keyring.wait()


class Services:
    """The keyring and the server, with users ann and bob; stop() ends them and removes every
    file they made."""

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="dueboard-sync-")
        self.keyring = Keyring(self.work)
        with open(os.path.join(self.work, "users"), "w") as f:
            f.write("ann:ann-pw\nbob:bob-pw\n")
        self.port = free_port()
        config = os.path.join(self.work, "radicale.conf")
        with open(config, "w") as f:
            f.write(f"[server]\nhosts = 127.0.0.1:{self.port}\n[auth]\ntype = htpasswd\n"
                    f"htpasswd_filename = {self.work}/users\nhtpasswd_encryption = plain\n"
                    f"[storage]\nfilesystem_folder = {self.work}/collections\n"
                    f"[rights]\ntype = owner_only\n[logging]\nlevel = warning\n")
        self.radicale = subprocess.Popen(["/usr/bin/python3", "-m", "radicale", "--config",
                                          config])
        wait_until(lambda: port_open(self.port), "radicale")

    def stop(self):
        self.radicale.terminate()
        self.radicale.wait()
        self.keyring.stop()
        shutil.rmtree(self.work, ignore_errors=True)


def utc_stamp():
    return datetime.datetime.now(datetime.timezone.utc).strftime("%Y%m%dT%H%M%SZ")


def vtodo(uid, lines):
    stamp = utc_stamp()
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Phone//EN\r\nBEGIN:VTODO\r\n"
            f"UID:{uid}\r\nDTSTAMP:{stamp}\r\nLAST-MODIFIED:{stamp}\r\n{lines}"
            "END:VTODO\r\nEND:VCALENDAR\r\n")


class Phone:
    """A new to-do collection of the user's, and what a phone does with it."""

    def __init__(self, services, user, password, name):
        self.client = caldav.DAVClient(f"http://127.0.0.1:{services.port}/{user}/",
                                       username=user, password=password)
        self.calendar = self.client.principal().make_calendar(
            name=name, cal_id=name, supported_calendar_component_set=["VTODO"])
        self.url = str(self.calendar.url)

    @classmethod
    def on(cls, client, url):
        """The phone of a collection made elsewhere."""
        phone = cls.__new__(cls)
        phone.client, phone.calendar, phone.url = client, client.calendar(url=url), url
        return phone

    def todos(self):
        return {t.icalendar_component["uid"]: t
                for t in self.calendar.todos(include_completed=True)}

    def by_summary(self, summary):
        return [t for t in self.todos().values()
                if str(t.icalendar_component.get("summary")) == summary]

    def edit(self, todo, old, new):
        lines = [l for l in todo.data.replace(old, new).split("\n")
                 if not l.startswith("LAST-MODIFIED")]
        todo.data = "\n".join(lines).replace("END:VTODO",
                                             f"LAST-MODIFIED:{utc_stamp()}\nEND:VTODO")
        todo.save()


class Database:
    """A task database in a directory of its own, and dueboard-sync run on it."""

    def __init__(self, work, sync, initdb):
        self.sync_tool = sync
        self.dir = tempfile.mkdtemp(dir=work)
        subprocess.run([initdb, self.dir], check=True, stdout=subprocess.DEVNULL)
        self.file = os.path.join(self.dir, "Dueboard.mdb")

    def sql(self, statement, *args):
        with sqlite3.connect(self.file) as db:
            rows = db.execute(statement, args).fetchall()
        return rows

    def add(self, task_id, title, date, status="INCOMPLETE", description=""):
        self.sql("INSERT INTO TASKS VALUES (?,?,?,?,?)", task_id, title, description, date,
                 status)

    def tasks(self):
        return {r[0]: r[1:] for r in
                self.sql("SELECT TASK_ID, TASK_TITLE, DESCRIPTION, TASK_DATE, TASK_STATUS "
                         "FROM TASKS")}

    def tool(self, *args, password=None):
        r = subprocess.run([self.sync_tool, "--database", self.file, *args],
                           capture_output=True, text=True, input=password, timeout=3600)
        return r.returncode, r.stdout + r.stderr

    def setup(self, url, user, password, *options):
        code, out = self.tool("setup", url, user, *options, password=password + "\n")
        assert code == 0, out
        return out

    def sync(self):
        code, out = self.tool()
        assert code == 0, out
        return out
