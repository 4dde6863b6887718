#!/usr/bin/env bash
# Start-up figures on a private Xvfb display and session bus, measured, never asserted:
#   cold start  the launcher run until the main window is mapped, the program not running
#               (the bus starts it from its service file);
#   warm show   the same with the program running and its main window unloaded by "Hide";
#   memory      the program's resident set with the main window open.
# Each beside a bare Qt Widgets window (startup-bare-window) started to its window mapped, as a
# ratio. Times run from the start of the process to the MapNotify of the window on the root
# window (xev), so polling costs nothing; the first paint follows in the same frame.
#   startup.sh [BINDIR]     BINDIR holds the built programs (default build/bin).
# DUEBOARD_STARTUP_RUNS sets the number of measured runs (default 9; one more warms up).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bindir=$(cd "${1:-build/bin}" && pwd)
runs=${DUEBOARD_STARTUP_RUNS:-9}
source "$here/../../tests/e2e/lib.sh"
fail() {
    echo "$*." >&2
    exit 1
}
poll_interval=0.01
for program in dueboard dueboard-server dueboard-initdb startup-bare-window; do
    [[ -x $bindir/$program ]] || fail "No $bindir/$program; build first (make build)"
done
require Xvfb dbus-daemon dbus-send xev xdotool stdbuf

work=$(mktemp -d)
trap 'stop_started; rm -rf "$work"' EXIT

usec() { echo "${EPOCHREALTIME/[.,]/}"; }

# A program directory of its own with an empty database, so that no task of the person's (and
# no past-due window) enters the figures.
mkdir -p "$work/program" "$work/services"
cp "$bindir"/{dueboard,dueboard-server,dueboard-initdb} "$work/program/"
"$work/program/dueboard-initdb" "$work/program" >/dev/null
sed "s|@DUEBOARD_SERVER_PATH@|$work/program/dueboard-server|" \
    "$here/../../packaging/dbus/Dueboard.clsDueboard.service.in" \
    >"$work/services/Dueboard.clsDueboard.service"
cat >"$work/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work/runtime</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$work/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF

start_xvfb 1024x768x24
private_session "$work/home"

# The bus starts the program with its own environment, set above.
start_bus --config-file="$work/bus.conf"

# Every top-level window mapped on the display, as "TIME_USEC WINDOW" lines in $work/maps.
touch "$work/maps"
mkfifo "$work/xev"
stdbuf -oL xev -root -event substructure >"$work/xev" &
pids+=($!)
while IFS= read -r line; do
    if [[ $line == MapNotify* ]]; then
        mapped=$(usec)
    elif [[ -n ${mapped:-} && $line =~ window\ (0x[0-9a-f]+),\ override\ NO ]]; then
        echo "$mapped ${BASH_REMATCH[1]}" >>"$work/maps"
        mapped=
    fi
done <"$work/xev" &
pids+=($!)
sleep 0.5

# mapped_after LINE NAME: the time of the first window whose name begins with NAME mapped
# after line LINE of the map log; waits up to 20 s.
mapped_after() {
    local from=$1 name=$2 deadline=$((SECONDS + 20)) time window
    while ((SECONDS < deadline)); do
        while read -r time window; do
            if [[ $(xdotool getwindowname "$window" 2>/dev/null) == $name* ]]; then
                echo "$time"
                return
            fi
        done < <(tail -n +"$((from + 1))" "$work/maps")
        sleep 0.01
    done
    echo "No window named $name appeared." >&2
    return 1
}
maps() { wc -l <"$work/maps"; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
program_gone() { ! bus NameHasOwner string:Dueboard.clsDueboard | grep -q true; }
main_window_hidden() { ! xdotool search --onlyvisible --name '^Dueboard' >/dev/null 2>&1; }

# "Hide" in the main window's File menu: open the menu on its title, go down past "Add New
# Task..." to "Hide".
hide_main_window() {
    local window
    window=$(xdotool search --onlyvisible --name '^Dueboard' | head -n 1)
    xdotool mousemove --window "$window" 15 10 click 1
    sleep 0.3
    xdotool key Down Down Return
    wait_for 10 main_window_hidden || fail "Hide did not unload the main window"
}

for ((run = 0; run <= runs; run++)); do
    from=$(maps)
    start=$(usec)
    "$bindir/startup-bare-window" &
    bare=$!
    bare_ms=$((($(mapped_after "$from" "Bare window") - start) / 1000))
    sleep 1
    bare_kib=$(rss_kib "$bare")
    kill "$bare"
    wait "$bare" 2>/dev/null || true

    from=$(maps)
    start=$(usec)
    "$work/program/dueboard"
    cold_ms=$((($(mapped_after "$from" Dueboard) - start) / 1000))
    sleep 1
    program=$(owner_pid Dueboard.clsDueboard)
    program_kib=$(rss_kib "$program")

    hide_main_window
    sleep 0.5
    from=$(maps)
    start=$(usec)
    "$work/program/dueboard"
    warm_ms=$((($(mapped_after "$from" Dueboard) - start) / 1000))

    kill "$program"
    wait_for 10 program_gone || fail "The program did not end"
    # The first run fills the file and font caches; it is not counted.
    ((run == 0)) || echo "$bare_ms $cold_ms $warm_ms $bare_kib $program_kib" >>"$work/figures"
done

median() {
    sort -n | awk '{ v[NR] = $1 }
        END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
column_median() { awk -v c="$1" '{ print $c }' "$work/figures" | median; }
bare_ms=$(column_median 1) cold_ms=$(column_median 2) warm_ms=$(column_median 3)
bare_mib=$(column_median 4 | awk '{ printf "%.1f", $1 / 1024 }')
program_mib=$(column_median 5 | awk '{ printf "%.1f", $1 / 1024 }')
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "== start-up (median of $runs runs, Xvfb $DISPLAY, private session bus)"
printf '%-44s %8s %8s %s\n' "" Dueboard "bare Qt" ratio
printf '%-44s %5s ms %5s ms %s\n' "cold start: launcher to main window mapped" "$cold_ms" "$bare_ms" \
    "$(ratio "$cold_ms" "$bare_ms")  (target <= 2)"
printf '%-44s %5s ms %8s %s\n' "warm show: launcher to main window mapped" "$warm_ms" "" \
    "(target < 50 ms)"
printf '%-44s %4s MiB %4s MiB %s\n' "resident memory, main window open" "$program_mib" \
    "$bare_mib" "$(ratio "$program_mib" "$bare_mib")  (target <= 1.5)"
echo "-- each run (ms ms ms KiB KiB: bare, cold, warm, bare RSS, Dueboard RSS):"
cat "$work/figures"
