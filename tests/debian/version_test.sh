#!/bin/bash
# The package, the AppStream metadata and the build carry the project's one version number.
#   version_test.sh SOURCE_DIR PROJECT_VERSION
set -u
top=$1 version=$2
fail() {
    echo "FAIL: $*"
    exit 1
}
changelog=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version) || fail "debian/changelog is unreadable"
[[ $changelog == "$version" ]] ||
    fail "debian/changelog says $changelog, CMake's project(VERSION) $version: add a changelog entry for $version"
release=$(grep -o -m1 '<release version="[^"]*"' "$top/packaging/org.example.Dueboard.metainfo.xml" | cut -d'"' -f2)
[[ $release == "$version" ]] || fail "the newest release in the AppStream metadata is $release, not $version"
echo PASS
