# Sourced by wine-run.sh and wine-session.sh: the environment of every Wine
# process of ours, and the prefix, made once, quietly, so that nothing ever
# asks the user anything.

# Sets WINEPREFIX (from MODARIS_WINEPREFIX, default a prefix per user kept in
# the temporary folder), WINEDEBUG and WINEDLLOVERRIDES. Only for Wine's own
# processes: the native programs read WINEPREFIX too.
modaris_wine_environment() {
    : "${MODARIS_WINEPREFIX:=${TMPDIR:-/tmp}/modaris-wineprefix-$(id -u)}"
    export WINEPREFIX="$MODARIS_WINEPREFIX"
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
}

# Makes the prefix on its first use (about 20 s); first uses at the same time
# wait for one another. Fails when no prefix came of it.
modaris_wine_prefix_ready() {
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
            # The registry is on disk once the server has ended.
            wineserver -w || true
        fi
    ) 9>"$WINEPREFIX.lock"
    [ -f "$WINEPREFIX/system.reg" ]
}

# PIDs of the processes whose environment names PREFIX as their Wine prefix.
modaris_prefix_processes() {
    local environ
    for environ in /proc/[0-9]*/environ; do
        tr '\0' '\n' 2>/dev/null < "$environ" | grep -qxF "WINEPREFIX=$1" &&
            basename "$(dirname "$environ")"
    done
}
