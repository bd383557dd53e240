#!/usr/bin/env bash
# make windows / make package-windows: korvex-console, korvex-edid and korvex-ctl for 64-bit Windows,
# cross-compiled with MinGW-w64 against the Qt that scripts/build-qt-windows.sh builds once per machine,
# in one folder with the DLLs and plugins they need:
#
#   scripts/build-windows.sh [--package] [BUILD_DIR]      (default build-windows-gui)
#
#   BUILD_DIR/dist/korvex-<version>-windows/         the folder
#   BUILD_DIR/korvex-<version>-windows-x64.zip       with --package
#
# The Linux tools the build and its tests run (korvex-render-icons, korvex-sim, korvex-wine-peer) are
# built in build-windows/host. Needs what `scripts/install-deps.sh --windows` installs.
set -euo pipefail
cd "$(dirname "$0")/.."

package=0
if [ "${1:-}" = --package ]; then
    package=1
    shift
fi
build_dir=${1:-build-windows-gui}
host_dir=build-windows/host
jobs=${JOBS:-2}
qt=${XDG_CACHE_HOME:-$HOME/.cache}/korvex/qt-6.4.2-mingw

if [ ! -f "$qt/.complete" ]; then
    echo "Qt for MinGW is not in $qt yet: building it once with scripts/build-qt-windows.sh (about two hours)"
    bash scripts/build-qt-windows.sh
fi
# A prefix from before the licence texts were installed gets them (otherwise this does nothing).
bash scripts/build-qt-windows.sh >/dev/null

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

bash scripts/build-windows-host.sh "$host_dir" korvex-render-icons korvex-sim korvex-wine-peer

# Qt's toolchain file loads the project's MinGW one.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    -DKORVEX_RENDER_ICONS="$PWD/$host_dir/src/res/korvex-render-icons" -DKORVEX_HOST_TOOLS_DIR="$PWD/$host_dir" \
    -DKORVEX_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
if [ "$package" = 1 ]; then
    cmake --build "$build_dir" -j "$jobs" --target windows-zip
    ls -1 "$PWD/$build_dir"/korvex-*-windows-x64.zip
else
    cmake --build "$build_dir" -j "$jobs" --target windows-dist
    ls -d "$PWD/$build_dir"/dist/korvex-*-windows
fi
