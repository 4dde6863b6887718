#!/bin/bash
# Repeating tasks as a person makes them: "Repeat" > "Every Week" on today's task, "Mark
# Complete", and next week shows it open; then "Every Month" and "Mark Complete" in the
# past-due window on a task 40 days late, which brings the first month not yet gone. The
# database is read after each step; a screen reader's view of the moved task is read from the
# session's accessibility bus.
#   repeat_e2e.sh BINDIR OUTDIR       leaves OUTDIR/repeat-*.png
set -u
here=$(cd "$(dirname "$0")" && pwd)
name=Dueboard.clsDueboard
source "$here/../lib.sh"

bindir=$1 out=$2
require Xvfb dbus-daemon dbus-send xdotool import sqlite3 /usr/bin/python3 /usr/libexec/at-spi-bus-launcher
program_dir "$bindir"
fail_with_screenshot "$out/repeat-failure.png"

db=$work/bin/Dueboard.mdb
q() { sqlite3 "$db" "$1"; }
q "INSERT INTO sysIDS VALUES ('TASK', 101);
   INSERT INTO TASKS VALUES
    (100, 'Bins out', 'green bin', date('now', 'localtime'), 'INCOMPLETE'),
    (101, 'Pay rent', '', date('now', 'localtime', '-40 days'), 'SPECIAL')"
start_xvfb 1024x768x24
private_session "$work/home"
start_bus --session
start_atspi

main='^Dueboard  '
today=$(date +%Y-%m-%d) next_week=$(date -d '7 days' +%Y-%m-%d)

"$work/bin/dueboard" 2>"$work/launcher.log" || fail "the launcher failed: $(cat "$work/launcher.log")"
wait_for 10 shown "$main" || fail "the main window did not appear"

# Today's task: Menu on it (the day list follows the date box, its two stops, "<" and ">"), Repeat,
# Every Week.
keys "$main" alt+d Tab Tab Tab Tab Tab Menu r
sleep 0.5
import -window root "$out/repeat-main-menu.png" 2>/dev/null
xdotool key w
sleep 0.5
[[ $(q "SELECT RRULE FROM TASK_REPEATS WHERE TASK_ID = 100") == FREQ=WEEKLY ]] ||
    fail "Repeat, Every Week wrote no weekly rule: $(q 'SELECT * FROM TASK_REPEATS')"
keys "$main" Menu r
sleep 0.5
import -window root "$out/repeat-main-weekly.png" 2>/dev/null # "Every Week" ticked now
xdotool key Escape Escape
keys "$main" Menu c
[[ $(q "SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 100") == COMPLETE ]] ||
    fail "Mark Complete did not complete the weekly task"
[[ $(q "SELECT TASK_TITLE || '|' || DESCRIPTION || '|' || TASK_STATUS || '|' || RRULE
        FROM TASKS JOIN TASK_REPEATS USING (TASK_ID) WHERE TASK_DATE = '$next_week'") == \
    'Bins out|green bin|INCOMPLETE|FREQ=WEEKLY' ]] ||
    fail "no open weekly task next week: $(q 'SELECT * FROM TASKS')"

# Next week on screen: ">" seven times; the row reads as open and repeating.
keys "$main" alt+d Tab Tab Tab Tab Return Return Return Return Return Return Return
[[ $(xdotool getwindowname "$(visible "$main")") == *"$(date -d '7 days' '+%B %-d, %Y')" ]] ||
    fail "the main window does not show next week: $(xdotool getwindowname "$(visible "$main")")"
import -window root "$out/repeat-next-week.png" 2>/dev/null
/usr/bin/python3 "$here/../keyboard/atspi_dump.py" Dueboard >"$work/atspi-tree.txt" 2>"$work/atspi-dump.log" ||
    fail "no AT-SPI tree: $(cat "$work/atspi-dump.log")"
grep -qF $'table cell\tBins out, open, repeats every week' "$work/atspi-tree.txt" ||
    fail "next week's row does not read as an open weekly task: $(grep 'table cell' "$work/atspi-tree.txt")"

# The past-due window: Menu on the late task, Repeat, Every Month, then Mark Complete.
keys "$main" alt+p
wait_for 5 shown '^Past Due Tasks$' || fail "Alt+P did not open the past-due window"
keys '^Past Due Tasks$' Menu r
sleep 0.5
import -window root "$out/repeat-pastdue-menu.png" 2>/dev/null
xdotool key m
sleep 0.5
rule=$(q "SELECT RRULE FROM TASK_REPEATS WHERE TASK_ID = 101")
[[ $rule == FREQ=MONTHLY* ]] || fail "Repeat, Every Month wrote '$rule'"
keys '^Past Due Tasks$' Home Menu c # the rebuilt list has no current row
[[ $(q "SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 101") == COMPLETE ]] ||
    fail "Mark Complete in the past-due window did not complete the monthly task"
# The first monthly date after the old one that is not gone, on the month's last day when
# the month is shorter.
expected=$(/usr/bin/python3 - "$(q "SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 101")" "$today" <<'PY'
import calendar, datetime, sys
due, today = (datetime.date.fromisoformat(a) for a in sys.argv[1:])
y, m = due.year, due.month
while True:
    m += 1
    y, m = y + (m - 1) // 12, (m - 1) % 12 + 1
    day = datetime.date(y, m, min(due.day, calendar.monthrange(y, m)[1]))
    if day >= today:
        print(day)
        break
PY
)
[[ $(q "SELECT TASK_DATE || '|' || TASK_STATUS || '|' || RRULE FROM TASKS JOIN TASK_REPEATS
        USING (TASK_ID) WHERE TASK_TITLE = 'Pay rent' AND TASK_ID <> 101") == "$expected|SPECIAL|$rule" ]] ||
    fail "no special monthly task on $expected: $(q 'SELECT * FROM TASKS')"
keys '^Past Due Tasks$' Escape
wait_for 5 gone '^Past Due Tasks$' || fail "Escape did not close the past-due window"
echo "weekly: $today -> $next_week; monthly: -> $expected ($rule)"
