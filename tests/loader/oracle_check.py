#!/usr/bin/env python3
"""The load list against Wine's loader: for each program, the modules Wine
maps (oracle_modules.exe, under WINEDEBUG=+loaddll for builtin or native)
and the rows of our driver, natively with --windows on the session's prefix
and as the Windows build under Wine. Every module Wine maps must be the file
a row names, in both builds; a row names `builtin` exactly where Wine loads
its own module. Writes the agreement table as Markdown.

    oracle_check.py --fixtures DIR --wine-run SCRIPT [--native TOOL] [--windows-tool TOOL.exe] [--report FILE]

Run in a session of scripts/wine-session.sh (its prefix is MODARIS_WINEPREFIX).
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

# Wine's own programs, each started as a user would.
WINE_PROGRAMS = ["system32/hostname.exe", "system32/ipconfig.exe", "system32/xcopy.exe", "notepad.exe",
                 "regedit.exe"]
LOADED = re.compile(r'Loaded L"(.*?)" at [0-9A-Fa-f]+: (builtin|native)')


def prefix():
    return os.environ.get("WINEPREFIX") or os.environ["MODARIS_WINEPREFIX"]


def native_of(windows_path):
    """A path Wine gives as the file of this system, for comparison."""
    path = windows_path.replace("\\\\", "\\")
    if path.startswith("\\\\?\\"):
        path = path[4:]
    if len(path) >= 2 and path[1] == ":":
        root = os.path.join(prefix(), "dosdevices", path[0].lower() + ":")
        path = os.path.join(root, path[3:].replace("\\", "/"))
    return os.path.realpath(path).lower()


def windows_of(native_path):
    """A native path as Wine names it: Z: is the whole file system."""
    real = os.path.realpath(native_path)
    drive_c = os.path.realpath(os.path.join(prefix(), "drive_c"))
    if real.startswith(drive_c + "/"):
        return "C:" + real[len(drive_c):].replace("/", "\\")
    return "Z:" + real.replace("/", "\\")


def run(command, env=None):
    result = subprocess.run(command, capture_output=True, text=True, errors="replace", env=env, timeout=300)
    return result.returncode, result.stdout, result.stderr


def wine_modules(wine_run, harness, program, path):
    """(modules, harness modules, builtin paths, failure) as Wine's loader maps them."""
    env = dict(os.environ, WINEDEBUG="+loaddll")
    _, out, err = run([wine_run, harness, "--path=" + path, program], env)
    modules, own, failure = [], set(), None
    for line in out.splitlines():
        kind, _, value = line.partition("\t")
        if kind == "module":
            modules.append(value)
        elif kind == "harness":
            own.add(native_of(value))
        elif kind == "failed":
            failure = value
    builtin = {native_of(m.group(1)): m.group(2) == "builtin" for m in LOADED.finditer(err)}
    return modules, own, builtin, failure


def our_rows(command):
    status, out, err = run(command)
    rows = []
    for line in out.splitlines():
        fields = line.split("\t")
        if len(fields) < 11:
            continue
        rows.append({"importName": fields[1], "loadKind": fields[4], "foundBy": fields[5], "fileName": fields[6],
                     "builtin": fields[8] == "true", "problem": fields[9]})
    return status, rows, err


def compare(name, wine, rows, windows_paths):
    """Findings of one build against Wine: (failures, notes, same, considered, builtin agreed, checked)."""
    modules, own, builtin, failure = wine
    failures, notes = [], []
    by_path = {}
    for row in rows:
        if row["fileName"]:
            by_path.setdefault(native_of(row["fileName"]) if windows_paths else
                               os.path.realpath(row["fileName"]).lower(), row)
    if failure:
        missing = [r["importName"] for r in rows if r["problem"] in ("missing", "wrong-machine", "unreadable")]
        if missing:
            notes.append("Wine cannot start it (%s); the rows say %s" % (failure, ", ".join(missing) + " missing"))
        else:
            failures.append("Wine cannot start it (%s) but every row resolves" % failure)
        return failures, notes, 0, 0, 0, 0
    same = agreed = considered = checked = 0
    seen = set()
    for module in modules:
        path = native_of(module)
        if path in own and path not in by_path:
            continue
        seen.add(path)
        considered += 1
        row = by_path.get(path)
        if row is None:
            base = os.path.basename(path)
            other = [r for r in rows if r["fileName"] and os.path.basename(r["fileName"]).lower() == base]
            if other:
                failures.append("%s: Wine maps %s, the row names %s" % (base, module, other[0]["fileName"]))
            else:
                notes.append("%s: mapped by Wine, named by no import table (loaded by code at run time)" % base)
            continue
        same += 1
        if path in builtin:
            checked += 1
            if builtin[path] == row["builtin"]:
                agreed += 1
            else:
                failures.append("%s: Wine loads it %s, the row says builtin=%s" %
                                (os.path.basename(path), "builtin" if builtin[path] else "native",
                                 str(row["builtin"]).lower()))
    for path, row in by_path.items():
        if path in seen:
            continue
        if row["loadKind"] == "delay":
            notes.append("%s: delay-loaded, not mapped until its first call" % row["importName"])
        else:
            failures.append("%s: named by a row (%s) but not mapped by Wine" % (row["importName"], row["foundBy"]))
    return failures, notes, same, considered, agreed, checked


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--fixtures", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--native")
    parser.add_argument("--windows-tool")
    parser.add_argument("--report")
    options = parser.parse_args()
    fixtures = options.fixtures
    harness = os.path.join(fixtures, "oracle_modules.exe")
    windows_dir = os.path.join(prefix(), "drive_c", "windows")
    system32 = os.path.join(windows_dir, "system32")
    if not os.path.isdir(system32):
        subprocess.run([options.wine_run, "cmd.exe", "/c", "exit"], capture_output=True, timeout=300)
    path_dirs = [os.path.join(fixtures, "wrongdir"), os.path.join(fixtures, "pathdir")]
    programs = [os.path.join(fixtures, "app", name) for name in ("oracle_app.exe", "missing_app.exe", "sxsuser.dll")]
    programs += [os.path.join(windows_dir, name) for name in WINE_PROGRAMS]

    # The copy in System32 that the program's own shadowed.dll wins over.
    placed = os.path.join(system32, "shadowed.dll")
    shutil.copyfile(os.path.join(fixtures, "system", "shadowed.dll"), placed)
    table = ["| program | modules Wine maps | same file, native | same file, Windows build | builtin agrees |"
             " differences and why |", "|---|---|---|---|---|---|"]
    failed = False
    try:
        windows_path = ";".join(windows_of(d) for d in path_dirs)
        for program in programs:
            if not os.path.exists(program):
                continue
            wine = wine_modules(options.wine_run, harness, windows_of(program), windows_path)
            cells, all_notes, agreed_cells, counts = [], [], [], []
            for label, command, windows_paths in (
                    ("native", [options.native, "--windows=" + windows_dir, "--path=" + ";".join(path_dirs), program]
                     if options.native else None, False),
                    ("Windows build", [options.wine_run, options.windows_tool, "--path=" + windows_path,
                                       windows_of(program)] if options.windows_tool else None, True)):
                if not command:
                    cells.append("not run")
                    continue
                _, rows, _ = our_rows(command)
                failures, notes, same, count, agreed, checked = compare(os.path.basename(program), wine, rows,
                                                                        windows_paths)
                for failure in failures:
                    print("%s (%s): %s" % (os.path.basename(program), label, failure), file=sys.stderr)
                failed = failed or bool(failures)
                cells.append("%d of %d%s" % (same, count, "" if not failures else " (%d differ)" % len(failures)))
                agreed_cells.append("%d of %d" % (agreed, checked) if checked else "-")
                counts.append(count)
                all_notes += [n for n in notes if n not in all_notes] + failures
            if wine[3]:
                cells = ["both say missing" if c != "not run" else c for c in cells]
            table.append("| %s | %s | %s | %s | %s | %s |" % (
                os.path.basename(program), "cannot start: %s" % wine[3] if wine[3] else max(counts or [0]),
                cells[0], cells[1],
                " / ".join(agreed_cells) or "-", "; ".join(all_notes) or "none"))
    finally:
        os.remove(placed)
    report = "\n".join(table) + "\n"
    print(report)
    if options.report:
        with open(options.report, "w") as out:
            out.write(report)
    return 1 if failed else 0


sys.exit(main())
