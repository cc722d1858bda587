#!/bin/bash
# Installs with apt whatever the builds and tests need and is missing; does
# nothing when everything is there.
set -euo pipefail

packages=(
    cmake ninja-build g++ libgtest-dev googletest
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
    binutils-mingw-w64-x86-64
    wine wine32:i386 wine64 xvfb xauth xdotool xclip imagemagick python3 time
    # the fuzz targets
    clang libclang-rt-14-dev
    # the release packages and their checks; help2man writes the man page
    # of modaris-scan from its --help and --version at build time
    dpkg-dev file groff-base help2man
    # the benchmark and its peers
    hyperfine strace fd-find python3-pefile libimage-exiftool-perl
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}" >&2
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
