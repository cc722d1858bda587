#!/usr/bin/python3
"""Bytes read per module from an strace log (strace -f -y -e trace=read,pread64):
the sum of what each read of a module file returned. Prints the number of
modules, the median and maximum bytes read, and the median and maximum size.
Usage: bytes_read.py STRACE_LOG"""
import os
import re
import statistics
import sys

CALL = re.compile(r'^(?:\d+ +)?(?:read|pread64)\(\d+<([^>]+)>.*\) = (\d+)$')
EXTENSIONS = (".dll", ".exe", ".ocx", ".arx", ".bpl")


def main(log):
    totals = {}
    with open(log, errors="surrogateescape") as lines:
        for line in lines:
            match = CALL.match(line.rstrip("\n"))
            if match and match.group(1).lower().endswith(EXTENSIONS):
                totals[match.group(1)] = totals.get(match.group(1), 0) + int(match.group(2))
    sizes = [os.path.getsize(path) for path in totals]
    read = list(totals.values())
    print("modules %d" % len(read))
    print("median_read %d" % statistics.median(read))
    print("max_read %d" % max(read))
    print("median_size %d" % statistics.median(sizes))
    print("max_size %d" % max(sizes))


if __name__ == "__main__":
    main(sys.argv[1])
