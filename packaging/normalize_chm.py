#!/usr/bin/env python3
"""Gives a compiled HTML Help file (.chm) a fixed build date, in place.

usage: normalize_chm.py FILE.chm EPOCH

The help compiler stamps the time of the build in two places: the file
header's timestamp and the timestamp record (code 10) of the /#SYSTEM file,
which lies in the uncompressed section. Both become EPOCH (seconds since
1970, as SOURCE_DATE_EPOCH), so the same sources give the same bytes.
"""
import struct
import sys


def encint(data, i):
    """A variable-length number of the directory: 7 bits a byte, high bit set on all but the last."""
    value = 0
    while True:
        byte = data[i]
        i += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, i


def system_file(data):
    """(offset, length) of /#SYSTEM in the file, from the listing chunks of the directory."""
    directory = struct.unpack_from("<Q", data, 0x48)[0]
    content = struct.unpack_from("<Q", data, 0x58)[0]
    if data[directory:directory + 4] != b"ITSP":
        raise ValueError("no directory")
    header_length, chunk_size = struct.unpack_from("<I", data, directory + 8)[0], struct.unpack_from("<I", data, directory + 0x10)[0]
    chunks = struct.unpack_from("<I", data, directory + 0x2C)[0]
    for n in range(chunks):
        chunk = data[directory + header_length + n * chunk_size:][:chunk_size]
        if chunk[:4] != b"PMGL":
            continue
        end = chunk_size - struct.unpack_from("<I", chunk, 4)[0]
        i = 0x14
        while i < end:
            name_length, i = encint(chunk, i)
            name = chunk[i:i + name_length]
            i += name_length
            section, i = encint(chunk, i)
            offset, i = encint(chunk, i)
            length, i = encint(chunk, i)
            if name == b"/#SYSTEM" and section == 0:
                return content + offset, length
    raise ValueError("no /#SYSTEM")


def normalize(data, epoch):
    if data[:4] != b"ITSF" or struct.unpack_from("<I", data, 4)[0] != 3:
        raise ValueError("not a version 3 ITSF file")
    stamp = epoch & 0xFFFFFFFF
    struct.pack_into(">I", data, 0x10, stamp)
    start, length = system_file(data)
    i, end = start + 4, start + length  # after the /#SYSTEM version
    while i + 4 <= end:
        code, size = struct.unpack_from("<HH", data, i)
        if code == 10 and size == 4:
            struct.pack_into("<I", data, i + 4, stamp)
        i += 4 + size


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    with open(argv[1], "rb") as f:
        data = bytearray(f.read())
    try:
        normalize(data, int(argv[2]))
    except (ValueError, struct.error, IndexError) as e:
        sys.exit(f"{argv[1]}: {e}")
    with open(argv[1], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv)
