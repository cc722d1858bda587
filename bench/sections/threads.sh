# Reading on every core: the scanner's pool of readers (the default, one per
# core) against -j 1 (one thread, as before), the machine's hashing limit
# (cores x one core's rate of `openssl speed -evp sha256` at 16 KiB) and the
# tools a user would run instead, over real modules (Wine's two DLL folders)
# and a larger tree (every .so, .a, .dll and .exe below /usr/lib: the hash
# cares not what a file holds).
cores="$(nproc)"
seconds=3
modules_tree=("${wine_folders[@]}")
large=/usr/lib
large_options="--extensions=so,a,dll,exe"
if [ "${SMOKE:-0}" = 1 ]; then
    seconds=1
    modules_tree=("$MODARIS_MODULE_FIXTURES")
    large="$MODARIS_MODULE_FIXTURES"
    large_options=""
fi
one_core="$(openssl speed -evp sha256 -bytes 16384 -seconds "$seconds" 2>/dev/null |
            awk '$1 == "sha256" { sub("k$", "", $NF); print $NF * 1000 }')"
limit_mib="$(python3 -c "print('%.0f' % ($cores * $one_core / 1048576))")"
work="$(mktemp -d)"

# The files of a scan, in walk order, for the peers; their bytes.
list_files() {  # list_files LIST OPTIONS...
    local list="$1"
    shift
    "$scan" -q -j 1 -b 16,32,64,unknown --fields=fileName "$@" | tr -d '\r' | cut -f1 > "$list"
}
# What a reader of each path reads: a symbolic link's target, and a file
# under two names twice (libLLVM's four names in /usr/lib).
bytes_of() { tr '\n' '\0' < "$1" | du -cbLl --files0-from=- | tail -1 | cut -f1; }

hash_rows() {  # hash_rows NAME LIST FD_EXTENSIONS SCAN_OPTIONS DIRECTORY...
    local name="$1" list="$2" extensions="$3" options="$4"
    shift 4
    local bytes files
    bytes="$(bytes_of "$list")"
    files="$(wc -l < "$list")"
    local fd=(fdfind -u -t f)
    for extension in $extensions; do fd+=(-e "$extension"); done
    fd+=(. "$@")
    # fd takes regular files only (no links to them): its bytes are its own.
    "${fd[@]}" > "$work/fd-files"
    local fd_bytes
    fd_bytes="$(bytes_of "$work/fd-files")"
    mapfile -t ms < <(median_ms \
        "$scan -q -b 16,32,64,unknown --fields=sha256 $options $*" \
        "$scan -q -j 1 -b 16,32,64,unknown --fields=sha256 $options $*" \
        "${fd[*]} -X sha256sum")
    local rate
    rate="$(python3 -c "print('%.0f' % ($bytes / 1048576 / (${ms[0]} / 1000)))")"
    local limit_ratio
    limit_ratio="$(ratio "$rate" "$limit_mib")"
    row "sha256 of $name ($files files, $((bytes / 1048576)) MiB), warm, MiB/s" \
        "$rate ($cores threads: ${ms[0]} ms; -j 1: ${ms[1]} ms)" \
        "machine's limit $limit_mib ($cores x $(python3 -c "print('%.0f' % ($one_core / 1048576))") MiB/s)" \
        "$limit_ratio x the limit" "at least 0.8 x" "$(at_least "$limit_ratio" 0.8)"
    local fd_rate fd_ratio
    fd_rate="$(python3 -c "print('%.0f' % ($fd_bytes / 1048576 / (${ms[2]} / 1000)))")"
    fd_ratio="$(ratio "$rate" "$fd_rate")"
    row "sha256 of $name, MiB/s" "$rate" \
        "fdfind -X sha256sum $fd_rate ($(wc -l < "$work/fd-files") files, $((fd_bytes / 1048576)) MiB: ${ms[2]} ms)" \
        "$fd_ratio x its rate" "at least 5 x" "$(at_least "$fd_ratio" 5)"
}

list_files "$work/modules" "${modules_tree[@]}"
hash_rows "Wine's two DLL folders" "$work/modules" "dll exe ocx arx bpl" "" "${modules_tree[@]}"
# shellcheck disable=SC2086
list_files "$work/large" $large_options "$large"
hash_rows "$large ($large_options)" "$work/large" "so a dll exe" "$large_options" "$large"

# Every field over Wine's two folders, and the plain scan (the window's
# columns) over them and over /usr, on every core against one.
mapfile -t ms < <(median_ms \
    "$scan -q -b 16,32,64,unknown --fields=all ${modules_tree[*]}" \
    "$scan -q -j 1 -b 16,32,64,unknown --fields=all ${modules_tree[*]}")
all_ratio="$(ratio "${ms[1]}" "${ms[0]}")"
row "--fields=all over the two folders, median ms" "${ms[0]} ($cores threads)" "-j 1 ${ms[1]}" \
    "$all_ratio x faster" "at least 1.7 x on 2 cores" "$(at_least "$all_ratio" 1.7)"
plain_tree=/usr
[ "${SMOKE:-0}" = 1 ] && plain_tree="$MODARIS_MODULE_FIXTURES"
for tree in "${modules_tree[*]}" "$plain_tree"; do
    mapfile -t ms < <(median_ms "$scan -q -b 16,32,64,unknown $tree" "$scan -q -j 1 -b 16,32,64,unknown $tree")
    plain_ratio="$(ratio "${ms[0]}" "${ms[1]}")"
    row "plain scan of $tree, median ms" "${ms[0]} ($cores threads)" "-j 1 ${ms[1]}" "$plain_ratio x -j 1" \
        "not slower (at most 1.05 x, the noise of a run)" "$(at_most "$plain_ratio" 1.05)"
done

# Cold: the page cache dropped before every run. The hash of the modules
# against cat of the same files in walk order (what the disk gives), and
# the walk of /usr against fd on every core.
if (sync && echo 3 > /proc/sys/vm/drop_caches) 2>/dev/null; then
    drop='sync; echo 3 > /proc/sys/vm/drop_caches'
    cold_runs="${COLD_RUNS:-5}"
    [ "${SMOKE:-0}" = 1 ] && cold_runs=1
    bytes="$(bytes_of "$work/modules")"
    mapfile -t ms < <(median_ms_with "--prepare=$drop" "--runs=$cold_runs" -- \
        "$scan -q -b 16,32,64,unknown --fields=sha256 ${modules_tree[*]}" \
        "tr '\\n' '\\0' < $work/modules | xargs -0 cat > /dev/null")
    disk_rate="$(python3 -c "print('%.0f' % ($bytes / 1048576 / (${ms[1]} / 1000)))")"
    cold_ratio="$(ratio "${ms[0]}" "${ms[1]}")"
    row "cold sha256 of the two folders ($((bytes / 1048576)) MiB), median ms of $cold_runs" "${ms[0]}" \
        "cat in walk order ${ms[1]} ($disk_rate MiB/s)" "$cold_ratio x cat" "at most 1.0 x cat" \
        "$(at_most "$cold_ratio" 1.0)"
    walk_tree=/usr
    [ "${SMOKE:-0}" = 1 ] && walk_tree=/usr/share/doc
    mapfile -t ms < <(median_ms_with "--prepare=$drop" "--runs=$cold_runs" -- \
        "$scan -q -d $walk_tree -f nomatch.dll" "fdfind -u -g nomatch.dll $walk_tree")
    walk_ratio="$(ratio "${ms[0]}" "${ms[1]}")"
    row "cold walk of $walk_tree, default threads, median ms of $cold_runs" "${ms[0]}" \
        "fdfind -u ($cores threads) ${ms[1]}" "$walk_ratio x fd" "at most 1.0 x fd" "$(at_most "$walk_ratio" 1.0)"
else
    row "cold sha256 and walk" "not measured" "-" "-" "at most 1.0 x cat, 1.0 x fd" \
        "no (the page cache cannot be dropped here)"
fi

# Peak memory of every field over /usr: the pool's window against one thread.
memory_tree=/usr
[ "${SMOKE:-0}" = 1 ] && memory_tree="$MODARIS_MODULE_FIXTURES"
pool_kib="$(peak_kib "$scan" -q -b 16,32,64,unknown --fields=all -d "$memory_tree")"
one_kib="$(peak_kib "$scan" -q -j 1 -b 16,32,64,unknown --fields=all -d "$memory_tree")"
row "peak resident KiB, --fields=all over $memory_tree" "$pool_kib ($cores threads)" "-j 1 $one_kib" \
    "$(ratio "$pool_kib" "$one_kib") x -j 1" "flat (at most 1.5 x)" "$(at_most "$(ratio "$pool_kib" "$one_kib")" 1.5)"
rm -rf "$work"
