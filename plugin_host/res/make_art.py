#!/usr/bin/env python3
"""Draws lumbraplug's pictures: icon 201, tree images 206, logo 209, toolbox picture 210.

The results are committed, so builds need no image tools; run this again after changing it:
    python3 plugin_host/res/make_art.py plugin_host/res
"""
import struct
import sys

# The standard 16-colour palette (black, dark colours, grays, bright colours, white).
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, TEAL, SILVER, GRAY, YELLOW, WHITE, GREEN, OLIVE = 0, 4, 6, 7, 8, 11, 15, 2, 3


def emblem(size):
    """The control's square emblem: a navy frame, teal field, yellow core. None = transparent."""
    margin = size // 16
    frame = max(1, size // 16)
    core_lo, core_hi = size * 3 // 8, size - size * 3 // 8
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if x < margin or y < margin or x >= size - margin or y >= size - margin:
                row.append(None)
            elif (x < margin + frame or y < margin + frame or x >= size - margin - frame
                  or y >= size - margin - frame):
                row.append(NAVY)
            elif core_lo <= x < core_hi and core_lo <= y < core_hi:
                row.append(YELLOW)
            else:
                row.append(TEAL)
        rows.append(row)
    return rows


def pack_rows(pixels, bits):
    """Bottom-up rows, each padded to 4 bytes."""
    out = b""
    for row in reversed(pixels):
        data = bytearray()
        if bits == 4:
            for i in range(0, len(row), 2):
                hi = row[i]
                lo = row[i + 1] if i + 1 < len(row) else 0
                data.append(hi << 4 | lo)
        elif bits == 8:
            data.extend(row)
        elif bits == 1:
            for i in range(0, len(row), 8):
                byte = 0
                for k in range(8):
                    if i + k < len(row) and row[i + k]:
                        byte |= 0x80 >> k
                data.append(byte)
        while len(data) % 4:
            data.append(0)
        out += bytes(data)
    return out


def palette_bytes(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)


def info_header(width, height, bits, colours, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       colours, 0)


def bmp(pixels, bits, colours):
    width, height = len(pixels[0]), len(pixels)
    data = pack_rows(pixels, bits)
    header = info_header(width, height, bits, len(colours), len(data))
    pal = palette_bytes(colours)
    offset = 14 + len(header) + len(pal)
    return struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset) + header + pal + data


def icon_image(size):
    art = emblem(size)
    colour = [[0 if p is None else p for p in row] for row in art]
    mask = [[1 if p is None else 0 for p in row] for row in art]
    xor = pack_rows(colour, 4)
    and_ = pack_rows(mask, 1)
    # An icon's header counts the height of both masks.
    header = info_header(size, size * 2, 4, 16, len(xor) + len(and_))
    return header + palette_bytes(VGA) + xor + and_


def ico(sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def tree_images():
    """Four 16 x 16 pictures side by side: closed folder, open folder, plug-in, selected plug-in."""
    pixels = [[WHITE] * 64 for _ in range(16)]
    for y in range(16):
        for x in range(16):
            # closed folder
            if 4 <= y <= 13 and 1 <= x <= 14:
                pixels[y][x] = OLIVE if y in (4, 13) or x in (1, 14) else YELLOW
            if 2 <= y <= 3 and 1 <= x <= 6:
                pixels[y][x] = OLIVE
            # open folder: the front flap lowered
            if 4 <= y <= 13 and 1 <= x <= 14:
                pixels[y][16 + x] = OLIVE if y in (4, 13) or x in (1, 14) else YELLOW
                if y >= 8 and x >= 3:
                    pixels[y][16 + x] = SILVER if x != 14 else OLIVE
            if 2 <= y <= 3 and 1 <= x <= 6:
                pixels[y][16 + x] = OLIVE
    for base, fill in ((32, TEAL), (48, GREEN)):
        small = emblem(16)
        for y in range(16):
            for x in range(16):
                if small[y][x] is not None:
                    pixels[y][base + x] = small[y][x] if small[y][x] != TEAL else fill
    return pixels


def logo():
    """90 x 49, 256 colours: a blue-to-teal ramp behind the emblem."""
    colours = [(i, i, i) for i in range(256)]
    # Entries 16.. carry a ramp; the first sixteen are the standard colours.
    colours[:16] = VGA
    for i in range(64):
        colours[16 + i] = (0, 64 + i * 2, 128 + i * 2)
    pixels = [[16 + min(63, (x * 63) // 89) for x in range(90)] for _ in range(49)]
    art = emblem(32)
    for y in range(32):
        for x in range(32):
            if art[y][x] is not None:
                pixels[8 + y][8 + x] = art[y][x]
    for x in range(48, 84):
        for y in (16, 24, 32):
            pixels[y][x] = WHITE
    return pixels, colours


def toolbox():
    art = emblem(16)
    return [[SILVER if p is None else p for p in row] for row in art]


def main(folder):
    with open(f"{folder}/plugin.ico", "wb") as f:
        f.write(ico([32, 16]))
    with open(f"{folder}/tree.bmp", "wb") as f:
        f.write(bmp(tree_images(), 4, VGA))
    pixels, colours = logo()
    with open(f"{folder}/logo.bmp", "wb") as f:
        f.write(bmp(pixels, 8, colours))
    with open(f"{folder}/toolbox.bmp", "wb") as f:
        f.write(bmp(toolbox(), 4, VGA))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
