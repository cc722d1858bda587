# The fields over Wine's two DLL folders against exiftool reading the same
# tags (every field but the hash, which exiftool does not compute: reading
# each file whole costs what the hash rate below says); the hash rate against
# sha256sum over the same files; the default scan's figures are the reading
# section's.
folders=("${wine_folders[@]}")
if [ "${SMOKE:-0}" = 1 ]; then folders=("$MODARIS_MODULE_FIXTURES"); fi
exif=(exiftool -q -q -j -r -ext dll -ext exe -ext ocx -ext arx -ext bpl
      -FileVersionNumber -ProductVersionNumber -FileVersion -ProductVersion -FileDescription -ProductName
      -OriginalFileName -InternalName -LegalCopyright -LanguageCode -CharacterSet -FileFlags -MachineType
      -Subsystem -TimeStamp -FileSize -FileModifyDate)
modules=$("$scan" -q -b 16,32,64,unknown "${folders[@]}" | wc -l)
tags=productVersion,fileVersion,date,bits,company,fileName,fileVersionNumber,productVersionNumber
tags+=,fileVersionText,productVersionText,fileDescription,productName,originalFilename,internalName
tags+=,legalCopyright,translation,fileFlags,machine,subsystem,managed,linkTime,size,modified,host
list="$(mktemp)"
"$scan" -q -b 16,32,64,unknown --fields=fileName "${folders[@]}" | tr -d '\r' | cut -f1 > "$list"
bytes=$(tr '\n' '\0' < "$list" | du -cb --files0-from=- | tail -1 | cut -f1)

mapfile -t ms < <(median_ms \
    "$scan -q -b 16,32,64,unknown --fields=$tags --format jsonl ${folders[*]}" \
    "${exif[*]} ${folders[*]}" \
    "$scan -q -b 16,32,64,unknown --fields=sha256 ${folders[*]}" \
    "tr '\\n' '\\0' < $list | xargs -0 sha256sum")
exif_ratio="$(ratio "${ms[1]}" "${ms[0]}")"
row "every field but sha256 over $modules modules, median ms" "${ms[0]}" "exiftool ${ms[1]}" "$exif_ratio x faster" \
    "at least 30 x" "$(at_least "$exif_ratio" 30)"
ours_rate="$(python3 -c "print('%.0f' % ($bytes / 1048576 / (${ms[2]} / 1000)))")"
sum_rate="$(python3 -c "print('%.0f' % ($bytes / 1048576 / (${ms[3]} / 1000)))")"
hash_ratio="$(ratio "$ours_rate" "$sum_rate")"
row "SHA-256 of $modules modules ($((bytes / 1048576)) MiB), MiB/s" "$ours_rate" "sha256sum $sum_rate" \
    "$hash_ratio x its rate" "at least 0.9 x" "$(at_least "$hash_ratio" 0.9)"
rm -f "$list"
