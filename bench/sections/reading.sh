# Every module of Wine's two DLL folders read in full (versions, company,
# bitness) against a pefile script and exiftool; the answers compared.
folders=("${wine_folders[@]}")
if [ "${SMOKE:-0}" = 1 ]; then folders=("$MODARIS_MODULE_FIXTURES"); fi
joined="$(IFS=';'; echo "${folders[*]}")"
work="$(mktemp -d)"
"$scan" -q -b 16,32,64,unknown -d "$joined" > "$work/modaris.tsv"
bench/pefile_versions.py "${folders[@]}" > "$work/pefile.tsv"
exif=(exiftool -q -r -T -ext dll -ext exe -ext ocx -ext arx -ext bpl
      -Directory -FileName -ProductVersionNumber -FileVersionNumber -CompanyName)
"${exif[@]}" "${folders[@]}" > "$work/exiftool.tsv"
bench/compare_answers.py "$work/modaris.tsv" "$work/pefile.tsv" "$work/exiftool.tsv" > "$work/compare.txt" || true
files="$(sed -n 's/^files read by all three: //p' "$work/compare.txt")"
differences="$(sed -n 's/^differences: //p' "$work/compare.txt")"
sed -n '4,13p' "$work/compare.txt" >&2

mapfile -t ms < <(median_ms \
    "$scan -q -b 16,32,64,unknown -d '$joined'" \
    "bench/pefile_versions.py ${folders[*]}" \
    "${exif[*]} ${folders[*]}")
pefile_ratio="$(ratio "${ms[1]}" "${ms[0]}")"
exif_ratio="$(ratio "${ms[2]}" "${ms[0]}")"
row "inspection of $files modules, median ms" "${ms[0]}" "pefile ${ms[1]}" "$pefile_ratio x faster" "at least 100 x" \
    "$(at_least "$pefile_ratio" 100)"
row "inspection of $files modules, median ms" "${ms[0]}" "exiftool ${ms[2]}" "$exif_ratio x faster" "at least 30 x" \
    "$(at_least "$exif_ratio" 30)"
# What the inspection cannot go below: the program's start, and its walk of
# the same folders with a name no file has; the rest is the reading itself,
# per module, most of it in the kernel (the system calls counted below).
mapfile -t floor < <(median_ms "$scan --version" \
    "$scan -q -f nomatch.dll -b 16,32,64,unknown -d '$joined'")
read -r inspect_user inspect_system < <(cpu_ms "$scan -q -b 16,32,64,unknown -d '$joined'")
per_module_us="$(python3 -c "print('%.1f' % ((${ms[0]} - ${floor[1]}) * 1000 / $files))")"
row "inspection of $files modules: start and walk alone (no name matches), median ms" "${floor[1]}" \
    "start alone ${floor[0]}" "pefile / this: $(ratio "${ms[1]}" "${floor[1]}") x" "(the most the walk allows)" "-"
row "inspection of $files modules: the reading, per module, microseconds" "$per_module_us" \
    "user ${inspect_user} ms, system ${inspect_system} ms in all" "-" "(100 x pefile would leave $(python3 -c "print('%.1f' % ((${ms[1]} / 100 - ${floor[1]}) * 1000 / $files))"))" "-"
row "answers that differ from pefile or exiftool" "$differences of $files" "-" "-" "0" \
    "$([ "$differences" = 0 ] && echo yes || echo no)"
rm -rf "$work"

# System calls per inspected module, on Wine's i386 folder: the scan's calls
# beyond those of the same walk with a name no file has, per module.
i386="${folders[0]}"
i386_modules="$("$scan" -q -b 16,32,64,unknown -d "$i386" | wc -l)"
read_calls="$(syscall_count "$scan -q -b 16,32,64,unknown -d '$i386'")"
walk_calls="$(syscall_count "$scan -q -f nomatch.dll -b 16,32,64,unknown -d '$i386'")"
per_module="$(python3 -c "print('%.2f' % (($read_calls - $walk_calls) / $i386_modules))")"
row "system calls per inspected module, $i386_modules modules of $(basename "$i386")" "$per_module" "-" "-" \
    "at most 6" "$(at_most "$per_module" 6)"
syscall_table "$scan -q -b 16,32,64,unknown -d '$i386'" >&2
