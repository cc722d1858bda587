#!/bin/bash
# Runs a Windows program under Wine in a throwaway prefix that is made once,
# quietly, and never asks the user anything. The loader is picked by the
# program's machine type (32-bit or 64-bit). Inside scripts/wine-session.sh
# the prefix is the session's; elsewhere MODARIS_WINEPREFIX, default one per
# user in the temporary folder.
set -euo pipefail
program="$1"
source "$(dirname "$0")/lib/wine-prefix.sh"
modaris_wine_environment

loader=wine
if [ -f "$program" ]; then
    header_offset=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
    machine=$(od -An -tx2 -j$((header_offset + 4)) -N2 "$program" | tr -d ' ')
    [ "$machine" = "8664" ] && loader=/usr/lib/wine/wine64
fi

modaris_wine_prefix_ready || { echo "wine-run: could not make the Wine prefix $WINEPREFIX" >&2; exit 1; }
exec "$loader" "$@"
