#!/usr/bin/python3
"""Prints what a Windows shortcut (.lnk, the Shell Link format [MS-SHLLINK])
points at: its target's local path, its working folder and its description,
one "name: value" line each, as Windows Installer's CreateShortcuts wrote
them.

  shortcut.py FILE.lnk
"""

import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR, HAS_ARGUMENTS, HAS_ICON = (
    1 << n for n in range(7))
IS_UNICODE = 1 << 7


def read(path):
    with open(path, "rb") as file:
        data = file.read()
    if data[:4] != b"\x4c\x00\x00\x00" or len(data) < 0x4C:
        raise ValueError(f"{path} is no shell link")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    at = 0x4C
    if flags & HAS_ID_LIST:
        at += 2 + struct.unpack_from("<H", data, at)[0]
    found = {}
    if flags & HAS_LINK_INFO:
        size, header, info_flags, _, base = struct.unpack_from("<5I", data, at)
        if info_flags & 1:  # VolumeIDAndLocalBasePath
            if header >= 0x24:
                base_unicode = struct.unpack_from("<I", data, at + 0x1C)[0]
                end = data.index(b"\x00\x00", at + base_unicode)
                end += (end - at - base_unicode) % 2
                found["target"] = data[at + base_unicode:end].decode("utf-16-le")
            else:
                end = data.index(b"\x00", at + base)
                found["target"] = data[at + base:end].decode("mbcs" if sys.platform == "win32" else "latin-1")
        at += size
    for flag, name in ((HAS_NAME, "description"), (HAS_RELATIVE_PATH, "relative path"),
                       (HAS_WORKING_DIR, "working folder"), (HAS_ARGUMENTS, "arguments"), (HAS_ICON, "icon")):
        if flags & flag:
            count = struct.unpack_from("<H", data, at)[0]
            at += 2
            width = 2 if flags & IS_UNICODE else 1
            text = data[at:at + count * width]
            # Wine counts the terminating null too.
            found[name] = text.decode("utf-16-le" if width == 2 else "latin-1").rstrip("\0")
            at += count * width
    return found


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    for name, value in read(sys.argv[1]).items():
        print(f"{name}: {value}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
