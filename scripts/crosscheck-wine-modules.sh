#!/bin/bash
# Compares, for every module in Wine's own module folders, what the native
# build reads with the POSIX stand-in and what the Windows build reads through
# Wine's real version.dll. Usage: crosscheck-wine-modules.sh NATIVE_TOOL WINDOWS_TOOL
set -euo pipefail
native_tool="$1"
windows_tool="$2"
here="$(cd "$(dirname "$0")" && pwd)"

source "$here/lib/wine-module-folders.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Names compare without case: the Windows build upper-cases its paths.
normalise() { awk -F'\t' 'BEGIN { OFS = "\t" } { $2 = tolower($2); print }' | sort; }

"$native_tool" "${folders[@]}" | normalise > "$work/native.tsv"
"$here/wine-run.sh" "$windows_tool" "${windows_folders[@]}" 2>/dev/null | tr -d '\r' |
    iconv -f CP1252 -t UTF-8 | normalise > "$work/windows.tsv"

compared=$(wc -l < "$work/windows.tsv")
if ! diff "$work/windows.tsv" "$work/native.tsv" > "$work/diff.txt"; then
    echo "crosscheck: $compared modules read through Wine; differences (< Wine, > native):"
    cat "$work/diff.txt"
    exit 1
fi
echo "crosscheck: $compared modules in ${#folders[@]} folders compared, 0 differences"
