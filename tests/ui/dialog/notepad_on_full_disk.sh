#!/bin/bash
# Runs the Notepad export's case for a failing write with the temporary
# folder on a full file system: a tmpfs of one page, filled. Needs the right
# to mount (root); exits 77 (skipped) without it.
# Usage: notepad_on_full_disk.sh WINE_RUN DIALOG_TESTS_EXE
set -euo pipefail
wine_run="$1"
tests="$2"
folder="$(mktemp -d)"
if ! mount -t tmpfs -o size=4k tmpfs "$folder" 2>/dev/null; then
    rmdir "$folder"
    echo "skipped: cannot mount a tmpfs here"
    exit 77
fi
trap 'umount "$folder"; rmdir "$folder"' EXIT
head -c 8192 /dev/zero > "$folder/filler" 2>/dev/null || true

MODARIS_FULL_FOLDER="Z:${folder//\//\\}" "$wine_run" "$tests" --gtest_color=no \
    --gtest_filter=Export.NotepadLeavesNoFileBehindWhenWritingFails --gtest_also_run_disabled_tests
leftovers="$(ls -A "$folder" | grep -vx filler || true)"
if [ -n "$leftovers" ]; then
    echo "left behind in the temporary folder: $leftovers"
    exit 1
fi
