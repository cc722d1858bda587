# The one way a script enters a session of scripts/wine-session.sh: sourced
# at its top as
#   source scripts/lib/enter-wine-session.sh "$0" "$@"
# it runs the script again inside a new session (a display and a throwaway
# Wine prefix, ended and removed at the end), and returns at once inside one.
if [ -z "${MODARIS_SESSION:-}" ]; then
    exec "$(dirname "${BASH_SOURCE[0]}")/../wine-session.sh" "$@"
fi
