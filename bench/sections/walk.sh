# The walk alone: a name no file has, over /usr, against find and fd.
tree=/usr
[ "${SMOKE:-0}" = 1 ] && tree=/usr/share/doc
mapfile -t ms < <(median_ms \
    "$scan -q -d $tree -f nomatch.dll" \
    "find $tree -iname nomatch.dll" \
    "fdfind -u -g nomatch.dll $tree")
row "walk of $tree, median ms" "${ms[0]}" "find ${ms[1]}" "$(ratio "${ms[0]}" "${ms[1]}") x find" "at most 1.0 x find" \
    "$(at_most "$(ratio "${ms[0]}" "${ms[1]}")" 1.0)"
row "walk of $tree, median ms" "${ms[0]}" "fdfind -u ${ms[2]}" "$(ratio "${ms[0]}" "${ms[2]}") x fd" "(peer figure)" "-"
