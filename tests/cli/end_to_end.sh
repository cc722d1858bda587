#!/bin/bash
# modaris-scan as a user runs it: options, formats, exit codes, Ctrl+C.
# Usage: end_to_end.sh MODARIS_SCAN FIXTURE_DIR
set -uo pipefail
scan="$1"
fixtures="$2"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
failures=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1"; echo "  expected: $2"; echo "  actual:   $3"
        failures=$((failures + 1))
    fi
}

mkdir -p "$tree/sub"
cp "$fixtures/v1_2_3_4_x86.dll" "$tree/one.dll"
cp "$fixtures/product6_1_7601_17514_file10_0_19041_1_x64.dll" "$tree/sub/Two.DLL"
cp "$fixtures/v1_2_3_4_x86.dll" "$tree/sub/tab	name.dll"
cp "$fixtures/v1_2_3_4_x86.dll" "$tree/sub/$(printf 'bad\xffname.dll')"
printf 'not a module' > "$tree/sub/text.dll"
touch -d "2026-12-07 09:05:59" "$tree/one.dll"

# tsv: the window's export text, one line per row, CR LF.
out="$("$scan" -q -d "$tree" -f one.dll | od -An -c | tr -s ' ' | tr -d '\n')"
row="$(TZ="${TZ:-}" "$scan" -q -d "$tree" -f one.dll)"
check "tsv row" "1.000200.3.000400	1.000200.3.000400	$(date -d '2026-12-07 09:05:59' '+%d/%m/%Y  %H:%M')	32	Modaris Simple Ltd	$tree/one.dll	"$'\r' "$row"
check "tsv ends in CR LF" '\r \n' "$(printf '%s' "$out" | grep -o '\\r \\n$')"
check "every module below" 4 "$("$scan" -q -d "$tree" | wc -l)"
check "no subdirectories" 1 "$("$scan" -q -n -d "$tree" | wc -l)"
check "unknown bitness" 1 "$("$scan" -q -b unknown -d "$tree" | wc -l)"
check "filter ignores ASCII case" 1 "$("$scan" -q -f two.dll -d "$tree" | wc -l)"
check "a name given twice is one name" 1 "$("$scan" -q -f 'one.dll;ONE.DLL' -d "$tree" | wc -l)"
check "a trailing ';' takes no more" 1 "$("$scan" -q -f 'one.dll;' -d "$tree;" | wc -l)"
check "second directory" 7 "$("$scan" -q -d "$tree;$tree/sub" | wc -l)"
check "a tab in a name is a space" 1 "$("$scan" -q -d "$tree" | grep -c $'tab name.dll\t\r$')"

# csv and jsonl read back whole.
csv="$("$scan" -q --format csv -d "$tree/sub" -b 32,64,unknown)"
check "csv heading" "Prod Ver,File Ver,Date Ver,Bit,Company,Filename"$'\r' "$(printf '%s\n' "$csv" | head -1)"
if command -v python3 >/dev/null; then
    check "csv rows" 4 "$(printf '%s' "$csv" | python3 -c 'import csv,sys; print(sum(1 for _ in csv.reader(sys.stdin)) - 1)')"
    check "jsonl rows" "4 True" "$("$scan" -q --format jsonl -d "$tree/sub" -b 32,64,unknown |
        python3 -c 'import json, sys; rows = [json.loads(l) for l in sys.stdin]; print(len(rows), any("bad\udcffname" in r["fileName"] for r in rows))')"
fi

# The count on standard error; quiet means nothing there.
check "count (the filtered-out text.dll too)" "DLLs: 5" "$("$scan" -d "$tree" 2>&1 >/dev/null)"
check "quiet" "" "$("$scan" -q -d "$tree" 2>&1 >/dev/null)"
check "sysinfo first" "OS Version" "$("$scan" -q -s -d "$tree" | head -1 | cut -f1)"
# What cannot be listed is told on standard error; the scan goes on; exit 1.
message="$("$scan" -q -f one.dll "$tree/missing" "$tree" 2>&1 >"$tree/out.tsv")"; status=$?
check "missing directory status" 1 "$status"
check "missing directory message" "modaris-scan: cannot list '$tree/missing': No such directory" "$message"
check "the scan goes on" 1 "$(wc -l < "$tree/out.tsv")"
message="$("$scan" -q -f one.dll "$tree" 2>&1 >/dev/full)"; status=$?
check "full disk status" 1 "$status"
check "full disk message" "modaris-scan: cannot write the rows: No space left on device" "$message"
check "a reader that leaves early" "" "$("$scan" -q -d "$tree" 2>&1 >/dev/null | head -c0)"
# More rows than a pipe holds: the reader's leaving is a failed write, not a
# SIGPIPE, and ends the scan with status 0.
many="$(printf "$tree;%.0s" $(seq 300))"
"$scan" -q --fields=all --format jsonl -d "$many" 2>/dev/null | head -1 >/dev/null
check "a reader that leaves early: status 0" 0 "${PIPESTATUS[0]}"

# Plain arguments are directories, each one whole; -d and -f add up.
mkdir -p "$tree/semi;colon"
cp "$fixtures/v1_2_3_4_x86.dll" "$tree/semi;colon/three.dll"
check "a directory named with ';'" 1 "$("$scan" -q "$tree/semi;colon" | wc -l)"
check "repeated -f and -d" 3 "$("$scan" -q -n -f one.dll -f three.dll -d "$tree" "$tree/semi;colon" -d "$tree" | wc -l)"
cp "$fixtures/v1_2_3_4_x86.dll" "$tree/driver.sys"
check "extensions replace the five" "$tree/driver.sys" "$("$scan" -q -n --extensions=sys "$tree" | cut -f6)"

# Fields by name: typed jsonl, and the facts of the file itself.
if command -v python3 >/dev/null; then
    check "fields as jsonl" "1.2.3.4 i386 True $(stat -c %s "$tree/one.dll") $(sha256sum "$tree/one.dll" | cut -d' ' -f1) None" \
        "$("$scan" -q -n -f one.dll --fields=fileVersionNumber,machine,managed,size,sha256,bits --format jsonl -b unknown,32 "$tree" |
           python3 -c 'import json,sys; r=json.loads(sys.stdin.readline()); print(r["fileVersionNumber"], r["machine"], r["managed"] is False, r["size"], r["sha256"], r.get("nothing"))')"
    check "no module: null facts" "None None None" \
        "$("$scan" -q -f text.dll -b unknown --fields=machine,fileVersionNumber,bits --format jsonl "$tree/sub" |
           python3 -c 'import json,sys; r=json.loads(sys.stdin.readline()); print(r["machine"], r["fileVersionNumber"], r["bits"])')"
fi
check "tsv heading" "fileName	size	"$'\r' "$("$scan" -q --fields=fileName,size --header -f one.dll "$tree" | head -1)"

# Bad usage: one message naming it, a hint, exit 2.
message="$("$scan" --bits=8 2>&1)"; status=$?
check "bad bits status" 2 "$status"
check "bad bits message" "modaris-scan: invalid bitness '8' in --bits (use 16, 32, 64 and unknown, separated by commas)" \
    "$(printf '%s\n' "$message" | head -1)"
"$scan" --frobnicate >/dev/null 2>&1; check "unknown option status" 2 "$?"
message="$("$scan" -q --trust-roots="$tree/no-such-roots.pem" --fields=trust "$tree" 2>&1)"; status=$?
check "missing trust roots status" 2 "$status"
case "$message" in *no-such-roots.pem*) ;; *) check "missing trust roots names the path" "$tree/no-such-roots.pem" "$message" ;; esac
# An unsigned module: a verdict, not a failure; the hash comes from the same read.
# A file that cannot be read has no verdict at all.
ln -s "$tree/no-such-file" "$tree/gone.dll"
check "unreadable module" "null null null" \
    "$("$scan" -q -n -f gone.dll -b unknown --fields=signed,signatureCheck,sha256 --format jsonl "$tree" | python3 -c 'import json,sys; r=json.loads(sys.stdin.readline()); print(*["null" if r[k] is None else r[k] for k in ("signed","signatureCheck","sha256")])')"
rm "$tree/gone.dll"
check "unsigned module" "none none $(sha256sum "$tree/one.dll" | cut -d' ' -f1)" \
    "$("$scan" -q -n -f one.dll --fields=signed,signatureCheck,sha256 "$tree" | tr -d '\r' | awk -F'\t' '{print $1, $2, $3}')"
"$scan" --help > "$tree/help.txt"; check "help status" 0 "$?"
grep -q -- '--all-drives' "$tree/help.txt"; check "help" 0 "$?"

# Ctrl+C stops as "Stop" does: the rows so far, whole, and exit 130.
big="$tree/big"
for d in $(seq 1 40); do mkdir -p "$big/d$d"; for f in $(seq 1 200); do : > "$big/d$d/m$f.dll"; done; done
"$scan" -q -b unknown -d "$big" > "$tree/partial.tsv" &
pid=$!
sleep 0.2
kill -INT "$pid"
wait "$pid"; status=$?
if [ "$status" = 0 ]; then
    echo "note: the scan ended before the interrupt"
else
    check "interrupt status" 130 "$status"
fi
check "interrupted rows whole" 0 "$(grep -vc $'\t\r$' "$tree/partial.tsv")"

[ "$failures" -eq 0 ] && echo "end to end: all checks passed" || echo "end to end: $failures failed"
exit $((failures > 0))
