#!/usr/bin/env python3
"""The signature fields of modaris-scan against osslsigncode's verify on every
signed test module. Where osslsigncode cannot judge (hostile certificate
tables) the manifest's verdict is the oracle. The scan must finish, exit 0 and
list every module once.

Usage: compare_with_osslsigncode.py MODARIS_SCAN SIGNED_MODULE_DIR
"""

import os
import sys

sys.dont_write_bytecode = True  # nothing written beside the sources
from make_signed_modules import OTHER_SIGNER
from verdicts import FIELDS, osslsigncode_verdict, read_manifest, scan

faults = []


def check_rows(label, rows, expected):
    missing = sorted(set(expected) - set(rows))
    extra = sorted(set(rows) - set(expected))
    if missing or extra:
        faults.append("%s: modules not listed %s, rows for no module %s" % (label, missing, extra))
    for name in sorted(set(expected) & set(rows)):
        wrong = ["%s %r, expected %r" % (field, rows[name][field], expected[name][field])
                 for field in FIELDS if rows[name][field] != expected[name][field]]
        if wrong:
            faults.append("%s: %s: %s" % (label, name, "; ".join(wrong)))


def main():
    scanner, signed_dir = sys.argv[1], sys.argv[2]
    modules = os.path.join(signed_dir, "modules")
    pki = os.path.join(signed_dir, "pki")
    root = os.path.join(pki, "root.pem")
    manifest = read_manifest(signed_dir)

    # The oracle, and the manifest against it: a disagreement there is a
    # fault of the generator, not of the scanner.
    expected = {}
    for row in manifest:
        name = row["fileName"]
        want = {field: row[field] for field in FIELDS}
        if row["oracle"] == "osslsigncode":
            theirs = osslsigncode_verdict(os.path.join(modules, name), root)
            for field in FIELDS:
                if theirs[field] is not None and theirs[field] != want[field]:
                    faults.append("manifest: %s: %s is %r, osslsigncode says %r" % (name, field, want[field],
                                                                                    theirs[field]))
        expected[name.lower()] = want

    def run(label, roots, expectation):
        rows, problem = scan([scanner], modules, roots)
        if problem:
            faults.append("%s: %s" % (label, problem))
        else:
            check_rows(label, rows, expectation)

    run("--trust-roots=root.pem", root, expected)
    run("--trust-roots=roots/ (a folder)", os.path.join(pki, "roots"), expected)

    # Without roots nothing is trusted or distrusted; everything else stays.
    unchecked = {name: dict(want, trust="unchecked") for name, want in expected.items()}
    run("no --trust-roots", None, unchecked)

    # Under the other root only the other signer's intact signatures are trusted.
    def swapped(want):
        if want["signatureCheck"] != "intact":
            return want
        return dict(want, trust="trusted" if want["signer"] == OTHER_SIGNER else "untrusted")
    run("--trust-roots=other-root.pem", os.path.join(pki, "other-root.pem"),
        {name: swapped(want) for name, want in expected.items()})

    for fault in faults:
        print(fault)
    print("%d modules, %d faults" % (len(expected), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
