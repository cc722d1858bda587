#!/bin/bash
# Builds every target and runs every test suite: natively (plain, with
# ASan+UBSan, with TSan) and the Windows builds under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

export MODARIS_WINEPREFIX="${MODARIS_WINEPREFIX:-$(mktemp -d -t modaris-wine-XXXXXX)/prefix}"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1"

run_preset() {
    local preset="$1"
    echo "=== $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
}

for preset in native native-asan native-tsan; do
    run_preset "$preset"
done

# The window tests need a display: without one, a virtual one.
if [ -z "${DISPLAY:-}" ]; then
    display=":$((90 + RANDOM % 100))"
    Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
    export DISPLAY="$display"
    sleep 1
fi

# What we ship is 32-bit. Where the machine cannot run 32-bit Wine, it is
# still built, and the same suites run in the 64-bit Windows build.
if ./scripts/can-run-32bit-wine.sh; then
    run_preset win32
else
    echo "=== win32 (build only: this machine cannot run 32-bit programs) ==="
    cmake --preset win32 >/dev/null
    cmake --build --preset win32
fi
run_preset win64

echo "=== cross-check: the POSIX stand-in against Wine's version.dll ==="
./scripts/crosscheck-wine-modules.sh build/native/tests/crosscheck/module_versions \
    build/win64/tests/crosscheck/module_versions.exe
./scripts/crosscheck-sysinfo.sh build/native/cli/modaris-scan build/win64/cli/modaris-scan.exe

echo "=== fuzzing: the version reader and the bitness probe, 60 s each ==="
./scripts/fuzz.sh 60

echo "=== benchmark command, smoke run (checks the command, not its figures) ==="
./bench/run.sh --smoke

echo "=== release packages ==="
./scripts/release.sh
./scripts/check-release.sh

WINEPREFIX="$MODARIS_WINEPREFIX" wineserver -k 2>/dev/null || true
