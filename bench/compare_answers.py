#!/usr/bin/python3
"""Compares, file by file, what modaris-scan (tsv), the pefile script and
exiftool (-T with Directory, FileName, ProductVersionNumber,
FileVersionNumber, CompanyName) answer. Prints the number of files all three
read, how many of them agree, and each difference.
Usage: compare_answers.py MODARIS.tsv PEFILE.tsv EXIFTOOL.tsv"""
import sys

NO_VERSION = "0.000000.0.000000"


def version_text(dotted):
    """exiftool's "10.0.10240.16384" in the text form Modaris shows."""
    if dotted in ("-", ""):
        return NO_VERSION
    words = [int(part) for part in dotted.split(".")]
    return "%f.%f" % (words[0] + words[1] * 0.0001, words[2] + words[3] * 0.0001)


def read_rows(path, encoding="utf-8"):
    with open(path, encoding=encoding, errors="surrogateescape", newline="") as lines:
        for line in lines:
            yield line.rstrip("\r\n").split("\t")


def modaris_answers(path):
    # Each cell ends with a tab: the last field is empty.
    return {cells[5]: (cells[0], cells[1], cells[3], cells[4]) for cells in read_rows(path)}


def pefile_answers(path):
    return {cells[0]: (cells[1], cells[2], cells[3], cells[4]) for cells in read_rows(path)}


def exiftool_answers(path):
    answers = {}
    for directory, name, product, file_version, company in read_rows(path):
        answers[directory + "/" + name] = (version_text(product), version_text(file_version),
                                           "" if company == "-" else company)
    return answers


def main(modaris_path, pefile_path, exiftool_path):
    modaris = modaris_answers(modaris_path)
    pefile = pefile_answers(pefile_path)
    exiftool = exiftool_answers(exiftool_path)
    common = sorted(set(modaris) & set(pefile) & set(exiftool))
    differences = []
    for path in common:
        ours = modaris[path]
        if ours != pefile[path]:
            differences.append("%s: modaris %r, pefile %r" % (path, ours, pefile[path]))
        if (ours[0], ours[1], ours[3]) != exiftool[path]:
            differences.append("%s: modaris %r, exiftool %r" % (path, ours, exiftool[path]))
    print("files read by all three: %d" % len(common))
    print("files only some read: %d" % len(set(modaris) ^ set(pefile) | set(modaris) ^ set(exiftool)))
    print("differences: %d" % len(differences))
    for difference in differences:
        print("  " + difference)
    return 0 if not differences else 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
