#!/usr/bin/python3
"""Prints the target and the working folder of a Windows shortcut (.lnk), one a line.

Reads the shell link format: the header's flags, then the target's ID list and link information, whose local
base path is the target, then the counted strings, among them the working folder. Exits 1 on a file that is
not a shortcut or lacks either."""
import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR = 0x1, 0x2, 0x4, 0x8, 0x10
IS_UNICODE = 0x80
LINK_CLSID = bytes.fromhex("0114020000000000c000000000000046")


def parse(data):
    if len(data) < 76 or struct.unpack_from("<I", data, 0)[0] != 76 or data[4:20] != LINK_CLSID:
        raise ValueError("not a shortcut")
    flags = struct.unpack_from("<I", data, 20)[0]
    pos = 76
    if flags & HAS_ID_LIST:
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = None
    if flags & HAS_LINK_INFO:
        size, header, info_flags, _, base_offset = struct.unpack_from("<IIIII", data, pos)
        if info_flags & 1:
            unicode_offset = struct.unpack_from("<I", data, pos + 28)[0] if header >= 0x24 else 0
            if unicode_offset:
                end = pos + unicode_offset
                target = data[end:data.index(b"\0\0", end) + 1].decode("utf-16-le").rstrip("\0")
            else:
                start = pos + base_offset
                target = data[start:data.index(b"\0", start)].decode("cp1252")
        pos += size
    working = None
    for flag in (HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR):
        if not flags & flag:
            continue
        count = struct.unpack_from("<H", data, pos)[0]
        width = 2 if flags & IS_UNICODE else 1
        text = data[pos + 2:pos + 2 + count * width].decode("utf-16-le" if width == 2 else "cp1252")
        pos += 2 + count * width
        if flag == HAS_WORKING_DIR:
            working = text.rstrip("\0")
    if target is None or working is None:
        raise ValueError("the shortcut names no target or no working folder")
    return target, working


def main():
    try:
        target, working = parse(open(sys.argv[1], "rb").read())
    except (OSError, ValueError, struct.error, IndexError) as error:
        print(f"{sys.argv[1]}: {error}", file=sys.stderr)
        return 1
    print(target)
    print(working)
    return 0


if __name__ == "__main__":
    sys.exit(main())
