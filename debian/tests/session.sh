#!/bin/bash
# session.sh CHECK TITLE: one person's desktop session, a display (Xvfb) and a private session
# bus, in which CHECK runs:
#   first    the first start makes the database (folder 700, file 600); a task TITLE is added
#   second   a later start shows the task TITLE
#   peruser  with a copy of the programs in ~/.local beside the package, both dueboard on the
#            path and the package's own start the copy, which shows its own task TITLE
set -eu
check=$1 title=$2
name=Dueboard.clsDueboard main='^Dueboard  '

# What make install puts in ~/.local, copied from the package's programs (without its marker):
# a program directory with its own database, a link on the path, a service file. Made before
# the session starts, as an install before a log-in.
per_user_install() {
    mkdir -p ~/.local/lib/dueboard ~/.local/bin ~/.local/share/dbus-1/services
    cp /usr/lib/dueboard/dueboard* ~/.local/lib/dueboard/
    ~/.local/lib/dueboard/dueboard-initdb >/dev/null
    sqlite3 ~/.local/lib/dueboard/Dueboard.mdb "INSERT INTO TASKS VALUES
        (7, '$title', '', date('now', 'localtime'), 'INCOMPLETE')"
    ln -sf ../lib/dueboard/dueboard ~/.local/bin/dueboard
    printf '[D-BUS Service]\nName=%s\nExec=%s\n' "$name" "$HOME/.local/lib/dueboard/dueboard-server" \
        >~/.local/share/dbus-1/services/$name.service
}

# Set before the bus starts, whose environment the program it starts gets.
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
if [[ -z ${DISPLAY:-} ]]; then
    [[ $check == peruser ]] && per_user_install
    exec xvfb-run -a -s '-screen 0 1024x768x24 -nolisten tcp' dbus-run-session -- "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
data=$HOME/.local/share/dueboard
db=$data/Dueboard.mdb

# The helpers of the end-to-end tests: wait_for, owner_pid, shown, gone, keys.
source "$here/lib.sh"
fail() {
    echo "FAIL ($USER, $check): $*" >&2
    exit 1
}
no_owner() { [[ -z $(owner_pid "$name") ]]; }
# start LAUNCHER: the main window appears; prints the program the bus started.
start() {
    "$1" || fail "the launcher $1 failed"
    wait_for 20 shown "$main" || fail "the main window did not appear"
    readlink "/proc/$(owner_pid "$name")/exe"
}
quit() {
    keys "$main" alt+f q
    wait_for 10 no_owner || fail "File, Quit did not end the program"
}
shows() {
    /usr/bin/python3 "$here/atspi_dump.py" Dueboard 2>/dev/null | grep -qF "$1"
}

/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
case $check in
first)
    [[ ! -e $data ]] || fail "$data is there before the first start"
    [[ $(start dueboard) == /usr/lib/dueboard/dueboard-server ]] ||
        fail "the bus did not start the package's program"
    [[ $(stat -c %a "$data") == 700 ]] || fail "the data folder is $(stat -c %a "$data"), not 700"
    [[ $(stat -c %a "$db") == 600 ]] || fail "the database is $(stat -c %a "$db"), not 600"
    keys "$main" alt+n
    wait_for 10 shown '^New Task$' || fail "Alt+N did not open the new task dialog"
    xdotool type --delay 40 "$title"
    keys '^New Task$' Return
    wait_for 10 gone '^New Task$' || fail "Return did not save the task"
    [[ $(sqlite3 "$db" "SELECT TASK_TITLE FROM TASKS") == "$title" ]] ||
        fail "the task is not in $db"
    quit
    ;;
second)
    start dueboard >/dev/null
    wait_for 10 shows "$title" || fail "the main window does not show '$title'"
    quit
    ;;
peruser)
    # Debian's ~/.profile puts ~/.local/bin first on the path.
    export PATH=$HOME/.local/bin:$PATH
    for launcher in dueboard /usr/bin/dueboard; do
        started=$(start "$launcher")
        [[ $started == "$HOME/.local/lib/dueboard/dueboard-server" ]] ||
            fail "$launcher started $started, not the per-user program"
        wait_for 10 shows "$title" || fail "the per-user program does not show its own task"
        quit
    done
    rm -r ~/.local/lib ~/.local/bin ~/.local/share/dbus-1
    ;;
*) fail "no check $check" ;;
esac
