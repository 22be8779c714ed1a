#!/usr/bin/env python3
"""Writes the SHA-256 of every file of the CD folder, or of the image, in sha256sum's format
beside it: build/cd.sha256 and build/vorlex.iso.sha256, read with `sha256sum -c` in build/.
Beside, never inside: a list on the CD would be part of the image it stands beside, and the CD
that anyone rebuilds from the same commit must list the same files with the same hashes.

usage: checksums.py CD-FOLDER | IMAGE"""
import hashlib
import os
import sys


def main():
    what = os.path.abspath(sys.argv[1])
    parent = os.path.dirname(what)
    files = [what]
    if os.path.isdir(what):
        files = sorted(os.path.join(folder, name) for folder, _, names in os.walk(what) for name in names)
    lines = []
    for path in files:
        digest = hashlib.sha256()
        with open(path, "rb") as f:
            for block in iter(lambda: f.read(1 << 20), b""):
                digest.update(block)
        lines.append("%s  %s\n" % (digest.hexdigest(), os.path.relpath(path, parent).replace(os.sep, "/")))
    with open(what + ".sha256.new", "w") as f:
        f.writelines(lines)
    os.replace(what + ".sha256.new", what + ".sha256")
    return 0


if __name__ == "__main__":
    sys.exit(main())
