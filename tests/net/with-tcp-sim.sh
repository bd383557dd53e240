#!/usr/bin/env bash
# Runs a test program beside korvex-sim serving its line on a free TCP port of 127.0.0.1:
#
#   with-tcp-sim.sh SIM [SIM ARGS...] -- COMMAND [ARGS...]
#
# COMMAND (a Linux program, or a Windows one with Wine in front) finds the simulator's address
# ("127.0.0.1:40123") in KORVEX_TEST_SIM_TCP. The simulator stops when COMMAND ends, whose exit status
# this is.
set -euo pipefail

sim=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    sim+=("$1")
    shift
done
if [ ${#sim[@]} -eq 0 ] || [ $# -lt 2 ]; then
    echo "usage: $0 SIM [SIM ARGS...] -- COMMAND [ARGS...]" >&2
    exit 2
fi
shift

coproc SIM { exec "${sim[@]}" --tcp 0; }
sim_pid=$SIM_PID
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
if ! read -r -t 10 address <&"${SIM[0]}"; then
    echo "with-tcp-sim.sh: korvex-sim printed no address" >&2
    exit 1
fi
KORVEX_TEST_SIM_TCP=$address "$@"
