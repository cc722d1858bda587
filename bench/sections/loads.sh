# Which copy each program loads: the load list of every .exe in Wine's
# x86_64 folder, resolved in one run of modaris-scan --loads (each module
# read once, each search directory listed once), next to the plain
# scan of the same folder; time per program, modules per second, and the
# system calls per module read.
folder=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
[ "${SMOKE:-0}" = 1 ] && folder="$(pwd)/build/native/fixtures/loader/app"
windows_option=""
[ -d "${MODARIS_WINEPREFIX:-/nonexistent}/drive_c/windows" ] && windows_option="--windows=$MODARIS_WINEPREFIX/drive_c/windows"
programs=("$folder"/*.exe)
fields=program,importName,importedBy,depth,loadKind,foundBy,fileName,machine,builtin,problem
ours="$scan -q $windows_option --fields=$fields $(printf -- '--loads=%s ' "${programs[@]}")"
work="$(mktemp -d)"
$ours > "$work/rows.tsv" || true
rows="$(wc -l < "$work/rows.tsv")"
modules="$(cut -f7 "$work/rows.tsv" | sort -u | grep -c . || true)"
missing="$(cut -f10 "$work/rows.tsv" | grep -c . || true)"
# A missing module makes the scanner exit 1.
mapfile -t ms < <(median_ms_with "--runs=$RUNS" --ignore-failure -- "$ours" "$scan -q -n -d $folder")
per_program="$(python3 -c "print('%.2f' % (${ms[0]} / ${#programs[@]}))")"
rate="$(python3 -c "print('%.0f' % ($rows / (${ms[0]} / 1000.0)))")"
row "load lists of ${#programs[@]} programs ($rows rows, $modules modules, $missing with a problem), median ms" \
    "${ms[0]} ($per_program per program, $rate listed modules/s)" "plain scan of the folder ${ms[1]}" \
    "$(ratio "${ms[0]}" "${ms[1]}") x the scan" "at most 3 x the scan" \
    "$(at_most "$(ratio "${ms[0]}" "${ms[1]}")" 3)"
# Per module read: every call of the run (the start and the target's
# registry included) over the distinct modules, and the scan's over the
# modules of the folder.
calls="$(syscall_count "$ours")"
scan_calls="$(syscall_count "$scan -q -n -d $folder")"
folder_modules="$(find "$folder" -maxdepth 1 -type f \( -iname '*.dll' -o -iname '*.exe' \) | wc -l)"
per_module="$(python3 -c "print('%.2f' % ($calls / max($modules, 1)))")"
row "system calls per module of the load lists" "$per_module ($calls for $modules)" \
    "plain scan $(python3 -c "print('%.2f' % ($scan_calls / max($folder_modules, 1)))") per module" "-" \
    "at most 12" "$(at_most "$per_module" 12)"
syscall_table "$ours" >&2
rm -rf "$work"
