#!/bin/bash
# The benchmark command: every figure side by side with its peers, measured
# in one run on this machine, written to bench/RESULTS.md.
#   bench/run.sh            the full run (minutes)
#   bench/run.sh --smoke    every step once on small inputs, into a
#                           temporary file: checks the command, not the figures
set -euo pipefail
cd "$(dirname "$0")/.."
export SMOKE=0
results=bench/RESULTS.md
# The window's figures need Wine and a display: the whole run is one session
# of scripts/wine-session.sh, which leaves nothing running behind it.
[ -n "${MODARIS_SESSION:-}" ] || ./scripts/setup.sh >/dev/null
source scripts/lib/enter-wine-session.sh bench/run.sh "$@"
if [ "${1:-}" = --smoke ]; then SMOKE=1; results="$(mktemp)"; fi
cmake --preset native >/dev/null && cmake --build --preset native >/dev/null
cmake --preset win64 >/dev/null && cmake --build --preset win64 >/dev/null
MODARIS_MODULE_FIXTURES="$(pwd)/build/native/fixtures/modules"
MODARIS_SIGNED_MODULES="$(pwd)/build/native/fixtures/signed_modules"
source bench/lib.sh

{
    echo "# Benchmark results"
    echo
    echo "Measured in one run of \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'):"
    echo "$(nproc) cores ($(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)), $(free -g | awk '/^Mem:/ {print $2}') GiB,"
    echo "$(uname -sr), $(/usr/lib/wine/wine64 --version 2>/dev/null || echo 'no Wine'); warm cache, medians of $RUNS runs."
    echo
    echo "| figure | Modaris | peer | ratio | target | met |"
    echo "|---|---|---|---|---|---|"
    for section in walk listing reading fields threads signatures bytes memory loads compare window; do
        echo "bench: $section" >&2
        source "bench/sections/$section.sh"
    done
    cat bench/notes.md
} > "$results"
cat "$results"
if [ "$SMOKE" = 1 ]; then rm -f "$results"; fi
