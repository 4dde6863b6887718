#!/bin/bash
# The whole program under Xvfb with a real tray: the launcher activates dueboard-server on a
# private session bus, and xdotool drives the icon, its menu and the main window.
#   app_e2e.sh BINDIR HOST OUTDIR SERVICE_TEMPLATE AUTOSTARTPROBE    HOST: trayer or xfce4-panel
# Works on a copy of the programs with a database of its own; leaves screenshots in OUTDIR.
# Then, with no service file, the launcher starts the program itself, and the log-on entry is
# started by GLib's and dex's readers from folders with awkward names.
set -u
here=$(cd "$(dirname "$0")" && pwd)
name=Dueboard.clsDueboard

source "$here/../lib.sh"
trap stop_started EXIT

# The part that runs inside the private session bus.
if [[ $1 == session ]]; then
    host=$2 work=$3 out=$4 probe=$5
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

    # The StatusNotifierItem's bus name and path, and one of its properties.
    sni_item() { sni_property RegisteredStatusNotifierItems | grep -o '"[^"]*"' | tr -d '"'; }
    item_property() {
        local item
        item=$(sni_item)
        dbus-send --session --print-reply --dest="${item%%/*}" "/${item#*/}" \
            org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem "string:$1"
    }
    # The visible items of the menu the host reads over the bus, without opening it.
    menu_on_bus() {
        local item path
        item=$(sni_item)
        path=$(item_property Menu | grep -o 'object path "[^"]*"' | cut -d'"' -f2)
        gdbus call --session --dest "${item%%/*}" --object-path "$path" \
            --method com.canonical.dbusmenu.GetLayout -- 0 -1 '@as []' |
            grep -o "{[^{}]*'label'[^{}]*}" | grep -v "'visible': <false>" |
            sed "s/.*'label': <'\([^']*\)'>.*/\1/" | paste -sd,
    }
    menu_offers() { [[ $host == trayer || $(menu_on_bus) == "$1" ]]; }

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
        item_property ToolTip | grep -q '"Dueboard"' || fail "the tooltip is not Dueboard"
        # Panels list the item by its id and title.
        for property in Id Title; do
            [[ $(item_property $property | grep -o 'string "[^"]*"') == 'string "Dueboard"' ]] ||
                fail "the item's $property is not Dueboard: $(item_property $property)"
        done
        # Before the menu first opens, the host already reads exactly one of the two items.
        [[ $(menu_on_bus) == "Hide Tasks,Quit" ]] || fail "the menu on the bus: $(menu_on_bus) / $(item_property Menu) / $(sni_item)"
    fi

    # The object answers exactly what it declares: nothing of the Qt object behind it.
    object() { dbus-send --session --print-reply --dest=$name /clsDueboard "$@" 2>&1; }
    for interface in Dueboard.clsDueboard ''; do
        object org.freedesktop.DBus.Properties.Set "string:$interface" string:objectName \
            variant:string:changed | grep -q '^Error org.freedesktop.DBus.Error' ||
            fail "Set objectName on '$interface' was not refused"
        object org.freedesktop.DBus.Properties.Get "string:$interface" string:objectName |
            grep -q '^Error org.freedesktop.DBus.Error' ||
            fail "Get objectName on '$interface' was not refused"
    done
    object org.freedesktop.DBus.Properties.GetAll string:Dueboard.clsDueboard | grep -q 'array \[' ||
        fail "GetAll on the interface did not answer with no properties"
    declared=$(object org.freedesktop.DBus.Introspectable.Introspect |
        grep -Eo '<(interface|method|property|signal) name="[^"]*"' | sed 's/.*name=//' | tr -d '"' |
        paste -sd' ')
    [[ $declared == "Dueboard.clsDueboard ShowMainScreen org.freedesktop.DBus.Properties Get Set \
GetAll PropertiesChanged org.freedesktop.DBus.Introspectable Introspect org.freedesktop.DBus.Peer \
Ping GetMachineId" ]] || fail "the object declares: $declared"

    # 2. Another day, "Hide Tasks", then a double-click brings the window back on today.
    eval "$(xdotool getwindowgeometry --shell "$(main_window)")" # X, Y, WIDTH, HEIGHT
    xdotool mousemove $((X + 226)) $((Y + HEIGHT - 266 + 18)) click 1 # the next-day button
    wait_for 5 shows_no_task || fail "the next day still shows today's task"
    pick 1 menu-hide
    wait_for 5 main_gone || fail "Hide Tasks left the main window"
    wait_for 5 menu_offers "Show Tasks,Quit" || fail "the menu on the bus: $(menu_on_bus)"
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
    pick 2
    wait_for 10 server_gone || fail "Quit did not end the program"

    # 7. No service file: the launcher starts the program itself.
    rm "$work/services/$name.service"
    bus ReloadConfig >/dev/null
    not_activatable() { ! bus ListActivatableNames | grep -q "\"$name\""; }
    wait_for 10 not_activatable || fail "the bus still activates $name"

    # A program that cannot start says why at once, in the launcher's one line.
    no_start() { # EXPECTED ENV-ASSIGNMENT...
        local expected=$1 started=$SECONDS status
        shift
        env "$@" "$bin/dueboard" >"$work/out.log" 2>"$work/err.log"
        status=$?
        ((status != 0)) || fail "the launcher succeeded with $*"
        ((SECONDS - started < 8)) || fail "the launcher waited $((SECONDS - started)) s with $*"
        [[ $(cat "$work/err.log") == "dueboard: the program $bin/dueboard-server $expected" ]] ||
            fail "with $*, the launcher said: $(cat "$work/err.log")"
        [[ ! -s $work/out.log ]] || fail "the launcher wrote to its output: $(cat "$work/out.log")"
        echo "$*: status $status, $(cat "$work/err.log")"
    }
    no_start "found no display: neither DISPLAY nor WAYLAND_DISPLAY is set" -u DISPLAY \
        -u QT_QPA_PLATFORM
    no_start "could not open the display :97" DISPLAY=:97

    # The program lets go of the launcher's output: a caller reading it is not held.
    out=$(timeout 20 "$bin/dueboard" 2>&1) || fail "the launcher did not finish: $out"
    [[ -z $out ]] || fail "the launcher said: $out"
    server=$(owner_pid $name)
    [[ -n $server ]] || fail "nobody owns $name"
    for fd in 0 1 2; do
        [[ $(readlink "/proc/$server/fd/$fd") == @(/dev/null|socket:*) ]] ||
            fail "the program holds $(readlink "/proc/$server/fd/$fd") as its stream $fd"
    done
    timeout 20 "$bin/dueboard" | cat || fail "a pipe from the launcher did not end"
    wait_for 10 main_shown || fail "the main window did not appear"
    wait_for 20 one_icon || fail "the icon did not dock (once)"
    pick 2
    wait_for 10 server_gone || fail "Quit did not end the program"

    # 8. The log-on entry from program folders with awkward names: GLib's and dex's readers
    # start exactly the launcher there, or nothing is written and the person reads why.
    autostart=$XDG_CONFIG_HOME/autostart/Dueboard.desktop
    for folder in "plain-copy" "it's a (copy) #2" "100% sure" 'cost $5'; do
        dir="$work/$folder"
        mkdir -p "$dir"
        cp "$bin/dueboard" "$bin/dueboard-server" "$bin/Dueboard.mdb" "$dir/"
        rm -f "$autostart"
        said=$("$probe" "$dir")
        if [[ $folder == *[%\$]* ]]; then
            [[ $said == "Cannot make the log-on entry"*"Nothing was written"* ]] ||
                fail "$folder: $said"
            [[ ! -e $autostart ]] || fail "$folder: an entry was written"
            continue
        fi
        [[ $said == Enabled ]] || fail "$folder: $said"
        for reader in "gio launch $autostart" "dex $autostart"; do
            $reader >"$work/reader.log" 2>&1 || fail "$reader: $(cat "$work/reader.log")"
            wait_for 20 main_shown || fail "$folder: $reader did not start the program"
            server=$(owner_pid $name)
            [[ $(readlink "/proc/$server/exe") == "$dir/dueboard-server" ]] ||
                fail "$folder: $reader started $(readlink "/proc/$server/exe")"
            wait_for 20 one_icon || fail "the icon did not dock (once)"
            pick 2
            wait_for 10 server_gone || fail "Quit did not end the program"
            echo "$folder: $reader started $dir/dueboard-server"
        done
    done
    echo "PASS ($host)"
    exit 0
fi
[[ $1 == session ]] && exit 1 # a broken step above; never run on as the outer part

bindir=$1 host=$2 outdir=$3 template=$4 probe=$5
require Xvfb dbus-daemon dbus-send dbus-update-activation-environment xdotool import \
    convert sqlite3 gdbus gio dex timeout "$host"
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
"$0" session "$host" "$work" "$outdir" "$probe"
