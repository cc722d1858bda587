#!/bin/bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# bounded time: the version reader driven through the engine's queries, the
# bitness probe, and the signature checker (certificate table, Authenticode
# digest, PKCS#7). Exits non-zero on any finding; prints per target the
# executions and the time.
#
#   scripts/fuzz.sh [seconds-per-target]     (default 120, at most 120)
#
# Needs clang and libFuzzer's runtime (Debian: clang, libclang-rt-14-dev)
# besides the project's other packages (MinGW builds the seed modules).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz"

seconds="${1:-120}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
    echo "usage: $0 [seconds-per-target]   (1 to 120, default 120)" >&2
    exit 2
fi
if [ "$seconds" -gt 120 ]; then
    echo "fuzz: $seconds s per target is more than 120; running 120" >&2
    seconds=120
fi

for tool in clang clang++; do
    if ! command -v "$tool" >/dev/null; then
        echo "fuzz: $tool not found (Debian packages clang and libclang-rt-14-dev)" >&2
        exit 1
    fi
done

if ! ls "$(clang --print-runtime-dir)"/libclang_rt.fuzzer-*.a >/dev/null 2>&1; then
    echo "fuzz: clang has no libFuzzer runtime (Debian package libclang-rt-14-dev)" >&2
    exit 1
fi

mkdir -p "$build"
# MODARIS_FUZZ adds the fuzzer's coverage to the sanitizers' flags of the
# whole build (cmake/CompilerSettings.cmake); the preset "fuzz" sets it, with
# clang and the sanitizers.
(cd "$root" && cmake --preset fuzz) >"$build/fuzz-configure.log" 2>&1 ||
    { cat "$build/fuzz-configure.log" >&2; exit 1; }
(cd "$root" && cmake --build --preset fuzz -j2)

# Seeds: the compiled fixture modules and the crafted images, gathered
# afresh each run. Past findings are left to fuzz_replay_tests: a hostile
# one (thousands of translations) would slow every mutation made from it.
seeds="$build/fuzz-seeds"
rm -rf "$seeds"
mkdir -p "$seeds"
cp "$build"/fixtures/modules/* "$seeds"/
"$build/tests/fuzz/modaris_fuzz_seed_writer" "$seeds"

# The signature checker's: the signed test modules, and the PKCS#7 blob of
# each one's certificate table on its own (the target reads an input that is
# no MS-DOS image as such a blob).
signature_seeds="$build/fuzz-seeds-signature"
rm -rf "$signature_seeds"
mkdir -p "$signature_seeds"
cp "$build"/fixtures/signed_modules/modules/* "$signature_seeds"/
python3 - "$signature_seeds" <<'PY'
import os, struct, sys
folder = sys.argv[1]
for name in sorted(os.listdir(folder)):
    data = open(os.path.join(folder, name), "rb").read()
    try:
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        magic = struct.unpack_from("<H", data, pe + 24)[0]
        entry = pe + 24 + (96 if magic == 0x10B else 112) + 4 * 8
        address, size = struct.unpack_from("<II", data, entry)
        length, _, kind = struct.unpack_from("<IHH", data, address)
    except struct.error:
        continue
    if size and kind == 2 and 8 < length <= size and address + length <= len(data):
        open(os.path.join(folder, name + ".p7"), "wb").write(data[address + 8:address + length])
PY

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

failed=0
summary=()
for target in version_reader_fuzzer module_bitness_fuzzer signature_fuzzer; do
    corpus="$build/fuzz-corpus/$target"     # kept between runs: it grows
    findings="$build/fuzz-findings/$target"
    log="$build/fuzz-logs/$target.log"
    mkdir -p "$corpus" "$findings" "$(dirname "$log")"
    echo "=== $target: $seconds s ==="
    extra=()
    target_seeds="$seeds"
    [ "$target" = signature_fuzzer ] && target_seeds="$signature_seeds"
    dictionary="$root/tests/fuzz/${target%_fuzzer}.dict"
    [ -f "$dictionary" ] && extra+=(-dict="$dictionary")
    status=0
    # A unit slower than 10 s counts as a hang. Inputs up to 72 KiB: room for
    # a version block of the full 64 KiB and the headers before it.
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=73728 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
        "${extra[@]}" "$corpus" "$target_seeds" >"$log" 2>&1 || status=$?
    done_line="$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | tail -1 || true)"
    if [ "$status" -ne 0 ]; then
        failed=1
        tail -n 60 "$log"
        echo "FINDING in $target (exit $status); inputs kept in $findings:" >&2
        ls -1 "$findings" >&2 || true
        summary+=("$target: FINDING (exit $status) ${done_line}")
    else
        summary+=("$target: ${done_line:-no final line, see $log}")
    fi
done

echo "=== fuzz summary ($seconds s per target) ==="
printf '%s\n' "${summary[@]}"
if [ "$failed" -ne 0 ]; then
    echo "Copy each finding into tests/fuzz/regressions/ with its expected answer in fuzz_replay_test.cpp." >&2
fi
exit "$failed"
