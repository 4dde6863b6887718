# shellcheck shell=bash
# Shared by the scripts that run the programs on a display and a session bus of their own.
# Sourced; the caller sets work (a scratch directory) before starting anything, and may
# redefine fail. Safe under set -eu.
lib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

fail() {
    echo "FAIL: $*"
    exit 1
}

# fail_with_screenshot FILE: from here on a failure saves the screen in FILE first.
fail_with_screenshot() {
    failure_shot=$1
    fail() {
        echo "FAIL: $*"
        import -window root "$failure_shot" 2>/dev/null
        exit 1
    }
}

# require TOOL...: fails naming the first tool that is not installed.
require() {
    local tool
    for tool; do
        command -v "$tool" >/dev/null || fail "$tool is not installed"
    done
}

# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds or the time is up.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep "${poll_interval:-0.1}"
    done
}

# What the script started, stopped by stop_started in the reverse order. A process that is no
# child of this shell (one the bus started) is awaited through /proc, so that nothing it holds
# open outlives the call.
pids=()
stop_started() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
        wait_for 5 test ! -e "/proc/${pids[i]}" || true
    done
}

# program_dir BINDIR: a program directory of its own, $work/bin, with the launcher, the program
# and an empty database. On exit the program (whoever started it), everything the script started
# and $work go. Needs $name, the program's bus name.
program_dir() {
    work=$(mktemp -d)
    trap 'stop_program; rm -rf "$work"' EXIT
    mkdir -p "$work/bin"
    cp "$1/dueboard" "$1/dueboard-server" "$work/bin/"
    "$1/dueboard-initdb" "$work/bin" >/dev/null || fail "no database"
}
stop_program() {
    local pid
    pid=$(owner_pid "$name")
    [[ -n $pid ]] && pids+=("$pid")
    stop_started
}

# start_xvfb WxHxDEPTH: a display of its own; sets DISPLAY. It does not reset when its last
# client leaves, so that the next one started then can connect.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
    export DISPLAY=:$(cat "$work/display")
}

# private_session HOME: a desktop session with HOME as the person's home, its runtime directory
# in $work/runtime, and nothing of the desktop that runs this script.
private_session() {
    export HOME=$1 XDG_CONFIG_HOME=$1/.config XDG_CACHE_HOME=$1/.cache
    export XDG_DATA_HOME=$1/.local/share XDG_RUNTIME_DIR=$work/runtime
    export QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1
    unset XDG_CURRENT_DESKTOP DESKTOP_SESSION SESSION_MANAGER
    mkdir -p "$HOME" -m 700 "$XDG_RUNTIME_DIR"
}

# start_bus DBUS_DAEMON_OPTION...: a session bus of its own; sets DBUS_SESSION_BUS_ADDRESS.
start_bus() {
    dbus-daemon "$@" --nofork --nopidfile --print-address=3 3>"$work/bus" 2>"$work/bus.log" &
    pids+=($!)
    wait_for 10 test -s "$work/bus" || fail "the session bus did not start"
    export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
}

# start_atspi: the session's accessibility bus, which Qt then serves its windows on.
start_atspi() {
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
    pids+=($!)
    wait_for 10 bus NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true' ||
        wait_for 10 owner_pid org.a11y.Bus >/dev/null
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# visible PATTERN: the first shown window whose name matches; shown and gone test for one.
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
shown() { [[ -n $(visible "$1") ]]; }
gone() { [[ -z $(visible "$1") ]]; }

# keys PATTERN KEY...: the keys pressed in the window named by the pattern, once it has the
# input focus.
keys() {
    local window
    wait_for 10 shown "$1" || fail "no window '$1'"
    window=$(visible "$1")
    xdotool windowfocus --sync "$window" 2>/dev/null
    sleep 0.3
    xdotool key --delay 80 "${@:2}"
    sleep 0.4
}

# bus METHOD ARG...: a call to the bus itself, its reply printed.
bus() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        "org.freedesktop.DBus.$1" "${@:2}"
}

# owner_pid NAME: the pid of the bus name's owner, empty when it has none.
owner_pid() { bus GetConnectionUnixProcessID "string:$1" 2>/dev/null | awk '/uint32/ { print $2 }'; }

# sni_property NAME [PATTERN]: a property of the StatusNotifierItem watcher, printed, or matched
# against PATTERN.
sni_property() {
    local reply
    reply=$(dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
        /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        string:org.kde.StatusNotifierWatcher "string:$1" 2>/dev/null) || return 1
    if [[ -n ${2:-} ]]; then grep -q "$2" <<<"$reply"; else echo "$reply"; fi
}

# colour_box IMAGE COLOUR FUZZ: sets box_w, box_h, box_x and box_y to the bounding box of what
# is COLOUR in IMAGE; fails when there is none.
colour_box() {
    local box
    box=$(convert "$1" -alpha off -fuzz "$3" -fill black +opaque "$2" -fill white -opaque "$2" \
        -format '%@' info: 2>/dev/null)
    [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
    box_w=${BASH_REMATCH[1]} box_h=${BASH_REMATCH[2]} box_x=${BASH_REMATCH[3]}
    box_y=${BASH_REMATCH[4]}
}

# start_tray HOST: trayer (XEmbed) or xfce4-panel (StatusNotifierItem) along the top edge,
# waited for until it takes icons; its log in $work/host.log.
start_tray() {
    case $1 in
    trayer)
        trayer --edge top --align left --widthtype request --height 32 \
            --transparent false --tint 0x404040 >"$work/host.log" 2>&1 &
        pids+=($!)
        wait_for 20 xdotool search --classname trayer >/dev/null || fail "trayer did not start"
        ;;
    xfce4-panel)
        local config=$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml
        mkdir -p "$config"
        cp "$lib_dir/tray/xfce4-panel.xml" "$config/"
        xfce4-panel --disable-wm-check >"$work/host.log" 2>&1 &
        pids+=($!)
        wait_for 20 sni_property IsStatusNotifierHostRegistered 'boolean true' ||
            fail "no StatusNotifierItem host"
        ;;
    esac
}
