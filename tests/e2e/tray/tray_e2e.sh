#!/bin/bash
# Docks the tray probe in a real tray under Xvfb and clicks it with xdotool.
#   tray_e2e.sh PROBE HOST OUTDIR [--menu]     HOST is trayer or xfce4-panel
# Leaves OUTDIR/tray-HOST.png, a screenshot of the docked icon.
set -u
here=$(cd "$(dirname "$0")" && pwd)

# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds or the time is up.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null
        wait "${pids[i]}" 2>/dev/null
    done
}
trap cleanup EXIT

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
    case $host in
    trayer)
        trayer --edge top --align left --widthtype request --height 32 \
            --transparent false --tint 0x404040 >"$work/host.log" 2>&1 &
        pids+=($!)
        ;;
    xfce4-panel)
        mkdir -p "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
        cp "$here/xfce4-panel.xml" "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/"
        xfce4-panel --disable-wm-check >"$work/host.log" 2>&1 &
        pids+=($!)
        host_registered() {
            dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
                /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
                string:org.kde.StatusNotifierWatcher string:IsStatusNotifierHostRegistered \
                2>/dev/null | grep -q 'boolean true'
        }
        wait_for 20 host_registered || fail "no StatusNotifierItem host"
        ;;
    esac

    "$probe" $menu >"$work/events" 2>"$work/probe.log" &
    pids+=($!)
    wait_for 20 grep -q '^Docked' "$work/events" || fail "the icon was not added"
    expected=$([[ $host == trayer ]] && echo xembed || echo sni)
    grep -q "^Docked $expected\$" "$work/events" || fail "expected the $expected protocol"

    # Finds the magenta icon on the screen; sets x and y to its centre.
    locate() {
        import -window root "$work/shot.png" 2>/dev/null || return 1
        local box
        box=$(convert "$work/shot.png" -alpha off -fuzz 10% -fill black +opaque '#FF00FF' \
            -fill white -opaque '#FF00FF' -format '%@' info: 2>/dev/null)
        [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
        ((BASH_REMATCH[1] >= 8 && BASH_REMATCH[2] >= 8)) || return 1
        x=$((BASH_REMATCH[3] + BASH_REMATCH[1] / 2))
        y=$((BASH_REMATCH[4] + BASH_REMATCH[2] / 2))
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
for tool in Xvfb dbus-run-session dbus-send xdotool import convert "$host"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done
work=$(mktemp -d)
trap 'cleanup; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for 10 test -s "$work/display" || { echo "FAIL: Xvfb did not start"; exit 1; }

export DISPLAY=:$(cat "$work/display")
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
export XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION
mkdir -p "$HOME" -m 700 "$XDG_RUNTIME_DIR"

dbus-run-session -- "$0" session "$probe" "$host" "$work" $menu &
pids+=($!)
wait "${pids[-1]}"
status=$?
cp "$work/shot.png" "$outdir/tray-$host${menu:+-menu}.png" 2>/dev/null
exit $status
