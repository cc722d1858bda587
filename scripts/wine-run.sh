#!/bin/bash
# Runs a Windows program under Wine in a throwaway prefix that is made once,
# quietly, and never asks the user anything. The loader is picked by the
# program's machine type (32-bit or 64-bit).
set -euo pipefail
program="$1"
: "${MODARIS_WINEPREFIX:=${TMPDIR:-/tmp}/modaris-wineprefix-$(id -u)}"
export WINEPREFIX="$MODARIS_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"

loader=wine
if [ -f "$program" ]; then
    header_offset=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
    machine=$(od -An -tx2 -j$((header_offset + 4)) -N2 "$program" | tr -d ' ')
    [ "$machine" = "8664" ] && loader=/usr/lib/wine/wine64
fi

mkdir -p "$WINEPREFIX"
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
        wineserver -w || true
    fi
) 9>"$WINEPREFIX.lock"
exec "$loader" "$@"
