#!/bin/bash
# The walk against find on /usr (warm cache), and the peak memory of a scan
# of the whole file system with the empty filter.
set -euo pipefail
cd "$(dirname "$0")/.."
scan=build/native/cli/modaris-scan
[ -x "$scan" ] || { cmake --preset native >/dev/null && cmake --build --preset native --target modaris-scan >/dev/null; }
hyperfine --warmup 2 --runs "${RUNS:-7}" \
    "$scan -q -d /usr -f nomatch.dll" \
    "find /usr -iname nomatch.dll"
echo "peak memory of a scan of / with the empty filter:"
/usr/bin/time -v "$scan" -q -d / -b 16,32,64,unknown 2>&1 >/dev/null | grep -E "Maximum resident|Elapsed"
