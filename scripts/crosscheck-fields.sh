#!/bin/bash
# Compares every field of --fields=all between the native scanner (the POSIX
# stand-in) and the Windows scanner under Wine (Wine's own version.dll), over
# Wine's module folders. Usage: crosscheck-fields.sh NATIVE_SCAN WINDOWS_SCAN
set -euo pipefail
native_scan="$1"
windows_scan="$2"
here="$(cd "$(dirname "$0")" && pwd)"

source "$here/lib/wine-module-folders.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
options=(-q -n -b 16,32,64,unknown --fields=all --format jsonl)
"$native_scan" "${options[@]}" "${folders[@]}" > "$work/native.jsonl"
"$here/wine-run.sh" "$windows_scan" "${options[@]}" "${windows_folders[@]}" 2>/dev/null > "$work/windows.jsonl"

python3 - "$work/native.jsonl" "$work/windows.jsonl" <<'PY'
import json, sys, collections

def rows(path):
    by_name = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            row = json.loads(line)
            # The Windows build shows paths upper-cased with backslashes.
            folder, name = row["fileName"].replace("\\", "/").lower().rsplit("/", 2)[-2:]
            row.pop("fileName")
            # The walk's root as each was given it: a Linux path and a Z: path.
            row.pop("foundUnder")
            by_name[(folder, name)] = row
    return by_name

native, windows = rows(sys.argv[1]), rows(sys.argv[2])
differences = collections.Counter()
for key in sorted(set(native) | set(windows)):
    if key not in native or key not in windows:
        print("only in", "native" if key in native else "Windows", "/".join(key))
        differences["presence"] += 1
        continue
    for field in windows[key]:
        if native[key].get(field) != windows[key][field]:
            print(f"{'/'.join(key)} {field}: native {native[key].get(field)!r}, Windows {windows[key][field]!r}")
            differences[field] += 1
fields = len(next(iter(windows.values()))) + 1 if windows else 0
print(f"crosscheck-fields: {len(windows)} modules, {fields} fields each, "
      f"{sum(differences.values())} differences" + (f" {dict(differences)}" if differences else ""))
sys.exit(1 if differences else 0)
PY
