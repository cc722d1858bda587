#!/bin/bash
# The Windows scanner under Wine on a tree a careless or hostile user makes
# with Linux tools: directory links back into the walk (l1 -> ., l2 -> ..),
# and files named as Windows' devices (aux.dll, com1.dll, nul.dll). The scan
# must end, list every real module once, and read no device.
# Usage: hostile_tree_under_wine.sh WINE_RUN MODARIS_SCAN_EXE FIXTURE_DIR
set -uo pipefail
wine_run="$1"
scan="$2"
fixtures="$3"
tree="$(mktemp -d -t modaris-hostile-XXXXXX)"
trap 'rm -rf "$tree"' EXIT
failures=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1"; echo "  expected: $2"; echo "  actual:   $3"
        failures=$((failures + 1))
    fi
}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

mkdir -p "$tree/loops/sub"
cp "$fixtures/v1_2_3_4_x64.dll" "$tree/loops/one.dll"
cp "$fixtures/v1_2_3_4_x64.dll" "$tree/loops/sub/two.dll"
ln -s . "$tree/loops/l1"
ln -s . "$tree/loops/l2"
ln -s .. "$tree/loops/sub/up"
# A link that leads elsewhere is walked as the window always did.
mkdir -p "$tree/elsewhere"
cp "$fixtures/v1_2_3_4_x64.dll" "$tree/elsewhere/three.dll"
ln -s ../elsewhere "$tree/loops/away"

rows="$(timeout 120 "$wine_run" "$scan" -q -d "$(windows_path "$tree/loops")" 2>/dev/null | tr -d '\r' |
        awk -F'\t' '{print $6}' | sed 's/.*\\//' | sort | tr '\n' ' ')"
check "links back into the walk are not entered" "ONE.DLL THREE.DLL TWO.DLL " "$rows"

mkdir -p "$tree/devices"
for name in aux.dll com1.dll nul.dll CON.dll lpt1.exe; do
    cp "$fixtures/v1_2_3_4_x64.dll" "$tree/devices/$name"
done
cp "$fixtures/v1_2_3_4_x64.dll" "$tree/devices/ordinary.dll"
out="$(timeout 120 "$wine_run" "$scan" -q -b 16,32,64,unknown --fields=fileName,bits,size,sha256 --format csv \
       "$(windows_path "$tree/devices")" 2>/dev/null | tr -d '\r')"
status=$?
check "the scan of device names ends" 0 "$status"
check "a device name gives a row without facts" "6" "$(printf '%s\n' "$out" | grep -c ',,,$\|ORDINARY')"
check "the ordinary module keeps its facts" "1" \
      "$(printf '%s\n' "$out" | grep -c "ORDINARY.DLL,64,$(stat -c %s "$tree/devices/ordinary.dll"),[0-9a-f]\{64\}$")"

[ "$failures" -eq 0 ] && echo "hostile tree under Wine: all checks pass"
exit $((failures > 0))
