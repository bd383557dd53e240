#!/usr/bin/env bash
# make run-shared: one simulated Korvex line shared through korvexd. Starts korvex-sim linked as COM1
# in a scratch folder (./run/shared), korvexd on that line with its settings, state and log there, and
# the console connected to korvexd as "Network..." does. Without a display the console is served over
# VNC, as `make run` does. More controllers can join while it runs: a second console through
# "Network...", or korvex-ctl --host. When the console exits, korvexd and the simulator are stopped.
#
#   scripts/run-shared.sh BUILD_DIR
#   KORVEXD_LISTEN=127.0.0.1:8001 scripts/run-shared.sh build     (where korvexd listens)
#   KORVEX_SIM_ARGS="--addresses 01,05" scripts/run-shared.sh build
#   KORVEX_VNC_PORT=5901 scripts/run-shared.sh build               (VNC port when there is no display)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_arg="${1:-build}"
if [ ! -d "$build_arg" ] && [ -d "$repo/$build_arg" ]; then build_arg="$repo/$build_arg"; fi
build="$(cd "$build_arg" && pwd)"
sim="$build/sim/korvex-sim"
korvexd="$build/tools/korvexd/korvexd"
console="$build/src/app/korvex-console"
ctl="$build/tools/korvex-ctl"
for exe in "$sim" "$korvexd" "$console"; do
    if [ ! -x "$exe" ]; then
        echo "run-shared: $exe is missing; build first (make build)" >&2
        exit 1
    fi
done
listen="${KORVEXD_LISTEN:-127.0.0.1:8000}"

run_dir="$repo/run/shared"
mkdir -p "$run_dir"
cd "$run_dir"

sim_pid=""
korvexd_pid=""
xvfb_pid=""
vnc_pid=""
wm_pid=""
stop_pid() {
    if [ -n "$1" ] && kill -0 "$1" 2>/dev/null; then
        kill -TERM "$1" 2>/dev/null || true
        wait "$1" 2>/dev/null || true
    fi
}
stop_all() {
    # korvexd first, so that its line does not drop under it.
    stop_pid "$korvexd_pid"
    stop_pid "$sim_pid"
    stop_pid "$vnc_pid"
    stop_pid "$wm_pid"
    stop_pid "$xvfb_pid"
    korvexd_pid=""
    sim_pid=""
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
    echo "run-shared: korvex-sim did not start" >&2
    exit 1
fi
devices="$(sed -n 's/.*--addresses[ =]\([0-9,]*\).*/\1/p' <<<"${KORVEX_SIM_ARGS:-}")"

# korvexd's settings, as the installed service reads them from /etc/korvex/korvexd.conf; the log is
# what the journal would keep.
cat >korvexd.conf <<EOF
# Written by scripts/run-shared.sh: korvexd on the simulated line.
line = COM1
devices = ${devices:-01}
listen = $listen
state-dir = $run_dir/korvexd-state
EOF
"$korvexd" --config korvexd.conf 2>korvexd.log &
korvexd_pid=$!
for _ in $(seq 100); do
    grep -q "^korvexd: serving " korvexd.log && break
    kill -0 "$korvexd_pid" 2>/dev/null || break
    sleep 0.1
done
if ! grep -q "^korvexd: serving " korvexd.log; then
    echo "run-shared: korvexd did not start:" >&2
    cat korvexd.log >&2
    exit 1
fi
echo "A simulated Korvex switcher is linked as COM1 ($slave) in $run_dir,"
echo "shared by korvexd on $listen (settings: $run_dir/korvexd.conf, log: $run_dir/korvexd.log)."
echo "The console is connected to korvexd. More controllers may join:"
echo "  another console: \"Network...\" in its Comm: list, host $listen"
echo "  $ctl --host $listen --address 01 route 3 5"
echo "Wire log: $run_dir/korvex-sim.log, device state: $run_dir/korvex-sim.json"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    port="${KORVEX_VNC_PORT:-5900}"
    for exe in Xvfb x11vnc openbox; do
        command -v "$exe" >/dev/null || { echo "run-shared: $exe is missing (scripts/install-deps.sh)" >&2; exit 1; }
    done
    # A free display number: the first without a lock file.
    display=99
    while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    [ -e "/tmp/.X11-unix/X$display" ] || { echo "run-shared: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$display"
    # A small window manager, so that the console and its dialogs get title bars and can be moved.
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
"$console" --connect "$listen" || status=$?
stop_all
exit "$status"
