#!/bin/bash
# Times the native inspection of every module in Wine's i386 folder (each
# file: version resource, date and bitness), warm cache.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=build/native/tests/crosscheck/module_versions
folder=/usr/lib/i386-linux-gnu/wine/i386-windows
[ -x "$tool" ] || { cmake --preset native >/dev/null && cmake --build --preset native --target module_versions >/dev/null; }
echo "modules: $("$tool" "$folder" | wc -l) in $folder"
hyperfine --warmup 2 --runs "${RUNS:-10}" "$tool $folder"
