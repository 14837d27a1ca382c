#!/usr/bin/env python3
"""Writes a zip of the given files, the same bytes on every run.

usage: make_zip.py OUT.zip EPOCH FILE...

The entries are the files' base names in sorted order, every one dated
EPOCH (seconds since 1970, as SOURCE_DATE_EPOCH; taken in UTC), marked as
written on MS-DOS with no attributes, and deflated at the highest level.
"""
import os
import sys
import time
import zipfile


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    out, epoch, files = argv[1], int(argv[2]), argv[3:]
    # The zip date format starts in 1980 and counts seconds in steps of two.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(out + ".part", "w") as archive:
        for path in sorted(files, key=os.path.basename):
            entry = zipfile.ZipInfo(os.path.basename(path), stamp)
            entry.create_system = 0
            entry.external_attr = 0
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                archive.writestr(entry, f.read(), compresslevel=9)
    os.replace(out + ".part", out)


if __name__ == "__main__":
    main(sys.argv)
