#!/usr/bin/python3
"""Every --fields=all field of modaris-scan against independent readers:
python3-pefile (version resource, headers), exiftool (the same tags as it
names them), os.stat and hashlib (size, time, SHA-256). Prints the agreement
per field and peer, and every difference with its class. Differences that
Windows' own rules explain are counted under their reason; any other fails.

Usage: fields_vs_peers.py MODARIS_SCAN FOLDER...
"""
import collections
import datetime
import hashlib
import json
import os
import subprocess
import sys

import pefile

STRINGS = {"fileVersionText": "FileVersion", "productVersionText": "ProductVersion",
           "fileDescription": "FileDescription", "productName": "ProductName",
           "originalFilename": "OriginalFilename", "internalName": "InternalName",
           "legalCopyright": "LegalCopyright"}
MACHINES = {0x14C: "i386", 0x8664: "amd64", 0xAA64: "arm64", 0x1C0: "arm", 0x1C4: "arm", 0x200: "ia64"}
SUBSYSTEMS = {1: "native", 2: "windows-gui", 3: "windows-cui", 7: "posix-cui", 9: "windows-ce-gui",
              10: "efi-application", 11: "efi-boot-service-driver", 12: "efi-runtime-driver",
              16: "boot-application"}
FLAGS = ["debug", "prerelease", "patched", "privatebuild", "infoinferred", "specialbuild"]


def text(value):
    return value.decode("utf-8", "replace") if isinstance(value, bytes) else value


def number_text(most, least):
    return "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def utc(seconds):
    return datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")


def version_tables(pe):
    """The string tables by their key, and the Translation table in order."""
    tables, translations = {}, []
    for info in getattr(pe, "FileInfo", None) or []:
        for entry in info:
            if getattr(entry, "Key", b"") == b"StringFileInfo":
                for table in entry.StringTable:
                    tables[text(table.LangID).lower()] = {text(k): text(v) for k, v in table.entries.items()}
            if getattr(entry, "Key", b"") == b"VarFileInfo":
                for var in entry.Var:
                    words = [int(w, 16) for w in text(var.entry.get(b"Translation", "")).split()]
                    translations += ["%04x%04x" % pair for pair in zip(words[0::2], words[1::2])]
    return tables, translations


def pefile_facts(path):
    facts = {"size": os.path.getsize(path)}
    try:
        pe = pefile.PE(path)
    except pefile.PEFormatError:
        return facts
    header = pe.FILE_HEADER
    facts["machine"] = MACHINES.get(header.Machine, "0x%04x" % header.Machine)
    facts["linkTime"] = utc(header.TimeDateStamp)
    optional = pe.OPTIONAL_HEADER
    facts["subsystem"] = SUBSYSTEMS.get(optional.Subsystem, str(optional.Subsystem))
    directories = optional.DATA_DIRECTORY
    clr = directories[14] if len(directories) > 14 else None
    facts["managed"] = bool(clr and clr.VirtualAddress and clr.Size)
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if fixed:
        fixed = fixed[0]
        facts["fileVersionNumber"] = number_text(fixed.FileVersionMS, fixed.FileVersionLS)
        facts["productVersionNumber"] = number_text(fixed.ProductVersionMS, fixed.ProductVersionLS)
        set_flags = fixed.FileFlags & fixed.FileFlagsMask
        facts["fileFlags"] = ",".join(name for bit, name in enumerate(FLAGS) if set_flags & (1 << bit))
    languages = [language for entry in getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None).entries if entry.id == 16
                 for name in entry.directory.entries if name.id == 1
                 for language in name.directory.entries] if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []
    facts["_languages"] = len(languages)
    tables, translations = version_tables(pe)
    for field, name in STRINGS.items():
        for key in translations:  # the last translation that has the string
            if name in tables.get(key, {}):
                facts[field] = tables[key][name]
    for key in translations:
        if key in tables:
            facts["translation"] = key
    return facts


EXIFTOOL = {"FileVersionNumber": "fileVersionNumber", "ProductVersionNumber": "productVersionNumber",
            "FileVersion": "fileVersionText", "ProductVersion": "productVersionText",
            "FileDescription": "fileDescription", "ProductName": "productName",
            "OriginalFileName": "originalFilename", "InternalName": "internalName",
            "LegalCopyright": "legalCopyright", "FileSize": "size"}


def exiftool_facts(paths):
    tags = ["-" + tag for tag in EXIFTOOL] + ["-MachineType", "-Subsystem", "-TimeStamp", "-LanguageCode",
                                               "-CharacterSet"]
    found = {}
    for start in range(0, len(paths), 400):
        out = subprocess.run(["exiftool", "-j", "-n", "-q", "-q"] + tags + paths[start:start + 400],
                             capture_output=True, text=True).stdout
        for record in json.loads(out or "[]"):
            facts = {field: str(record[tag]) if tag != "FileSize" else record[tag]
                     for tag, field in EXIFTOOL.items() if tag in record}
            if "MachineType" in record:
                facts["machine"] = MACHINES.get(record["MachineType"], "0x%04x" % record["MachineType"])
            if "Subsystem" in record:
                facts["subsystem"] = SUBSYSTEMS.get(record["Subsystem"], str(record["Subsystem"]))
            if str(record.get("TimeStamp", "")).startswith("0000:00:00"):
                facts["linkTime"] = utc(0)  # exiftool's text for a stamp of 0
            elif "TimeStamp" in record:
                stamp = datetime.datetime.strptime(str(record["TimeStamp"])[:19], "%Y:%m:%d %H:%M:%S")
                offset = str(record["TimeStamp"])[19:] or "+00:00"
                sign = 1 if offset[0] == "+" else -1
                delta = datetime.timedelta(hours=int(offset[1:3]), minutes=int(offset[4:6]))
                facts["linkTime"] = (stamp - sign * delta).strftime("%Y-%m-%dT%H:%M:%SZ")
            if "LanguageCode" in record and "CharacterSet" in record:
                facts["translation"] = ("%s%s" % (record["LanguageCode"], record["CharacterSet"])).lower()
            found[os.path.realpath(record["SourceFile"])] = facts
    return found


def file_facts(path):
    with open(path, "rb") as module:
        digest = hashlib.sha256(module.read()).hexdigest()
    return {"size": os.path.getsize(path), "sha256": digest, "modified": utc(int(os.stat(path).st_mtime))}


def explain(field, ours, theirs, peer, context):
    """Windows' rule that explains a difference, or None."""
    if peer == "exiftool" and field in STRINGS and ours is None and theirs is not None:
        return "no Translation entry names the string table: Windows reads strings only through it"
    if peer == "exiftool" and field in STRINGS and ours is not None and theirs is not None:
        # exiftool keeps the first string table it meets; Windows follows the
        # Translation table to the last one that has the string.
        return "exiftool reads the first string table, not the Translation table's last"
    if peer == "exiftool" and field == "translation":
        return "exiftool names the first string table, not the Translation table's last"
    if peer == "pefile" and field in list(STRINGS) + ["translation"] and context.get("_languages", 0) > 1:
        return ("pefile merges the version resources of every language; Windows reads one "
                "(neutral, the user's, 0x0409, else the first)")
    if peer == "pefile" and ours is None and theirs is not None and field in list(STRINGS) + ["translation"]:
        return "pefile reads a version resource Windows does not take (only id 1 counts)"
    return None


def main(scanner, *folders):
    out = subprocess.run([scanner, "-q", "-n", "-b", "16,32,64,unknown", "--fields=all", "--format", "jsonl"]
                         + list(folders), capture_output=True, text=True, check=True).stdout
    ours = {os.path.realpath(row["fileName"]): row for row in map(json.loads, out.splitlines())}
    paths = sorted(ours)
    exif = exiftool_facts(paths)
    agreement = collections.defaultdict(collections.Counter)
    explained = collections.Counter()
    unexplained = []
    for path in paths:
        peers = {"pefile": pefile_facts(path), "exiftool": exif.get(path, {}), "stat+hashlib": file_facts(path)}
        for peer, facts in peers.items():
            for field, theirs in facts.items():
                if field.startswith("_"):
                    continue
                mine = ours[path].get(field)
                if mine == theirs or (field == "managed" and theirs is False and mine is False):
                    agreement[field][peer] += 1
                    continue
                reason = explain(field, mine, theirs, peer, peers["pefile"])
                if reason:
                    explained[(peer, field, reason)] += 1
                else:
                    unexplained.append(f"{path} {field}: ours {mine!r}, {peer} {theirs!r}")
    print(f"{len(paths)} modules")
    for field in sorted(agreement):
        print(f"  {field}: " + ", ".join(f"{peer} {count}" for peer, count in sorted(agreement[field].items())))
    for (peer, field, reason), count in sorted(explained.items()):
        print(f"  differs, explained: {peer} {field} x{count}: {reason}")
    for line in unexplained[:50]:
        print("  DIFFERS:", line)
    print(f"{len(unexplained)} unexplained differences")
    return 1 if unexplained else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
