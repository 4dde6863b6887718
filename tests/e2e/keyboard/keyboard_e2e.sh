#!/bin/bash
# The program used with the keyboard alone (xdotool key, no pointer event): add tasks, move
# between days, act on tasks through their menu, the past-due window, Help, About, Quit. On the
# way, the accessibility bus of the session is read for the names a screen reader announces.
#   keyboard_e2e.sh BINDIR OUTDIR       leaves OUTDIR/keyboard-*.png and OUTDIR/atspi-tree.txt
set -u
here=$(cd "$(dirname "$0")" && pwd)
name=Dueboard.clsDueboard
source "$here/../lib.sh"

bindir=$1 out=$2
require Xvfb dbus-daemon dbus-send xdotool import sqlite3 /usr/bin/python3 /usr/libexec/at-spi-bus-launcher
program_dir "$bindir"
fail_with_screenshot "$out/keyboard-failure.png"

db=$work/bin/Dueboard.mdb
sqlite3 "$db" "INSERT INTO TASKS VALUES
    (100, 'Old bill', '', date('now', 'localtime', '-3 days'), 'INCOMPLETE')"
start_xvfb 1024x768x24
private_session "$work/home"
start_bus --session
start_atspi

q() { sqlite3 "$db" "$1"; }
typed() { xdotool type --delay 40 "$1"; }
main='^Dueboard  '
today=$(date +%Y-%m-%d) tomorrow=$(date -d tomorrow +%Y-%m-%d)

"$work/bin/dueboard" 2>"$work/launcher.log" || fail "the launcher failed: $(cat "$work/launcher.log")"
wait_for 10 shown "$main" || fail "the main window did not appear"

# Two tasks: the button's access key, and File's "Add New Task...".
keys "$main" alt+n
wait_for 5 shown '^New Task$' || fail "Alt+N did not open the new task dialog"
keys '^New Task$' Escape
wait_for 5 gone '^New Task$' || fail "Escape did not close the dialog"
[[ $(q "SELECT COUNT(*) FROM TASKS") == 1 ]] || fail "Escape saved a task"
keys "$main" alt+n
wait_for 5 shown '^New Task$' || fail "Alt+N did not open the dialog again"
typed "Pay rent"
keys '^New Task$' Return
wait_for 5 gone '^New Task$' || fail "Return did not save"
keys "$main" alt+f a
wait_for 5 shown '^New Task$' || fail "File, Add New Task... did not open the dialog"
typed "Call mum"
keys '^New Task$' Tab
typed "first line"
xdotool key Return
typed "second line"
keys '^New Task$' alt+a Return
wait_for 5 gone '^New Task$' || fail "Return did not save the second task"
[[ $(q "SELECT DESCRIPTION FROM TASKS WHERE TASK_TITLE = 'Call mum'") == $'first line\nsecond line' ]] ||
    fail "Return in the description did not start a new line"
[[ $(q "SELECT TASK_STATUS FROM TASKS WHERE TASK_TITLE = 'Call mum'") == SPECIAL ]] ||
    fail "Alt+A did not tick Mark As Special"

# Days: the date box's access key, then Tab to "<" and ">" (one stop for the date box).
title_today=$(xdotool getwindowname "$(visible "$main")")
keys "$main" alt+d Tab Tab Tab space
[[ $(xdotool getwindowname "$(visible "$main")") != "$title_today" ]] || fail "< did not move a day back"
keys "$main" Tab Return
[[ $(xdotool getwindowname "$(visible "$main")") == "$title_today" ]] || fail "> did not come back"

# The day list is next ("T" is disabled on today): Menu on the first row, Mark Complete.
keys "$main" Tab Menu
sleep 0.5
import -window root "$out/keyboard-taskmenu.png" 2>/dev/null
xdotool key c
sleep 0.5
[[ $(q "SELECT TASK_STATUS FROM TASKS WHERE TASK_TITLE = 'Pay rent'") == COMPLETE ]] ||
    fail "Menu, Mark Complete did not complete the first task"
# Shift+F10 on the second row: Procrastinate, 1 Day.
keys "$main" Down shift+F10 p 1
[[ $(q "SELECT TASK_DATE FROM TASKS WHERE TASK_TITLE = 'Call mum'") == "$tomorrow" ]] ||
    fail "Procrastinate 1 Day did not move the second task"

# The screen reader's view of the main window.
/usr/bin/python3 "$here/atspi_dump.py" Dueboard >"$out/atspi-tree.txt" 2>"$work/atspi-dump.log" ||
    fail "no AT-SPI tree: $(cat "$work/atspi-dump.log")"
for entry in $'frame\tDueboard ' $'spin button\tDate' $'text\tTitle' $'text\tDescription' \
    $'push button\tPrevious Day' $'push button\tToday' $'push button\tNext Day' $'tree\tTasks' \
    $'table cell\tPay rent, complete' $'push button\t1 task past due' $'menu item\tFile'; do
    grep -qF "$entry" "$out/atspi-tree.txt" || fail "the AT-SPI tree does not name '$entry'"
done

# Past Due: its access key, then Menu on the row and Due Today; Escape closes the window.
keys "$main" alt+p
wait_for 5 shown '^Past Due Tasks$' || fail "Alt+P did not open the past-due window"
keys '^Past Due Tasks$' Menu t
[[ $(q "SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 100") == "$today" ]] ||
    fail "Menu, Due Today in the past-due window did not move the task"
keys '^Past Due Tasks$' Escape
wait_for 5 gone '^Past Due Tasks$' || fail "Escape did not close the past-due window"

# Help from Extras (F10, then across), About from Extras by access keys; Escape closes both.
keys "$main" F10 Right h
wait_for 5 shown '^Help$' || fail "F10, Extras, Show Help did not open Help"
keys '^Help$' Escape
wait_for 5 gone '^Help$' || fail "Escape did not close Help"
keys "$main" alt+e a
wait_for 5 shown '^About ' || fail "Extras, About did not open About"
keys '^About ' Tab
import -window root "$out/keyboard-about.png" 2>/dev/null
keys '^About ' Escape
wait_for 5 gone '^About ' || fail "Escape did not close About"

# Quit from File.
keys "$main" alt+f q
server_gone() { [[ -z $(owner_pid $name) ]]; }
wait_for 10 server_gone || fail "File, Quit did not end the program"
echo PASS
