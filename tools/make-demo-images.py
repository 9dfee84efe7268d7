#!/usr/bin/env python3
"""Draws the demo's update-screen images with nothing but Python's standard
library: the background (a baseline JPEG), the progress pill, the alert box
and its button (PNGs). The art is ours: gradients, a moon, stars and hills.

    python3 tools/make-demo-images.py [output folder]   # default demo/game/autoupdate

The pictures are laid out for the update scene's design size, 750 x 1334: the
pill's track sits where the scene puts the pill (a fixed share of the
background), the status label's band stays dark.
"""

import math
import os
import random
import struct
import sys
import zlib

WIDTH, HEIGHT = 750, 1334

# Where the scene puts the pill and the label, as shares of the background.
PILL_LEFT, PILL_BOTTOM, PILL_WIDTH, PILL_HEIGHT = 0.125, 0.06953125, 34 / 45, 17 / 960
LABEL_BOTTOM = 0.15


# ---------------------------------------------------------------- PNG
def png_bytes(width, height, rows):
    """rows: height lists of width (r, g, b, a) tuples, top row first."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for row in rows:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------- baseline JPEG
ZIGZAG = [0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7,
          14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46,
          53, 60, 61, 54, 47, 55, 62, 63]

# The example quantisation and Huffman tables of the JPEG standard (its Annex K).
LUMA_QUANT = [16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16, 24, 40, 57, 69, 56, 14, 17,
              22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92, 49, 64, 78,
              87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99]
CHROMA_QUANT = [17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99, 99, 99,
                47, 66, 99, 99, 99, 99, 99, 99] + [99] * 32

DC_LUMA = ([0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0], list(range(12)))
DC_CHROMA = ([0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0], list(range(12)))
AC_LUMA = ([0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D], bytes.fromhex(
    "01020300041105122131410613516107227114328191a1082342b1c11552d1f02433627282090a161718191a25262728292a3435363738"
    "393a434445464748494a535455565758595a636465666768696a737475767778797a838485868788898a92939495969798999aa2a3a4"
    "a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9fa"))
AC_CHROMA = ([0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77], bytes.fromhex(
    "000102031104052131061241510761711322328108144291a1b1c109233352f0156272d10a162434e125f11718191a262728292a3536"
    "3738393a434445464748494a535455565758595a636465666768696a737475767778797a82838485868788898a92939495969798999a"
    "a2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3f4f5f6f7f8f9fa"))


def scaled_quant(table, quality):
    scale = 5000 / quality if quality < 50 else 200 - 2 * quality
    return [max(1, min(255, (q * scale + 50) // 100)) for q in table]


def huffman_codes(spec):
    """value -> (code, length), from the count of codes of each length."""
    bits, values = spec
    codes, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def write(self, code, length):
        self.acc = (self.acc << length) | code
        self.n += length
        while self.n >= 8:
            self.n -= 8
            byte = (self.acc >> self.n) & 0xFF
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0)  # byte stuffing
        self.acc &= (1 << self.n) - 1

    def flush(self):
        if self.n:
            self.write((1 << (8 - self.n)) - 1, 8 - self.n)  # pad with ones


COS = [[(math.sqrt(0.5) if u == 0 else 1.0) * 0.5 * math.cos((2 * x + 1) * u * math.pi / 16) for x in range(8)]
       for u in range(8)]


def fdct(block):
    """8 x 8 forward DCT (separable), block as 64 values row by row."""
    rows = [[sum(COS[u][x] * block[y * 8 + x] for x in range(8)) for u in range(8)] for y in range(8)]
    return [sum(COS[v][y] * rows[y][u] for y in range(8)) for v in range(8) for u in range(8)]


def magnitude(value):
    """(size category, bits) of a coefficient."""
    if value == 0:
        return 0, 0
    size = abs(value).bit_length()
    return size, value if value > 0 else value + (1 << size) - 1


def encode_block(writer, block, quant, dc_codes, ac_codes, previous_dc):
    coefficients = fdct(block)
    q = [int(round(coefficients[ZIGZAG[i]] / quant[ZIGZAG[i]])) for i in range(64)]
    size, bits = magnitude(q[0] - previous_dc)
    writer.write(*dc_codes[size])
    if size:
        writer.write(bits, size)
    run = 0
    for value in q[1:]:
        if value == 0:
            run += 1
            continue
        while run > 15:
            writer.write(*ac_codes[0xF0])
            run -= 16
        size, bits = magnitude(value)
        writer.write(*ac_codes[(run << 4) | size])
        writer.write(bits, size)
        run = 0
    if run:
        writer.write(*ac_codes[0x00])
    return q[0]


def jpeg_bytes(width, height, pixel, quality=90):
    """pixel(x, y) -> (r, g, b), y from the top. 4:2:0 chroma, one scan."""
    mcu_w, mcu_h = (width + 15) // 16, (height + 15) // 16
    full_w, full_h = mcu_w * 16, mcu_h * 16
    ys, cbs, crs = [], [], []
    for y in range(full_h):
        row_y, row_cb, row_cr = [], [], []
        for x in range(full_w):
            r, g, b = pixel(min(x, width - 1), min(y, height - 1))
            row_y.append(0.299 * r + 0.587 * g + 0.114 * b - 128)
            row_cb.append(-0.168736 * r - 0.331264 * g + 0.5 * b)
            row_cr.append(0.5 * r - 0.418688 * g - 0.081312 * b)
        ys.append(row_y)
        cbs.append(row_cb)
        crs.append(row_cr)

    lq, cq = scaled_quant(LUMA_QUANT, quality), scaled_quant(CHROMA_QUANT, quality)
    dcl, acl, dcc, acc = (huffman_codes(t) for t in (DC_LUMA, AC_LUMA, DC_CHROMA, AC_CHROMA))
    writer = BitWriter()
    prev = [0, 0, 0]
    for my in range(mcu_h):
        for mx in range(mcu_w):
            for by, bx in ((0, 0), (0, 8), (8, 0), (8, 8)):
                block = [ys[my * 16 + by + j][mx * 16 + bx + i] for j in range(8) for i in range(8)]
                prev[0] = encode_block(writer, block, lq, dcl, acl, prev[0])
            for k, plane in ((1, cbs), (2, crs)):
                block = []
                for j in range(8):
                    for i in range(8):
                        y0, x0 = my * 16 + 2 * j, mx * 16 + 2 * i
                        block.append((plane[y0][x0] + plane[y0][x0 + 1] + plane[y0 + 1][x0] + plane[y0 + 1][x0 + 1]) / 4)
                prev[k] = encode_block(writer, block, cq, dcc, acc, prev[k])
    writer.flush()

    def segment(marker, payload):
        return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload

    def dht(table_class, table_id, spec):
        bits, values = spec
        return bytes([(table_class << 4) | table_id]) + bytes(bits) + bytes(values)

    out = bytearray(b"\xFF\xD8")
    out += segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    # The tables go out in zig-zag order.
    out += segment(0xDB, bytes([0]) + bytes(lq[z] for z in ZIGZAG) + bytes([1]) + bytes(cq[z] for z in ZIGZAG))
    out += segment(0xC0, struct.pack(">BHHB", 8, height, width, 3) + bytes([1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1]))
    out += segment(0xC4, dht(0, 0, DC_LUMA) + dht(1, 0, AC_LUMA) + dht(0, 1, DC_CHROMA) + dht(1, 1, AC_CHROMA))
    out += segment(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    out += writer.out + b"\xFF\xD9"
    return bytes(out)


# ---------------------------------------------------------------- drawing helpers
def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def rounded_rect_coverage(x, y, left, top, right, bottom, radius):
    """How much of the pixel (x, y) lies inside the rounded rectangle, 0..1 (4 x 4 samples)."""
    if x + 1 < left or x > right or y + 1 < top or y > bottom:
        return 0.0
    if left + radius <= x and x + 1 <= right - radius and top <= y and y + 1 <= bottom:
        return 1.0
    if left <= x and x + 1 <= right and top + radius <= y and y + 1 <= bottom - radius:
        return 1.0
    inside = 0
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            cx = min(max(px, left + radius), right - radius)
            cy = min(max(py, top + radius), bottom - radius)
            if left <= px <= right and top <= py <= bottom and (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius:
                inside += 1
    return inside / 16


def to_bytes(colour):
    return tuple(int(round(max(0, min(255, c)))) for c in colour)


# ---------------------------------------------------------------- the pictures
def background_pixel_function():
    rng = random.Random(20240601)
    stars = [(rng.uniform(0, WIDTH), rng.uniform(0, HEIGHT * 0.5), rng.uniform(0.6, 1.8), rng.uniform(0.4, 1.0))
             for _ in range(160)]
    star_rows = {}
    for star in stars:
        for row in range(int(star[1] - 3), int(star[1] + 4)):
            star_rows.setdefault(row, []).append(star)

    moon = (560.0, 300.0, 86.0)
    pill_left = PILL_LEFT * WIDTH
    pill_right = pill_left + PILL_WIDTH * WIDTH
    pill_top = HEIGHT - (PILL_BOTTOM + PILL_HEIGHT) * HEIGHT
    pill_bottom = HEIGHT - PILL_BOTTOM * HEIGHT
    track = (pill_left - 7, pill_top - 7, pill_right + 7, pill_bottom + 7)

    def far_hills(x):
        return HEIGHT * 0.60 + 38 * math.sin(x / 97.0) + 21 * math.sin(x / 41.0 + 1.3)

    def near_hills(x):
        return HEIGHT * 0.70 + 52 * math.sin(x / 150.0 + 2.1) + 17 * math.sin(x / 33.0)

    def pixel(x, y):
        t = y / HEIGHT
        if t < 0.45:
            colour = mix((14, 18, 52), (64, 38, 106), t / 0.45)
        else:
            colour = mix((64, 38, 106), (226, 132, 112), (t - 0.45) / 0.2)
        # the moon and its glow
        d = math.hypot(x - moon[0], y - moon[1])
        if d < moon[2]:
            shade = 1 - 0.25 * ((x - moon[0] + 30) ** 2 + (y - moon[1] + 30) ** 2) / (moon[2] * 2.2) ** 2
            colour = mix(colour, (248 * shade, 238 * shade, 214 * shade), min(1.0, moon[2] - d))
        elif d < moon[2] * 2.6:
            colour = mix(colour, (200, 170, 200), 0.35 * (1 - (d - moon[2]) / (moon[2] * 1.6)) ** 2)
        for sx, sy, size, bright in star_rows.get(y, ()):
            glow = max(0.0, 1 - math.hypot(x - sx, y - sy) / size)
            colour = mix(colour, (255, 250, 235), glow * bright)
        # hills, far then near, then the dark ground
        if y > far_hills(x):
            colour = mix((86, 58, 118), (48, 34, 84), (y - far_hills(x)) / 160)
        if y > near_hills(x):
            colour = mix((36, 26, 66), (16, 14, 38), (y - near_hills(x)) / 300)
        # the pill's track: a dark rounded frame with a thin light rim
        cover = rounded_rect_coverage(x, y, *track, radius=(track[3] - track[1]) / 2)
        if cover:
            inner = rounded_rect_coverage(x, y, track[0] + 2, track[1] + 2, track[2] - 2, track[3] - 2,
                                          radius=(track[3] - track[1]) / 2 - 2)
            colour = mix(colour, (170, 150, 200), cover - inner)
            colour = mix(colour, (8, 8, 20), inner * 0.85)
        return to_bytes(colour)

    return pixel


def pill_rows(width=200, height=40):
    rows = []
    for y in range(height):
        t = y / (height - 1)
        colour = mix((150, 245, 170), (38, 160, 78), t)
        if 0.15 < t < 0.35:
            colour = mix(colour, (235, 255, 240), 0.45 * (1 - abs(t - 0.25) / 0.1))
        row = []
        for x in range(width):
            cover = rounded_rect_coverage(x, y, 0, 0, width, height, height / 2)
            row.append(to_bytes(colour) + (int(round(255 * cover)),))
        rows.append(row)
    return rows


def panel_rows(width, height, radius, border, fill_top, fill_bottom, edge):
    rows = []
    for y in range(height):
        colour = mix(fill_top, fill_bottom, y / (height - 1))
        row = []
        for x in range(width):
            outer = rounded_rect_coverage(x, y, 0, 0, width, height, radius)
            inner = rounded_rect_coverage(x, y, border, border, width - border, height - border, radius - border)
            c = mix(edge, colour, inner / outer if outer else 0)
            row.append(to_bytes(c) + (int(round(255 * outer)),))
        rows.append(row)
    return rows


def main():
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "demo", "game", "autoupdate")
    os.makedirs(folder, exist_ok=True)
    pictures = {
        "loadingbar.png": png_bytes(200, 40, pill_rows()),
        # Nine-sliced at its thirds: the 40-pixel corners hold the 26-pixel rounding and the rim.
        "alert_bg.png": png_bytes(120, 120, panel_rows(120, 120, 26, 6, (252, 240, 208), (236, 214, 168),
                                                       (150, 96, 42))),
        "alert_btn.png": png_bytes(240, 80, panel_rows(240, 80, 26, 4, (255, 212, 96), (226, 146, 34),
                                                       (122, 70, 12))),
        "alert_btn_down.png": png_bytes(240, 80, panel_rows(240, 80, 26, 4, (214, 160, 58), (168, 102, 22),
                                                            (96, 54, 8))),
        "bg.jpg": jpeg_bytes(WIDTH, HEIGHT, background_pixel_function()),
    }
    for name, data in pictures.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (os.path.join(folder, name), len(data)))


if __name__ == "__main__":
    main()
