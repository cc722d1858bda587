#!/bin/bash
# Runs a command in a session for our Windows programs: a display (a virtual
# one, Xvfb, when DISPLAY is unset) and a throwaway Wine prefix, made before
# the command starts, which every scripts/wine-run.sh of the command uses. At
# the end it stops exactly what it started (the Xvfb by its PID, every
# process of its prefix, wineserver included) and removes the prefix.
#
#   scripts/wine-session.sh COMMAND [ARGUMENT]...
#
# Exits with the command's status. Inside a session (MODARIS_SESSION set) it
# only runs the command. A MODARIS_WINEPREFIX given from outside is used and
# kept, and its processes are not the session's to stop.
# MODARIS_SESSION_RECORD may name a file to which the session adds what it
# started, one "xvfb PID" or "folder PATH" a line, for
# scripts/check-no-leftovers.sh.
set -uo pipefail
if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGUMENT]..." >&2
    exit 2
fi
if [ -n "${MODARIS_SESSION:-}" ]; then exec "$@"; fi
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/wine-prefix.sh"

xvfb_pid=""
prefix_made=""
folder=""
record() { if [ -n "${MODARIS_SESSION_RECORD:-}" ]; then echo "$*" >> "$MODARIS_SESSION_RECORD"; fi; }

# Ends one of our children: TERM, and KILL if it is still there after 5 s.
stop() {
    local pid="$1" tick
    kill -TERM "$pid" 2>/dev/null
    for tick in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

# The folder of the prefix's server socket. Debian's Wine makes it under
# TMPDIR with a random name that it keeps in the prefix, and leaves it behind.
server_folder() {
    local name
    name="$(cat "$MODARIS_WINEPREFIX/wineserver" 2>/dev/null)"
    if [[ "$name" =~ ^wine-[A-Za-z0-9]+$ ]]; then echo "${TMPDIR:-/tmp}/$name"; fi
}

cleanup() {
    if [ -n "$prefix_made" ]; then
        # Every process of the prefix ends, its wineserver last.
        WINEPREFIX="$MODARIS_WINEPREFIX" wineserver -k 2>/dev/null
        WINEPREFIX="$MODARIS_WINEPREFIX" timeout 10 wineserver -w 2>/dev/null
        # A process still starting when the server was told to end (Notepad's
        # desktop, say) can come up after it, with a server of its own.
        local round left
        for round in 1 2 3 4 5; do
            left="$(modaris_prefix_processes "$MODARIS_WINEPREFIX")"
            [ -z "$left" ] && break
            kill -KILL $left 2>/dev/null
            sleep 0.2
        done
        server="$(server_folder)"
        if [ -n "$server" ]; then rm -rf "$server"; fi
    fi
    if [ -n "$xvfb_pid" ]; then stop "$xvfb_pid"; fi
    if [ -n "$folder" ]; then rm -rf "$folder"; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

folder="$(mktemp -d -t modaris-session-XXXXXX)"
record "folder $folder"

if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display and writes its number to fd 3 once it takes
    # connections: no guessed number, no sleep.
    mkfifo "$folder/display"
    # In a session of its own (setsid, which here keeps the PID): Ctrl+C or
    # a TERM to the whole group reaches the command and this script, whose
    # cleanup ends Wine's processes while their display is still there.
    setsid Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$folder/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    record "xvfb $xvfb_pid"
    number=""
    read -r -t 10 number < "$folder/display"
    if ! [[ "$number" =~ ^[0-9]+$ ]]; then
        echo "wine-session: Xvfb gave no display within 10 s" >&2
        exit 1
    fi
    export DISPLAY=":$number"
fi

if [ -z "${MODARIS_WINEPREFIX:-}" ]; then
    export MODARIS_WINEPREFIX="$folder/prefix"
    prefix_made=yes
    # No server of our own kept running: Wine's service processes, started by
    # the first program with its standard output, end only with the server,
    # and a reader of that output (ctest, a pipe) would wait for them.
    if ! (modaris_wine_environment && modaris_wine_prefix_ready); then
        echo "wine-session: could not make the Wine prefix $MODARIS_WINEPREFIX" >&2
        exit 1
    fi
    server="$(server_folder)"
    if [ -n "$server" ]; then record "folder $server"; fi
fi

export MODARIS_SESSION=1
"$@"
exit $?
