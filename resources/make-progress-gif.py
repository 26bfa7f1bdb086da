#!/usr/bin/env python3
"""Writes progress.gif: the busy animation of the main window (104 x 34, 25 frames of 100 ms).

A computer at the left, a server at the right, and a film strip that travels from the server
to the computer while the computer's screen fills. The first frame is the whole picture;
the 24 others are patches over it (disposal 1: each stays until painted over). Index 255 is
the transparent white; patches paint the background with an opaque white (254) instead, so
that they cover what the frame before left.

Run it to make the file again: python3 resources/make-progress-gif.py
"""
import os
import struct

W, H = 104, 34
TRANSPARENT, WHITE = 255, 254
BLACK, DARK, GREY, LIGHT, SCREEN, SCREEN_LIT, FILM, HOLE, GREEN, AMBER = range(10)
PALETTE = {
    BLACK: (0, 0, 0), DARK: (64, 70, 82), GREY: (150, 156, 166), LIGHT: (214, 218, 224),
    SCREEN: (36, 72, 140), SCREEN_LIT: (140, 190, 250), FILM: (58, 40, 30), HOLE: (236, 226, 200),
    GREEN: (40, 200, 70), AMBER: (250, 180, 40), WHITE: (255, 255, 255), TRANSPARENT: (255, 255, 255),
}
FRAMES = 25
PATCH = (6, 6, 80, 25)  # x0, y0, x1, y1 (exclusive) of the part that changes


def rect(c, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            c[y][x] = colour


def render(step, background):
    c = [[background] * W for _ in range(H)]
    # The computer: bezel, screen, stand, foot.
    rect(c, 3, 3, 34, 26, DARK)
    rect(c, 4, 4, 33, 25, GREY)
    rect(c, 6, 6, 31, 23, SCREEN)
    lit_rows = (23 - 7) * step // (FRAMES - 1)
    for row in range(lit_rows):
        y = 22 - row
        if row % 2 == 0:
            rect(c, 8, y, 29, y + 1, SCREEN_LIT)
    rect(c, 16, 26, 21, 29, GREY)
    rect(c, 11, 29, 26, 31, DARK)
    # The server: a tower with drive slots and two lights.
    rect(c, 82, 1, 100, 33, DARK)
    rect(c, 83, 2, 99, 32, GREY)
    for y in (5, 9, 13):
        rect(c, 85, y, 97, y + 2, DARK)
    rect(c, 95, 22, 97, 24, GREEN)
    rect(c, 95, 26, 97, 28, AMBER if step % 2 else LIGHT)
    # The film strip, from the server (left edge 68) to the computer (left edge 34).
    x = 68 - (68 - 34) * step // (FRAMES - 1)
    rect(c, x, 11, x + 12, 20, FILM)
    for hx in range(x + 1, x + 12, 3):
        c[12][hx] = HOLE
        c[18][hx] = HOLE
    rect(c, x + 2, 14, x + 5, 17, SCREEN_LIT)
    rect(c, x + 7, 14, x + 10, 17, SCREEN_LIT)
    return c


def lzw(indices, min_code_size=8):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, bits, nbits = bytearray(), 0, 0

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    table = {bytes([i]): i for i in range(clear)}
    size, next_code = min_code_size + 1, end + 1
    emit(clear, size)
    current = b""
    for index in indices:
        candidate = current + bytes([index])
        if candidate in table:
            current = candidate
            continue
        emit(table[current], size)
        if next_code < 4096:
            table[candidate] = next_code
            if next_code == (1 << size) and size < 12:
                size += 1
            next_code += 1
        else:
            emit(clear, size)
            table = {bytes([i]): i for i in range(clear)}
            size, next_code = min_code_size + 1, end + 1
        current = bytes([index])
    if current:
        emit(table[current], size)
    emit(end, size)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out) + b"\0"


def image_block(canvas, x0, y0, x1, y1):
    pixels = [canvas[y][x] for y in range(y0, y1) for x in range(x0, x1)]
    control = b"\x21\xF9\x04" + bytes([(1 << 2) | 1]) + struct.pack("<H", 10) + bytes([TRANSPARENT, 0])
    descriptor = b"\x2C" + struct.pack("<HHHH", x0, y0, x1 - x0, y1 - y0) + b"\0"
    return control + descriptor + b"\x08" + sub_blocks(lzw(pixels))


def main():
    palette = b"".join(bytes(PALETTE.get(i, (0, 0, 0))) for i in range(256))
    gif = bytearray(b"GIF89a" + struct.pack("<HH", W, H) + bytes([0xF7, TRANSPARENT, 0]) + palette)
    gif += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\0"
    gif += image_block(render(0, TRANSPARENT), 0, 0, W, H)
    for step in range(1, FRAMES):
        gif += image_block(render(step, WHITE), *PATCH)
    gif += b"\x3B"
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "progress.gif")
    with open(path, "wb") as f:
        f.write(gif)
    print(f"{path}: {len(gif)} bytes, {FRAMES} frames")


if __name__ == "__main__":
    main()
