#!/usr/bin/env bash
# Runs the Linux korvex-edid and korvex-edid.exe under Wine over every sample image, once for the
# decoded texts and once for the summaries, all files in one run each (every file's output follows its
# "==> FILE <==" line), and compares standard output and exit status byte for byte, the Linux output
# with each LF made CR LF (Windows prints the texts with CR LF, Linux with LF). One more copy of a
# sample has a name outside ASCII, and one name is missing: the error message is compared too, with
# the folder it names made "<folder>" on both sides (Linux names /tmp/..., Wine Z:\tmp\...).
#
#   compare-korvex-edid.sh LINUX_TOOL WINE WINDOWS_TOOL SAMPLE_DIR
set -euo pipefail
linux_tool=$(realpath "$1") wine=$2 windows_tool=$(realpath "$3") samples=$4

if [ ! -d "$samples" ]; then
    echo "sample folder $samples not found: comparison skipped"
    exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
mkdir "$out/samples"
shopt -s nullglob
cp "$samples"/*.bin "$out/samples/"
cd "$out/samples"
files=(*.bin)
if [ ${#files[@]} -eq 0 ]; then
    echo "no sample images in $samples" >&2
    exit 1
fi
cp "${files[0]}" "écran-ü.bin"
files+=("écran-ü.bin" "missing.bin")

# The samples' folder as each side names it, made a sed pattern.
folder=$(pwd -P)
windows_folder="Z:${folder//\//\\}"
pattern() { printf '%s' "$1" | sed 's/[][\\.*^$/]/\\&/g'; }
placeholders="s/$(pattern "$folder")/<folder>/g; s/$(pattern "$windows_folder")/<folder>/g"

failed=0
for mode in texts summary; do
    args=()
    [ "$mode" = summary ] && args=(--summary)
    set +e
    "$linux_tool" "${args[@]}" "${files[@]}" >"$out/linux-$mode.lf" 2>"$out/linux-$mode.err"
    linux_status=$?
    sed -z 's/\n/\r\n/g' "$out/linux-$mode.lf" >"$out/linux-$mode"
    "$wine" "$windows_tool" "${args[@]}" "${files[@]}" >"$out/windows-$mode" 2>"$out/windows-$mode.err"
    windows_status=$?
    set -e
    sed -i "$placeholders" "$out/linux-$mode.err" "$out/windows-$mode.err"
    if [ $linux_status -ne $windows_status ]; then
        echo "$mode: exit status $windows_status under Wine, $linux_status on Linux" >&2
        failed=1
    fi
    if ! cmp -s "$out/linux-$mode.err" "$out/windows-$mode.err"; then
        echo "$mode: the error messages differ (< Linux, > Windows):" >&2
        diff "$out/linux-$mode.err" "$out/windows-$mode.err" | head -10 | cat -A >&2
        failed=1
    fi
    if ! cmp -s "$out/linux-$mode" "$out/windows-$mode"; then
        echo "$mode: the outputs differ (< Linux, > Windows):" >&2
        diff "$out/linux-$mode" "$out/windows-$mode" | head -20 | cat -A >&2
        failed=1
    else
        echo "$mode: ${#files[@]} files, $(wc -c <"$out/linux-$mode") bytes, exit status $linux_status, identical"
    fi
done
exit $failed
