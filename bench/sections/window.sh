# The window under Wine: time to the last row for Wine's i386 folder against
# modaris-scan.exe, and a scan of a generated tree of small real modules that
# yields many rows (hard links of one test module).
bench_exe=build/win64/bench/window/window_bench.exe
wine_path() { echo "Z:${1//\//\\}"; }
declare -A figure
# Lines without a key (a failure's report) are not figures.
collect() { while IFS=: read -r key value; do if [ -n "$key" ]; then figure[$key]="${value# }"; fi; done; }

folder="${wine_folders[0]}"
[ "${SMOKE:-0}" = 1 ] && folder="$(cd "$MODARIS_MODULE_FIXTURES" && pwd)"
collect < <(scripts/wine-run.sh "$bench_exe" --folder "$(wine_path "$folder")" 2>/dev/null | tr -d '\r')
row "window: \"&Collect Info\" to last row, ${figure[window rows]} modules, ms" "${figure[window ms to last row]}" \
    "modaris-scan.exe to exit ${figure[console ms to exit]}" \
    "$(ratio "${figure[window ms to last row]}" "${figure[console ms to exit]}")" "(Wine's version.dll in both)" "-"

folders=200
per_folder=100
[ "${SMOKE:-0}" = 1 ] && { folders=3; per_folder=10; }
tree="$(mktemp -d)"
for ((f = 0; f < folders; ++f)); do
    mkdir "$tree/d$f"
    for ((m = 0; m < per_folder; ++m)); do
        ln "$MODARIS_MODULE_FIXTURES/v1_2_3_4_x86.dll" "$tree/d$f/m$m.dll"
    done
done
figure=()
collect < <(scripts/wine-run.sh "$bench_exe" --load "$(wine_path "$tree")" 2>/dev/null | tr -d '\r')
# The same tree through the console scanner: what the window adds to a scan.
console_exe=build/win64/cli/modaris-scan.exe
started="$(date +%s.%N)"
console_rows="$(scripts/wine-run.sh "$console_exe" -q -d "$(wine_path "$tree")" 2>/dev/null | wc -l)"
console_rate="$(python3 -c "import sys; print('%.0f' % (int(sys.argv[1]) / (float(sys.argv[3]) - float(sys.argv[2]))))" \
    "$console_rows" "$started" "$(date +%s.%N)")"
rm -rf "$tree"
row "window: rows per second, ${figure[rows]} rows" "${figure[rows per second]}" \
    "modaris-scan.exe $console_rate" "$(ratio "${figure[rows per second]}" "$console_rate")" "(at least 20,000 rows)" \
    "$(at_least "${figure[rows]}" 20000)"
row "window: longest timer tick (TransferPendingResults and status), ms" "${figure[longest timer tick ms]}" \
    "${figure[ticks over 100 ms]} ticks over 100 ms" "-" "no tick over 100" \
    "$(at_most "${figure[longest timer tick ms]}" 100)"
row "window: longest wait of the window thread, ms" "${figure[longest wait of the window thread ms]}" \
    "${figure[answers slower than 100 ms]} answers over 100 ms" "-" "(repaints and clicks wait this long)" "-"
row "window: click on \"&Stop\" taken after, ms" "${figure[stop click taken ms]}" \
    "scan ended after ${figure[stop to scan end ms]}" "-" "within 200" "$(at_most "${figure[stop click taken ms]}" 200)"
