#!/bin/bash
# Builds Modaris and runs it: the window under Wine when a display is there,
# otherwise the console scanner on the default directory (arguments go to it).
# The window runs in a session of scripts/wine-session.sh: a throwaway Wine
# prefix (or MODARIS_WINEPREFIX, kept), and nothing left running afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native >/dev/null

if [ -z "${DISPLAY:-}" ]; then
    # No display: the console scanner on the system directory.
    exec build/native/cli/modaris-scan "$@"
fi
# The window under Wine: the 32-bit program we ship, or its 64-bit build
# where this machine cannot run 32-bit programs.
windows_build=win32
./scripts/can-run-32bit-wine.sh || windows_build=win64
cmake --preset "$windows_build" >/dev/null
cmake --build --preset "$windows_build" --target modaris >/dev/null
exec ./scripts/wine-session.sh ./scripts/wine-run.sh "build/$windows_build/ui/modaris.exe"
