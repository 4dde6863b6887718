#!/usr/bin/env bash
# Makes sure the Debian packages a target needs are present.
#   deps.sh build|run|test|bench|deb|deb-check
# As root it installs what is missing; otherwise it prints the lines to run and stops.
set -euo pipefail

build=(cmake ninja-build g++ make pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev
       libsqlite3-dev libsystemd-dev libical-dev qtkeychain-qt6-dev)
# What running the program needs beyond the build: the session bus for scripts/run.sh, the
# display plugin and the fonts the windows ask for.
runtime=(dbus qt6-qpa-plugins fonts-liberation2 fonts-urw-base35)
# A display, a tray, a notification server, a clock moved for one program, and the tools that
# drive and check them, for the tests only.
testing=(libgtest-dev libgmock-dev xvfb xauth dbus-x11 x11-utils xdotool procps sqlite3 trayer
         xfce4-panel desktop-file-utils dex libglib2.0-bin appstream imagemagick at-spi2-core
         gir1.2-atspi-2.0 python3-gi radicale python3-caldav python3-dateutil gnome-keyring dunst
         faketime openbox xandikos cyrus-imapd cyrus-caldav sasl2-bin openssl util-linux)
# Building the Debian package, and the checks it must pass: lintian and the package's own tests
# (autopkgtest in a Debian 12 chroot that mmdebstrap makes) with every test run, piuparts with
# make deb-check.
deb=(debhelper dpkg-dev fakeroot)
deb_tests=(lintian autopkgtest mmdebstrap)
deb_checks=(piuparts)
benchmarks=(libbenchmark-dev xvfb x11-utils xdotool procps radicale python3-caldav gnome-keyring
            libglib2.0-bin dbus curl time xandikos cyrus-imapd cyrus-caldav sasl2-bin openssl
            util-linux)
# Services the packages above start where the machine allows it. The tests and benchmarks run
# private instances of their own, so a service the install added is stopped and disabled again.
services=(cyrus-imapd.service exim4.service)

case "${1:-build}" in
  build) want=("${build[@]}") ;;
  run)   want=("${build[@]}" "${runtime[@]}") ;;
  test)  want=("${build[@]}" "${runtime[@]}" "${testing[@]}" "${deb[@]}" "${deb_tests[@]}") ;;
  bench) want=("${build[@]}" "${runtime[@]}" "${benchmarks[@]}") ;;
  deb)   want=("${build[@]}" "${deb[@]}") ;;
  deb-check) want=("${build[@]}" "${deb[@]}" "${deb_tests[@]}" "${deb_checks[@]}") ;;
  *) echo "usage: $0 build|run|test|bench|deb|deb-check" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  had=$(systemctl list-unit-files "${services[@]}" 2>/dev/null || true)
  apt-get install -y -qq "${missing[@]}"
  if [[ -d /run/systemd/system ]]; then
    for s in "${services[@]}"; do
      if ! grep -q "^$s" <<<"$had" && systemctl list-unit-files "$s" | grep -q "^$s"; then
        systemctl disable --now "$s" || echo "Could not stop $s: stop it by hand if it runs." >&2
      fi
    done
  fi
else
  {
    echo "Dueboard needs these Debian packages, which are not installed:"
    echo "  ${missing[*]}"
    echo "Update the package lists first, then install them, with sudo:"
    echo "  sudo apt-get update && sudo apt-get install ${missing[*]}"
    echo "or, without sudo, as root:"
    echo "  su -c 'apt-get update && apt-get install ${missing[*]}'"
    echo "Then try again (run as root, make does both itself)."
  } >&2
  exit 1
fi
