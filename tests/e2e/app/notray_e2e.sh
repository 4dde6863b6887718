#!/bin/bash
# Without a notification area, "Hide" leaves nothing on screen while the program runs on: the
# program says so once per run, and the launcher brings the window back.
#   notray_e2e.sh BINDIR OUTDIR       leaves OUTDIR/notray-message.png
set -u
here=$(cd "$(dirname "$0")" && pwd)
name=Dueboard.clsDueboard
source "$here/../lib.sh"

bindir=$1 out=$2
require Xvfb dbus-daemon dbus-send xdotool import
program_dir "$bindir"

start_xvfb 800x600x24
private_session "$work/home"
start_bus --session

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
main_shown() { [[ -n $(visible '^Dueboard ') ]]; }
main_gone() { [[ -z $(visible '^Dueboard ') ]]; }
told() { [[ -n $(visible '^Dueboard$') ]]; }
not_told() { [[ -z $(visible '^Dueboard$') ]]; }
windows() { xdotool search --onlyvisible --classname dueboard-server 2>/dev/null | wc -l; }

# "Hide" from the main window's File menu: its second item, with the keyboard.
hide() {
    local before
    wait_for 10 main_shown || fail "the main window did not appear"
    eval "$(xdotool getwindowgeometry --shell "$(visible '^Dueboard ')")" # X, Y
    before=$(windows)
    xdotool mousemove $((X + 15)) $((Y + 10)) click 1
    menu_open() { (($(windows) > before)); }
    wait_for 5 menu_open || fail "the File menu did not open"
    xdotool key Down Down Return
    wait_for 5 main_gone || fail "Hide left the main window"
}

"$work/bin/dueboard" 2>"$work/launcher.log" || fail "the launcher failed: $(cat "$work/launcher.log")"
hide
wait_for 10 told || fail "nothing said that the program still runs"
import -window root "$out/notray-message.png" 2>/dev/null
xdotool key Return
wait_for 5 not_told || fail "OK did not close the message"
[[ -n $(owner_pid $name) ]] || fail "the program ended"

"$work/bin/dueboard" 2>"$work/launcher.log" || fail "the launcher failed: $(cat "$work/launcher.log")"
hide
# Once per run: a second Hide says nothing (given the time the first took to appear).
wait_for 3 told && fail "the message came a second time"
[[ -n $(owner_pid $name) ]] || fail "the program ended"
echo PASS
