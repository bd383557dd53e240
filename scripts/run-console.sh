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
xvfb_pid=""
vnc_pid=""
wm_pid=""
stop_pid() {
    if [ -n "$1" ] && kill -0 "$1" 2>/dev/null; then
        kill -TERM "$1" 2>/dev/null || true
        wait "$1" 2>/dev/null || true
    fi
}
stop_sim() {
    stop_pid "$sim_pid"
    sim_pid=""
}
stop_all() {
    stop_sim
    stop_pid "$vnc_pid"
    stop_pid "$wm_pid"
    stop_pid "$xvfb_pid"
    vnc_pid=""
    wm_pid=""
    xvfb_pid=""
}
trap stop_all EXIT
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

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    port="${KORVEX_VNC_PORT:-5900}"
    for exe in Xvfb x11vnc openbox; do
        command -v "$exe" >/dev/null || { echo "run-console: $exe is missing (scripts/install-deps.sh)" >&2; exit 1; }
    done
    # A free display number: the first without a lock file.
    display=99
    while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    [ -e "/tmp/.X11-unix/X$display" ] || { echo "run-console: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$display"
    # A small window manager, so that the console and its dialogs get title bars, a close box and
    # can be moved.
    openbox --sm-disable >"$run_dir/openbox.log" 2>&1 &
    wm_pid=$!
    # -localhost: the VNC server accepts connections from this machine only.
    x11vnc -display "$DISPLAY" -localhost -rfbport "$port" -forever -shared -nopw -quiet \
        >"$run_dir/x11vnc.log" 2>&1 &
    vnc_pid=$!
    echo "No display found: the console runs on a virtual display served over VNC on 127.0.0.1:$port only."
    echo "On this machine: vncviewer localhost::$port"
    echo "From another machine, through SSH: ssh -L $port:localhost:$port $(id -un)@$(hostname)"
    echo "  then: vncviewer localhost::$port"
fi

status=0
"$console" || status=$?
stop_all
exit "$status"
