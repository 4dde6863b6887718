#!/bin/bash
# Installs a build into a temporary home and checks the per-user layout, the validators' verdicts,
# D-Bus activation through the installed service file, that a reinstall keeps the tasks, and
# that uninstalling removes what the install added and nothing else.
#   install_test.sh BUILD_DIR UNINSTALL_SCRIPT
set -u

source "$(dirname "$0")/../e2e/lib.sh"

# The part that runs with its own display and session bus: the desktop entry starts the launcher,
# the launcher finds the name activatable, and the bus starts the installed program.
if [[ ${1:-} == session ]]; then
    prefix=$2 work=$3
    trap stop_started EXIT

    # The bus's standard service directories: $XDG_DATA_HOME/dbus-1/services is the one a real
    # session reads (dbus takes the home from the password database, hence XDG_DATA_HOME).
    start_bus --session

    bus ListActivatableNames | grep -q '"Dueboard.clsDueboard"' ||
        fail "the bus does not see the installed service file"

    gio launch "$prefix/share/applications/org.example.Dueboard.desktop" >"$work/launch.log" 2>&1 ||
        fail "gio could not launch the desktop entry: $(cat "$work/launch.log")"
    main_window() { xdotool search --onlyvisible --name '^Dueboard' >/dev/null 2>&1; }
    wait_for 20 main_window || fail "the main window did not appear: $(cat "$work/launch.log")"

    owner=$(owner_pid Dueboard.clsDueboard)
    [[ -n $owner ]] || fail "nobody owns Dueboard.clsDueboard"
    pids+=("$owner")
    [[ $(readlink "/proc/$owner/exe") == "$prefix/lib/dueboard/dueboard-server" ]] ||
        fail "the name's owner is $(readlink "/proc/$owner/exe"), not the installed program"
    # The launcher would start the program itself only where the bus cannot.
    grep -q "Successfully activated service 'Dueboard.clsDueboard'" "$work/bus.log" ||
        fail "the bus did not start the program: $(cat "$work/bus.log")"

    # The link in bin reaches the running program rather than starting another.
    "$prefix/bin/dueboard" 2>"$work/link.log" || fail "bin/dueboard failed: $(cat "$work/link.log")"
    [[ $(owner_pid Dueboard.clsDueboard) == "$owner" ]] ||
        fail "bin/dueboard started a second program"
    echo "Activation: desktop entry -> launcher -> bus -> $prefix/lib/dueboard/dueboard-server"
    exit 0
fi

build=$1 uninstall=$2
require cmake Xvfb dbus-daemon dbus-send gio dex xdotool sqlite3 desktop-file-validate appstreamcli

work=$(mktemp -d)
# The build's own manifest belongs to the person's real install; this test's installs would
# replace it.
manifest=$build/install_manifest.txt
[[ -f $manifest ]] && cp -p "$manifest" "$work/manifest.saved"
restore() {
    if [[ -f $work/manifest.saved ]]; then
        cp -p "$work/manifest.saved" "$manifest"
    else
        rm -f "$manifest"
    fi
    stop_started
    rm -rf "$work"
}
trap restore EXIT

# Awkward characters in the home check the quoting of both written Exec lines.
home="$work/home of o'neil"
prefix=$home/.local
program_dir=$prefix/lib/dueboard
mkdir -p "$prefix/bin" "$prefix/share/applications" "$home/.config"
# Neighbours the install must leave alone, also across uninstall.
echo '#!/bin/sh' >"$prefix/bin/other-tool"
printf '[Desktop Entry]\nType=Application\nName=Other\nExec=other\n' \
    >"$prefix/share/applications/other.desktop"
files() { (cd "$home" && find . ! -type d | sort); }
files >"$work/before"

install() { cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; }
install || fail "install: $(cat "$work/install.log")"
cp "$manifest" "$work/manifest"

# Layout: exactly these files, beside the neighbours.
{
    cat "$work/before"
    printf './.local/%s\n' \
        lib/dueboard/{dueboard,dueboard-server,dueboard-initdb,dueboard-sync,Dueboard.mdb} \
        bin/dueboard share/dbus-1/services/Dueboard.clsDueboard.service \
        share/applications/org.example.Dueboard.desktop \
        share/metainfo/org.example.Dueboard.metainfo.xml \
        share/icons/hicolor/scalable/apps/org.example.Dueboard.svg
} | sort >"$work/expected"
files | diff "$work/expected" - || fail "the installed files differ from the layout above"
for program in dueboard dueboard-server dueboard-initdb dueboard-sync; do
    [[ -x $program_dir/$program ]] || fail "$program is not executable"
done
[[ -L $prefix/bin/dueboard && $(readlink -f "$prefix/bin/dueboard") == \
    "$(readlink -f "$program_dir/dueboard")" ]] || fail "bin/dueboard is not a link to the launcher"
[[ $(sqlite3 "$program_dir/Dueboard.mdb" 'SELECT count(*) FROM TASKS') == 0 ]] ||
    fail "the installed database is not an empty task database"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/org.example.Dueboard.svg" ||
    fail "the icon is not an SVG picture"
desktop-file-validate "$prefix/share/applications/org.example.Dueboard.desktop" ||
    fail "desktop-file-validate rejects the desktop entry"
# A path with blanks and a quote goes in double quotes, with no escape for dex to mis-read.
grep -qxF "Exec=\"$program_dir/dueboard\"" "$prefix/share/applications/org.example.Dueboard.desktop" ||
    fail "the menu entry's Exec is not the quoted launcher path"
dex --dry-run "$prefix/share/applications/org.example.Dueboard.desktop" 2>&1 |
    grep -qxF "Executing command: $program_dir/dueboard" || fail "dex does not read the launcher path"
[[ $(stat -c %a "$program_dir/Dueboard.mdb") == 600 ]] ||
    fail "the installed database is readable by others: $(stat -c %a "$program_dir/Dueboard.mdb")"
appstreamcli validate --no-net "$prefix/share/metainfo/org.example.Dueboard.metainfo.xml" \
    >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli rejects the metadata: $(cat "$work/appstream.log")"
echo "Layout and validators: OK"

# Activation, with the temporary home as the session's.
start_xvfb 800x600x24
(
    private_session "$home"
    export XDG_DATA_DIRS=$work/no-system-data
    "$0" session "$prefix" "$work"
) || exit 1

# A reinstall that replaces a program (an upgrade) leaves a database with tasks byte for byte.
sqlite3 "$program_dir/Dueboard.mdb" "INSERT INTO TASKS VALUES \
    (1, 'Pay the rent', 'Before noon', '2026-12-01', 'INCOMPLETE')" || fail "cannot add a task"
cp -p "$program_dir/Dueboard.mdb" "$work/tasks.mdb"
echo >>"$program_dir/dueboard-server"
install || fail "reinstall: $(cat "$work/install.log")"
grep -q "Installing: .*/dueboard-server" "$work/install.log" ||
    fail "the reinstall kept the old program"
cmp "$work/tasks.mdb" "$program_dir/Dueboard.mdb" || fail "the reinstall changed the database"
[[ $(stat -c %Y "$work/tasks.mdb") == $(stat -c %Y "$program_dir/Dueboard.mdb") ]] ||
    fail "the reinstall rewrote the database"
echo "Reinstall kept the database: OK"

# A staged install writes the final paths into the files, and puts the files under DESTDIR.
DESTDIR=$work/stage cmake --install "$build" --prefix /opt/dueboard >"$work/stage.log" 2>&1 ||
    fail "staged install: $(cat "$work/stage.log")"
grep -qx "Exec='/opt/dueboard/lib/dueboard/dueboard-server'" \
    "$work/stage/opt/dueboard/share/dbus-1/services/Dueboard.clsDueboard.service" ||
    fail "the staged service file does not name /opt/dueboard/lib/dueboard/dueboard-server"
[[ -f $work/stage/opt/dueboard/lib/dueboard/Dueboard.mdb ]] || fail "no staged database"

# A prefix no desktop can start the launcher from stops the install before anything is copied.
odd="$work/100% sure"
cmake --install "$build" --prefix "$odd" >"$work/odd.log" 2>&1 && fail "installed into $odd"
tr '\n' ' ' <"$work/odd.log" | tr -s ' ' | grep -qF "Cannot install Dueboard into $odd: its path holds %" ||
    fail "no clear message for $odd: $(cat "$work/odd.log")"
[[ ! -e $odd ]] || fail "the refused install left files: $(find "$odd")"
echo "Refused prefix: OK"

# Uninstall removes the listed files, keeps the database, and with --remove-data takes it too.
"$uninstall" "$work/manifest" >"$work/uninstall.log" 2>&1 ||
    fail "uninstall: $(cat "$work/uninstall.log")"
{ cat "$work/before"; echo ./.local/lib/dueboard/Dueboard.mdb; } | sort >"$work/expected"
files | diff "$work/expected" - || fail "uninstall left or removed the wrong files"
cmp "$work/tasks.mdb" "$program_dir/Dueboard.mdb" || fail "uninstall changed the database"
"$uninstall" "$work/manifest" --remove-data >"$work/uninstall.log" 2>&1 ||
    fail "uninstall --remove-data: $(cat "$work/uninstall.log")"
files | diff "$work/before" - || fail "uninstall --remove-data left or removed the wrong files"
[[ ! -e $program_dir ]] || fail "the empty program directory is still there"
echo "Uninstall: OK"
echo PASS
