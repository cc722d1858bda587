#!/bin/bash
# Holds our file digests against coreutils' sha256sum for every file given:
#
#   tests/hash/sha256_vs_sha256sum.sh TOOL FILE...
#
# TOOL is the built sha256_files. Prints the files that differ and exits 1
# if any does.
set -euo pipefail
tool="$1"
shift
if diff <(sha256sum -- "$@") <("$tool" "$@"); then
    echo "sha256_vs_sha256sum: $# files, every digest agrees"
else
    echo "sha256_vs_sha256sum: digests differ (< sha256sum, > ours)"
    exit 1
fi
