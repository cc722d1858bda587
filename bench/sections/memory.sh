# Peak memory: a scan of a small folder, a scan of the whole file system,
# and one module padded to 3 GiB as a sparse file, whose answers must stay.
small="${wine_folders[0]}"
whole=/
if [ "${SMOKE:-0}" = 1 ]; then small="$MODARIS_MODULE_FIXTURES"; whole=/usr/share/doc; fi
small_kib="$(peak_kib "$scan" -q -b 16,32,64,unknown -d "$small")"
whole_kib="$(peak_kib "$scan" -q -b 16,32,64,unknown -d "$whole")"
row "peak resident KiB, scan of $whole" "$whole_kib" "scan of one folder $small_kib" \
    "$(ratio "$whole_kib" "$small_kib")" "flat (about 1.0)" "$(at_most "$(ratio "$whole_kib" "$small_kib")" 1.5)"

work="$(mktemp -d)"
cp "$MODARIS_MODULE_FIXTURES/product6_1_7601_17514_file10_0_19041_1_x64.dll" "$work/small.dll"
cp "$work/small.dll" "$work/padded.dll"
truncate -s 3G "$work/padded.dll"
answer() { "$scan" -q -f "$1" -b 16,32,64,unknown -d "$work" | cut -f1,2,4,5; }
same="$([ "$(answer small.dll)" = "$(answer padded.dll)" ] && echo yes || echo no)"
padded_kib="$(peak_kib "$scan" -q -f padded.dll -d "$work")"
small_module_kib="$(peak_kib "$scan" -q -f small.dll -d "$work")"
row "peak resident KiB, one module padded to 3 GiB" "$padded_kib" "same module unpadded $small_module_kib" \
    "$(ratio "$padded_kib" "$small_module_kib")" "flat, same answers" \
    "$([ "$same" = yes ] && at_most "$(ratio "$padded_kib" "$small_module_kib")" 1.5 || echo no)"
rm -rf "$work"
