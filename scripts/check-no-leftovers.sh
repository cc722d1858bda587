#!/bin/bash
# Checks that a session of scripts/wine-session.sh leaves nothing behind: no
# Xvfb it started, no process of its Wine prefix (wineserver included), none
# of its folders (the prefix, the server's socket folder).
#
#   scripts/check-no-leftovers.sh RECORD   the session that wrote RECORD
#                                          (its MODARIS_SESSION_RECORD)
#   scripts/check-no-leftovers.sh          two short sessions of its own, each
#       with Notepad running in it: one whose command exits 3, one ended
#       by TERM to its process group (as Ctrl+C or a stopped CI job would)
#
# Processes are told by the PIDs the session recorded and by the prefix in
# their environment, so that Xvfb or Wine of anyone else does not count.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/wine-prefix.sh"
failed=0
fail() { echo "check-no-leftovers: $*"; failed=1; }

# alive PID NAME: the process is there (not a zombie) and still NAME, not a
# later process that got the same PID.
alive() {
    local stat
    stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 1
    [[ "$stat" =~ ^$1\ \(([^\)]*)\)\ ([A-Z]) ]] || return 1
    [ "${BASH_REMATCH[2]}" != Z ] && [[ "${BASH_REMATCH[1]}" == "$2"* ]]
}

check_record() {  # check_record RECORD DESCRIPTION
    local kind value
    [ -s "$1" ] || { fail "$2: the session recorded nothing"; return; }
    while read -r kind value; do
        case "$kind" in
            xvfb) alive "$value" Xvfb && fail "$2: Xvfb $value still runs" ;;
            folder)
                [ -e "$value" ] && fail "$2: $value is still there"
                local left
                left="$(modaris_prefix_processes "$value/prefix" | tr '\n' ' ')"
                [ -n "$left" ] && fail "$2: processes of the prefix $value/prefix still run: $left"
                ;;
        esac
    done < "$1"
}

if [ $# -eq 1 ]; then
    check_record "$1" "the session of $1"
    exit "$failed"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
notepad=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe

# The command of both sessions: starts Notepad and waits until it runs in the
# session's prefix (so that the checks have something to find if the session
# failed to end it); then exits 3, or with "stay" waits to be ended.
cat > "$work/start-notepad.sh" <<EOF
"$here/wine-run.sh" "$notepad" >/dev/null 2>&1 &
for tick in \$(seq 150); do
    for environ in /proc/[0-9]*/environ; do
        tr '\\0' '\\n' 2>/dev/null < "\$environ" | grep -qxF "WINEPREFIX=\$MODARIS_WINEPREFIX" &&
            grep -qi notepad "\$(dirname "\$environ")/cmdline" 2>/dev/null && touch "$work/notepad-ran-\$1"
    done
    [ -f "$work/notepad-ran-\$1" ] && break
    sleep 0.2
done
[ "\$1" = stay ] && sleep 300
exit 3
EOF

echo "check-no-leftovers: a session whose command leaves Notepad running"
env -u DISPLAY -u MODARIS_WINEPREFIX MODARIS_SESSION_RECORD="$work/first" \
    "$here/wine-session.sh" bash "$work/start-notepad.sh" leave
status=$?
[ "$status" -eq 3 ] || fail "the session's exit status is $status, not the command's 3"
[ -f "$work/notepad-ran-leave" ] || fail "Notepad never ran in the first session"
check_record "$work/first" "the session left with Notepad running"

echo "check-no-leftovers: a session ended by TERM to its process group while Notepad runs"
env -u DISPLAY -u MODARIS_WINEPREFIX MODARIS_SESSION_RECORD="$work/second" \
    setsid "$here/wine-session.sh" bash "$work/start-notepad.sh" stay &
session=$!
for tick in $(seq 900); do
    [ -f "$work/notepad-ran-stay" ] && break
    sleep 0.2
done
[ -f "$work/notepad-ran-stay" ] || fail "Notepad never ran in the second session"
kill -TERM -- "-$(ps -o pgid= -p "$session" | tr -d ' ')"
wait "$session"
status=$?
[ "$status" -eq 143 ] || fail "the session ended by TERM exits $status, not 143"
check_record "$work/second" "the session ended by TERM"

[ "$failed" -eq 0 ] && echo "check-no-leftovers: nothing left behind"
exit "$failed"
