#!/usr/bin/env bash
# Removes what an install added, as listed in its install_manifest.txt.
#   uninstall.sh MANIFEST [--remove-data]
# The task database in the program directory stays unless --remove-data is given; the program
# directory goes when nothing is left in it.
set -euo pipefail

usage() { echo "usage: $0 MANIFEST [--remove-data]" >&2; exit 2; }
[[ $# -ge 1 && $# -le 2 ]] || usage
manifest=$1
remove_data=0
if [[ $# -eq 2 ]]; then
    [[ $2 == --remove-data ]] || usage
    remove_data=1
fi
if [[ ! -f $manifest ]]; then
    echo "$0: $manifest not found; nothing was installed from this build" >&2
    exit 1
fi

program_dir=
while IFS= read -r path || [[ -n $path ]]; do
    [[ -n $path ]] || continue
    if [[ $path != /* ]]; then
        echo "$0: skipping $path: not an absolute path" >&2
        continue
    fi
    [[ $path == */dueboard-server ]] && program_dir=$(dirname -- "$path")
    # -L: a link is removed itself, never what it points to.
    if [[ -e $path || -L $path ]]; then
        rm -f -- "$path"
        echo "Removed $path"
    fi
done <"$manifest"

[[ -n $program_dir && -d $program_dir ]] || exit 0
if [[ $remove_data -eq 1 ]]; then
    # SQLite's write-ahead log and index belong to the database.
    for file in "$program_dir"/Dueboard.mdb{,-wal,-shm,-journal}; do
        if [[ -e $file ]]; then
            rm -f -- "$file"
            echo "Removed $file"
        fi
    done
elif [[ -e $program_dir/Dueboard.mdb ]]; then
    echo "Kept the task database $program_dir/Dueboard.mdb (--remove-data removes it)"
fi
rmdir --ignore-fail-on-non-empty -- "$program_dir"
