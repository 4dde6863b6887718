#!/bin/bash
# The package builds from what `make build` installs: debian/control's Build-Depends are the
# build list of scripts/deps.sh, less the compiler and make that every Debian build has.
#   builddeps_test.sh SOURCE_DIR
set -u
top=$1
wanted=$(bash -c "source <(sed -n '/^build=(/,/)/p' '$top/scripts/deps.sh'); printf '%s\n' \"\${build[@]}\"" |
    grep -vx 'g++\|make' | sort)
declared=$(sed -n '/^Build-Depends:/,/^[A-Z]/p' "$top/debian/control" | sed '$d' |
    sed 's/^Build-Depends://; s/([^)]*)//g' | tr ',' '\n' | tr -d ' ' | grep -v '^$' |
    grep -v '^debhelper-compat$' | sort)
if [[ $wanted != "$declared" ]]; then
    echo "FAIL: Build-Depends and scripts/deps.sh build differ:"
    diff <(echo "$wanted") <(echo "$declared") | sed 's/^</  only in deps.sh:/; s/^>/  only in Build-Depends:/' | grep only
    exit 1
fi
echo PASS
