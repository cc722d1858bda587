# Bytes read per inspected module, counted from the system calls, against
# the modules' sizes.
folders=("${wine_folders[@]}")
if [ "${SMOKE:-0}" = 1 ]; then folders=("$MODARIS_MODULE_FIXTURES"); fi
joined="$(IFS=';'; echo "${folders[*]}")"
log="$(mktemp)"
strace -f -y -e trace=read,pread64 -o "$log" "$scan" -q -b 16,32,64,unknown -d "$joined" >/dev/null
declare -A bytes
while read -r key value; do bytes[$key]="$value"; done < <(bench/bytes_read.py "$log")
rm -f "$log"
row "bytes read per module, median of ${bytes[modules]}" "${bytes[median_read]}" \
    "median size ${bytes[median_size]}" "-" "at most 65536" "$(at_most "${bytes[median_read]}" 65536)"
row "bytes read per module, maximum" "${bytes[max_read]}" "largest module ${bytes[max_size]}" "-" "(flat)" "-"
