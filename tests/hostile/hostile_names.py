#!/usr/bin/env python3
"""Names that are not valid UTF-8 or that hold tabs, line breaks, quotes and
commas, through the built scanner. tsv writes a tab, CR or LF in a cell as a
space, so that every row is one line of six cells, and keeps every other
byte; csv and jsonl must quote and escape them so that every row reads back
whole, here with Python's own csv and json readers.
Usage: hostile_names.py MODARIS_SCAN MODULE_32_BIT"""
import csv, io, json, os, re, shutil, subprocess, sys, tempfile

NAMES = [b"tab\tname.dll", b"new\nline.dll", b"cr\rname.dll", b"crlf\r\nname.dll", b'quote"name.dll',
         b'"quoted".dll', b"comma,name.dll", b"back\\slash.dll", b" leading space.dll",
         b"bad\xffname.dll",                 # a byte that starts nothing
         b"overlong\xc0\xafslash.dll",       # an overlong '/'
         b"lone\x80continuation.dll", b"surrogate\xed\xa0\x80half.dll", b"cut\xe2\x82.dll",
         b"del\x7fcontrol\x01.dll", "valid-ünicøde-😀.dll".encode(), b"dir\xfe\nwith\tall"]
HEADING = ["Prod Ver", "File Ver", "Date Ver", "Bit", "Company", "Filename"]
failures = []


def check(what, ok):
    if not ok:
        failures.append(what)


def scan(scanner, root, fmt):
    run = subprocess.run([scanner, "-q", "-d", root, "--format", fmt], capture_output=True, timeout=120)
    check(f"{fmt}: exit code {run.returncode}", run.returncode == 0)
    return run.stdout


def expect_module_rows(fmt, rows, paths):
    """Every row is the 32-bit test module's, and names every path once."""
    check(f"{fmt}: {len(rows)} rows for {len(paths)} files", len(rows) == len(paths))
    for row in rows:
        check(f"{fmt}: row {row!r}", len(row) == 6 and row[0] == row[1] == "1.000200.3.000400" and
              row[3] == "32" and row[4] == "Modaris Simple Ltd" and
              re.fullmatch(r"\d\d/\d\d/\d{4}  \d\d:\d\d", row[2]) is not None)
    read = sorted(os.fsencode(row[5]) for row in rows if len(row) == 6)
    check(f"{fmt}: the paths read back", read == sorted(paths))


def main(scanner, module):
    root = tempfile.mkdtemp()
    try:
        paths = []
        for name in NAMES:
            path = os.path.join(os.fsencode(root), name)
            if name.startswith(b"dir"):  # a folder with a hostile name, and a module in it
                os.mkdir(path)
                path = os.path.join(path, b"in,side\x80.dll")
            shutil.copyfile(module, path)
            paths.append(path)

        tsv = scan(scanner, root, "tsv")
        for path in paths:
            shown = path.replace(b"\t", b" ").replace(b"\r", b" ").replace(b"\n", b" ")
            check(f"tsv shows {path!r}", b"\tModaris Simple Ltd\t" + shown + b"\t\r\n" in tsv)
        lines = tsv.split(b"\r\n")[:-1]
        check(f"tsv: one line per row, {len(lines)} for {len(paths)}", len(lines) == len(paths))
        check("tsv: six cells in every row", all(line.count(b"\t") == 6 for line in lines))

        text = scan(scanner, root, "csv").decode("utf-8", "surrogateescape")
        records = list(csv.reader(io.StringIO(text, newline=""), strict=True))
        check("csv heading", records[:1] == [HEADING])
        expect_module_rows("csv", records[1:], paths)

        rows = []
        for line in scan(scanner, root, "jsonl").decode("utf-8").split("\n")[:-1]:
            row = json.loads(line)
            rows.append([row["productVersion"], row["fileVersion"], row["date"], str(row["bits"]), row["company"],
                         row["fileName"]])
        expect_module_rows("jsonl", rows, paths)
    finally:
        shutil.rmtree(root)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
