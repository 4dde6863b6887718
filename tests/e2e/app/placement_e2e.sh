#!/bin/bash
# Where the windows open, on X11 without a window manager and under openbox: the main window,
# the New Task dialog and the About window centred on the screen, the New Due Date dialog
# 500 twips (33 pixels) right of and below the main window's corner.
#   placement_e2e.sh BINDIR OUTDIR       leaves OUTDIR/placement-*.png
set -u
here=$(cd "$(dirname "$0")" && pwd)
name=Dueboard.clsDueboard
source "$here/../lib.sh"

bindir=$1 out=$2
require Xvfb dbus-daemon dbus-send xdotool xwininfo xprop import sqlite3 openbox
program_dir "$bindir"

sqlite3 "$work/bin/Dueboard.mdb" "INSERT INTO TASKS VALUES
    (100, 'Water the plants', '', date('now', 'localtime'), 'INCOMPLETE')"
start_xvfb 1024x768x24
private_session "$work/home"
start_bus --session

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
shown() { [[ -n $(visible "$1") ]]; }
gone() { [[ -z $(visible "$1") ]]; }
# geometry PATTERN: sets X, Y, WIDTH and HEIGHT of the window's client area on the screen
# (xwininfo's absolute corner: xdotool counts a reparenting manager's frame in twice).
geometry() {
    local info
    info=$(xwininfo -id "$(visible "$1")")
    X=$(awk '/Absolute upper-left X/ { print $NF }' <<<"$info")
    Y=$(awk '/Absolute upper-left Y/ { print $NF }' <<<"$info")
    WIDTH=$(awk '/Width:/ { print $NF }' <<<"$info")
    HEIGHT=$(awk '/Height:/ { print $NF }' <<<"$info")
}

# centred WM PATTERN: the window's client area is centred on the screen.
centred() {
    local dx dy
    geometry "$2"
    dx=$((X + WIDTH / 2 - 512)) dy=$((Y + HEIGHT / 2 - 384))
    echo "$1: '$2' at $X,$Y size ${WIDTH}x$HEIGHT, centre off by $dx,$dy"
    ((dx * dx <= 4 && dy * dy <= 4)) || fail "$1: '$2' is not centred"
}

# click PATTERN X Y: a click at a point of the window's client area.
click() {
    geometry "$1"
    xdotool mousemove $((X + $2)) $((Y + $3)) click "${4:-1}"
}

check_places() { # WM
    local main_x main_y menu_bar
    "$work/bin/dueboard" 2>"$work/launcher.log" ||
        fail "$1: the launcher failed: $(cat "$work/launcher.log")"
    wait_for 10 shown '^Dueboard ' || fail "$1: the main window did not appear"
    sleep 0.5
    centred "$1" '^Dueboard '
    main_x=$X main_y=$Y menu_bar=$((HEIGHT - 266))

    click '^Dueboard ' 308 $((menu_bar + 18)) # Add New
    wait_for 5 shown '^New Task$' || fail "$1: Add New opened nothing"
    sleep 0.3
    import -window root "$out/placement-$1-newtask.png" 2>/dev/null
    centred "$1" '^New Task$'
    xdotool type --delay 20 "Placed"
    click '^New Task$' 156 252 # Save
    wait_for 5 gone '^New Task$' || fail "$1: Save left the New Task dialog"

    click '^Dueboard ' 40 $((menu_bar + 57)) 3 # the first task, right button
    sleep 0.7
    xdotool key Up Up Return # "Choose Due Date...", above the menu's last item "Repeat"
    wait_for 5 shown '^New Due Date$' || fail "$1: Choose Due Date opened nothing"
    sleep 0.3
    geometry '^New Due Date$'
    echo "$1: 'New Due Date' at $X,$Y, main window at $main_x,$main_y"
    ((X - main_x >= 30 && X - main_x <= 36 && Y - main_y >= 30 && Y - main_y <= 36)) ||
        fail "$1: New Due Date is not 33 pixels right of and below the main window"
    click '^New Due Date$' 148 60 # Save
    wait_for 5 gone '^New Due Date$' || fail "$1: Save left the New Due Date dialog"

    click '^Dueboard ' 65 8 # the Extras menu
    sleep 0.7
    xdotool key Up Return # "About", its last item
    wait_for 5 shown '^About Dueboard' || fail "$1: About opened nothing"
    sleep 0.3
    import -window root "$out/placement-$1-about.png" 2>/dev/null
    centred "$1" '^About Dueboard'
    click '^About Dueboard' 205 403 # Close
    wait_for 5 gone '^About Dueboard' || fail "$1: Close left the About window"

    click '^Dueboard ' 15 8 # File, then "Quit", its last item
    sleep 0.7
    xdotool key Up Return
    stopped() { [[ -z $(owner_pid $name) ]]; }
    wait_for 10 stopped || fail "$1: Quit did not end the program"
}

check_places no-wm
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
managed() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 10 managed || fail "openbox did not start: $(cat "$work/openbox.log")"
check_places openbox
echo PASS
