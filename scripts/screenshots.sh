#!/usr/bin/env bash
# Writes a screenshot of every page of the console, the address dialog and the line traffic window to
# docs/, taken on a virtual X display (Xvfb) with korvex-sim attached as COM1.
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$repo/build}"
for exe in "$build/tools/korvex-screenshots" "$build/sim/korvex-sim"; do
    [ -x "$exe" ] || { echo "screenshots: $exe is missing; build first (make build)" >&2; exit 1; }
done
command -v xvfb-run >/dev/null || { echo "screenshots: xvfb-run is missing (scripts/install-deps.sh)" >&2; exit 1; }
mkdir -p "$repo/docs"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$build/tools/korvex-screenshots" "$build/sim/korvex-sim" "$repo/docs"
