#!/bin/bash
# Cases of scripts/check-includes.sh, on small trees made here.
set -uo pipefail
check="$(cd "$(dirname "$0")/.." && pwd)/check-includes.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
put() {  # put TREE FILE INCLUDE...: FILE of TREE with one #include line per INCLUDE
    local tree="$1" file="$2"
    shift 2
    mkdir -p "$work/$tree/$(dirname "$file")"
    printf '#include "%s"\n' "$@" > "$work/$tree/$file"
}
expect() {  # expect DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        printf 'FAIL: %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
        failed=1
    fi
}

# Down the layers, within a folder, framework/window as framework, a header
# beside the file, the top folders including anything below them.
put clean support/Utf.cpp "support/Utf.h"
put clean platform/posix/file_api.cpp "support/Utf.h" "platform/win32.h" "posix/win32_api.h"
put clean framework/window/CDialog.cpp "framework/CString.h" "framework/window/CWnd.h" "platform/win32.h"
put clean engine/ScanEngine.cpp "sysinfo/SystemInfoRow.h" "framework/CString.h" "ScanEngine.h"
put clean ui/ModarisDlg.cpp "engine/ScanEngine.h" "res/resource.h" "cli/RowFormats.h"
put clean tests/ui/DialogTest.cpp "ui/ModarisDlg.h" "tests/common/TempTree.h" "TempTree.h"
put clean bench/window/window_bench.cpp "ui/ModarisDlg.h" "res/resource.h"
put clean platform/posix/version/file_version_info.cpp "platform/posix/open_for_reading.h"
put clean platform/file/ModuleFile_posix.cpp "platform/posix/version/bounded_file.h"
put clean tests/platform/files/ListingTest.cpp "platform/posix/find_api.h"
output="$("$check" "$work/clean")"
expect "a tree in layer order passes" "0 check-includes: every include keeps the layer order" "$? $output"

# Up the layers, into the top folders, and a pair of folders including each other.
put broken support/AsciiCase.h "platform/win32.h"
put broken sysinfo/OsVersionRows.cpp "engine/ScanEngine.h" "platform/win32.h"
put broken engine/SystemInfoRows.cpp "sysinfo/SystemInfoRow.h"
put broken framework/window/CWnd.cpp "ui/resource_ids.h"
put broken cli/main.cpp "tests/common/TempTree.h"
put broken bench/window/WindowProbe.cpp "tests/ui/dialog/DialogSession.h"
put broken engine/DriveRoot.cpp "platform/posix/drive_roots.h"
put broken platform/posix/file_api.cpp "platform/posix/version/shared_module_open.h"
put broken platform/posix/system/registry_api.cpp "platform/posix/version/version_errors.h"
output="$("$check" "$work/broken")"
expect "each include against the layer order is named, then the pair" "1 support/AsciiCase.h:1: support -> platform (\"platform/win32.h\")
framework/window/CWnd.cpp:1: framework -> ui (\"ui/resource_ids.h\")
sysinfo/OsVersionRows.cpp:1: sysinfo -> engine (\"engine/ScanEngine.h\")
cli/main.cpp:1: cli -> tests (\"tests/common/TempTree.h\")
bench/window/WindowProbe.cpp:1: bench -> tests (\"tests/ui/dialog/DialogSession.h\")
platform/posix/file_api.cpp:1: posix -> posix/version (\"platform/posix/version/shared_module_open.h\")
platform/posix/system/registry_api.cpp:1: posix/system -> posix/version (\"platform/posix/version/version_errors.h\")
engine/DriveRoot.cpp:1: engine -> platform/posix (\"platform/posix/drive_roots.h\")
engine and sysinfo include each other
check-includes: 8 includes against the layer order; pairs of folders including each other: 1" "$? $output"

[ "$failed" -eq 0 ] && echo "check-includes-test: all cases pass"
exit "$failed"
