#!/bin/bash
# The test command. Sets the machine up, then runs every job in turn, each a
# script of its own, and stops at the first that fails:
#   the include check, the layout of the last commit's files and the
#   scripts' own cases (fast, so first);
#   the suites of each preset: native, native-asan, native-tsan, win32, win64;
#   the cross-checks of the native build against Wine;
#   fuzzing, 60 s per target;
#   the benchmark command's smoke run;
#   the release packages, made, then checked (the check installs and removes
#   the .deb as root);
#   that the run left nothing behind: no Xvfb or wineserver it started, no
#   process of its Wine prefix, no folder of it.
# The jobs share one session of scripts/wine-session.sh, so that the display
# and the Wine prefix are made once.
#
#   scripts/test.sh           every job, as CI runs them
#   scripts/test.sh --quick   the static checks and the native suites only
set -euo pipefail
cd "$(dirname "$0")/.."

static_checks() {
    echo "=== include check and layout ==="
    ./scripts/tests/check-includes-test.sh
    ./scripts/check-includes.sh
    ./scripts/check-format.sh
}

# The inner loop: the static checks and the native suites, a few minutes.
if [ "${1:-}" = --quick ]; then
    ./scripts/setup.sh
    static_checks
    exec ./scripts/test-preset.sh native
fi

if [ -z "${MODARIS_SESSION:-}" ]; then
    ./scripts/setup.sh
    static_checks
    record="$(mktemp)"
    trap 'rm -f "$record"' EXIT
    status=0
    MODARIS_SESSION_RECORD="$record" ./scripts/wine-session.sh scripts/test.sh "$@" || status=$?
    # Also after a failed job: a failure must not leave processes behind either.
    echo "=== nothing left behind ==="
    ./scripts/check-no-leftovers.sh "$record"
    [ "$status" -eq 0 ] || exit "$status"
    ./scripts/check-no-leftovers.sh
    exit 0
fi

for preset in native native-asan native-tsan win32 win64; do
    ./scripts/test-preset.sh "$preset"
done

./scripts/crosscheck.sh

# The version reader against Wine's on generated modules. Differences in
# the classes of tests/differential/cases/README.md (Wine's faults,
# deliberate ones, known open ones) are counted apart; any other fails the
# run. 2000 modules: 33 s on two cores (tests/differential/README.md).
./scripts/differential-check.sh 2000 1

echo "=== fuzzing: the version reader, the bitness probe and the signature checker, 60 s each ==="
./scripts/fuzz.sh 60

echo "=== benchmark command, smoke run (checks the command, not its figures) ==="
./bench/run.sh --smoke

echo "=== release packages ==="
./scripts/release.sh
./scripts/check-release.sh
