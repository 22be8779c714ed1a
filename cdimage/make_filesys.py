#!/usr/bin/env python3
"""Writes the demo game's data archive: deterministic bytes of a chosen size.

usage: make_filesys.py OUTPUT [SIZE_IN_BYTES]
The default is a little over 25 MB, so the install's progress bar runs to its end.
"""
import hashlib
import os
import sys

DEFAULT_SIZE = 25 * 1048576 + 409600


def main():
    out = sys.argv[1]
    size = int(sys.argv[2]) if len(sys.argv) > 2 else DEFAULT_SIZE
    # A 64 KB block of hashed bytes, each copy stamped with its number, so a copy
    # that drops, repeats or swaps a chunk never matches the original.
    block = b"".join(hashlib.sha256(b"vorlex%d" % i).digest() for i in range(2048))
    tmp = out + ".tmp"
    with open(tmp, "wb") as f:
        written = 0
        number = 0
        while written < size:
            chunk = number.to_bytes(8, "little") + block[8:]
            chunk = chunk[: size - written]
            f.write(chunk)
            written += len(chunk)
            number += 1
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
