#!/usr/bin/env bash
# Runs Dueboard from a build: the launcher shows the program's main window, starting the
# program beside it when it is not running yet.
#   scripts/run.sh BINDIR
set -uo pipefail

bin=${1:?usage: $0 BINDIR}
launcher=$bin/dueboard
[[ -x $launcher && -x $bin/dueboard-server ]] || {
    echo "run: $bin holds no built dueboard and dueboard-server; build first (make build)." >&2
    exit 1
}

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "run: no display: neither DISPLAY nor WAYLAND_DISPLAY is set." >&2
    echo "run: Dueboard is a desktop program; run it from a terminal of a desktop session." >&2
    exit 1
fi

# A desktop session has a session bus: in DBUS_SESSION_BUS_ADDRESS, or at the systemd user
# session's usual place.
session_bus() {
    [[ -n ${DBUS_SESSION_BUS_ADDRESS:-} ]] ||
        [[ -n ${XDG_RUNTIME_DIR:-} && -S $XDG_RUNTIME_DIR/bus ]]
}
if session_bus; then
    exec "$launcher"
fi

# A display without a session bus (a bare X server, a remote login): give the launcher and the
# program a bus of their own that lasts as long as the program does.
if ! command -v dbus-run-session >/dev/null; then
    echo "run: no D-Bus session bus (DBUS_SESSION_BUS_ADDRESS is not set), and dbus-run-session" >&2
    echo "run: is not installed to start one: sudo apt-get install dbus" >&2
    exit 1
fi
echo "run: no D-Bus session bus; starting one for this run of Dueboard." >&2
exec dbus-run-session -- bash -c '
    "$1" || exit
    while dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
          org.freedesktop.DBus.NameHasOwner string:Dueboard.clsDueboard 2>/dev/null |
          grep -q "boolean true"; do
        sleep 1
    done' run "$launcher"
