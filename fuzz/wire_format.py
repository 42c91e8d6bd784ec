# SPDX-License-Identifier: GPL-2.0-only
"""The driver's sample records for the Python seed and input makers, laid out
from src/spectral/sample_format.h itself: its structs are bytes and byte
arrays only, so each field starts where the one before it ends."""
import os
import re

HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "spectral",
                      "sample_format.h")


def _layouts(text):
    consts = {name: int(v) for name, v in re.findall(r"\b(WIRE_\w+) = (\d+)", text)}
    layouts = {}
    for name, body in re.findall(r"struct (wire_\w+) \{(.*?)\};", text, re.S):
        fields, at = {}, 0
        for field, count in re.findall(r"\bu?int8_t (\w+)(?:\[(\w+)\])?;", body):
            n = consts[count] if count in consts else int(count or 1)
            fields[field] = (at, n)
            at += n
        layouts[name] = (fields, at)
    # the header's own size checks: a field this reading missed shows here
    for name, size in re.findall(r"WIRE_SIZE_IS\(struct (wire_\w+), ([\d +]+)\);", text):
        want = sum(int(n) for n in size.split("+"))
        if layouts[name][1] != want:
            raise ValueError("%s: %d bytes read, the header says %d" % (name, layouts[name][1], want))
    return consts, layouts


with open(HEADER) as _f:
    CONSTS, LAYOUTS = _layouts(_f.read())


def size(name):
    return LAYOUTS[name][1]


def record(name, **fields):
    """A record of struct `name`: its type, the length of its own size (unless
    given) and the named fields, integers big-endian (negative ones as two's
    complement), arrays as bytes; every other byte 0."""
    layout, n = LAYOUTS[name]
    out = bytearray(n)
    if "type" not in fields:
        fields["type"] = CONSTS[name.upper()]
    fields.setdefault("length", n - size("wire_tlv"))
    for field, value in fields.items():
        at, width = layout[field]
        if isinstance(value, (bytes, bytearray)):
            if len(value) != width:
                raise ValueError("%s.%s takes %d bytes" % (name, field, width))
            out[at:at + width] = value
        else:
            out[at:at + width] = value.to_bytes(width, "big", signed=value < 0)
    return bytes(out)
