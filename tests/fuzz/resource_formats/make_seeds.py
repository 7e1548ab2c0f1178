#!/usr/bin/env python3
"""Writes the seed corpus of the resource formats fuzz target into corpus/.

    make_seeds.py RES_FILE

RES_FILE is a compiled .res with resources of every kind, such as the one
the build makes for the platform's resource tests
(BUILD/tests/modules/RESOURCES.DLL.resources/resources.res). Each seed is
one byte that chooses the reader (see resource_formats_fuzz.cpp), then the
bytes: the whole .res, one resource of each kind taken from it, and
malformed resources that the readers must refuse. The outputs are kept
beside this script.
"""
import os
import struct
import sys

# The readers, in the order of the fuzz target's dispatch.
RES, DIALOG, MENU, STRINGS, BITMAP, ICON_GROUP, CURSOR_GROUP, ICON, CURSOR, VERSION = range(10)

# Resource type ordinals and the reader each one's bytes go to.
KINDS = {1: (CURSOR, "cursor_image"), 2: (BITMAP, "bitmap"), 3: (ICON, "icon_image"),
         4: (MENU, "menu"), 5: (DIALOG, "dialog"), 6: (STRINGS, "string_block"),
         12: (CURSOR_GROUP, "cursor_group"), 14: (ICON_GROUP, "icon_group"),
         16: (VERSION, "version")}


def name_or_ordinal(data, at):
    """(value, next offset): an ordinal as an int, a name as a str."""
    if struct.unpack_from("<H", data, at)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    end = at
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def resources(data):
    """(type, name, bytes) of every record of a .res image."""
    at = 0
    while at + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, at)
        kind, next_at = name_or_ordinal(data, at + 8)
        name, _ = name_or_ordinal(data, next_at)
        yield kind, name, data[at + header:at + header + size]
        at = (at + header + size + 3) & ~3


def malformed():
    """Resources that lie about their lengths and counts, or nest too deep."""
    # A .res record whose header is shorter than its two sizes.
    yield "res_header_too_short", RES, struct.pack("<II", 0, 4)
    # A record whose data runs past the end.
    yield "res_data_past_end", RES, struct.pack("<II", 0x7FFFFFFF, 32) + struct.pack(
        "<HHHHIHHII", 0xFFFF, 6, 0xFFFF, 1, 0, 0x30, 0x409, 0, 0)
    # A dialog that promises 300 items and holds none.
    yield "dialog_lying_count", DIALOG, struct.pack("<IIHhhhh", 0x80C80000, 0, 300, 0, 0, 100, 50) + b"\0" * 6
    # Menus nested deeper than any reader follows.
    yield "menu_too_deep", MENU, struct.pack("<HH", 0, 0) + (
        struct.pack("<H", 0x10) + "P".encode("utf-16-le") + b"\0\0") * 40
    # A string whose length runs past the block.
    yield "strings_length_past_end", STRINGS, struct.pack("<H", 5) + "ab".encode("utf-16-le")
    # A bitmap wider than any picture, and one whose colour table is too long.
    yield "bitmap_too_wide", BITMAP, struct.pack("<IiiHHIIiiII", 40, 0x7FFFFFFF, 1, 1, 1, 0, 0, 0, 0, 0, 0)
    yield "bitmap_long_palette", BITMAP, struct.pack("<IiiHHIIiiII", 40, 1, 1, 1, 8, 0, 0, 0, 0, 1000, 0) + b"\0" * 8
    # A version block longer than its bytes.
    yield "version_length_past_end", VERSION, struct.pack("<HHH", 0xFFFF, 0, 0) + "VS_VERSION_INFO".encode("utf-16-le") + b"\0\0"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    data = open(sys.argv[1], "rb").read()
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(out, exist_ok=True)

    def write(name, reader, body):
        with open(os.path.join(out, name + ".bin"), "wb") as f:
            f.write(bytes([reader]) + body)

    write("whole_res", RES, data)
    seen = set()
    for kind, name, body in resources(data):
        if kind not in KINDS:
            continue
        reader, kind_name = KINDS[kind]
        # One of each kind, the two template forms of dialogs and menus apart.
        extended = body[:4] == b"\x01\x00\xff\xff" if reader == DIALOG else body[:2] == b"\x01\x00"
        if reader in (DIALOG, MENU) and extended:
            kind_name += "_ex"
        if kind_name in seen:
            continue
        seen.add(kind_name)
        write(kind_name, reader, body)
    for name, reader, body in malformed():
        write(name, reader, body)


if __name__ == "__main__":
    main()
