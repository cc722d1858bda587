#!/usr/bin/env python3
"""Points a module's delay-load data directory (entry 13) at its delay-load
descriptors. The linker of MinGW-w64 in Debian 12 (binutils 2.40) lays out
the descriptors of a dlltool delay-import library but leaves the directory
empty, so no loader or reader would see the delay load.

    set_delay_directory.py MODULE DLLNAME...
"""
import struct
import sys


def sections(data):
    header = struct.unpack_from("<I", data, 60)[0]
    count = struct.unpack_from("<H", data, header + 6)[0]
    optional_size = struct.unpack_from("<H", data, header + 20)[0]
    table = header + 24 + optional_size
    for index in range(count):
        entry = table + index * 40
        virtual_size, rva, raw_size, raw = struct.unpack_from("<IIII", data, entry + 8)
        yield rva, max(virtual_size, raw_size), raw, raw_size


def rva_of_offset(data, offset):
    for rva, size, raw, raw_size in sections(data):
        if raw <= offset < raw + raw_size:
            return rva + offset - raw
    raise SystemExit("offset %#x is in no section" % offset)


def main():
    path, names = sys.argv[1], sys.argv[2:]
    data = bytearray(open(path, "rb").read())
    header = struct.unpack_from("<I", data, 60)[0]
    pe32_plus = struct.unpack_from("<H", data, header + 24)[0] == 0x20B
    directory = header + 24 + (112 if pe32_plus else 96) + 13 * 8
    descriptors = []
    for name in names:
        name_rva = rva_of_offset(data, data.index(name.encode() + b"\0"))
        # A descriptor: Attributes 1 (RVAs), then the name's RVA.
        needle = struct.pack("<II", 1, name_rva)
        offset = data.find(needle)
        if offset < 0:
            raise SystemExit("no delay-load descriptor for %s in %s" % (name, path))
        descriptors.append(rva_of_offset(data, offset))
    first = min(descriptors)
    # The descriptors stand together; the size bounds them, as no zero entry may follow.
    struct.pack_into("<II", data, directory, first, 32 * len(descriptors))
    open(path, "wb").write(bytes(data))


main()
