#!/usr/bin/env python3
"""Writes the verdict table of the signed test modules: the manifest,
osslsigncode, the native scanner and the Windows scanner under Wine.

Usage: write_verdicts.py NATIVE_SCAN WINDOWS_SCAN_EXE SIGNED_MODULE_DIR OUT.md
Run through verdicts.sh, which gives it a Wine session whose prefix trusts
the test root (the Windows build asks Windows' own trust store).
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written beside the sources
from verdicts import FIELDS, osslsigncode_verdict, read_manifest, scan

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wine-run.sh")


def cell(verdict):
    """check/trust, then the kind, digest, signer and time when there."""
    if verdict is None:
        return "—"
    if isinstance(verdict, str):
        return verdict
    text = "%s, %s" % (verdict["signatureCheck"], verdict["trust"])
    if verdict["signed"] not in ("embedded", "none"):
        text += ", " + verdict["signed"]
    extra = [verdict[field] for field in ("digestAlgorithm", "signer", "signedOn") if verdict.get(field)]
    return text + ("; " + ", ".join(extra) if extra else "")


def differs(ours, expected):
    if not isinstance(ours, dict):
        return ["no row"]
    return [field for field in FIELDS if ours[field] != expected[field]]


def main():
    native, windows, signed_dir, out = sys.argv[1:5]
    modules = os.path.join(signed_dir, "modules")
    root = os.path.join(signed_dir, "pki", "root.pem")
    manifest = read_manifest(signed_dir)

    native_rows, native_problem = scan([native], modules, root)
    wine_path = "Z:" + os.path.abspath(modules).replace("/", "\\")
    windows_rows, windows_problem = scan(["bash", WINE_RUN, windows], wine_path, None, timeout=300)
    wine_version = subprocess.run(["/usr/lib/wine/wine64", "--version"], stdout=subprocess.PIPE,
                                  text=True).stdout.strip()

    lines = ["# Signature verdicts of the signed test modules", "",
             "Written by `tests/signed_modules/verdicts.sh`; do not edit. Each cell: check, trust; then digest,",
             "signer and time when given. Trust is against the test root only (`--trust-roots=pki/root.pem`",
             "natively; under Wine the root is put in the prefix's Root store). `oracle` names the judge of the",
             "expected verdict: osslsigncode where it can judge, else the manifest, which follows Microsoft's rules",
             "where osslsigncode's differ (hostile certificate tables, a Lifetime Signing signer, the SPC types).",
             "Native and Windows cells that differ from the expected verdict are marked **(differs: fields)**.",
             "", "Windows scanner under %s." % wine_version, ""]
    if native_problem:
        lines += ["Native scanner: %s" % native_problem, ""]
    if windows_problem:
        lines += ["Windows scanner: %s" % windows_problem, ""]
    lines += ["| file | oracle | manifest | osslsigncode | ours, Linux | ours, Windows under Wine | what |",
              "|---|---|---|---|---|---|---|"]
    wine_misses = {}
    for row in manifest:
        name = row["fileName"]
        expected = {field: row[field] for field in FIELDS}
        theirs = osslsigncode_verdict(os.path.join(modules, name), root)
        theirs_cell = cell({k: (v if v is not None else "") for k, v in theirs.items()})
        cells = []
        for rows, problem in ((native_rows, native_problem), (windows_rows, windows_problem)):
            if problem:
                cells.append("—")
                continue
            ours = rows.get(name.lower())
            wrong = differs(ours, expected)
            cells.append(cell(ours if ours else "no row") + (" **(differs: %s)**" % ", ".join(wrong) if wrong else ""))
            if rows is windows_rows and wrong:
                wine_misses[name] = wrong
        lines.append("| %s | %s | %s | %s | %s | %s | %s |" % (name, row["oracle"], cell(expected), theirs_cell, *cells,
                                                           row["what"]))

    lines += ["", "## Where the Windows build under Wine differs", ""]
    if windows_problem:
        lines.append("Not known: the Windows scanner did not run.")
    elif not wine_misses:
        lines.append("Nowhere: every verdict matched the expected one.")
    else:
        by_fields = {}
        for name, wrong in wine_misses.items():
            by_fields.setdefault(", ".join(wrong), []).append(name)
        for fields, names in sorted(by_fields.items()):
            lines.append("- %s: %s" % (fields, ", ".join(sorted(names))))
    lines += ["", "## What Wine's WinVerifyTrust cannot give", "",
              "Measured under Wine 8.0 with WINTRUST_ACTION_GENERIC_VERIFY_V2 on these modules:", "",
              "- **untrusted** under a root the prefix does not hold: it returns success; the signer's chain "
              "context says CERT_TRUST_IS_UNTRUSTED_ROOT, which the Windows checker reads, so the verdict is right.",
              "- **an expired signer**: it returns success with a time stamp, with a damaged one and with none at "
              "all (the last measured on a module made by hand), where Windows judges the chain now unless a "
              "time stamp verifies; so too for a Lifetime Signing signer and for a time stamp whose authority's "
              "certificate had ended by its time, whose chains Windows judges now. Under Wine the Windows "
              "checker takes such a trust back itself: it judges the signer's certificate at the verified time stamp's time, "
              "else now, and now for Lifetime Signing.",
              "- **broken** for tables where Windows takes none, asked alone: a table past the end of the file, "
              "inside the headers, spliced in over the code, with bytes after it, an entry of length 0 or "
              "thousands of empty entries give TRUST_E_NOSIGNATURE (none); a table off its 8-byte boundary or "
              "moved over the last section gives TRUST_E_BAD_DIGEST (tampered); bytes after the last entry and "
              "an unknown revision give success (intact); an X.509 entry first crashes it (a page fault). The "
              "Windows checker finds these tables broken itself, in code shared with Linux, and does not ask it.",
              "- **broken** for PKCS#7 content Windows refuses: a foreign SPC data type, a foreign signed content "
              "type and a digest algorithm missing from digestAlgorithms give success (intact, trusted); the "
              "Windows checker reads the SignedData's structure itself first (one signer, the content types, "
              "the image's data, the listed algorithm) and calls such a signature broken; two SignerInfos (ERROR_INVALID_PARAMETER) "
              "and data after the DigestInfo (an ASN.1 error) are refused, and a blob it cannot decode gives an "
              "ASN.1 error (broken).",
              "- **signedOn** of an RFC 3161 time-stamp: the signer has no counter-signers, so the time-stamp's "
              "time is not given; without it the time is the signer's own claim.",
              "- **catalog**: no module is in a catalog of the prefix, and none can be made here; the Linux checker "
              "reads embedded signatures only."]
    with open(out, "w") as f:
        f.write("\n".join(lines) + "\n")
    print("wrote %s" % out)


if __name__ == "__main__":
    main()
