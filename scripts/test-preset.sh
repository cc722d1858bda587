#!/bin/bash
# Builds one CMake preset (CMakePresets.json) and runs its test suites:
# native, native-asan and native-tsan natively; win32 and win64 under Wine, in
# a session of scripts/wine-session.sh (the window tests need a display).
# Where this machine cannot run 32-bit programs, win32 is built only, and its
# suites run in the win64 build.
#
#   scripts/test-preset.sh PRESET
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:?usage: scripts/test-preset.sh PRESET}"
# A sanitizer's finding fails the test that made it.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1}"

if [ "$preset" = win32 ] && ! ./scripts/can-run-32bit-wine.sh; then
    echo "=== win32 (build only: this machine cannot run 32-bit programs) ==="
    cmake --preset win32 >/dev/null
    cmake --build --preset win32
    exit 0
fi

echo "=== $preset ==="
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
case "$preset" in
    win*) exec ./scripts/wine-session.sh ctest --preset "$preset" ;;
    *) exec ctest --preset "$preset" ;;
esac
