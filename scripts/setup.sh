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
    # SHA-256 on Linux: OpenSSL's libcrypto
    libssl-dev
    # the differential check reads under more than one user language
    locales
    # the benchmark and its peers
    hyperfine strace fd-find python3-pefile libimage-exiftool-perl
    # the signed test modules: a throwaway CA made with openssl (osslsigncode
    # comes from backports, below)
    openssl
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

# The differential check's user languages; without them Wine quietly takes
# en_US.
ensure_locales() {
    for locale in en_US de_DE de_AT; do
        if ! locale -a 2>/dev/null | grep -qix "$locale.utf-\?8"; then
            "${as_root[@]}" localedef -i "$locale" -f UTF-8 "$locale.UTF-8" >/dev/null 2>&1 || true
        fi
    done
}

# osslsigncode signs the test modules and is the oracle of the signature
# fields. They are made offline with its built-in time-stamping authority
# (-TSA-certs, -TSA-key, -TSA-time), which bookworm's own 2.5 lacks: the 2.9
# of bookworm-backports has it.
ensure_osslsigncode() {
    local help=""
    # -h exits 255 even when it prints its help.
    command -v osslsigncode >/dev/null && help="$(osslsigncode -h 2>&1 || true)"
    if [[ "$help" == *-TSA-time* ]]; then
        return
    fi
    if ! grep -qx 'VERSION_CODENAME=bookworm' /etc/os-release; then
        echo "setup: osslsigncode with -TSA-time (2.9) is needed; install it by hand here" >&2
        exit 1
    fi
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm-backports' \
            'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
            "${as_root[@]}" tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
    fi
    echo "setup: installing osslsigncode from bookworm-backports" >&2
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        -t bookworm-backports osslsigncode >/dev/null
}

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
if [ ${#missing[@]} -eq 0 ]; then
    ensure_locales
    ensure_osslsigncode
    exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}" >&2
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
ensure_locales
ensure_osslsigncode
