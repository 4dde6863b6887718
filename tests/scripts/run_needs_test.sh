#!/bin/bash
# `make run` asks only for what running needs: the run build makes no test or benchmark and
# looks for none of their libraries, and deps.sh names no test-only package for it. A person
# without root is told to update the package lists first, with sudo or with su.
#   run_needs_test.sh SOURCE_DIR
set -u
source "$(dirname "$0")/../e2e/lib.sh"
src=$1
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT

cmake -S "$src" -B "$work/build" -G Ninja >"$work/configure.log" 2>&1 ||
    fail "the run build does not configure: $(tail -n 20 "$work/configure.log")"
targets=$(ninja -C "$work/build" -t targets all)
grep -Eq '^(bin/)?dueboard-server:' <<<"$targets" || fail "the run build has no dueboard-server"
if grep -E '_test|_tests|_bench|trayprobe|tests/' <<<"$targets" | grep -v '^CMakeFiles' | head -n 3 | grep .; then
    fail "the run build makes tests or benchmarks"
fi
if grep -Eq '^(GTest|benchmark|Qt6Test)_DIR:' "$work/build/CMakeCache.txt"; then
    fail "the run build looks for test or benchmark libraries"
fi

# Every package missing, asked by someone who is not root.
mkdir -p "$work/stub"
printf '#!/bin/sh\nexit 1\n' >"$work/stub/dpkg-query"
cp "$src/scripts/deps.sh" "$work/deps.sh"
chmod 755 "$work/stub/dpkg-query" "$work/deps.sh"
as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups env PATH="$work/stub:$PATH" "$@"; }
for target in run test bench; do
    as_user "$work/deps.sh" "$target" >"$work/$target.out" 2>&1 && fail "deps.sh $target passed"
done
run=$(cat "$work/run.out")
for package in xvfb xauth xdotool x11-utils libgtest-dev libgmock-dev libbenchmark-dev trayer; do
    grep -qw -- "$package" <<<"$run" && fail "make run asks for the test-only package $package"
done
grep -qw qt6-base-dev <<<"$run" || fail "make run does not ask for qt6-base-dev: $run"
grep -qF "sudo apt-get update && sudo apt-get install " <<<"$run" ||
    fail "no sudo line that updates first: $run"
grep -qF "su -c 'apt-get update && apt-get install " <<<"$run" ||
    fail "no su line that updates first: $run"
grep -qw libgtest-dev "$work/test.out" || fail "make test does not ask for GoogleTest"
grep -qw libbenchmark-dev "$work/bench.out" || fail "make bench does not ask for Google Benchmark"
echo PASS
