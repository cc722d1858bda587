#!/bin/bash
# Builds the release packages from a clean tree, into build/release:
#   modaris-<version>-win32.zip        modaris.exe and modaris-scan.exe (i686,
#                                      static), README.md, LICENSE, CHANGELOG.md
#   modaris-scan_<version>_<arch>.deb  the native modaris-scan with its man page
# The version is project(Modaris VERSION ...) of CMakeLists.txt. Then
# scripts/check-release.sh checks what was made.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

# Tools beyond the build's: dpkg-shlibdeps works out the package's Depends,
# help2man writes the man page.
for tool in dpkg-shlibdeps:dpkg-dev gzip:gzip help2man:help2man; do
    if ! command -v "${tool%%:*}" >/dev/null; then
        echo "release: ${tool%%:*} is missing (Debian package ${tool#*:})" >&2
        exit 1
    fi
done

out=build/release
rm -rf "$out"
mkdir -p "$out"
# Dates inside the packages (the man page's) from the last commit, so that
# the same commit gives the same packages.
SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null || date +%s)"
export SOURCE_DATE_EPOCH

package() {  # package NAME CPACK_GENERATOR: the presets release-NAME
    local name="$1" generator="$2"
    echo "=== release: $name ==="
    cmake --preset "release-$name" >/dev/null
    cmake --build --preset "release-$name" -j2
    (cd "$out/$name" && cpack -G "$generator" >/dev/null)
}

package win32 ZIP
package native DEB

cp "$out"/win32/modaris-*-win32.zip "$out"/native/modaris-scan_*.deb "$out/"
(cd "$out" && sha256sum ./*.zip ./*.deb | sed 's| \./| |' > SHA256SUMS)
echo "release: made"
sed 's/^/  /' "$out/SHA256SUMS"
