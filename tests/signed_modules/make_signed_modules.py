#!/usr/bin/env python3
"""Makes signed test modules from the MinGW-built fixtures, offline.

Usage: make_signed_modules.py FIXTURE_DIR OUTDIR

OUTDIR/modules/      the modules (nothing else, so a scan of it lists only them)
OUTDIR/manifest.tsv  each module and what a checker must report for it, with
                     OUTDIR/pki/root.pem as the only trust root
OUTDIR/pki/          root.pem (signer and TSA root), other-root.pem (a root
                     nobody trusts), roots/ (a folder holding root.pem), keys

Needs openssl and osslsigncode with its built-in time-stamping authority
(-TSA-certs/-TSA-key/-TSA-time), so no network is used. Keys are new on each
run; dates, serials, names and every verdict are fixed.
"""

import copy
import hashlib
import os
import shutil
import struct
import subprocess
import sys

SIGNING_TIME = 1767225600    # 2026-01-01T00:00:00Z, the signer's own claim
TIMESTAMP_TIME = 1768478400  # 2026-01-15T12:00:00Z, the TSA's countersignature
SIGNING_ISO = "2026-01-01T00:00:00Z"
TIMESTAMP_ISO = "2026-01-15T12:00:00Z"
EXPIRED_SIGNING_TIME = 1622505600    # 2021-06-01T00:00:00Z, inside the expired signer's 2021
EXPIRED_TIMESTAMP_TIME = 1622635200  # 2021-06-02T12:00:00Z
EXPIRED_SIGNING_ISO = "2021-06-01T00:00:00Z"
EXPIRED_TIMESTAMP_ISO = "2021-06-02T12:00:00Z"
SIGNER = "Modaris Test Signer"
EXPIRED_SIGNER = "Modaris Expired Signer"
LIFETIME_SIGNER = "Modaris Lifetime Signer"
OTHER_SIGNER = "Modaris Other Signer"

CA_CONFIG = """
[ca]
default_ca = ca_default
[ca_default]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = policy_any
unique_subject = no
email_in_dn = no
preserve = yes
copy_extensions = none
[policy_any]
commonName = supplied
organizationName = optional
[req]
distinguished_name = dn
prompt = no
[dn]
CN = unused
[root_ext]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[leaf_ext]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[lifetime_ext]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning, 1.3.6.1.4.1.311.10.3.13
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[tsa_ext]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
"""


def run(*args, cwd=None):
    result = subprocess.run(args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        sys.exit("make_signed_modules: %s failed:\n%s" % (" ".join(args), result.stdout))


def make_pki(pki):
    """A root with a code-signing leaf and a TSA under it, and a second root
    with its own leaf that the tests never trust."""
    work = os.path.join(pki, "ca")
    os.makedirs(work)
    with open(os.path.join(work, "ca.cnf"), "w") as f:
        f.write(CA_CONFIG)
    open(os.path.join(work, "index.txt"), "w").close()
    with open(os.path.join(work, "serial"), "w") as f:
        f.write("1000\n")

    def certificate(name, subject, extensions, issuer=None, valid=("20200101000000Z", "20491231235959Z")):
        key = os.path.join(pki, name + ".key")
        run("openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out", key)
        run("openssl", "req", "-new", "-config", "ca.cnf", "-key", key, "-subj", subject, "-out", name + ".csr",
            cwd=work)
        signer = ["-selfsign", "-keyfile", key] if issuer is None else \
            ["-cert", os.path.join(pki, issuer + ".pem"), "-keyfile", os.path.join(pki, issuer + ".key")]
        # Fixed validity (by default 2020 to 2049) so that the fixed signing
        # and time-stamp times fall inside it, whenever the tests run.
        run("openssl", "ca", "-batch", "-config", "ca.cnf", "-notext", "-preserveDN", *signer,
            "-in", name + ".csr", "-extensions", extensions, "-startdate", valid[0],
            "-enddate", valid[1], "-out", os.path.join(pki, name + ".pem"), cwd=work)

    certificate("root", "/O=Modaris Tests/CN=Modaris Test Root", "root_ext")
    certificate("signer", "/O=Modaris Tests/CN=" + SIGNER, "leaf_ext", "root")
    certificate("tsa", "/O=Modaris Tests/CN=Modaris Test TSA", "tsa_ext", "root")
    certificate("expired-signer", "/O=Modaris Tests/CN=" + EXPIRED_SIGNER, "leaf_ext", "root",
                ("20210101000000Z", "20220101000000Z"))
    # Lifetime Signing: its signatures expire with it, whatever a time stamp says.
    certificate("lifetime-signer", "/O=Modaris Tests/CN=" + LIFETIME_SIGNER, "lifetime_ext", "root",
                ("20210101000000Z", "20220101000000Z"))
    # A time-stamping authority whose certificate ended before the expired signer's time stamps.
    certificate("expired-tsa", "/O=Modaris Tests/CN=Modaris Expired TSA", "tsa_ext", "root",
                ("20200101000000Z", "20201231235959Z"))
    certificate("other-root", "/O=Somebody Else/CN=Modaris Other Root", "root_ext")
    certificate("other-signer", "/O=Somebody Else/CN=" + OTHER_SIGNER, "leaf_ext", "other-root")
    shutil.rmtree(work)

    def chain(name, *parts):
        with open(os.path.join(pki, name), "w") as out:
            for part in parts:
                with open(os.path.join(pki, part + ".pem")) as f:
                    out.write(f.read())

    chain("signer-chain.pem", "signer", "root")
    chain("expired-signer-chain.pem", "expired-signer", "root")
    chain("lifetime-signer-chain.pem", "lifetime-signer", "root")
    chain("tsa-chain.pem", "tsa", "root")
    chain("expired-tsa-chain.pem", "expired-tsa", "root")
    chain("other-signer-chain.pem", "other-signer", "other-root")
    os.makedirs(os.path.join(pki, "roots"))
    shutil.copy(os.path.join(pki, "root.pem"), os.path.join(pki, "roots", "root.pem"))


def sign(pki, source, target, digest, timestamp, signer="signer", nest=False,
         times=(SIGNING_TIME, TIMESTAMP_TIME), tsa="tsa"):
    args = ["osslsigncode", "sign", "-certs", os.path.join(pki, signer + "-chain.pem"),
            "-key", os.path.join(pki, signer + ".key"), "-h", digest, "-time", str(times[0])]
    if timestamp:
        args += ["-TSA-certs", os.path.join(pki, tsa + "-chain.pem"), "-TSA-key", os.path.join(pki, tsa + ".key"),
                 "-TSA-time", str(times[1])]
    if nest:
        args.append("-nest")
    partial = target + ".part"
    run(*args, "-in", source, "-out", partial)
    os.replace(partial, target)


# --- Byte surgery on the PE certificate table -------------------------------

def security_entry(data):
    """File offset of the security data directory entry (IMAGE_DIRECTORY_ENTRY_SECURITY)."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    return directories + 4 * 8


def table(data):
    entry = security_entry(data)
    return entry, *struct.unpack_from("<II", data, entry)


def set_table(data, address, size):
    struct.pack_into("<II", data, security_entry(data), address, size)


def sections(data):
    """(name, PointerToRawData, SizeOfRawData) of every section header."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    first = pe + 24 + optional_size
    headers = [first + 40 * i for i in range(count)]
    return [(bytes(data[h:h + 8]).rstrip(b"\0"), *struct.unpack_from("<II", data, h + 16)[::-1]) for h in headers]


def text_section_offset(data):
    for name, pointer, _ in sections(data):
        if name == b".text":
            return pointer
    sys.exit("make_signed_modules: no .text section")


def tamper_code(data):
    data[text_section_offset(data)] ^= 0xFF


def garble_signature(data):
    # Overwrites the content type of the PKCS#7 blob: no reader can parse it.
    _, address, _ = table(data)
    data[address + 12:address + 44] = b"\xA5" * 32


def overlong_signature(data):
    # The blob's outer SEQUENCE claims more bytes than the entry holds.
    _, address, _ = table(data)
    length = struct.unpack_from(">H", data, address + 10)[0]
    struct.pack_into(">H", data, address + 10, length + 0x1000)


def table_past_end(data):
    _, address, size = table(data)
    set_table(data, address, size + 0x100000)


def table_size_zero(data):
    _, address, _ = table(data)
    set_table(data, address, 0)


def entry_length_zero(data):
    _, address, _ = table(data)
    struct.pack_into("<I", data, address, 0)


def table_misaligned(data):
    # Windows requires the table on an 8-byte boundary.
    _, address, size = table(data)
    data[address:address] = b"\0" * 4
    set_table(data, address + 4, size)


def table_in_headers(data):
    _, _, size = table(data)
    set_table(data, 0x40, size)


def tiny_entries(data):
    # Thousands of empty WIN_CERTIFICATE entries (length 8, revision 2.0,
    # PKCS#7 type): a walker must neither loop nor slow to a crawl.
    data.extend(b"\0" * (-len(data) % 8))
    address = len(data)
    count = 5000
    data.extend(struct.pack("<IHH", 8, 0x0200, 0x0002) * count)
    set_table(data, address, 8 * count)


def table_over_section(data):
    # The table moved onto the last section's raw data, the file ending with
    # it: aligned, after the headers and at the end, yet over bytes the
    # loader maps, so those bytes are signed by nobody.
    _, address, size = table(data)
    last = max(pointer for _, pointer, raw in sections(data) if raw)
    blob = bytes(data[address:address + size])
    del data[address:]
    data[last:] = blob
    set_table(data, last, size)


def spliced_over_code(data):
    # The signed table put in at the start of .text and gone from the end: a
    # digest that skips the table wherever it lies still sees the signed
    # bytes, while the loader maps the table's bytes at the entry point.
    _, address, size = table(data)
    blob = bytes(data[address:address + size])
    del data[address:]
    code = text_section_offset(data)
    data[code:code] = blob
    set_table(data, code, size)


def bytes_after_last_entry(data):
    _, address, size = table(data)
    data.extend(b"TRAILING")
    set_table(data, address, size + 8)


def data_after_table(data):
    data.extend(b"appended after the signature\0\0\0\0")


def x509_entry_first(data):
    # An X.509 entry (type 1) ahead of the signed data: Windows takes the first entry only.
    _, address, size = table(data)
    entry = struct.pack("<IHH", 16, 0x0200, 0x0001) + b"\0" * 8
    data[address:address] = entry
    set_table(data, address, size + len(entry))


def unknown_revision(data):
    _, address, _ = table(data)
    struct.pack_into("<H", data, address + 4, 0x0300)


def padded_inside_length(data):
    # The one entry's length covers 8 zero bytes past its padding.
    _, address, size = table(data)
    struct.pack_into("<I", data, address, size + 8)
    data.extend(b"\0" * 8)
    set_table(data, address, size + 8)


def checksum_changed(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    struct.pack_into("<I", data, pe + 24 + 64, 0x5EED5EED)


# --- Surgery on the time-stamp token inside the PKCS#7 blob ----------------

RFC3161_OID = bytes.fromhex("2b0601040182370303 01".replace(" ", ""))  # 1.3.6.1.4.1.311.3.3.1


def der_header(data, at):
    """(tag, where the body starts, where it ends) of the element at `at`."""
    tag, length = data[at], data[at + 1]
    at += 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(data[at:at + count], "big")
        at += count
    return tag, at, at + length


def der_parse(data):
    """DER into [tag, body] nodes, the body of a constructed one a list."""
    nodes, at = [], 0
    while at < len(data):
        tag, body, at = der_header(data, at)
        body = bytes(data[body:at])
        nodes.append([tag, der_parse(body) if tag & 0x20 else body])
    return nodes


def der_encode(nodes):
    out = b""
    for tag, body in nodes:
        body = der_encode(body) if isinstance(body, list) else body
        size = len(body)
        count = (size.bit_length() + 7) // 8
        out += bytes([tag]) + (bytes([size]) if size < 0x80 else bytes([0x80 | count]) + size.to_bytes(count, "big"))
        out += body
    return out


def signature_blob(data):
    """The parsed PKCS#7 blob of the first certificate table entry, without its padding."""
    _, address, _ = table(data)
    return der_parse(data[address + 8:der_header(data, address + 8)[2]])


def primary_signer(content_info):
    signed_data = content_info[1][1][1][0]  # ContentInfo { type, [0] { SignedData } }
    return signed_data[1][-1][1][0]         # its signerInfos' first


def timestamp_token(blob):
    """The primary signer's RFC 3161 token node."""
    unsigned = primary_signer(blob[0])[1][-1]
    for attribute in unsigned[1]:
        if attribute[1][0][1] == RFC3161_OID:
            return attribute[1][1][1][0]
    sys.exit("make_signed_modules: no time-stamp token")


def replace_signature_blob(data, blob):
    """The blob as the only certificate table entry, lengths and table size made anew."""
    _, address, _ = table(data)
    header = struct.unpack_from("<HH", data, address + 4)
    body = der_encode(blob)
    entry = struct.pack("<IHH", 8 + len(body), *header) + body
    entry += b"\0" * (-len(entry) % 8)
    del data[address:]
    data.extend(entry)
    set_table(data, address, len(entry))


def damage_timestamp(data):
    # One byte of the TSA's signature: the token still parses, its signature fails.
    blob = signature_blob(data)
    tsa = primary_signer(timestamp_token(blob))
    signature = next(node for node in tsa[1] if node[0] == 0x04)
    signature[1] = signature[1][:-1] + bytes([signature[1][-1] ^ 0x01])
    replace_signature_blob(data, blob)


def timestamp_from(other):
    """A change that puts in the token of another module's signature: valid
    in itself, but its imprint is the other signature's."""
    def change(data):
        with open(other, "rb") as f:
            token = timestamp_token(signature_blob(f.read()))
        blob = signature_blob(data)
        timestamp_token(blob)[:] = token
        replace_signature_blob(data, blob)
    return change


# --- Surgery on the signed content and the signer ---------------------------

SHA1_ALGORITHM = [0x30, [[0x06, bytes.fromhex("2b0e03021a")], [0x05, b""]]]
CONTENT_TYPE_OID = bytes.fromhex("2a864886f70d010903")    # 1.2.840.113549.1.9.3
MESSAGE_DIGEST_OID = bytes.fromhex("2a864886f70d010904")  # 1.2.840.113549.1.9.4
ID_DATA_OID = bytes.fromhex("2a864886f70d010701")         # 1.2.840.113549.1.7.1
SPC_CAB_DATA_OID = bytes.fromhex("2b060104018237020119")  # 1.3.6.1.4.1.311.2.1.25


def signed_data(blob):
    return blob[0][1][1][1][0]


def two_signer_infos(data):
    blob = signature_blob(data)
    signers = signed_data(blob)[1][-1]
    signers[1].append(copy.deepcopy(signers[1][0]))
    replace_signature_blob(data, blob)


def unlisted_digest_algorithm(data):
    # digestAlgorithms names SHA-1 alone, the signer uses SHA-256; nothing signs that list.
    blob = signature_blob(data)
    signed_data(blob)[1][1][1] = [copy.deepcopy(SHA1_ALGORITHM)]
    replace_signature_blob(data, blob)


def resigned(pki, change):
    """A change to the SpcIndirectDataContent or the authenticated attributes,
    then messageDigest and the signer's SHA-256 signature made anew with its
    key: a signature that holds over content Windows does not take."""
    def apply(data):
        blob = signature_blob(data)
        content = signed_data(blob)[1][2][1][1][1][0]
        signer = signed_data(blob)[1][-1][1][0]
        attributes = next(node for node in signer[1] if node[0] == 0xA0)[1]
        change(content[1], attributes)
        digest = hashlib.sha256(der_encode(content[1])).digest()
        for attribute in attributes:
            if attribute[1][0][1] == MESSAGE_DIGEST_OID:
                attribute[1][1][1] = [[0x04, digest]]
        signed = subprocess.run(["openssl", "dgst", "-sha256", "-sign", os.path.join(pki, "signer.key")],
                                input=der_encode([[0x31, attributes]]), stdout=subprocess.PIPE, check=True).stdout
        next(node for node in signer[1] if node[0] == 0x04)[1] = signed
        replace_signature_blob(data, blob)
    return apply


def foreign_spc_type(content, attributes):
    content[0][1][0][1] = SPC_CAB_DATA_OID


def foreign_content_type_attribute(content, attributes):
    for attribute in attributes:
        if attribute[1][0][1] == CONTENT_TYPE_OID:
            attribute[1][1][1] = [[0x06, ID_DATA_OID]]


def data_after_digest_info(content, attributes):
    content.append([0x05, b""])


def derive(source, target, change):
    with open(source, "rb") as f:
        data = bytearray(f.read())
    change(data)
    with open(target, "wb") as f:
        f.write(data)


# --- The modules and their verdicts -----------------------------------------

COLUMNS = ["fileName", "signed", "signer", "signedOn", "digestAlgorithm", "signatureCheck", "trust", "oracle",
           "what"]


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_signed_modules.py FIXTURE_DIR OUTDIR")
    fixtures, out = sys.argv[1], sys.argv[2]
    help_text = subprocess.run(["osslsigncode", "-h"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               text=True).stdout
    if "-TSA-time" not in help_text:
        sys.exit("make_signed_modules: this osslsigncode has no built-in TSA (-TSA-time); version 2.9 does "
                 "(Debian 12: bookworm-backports; scripts/setup.sh installs it)")

    if os.path.isdir(out):
        shutil.rmtree(out)
    pki, modules = os.path.join(out, "pki"), os.path.join(out, "modules")
    os.makedirs(pki)
    os.makedirs(modules)
    make_pki(pki)

    rows = []

    def expect(name, signed, signer, signed_on, digest, check, trust, oracle, what):
        rows.append([name, signed, signer, signed_on, digest, check, trust, oracle, what])

    def path(name):
        return os.path.join(modules, name)

    # The verdicts assume pki/root.pem as the only trust root: "trusted" only
    # for an intact signature chaining to it; a signature that is not intact
    # is never trusted; with no signature there is nothing to trust.
    for arch, bits in (("x86", "PE32"), ("x64", "PE32+")):
        base = os.path.join(fixtures, "v1_2_3_4_%s.dll" % arch)
        shutil.copy(base, path("unsigned_%s.dll" % arch))
        expect("unsigned_%s.dll" % arch, "none", "", "", "", "none", "unchecked", "osslsigncode",
               "%s DLL without a signature" % bits)

        for digest in ("sha256", "sha1"):
            for stamped in (False, True):
                name = "%s%s_%s.dll" % (digest, "_timestamped" if stamped else "", arch)
                sign(pki, base, path(name), digest, stamped)
                expect(name, "embedded", SIGNER, TIMESTAMP_ISO if stamped else SIGNING_ISO, digest, "intact",
                       "trusted", "osslsigncode",
                       "%s DLL, %s%s" % (bits, digest, ", time-stamped" if stamped else ", own signing time only"))

        wide = "sha384" if arch == "x86" else "sha512"
        name = "%s_timestamped_%s.dll" % (wide, arch)
        sign(pki, base, path(name), wide, True)
        expect(name, "embedded", SIGNER, TIMESTAMP_ISO, wide, "intact", "trusted", "osslsigncode",
               "%s DLL, %s, time-stamped" % (bits, wide))

        exe = "sha256_timestamped_%s.exe" % arch
        sign(pki, os.path.join(fixtures, "v1_2_3_4_%s.exe" % arch), path(exe), "sha256", True)
        expect(exe, "embedded", SIGNER, TIMESTAMP_ISO, "sha256", "intact", "trusted", "osslsigncode",
               "%s EXE, sha256, time-stamped" % bits)

        # The usual dual signature: SHA-1 primary, SHA-256 nested. The fields
        # describe the primary one.
        dual = "dual_sha1_sha256_%s.dll" % arch
        sign(pki, path("sha1_timestamped_%s.dll" % arch), path(dual), "sha256", True, nest=True)
        expect(dual, "embedded", SIGNER, TIMESTAMP_ISO, "sha1", "intact", "trusted", "osslsigncode",
               "%s DLL, SHA-1 signature with a nested SHA-256 one, both time-stamped" % bits)

        other = "other_root_%s.dll" % arch
        sign(pki, base, path(other), "sha256", True, signer="other-signer")
        expect(other, "embedded", OTHER_SIGNER, TIMESTAMP_ISO, "sha256", "intact", "untrusted", "osslsigncode",
               "%s DLL signed under a root that is not trusted" % bits)

        signed = path("sha256_timestamped_%s.dll" % arch)
        variants = [
            ("tampered_code", tamper_code, "embedded", SIGNER, TIMESTAMP_ISO, "sha256", "tampered", "osslsigncode",
             "one byte of .text changed after signing"),
            ("broken_blob_garbled", garble_signature, "embedded", "", "", "", "broken", "osslsigncode",
             "PKCS#7 blob overwritten inside"),
            ("broken_blob_overlong", overlong_signature, "embedded", "", "", "", "broken", "osslsigncode",
             "PKCS#7 blob claims more bytes than its entry"),
            ("table_past_end", table_past_end, "embedded", "", "", "", "broken", "manifest",
             "certificate table runs 1 MiB past the end of the file"),
            ("table_size_zero", table_size_zero, "none", "", "", "", "none", "manifest",
             "certificate table address set, size 0"),
            ("entry_length_zero", entry_length_zero, "embedded", "", "", "", "broken", "manifest",
             "certificate entry of length 0"),
            ("table_misaligned", table_misaligned, "embedded", "", "", "", "broken", "manifest",
             "certificate table moved off its 8-byte boundary"),
            ("table_in_headers", table_in_headers, "embedded", "", "", "", "broken", "manifest",
             "certificate table address inside the headers"),
            # Where Microsoft's rules and osslsigncode differ the manifest follows Microsoft's: a table
            # must follow every section's raw data and end the file (osslsigncode: tampered, or none
            # with "PE signature not at the end of the file").
            ("table_over_section", table_over_section, "embedded", "", "", "", "broken", "manifest",
             "certificate table moved onto the last section's raw data, ending the file"),
            ("spliced_over_code", spliced_over_code, "embedded", "", "", "", "broken", "manifest",
             "the signed table spliced in at the entry point's raw data (.text), gone from the end"),
            ("data_after_table", data_after_table, "embedded", "", "", "", "broken", "manifest",
             "bytes appended after the certificate table"),
            ("bytes_after_last_entry", bytes_after_last_entry, "embedded", "", "", "", "broken", "osslsigncode",
             "the table's size covers 8 bytes after its last entry"),
            ("entry_x509_first", x509_entry_first, "embedded", "", "", "", "broken", "osslsigncode",
             "an X.509 certificate entry ahead of the signed data"),
            ("entry_revision_unknown", unknown_revision, "embedded", "", "", "", "broken", "osslsigncode",
             "the signed-data entry's wRevision 0x0300"),
            # osslsigncode refuses these too but names a digest (two SignerInfos) or reads as untrusted
            # (PKCS7_verify: "unable to find message digest").
            ("two_signer_infos", two_signer_infos, "embedded", "", "", "", "broken", "manifest",
             "the SignerInfo given twice"),
            ("digest_algorithm_unlisted", unlisted_digest_algorithm, "embedded", "", "", "", "broken", "manifest",
             "the signer's SHA-256 missing from digestAlgorithms (SHA-1 only)"),
            ("entry_padded_inside_length", padded_inside_length, "embedded", SIGNER, TIMESTAMP_ISO, "sha256",
             "intact", "osslsigncode", "the entry's length covers 8 zero bytes more"),
            ("checksum_changed", checksum_changed, "embedded", SIGNER, TIMESTAMP_ISO, "sha256", "intact",
             "osslsigncode", "the optional header's CheckSum changed"),
        ]
        for stem, change, kind, signer, signed_on, digest, check, oracle, what in variants:
            name = "%s_%s.dll" % (stem, arch)
            derive(signed, path(name), change)
            trust = {"none": "unchecked", "intact": "trusted"}.get(check, "untrusted")
            expect(name, kind, signer, signed_on, digest, check, trust, oracle, "%s DLL: %s" % (bits, what))

        # Signatures that hold, made anew over content that is not a PE image's Authenticode statement.
        # Windows refuses all three; osslsigncode only the last (it takes the first two as intact).
        resigns = [
            ("spc_type_foreign", foreign_spc_type, "manifest",
             "its SPC data type SPC_CAB_DATA, not SPC_PE_IMAGE_DATA"),
            ("content_type_attribute_foreign", foreign_content_type_attribute, "manifest",
             "its signed contentType attribute id-data, not SPC_INDIRECT_DATA"),
            ("data_after_digest_info", data_after_digest_info, "osslsigncode",
             "a NULL after the DigestInfo of its content"),
        ]
        for stem, change, oracle, what in resigns:
            name = "%s_%s.dll" % (stem, arch)
            derive(path("sha256_%s.dll" % arch), path(name), resigned(pki, change))
            expect(name, "embedded", "", "", "", "broken", "untrusted", oracle,
                   "%s DLL: re-signed with %s" % (bits, what))

        # A time stamp that does not verify gives neither the trust time nor
        # signedOn: the chain is judged now, and the time is the signer's own.
        stamps = [
            ("timestamp_damaged", damage_timestamp, "one byte of the time-stamp token's signature changed"),
            ("timestamp_other_signature", timestamp_from(path(exe)),
             "time-stamp token taken over another signature (its imprint does not match)"),
        ]
        for stem, change, what in stamps:
            name = "%s_%s.dll" % (stem, arch)
            derive(signed, path(name), change)
            expect(name, "embedded", SIGNER, SIGNING_ISO, "sha256", "intact", "trusted", "osslsigncode",
                   "%s DLL: %s" % (bits, what))

        # A signer expired since: trusted by a time stamp from within its validity, not by a broken one.
        expired = "expired_signer_timestamped_%s.dll" % arch
        sign(pki, base, path(expired), "sha256", True, signer="expired-signer",
             times=(EXPIRED_SIGNING_TIME, EXPIRED_TIMESTAMP_TIME))
        expect(expired, "embedded", EXPIRED_SIGNER, EXPIRED_TIMESTAMP_ISO, "sha256", "intact", "trusted",
               "osslsigncode", "%s DLL, signer valid only in 2021, time-stamped then" % bits)
        name = "expired_signer_timestamp_damaged_%s.dll" % arch
        derive(path(expired), path(name), damage_timestamp)
        expect(name, "embedded", EXPIRED_SIGNER, EXPIRED_SIGNING_ISO, "sha256", "intact", "untrusted", "osslsigncode",
               "%s DLL, signer valid only in 2021, its time-stamp token's signature damaged" % bits)

        # Windows judges a Lifetime Signing signer's chain now, whatever the time stamp (osslsigncode
        # judges it at the time stamp's time: trusted).
        name = "lifetime_signer_timestamped_%s.dll" % arch
        sign(pki, base, path(name), "sha256", True, signer="lifetime-signer",
             times=(EXPIRED_SIGNING_TIME, EXPIRED_TIMESTAMP_TIME))
        expect(name, "embedded", LIFETIME_SIGNER, EXPIRED_TIMESTAMP_ISO, "sha256", "intact", "untrusted", "manifest",
               "%s DLL, Lifetime Signing signer valid only in 2021, time-stamped then" % bits)
        # A time stamp whose authority's certificate had ended by its time is no signing time.
        name = "timestamp_authority_expired_%s.dll" % arch
        sign(pki, base, path(name), "sha256", True, signer="expired-signer",
             times=(EXPIRED_SIGNING_TIME, EXPIRED_TIMESTAMP_TIME), tsa="expired-tsa")
        expect(name, "embedded", EXPIRED_SIGNER, EXPIRED_SIGNING_ISO, "sha256", "intact", "untrusted",
               "osslsigncode",
               "%s DLL, signer valid only in 2021, time-stamped then by an authority valid only in 2020" % bits)

        name = "tiny_entries_%s.dll" % arch
        derive(base, path(name), tiny_entries)
        expect(name, "embedded", "", "", "", "broken", "untrusted", "manifest",
               "%s DLL: 5000 empty certificate entries" % bits)

    rows.sort()
    with open(os.path.join(out, "manifest.tsv"), "w") as f:
        f.write("\t".join(COLUMNS) + "\n")
        for row in rows:
            f.write("\t".join(row) + "\n")


if __name__ == "__main__":
    main()
