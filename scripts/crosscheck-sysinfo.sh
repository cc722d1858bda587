#!/bin/bash
# The processor rows of the native scanner and of the Windows one under Wine
# must be the same on one machine (the OS rows differ by design: Wine reports
# its own Windows version). Usage: crosscheck-sysinfo.sh NATIVE_SCAN WINDOWS_SCAN
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# An empty directory, the same for both (a missing one makes the scan exit
# 1): only the system information rows.
"$1" -q -s -b 16,32,64,unknown -d "$work" | tail -n +5 > "$work/native.tsv"
"$here/wine-run.sh" "$2" -q -s -b 16,32,64,unknown -d "Z:${work//\//\\}" 2>/dev/null | tail -n +5 > "$work/windows.tsv"
if ! diff "$work/windows.tsv" "$work/native.tsv"; then
    echo "crosscheck: processor rows differ (< Wine, > native)"
    exit 1
fi
echo "crosscheck: $(wc -l < "$work/native.tsv") processor rows alike in both builds"
