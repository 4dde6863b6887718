#!/bin/bash
# Docks the tray probe in a real tray under Xvfb and clicks it with xdotool.
#   tray_e2e.sh PROBE HOST OUTDIR [--menu]     HOST is trayer or xfce4-panel
# Leaves OUTDIR/tray-HOST.png, a screenshot of the docked icon.
set -u
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../lib.sh"
trap stop_started EXIT

# The part that runs inside its own session bus.
if [[ $1 == session ]]; then
    probe=$2 host=$3 work=$4 menu=${5:-}
    fail() {
        echo "FAIL ($host${menu:+ $menu}): $*"
        echo "--- probe said:"
        cat "$work/events"
        tail -n 20 "$work"/*.log
        exit 1
    }
    start_tray "$host"

    "$probe" $menu >"$work/events" 2>"$work/probe.log" &
    pids+=($!)
    wait_for 20 grep -q '^Docked' "$work/events" || fail "the icon was not added"
    expected=$([[ $host == trayer ]] && echo xembed || echo sni)
    grep -q "^Docked $expected\$" "$work/events" || fail "expected the $expected protocol"

    # Finds the magenta icon on the screen; sets x and y to its centre.
    locate() {
        import -window root "$work/shot.png" 2>/dev/null || return 1
        colour_box "$work/shot.png" '#FF00FF' 10% && ((box_w >= 8 && box_h >= 8)) || return 1
        x=$((box_x + box_w / 2))
        y=$((box_y + box_h / 2))
    }
    wait_for 20 locate || fail "the icon never appeared on the screen"

    # events_are LINE...: what the probe printed after docking, exactly.
    events_are() { [[ $(sed 1d "$work/events" | tr '\n' ' ') == "$* " ]]; }
    expect() {
        wait_for 5 events_are "$@" || fail "expected: $* / got: $(sed 1d "$work/events" | tr '\n' ' ')"
    }

    xdotool mousemove "$x" "$y" click 1
    expect Click
    # Let the desktop's double-click interval (400 ms) pass, so the next press starts afresh.
    sleep 0.6
    xdotool click --repeat 2 --delay 100 1
    expect Click Click DblClick Click
    sleep 0.6
    xdotool click 3
    if [[ $host == xfce4-panel && $menu == --menu ]]; then
        # The host draws the menu it was handed; choosing its item reaches the program.
        expect Click Click DblClick Click MenuShown
        xdotool key Down Return
        expect Click Click DblClick Click MenuShown Chosen
    else
        # Qt's XEmbed tray must not pop the menu itself: the program opens it on RClick.
        expect Click Click DblClick Click RClick
    fi
    echo "PASS ($host${menu:+ $menu}): $(sed 1d "$work/events" | tr '\n' ' ')"
    exit 0
fi

probe=$1 host=$2 outdir=$3 menu=${4:-}
require Xvfb dbus-daemon dbus-send xdotool import convert "$host"
work=$(mktemp -d)
trap 'stop_started; rm -rf "$work"' EXIT

start_xvfb 640x480x24
private_session "$work/home"

start_bus --session
"$0" session "$probe" "$host" "$work" $menu
status=$?
cp "$work/shot.png" "$outdir/tray-$host${menu:+-menu}.png" 2>/dev/null
exit $status
