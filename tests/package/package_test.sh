#!/usr/bin/env bash
# The Debian package as an installer meets it: built by CPack from this build, unpacked into a
# scratch root, it holds the programs, their man pages and bash completions, the menu entry, the
# AppStream metadata, the icon and the copyright file, declares the run-time Qt plugins, korvex-ctl
# needs no Qt library, and the menu entry's command starts the console in the user's data folder.
# korvexd, its unit, system user, settings file (a conffile) and man page are there, korvexd needs no
# Qt library and will not start on the settings file as installed (no line set yet), and systemd
# accepts the unit running the packaged korvexd, and the user.
#   package_test.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
console_pid=""
cleanup() {
    [ -n "$console_pid" ] && kill "$console_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null) || fail "cpack"
deb="$(ls "$work"/out/korvex_*.deb)"
contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
completions=./usr/share/bash-completion/completions
for f in ./usr/bin/korvex-console ./usr/bin/korvex-ctl ./usr/bin/korvex-sim ./usr/bin/korvex-edid ./usr/bin/korvexd \
         ./usr/share/man/man1/korvex-console.1.gz ./usr/share/man/man1/korvex-ctl.1.gz \
         ./usr/share/man/man1/korvex-sim.1.gz ./usr/share/man/man1/korvex-edid.1.gz \
         $completions/korvex-ctl $completions/korvex-sim $completions/korvex-edid \
         ./usr/share/applications/korvex-console.desktop ./usr/share/metainfo/korvex-console.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/korvex-console.svg ./usr/share/doc/korvex/copyright \
         ./usr/share/man/man8/korvexd.8.gz ./usr/lib/systemd/system/korvexd.service \
         ./usr/lib/sysusers.d/korvexd.conf ./etc/korvex/korvexd.conf; do
    grep -qx "$f" <<<"$contents" || fail "$f is not in the package"
done
depends="$(dpkg-deb -f "$deb" Depends)"
for d in qt6-qpa-plugins libqt6widgets6; do
    grep -q "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done

dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/korvex-console" --version | grep -qx "korvex-console 2.0" || fail "--version"
"$work/root/usr/bin/korvex-ctl" --version | grep -qx "korvex-ctl 2.0" || fail "korvex-ctl --version"
ctl_libraries="$(ldd "$work/root/usr/bin/korvex-ctl")"
! grep -qi "libQt" <<<"$ctl_libraries" || fail "korvex-ctl links Qt: $ctl_libraries"
"$work/root/usr/bin/korvex-sim" --help >/dev/null || fail "korvex-sim --help"
korvexd="$work/root/usr/bin/korvexd"
"$korvexd" --version | grep -qx "korvexd 2.0" || fail "korvexd --version"
! ldd "$korvexd" | grep -qi "libQt" || fail "korvexd links Qt: $(ldd "$korvexd")"
# Every key of the installed settings file is korvexd's; as installed it names no line, so korvexd
# stops at once with the status the unit does not restart after.
set +e
said="$("$korvexd" --config "$work/root/etc/korvex/korvexd.conf" 2>&1)"
status=$?
set -e
[ "$status" -eq 1 ] && grep -q "^korvexd: no line to share" <<<"$said" ||
    fail "korvexd on the installed settings: status $status: $said"
for page in man1/korvex-console.1 man1/korvex-ctl.1 man1/korvex-sim.1 man1/korvex-edid.1 man8/korvexd.8; do
    zcat "$work/root/usr/share/man/$page.gz" | grep -q "^.SH NAME" || fail "$page man page"
done

# korvexd's settings file is a conffile; the control scripts are sound shell.
mkdir "$work/control"
dpkg-deb -e "$deb" "$work/control"
grep -qx /etc/korvex/korvexd.conf "$work/control/conffiles" || fail "conffiles: $(cat "$work/control/conffiles")"
for script in postinst prerm postrm; do
    [ -x "$work/control/$script" ] && sh -n "$work/control/$script" || fail "$script"
done
# systemd accepts the unit without a word (its man page found in the package), running the unpacked
# korvexd.
mkdir "$work/units"
sed "s|^ExecStart=/usr/bin/korvexd|ExecStart=$korvexd|" "$work/root/usr/lib/systemd/system/korvexd.service" \
    >"$work/units/korvexd.service"
grep -q "^ExecStart=$korvexd\$" "$work/units/korvexd.service" || fail "the unit's ExecStart"
verify="$(MANPATH="$work/root/usr/share/man" systemd-analyze verify "$work/units/korvexd.service" 2>&1)" ||
    fail "systemd-analyze verify: $verify"
[ -z "$verify" ] || fail "systemd-analyze verify: $verify"
# The system user, as systemd-sysusers makes it in a scratch root.
mkdir -p "$work/sysroot/etc"
systemd-sysusers --root="$work/sysroot" "$work/root/usr/lib/sysusers.d/korvexd.conf" >/dev/null 2>&1 ||
    fail "systemd-sysusers"
grep -q "^korvexd:x:[0-9]*:[0-9]*:.*:/var/lib/korvexd:" "$work/sysroot/etc/passwd" || fail "no korvexd user"
grep -q "^korvexd:" "$work/sysroot/etc/group" || fail "no korvexd group"
for command in korvex-ctl korvex-sim korvex-edid; do
    bash -n "$work/root/$completions/$command" || fail "$command completion"
    grep -q "complete -F .* $command\$" "$work/root/$completions/$command" || fail "$command completion"
done
# The metadata's id is the menu entry's name, which is not reverse-DNS: kept so, as menus know it.
metainfo="$work/root/usr/share/metainfo/korvex-console.metainfo.xml"
grep -q "<launchable type=\"desktop-id\">korvex-console.desktop</launchable>" "$metainfo" || fail "metainfo id"
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info "$metainfo" >/dev/null ||
    fail "metainfo: $(appstreamcli validate --no-net "$metainfo")"

# The copyright file in Debian's format: LICENSE's MIT terms for every file, and Qt's licence named.
copyright="$work/root/usr/share/doc/korvex/copyright"
head -n1 "$copyright" | grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
    fail "copyright: not in Debian's format"
grep -q "GNU Lesser General Public License version 3" "$copyright" || fail "copyright: Qt's licence not named"
license="$(dirname "$0")/../../LICENSE"
terms="$(sed -n '/^Files: \*$/,$p' "$copyright" | sed -n '/^License: Expat$/,$p' | tail -n +2 | sed 's/^ //; s/^\.$//')"
[ "$terms" = "$(sed -n '/^Permission is hereby granted/,$p' "$license")" ] || fail "copyright: not LICENSE's terms"

# The menu entry's command, run as a user whose data folder does not exist yet.
exec_line="$(sed -n 's/^Exec=//p' "$work/root/usr/share/applications/korvex-console.desktop")"
[ "$exec_line" = "korvex-console --user-dir" ] || fail "Exec line: $exec_line"
mkdir -p "$work/home"
(cd / && exec env HOME="$work/home" XDG_DATA_HOME="" QT_QPA_PLATFORM=offscreen \
    "$work/root/usr/bin/korvex-console" --user-dir >/dev/null 2>&1) &
console_pid=$!
data="$work/home/.local/share/korvex"
for _ in $(seq 200); do
    [ -f "$data/KorvexAddrMG.ini" ] && [ -f "$data/KorvexVW.ini" ] && break
    sleep 0.05
done
[ -f "$data/KorvexAddrMG.ini" ] && [ -f "$data/KorvexVW.ini" ] || fail "no console files in $data"
[ ! -e "$work/home/KorvexAddrMG.ini" ] || fail "the console wrote into the home folder"
echo "1 passed, 0 failed"
