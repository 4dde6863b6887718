#!/usr/bin/env bash
# Runs every benchmark program in the given directory (default build/bin). Figures are
# measured, never asserted. DUEBOARD_BENCH_SIZES (e.g. "1000,100000") leaves out the
# 1,000,000-task database; DUEBOARD_BENCH_DIR says where the databases are made.
# Extra arguments go to each program (Google Benchmark options such as --benchmark_filter).
set -euo pipefail

bindir=${1:-build/bin}
shift || true

found=0
for program in "$bindir"/*_bench; do
  [[ -x "$program" ]] || continue
  found=1
  echo "== $(basename "$program")"
  "$program" --benchmark_min_time=0.2 --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true "$@"
done
if [[ $found -eq 0 ]]; then
  echo "No benchmark programs in $bindir; build first (make build)." >&2
  exit 1
fi
"$(dirname "$0")/../bench/startup/startup.sh" "$bindir"
# Against Radicale, Xandikos and Cyrus over HTTPS and a real keyring; DUEBOARD_BENCH_SYNC_TASKS
# sets the number of tasks (10,000). More seeds of the randomized sync test run here too:
# DUEBOARD_SYNC_SEEDS (20-49) and DUEBOARD_SYNC_ROUNDS (12).
echo "== sync_bench"
dbus-run-session -- /usr/bin/python3 -W ignore "$(dirname "$0")/../bench/sync/sync_bench.py" \
  "$bindir" "${DUEBOARD_BENCH_SYNC_TASKS:-10000}"
echo "== three devices, more seeds"
dbus-run-session -- /usr/bin/python3 -W ignore "$(dirname "$0")/../tests/sync/three_devices.py" \
  "$bindir/dueboard-sync" "$bindir/dueboard-initdb" "${DUEBOARD_SYNC_SEEDS:-20-49}" \
  "${DUEBOARD_SYNC_ROUNDS:-12}"
# Hostile replies against the stand-in server; DUEBOARD_BENCH_SYNC_BEFORE names an earlier
# dueboard-sync to measure beside this one.
echo "== hostile_bench"
dbus-run-session -- /usr/bin/python3 -W ignore "$(dirname "$0")/../bench/sync/hostile_bench.py" \
  "$bindir" ${DUEBOARD_BENCH_SYNC_BEFORE:+"$DUEBOARD_BENCH_SYNC_BEFORE"}
# Hostile iCalendar files imported; DUEBOARD_BENCH_SYNC_BEFORE measured beside this one too.
echo "== ical_bench"
/usr/bin/python3 "$(dirname "$0")/../bench/sync/ical_bench.py" \
  "$bindir" ${DUEBOARD_BENCH_SYNC_BEFORE:+"$DUEBOARD_BENCH_SYNC_BEFORE"}
