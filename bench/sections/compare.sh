# --compare of two inventories of a million rows each (--fields=all rows made
# from a real scan of Wine's x86_64 folder, under two mounts; the new one with
# 1% of its copies changed, 0.5% gone and 0.5% added) against the obvious
# pipeline: jq keys each row and keeps the compared fields, sort, diff. Also
# the peak memory against the size of the smaller file, which is held.
rows=1000000
template_folder="${wine_folders[1]}"
if [ "${SMOKE:-0}" = 1 ]; then rows=2000; template_folder="$MODARIS_MODULE_FIXTURES"; fi

work="$(mktemp -d)"
"$scan" -q -b 16,32,64,unknown --fields=all --format jsonl "$template_folder" > "$work/templates.jsonl"
python3 - "$work/templates.jsonl" "$rows" "$work/old.jsonl" "$work/new.jsonl" <<'PY'
import json, random, sys
templates = [json.loads(line) for line in open(sys.argv[1])]
rows = int(sys.argv[2])
random.seed(7)
def row(i, root, host):
    copy = dict(templates[i % len(templates)])
    name = copy["fileName"].rsplit("/", 1)[1]
    copy["fileName"] = "%s/Windows/WinSxS/pkg%06d/%s" % (root, i // len(templates), name)
    copy["host"] = host
    copy["foundUnder"] = root
    return copy
with open(sys.argv[3], "w") as old, open(sys.argv[4], "w") as new:
    for i in range(rows):
        old.write(json.dumps(row(i, "/mnt/a", "old-host"), separators=(",", ":")) + "\n")
        draw = random.random()
        if draw < 0.005:
            continue
        copy = row(i, "/mnt/b", "new-host")
        if draw < 0.015:
            copy["fileVersionNumber"] = "10.0.%d.1" % i
            copy["sha256"] = "%064x" % i
        new.write(json.dumps(copy, separators=(",", ":")) + "\n")
        if draw > 0.995:
            new.write(json.dumps(row(rows + i, "/mnt/b", "new-host"), separators=(",", ":")) + "\n")
PY
old_mib=$(( $(stat -c %s "$work/old.jsonl") / 1048576 ))
new_mib=$(( $(stat -c %s "$work/new.jsonl") / 1048576 ))
smaller_kib=$(( $(stat -c %s "$work/new.jsonl") / 1024 ))
# The peer keys a row as --compare does (its path under foundUnder, case
# folded) and compares the same fields; its differences go to a file, to be
# counted.
cat > "$work/peer.sh" <<'SH'
keyed() {
    jq -r '[(.fileName[(.foundUnder | length) + 1:] | ascii_downcase),
            (del(.host, .date, .modified, .foundUnder, .fileName) | tojson)] | @tsv' "$1" | LC_ALL=C sort
}
diff <(keyed "$1") <(keyed "$2") > "$3"
SH
ours="$scan --compare -q $work/old.jsonl $work/new.jsonl"
peer="bash $work/peer.sh $work/old.jsonl $work/new.jsonl $work/peer.out"
# Ours: the median of the usual runs, and the processor time, which the
# other work of a shared machine does not stretch. The peer takes minutes:
# one run.
json="$(mktemp)"
hyperfine --style none -i --warmup "$WARMUP" --runs "$RUNS" --export-json "$json" "$ours" >/dev/null 2>&1
read -r ours_ms ours_cpu_ms < <(python3 -c 'import json, sys
result = json.load(open(sys.argv[1]))["results"][0]
print("%.1f %.1f" % (result["median"] * 1000, (result["user"] + result["system"]) * 1000))' "$json")
rm -f "$json"
peer_ms="$(median_ms_with --runs 1 -i -- "$peer" 2>/dev/null)"
differences=$($ours | cut -f1,2 | sort -u | wc -l || true)
peer_differences=$(grep -c '^[<>]' "$work/peer.out" || true)
compare_ratio="$(ratio "$peer_ms" "$ours_ms")"
row "--compare of $rows against $rows rows ($old_mib and $new_mib MiB, $differences differences), median ms" \
    "$ours_ms" "jq + sort + diff $peer_ms ($peer_differences lines)" "$compare_ratio x faster" "at least 5 x" \
    "$(at_least "$compare_ratio" 5)"
rate="$(python3 -c "print('%.0f' % (($old_mib + $new_mib) / ($ours_cpu_ms / 1000)))")"
row "the same, processor time (user + system) ms, and MiB/s of jsonl read with RapidJSON" "$ours_cpu_ms ($rate MiB/s)" \
    "" "" "a few seconds: at most $((rows / 1000 * 6 + 500)) ms" "$(at_most "$ours_cpu_ms" $((rows / 1000 * 6 + 500)))"
compare_kib="$(peak_kib $ours)"
row "peak resident KiB, --compare of $rows against $rows rows" "$compare_kib" "the smaller file $smaller_kib" \
    "$(ratio "$compare_kib" "$smaller_kib") x its size" "at most 1.0 x the smaller file" \
    "$(at_most "$(ratio "$compare_kib" "$smaller_kib")" 1.0)"
rm -rf "$work"
