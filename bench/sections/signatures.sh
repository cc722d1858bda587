# The signature fields over a tree of signed modules (copies of the signed
# test modules: intact, time-stamped, dual, tampered, broken, hostile tables)
# against osslsigncode verifying each file in turn, as a user without
# modaris-scan would.
signed="$MODARIS_SIGNED_MODULES"
copies=10
if [ "${SMOKE:-0}" = 1 ]; then copies=1; fi
tree="$(mktemp -d)"
for copy in $(seq "$copies"); do
    mkdir "$tree/$copy"
    cp "$signed"/modules/* "$tree/$copy/"
done
modules=$(find "$tree" -type f | wc -l)
root="$signed/pki/root.pem"
signature_fields=signed,signer,signedOn,digestAlgorithm,signatureCheck,trust,fileName

mapfile -t ms < <(median_ms \
    "$scan -q -b 16,32,64,unknown --fields=$signature_fields --format jsonl --trust-roots=$root $tree" \
    "find $tree -type f -exec osslsigncode verify -CAfile $root -TSA-CAfile $root -in {} ';'")
signature_ratio="$(ratio "${ms[1]}" "${ms[0]}")"
row "signature fields of $modules modules, median ms" "${ms[0]}" "osslsigncode verify ${ms[1]}" \
    "$signature_ratio x faster" "at least 10 x" "$(at_least "$signature_ratio" 10)"
rm -rf "$tree"
