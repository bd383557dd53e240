#!/usr/bin/env bash
# make run: starts a simulated Korvex switcher linked as COM1 in a scratch folder (./run), then the
# console there. Without a display the console is served over VNC. When the console exits the
# simulator is stopped, which removes the COM1 link.
#
#   scripts/run-console.sh BUILD_DIR
#   KORVEX_VNC_PORT=5901 scripts/run-console.sh build      (VNC port when there is no display)
#   KORVEX_SIM_ARGS="--addresses 01,05" scripts/run-console.sh build
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_arg="${1:-build}"
if [ ! -d "$build_arg" ] && [ -d "$repo/$build_arg" ]; then build_arg="$repo/$build_arg"; fi
build="$(cd "$build_arg" && pwd)"
sim="$build/sim/korvex-sim"
console="$build/src/app/korvex-console"
for exe in "$sim" "$console"; do
    if [ ! -x "$exe" ]; then
        echo "run-console: $exe is missing; build first (make build)" >&2
        exit 1
    fi
done

run_dir="$repo/run"
mkdir -p "$run_dir"
cd "$run_dir"

sim_pid=""
stop_sim() {
    if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
        kill -TERM "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    sim_pid=""
}
trap stop_sim EXIT
trap 'exit 130' INT TERM

# The simulator's first output line is its pseudo-terminal; it links it as COM1 before printing it.
# shellcheck disable=SC2086
coproc SIMULATOR { exec "$sim" --link COM1 --log korvex-sim.log --state korvex-sim.json ${KORVEX_SIM_ARGS:-}; }
sim_pid="$SIMULATOR_PID"
slave=""
if ! read -r -t 10 slave <&"${SIMULATOR[0]}" || [ -z "$slave" ]; then
    echo "run-console: korvex-sim did not start" >&2
    exit 1
fi
echo "A simulated Korvex switcher is linked as COM1 ($slave) in $run_dir."
echo "Press \"Turn on Port\" or \"Search Machine\" in the console to reach it."
echo "Wire log: $run_dir/korvex-sim.log, device state: $run_dir/korvex-sim.json"

platform_args=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    port="${KORVEX_VNC_PORT:-5900}"
    platform_args=(-platform "vnc:size=1280x1024:port=$port")
    echo "No display found: the console is served over VNC. Connect a VNC viewer to localhost:$port"
    echo "(for example: vncviewer localhost::$port). Qt's VNC server listens on every interface and"
    echo "asks for no password: keep port $port closed to other machines."
fi

status=0
"$console" "${platform_args[@]}" || status=$?
stop_sim
exit "$status"
