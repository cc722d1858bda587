#!/bin/bash
# Checks the packages that scripts/release.sh made, as a user gets them:
#   the .deb installs with apt, its modaris-scan runs (--version, a scan) and
#   its man page is there; the zip holds what it should, its executables are
#   static PE32 (i386) programs whose version block is the project's version,
#   and they run under Wine where this machine can run 32-bit programs.
# Usage (as root, since it installs the package): scripts/check-release.sh [FOLDER]
# FOLDER defaults to build/release. The package is removed again at the end.
set -uo pipefail
cd "$(dirname "$0")/.."
# The zip's programs run in a session of scripts/wine-session.sh: a throwaway
# Wine prefix, stopped and removed at the end.
if ./scripts/can-run-32bit-wine.sh; then source scripts/lib/enter-wine-session.sh scripts/check-release.sh "$@"; fi
folder="${1:-build/release}"
version="$(sed -n 's/^project(Modaris VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
deb="$folder/modaris-scan_${version}_$(dpkg --print-architecture).deb"
zip="$folder/modaris-${version}-win32.zip"
dotted_version="$(printf '%s' "$version" | sed 's/\./, /g')"   # 1, 0, 0, 1

passed=0
failed=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then
        passed=$((passed + 1))
    else
        echo "FAIL: $1"; echo "  expected: $2"; echo "  actual:   $3"
        failed=$((failed + 1))
    fi
}
work="$(mktemp -d)"
installed_here=no
cleanup() {
    [ "$installed_here" = yes ] && DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq modaris-scan >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

for file in "$deb" "$zip"; do
    [ -f "$file" ] || { echo "check-release: $file is missing; run scripts/release.sh first" >&2; exit 1; }
done

echo "=== the zip ==="
cmake -E chdir "$work" cmake -E tar xf "$(realpath "$zip")"
top="$work/modaris-${version}-win32"
check "zip contents" "CHANGELOG.md LICENSE README.md docs/modaris-window.png modaris-scan.exe modaris.exe" \
    "$(cd "$work" && find . -type f | sed "s|^\./modaris-${version}-win32/||" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
check "modaris.exe format" "PE32 executable (GUI) Intel 80386" \
    "$(file -b "$top/modaris.exe" | grep -o '^PE32 executable (GUI) Intel 80386')"
check "modaris-scan.exe format" "PE32 executable (console) Intel 80386" \
    "$(file -b "$top/modaris-scan.exe" | grep -o '^PE32 executable (console) Intel 80386')"
for exe in modaris.exe modaris-scan.exe; do
    # Static: no DLL of MinGW's run-time beside the system's own.
    if command -v i686-w64-mingw32-objdump >/dev/null; then
        check "$exe needs no MinGW DLL" "" \
            "$(i686-w64-mingw32-objdump -p "$top/$exe" | sed -n 's/^\s*DLL Name: //p' |
               grep -iE '^(libstdc|libgcc|libwinpthread|libssp)' || true)"
    fi
    check "$exe version texts" "FileVersion=$dotted_version ProductVersion=$dotted_version" \
        "$(strings -e l "$top/$exe" | grep -A1 -xE 'FileVersion|ProductVersion' | grep -v -- '--' |
           paste -d= - - | tr '\n' ' ' | sed 's/ $//')"
done

echo "=== the Debian package ==="
check "package name and version" "modaris-scan $version" "$(dpkg-deb -f "$deb" Package Version | cut -d' ' -f2 | tr '\n' ' ' | sed 's/ $//')"
check "depends on the C library" "yes" "$(dpkg-deb -f "$deb" Depends | grep -q 'libc6 (>=' && echo yes)"
if dpkg-query -W -f='${Status}' modaris-scan 2>/dev/null | grep -q "install ok installed"; then
    echo "check-release: modaris-scan is installed already; it is replaced by this package and left installed"
else
    installed_here=yes
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$(realpath "$deb")" >"$work/apt.log" 2>&1
check "apt installs the package" 0 "$?"
[ "$(id -u)" -eq 0 ] || echo "check-release: not root, so apt could not install; run as root" >&2
check "installed version" "$version" "$(dpkg-query -W -f='${Version}' modaris-scan 2>/dev/null)"
check "--version" "modaris-scan (Modaris) $version" "$(/usr/bin/modaris-scan --version | head -1)"
man_page=/usr/share/man/man1/modaris-scan.1.gz
check "man page installed" "yes" "$([ -f "$man_page" ] && echo yes)"
# help2man quotes the section number.
check "man page header" ".TH MODARIS-SCAN 1" \
    "$(gzip -dc "$man_page" 2>/dev/null | grep -oE '^\.TH MODARIS-SCAN "?1"?' | tr -d '"')"
# Every long option of --help stands in the man page.
missing=""
for option in $(/usr/bin/modaris-scan --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+'); do
    gzip -dc "$man_page" | grep -qF -- "$(printf '%s' "$option" | sed 's/-/\\-/g')" || missing="$missing $option"
done
check "every option in the man page" "" "$missing"
check "copyright file" "yes" "$(grep -q 'Copyright: 2026 the Modaris developers' /usr/share/doc/modaris-scan/copyright && echo yes)"
# A scan of the zip's folder by the installed program: both executables,
# 32-bit, with the version block 1.0.0.1 read as the window shows it.
numbers="$(printf '%s' "$version" | awk -F. '{ printf "%d.%06d.%d.%06d", $1, $2 * 100, $3, $4 * 100 }')"
rows="$(/usr/bin/modaris-scan -q -d "$top" | cut -f1,2,4,5,6 | sed "s|$top/||" | LC_ALL=C sort | tr '\t\r' ' ' | tr '\n' '|')"
check "scan of the zip's folder" \
    "$numbers $numbers 32 Modaris modaris-scan.exe|$numbers $numbers 32 Modaris modaris.exe|" "$rows"

echo "=== the zip's programs under Wine ==="
if ./scripts/can-run-32bit-wine.sh; then
    check "modaris-scan.exe --version" "modaris-scan (Modaris) $version" \
        "$(./scripts/wine-run.sh "$top/modaris-scan.exe" --version | head -1 | tr -d '\r')"
    check "modaris-scan.exe scan: both executables at $version" 2 \
        "$(./scripts/wine-run.sh "$top/modaris-scan.exe" -q -d "Z:$(printf '%s' "$top" | tr / '\\')" |
           grep -c "^$numbers	$numbers	.*	32	Modaris	")"
else
    echo "note: this machine cannot run 32-bit programs; the zip's executables were checked by format only"
fi

echo "check-release: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
