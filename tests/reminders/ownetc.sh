#!/bin/sh
# ownetc.sh COMMAND...: runs COMMAND with TZ unset and an /etc of its own in which
# /etc/localtime can be replaced as system tools replace it. Run under `unshare -rm`: the mount
# namespace is private, and the machine's /etc stays as it is.
set -eu
own=$(mktemp -d)
mkdir "$own/real" "$own/etc"
mount --bind /etc "$own/real"
for entry in "$own"/real/* "$own"/real/.[!.]*; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    ln -s "$entry" "$own/etc/"
done
rm -f "$own/etc/localtime"
mount --bind "$own/etc" /etc
status=0
env -u TZ DUEBOARD_OWN_ETC=1 "$@" || status=$?
umount /etc "$own/real"
rm -rf "$own"
exit $status
