#!/bin/bash
# The program left running across midnight and across a change of time zone: libfaketime starts
# its clock seconds before midnight, the script replaces /etc/localtime (its own, in a mount
# namespace of its own) with TZ unset, and dunst on the private bus shows what the program
# notifies.
#   reminders_e2e.sh BINDIR OUTDIR       leaves OUTDIR/reminders-*.png
set -u
here=$(cd "$(dirname "$0")" && pwd)
[[ -n ${DUEBOARD_OWN_ETC:-} ]] || exec unshare -rm "$here/../../reminders/ownetc.sh" "$0" "$@"
name=Dueboard.clsDueboard
source "$here/../lib.sh"

bindir=$1 out=$2
require Xvfb dbus-daemon dbus-monitor xdotool import convert compare sqlite3 trayer dunst \
    dunstctl dpkg
libfaketime=$(dpkg -L libfaketime 2>/dev/null | grep '/libfaketime\.so\.1$' | head -n1)
[[ -n $libfaketime ]] || fail "libfaketime is not installed"
work=$(mktemp -d)
# The program too is started here, not by the bus.
trap 'stop_started; rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    import -window root "$out/reminders-failure.png" 2>/dev/null
    tail -n 40 "$work/monitor.log" 2>/dev/null
    exit 1
}

# Day 0 is the day the program starts on, a few seconds before its end; day 1 follows at
# midnight, and day 2 when the zone moves a day ahead.
day0=2031-03-09 day1=2031-03-10 day2=2031-03-11
mkdir -p "$work/bin"
cp "$bindir/dueboard" "$bindir/dueboard-server" "$bindir/org.example.Dueboard.svg" "$work/bin/"
"$bindir/dueboard-initdb" "$work/bin" >/dev/null || fail "no database"
sqlite3 "$work/bin/Dueboard.mdb" "INSERT INTO TASKS VALUES
    (1, 'Water the plants', '', '$day1', 'INCOMPLETE'),
    (2, 'Pay <rent> & fees', '', '$day1', 'SPECIAL'),
    (3, 'Done early', '', '$day1', 'COMPLETE'),
    (4, 'Call the bank', '', '$day0', 'INCOMPLETE'),
    (5, 'File taxes', '', date('$day0', '-5 days'), 'INCOMPLETE'),
    (6, 'Long done', '', date('$day0', '-3 days'), 'COMPLETE'),
    (7, 'Renew passport', '', '$day2', 'INCOMPLETE')"

# Eleven hours behind UTC; the other zone is fourteen ahead: a day later just after midnight.
ln -s /usr/share/zoneinfo/Pacific/Pago_Pago /etc/localtime

start_xvfb 1024x768x24
private_session "$work/home"
start_bus --session
mkdir -p "$XDG_CONFIG_HOME/dunst"
cp "$here/dunstrc" "$XDG_CONFIG_HOME/dunst/dunstrc"
dunst >"$work/dunst.log" 2>&1 &
pids+=($!)
owned() { [[ -n $(owner_pid "$1") ]]; }
wait_for 10 owned org.freedesktop.Notifications || fail "dunst did not start"
start_tray trayer
dbus-monitor --session "type='method_call',interface='org.freedesktop.Notifications'" \
    >"$work/monitor.log" 2>&1 &
pids+=($!)

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
main_window() { visible '^Dueboard '; }
main_shown() { [[ -n $(main_window) ]]; }
main_gone() { [[ -z $(main_window) ]]; }
caption_ends() { [[ $(xdotool getwindowname "$(main_window)" 2>/dev/null) == *"$1" ]]; }
notify_calls() { grep -c 'member=Notify$' "$work/monitor.log"; }
displayed() { dunstctl count displayed; }
notified() { (($(notify_calls) >= $1)); }
showing() { (($(displayed) == $1)); }

# The n-th Notify call as the monitor printed it: its arguments, one per line.
notify_call() {
    awk -v n="$1" '/^method call/ { call += /member=Notify$/ } call == n' "$work/monitor.log"
}

# Crops the main window's button at x (pixels from the client's left) of the given width.
button() { # X WIDTH FILE
    local window
    window=$(main_window)
    eval "$(xdotool getwindowgeometry --shell "$window")" # HEIGHT
    import -window "$window" "$work/window.png" 2>/dev/null || return 1
    convert "$work/window.png" -crop "$2x21+$1+$((HEIGHT - 266 + 8))" +repage "$3"
}
same() { [[ $(compare -metric AE "$1" "$2" null: 2>&1) == 0 ]]; }

# 1. The program starts 25 s before midnight and shows day 0; nothing is notified at start-up.
env LD_PRELOAD="$libfaketime" FAKETIME="@$day0 23:59:35" FAKETIME_DONT_FAKE_MONOTONIC=1 \
    "$work/bin/dueboard-server" &
pids+=($!)
wait_for 10 owned $name || fail "the program did not start"
"$work/bin/dueboard" 2>"$work/launcher.log" || fail "the launcher failed: $(cat "$work/launcher.log")"
wait_for 10 main_shown || fail "the main window did not appear"
wait_for 5 caption_ends "Sunday March 9, 2031" ||
    fail "the main window shows $(xdotool getwindowname "$(main_window)")"
sleep 1
button 192 21 "$work/today-before.png" && button 352 129 "$work/pastdue-before.png" ||
    fail "no picture of the main window"
import -window root "$out/reminders-before.png"
caption_ends "Sunday March 9, 2031" || fail "midnight came before the first look; a slow machine?"
(($(notify_calls) == 0)) || fail "a notification at start-up"

# 2. Midnight: the window moves on to day 1 as "T" would, and the notification tells of it.
wait_for 40 caption_ends "Monday March 10, 2031" ||
    fail "after midnight the main window shows $(xdotool getwindowname "$(main_window)")"
wait_for 10 notified 1 || fail "no notification at midnight"
wait_for 10 showing 1 || fail "dunst shows $(displayed) notifications"
first=$(notify_call 1)
expected_body='   string "2 tasks due today, 2 past due
Water the plants
Pay &lt;rent&gt; &amp; fees
File taxes"'
grep -qxF '   string "Dueboard"' <<<"$first" || fail "the summary is not Dueboard: $first"
grep -qF "$expected_body" <<<"$first" || fail "the body: $first"
grep -qxF '   uint32 0' <<<"$first" || fail "the first replaces another: $first"
grep -qxF '      string "default"' <<<"$first" || fail "no default action: $first"
sleep 1
import -window root "$out/reminders-notification.png"
button 192 21 "$work/today-after.png" && button 352 129 "$work/pastdue-after.png" ||
    fail "no picture of the main window"
same "$work/today-before.png" "$work/today-after.png" || fail '"T" is not disabled on the new day'
same "$work/pastdue-before.png" "$work/pastdue-after.png" && fail "the Past Due button stayed as it was"
cp "$work/pastdue-before.png" "$out/reminders-pastdue-before.png"
cp "$work/pastdue-after.png" "$out/reminders-pastdue-after.png"

# 3. The zone moves a day ahead: day 2, and the notification is replaced, not stacked.
ln -s /usr/share/zoneinfo/Pacific/Kiritimati /etc/localtime.new
mv -T /etc/localtime.new /etc/localtime
wait_for 10 caption_ends "Tuesday March 11, 2031" ||
    fail "after the zone changed the main window shows $(xdotool getwindowname "$(main_window)")"
wait_for 10 notified 2 || fail "no notification for the new day"
second=$(notify_call 2)
grep -qF '   string "1 task due today, 4 past due
Renew passport
File taxes
Call the bank"' <<<"$second" || fail "the second body: $second"
grep -qx '   uint32 0' <<<"$second" && fail "the second does not replace the first: $second"
sleep 1
(($(displayed) == 1)) || fail "dunst shows $(displayed) notifications"
import -window root "$out/reminders-replaced.png"

# 4. Hidden from the File menu, the main window comes back when the notification is chosen.
eval "$(xdotool getwindowgeometry --shell "$(main_window)")" # X, Y
xdotool mousemove $((X + 15)) $((Y + 10)) click 1
sleep 0.7
xdotool key Down Down Return
wait_for 5 main_gone || fail "Hide left the main window"
dunstctl action 0
wait_for 10 main_shown || fail "choosing the notification did not show the main window"
wait_for 5 caption_ends "Tuesday March 11, 2031" || fail "the main window is not on day 2"
wait_for 5 showing 0 || fail "the notification stayed after it was chosen"
(($(notify_calls) == 2)) || fail "$(notify_calls) notifications in all"

# 5. "Quit" from the File menu ends the program: the midnight timer does not keep it.
eval "$(xdotool getwindowgeometry --shell "$(main_window)")" # X, Y
xdotool mousemove $((X + 15)) $((Y + 10)) click 1
sleep 0.7
xdotool key Down Down Down Return
ended() { ! owned $name && ! pgrep -f "^$work/bin/dueboard-server" >/dev/null; }
wait_for 10 ended || fail "Quit did not end the program"
echo PASS
