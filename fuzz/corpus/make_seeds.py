#!/usr/bin/env python3
"""Writes the BMP and ICO seeds of the picture fuzz targets, and the damaged
JPEG seeds derived from the valid ones that make_jpeg_seeds.cpp writes.
Run from the repository root: python3 fuzz/corpus/make_seeds.py"""
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.abspath(__file__))


def put(kind, name, data):
    assert len(data) < 20 * 1024, name
    with open(os.path.join(ROOT, kind, name), "wb") as f:
        f.write(data)


def rows(width, height, bits, value, top_down=False):
    stride = (width * bits + 31) // 32 * 4
    out = bytearray(stride * height)
    for r in range(height):
        y = r if top_down else height - 1 - r
        base = r * stride
        for x in range(width):
            v = value(x, y)
            if bits == 1:
                out[base + x // 8] |= (v & 1) << (7 - x % 8)
            elif bits == 4:
                out[base + x // 2] |= (v & 15) << (0 if x % 2 else 4)
            elif bits == 8:
                out[base + x] = v & 0xFF
            elif bits == 16:
                out[base + 2 * x:base + 2 * x + 2] = struct.pack("<H", v & 0xFFFF)
            elif bits == 24:
                out[base + 3 * x:base + 3 * x + 3] = struct.pack("<I", v)[:3]
            else:
                out[base + 4 * x:base + 4 * x + 4] = struct.pack("<I", v & 0xFFFFFFFF)
    return bytes(out)


def dib(width, height, bits, pixels, compression=0, palette=(), header=40, masks=(), colors=None):
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        pal = b"".join(struct.pack("<I", c)[:3] for c in palette)
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, len(pixels),
                           3780, 3780, len(palette) if colors is None else colors, 0)
        m = b"".join(struct.pack("<I", v) for v in masks)
        if header == 40:
            info += m[:12]
        else:
            info = (info + m).ljust(header, b"\0")[:header]
        pal = b"".join(struct.pack("<I", c) for c in palette)
    return info + pal, pixels


def bmp(*args, offset=None, **kw):
    head, pixels = dib(*args, **kw)
    off = 14 + len(head) if offset is None else offset
    return b"BM" + struct.pack("<IHHI", 14 + len(head) + len(pixels), 0, 0, off) + head + pixels


def palette(n):
    return [((i * 37) % 256) << 16 | (255 - i % 256) << 8 | (i * 11) % 256 for i in range(n)]


def make_bmp():
    idx = lambda n: (lambda x, y: (x + 3 * y) % n)
    put("bmp", "1bit_9x4.bmp", bmp(9, 4, 1, rows(9, 4, 1, idx(2)), palette=palette(2)))
    put("bmp", "4bit_13x5.bmp", bmp(13, 5, 4, rows(13, 5, 4, idx(16)), palette=palette(16)))
    put("bmp", "8bit_topdown.bmp", bmp(7, -6, 8, rows(7, 6, 8, idx(256), True), palette=palette(256)))
    put("bmp", "8bit_core.bmp", bmp(5, 3, 8, rows(5, 3, 8, idx(20)), palette=palette(20), header=12))
    put("bmp", "16bit_555.bmp", bmp(6, 4, 16, rows(6, 4, 16, lambda x, y: x * 5000 + y * 77)))
    put("bmp", "16bit_565_v5.bmp", bmp(6, 4, 16, rows(6, 4, 16, lambda x, y: x * 9000 + y), compression=3,
                                       header=124, masks=(0xF800, 0x07E0, 0x001F, 0)))
    put("bmp", "24bit.bmp", bmp(11, 7, 24, rows(11, 7, 24, lambda x, y: x * 0x150A03 + y * 0x030F21)))
    put("bmp", "32bit_alpha_v4.bmp", bmp(5, 5, 32, rows(5, 5, 32, lambda x, y: (x * 50) << 24 | y * 0x102030),
                                         compression=3, header=108,
                                         masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000)))
    put("bmp", "32bit_fields_v3.bmp", bmp(4, 3, 32, rows(4, 3, 32, lambda x, y: x << 22 | y << 12 | 5),
                                          compression=3, header=56, masks=(0x3FF00000, 0xFFC00, 0x3FF, 0)))
    rle8 = bytes([3, 1, 2, 2, 0, 0, 0, 3, 3, 2, 1, 0, 0, 2, 1, 1, 1, 3, 0, 1])
    put("bmp", "rle8.bmp", bmp(5, 3, 8, rle8, compression=1, palette=palette(4)))
    rle4 = bytes([5, 0x12, 0, 0, 0, 3, 0x32, 0x10, 3, 0x30, 0, 1])
    put("bmp", "rle4.bmp", bmp(6, 2, 4, rle4, compression=2, palette=palette(4)))
    # Damaged ones.
    put("bmp", "bad_huge_width.bmp", bmp(60000, 2, 24, rows(4, 2, 24, lambda x, y: 0)))
    put("bmp", "bad_offset_beyond.bmp", bmp(4, 4, 24, rows(4, 4, 24, lambda x, y: 0), offset=0x7FFFFFF0))
    put("bmp", "bad_palette_beyond.bmp", bmp(4, 4, 8, b"", palette=palette(3), colors=256))
    put("bmp", "bad_rle_off_image.bmp", bmp(4, 2, 8, bytes([9, 1, 0, 2, 0, 9, 0, 1]), compression=1,
                                            palette=palette(2)))
    put("bmp", "bad_truncated.bmp", bmp(8, 8, 24, rows(8, 8, 24, lambda x, y: 0xABCDEF))[:150])
    put("bmp", "bad_masks.bmp", bmp(4, 4, 16, rows(4, 4, 16, lambda x, y: 0), compression=3,
                                    masks=(0xF800, 0x0FE0, 0x001F)))


def png(width, height):
    raw = b"".join(b"\0" + bytes((x * 8) % 256 for x in range(width * 4)) for _ in range(height))
    chunk = lambda t, d: struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def icon_dib(size, bits, pal=()):
    value = (lambda x, y: (x + y) % len(pal)) if pal else (lambda x, y: 0xFF000000 | x * 0x0800 | y * 0x08)
    xor = rows(size, size, bits, value)
    mask = rows(size, size, 1, lambda x, y: 1 if x < 2 else 0)
    head, pixels = dib(size, 2 * size, bits, xor + mask, palette=pal)
    return head + pixels


def ico(entries, kind=1, count=None):
    out = struct.pack("<HHH", 0, kind, len(entries) if count is None else count)
    offset = 6 + 16 * len(entries)
    for size, bits, data in entries:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(d for _, _, d in entries)


def make_ico():
    put("ico", "32x32_32bit.ico", ico([(32, 32, icon_dib(32, 32))]))
    put("ico", "16x16_4bit.ico", ico([(16, 4, icon_dib(16, 4, palette(16)))]))
    put("ico", "two_entries.ico", ico([(16, 8, icon_dib(16, 8, palette(256))), (32, 24, icon_dib(32, 24))]))
    put("ico", "png_entry.ico", ico([(48, 32, png(48, 48))]))
    put("ico", "bad_count.ico", ico([(16, 24, icon_dib(16, 24))], count=40))
    good = ico([(16, 24, icon_dib(16, 24))])
    put("ico", "bad_offset.ico", good[:18] + struct.pack("<I", 0x7FFFFFFF) + good[22:])
    put("ico", "bad_truncated.ico", good[: len(good) // 2])
    huge = bytearray(png(16, 16))
    huge[16:24] = struct.pack(">II", 100000, 100000)
    put("ico", "bad_png_size.ico", ico([(0, 32, bytes(huge))]))
    put("ico", "bad_cursor.ico", ico([(16, 24, icon_dib(16, 24))], kind=2))


def make_jpeg():
    with open(os.path.join(ROOT, "jpeg", "rgb_32x24.jpg"), "rb") as f:
        good = f.read()
    put("jpeg", "bad_truncated_header.jpg", good[:120])
    put("jpeg", "bad_truncated_data.jpg", good[: len(good) * 2 // 3])
    put("jpeg", "bad_garbage.jpg", bytes((i * 131 + 7) % 256 for i in range(300)))
    sof = good.index(b"\xff\xc0")
    huge = bytearray(good)
    huge[sof + 5:sof + 9] = struct.pack(">HH", 60000, 60000)
    put("jpeg", "bad_huge_frame.jpg", bytes(huge))
    garbled = bytearray(good)
    for i in range(len(good) // 2, len(good) - 2, 7):
        garbled[i] ^= 0x5A
    put("jpeg", "bad_garbled_scan.jpg", bytes(garbled))


if __name__ == "__main__":
    make_bmp()
    make_ico()
    make_jpeg()
