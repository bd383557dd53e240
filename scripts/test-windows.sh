#!/usr/bin/env bash
# make test-windows: cross-compiles the pure cores, the serial and TCP layers, korvex-edid and their
# tests for Windows with MinGW-w64, and runs them under Wine in a temporary WINEPREFIX whose COM1 leads
# to a link that each serial test points at its own pseudo-terminal; the TCP tests reach the Linux
# korvex-sim on 127.0.0.1. Nothing in the user's home is used.
#
# When Qt for MinGW is at hand (scripts/build-qt-windows.sh), also the console's widget and window
# tests (pages, ui, the console window), on the offscreen platform, and the console from the Windows
# folder (make windows) against korvex-sim on COM1, steered through its test hooks.
#
#   scripts/test-windows.sh [BUILD_DIR]      (default build-windows; Linux helpers in build-windows/host,
#                                             the Qt build in build-windows-gui)
#
# Needs what `scripts/install-deps.sh --windows` installs.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build-windows}
host_dir=build-windows/host
gui_dir=build-windows-gui
qt=${XDG_CACHE_HOME:-$HOME/.cache}/korvex/qt-6.4.2-mingw
jobs=${JOBS:-2}
build_type=${BUILD_TYPE:-RelWithDebInfo}

wine=$(command -v /usr/lib/wine/wine64 wine64 2>/dev/null | head -n1 || true)
wineserver=$(command -v /usr/lib/wine/wineserver64 wineserver 2>/dev/null | head -n1 || true)
if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || [ -z "$wine" ] || [ -z "$wineserver" ] ||
    [ ! -f /usr/src/googletest/CMakeLists.txt ]; then
    echo "MinGW-w64, Wine or the GoogleTest sources are missing: run scripts/install-deps.sh --windows" >&2
    exit 1
fi

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# The Linux side: korvex-sim (on a pseudo-terminal or a TCP port), korvex-edid (the output to match)
# and the peer of the serial tests.
BUILD_TYPE=$build_type JOBS=$jobs bash scripts/build-windows-host.sh "$host_dir" korvex-sim korvex-edid korvex-wine-peer

# The Windows side.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DKORVEX_CORE_ONLY=ON -DKORVEX_HOST_TOOLS_DIR="$PWD/$host_dir" "${launcher[@]}" >/dev/null
cmake --build "$build_dir" -j "$jobs"

# The Qt side: the Windows folder (for the console run) and the widget and window tests.
gui_tests='^(pages_.*|ui_test|app_console_window_test|console_wine_e2e)$'
if [ -f "$qt/.complete" ]; then
    BUILD_TYPE=$build_type JOBS=$jobs bash scripts/build-windows.sh "$gui_dir"
    cmake --build "$gui_dir" -j "$jobs" --target pages_test ui_test app_console_window_test
else
    echo "Qt for MinGW is not in $qt: the console's widget, window and Wine tests are left out" \
        "(scripts/build-qt-windows.sh builds it once, in about two hours)"
    gui_dir=
fi

# A throwaway Wine: prefix, home and caches all in one temporary folder.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/korvex-wine.XXXXXX")
export WINEPREFIX=$scratch/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_DATA_HOME=$scratch/home/.local/share
export XDG_CACHE_HOME=$scratch/home/.cache
export KORVEX_WINE_COM_LINK=$scratch/COM1
# The server's socket folder goes to TMPDIR: in here, so it goes with the rest.
export TMPDIR=$scratch/tmp
mkdir -p "$HOME" "$TMPDIR"
cleanup() {
    "$wineserver" -k >/dev/null 2>&1 || true
    rm -rf "$scratch"
}
trap cleanup EXIT

echo "Setting up Wine in $scratch"
"$wine" wineboot -i >"$scratch/wineboot.log" 2>&1
# Wine makes its COMn links from this key when it starts: COM1 leads to our link.
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$KORVEX_WINE_COM_LINK" /f >/dev/null 2>&1
"$wineserver" -w
# One server for the whole run. When a peer hangs up, the pseudo-terminal (which the server holds as
# its controlling terminal) sends it SIGHUP, on which it dumps its objects: that goes to this log.
"$wineserver" -p >"$scratch/wineserver.log" 2>&1
# Wine's services start with the first program and inherit its output: started here, they do not
# hold a test's output open (CTest would wait for it until the test timed out).
"$wine" cmd /c exit >"$scratch/services.log" 2>&1 </dev/null

status=0
(cd "$build_dir" && ctest --output-on-failure -j "$jobs" --timeout 600) || status=1
if [ -n "$gui_dir" ]; then
    (cd "$gui_dir" && ctest --output-on-failure -j "$jobs" --timeout 600 -R "$gui_tests") || status=1
fi
exit $status
