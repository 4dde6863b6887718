#!/usr/bin/env bash
# Builds the Debian source and binary packages from this checkout into OUTDIR.
#   deb.sh OUTDIR [VERSION]
# The sources (without what git ignores) are copied to OUTDIR/dueboard-V (V the version in
# debian/changelog) first, so the build never writes into the checkout and its results land in
# OUTDIR. A VERSION higher than V adds a changelog entry to the copy (for the upgrade
# check); it is built in the same folder, so that ccache hits on the second build.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
src=$out/dueboard-$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)
version=${2:-$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)}

rm -rf "$src"
mkdir -p "$src"
# What .gitignore leaves out stays out, so a checkout or a copy of one gives the same package.
tar -C "$top" --exclude-vcs --exclude='./build*' --exclude='*.user' --exclude='*.swp' -cf - . |
    tar -xf - -C "$src"
if [[ -n ${2:-} ]]; then
    {
        printf 'dueboard (%s) unstable; urgency=medium\n\n' "$version"
        printf '  * A newer build, for the upgrade check.\n\n'
        printf ' -- The Dueboard developers <support@example.org>  %s\n\n' "$(date -R)"
        cat "$top/debian/changelog"
    } >"$src/debian/changelog"
fi

# ccache, where there is one, keeps a second build short; the package does not depend on it.
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
export DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}"
(cd "$src" && dpkg-buildpackage -us -uc)
echo "Built $out/dueboard_${version}_$(dpkg --print-architecture).deb in $SECONDS s"
