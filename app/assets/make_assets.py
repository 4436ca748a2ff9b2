#!/usr/bin/env python3
"""Draws the window's banner (a looping animated GIF89a, 930 x 80) and its icon (PNG, 64 x 64).

Standard library only. Run from anywhere; writes banner.gif and icon.png next to this script:
    python3 app/assets/make_assets.py
"""

import os
import struct
import zlib

WIDTH, HEIGHT = 930, 80
FRAMES = 16
FRAME_DELAY_CS = 8  # hundredths of a second per frame

# 5 x 7 capitals, one string of five cells per row ('#' is ink).
GLYPHS = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "I": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}

# Palette: 0-127 background gradient, 128-191 title ink (gold to white), 192 tagline ink.
BACKGROUND_LEVELS, INK_BASE, INK_LEVELS, TAGLINE = 128, 128, 64, 192


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def palette():
    colours = [lerp((16, 42, 92), (18, 128, 128), i / (BACKGROUND_LEVELS - 1))
               for i in range(BACKGROUND_LEVELS)]
    colours += [lerp((240, 176, 32), (255, 255, 255), i / (INK_LEVELS - 1)) for i in range(INK_LEVELS)]
    colours.append((214, 232, 240))
    colours += [(0, 0, 0)] * (256 - len(colours))
    return colours


def ink_mask(text, scale, left, top):
    """The set of (x, y) pixels covered by `text` drawn at `scale` from (left, top)."""
    cells = set()
    for i, ch in enumerate(text):
        for row, line in enumerate(GLYPHS[ch]):
            for col, cell in enumerate(line):
                if cell == "#":
                    x0, y0 = left + (i * 6 + col) * scale, top + row * scale
                    for dy in range(scale):
                        for dx in range(scale):
                            cells.add((x0 + dx, y0 + dy))
    return cells


def frame_pixels(frame, title, tagline):
    """One frame's palette indices, row by row: a light band sweeps across the title."""
    band_centre = -120 + (WIDTH + 240) * frame / FRAMES
    pixels = bytearray(WIDTH * HEIGHT)
    for y in range(HEIGHT):
        for x in range(WIDTH):
            index = (x * (BACKGROUND_LEVELS - 1)) // (WIDTH - 1)
            if (x, y) in title:
                shine = max(0.0, 1.0 - abs(x + y * 0.5 - band_centre) / 90.0)
                index = INK_BASE + round(shine * (INK_LEVELS - 1))
            elif (x, y) in tagline:
                index = TAGLINE
            pixels[y * WIDTH + x] = index
    return bytes(pixels)


def lzw_encode(pixels, min_code_size=8):
    """GIF's variable-width LZW: codes packed least significant bit first."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, bit_buffer, bit_count = bytearray(), 0, 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def reset():
        return {}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    emit(clear, width)
    prefix = pixels[0]
    for pixel in pixels[1:]:
        key = (prefix, pixel)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix, width)
        table[key] = next_code
        next_code += 1
        if next_code > (1 << width) and width < 12:
            width += 1
        if next_code == 4096:
            emit(clear, width)
            table, next_code, width = reset()
        prefix = pixel
    emit(prefix, width)
    emit(end, width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def sub_blocks(data):
    return b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                    for i in range(0, len(data), 255)) + b"\x00"


def write_banner(path):
    title_scale, tag_scale = 8, 2
    title_text, tag_text = "TALVEX", "FIND TORRENTS BY KEYWORD"
    title_left = (WIDTH - (len(title_text) * 6 - 1) * title_scale) // 2
    title = ink_mask(title_text, title_scale, title_left, 6)
    tag_left = (WIDTH - (len(tag_text) * 6 - 1) * tag_scale) // 2
    tagline = ink_mask(tag_text, tag_scale, tag_left, 6 + 7 * title_scale + 3)

    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", WIDTH, HEIGHT, 0xF7, 0, 0)  # global table of 256 colours
    gif += b"".join(bytes(c) for c in palette())
    gif += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\x00"  # loop forever
    for frame in range(FRAMES):
        gif += b"\x21\xF9\x04\x04" + struct.pack("<H", FRAME_DELAY_CS) + b"\x00\x00"
        gif += b"\x2C" + struct.pack("<HHHHB", 0, 0, WIDTH, HEIGHT, 0)
        gif += b"\x08" + sub_blocks(lzw_encode(frame_pixels(frame, title, tagline)))
    gif += b"\x3B"
    with open(path, "wb") as f:
        f.write(gif)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_icon(path, size=64):
    """A teal disc holding a white magnifier ring, on transparency."""
    rows = bytearray()
    centre, radius = (size - 1) / 2, size / 2 - 1
    for y in range(size):
        rows.append(0)  # filter: none
        for x in range(size):
            dx, dy = x - centre, y - centre
            d = (dx * dx + dy * dy) ** 0.5
            pixel = (0, 0, 0, 0)
            if d <= radius:
                pixel = lerp((16, 42, 92), (18, 128, 128), y / (size - 1)) + (255,)
                lx, ly = x - size * 0.42, y - size * 0.42
                ring = (lx * lx + ly * ly) ** 0.5
                on_handle = x > size * 0.55 and y > size * 0.55 and abs((x - y)) < size * 0.08 \
                    and x < size * 0.80
                if abs(ring - size * 0.20) < size * 0.05 or on_handle:
                    pixel = (255, 255, 255, 255)
            rows += bytes(pixel)
    png = b"\x89PNG\r\n\x1a\n"
    png += png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += png_chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_banner(os.path.join(here, "banner.gif"))
    write_icon(os.path.join(here, "icon.png"))
