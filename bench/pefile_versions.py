#!/usr/bin/python3
"""The peer a Python user would write: python3-pefile reads, for every module
under the given folders, what Modaris lists (product and file version,
bitness, company name). Prints one tab-separated line per module:
path, product version, file version, bitness, company; versions in the text
form Modaris shows, so that the answers compare as text."""
import os
import sys

import pefile

EXTENSIONS = (".dll", ".exe", ".ocx", ".arx", ".bpl")
RESOURCE = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]


def version_text(most, least):
    def number(word):
        return (word >> 16) + (word & 0xFFFF) * 0.0001
    return "%f.%f" % (number(most), number(least))


def decoded(value):
    return value.decode("utf-8", "replace") if isinstance(value, bytes) else value


def company_of(pe):
    """The CompanyName of the last translation that has one."""
    tables = {}
    translations = []
    for info in getattr(pe, "FileInfo", None) or []:
        for entry in info:
            if getattr(entry, "Key", b"") == b"StringFileInfo":
                for table in entry.StringTable:
                    tables[decoded(table.LangID).lower()] = table.entries
            if getattr(entry, "Key", b"") == b"VarFileInfo":
                for var in entry.Var:
                    # "0x0409 0x04b0 ...": language and code page in turn.
                    words = [int(word, 16) for word in decoded(var.entry.get(b"Translation", "")).split()]
                    for language, code_page in zip(words[0::2], words[1::2]):
                        translations.append("%04x%04x" % (language, code_page))
    company = ""
    for key in translations:
        entries = tables.get(key, {})
        for name, value in entries.items():
            if decoded(name).lower() == "companyname":
                company = decoded(value)
    return company


def row(path):
    try:
        pe = pefile.PE(path, fast_load=True)
    except pefile.PEFormatError:
        return None
    bits = {0x10B: "32", 0x20B: "64"}.get(pe.OPTIONAL_HEADER.Magic, "")
    pe.parse_data_directories(directories=[RESOURCE])
    product = file_version = version_text(0, 0)
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if fixed:
        fixed = fixed[0]
        product = version_text(fixed.ProductVersionMS, fixed.ProductVersionLS)
        file_version = version_text(fixed.FileVersionMS, fixed.FileVersionLS)
    return [path, product, file_version, bits, company_of(pe)]


def main(folders):
    for folder in folders:
        for directory, _, names in os.walk(folder):
            for name in sorted(names):
                if name.lower().endswith(EXTENSIONS):
                    path = os.path.join(directory, name)
                    answer = row(path)
                    if answer:
                        print("\t".join(answer))


if __name__ == "__main__":
    main(sys.argv[1:])
