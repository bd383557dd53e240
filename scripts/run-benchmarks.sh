#!/usr/bin/env bash
# make bench: runs every benchmark of a build, one after the other (they share two cores badly).
#   scripts/run-benchmarks.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
export QT_QPA_PLATFORM=offscreen
for bench in bench_link bench_session bench_edid bench_wall bench_console_receive bench_console_apply; do
    exe="$build/bench/$bench"
    [ -x "$exe" ] || { echo "missing $exe" >&2; exit 1; }
    echo "== $bench"
    "$exe" --benchmark_min_time=0.2
done
echo "== bench_status_burst"
"$build/bench/bench_status_burst" 10
echo "== bench_console_latency"
"$build/bench/bench_console_latency" 1000
echo "== bench_console_tcp"
"$build/bench/bench_console_tcp" 200
echo "== bench_responsiveness"
"$build/bench/bench_responsiveness" 5
echo "== bench_videohub"; "$build/bench/bench_videohub" 200
echo "== bench_korvexd"
"$build/bench/bench_korvexd" 2000 2
