# The walk alone: a name no file has, over /usr, against find and fd (on one
# thread, as the walk, and on every core); then with the page cache dropped
# before each run, and the system calls it makes per directory.
tree=/usr
[ "${SMOKE:-0}" = 1 ] && tree=/usr/share/doc
ours="$scan -q -d $tree -f nomatch.dll"
mapfile -t ms < <(median_ms "$ours" \
    "find $tree -iname nomatch.dll" \
    "fdfind -u -j1 -g nomatch.dll $tree" \
    "fdfind -u -g nomatch.dll $tree")
find_ratio="$(ratio "${ms[0]}" "${ms[1]}")"
fd1_ratio="$(ratio "${ms[0]}" "${ms[2]}")"
fd_ratio="$(ratio "${ms[0]}" "${ms[3]}")"
row "walk of $tree, median ms" "${ms[0]}" "find ${ms[1]}" "$find_ratio x find" "at most 0.85 x find" \
    "$(at_most "$find_ratio" 0.85)"
row "walk of $tree, median ms" "${ms[0]}" "fdfind -u -j1 ${ms[2]}" "$fd1_ratio x fd -j1" "at most 1.0 x fd -j1" \
    "$(at_most "$fd1_ratio" 1.0)"
row "walk of $tree, median ms" "${ms[0]}" "fdfind -u ($(nproc) threads) ${ms[3]}" "$fd_ratio x fd" \
    "at most 1.0 x fd" "$(at_most "$fd_ratio" 1.0)"

# Cold: the page cache (and the kernel's directory and inode caches) dropped
# before every run; needs root, and a system that lets it.
if (sync && echo 3 > /proc/sys/vm/drop_caches) 2>/dev/null; then
    drop='sync; echo 3 > /proc/sys/vm/drop_caches'
    cold_runs="${COLD_RUNS:-5}"
    [ "${SMOKE:-0}" = 1 ] && cold_runs=1
    mapfile -t ms < <(median_ms_with "--prepare=$drop" "--runs=$cold_runs" -- "$ours" \
        "find $tree -iname nomatch.dll" \
        "fdfind -u -j1 -g nomatch.dll $tree" \
        "fdfind -u -g nomatch.dll $tree")
    cold_ratio="$(ratio "${ms[0]}" "${ms[1]}")"
    row "cold walk of $tree, median ms of $cold_runs" "${ms[0]}" "find ${ms[1]}" "$cold_ratio x find" \
        "at most 0.8 x find" "$(at_most "$cold_ratio" 0.8)"
    row "cold walk of $tree, median ms of $cold_runs" "${ms[0]}" \
        "fdfind -u -j1 ${ms[2]}, fdfind -u ${ms[3]}" \
        "$(ratio "${ms[0]}" "${ms[2]}") x fd -j1, $(ratio "${ms[0]}" "${ms[3]}") x fd" "(peer figure)" "-"
else
    row "cold walk of $tree" "not measured" "-" "-" "at most 0.8 x find" "no (the page cache cannot be dropped here)"
fi

# System calls per directory: the walk's calls beyond those of a scan of an
# empty folder (start, thread, exit), over the directories the walk lists
# (find counts the same: links are not followed). Judged on the calls that
# read the file system; the others are the window's 100 ms tick and its
# locks, which come with time, not with directories (strace slows the walk
# tenfold, so they are counted tenfold too).
empty="$(mktemp -d)"
directories="$(find "$tree" -type d | wc -l)"
file_calls=(openat open close getdents64 getdents newfstatat fstat lstat stat statx)
per_directory() {
    local walk idle
    walk="$(syscall_count "$ours" "$@")"
    idle="$(syscall_count "$scan -q -d $empty -f nomatch.dll" "$@")"
    python3 -c "print('%.2f' % (($walk - $idle) / $directories))"
}
fs_per_directory="$(per_directory "${file_calls[@]}")"
all_per_directory="$(per_directory)"
rmdir "$empty"
per_peer() { python3 -c "print('%.2f' % ($(syscall_count "$1") / $directories))"; }
row "system calls per directory, $directories directories" \
    "$fs_per_directory (all calls $all_per_directory)" \
    "find $(per_peer "find $tree -iname nomatch.dll"), fdfind -u -j1 $(per_peer "fdfind -u -j1 -g nomatch.dll $tree")" \
    "-" "at most 4" "$(at_most "$fs_per_directory" 4)"
syscall_table "$ours" >&2
