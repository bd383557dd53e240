#!/usr/bin/env bash
# Builds Qt 6.4.2 base for 64-bit Windows with MinGW-w64, as DLLs, from Debian's own source package
# (the same version as the host's Qt, whose moc, rcc and uic it uses), once per machine, into
#   ${XDG_CACHE_HOME:-~/.cache}/korvex/qt-6.4.2-mingw
# A second run with that folder complete does nothing. What the console links: Core, Gui, Widgets,
# Test, the windows, offscreen and minimal platform plugins and the Windows style; no SQL, network,
# D-Bus, OpenGL, print support, concurrent or XML. Needs scripts/install-deps.sh --windows.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/korvex"
prefix="$cache/qt-6.4.2-mingw"
work="$cache/qt-6.4.2-mingw-build"
jobs="${JOBS:-2}"

# Qt's licence texts for the Windows folder, from the source tree: Qt base is LGPL-3.0 or GPL-2.0 or
# GPL-3.0.
install_licences() {
    mkdir -p "$prefix/licenses"
    for text in LGPL-3.0-only GPL-2.0-only GPL-3.0-only; do
        cp "$work/qtbase/LICENSES/$text.txt" "$prefix/licenses/"
    done
}

if [ -f "$prefix/.complete" ]; then
    # A prefix built before the licence texts were installed gets them from the kept sources.
    if [ ! -d "$prefix/licenses" ] && [ -d "$work/qtbase/LICENSES" ]; then
        install_licences
    fi
    echo "Qt for MinGW is ready in $prefix"
    exit 0
fi
started=$(date +%s)
mkdir -p "$work"
cd "$work"

# The system's own package sources, each binary entry turned into a source entry, so that a company
# mirror or proxy that apt already uses serves the source package too. One-line entries ("deb URI
# suite components") and deb822 files ("Types: deb") both count; disabled files are left out.
source_entries() {
    local list
    for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$list" ] || continue
        sed -n -E 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' "$list"
    done >"$1/sources.list"
    for list in /etc/apt/sources.list.d/*.sources; do
        [ -f "$list" ] || continue
        sed -E 's/^Types:.*$/Types: deb-src/' "$list" >"$1/sources.list.d/$(basename "$list")"
    done
}

# The source package, through a private apt configuration with those entries; nothing in /etc/apt
# changes.
if [ ! -d qtbase ]; then
    mkdir -p apt/lists/partial apt/archives/partial apt/sources.list.d
    source_entries apt
    if [ ! -s apt/sources.list ] && [ -z "$(ls apt/sources.list.d)" ]; then
        echo "build-qt-windows: no package sources in /etc/apt to take the Qt source package from" >&2
        exit 1
    fi
    apt_opts=(-o Dir::Etc::SourceList="$work/apt/sources.list" -o Dir::Etc::SourceParts="$work/apt/sources.list.d"
        -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache::Archives="$work/apt/archives"
        -o APT::Sandbox::User="$(id -un)")
    apt-get "${apt_opts[@]}" update -qq
    # Exactly the version of the host's Qt, whose tools the build uses.
    version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
    case "$version" in 6.4.2*) ;; *) echo "build-qt-windows: the host has Qt $version, not 6.4.2" >&2; exit 1 ;; esac
    rm -rf src && mkdir src && (cd src && apt-get "${apt_opts[@]}" source --download-only "qt6-base=$version")
    dpkg-source --no-check -x src/qt6-base_*.dsc qtbase-src >/dev/null
    mv qtbase-src qtbase
fi

# Debian's source leaves out the tablet header the windows plugin would include (tabletevent off);
# Qt 6.4.2's windows plugin does not build with dynamic GL on and OpenGL off. Host tools come from
# the system's Qt of the same version.
cmake -S qtbase -B build -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF >configure.log
cmake --build build -j "$jobs"
cmake --install build >/dev/null

# Qt's DLLs need the MinGW runtime DLLs beside them.
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    found=$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")
    [ -f "$found" ] || found=$(find /usr/lib/gcc/x86_64-w64-mingw32 /usr/x86_64-w64-mingw32 -name "$dll" | head -1)
    cp "$found" "$prefix/bin/"
done
install_licences
touch "$prefix/.complete"
echo "Qt for MinGW built in $(( ($(date +%s) - started) / 60 )) min $(( ($(date +%s) - started) % 60 )) s: $prefix"
