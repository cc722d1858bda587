#!/bin/bash
# The native build against the Windows one under Wine, on this machine: every
# module of Wine's own folders read by our POSIX reader and by Wine's
# version.dll (crosscheck-wine-modules.sh), every --fields=all field of both
# scanners over the same folders (crosscheck-fields.sh), and the processor
# rows of both scanners (crosscheck-sysinfo.sh). Builds what they run in
# build/native and build/win64 first.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/enter-wine-session.sh scripts/crosscheck.sh "$@"

for preset in native win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target module_versions modaris-scan >/dev/null
done
echo "=== cross-check: the POSIX stand-in against Wine's version.dll ==="
./scripts/crosscheck-wine-modules.sh build/native/tests/crosscheck/module_versions \
    build/win64/tests/crosscheck/module_versions.exe
echo "=== cross-check: every field of both scanners ==="
./scripts/crosscheck-fields.sh build/native/cli/modaris-scan build/win64/cli/modaris-scan.exe
echo "=== cross-check: the processor rows of both scanners ==="
./scripts/crosscheck-sysinfo.sh build/native/cli/modaris-scan build/win64/cli/modaris-scan.exe
