#!/bin/bash
# The whole program under Xvfb with a real tray: the launcher activates dueboard-server on a
# private session bus, and xdotool drives the icon, its menu and the main window.
#   app_e2e.sh BINDIR HOST OUTDIR SERVICE_TEMPLATE     HOST is trayer or xfce4-panel
# Works on a copy of the programs with a database of its own; leaves screenshots in OUTDIR.
set -u
here=$(cd "$(dirname "$0")" && pwd)
name=Dueboard.clsDueboard

source "$here/../lib.sh"
trap stop_started EXIT

# The part that runs inside the private session bus.
if [[ $1 == session ]]; then
    host=$2 work=$3 out=$4
    bin=$work/bin
    fail() {
        echo "FAIL ($host): $*"
        for window in $(xdotool search --classname dueboard-server); do
            echo "window $window: '$(xdotool getwindowname "$window")'"
        done
        import -window root "$out/app-$host-failure.png" 2>/dev/null
        tail -n 20 "$work"/*.log
        exit 1
    }
    sni_items() { sni_property RegisteredStatusNotifierItems | grep -c 'string "'; }
    # Processes the bus started for us end with us.
    stop_activated() {
        local bus_name pid
        for bus_name in $name org.xfce.Xfconf; do
            pid=$(owner_pid $bus_name)
            [[ -n $pid ]] && pids+=("$pid")
        done
        stop_started
    }
    trap stop_activated EXIT
    dbus-update-activation-environment DISPLAY XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME \
        XDG_RUNTIME_DIR QT_QPA_PLATFORM NO_AT_BRIDGE

    start_tray "$host"

    launch() { "$bin/dueboard" 2>>"$work/launcher.log"; }
    main_window() { xdotool search --onlyvisible --name '^Dueboard( |$)' 2>/dev/null | head -n1; }
    main_shown() { [[ -n $(main_window) ]]; }
    main_gone() { [[ -z $(main_window) ]]; }
    server_gone() { [[ -z $(owner_pid $name) ]] && ! kill -0 "$server" 2>/dev/null; }

    # Pixels of the red shield that marks an open task, in the main window.
    red_pixels() {
        import -window "$(main_window)" "$work/main.png" 2>/dev/null || { echo 0; return; }
        convert "$work/main.png" -alpha off -fx 'r - max(g, b) > 0.25' \
            -format '%[fx:round(mean*w*h)]' info:
    }
    shows_todays_task() { (($(red_pixels) > 20)); }
    shows_no_task() { (($(red_pixels) == 0)); }

    # Finds the icon (its navy header) in the panel strip; sets x, y to its centre and
    # icon_width to the width of everything navy there.
    locate() {
        import -window root -crop 400x40+0+0 "$work/strip.png" 2>/dev/null || return 1
        colour_box "$work/strip.png" '#000080' 12% && ((box_w >= 4 && box_h >= 2)) || return 1
        icon_width=$box_w
        x=$((box_x + box_w / 2))
        y=$((box_y + box_h + 4))
    }
    icon_gone() { ! locate; }
    one_icon() {
        locate && ((icon_width < 40)) || return 1
        [[ $host == trayer ]] || (($(sni_items) == 1))
    }

    # Opens the icon's menu and picks its n-th visible item with the keyboard.
    pick() {
        xdotool mousemove "$x" "$y" click 3
        sleep 0.7
        [[ -n ${2:-} ]] && import -window root -crop 400x200+0+0 "$out/app-$host-$2.png"
        xdotool key $(printf 'Down %.0s' $(seq "$1")) Return
    }

    # 1. The launcher activates the program, which shows today's tasks and docks its icon.
    launch || fail "the launcher failed: $(cat "$work/launcher.log")"
    server=$(owner_pid $name)
    [[ -n $server ]] || fail "nobody owns $name"
    wait_for 10 main_shown || fail "the main window did not appear"
    wait_for 10 shows_todays_task || fail "the main window does not show today's task"
    wait_for 20 one_icon || fail "the icon did not dock (once)"
    sleep 0.5 && locate
    import -window root -crop 400x40+0+0 "$out/app-$host-icon.png"
    if [[ $host == trayer ]]; then
        # The tooltip is a window of the program's own that appears over the icon.
        count=$(xdotool search --onlyvisible --classname dueboard-server | wc -l)
        xdotool mousemove "$x" "$y" sleep 0.1 mousemove $((x + 1)) "$y"
        more_windows() { (($(xdotool search --onlyvisible --classname dueboard-server | wc -l) > count)); }
        wait_for 5 more_windows || fail "no tooltip over the icon"
        import -window root -crop 400x80+0+0 "$out/app-$host-tooltip.png"
        xdotool mousemove 500 700
    else
        item=$(sni_property RegisteredStatusNotifierItems | grep -o '"[^"]*"' | tr -d '"')
        dbus-send --session --print-reply --dest="${item%%/*}" "/${item#*/}" \
            org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem \
            string:ToolTip | grep -q '"Dueboard"' || fail "the tooltip is not Dueboard"
    fi

    # 2. Another day, "Hide Tasks", then a double-click brings the window back on today.
    eval "$(xdotool getwindowgeometry --shell "$(main_window)")" # X, Y, WIDTH, HEIGHT
    xdotool mousemove $((X + 226)) $((Y + HEIGHT - 266 + 18)) click 1 # the next-day button
    wait_for 5 shows_no_task || fail "the next day still shows today's task"
    pick 1 menu-hide
    wait_for 5 main_gone || fail "Hide Tasks left the main window"
    sleep 0.6
    xdotool mousemove "$x" "$y" click --repeat 2 --delay 100 1
    wait_for 10 main_shown || fail "a double-click did not bring the main window back"
    wait_for 5 shows_todays_task || fail "the main window came back, but not on today"

    # 3. With the window hidden the menu's first item is "Show Tasks".
    pick 1
    wait_for 5 main_gone || fail "Hide Tasks left the main window"
    pick 1 menu-show
    wait_for 10 main_shown || fail "Show Tasks did not show the main window"

    # 4. A missing database: a clear error, and a program that works once the file is back.
    pick 1
    wait_for 5 main_gone || fail "Hide Tasks left the main window"
    mv "$bin/Dueboard.mdb" "$work/away.mdb"
    : >"$work/launcher.log"
    launch && fail "the launcher succeeded without a database"
    grep -q 'Dueboard.mdb' "$work/launcher.log" ||
        fail "the error does not name the file: $(cat "$work/launcher.log")"
    [[ $(wc -l <"$work/launcher.log") == 1 ]] || fail "the error is not one line"
    echo "missing database: $(cat "$work/launcher.log")"
    one_icon || fail "the icon went with the failed call"
    mv "$work/away.mdb" "$bin/Dueboard.mdb"
    launch || fail "the launcher failed with the file back: $(cat "$work/launcher.log")"
    wait_for 10 main_shown || fail "the main window did not appear with the file back"
    [[ $(owner_pid $name) == "$server" ]] || fail "a second program took over"

    # 5. "Quit" from the tray ends the program and removes the icon.
    pick 2
    wait_for 10 server_gone || fail "Quit did not end the program"
    wait_for 10 icon_gone || fail "the icon stayed after Quit"
    [[ $host == trayer ]] || (($(sni_items) == 0)) || fail "the item is still registered"

    # 6. Ten launcher runs at once start one program with one icon.
    : >"$work/launcher.log"
    runs=()
    for i in $(seq 10); do
        launch &
        runs+=($!)
    done
    for run in "${runs[@]}"; do
        wait "$run" || fail "a launcher run failed: $(cat "$work/launcher.log")"
    done
    server=$(owner_pid $name)
    wait_for 10 main_shown || fail "the main window did not appear"
    wait_for 20 one_icon || fail "ten runs did not give exactly one icon"
    sleep 1
    one_icon || fail "ten runs did not give exactly one icon"
    [[ $(pgrep -c -f "^$bin/dueboard-server") == 1 ]] || fail "more than one program runs"
    echo "PASS ($host)"
    exit 0
fi
[[ $1 == session ]] && exit 1 # a broken step above; never run on as the outer part

bindir=$1 host=$2 outdir=$3 template=$4
require Xvfb dbus-daemon dbus-send dbus-update-activation-environment xdotool import \
    convert sqlite3 "$host"
work=$(mktemp -d)
trap 'stop_started; rm -rf "$work"' EXIT

# The programs, and a database of their own with one open task due today.
mkdir -p "$work/bin" "$work/services"
cp "$bindir/dueboard" "$bindir/dueboard-server" "$work/bin/"
"$bindir/dueboard-initdb" "$work/bin" >/dev/null || fail "no database"
sqlite3 "$work/bin/Dueboard.mdb" "INSERT INTO TASKS VALUES
    (1, 'Water the plants', 'Due today', date('now', 'localtime'), 'INCOMPLETE')"
sed "s|@DUEBOARD_SERVER_PATH@|$work/bin/dueboard-server|" "$template" \
    >"$work/services/$name.service"
cat >"$work/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <servicedir>$work/services</servicedir>
</busconfig>
CONF

start_xvfb 1024x768x24
private_session "$work/home"

start_bus --config-file="$work/session.conf"
"$0" session "$host" "$work" "$outdir"
