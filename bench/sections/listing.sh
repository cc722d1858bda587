# Large directories: one of 200,000 and one of 800,000 empty files, walked
# with a name no file has, against find; the growth from the one to the
# other (four times the names: n log n allows 4.45 times the time, a read
# per batch of names as before would take 16), and what a listing holds per
# million names (the scan's peak resident size over that of a scan of an
# empty directory).
small_count=200000
large_count=800000
if [ "${SMOKE:-0}" = 1 ]; then small_count=2000; large_count=8000; fi
work="$(mktemp -d)"
make_files() {
    mkdir "$1"
    python3 -c 'import os, sys
for i in range(int(sys.argv[2])):
    os.close(os.open("%s/f%07d.dat" % (sys.argv[1], i), os.O_CREAT | os.O_WRONLY, 0o644))' "$1" "$2"
}
make_files "$work/small" "$small_count"
make_files "$work/large" "$large_count"
mkdir "$work/empty"
mapfile -t ms < <(median_ms "$scan -q -d $work/small -f nomatch.dll" "find $work/small -iname nomatch.dll" \
    "$scan -q -d $work/large -f nomatch.dll" "find $work/large -iname nomatch.dll")
small_ratio="$(ratio "${ms[0]}" "${ms[1]}")"
large_ratio="$(ratio "${ms[2]}" "${ms[3]}")"
row "one directory of $small_count files, median ms" "${ms[0]}" "find ${ms[1]}" "$small_ratio x find" \
    "at most 1.0 x find" "$(at_most "$small_ratio" 1.0)"
row "one directory of $large_count files, median ms" "${ms[2]}" "find ${ms[3]}" "$large_ratio x find" \
    "at most 1.0 x find" "$(at_most "$large_ratio" 1.0)"
growth="$(ratio "${ms[2]}" "${ms[0]}")"
row "$large_count files against $small_count, time" "$growth x" "find $(ratio "${ms[3]}" "${ms[1]}") x" "-" \
    "at most 4.45 x (n log n)" "$(at_most "$growth" 4.45)"
large_kib="$(peak_kib "$scan" -q -d "$work/large" -f nomatch.dll)"
empty_kib="$(peak_kib "$scan" -q -d "$work/empty" -f nomatch.dll)"
per_million="$(python3 -c "import sys; a, b, n = map(int, sys.argv[1:]); print('%.1f' % ((a - b) / 1024 * 1e6 / n))" \
    "$large_kib" "$empty_kib" "$large_count")"
row "memory per million names, MiB (peak resident, $large_count files against none)" "$per_million" \
    "peaks $large_kib KiB and $empty_kib KiB" "-" "at most 40" "$(at_most "$per_million" 40)"
rm -rf "$work"
