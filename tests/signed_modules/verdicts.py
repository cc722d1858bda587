"""Verdicts on the signed test modules from three sources: the manifest
written by make_signed_modules.py, osslsigncode's verify, and modaris-scan."""

import calendar
import json
import os
import re
import subprocess
import time

FIELDS = ["signed", "signer", "signedOn", "digestAlgorithm", "signatureCheck", "trust"]
SCAN_FIELDS = "fileName," + ",".join(FIELDS)


def read_manifest(signed_dir):
    with open(os.path.join(signed_dir, "manifest.tsv")) as f:
        lines = f.read().splitlines()
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[1:]]


def _iso(openssl_time):
    # "Jan  1 00:00:00 2026 GMT", as osslsigncode prints ASN.1 times.
    parsed = time.strptime(" ".join(openssl_time.split()), "%b %d %H:%M:%S %Y GMT")
    return time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(calendar.timegm(parsed)))


def osslsigncode_verdict(path, root_pem, timeout=30):
    """What `osslsigncode verify` says of the primary signature. A field it
    does not state (the signer of a tampered file) is None."""
    try:
        result = subprocess.run(["osslsigncode", "verify", "-CAfile", root_pem, "-TSA-CAfile", root_pem, "-in", path],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=timeout)
        text = result.stdout
    except subprocess.TimeoutExpired:
        text = ""
    if "No signature found" in text:
        return {"signed": "none", "signer": "", "signedOn": "", "digestAlgorithm": "", "signatureCheck": "none",
                "trust": "unchecked"}
    if "Signature Index: 0" not in text:
        return {"signed": "embedded", "signer": "", "signedOn": "", "digestAlgorithm": "", "signatureCheck": "broken",
                "trust": "untrusted"}
    primary = text.split("Signature Index: 0", 1)[1].split("Signature Index: 1", 1)[0]
    verdict = {"signed": "embedded", "signer": None, "signedOn": None, "digestAlgorithm": None}
    digest = re.search(r"Message digest algorithm\s*: (\w+)", primary)
    if digest:
        verdict["digestAlgorithm"] = digest.group(1).lower()
    signer = re.search(r"Signer's certificate:.*?Subject: ([^\n]*)", primary, re.S)
    if signer:
        names = dict(part.split("=", 1) for part in signer.group(1).strip("/").split("/") if "=" in part)
        verdict["signer"] = names.get("CN", names.get("O", ""))
    stamp = re.search(r"Timestamp time: ([^\n]*)", primary)
    if "Timestamp Server Signature verification: ok" not in primary:
        stamp = None  # a time stamp it could not verify vouches for no time
    own = re.search(r"Authenticated attributes:.*?Signing time: ([^\n]*)", primary, re.S)
    if stamp or own:
        verdict["signedOn"] = _iso((stamp or own).group(1))
    if "MISMATCH" in primary:
        verdict["signatureCheck"], verdict["trust"] = "tampered", "untrusted"
    elif re.search(r"^Signature verification: ok", primary, re.M):  # not the TSA's line
        verdict["signatureCheck"], verdict["trust"] = "intact", "trusted"
    elif "Failed signing certificate chain" in primary or "certificate verify error" in text:
        verdict["signatureCheck"], verdict["trust"] = "intact", "untrusted"
    else:
        verdict["signatureCheck"], verdict["trust"] = "broken", "untrusted"
    return verdict


def scan(command, modules_dir, trust_roots=None, timeout=120):
    """Runs a modaris-scan over the folder (command: the program and any
    launcher before it). Returns (rows by file name, problem text or None)."""
    args = list(command) + ["-q", "-b", "16,32,64,unknown", "--fields=" + SCAN_FIELDS, "--format=jsonl"]
    if trust_roots:
        args.append("--trust-roots=" + trust_roots)
    args += ["-d", modules_dir]
    try:
        result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    except subprocess.TimeoutExpired:
        return {}, "no answer within %d s: %s" % (timeout, " ".join(args))
    if result.returncode != 0:
        return {}, "exit status %d: %s\n%s" % (result.returncode, " ".join(args),
                                               result.stderr.decode(errors="replace")[-2000:])
    rows = {}
    for line in result.stdout.decode().splitlines():
        if line.strip():
            row = json.loads(line)
            # Windows paths under Wine end in the name just as well.
            name = re.split(r"[\\/]", row["fileName"])[-1]
            rows[name.lower()] = {field: row.get(field) or "" for field in FIELDS}
    return rows, None
