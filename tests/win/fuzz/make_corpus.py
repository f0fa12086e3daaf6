#!/usr/bin/env python3
"""Writes the seed inputs of the PE reading's fuzzer into corpus/ (the input's
format: image_fuzz.h). accepted-* are files the rule must take, refused-* files
it must refuse; the test suite checks both, and that the raw images here are
SmallImage's. Edit scripts start from SmallImage: 1 the 64-bit one, 2 the
32-bit one."""
import os
import struct

ENTRY_END = {1: 0x130, 2: 0x120}  # where the certificate entry ends
SIZE = 0xA00


def small_image(is64):
    """SmallImage of tests/equipment/crafted_control, byte for byte."""
    b = bytearray(i * 7 % 251 for i in range(SIZE))
    optional, optional_size = 0x98, 0xF0 if is64 else 0xE0

    def put(at, value, size):
        b[at:at + size] = value.to_bytes(size, "little")

    put(0x00, 0x5A4D, 2)
    put(0x3C, 0x80, 4)
    put(0x80, 0x4550, 4)
    put(0x84, 0x8664 if is64 else 0x014C, 2)
    put(0x86, 3, 2)
    put(0x94, optional_size, 2)
    put(optional, 0x20B if is64 else 0x10B, 2)
    put(optional + 32, 0x1000, 4)
    put(optional + 36, 0x200, 4)
    put(optional + 60, 0x400, 4)
    put(optional + 64, 0x11223344, 4)
    put(optional + (108 if is64 else 92), 16, 4)
    entry = optional + (112 if is64 else 96) + 32
    put(entry, 0, 8)
    sections = [(b".text", 0x60000020), (b".data", 0xC0000040), (b".reloc", 0x42000040)]
    for i, (name, characteristics) in enumerate(sections):
        header = optional + optional_size + 40 * i
        b[header:header + 40] = bytes(40)
        b[header:header + len(name)] = name
        put(header + 8, 0x1F0, 4)
        put(header + 12, 0x1000 * (i + 1), 4)
        put(header + 16, 0x200, 4)
        put(header + 20, 0x400 + 0x200 * i, 4)
        put(header + 36, characteristics, 4)
    return bytes(b)


def insert(at, count, fill):
    return struct.pack("<BHHB", 0, at, count, fill)


def entry(offset, size):
    return struct.pack("<BII", 2, offset, size)


def append(count, fill):
    return struct.pack("<BHB", 3, count, fill)


def cut(at, count):
    return struct.pack("<BHH", 4, at, count)


def craft(shape):
    return struct.pack("<BB", 5, shape)


def sign(size):
    return struct.pack("<BH", 7, size)


SHAPES = ["after-entry", "at-last-section", "in-code-section", "data-after-table", "table-past-end"]

seeds = {
    "refused-empty": b"",
    "refused-text": b"\0Divazid.dll\r\n",
    "refused-mz-alone": b"\0MZ",
    "accepted-raw-small64": b"\0" + small_image(True),
    "accepted-raw-small32": b"\0" + small_image(False),
}
for kind, bits in ((1, "64"), (2, "32")):
    end = ENTRY_END[kind]
    seeds |= {
        f"accepted-small{bits}": bytes([kind]),
        f"accepted-small{bits}-signed": bytes([kind]) + craft(5),
        f"accepted-small{bits}-table-from-entry-end": bytes([kind]) + entry(end, SIZE - end),
        f"refused-small{bits}-cut-in-entry": bytes([kind]) + cut(end - 6, 0xFFFF),
        f"refused-small{bits}-size-0-offset-set": bytes([kind]) + entry(SIZE, 0),
        f"refused-small{bits}-table-before-entry-end": bytes([kind]) + entry(end - 8, SIZE - end + 8),
        f"refused-small{bits}-table-short-of-end": bytes([kind]) + append(16, 0) + entry(SIZE, 8),
        f"refused-small{bits}-table-inserted-at-headers-end": bytes([kind]) + insert(0x400, 0x200, 0xCC)
        + entry(0x400, 0x200),
        f"accepted-small{bits}-signed-twice": bytes([kind]) + sign(16) + sign(16),
    }
    for shape, name in enumerate(SHAPES):
        seeds[f"refused-small{bits}-{name}"] = bytes([kind]) + craft(shape)

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(here, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
print(f"{len(seeds)} seeds")
