#!/bin/bash
# The differential check of our version reader against Windows' own:
# COUNT modules (default 2000) made from seed SEED (default 1) by mutating
# the version resources of the test modules, each read by the native
# module_versions and by module_versions.exe under Wine, under en_US.UTF-8
# and de_DE.UTF-8 (tests/differential/run.py). Builds what it runs in
# build/native and build/win64, and reads with copies, since others may
# rebuild those folders meanwhile. Each difference is sorted into a class:
# Wine's own faults, deliberate differences and known open faults are
# counted apart (tests/differential/cases/README.md); exits 1 when a
# difference falls in none of them.
#
#   scripts/differential-check.sh [COUNT [SEED]]
set -euo pipefail
cd "$(dirname "$0")/.."
count="${1:-2000}"
seed="${2:-1}"

for preset in native win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target module_versions modaris_module_fixtures >/dev/null
done
work="$(mktemp -d -t modaris-differential-XXXXXX)"
trap 'rm -rf "$work"' EXIT
cp build/native/tests/crosscheck/module_versions build/win64/tests/crosscheck/module_versions.exe "$work/"
cp -r build/native/fixtures/modules "$work/fixtures"

echo "=== differential check: $count generated modules, seed $seed ==="
python3 tests/differential/run.py --native "$work/module_versions" --windows "$work/module_versions.exe" \
    --fixtures "$work/fixtures" --count "$count" --seed "$seed"
