# Wine's own module folders on this machine, for the cross-checks: sets
# `folders` (Linux paths) and `windows_folders` (the same as Z: paths), and
# fails when there are none. Sourced.
folders=()
for folder in /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/x86_64-linux-gnu/wine/x86_64-windows; do
    [ -d "$folder" ] && folders+=("$folder")
done
if [ ${#folders[@]} -eq 0 ]; then
    echo "$(basename "$0"): no Wine module folders on this machine" >&2
    exit 1
fi
windows_folders=()
for folder in "${folders[@]}"; do windows_folders+=("Z:${folder//\//\\}"); done
