#!/bin/bash
# Writes tests/signed_modules/VERDICTS.md: every signed test module judged by
# the manifest, osslsigncode, the native modaris-scan and the Windows
# modaris-scan.exe under Wine, in a session of scripts/wine-session.sh whose
# throwaway prefix trusts the test root.
#   tests/signed_modules/verdicts.sh [NATIVE_BUILD [WINDOWS_BUILD]]
# Defaults build/native and build/win64 (64-bit Wine runs everywhere; use
# build/win32 where scripts/can-run-32bit-wine.sh succeeds). Both builds must
# be built, the native one with its tests (the signed modules).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here/../.."
native_build="${1:-build/native}"
windows_build="${2:-build/win64}"
source scripts/lib/enter-wine-session.sh "$here/verdicts.sh" "$native_build" "$windows_build"
signed="$native_build/fixtures/signed_modules"
for file in "$native_build/cli/modaris-scan" "$windows_build/cli/modaris-scan.exe" "$signed/manifest.tsv"; do
    [ -f "$file" ] || { echo "verdicts: $file is missing; build it first" >&2; exit 1; }
done

# The Windows build asks the system's Root store: the test root goes in as a
# serialized certificate (property 32, the encoded certificate) under its
# SHA-1 thumbprint, where Windows and Wine keep the machine's roots.
source scripts/lib/wine-prefix.sh
modaris_wine_environment
modaris_wine_prefix_ready
root="$signed/pki/root.pem"
thumbprint="$(openssl x509 -in "$root" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')"
der="$(openssl x509 -in "$root" -outform der | od -An -v -tx1 | tr -d ' \n')"
length="$(printf '%08x' $((${#der} / 2)))"
length_le="${length:6:2}${length:4:2}${length:2:2}${length:0:2}"
/usr/lib/wine/wine64 reg add "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\$thumbprint" \
    /v Blob /t REG_BINARY /d "2000000001000000$length_le$der" /f >/dev/null

python3 "$here/write_verdicts.py" "$native_build/cli/modaris-scan" "$windows_build/cli/modaris-scan.exe" \
    "$signed" "$here/VERDICTS.md"
