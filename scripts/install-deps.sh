#!/usr/bin/env bash
# Installs, with apt-get, only the build and test dependencies that are missing.
#
#   scripts/install-deps.sh             what `make run` and `make test` need
#   scripts/install-deps.sh --windows   also MinGW-w64, Wine and the GoogleTest sources (make test-windows)
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins libgl-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    xvfb xauth x11vnc openbox fonts-dejavu-core
    edid-decode appstream
    libboost-dev libssl-dev nlohmann-json3-dev libsodium-dev
    chromium systemd
)

for arg in "$@"; do
    case "$arg" in
    --windows) packages+=(g++-mingw-w64-x86-64-posix wine64) ;;
    *)
        echo "usage: $0 [--windows]" >&2
        exit 2
        ;;
    esac
done

missing=()
# Node.js and npm run the browser tests; a machine that has them from elsewhere keeps its own.
if ! command -v npm >/dev/null 2>&1; then
    packages+=(nodejs npm)
fi
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The browser tests' playwright-core, exactly as tests/web/package-lock.json pins it (no browser
# download: the tests drive Debian's chromium). Installed again only when the lock file changed.
web="$(cd "$(dirname "$0")/../tests/web" && pwd)"
if ! cmp -s "$web/package-lock.json" "$web/node_modules/.package-lock.json.installed"; then
    echo "Installing the browser tests' npm packages (tests/web)"
    (cd "$web" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
    cp "$web/package-lock.json" "$web/node_modules/.package-lock.json.installed"
fi
