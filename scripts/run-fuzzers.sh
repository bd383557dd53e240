#!/usr/bin/env bash
# Runs each named libFuzzer target for a number of seconds, starting from a copy of its seed corpus in
# fuzz/corpus/<name without fuzz_> (new inputs go to the copy, not to the committed seeds), and prints
# one line per target: executions, corpus size, and whether it found anything.
#   scripts/run-fuzzers.sh BUILD_DIR SECONDS TARGET...
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"; seconds="$2"; shift 2
work="$(mktemp -d)"
# Library caches kept until exit are not the targets' leaks.
export LSAN_OPTIONS="suppressions=$repo/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
trap 'rm -rf "$work"' EXIT
status=0
for target in "$@"; do
    exe="$build/fuzz/$target"
    corpus="$work/${target#fuzz_}"
    mkdir -p "$corpus"
    seeds="$repo/fuzz/corpus/${target#fuzz_}"
    if [ -d "$seeds" ]; then cp -r "$seeds"/. "$corpus"/; fi
    log="$work/$target.log"
    if (cd "$work" && "$exe" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/$target-" \
            "$corpus" >"$log" 2>&1); then
        result="no finding"
    else
        result="FINDING (see below)"
        status=1
    fi
    runs="$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || echo '?')"
    echo "$target: $runs executions in ${seconds} s, corpus $(ls "$corpus" | wc -l) inputs, $result"
    if [ "$result" != "no finding" ]; then
        tail -40 "$log"
        mkdir -p "$repo/fuzz/findings"
        cp "$work/$target-"* "$repo/fuzz/findings/" 2>/dev/null || true
    fi
done
exit $status
