#!/bin/bash
# Checks the layout (.clang-format) of the C and C++ files a change touched:
# by default those of the last commit and those changed since it.
#
#   scripts/check-format.sh [BASE]      BASE: a commit; the files changed since it
#
# Prints clang-format's complaints and exits 1 when a file is not laid out so.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
    echo "check-format: clang-format is not installed (scripts/setup.sh installs it)" >&2
    exit 1
fi
base="${1:-}"
if [ -z "$base" ]; then
    base=HEAD
    git rev-parse -q --verify HEAD~1 >/dev/null && base=HEAD~1
fi
mapfile -t files < <({ git diff --name-only --diff-filter=d "$base" --; git ls-files --others --exclude-standard; } |
                     grep -E '\.(c|cpp|h)$' | LC_ALL=C sort -u || true)
if [ ${#files[@]} -eq 0 ]; then
    echo "check-format: no C or C++ file changed"
    exit 0
fi
if clang-format --dry-run --Werror "${files[@]}"; then
    echo "check-format: ${#files[@]} changed files keep the layout"
else
    echo "check-format: run clang-format -i on the files above" >&2
    exit 1
fi
