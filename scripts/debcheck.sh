#!/usr/bin/env bash
# Checks the package that deb.sh built in OUTDIR the way Debian does:
#   debcheck.sh OUTDIR CHECK...
#   lintian      policy, on the .changes (source and binary): no error, no warning
#   autopkgtest  the package's own tests (debian/tests) in a clean Debian 12 chroot
#   piuparts     install, remove and purge in a clean Debian 12 chroot
#   upgrade      an older build, a person's tasks and sync settings, a newer build over it,
#                then purge: the tasks stay
# The chroots come from Debian's package mirror, taken from this machine's deb822 apt sources;
# it is the one address beyond this machine these checks reach. Each check prints its time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(cd "$1" && pwd)
shift
version=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)
arch=$(dpkg --print-architecture)
changes=$out/dueboard_${version}_$arch.changes
deb=$out/dueboard_${version}_$arch.deb
newer=$version+upgrade1
sources=(/etc/apt/sources.list.d/*.sources)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The mirror of the first source that offers bookworm itself (piuparts takes one).
mirror() {
    awk '/^URIs:/ { uri = $2 } /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == "bookworm") { print uri; exit } }
         /^$/ { uri = "" }' "${sources[@]}"
}

# A clean Debian 12 system, made once and kept as a tarball in OUTDIR.
base_tarball() {
    local tarball=$out/bookworm.tar
    if [[ ! -s $tarball ]]; then
        mmdebstrap --quiet --variant=apt --format=tar bookworm "$tarball.part" "${sources[@]}"
        mv "$tarball.part" "$tarball"
    fi
    echo "$tarball"
}

# in_chroot DIR COMMAND...: COMMAND in a mount and process namespace of its own in which DIR
# has /proc, /sys and /dev; the mounts and every process left go with the namespace.
in_chroot() {
    unshare --mount --propagation private --pid --fork --kill-child bash -euc '
        dir=$1
        shift
        mount -t proc proc "$dir/proc"
        mount -t sysfs sysfs "$dir/sys"
        mount --rbind /dev "$dir/dev"
        "$@"' in_chroot "$@"
}

# fresh_chroot: a new directory holding the clean system, printed.
fresh_chroot() {
    local dir
    dir=$(mktemp -d "$out/chroot.XXXXXX")
    tar -xf "$(base_tarball)" -C "$dir"
    echo "$dir"
}

check_lintian() {
    lintian --fail-on error,warning --display-info "$changes"
}

# The system's package lists are fetched afresh; the chroot goes afterwards.
check_autopkgtest() {
    local dir status=0
    dir=$(fresh_chroot)
    rm -rf "$out/autopkgtest"
    in_chroot "$dir" autopkgtest --output-dir "$out/autopkgtest" \
        --setup-commands 'apt-get update -qq' "$changes" -- chroot "$dir" || status=$?
    rm -rf "$dir"
    return "$status"
}

check_piuparts() {
    piuparts --distribution bookworm --mirror "$(mirror) main" --tmpdir "$out" \
        --log-file "$out/piuparts.log" "$deb"
}

# Run inside the chroot by check_upgrade.
upgrade_steps() {
    set -eu
    as_ann() { runuser -u ann -- env -i HOME=/home/ann PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
    db=/home/ann/.local/share/dueboard/Dueboard.mdb
    tasks() { as_ann sqlite3 "$db" "SELECT TASK_TITLE FROM TASKS"; }
    settings() { as_ann sqlite3 "$db" "SELECT KEY || '=' || VALUE FROM SYNC_STATE WHERE KEY IN ('URL', 'USER') ORDER BY KEY"; }

    apt-get update -qq
    apt-get install -y -qq "/tmp/debs/dueboard_${1}_$3.deb" sqlite3 passwd >/dev/null
    useradd --create-home ann
    # The launcher's first start, then a task from a calendar file, and the sync settings
    # that dueboard-sync setup keeps (the password lives in the person's keyring).
    as_ann /usr/lib/dueboard/dueboard-initdb >/dev/null
    printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//check//EN\r\nBEGIN:VTODO\r\nUID:upgrade-1\r\nSUMMARY:Renew the passport\r\nDUE;VALUE=DATE:20270105\r\nEND:VTODO\r\nEND:VCALENDAR\r\n' >/tmp/task.ics
    chmod 644 /tmp/task.ics
    as_ann dueboard-sync import /tmp/task.ics >/dev/null
    as_ann sqlite3 "$db" "INSERT INTO SYNC_STATE VALUES ('URL', 'https://dav.example.org/ann/tasks/'), ('USER', 'ann')"
    before=$(sha256sum "$db")

    apt-get install -y -qq "/tmp/debs/dueboard_${2}_$3.deb" >/dev/null
    [[ $(dpkg-query -W -f '${Version}' dueboard) == "$2" ]] || { echo "FAIL: the newer version is not installed"; exit 1; }
    [[ $(sha256sum "$db") == "$before" ]] || { echo "FAIL: the upgrade changed the database"; exit 1; }
    [[ $(tasks) == "Renew the passport" ]] || { echo "FAIL: the task is gone after the upgrade"; exit 1; }
    [[ $(settings) == $'URL=https://dav.example.org/ann/tasks/\nUSER=ann' ]] || { echo "FAIL: the sync settings are gone after the upgrade"; exit 1; }
    as_ann dueboard-sync export /home/ann/after.ics >/dev/null
    grep -q 'SUMMARY:Renew the passport' /home/ann/after.ics || { echo "FAIL: the newer dueboard-sync does not read the task"; exit 1; }

    apt-get purge -y -qq dueboard >/dev/null
    [[ ! -e /usr/lib/dueboard && ! -e /usr/bin/dueboard ]] || { echo "FAIL: the purge left programs"; exit 1; }
    [[ $(sha256sum "$db") == "$before" ]] || { echo "FAIL: the purge touched the database"; exit 1; }
    echo "upgrade: $1 -> $2 kept the task and the sync settings; purge kept the database"
}

check_upgrade() {
    local dir status=0
    # Built again unless it is younger than the package under test.
    [[ $out/dueboard_${newer}_$arch.deb -nt $deb ]] || "$top/scripts/deb.sh" "$out" "$newer" >"$out/upgrade-build.log" 2>&1 ||
        fail "the newer build failed: see $out/upgrade-build.log"
    dir=$(fresh_chroot)
    mkdir -p "$dir/tmp/debs"
    cp "$deb" "$out/dueboard_${newer}_$arch.deb" "$dir/tmp/debs/"
    in_chroot "$dir" chroot "$dir" bash -c \
        "$(declare -f upgrade_steps); upgrade_steps '$version' '$newer' '$arch'" || status=$?
    rm -rf "$dir"
    return "$status"
}

# lintian alone runs as anyone; the chroots need root.
if [[ $* != lintian && $(id -u) -ne 0 ]]; then
    fail "the package checks $* make chroots, which needs root: run them as root (sudo make test)"
fi
for check; do
    start=$SECONDS
    "check_$check" || fail "$check"
    echo "$check passed in $((SECONDS - start)) s"
done
