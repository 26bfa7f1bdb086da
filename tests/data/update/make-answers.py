#!/usr/bin/env python3
"""Writes update answers built outside the program, as reference data for its reader.

The content is compressed with Python's zlib as raw deflate (no zlib header, no trailer),
as the vendor's server does. Run from this folder: python3 make-answers.py
"""
import struct
import zlib


def text(s):
    b = s.encode("latin-1")
    return struct.pack("<i", len(b)) + b


def content(picture=b""):
    c = text("Plotvane") + text("") + text("") + text("")
    c += text("http://update.plotvane.example/files")
    if picture:
        return c + b"\x01" + picture
    c += b"\x00"
    c += text("Faster lists, clearer cards.")
    c += text("The popup no longer steals the focus.")
    c += text("Box art in higher resolution.")
    c += text("")
    return c


def answer(body, compressed, version=0x01020305, base_name="plotvane-setup.sh"):
    header = bytearray(64)
    header[0:16] = b"PlotvaneAnswer\x01\x00"
    header[52] = 4
    if compressed:
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
        packed = packer.compress(body) + packer.flush()
        header[53] = 1
        header[56:64] = struct.pack("<ii", len(packed), len(body))
        body = packed
    rec = bytearray(76)
    rec[0] = 1
    rec[4:8] = struct.pack("<I", version)
    name = base_name.encode("latin-1")
    rec[8] = len(name)
    rec[9:9 + len(name)] = name
    data = bytes(header) + body + bytes(rec)
    return data + struct.pack("<iI", len(data), sum(data) & 0xFFFFFFFF)


with open("stored.bin", "wb") as f:
    f.write(answer(content(), False))
with open("compressed.bin", "wb") as f:
    f.write(answer(content(), True))
with open("picture.bin", "wb") as f:
    f.write(answer(content(b"\xff\xd8\xff\xe0\x00\x10JFIF\x00" + bytes(range(256)) * 4 + b"\xff\xd9"), True))
