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
    # the layout of the sources (.clang-format), checked on the files a change touches
    clang-format
    # the release packages and their checks; help2man writes the man page
    # of modaris-scan from its --help and --version at build time
    dpkg-dev file groff-base help2man
    # SHA-256 on Linux: OpenSSL's libcrypto
    libssl-dev
    # the jsonl reader of --compare (headers only, for both builds); the fleet artifact's YAML check
    rapidjson-dev python3-yaml
    # --loads reads a disk's SYSTEM hive with libhivex; its tests write one with it
    libhivex-dev
    # the differential check reads under more than one user language
    locales
    # the benchmark and its peers
    hyperfine strace fd-find python3-pefile libimage-exiftool-perl
    # the signed test modules: a throwaway CA made with openssl (osslsigncode
    # comes from backports, below)
    openssl
)

# A tiny static i386 program (exit 0): some kernels refuse every 32-bit
# program, and there 32-bit Wine is of no use.
kernel_runs_32bit() {
    local probe status=0
    probe="$(mktemp)"
    echo 'f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAuAEAAAAx282A' |
        base64 -d >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    return "$status"
}

if ! kernel_runs_32bit; then
    echo "setup: this kernel runs no 32-bit programs; 32-bit Wine is left out, the tests take the 64-bit Windows build" >&2
    kept=()
    for package in "${packages[@]}"; do
        [[ "$package" == *:i386 ]] || kept+=("$package")
    done
    packages=("${kept[@]}")
fi

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
    update_indexes
    install_packages -t bookworm-backports osslsigncode
}

# A mirror that is being synchronised answers an index of the wrong size for
# a while: try again a few times, then go on with the indexes apt has and let
# the install tell whether they are enough.
update_indexes() {
    local attempt
    for attempt in 1 2 3; do
        if "${as_root[@]}" apt-get update -qq; then
            return 0
        fi
        echo "setup: apt-get update failed (attempt $attempt of 3)" >&2
        [ "$attempt" -lt 3 ] && sleep $((attempt * 10))
    done
    echo "setup: going on with the package indexes apt has" >&2
}

install_packages() {
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        "$@" >/dev/null
}

ensure_i386_architecture() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386
        update_indexes
    fi
}

# Wine's i386 module folder is test data (hundreds of real 32-bit modules) as
# much as a part of 32-bit Wine. Where libwine:i386 is not installed (a kernel
# without 32-bit programs, a broken i386 index), its PE folder is unpacked
# from the package into the place the package would put it.
wine_i386_modules=/usr/lib/i386-linux-gnu/wine/i386-windows
ensure_wine_i386_modules() {
    [ -d "$wine_i386_modules" ] && return
    ensure_i386_architecture
    local folder
    folder="$(mktemp -d)"
    if (cd "$folder" && apt-get download -qq libwine:i386 2>/dev/null); then
        dpkg-deb --fsys-tarfile "$folder"/libwine_*_i386.deb |
            "${as_root[@]}" tar -x -C / "./${wine_i386_modules#/}"
        echo "setup: Wine's i386 modules unpacked from libwine:i386 into $wine_i386_modules" >&2
    else
        echo "setup: Wine's i386 modules are not to be had; the checks take the x86_64 ones only" >&2
    fi
    rm -rf "$folder"
}

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
if [ ${#missing[@]} -eq 0 ]; then
    ensure_locales
    ensure_osslsigncode
    ensure_wine_i386_modules
    exit 0
fi

ensure_i386_architecture
echo "setup: installing ${missing[*]}" >&2
update_indexes
if ! install_packages "${missing[@]}"; then
    # A broken i386 index, or a kernel that runs no 32-bit programs, must not
    # stop the rest: the tests then take the 64-bit Windows build.
    without_i386=()
    for package in "${missing[@]}"; do
        [[ "$package" == *:i386 ]] || without_i386+=("$package")
    done
    if [ ${#without_i386[@]} -eq ${#missing[@]} ]; then
        exit 1
    fi
    echo "setup: the i386 packages could not be installed; going on without 32-bit Wine" >&2
    install_packages "${without_i386[@]}"
fi
ensure_locales
ensure_osslsigncode
ensure_wine_i386_modules
