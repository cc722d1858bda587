#!/bin/bash
# Succeeds when this machine can run 32-bit Wine: some kernels refuse every
# 32-bit Linux program, Wine's 32-bit loader included.
/usr/lib/wine/wine --version >/dev/null 2>&1
