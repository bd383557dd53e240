#!/usr/bin/env bash
# Runs libFuzzer targets one after another, never two at once, each at a lower priority (nice 10, or
# FUZZ_NICE) and from a copy of its seed corpus in fuzz/corpus/<name without fuzz_> (new inputs go to
# the copy, not to the committed seeds). A target given as NAME:RUNS stops by itself after RUNS
# executions; --seconds S stops every target after S seconds at the latest. One line per target:
# executions, executions per second, time, corpus size, and whether it found anything. FUZZ_LOGS=DIR
# keeps each target's libFuzzer output there.
#   scripts/run-fuzzers.sh BUILD_DIR [--seconds S] TARGET[:RUNS]...
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
shift
seconds=""
if [ "${1:-}" = "--seconds" ]; then
    seconds="$2"
    shift 2
fi
if [ $# -eq 0 ]; then
    echo "usage: $0 BUILD_DIR [--seconds S] TARGET[:RUNS]..." >&2
    exit 2
fi
for entry in "$@"; do
    if [ "$entry" = "${entry%%:*}" ] && [ -z "$seconds" ]; then
        echo "$entry: give a run count (NAME:RUNS) or --seconds" >&2
        exit 2
    fi
done
work="$(mktemp -d)"
# Library caches kept until exit are not the targets' leaks.
export LSAN_OPTIONS="suppressions=$repo/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
trap 'rm -rf "$work"' EXIT
status=0
for entry in "$@"; do
    target="${entry%%:*}"
    runs=""
    [ "$entry" != "$target" ] && runs="${entry#*:}"
    exe="$build/fuzz/$target"
    corpus="$work/${target#fuzz_}"
    mkdir -p "$corpus"
    seeds="$repo/fuzz/corpus/${target#fuzz_}"
    if [ -d "$seeds" ]; then cp -r "$seeds"/. "$corpus"/; fi
    log="$work/$target.log"
    limits=()
    [ -n "$runs" ] && limits+=("-runs=$runs")
    [ -n "$seconds" ] && limits+=("-max_total_time=$seconds")
    start=$(date +%s)
    if (cd "$work" && nice -n "${FUZZ_NICE:-10}" "$exe" "${limits[@]}" -print_final_stats=1 \
            -artifact_prefix="$work/$target-" "$corpus" >"$log" 2>&1); then
        result="no finding"
    else
        result="FINDING (see below)"
        status=1
    fi
    elapsed=$(($(date +%s) - start))
    if [ -n "${FUZZ_LOGS:-}" ]; then mkdir -p "$FUZZ_LOGS" && cp "$log" "$FUZZ_LOGS/"; fi
    executed="$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || echo '?')"
    speed="$(grep -Eo 'stat::average_exec_per_sec: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || echo '?')"
    echo "$target: $executed executions, $speed/s, ${elapsed} s, corpus $(ls "$corpus" | wc -l) inputs, $result"
    if [ "$result" != "no finding" ]; then
        tail -40 "$log"
        mkdir -p "$repo/fuzz/findings"
        cp "$work/$target-"* "$repo/fuzz/findings/" 2>/dev/null || true
    fi
done
exit $status
