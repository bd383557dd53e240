#!/usr/bin/env bash
# The Linux side of the Windows builds: builds TARGETS of this project for Linux in HOST_DIR (the icon
# renderer, korvex-sim, korvex-edid, korvex-wine-peer), for scripts/test-windows.sh and
# scripts/build-windows.sh, with the same settings for both.
#
#   scripts/build-windows-host.sh HOST_DIR TARGET...
set -euo pipefail
cd "$(dirname "$0")/.."

host_dir=$1
shift
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$host_dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DKORVEX_CORE_ONLY=OFF \
    -DKORVEX_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$host_dir" -j "${JOBS:-2}" --target "$@"
