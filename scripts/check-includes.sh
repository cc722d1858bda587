#!/bin/bash
# Checks the #include "folder/..." lines of the C++ sources against the layer
# order of the top-level folders, bottom to top:
#
#   support < platform < framework < sysinfo < engine < loader < compare < cli
#   < res < ui
#   < packaging, bench, tests (on top, side by side)
#
# A folder may include its own headers and those of the folders below it;
# nothing outside packaging/, bench/ and tests/ includes them, nor do they
# include one another. framework/window counts as framework. Includes that do
# not start with a top-level folder (a header beside the file, a system
# header) are not checked.
#
#   scripts/check-includes.sh [ROOT]      ROOT: default, this checkout
#
# Inside platform/ the stand-in keeps to itself: only platform/ (and the
# tests) include a header of platform/posix/; there, the version reader
# (posix/version) and the system facts (posix/system) do not include each
# other, and the stand-in's own files (platform/posix/ itself) reach the
# version reader only through its Win32 names, never its headers.
#
# Prints each violation as FILE:LINE: FROM -> TO ("HEADER"), then each pair of
# folders that include each other, and exits 1 if there is any.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root"

folders=(support platform framework sysinfo engine loader compare cli res ui packaging bench tests)
declare -A rank=()
for i in "${!folders[@]}"; do rank[${folders[$i]}]=$i; done
top=10  # packaging, bench and tests
for folder in packaging bench tests; do rank[$folder]=$top; done

declare -A edges=()
violations=0
for folder in "${folders[@]}"; do
    [ -d "$folder" ] || continue
    while IFS=: read -r file line header; do
        target="${header%%/*}"
        [ "$header" != "$target" ] && [ -n "${rank[$target]+set}" ] || continue
        [ "$target" = "$folder" ] && continue
        edges["$folder $target"]=1
        if [ "${rank[$target]}" -gt "${rank[$folder]}" ] || [ "${rank[$target]}" -eq "$top" ]; then
            echo "$file:$line: $folder -> $target (\"$header\")"
            violations=$((violations + 1))
        fi
    done < <(find "$folder" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.rc' \) -print0 |
             LC_ALL=C sort -z | xargs -0 -r grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*"' |
             sed -E 's/^([^:]*):([0-9]+):[^"]*"([^"]*)".*/\1:\2:\3/')
done

# The folders inside platform/.
inner_violation() {  # inner_violation FILE HEADER: the rule broken, or nothing
    local file="$1" header="$2"
    case "$header" in platform/posix/*) ;; *) return ;; esac
    case "$file" in
        platform/posix/version/*) [[ "$header" == platform/posix/system/* ]] && echo "posix/version -> posix/system" ;;
        platform/posix/system/*) [[ "$header" == platform/posix/version/* ]] && echo "posix/system -> posix/version" ;;
        platform/posix/*) [[ "$header" == platform/posix/version/* ]] && echo "posix -> posix/version" ;;
        platform/* | tests/*) ;;
        *) echo "${file%%/*} -> platform/posix" ;;
    esac
    return 0
}
for folder in "${folders[@]}"; do
    [ -d "$folder" ] || continue
    while IFS=: read -r file line header; do
        rule="$(inner_violation "$file" "$header")"
        [ -n "$rule" ] || continue
        echo "$file:$line: $rule (\"$header\")"
        violations=$((violations + 1))
    done < <(find "$folder" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 |
             LC_ALL=C sort -z | xargs -0 -r grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"platform/posix/[^"]*"' |
             sed -E 's/^([^:]*):([0-9]+):[^"]*"([^"]*)".*/\1:\2:\3/')
done

pairs=0
while read -r from to; do
    if [ -n "${edges["$to $from"]+set}" ] && [[ "$from" < "$to" ]]; then
        echo "$from and $to include each other"
        pairs=$((pairs + 1))
    fi
done < <(printf '%s\n' "${!edges[@]}" | LC_ALL=C sort)

if [ "$violations" -gt 0 ] || [ "$pairs" -gt 0 ]; then
    echo "check-includes: $violations includes against the layer order; pairs of folders including each other: $pairs"
    exit 1
fi
echo "check-includes: every include keeps the layer order"
