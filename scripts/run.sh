#!/bin/bash
# Builds Modaris and runs it: the window under Wine when a display is there,
# otherwise the console scanner on the default directory.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 >/dev/null

if [ -x build/native/cli/modaris-scan ]; then
    if [ -n "${DISPLAY:-}" ] && [ -f build/win32/ui/modaris.exe ]; then
        exec ./scripts/wine-run.sh build/win32/ui/modaris.exe
    fi
    exec build/native/cli/modaris-scan "$@"
fi
echo "Modaris is built (engine and tests). The console scanner and the window are not there yet:"
echo "modaris-scan will list the modules of the system directory; modaris.exe will open the window under Wine."
