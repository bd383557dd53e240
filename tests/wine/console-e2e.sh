#!/usr/bin/env bash
# korvex-console.exe under Wine against korvex-sim on COM1, steered through the console's test hooks
# (KORVEX_TEST_HOOKS=1, see src/app/TestHooks.h): "Search Machine" finds the switchers on COM1, a click
# on a VIDEO radio button routes on the chosen one (02), and the status device 01 sends when it is
# chosen next fills the VIDEO page with its own routing. The console runs with --user-dir, in the Wine
# user's %APPDATA%\Korvex, where its address table is laid out beforehand.
#
#   console-e2e.sh PEER SIM WINE CONSOLE_EXE
#
# PEER (korvex-wine-peer) runs SIM on the pseudo-terminal that Wine's COM1 leads to and this script as
# the driver, in a fresh folder that holds the simulator's state file and wire log.
set -euo pipefail

if [ "${1:-}" != --drive ]; then
    self=$(realpath "$0") peer=$(realpath "$1") sim=$(realpath "$2") wine=$3 exe=$(realpath "$4")
    [ -f "$exe" ] || { echo "console-e2e: no $exe (the Windows folder: make windows)" >&2; exit 1; }
    work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-console-e2e.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    cd "$work"
    status=0
    "$peer" sim "$sim" --addresses 01,02 --state "$work/state.json" --log "$work/sim.log" -- \
        bash "$self" --drive "$wine" "$exe" "$work" || status=$?
    exit "$status"
fi

wine=$2 exe=$3 work=$4
cd "$work"
# The Wine user's %APPDATA%\Korvex, new: make test-windows gives each run a Wine prefix of its own,
# and a user's own files there are never touched.
appdata=$("$wine" cmd /c echo %APPDATA% </dev/null | tr -d '\r')
case "$appdata" in
[A-Za-z]:\\*) data=$("$wine" winepath -u "$appdata\\Korvex" </dev/null | tr -d '\r') ;;
*) echo "console-e2e: Wine names no %APPDATA% ('$appdata')" >&2; exit 1 ;;
esac
[ ! -e "$data" ] || { echo "console-e2e: $data exists already: run it in a fresh Wine prefix" >&2; exit 1; }
mkdir -p "$data"
# Address list entries 1 and 2 are devices 01 and 02.
{
    printf '01 02 '
    printf '00 %.0s' {3..32}
    printf '\r\n'
    printf '*Dev%d\r\n' {1..32}
} >"$data/KorvexAddrMG.ini"

# Wine hands WINEQT_* variables to Windows programs as QT_* (and keeps QT_* ones from them).
coproc console { KORVEX_TEST_HOOKS=1 QT_QPA_PLATFORM=offscreen WINEQT_QPA_PLATFORM=offscreen exec "$wine" "$exe" --user-dir 2>console.err; }
to=${console[1]} from=${console[0]} pid=$console_PID

fail() {
    echo "console-e2e: $*" >&2
    sed 's/^/  sim: /' sim.log >&2 || true
    sed 's/^/  console: /' console.err >&2 || true
    kill "$pid" 2>/dev/null || true
    exit 1
}
# ask COMMAND: sends a hook command and puts the value of its answer in $value; any answer but "ok"
# fails the run.
ask() {
    local reply
    echo "$1" >&"$to"
    read -r -t 120 reply <&"$from" || fail "no answer to '$1'"
    reply=${reply%$'\r'}
    case "$reply" in
    ok) value= ;;
    "ok "*) value=${reply#ok } ;;
    *) fail "'$1': $reply" ;;
    esac
}
expect() { # expect WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] || fail "$1: '$2', not '$3'"
}
# The VIDEO page's radio button of row (output - 1) and column (input - 1).
radio() {
    echo "176/$((1150 + 10 * $1 + $2))"
}
# Output N's input on device D (1 for the first on the line), counted from 0, from the simulator's
# state file.
sim_routing() {
    grep -o '"routing":\[[^]]*\]' state.json | sed -n "$1s/.*\[\(.*\)\]/\1/p" | cut -d, -f"$2"
}

# sim_waits D N VALUE: waits, a minute at most, for device D's output N to show VALUE.
sim_waits() {
    local deadline=$((SECONDS + 60))
    until [ "$(sim_routing "$1" "$2")" = "$3" ]; do
        [ "$SECONDS" -lt "$deadline" ] || fail "device $1's out$2 is $(sim_routing "$1" "$2"), not $3"
        sleep 0.05
    done
}

# The search tries COM1 first and stays there: the port is on.
ask "click window/1107"
ask "wait window/1006 Close Port"
ask "value window/1106"
expect "port after the search" "$value" COM1
grep -q '^LINE A00 GET STA' sim.log || fail "the search's request did not reach the simulator"

# On device 02, out3 to in7: the simulator routes.
ask "choose window/1200 2"
ask "click $(radio 2 6)"
sim_waits 2 3 6
expect "device 01's out3 after the click" "$(sim_routing 1 3)" 2
grep -q '^LINE A02 SET OUT3 VS IN7' sim.log || fail "the click's command is not in the simulator's log"

# Device 01 chosen answers with its status: the page shows its routing, out3 from in3.
ask "choose window/1200 1"
ask "wait $(radio 2 2) checked"
grep -q '^LINE A01 GET STA' sim.log || fail "choosing device 01 did not ask for its status"
ask messages
expect "message boxes" "$value" ""
# The wall presets were written beside the address table, not where the console was started.
[ -f "$data/KorvexVW.ini" ] && [ ! -e KorvexVW.ini ] || fail "KorvexVW.ini is not only in $data"

ask quit
wait "$pid" || fail "the console ended with status $?"
