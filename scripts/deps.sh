#!/usr/bin/env bash
# Makes sure the Debian packages a target needs are present.
# As root it installs what is missing; otherwise it prints the apt-get line and stops.
set -euo pipefail

build=(cmake ninja-build g++ make pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev
       libsqlite3-dev sqlite3 libgtest-dev libgmock-dev libbenchmark-dev)
runtime=(xvfb xauth dbus dbus-x11 x11-utils xdotool procps fonts-liberation2 fonts-urw-base35
         qt6-qpa-plugins)
testing=(trayer xfce4-panel desktop-file-utils dex libglib2.0-bin appstream imagemagick)

case "${1:-build}" in
  build) want=("${build[@]}") ;;
  run)   want=("${build[@]}" "${runtime[@]}") ;;
  test)  want=("${build[@]}" "${runtime[@]}" "${testing[@]}") ;;
  *) echo "usage: $0 build|run|test" >&2; exit 2 ;;
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
  apt-get install -y -qq "${missing[@]}"
else
  echo "Dueboard needs these Debian packages, which are not installed:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  echo "Run that line (or run make as root), then try again." >&2
  exit 1
fi
