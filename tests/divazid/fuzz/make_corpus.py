#!/usr/bin/env python3
"""Writes the fuzzer's seed tables into corpus/: valid-* are discs the parser
must accept, malformed-* tables it must reject (the test suite checks both)."""
import os

AUDIO, DATA = 0x10, 0x14  # ADR 1 in the high nibble, control in the low one


def entry(number, start, adr_control):
    m, rest = divmod(start, 75 * 60)
    s, f = divmod(rest, 75)
    return bytes([0, adr_control, number, 0, 0, m, s, f])


def disc(first, starts, data=()):
    tracks = len(starts) - 1
    body = bytes([first, first + tracks - 1])
    for i in range(tracks):
        body += entry(first + i, starts[i], DATA if i in data else AUDIO)
    body += entry(0xAA, starts[-1], DATA)
    return len(body).to_bytes(2, "big") + body


def put(toc, at, value):
    toc = bytearray(toc)
    toc[at] = value
    return bytes(toc)


three = disc(1, [150, 1332, 1871, 2260])
seeds = {
    "valid-one-track": disc(1, [150, 452]),
    "valid-tracks-4-and-5": disc(4, [150, 300, 452]),
    "valid-three-tracks": three,
    "valid-full-buffer": three + bytes(804 - len(three)),
    "valid-99-tracks": disc(1, [150 + 75 * i for i in range(100)]),
    "valid-enhanced-cd": disc(1, [150, 20150, 61550, 111550], data={2}),
    "valid-enhanced-cd-audio-within-gap": disc(1, [150, 11550, 20000], data={1}),
    "valid-mixed-mode": disc(1, [150, 20150, 40150], data={0}),
    "valid-long-disc": disc(1, [150, 284645, 359999]),
    "malformed-first-above-last": put(put(three, 2, 3), 3, 1),
    "malformed-100-tracks": disc(1, [150 + 75 * i for i in range(101)]),
    "malformed-track-0": disc(0, [150, 300, 450]),
    "malformed-short-length": put(three, 1, 2 + 3 * 8),
    "malformed-cut-short": three[:-1],
    "malformed-out-of-sequence": put(three, 12 + 2, 3),
    "malformed-no-lead-out": put(three, 28 + 2, 4),
    "malformed-seconds-60": put(three, 28 + 6, 60),
    "malformed-frames-75": put(three, 28 + 7, 75),
    "malformed-zero-length": disc(1, [150, 1332, 1332, 2260]),
    "malformed-before-2-seconds": disc(1, [149, 1332]),
    "malformed-empty": b"",
    "malformed-header-cut-short": three[:3],
    "malformed-track-above-99": disc(99, [150, 300, 450]),
    "malformed-going-back": disc(1, [150, 1332, 1200, 2260]),
    "malformed-lead-out-before-last": disc(1, [150, 1332, 1871, 1800]),
}

folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(folder, exist_ok=True)
for name, toc in seeds.items():
    with open(os.path.join(folder, name), "wb") as out:
        out.write(toc)
