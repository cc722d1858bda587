#!/usr/bin/python3
"""Holds the header facts of header_facts_tool (our reader) against two
readers of our own kind's choosing: python3-pefile and exiftool.

    tests/engine/header_facts_vs_pefile.py TOOL [PATH...]

PATH is a folder (every file in it) or a file; by default Wine's two module
folders. For each field (machine, subsystem, managed, linkTime) it prints how
many files agree with each oracle, then every file that differs, and exits 1
when any does.

The oracles give numbers or texts of their own; they are put into our text
forms here, from tables written apart from the C++ ones:
- pefile: Machine and Subsystem numbers, named through pefile's own constants;
  TimeDateStamp in UTC; managed by the loader's rule over pefile's data
  directory (NumberOfRvaAndSizes over 14, entry 14 with a non-zero address
  and size). A file pefile refuses is no module (machine "ne" when pefile
  calls it an NE file).
- exiftool: its MachineType and Subsystem texts, and its TimeStamp, a local
  time with its offset, turned back to UTC. It has no managed fact, and no
  MachineType or Subsystem for what is no PE file.
"""
import datetime
import json
import os
import subprocess
import sys

import pefile

WINE_FOLDERS = ["/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"]
FIELDS = ["machine", "subsystem", "managed", "linkTime"]
CLR_DIRECTORY = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_COM_DESCRIPTOR"]

MACHINES = {
    pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]: "i386",
    pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]: "amd64",
    pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_ARM64"]: "arm64",
    pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_ARM"]: "arm",
    pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_ARMNT"]: "arm",
    pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_IA64"]: "ia64",
}
SUBSYSTEMS = {
    pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_NATIVE"]: "native",
    pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]: "windows-gui",
    pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"]: "windows-cui",
    pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_POSIX_CUI"]: "posix-cui",
    pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CE_GUI"]: "windows-ce-gui",
    pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_EFI_APPLICATION"]: "efi-application",
    pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_EFI_BOOT_SERVICE_DRIVER"]: "efi-boot-service-driver",
    pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_EFI_RUNTIME_DRIVER"]: "efi-runtime-driver",
    pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_BOOT_APPLICATION"]: "boot-application",
}
# exiftool 12.57's texts (Image::ExifTool::EXE); others print "Unknown (N)".
EXIFTOOL_MACHINES = {
    "Intel 386 or later, and compatibles": "i386",
    "AMD AMD64": "amd64",
    "ARM little endian": "arm",
    "Intel IA64": "ia64",
}
EXIFTOOL_SUBSYSTEMS = {
    "Native": "native",
    "Windows GUI": "windows-gui",
    "Windows command line": "windows-cui",
    "POSIX command line": "posix-cui",
    "Windows CE GUI": "windows-ce-gui",
    "EFI application": "efi-application",
    "EFI boot service": "efi-boot-service-driver",
    "EFI runtime driver": "efi-runtime-driver",
}
NO_MODULE = {"machine": "", "subsystem": "", "managed": "false", "linkTime": ""}


def files_of(paths):
    files = []
    for path in paths:
        if os.path.isdir(path):
            files += sorted(os.path.join(path, name) for name in os.listdir(path)
                            if os.path.isfile(os.path.join(path, name)))
        else:
            files.append(path)
    return files


def ours(tool, files):
    facts = {}
    for start in range(0, len(files), 500):
        out = subprocess.run([tool] + files[start:start + 500], check=True, capture_output=True).stdout
        for line in out.decode("utf-8", "surrogateescape").splitlines():
            path, *values = line.split("\t")
            facts[path] = dict(zip(FIELDS, values))
    return facts


def utc_text(seconds):
    return datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")


def pefile_facts(path):
    try:
        pe = pefile.PE(path, fast_load=True)
    except pefile.PEFormatError as error:
        return dict(NO_MODULE, machine="ne" if "NE file" in str(error) else "")
    header, optional = pe.FILE_HEADER, pe.OPTIONAL_HEADER
    directories = optional.DATA_DIRECTORY
    clr = directories[CLR_DIRECTORY] if len(directories) > CLR_DIRECTORY else None
    managed = optional.NumberOfRvaAndSizes > CLR_DIRECTORY and clr is not None and clr.VirtualAddress != 0 \
        and clr.Size != 0
    pe.close()
    return {
        "machine": MACHINES.get(header.Machine, "0x%04x" % header.Machine),
        "subsystem": SUBSYSTEMS.get(optional.Subsystem, str(optional.Subsystem)),
        "managed": "true" if managed else "false",
        "linkTime": utc_text(header.TimeDateStamp),
    }


def unknown_value(text):
    """exiftool's "Unknown (0xaa64)" or "Unknown (16)": the value as we would
    write it when we have no name either."""
    value = text[len("Unknown ("):-1]
    return "0x%04x" % int(value, 16) if value.startswith("0x") else value


def exiftool_entries(files):
    """exiftool's JSON for the files; a file that makes it stop (it dies on
    some malformed headers) is tried alone and left out when it fails."""
    command = ["exiftool", "-j", "-q", "-q", "-FileType", "-MachineType", "-Subsystem", "-TimeStamp"]
    out = subprocess.run(command + files, capture_output=True).stdout
    try:
        return json.loads(out or b"[]")
    except ValueError:
        if len(files) == 1:
            print("  exiftool could not read %s" % files[0])
            return []
        return [entry for path in files for entry in exiftool_entries([path])]


def exiftool_fact(entry):
    fact = dict(NO_MODULE)
    if str(entry.get("FileType", "")).startswith("Win16"):
        fact["machine"] = "ne"
    machine = str(entry.get("MachineType", ""))
    if machine:
        fact["machine"] = EXIFTOOL_MACHINES.get(machine) or unknown_value(machine)
    subsystem = str(entry.get("Subsystem", ""))
    if subsystem:
        fact["subsystem"] = EXIFTOOL_SUBSYSTEMS.get(subsystem) or unknown_value(subsystem)
    stamp = str(entry.get("TimeStamp", ""))
    if stamp == "0000:00:00 00:00:00":  # what exiftool writes for a stamp of 0
        fact["linkTime"] = utc_text(0)
    elif stamp:
        local = datetime.datetime.strptime(stamp, "%Y:%m:%d %H:%M:%S%z")
        fact["linkTime"] = local.astimezone(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
    fact["managed"] = None  # exiftool does not tell
    return fact


def exiftool_facts(files):
    facts = {}
    for start in range(0, len(files), 500):
        for entry in exiftool_entries(files[start:start + 500]):
            facts[entry["SourceFile"]] = exiftool_fact(entry)
    return facts


def compare(name, ours_by_path, theirs_by_path, files):
    differences = 0
    print("against %s (%d files):" % (name, len(files)))
    for path in files:
        if path not in theirs_by_path:
            print("  no answer from %s for %s" % (name, path))
    for field in FIELDS:
        compared = [path for path in files if (theirs_by_path.get(path) or {}).get(field) is not None]
        differing = [path for path in compared if ours_by_path[path][field] != theirs_by_path[path][field]]
        print("  %-10s %d of %d agree" % (field, len(compared) - len(differing), len(compared)))
        for path in differing:
            print("    %s: ours %r, %s %r" % (path, ours_by_path[path][field], name, theirs_by_path[path][field]))
        differences += len(differing)
    return differences


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: header_facts_vs_pefile.py TOOL [PATH...]")
    files = files_of(sys.argv[2:] or WINE_FOLDERS)
    mine = ours(sys.argv[1], files)
    differences = compare("pefile", mine, {path: pefile_facts(path) for path in files}, files)
    differences += compare("exiftool", mine, exiftool_facts(files), files)
    sys.exit(1 if differences else 0)


if __name__ == "__main__":
    main()
