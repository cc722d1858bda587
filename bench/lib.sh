# Shared by the benchmark sections. Each section prints table rows:
#   | figure | Modaris | peer | ratio | target | met |
# SMOKE=1 runs every step once on small inputs and checks only that it works.

RUNS="${RUNS:-7}"
WARMUP="${WARMUP:-2}"
if [ "${SMOKE:-0}" = 1 ]; then RUNS=2; WARMUP=0; fi

scan=build/native/cli/modaris-scan
wine_folders=(/usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

# Medians in milliseconds of the given commands, one per line, by hyperfine.
median_ms() {
    local json
    json="$(mktemp)"
    hyperfine --style none --warmup "$WARMUP" --runs "$RUNS" --export-json "$json" "$@" >/dev/null
    python3 -c 'import json, sys
for result in json.load(open(sys.argv[1]))["results"]:
    print("%.1f" % (result["median"] * 1000))' "$json"
    rm -f "$json"
}

# ratio A B: A / B with two decimals.
ratio() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$1" "$2"; }

# at_most VALUE LIMIT / at_least VALUE LIMIT: "yes" or "no".
at_most() { python3 -c "import sys; print('yes' if float(sys.argv[1]) <= float(sys.argv[2]) else 'no')" "$1" "$2"; }
at_least() { python3 -c "import sys; print('yes' if float(sys.argv[1]) >= float(sys.argv[2]) else 'no')" "$1" "$2"; }

row() { printf '| %s | %s | %s | %s | %s | %s |\n' "$@"; }

# Peak resident size in KiB of a command (its output discarded).
peak_kib() {
    /usr/bin/time -f '%M' -o /tmp/modaris-bench-time.$$ "$@" >/dev/null 2>&1 || true
    tail -1 /tmp/modaris-bench-time.$$
    rm -f /tmp/modaris-bench-time.$$
}

# median_ms_with HYPERFINE_OPTION... -- COMMAND...: medians as median_ms
# gives them, with more options for hyperfine (a --prepare, a --runs).
median_ms_with() {
    local options=() json
    while [ "$1" != -- ]; do options+=("$1"); shift; done
    shift
    json="$(mktemp)"
    hyperfine --style none --warmup 0 "${options[@]}" --export-json "$json" "$@" >/dev/null
    python3 -c 'import json, sys
for result in json.load(open(sys.argv[1]))["results"]:
    print("%.1f" % (result["median"] * 1000))' "$json"
    rm -f "$json"
}

# cpu_ms COMMAND: the mean user and system times of a command in ms, as
# hyperfine measures them ("USER SYSTEM").
cpu_ms() {
    local json
    json="$(mktemp)"
    hyperfine --style none --warmup "$WARMUP" --runs "$RUNS" --export-json "$json" "$1" >/dev/null
    python3 -c 'import json, sys
result = json.load(open(sys.argv[1]))["results"][0]
print("%.1f %.1f" % (result["user"] * 1000, result["system"] * 1000))' "$json"
    rm -f "$json"
}

# The system calls a command makes, every thread counted (strace -f -c),
# its output discarded: all of them, or those of the names given after it.
syscall_count() {
    local log
    log="$(mktemp)"
    strace -f -c -o "$log" sh -c "exec $1" >/dev/null 2>&1 || true
    shift
    python3 -c 'import sys
names = set(sys.argv[2:])
total = 0
for line in open(sys.argv[1]):
    fields = line.split()
    if not fields or not fields[0][0].isdigit(): continue
    if (not names and fields[-1] == "total") or fields[-1] in names: total += int(fields[3])
print(total)' "$log" "$@"
    rm -f "$log"
}

# The calls of a command by name, for the log of the run.
syscall_table() {
    local log
    log="$(mktemp)"
    strace -f -c -o "$log" sh -c "exec $1" >/dev/null 2>&1 || true
    echo "strace -f -c $1:"
    head -14 "$log"
    rm -f "$log"
}
