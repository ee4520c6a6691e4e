#!/usr/bin/env python3
"""Makes the seed corpora of the icon-file, icon-image, snapshot and clipboard-block fuzz
targets, and the regression files under tests/data/ico/regress (shapes of icon files that broke
other readers). Run from anywhere; the files are written next to the repository's folders."""
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def write(path, data):
    path = os.path.join(ROOT, path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def dib(width, height2, bits, pixels=b"", table=None, used=0, compression=0):
    header = struct.pack("<IiiHHIIiiII", 40, width, height2, 1, bits, compression, 0, 0, 0, used, 0)
    if table is None:
        table = b"".join(struct.pack("<BBBB", i * 30 % 256, i * 60 % 256, i * 90 % 256, 0)
                         for i in range(1 << bits)) if bits <= 8 else b""
    return header + table + pixels


def row_bytes(width, bits):
    return ((width * bits + 31) // 32) * 4


def dib_image(size, bits):
    h = size
    xor = bytes((i * 37) % 256 for i in range(row_bytes(size, bits) * h))
    andm = bytes((i * 11) % 256 for i in range(row_bytes(size, 1) * h))
    return dib(size, 2 * h, bits, xor + andm)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, color_type, bit_depth=8, palette=None, trns=None, fill=0x40):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[color_type]
    row = (width * channels * bit_depth + 7) // 8
    raw = b"".join(b"\x00" + bytes((fill + x) % 256 for x in range(row)) for _ in range(height))
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bit_depth, color_type, 0, 0, 0))
    if palette is not None:
        out += chunk(b"PLTE", palette)
    if trns is not None:
        out += chunk(b"tRNS", trns)
    return out + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def icon(blocks, bits=None, count=None, entries=None):
    n = len(blocks)
    out = struct.pack("<HHH", 0, 1, n if count is None else count)
    offset = 6 + 16 * n
    dir_entries = []
    for i, b in enumerate(blocks):
        bc = bits[i] if bits else 32
        dir_entries.append(struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, bc, len(b), offset))
        offset += len(b)
    if entries is not None:
        dir_entries = entries
    return out + b"".join(dir_entries) + b"".join(blocks)


pal4 = bytes([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255])

# --- icon-file seeds
write("fuzz/corpus/fuzz_icon_file/depths.ico",
      icon([dib_image(4, 1), dib_image(5, 4), dib_image(3, 8), dib_image(2, 24), dib_image(2, 32)],
           [1, 4, 8, 24, 32]))
write("fuzz/corpus/fuzz_icon_file/png.ico",
      icon([png(3, 2, 6), png(2, 2, 3, 8, pal4, b"\x00\xff"), png(4, 1, 3, 2, pal4)], [32, 8, 24]))
write("fuzz/corpus/fuzz_icon_file/used.ico", icon([dib(2, 4, 8, bytes(16), table=bytes(12), used=3)], [8]))

# --- icon-image seeds: the first byte picks the entry's bit count
for name, sel, block in [("dib1", 0, dib_image(9, 1)), ("dib4", 1, dib_image(3, 4)), ("dib8", 2, dib_image(2, 8)),
                         ("dib24", 3, dib_image(2, 24)), ("dib32", 4, dib_image(2, 32)),
                         ("png_pal", 2, png(3, 3, 3, 4, pal4, b"\x80")),
                         ("png_rgba", 1, png(2, 2, 6)), ("png_grey16", 4, png(2, 2, 0, 16))]:
    write(f"fuzz/corpus/fuzz_icon_image/{name}", bytes([sel]) + block)


# --- snapshot seeds
def bmp(width, height, fill):
    stride = (width * 3 + 3) & ~3
    rows = b"".join(bytes((fill + x) % 256 for x in range(width * 3)) + bytes(stride - width * 3)
                    for _ in range(height))
    return (b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 0, 0, 0, 0) + rows)


write("fuzz/corpus/fuzz_snapshot/true.qvi", struct.pack("<iiii", -1, 3, 2, 5) + bmp(3, 2, 7) + bmp(3, 2, 0))
write("fuzz/corpus/fuzz_snapshot/pal16.qvi",
      struct.pack("<iiiiHH", 4, 2, 2, 2, 0x300, 16) + bytes(range(64)) + bmp(2, 2, 1) + bmp(2, 2, 255))
write("fuzz/corpus/fuzz_clipboard_block/block.bin", bmp(3, 3, 9) + bmp(3, 3, 0))

# --- regression files: shapes that crashed or hung other readers
r = "tests/data/ico/regress/"
write(r + "height_zero.ico", icon([dib(4, 0, 32, bytes(64))]))
write(r + "height_int_min.ico", icon([dib(4, -2 ** 31, 32, bytes(64))]))
write(r + "height_negative.ico", icon([dib(4, -8, 32, bytes(64))]))
write(r + "size_overflow.ico", icon([dib(0x7FFFFFFF, 0x7FFFFFFE, 32, bytes(64))]))
write(r + "width_negative.ico", icon([dib(-4, 8, 8, bytes(64))]))
write(r + "count_past_file.ico", icon([dib_image(2, 24)], count=500))
write(r + "offset_past_end.ico",
      icon([dib_image(2, 24)], entries=[struct.pack("<BBBBHHII", 2, 2, 0, 0, 1, 24, 100, 0xFFFFFFF0)]))
write(r + "size_past_end.ico",
      icon([dib_image(2, 24)], entries=[struct.pack("<BBBBHHII", 2, 2, 0, 0, 1, 24, 0xFFFFFFFF, 22)]))
write(r + "table_16bit.ico", icon([dib(2, 4, 16, bytes(64), table=b"")], [16]))
write(r + "table_9bit.ico", icon([dib(2, 4, 9, bytes(2048), table=b"")], [9]))
write(r + "table_used_huge.ico", icon([dib(2, 4, 8, bytes(64), table=bytes(1024), used=0x7FFFFFFF)], [8]))
shared = png(256, 256, 6, fill=0)
write(r + "many_entries_one_png.ico",
      struct.pack("<HHH", 0, 1, 65535) +
      struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(shared), 6 + 16 * 65535) * 65535 + shared)
huge_header = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 100000, 100000, 8, 6, 0, 0, 0))
write(r + "png_huge_header.ico", icon([huge_header + chunk(b"IDAT", zlib.compress(bytes(1000))) + chunk(b"IEND", b"")]))
write(r + "png_truncated.ico", icon([png(16, 16, 6)[:60]]))

# --- PNG images that made libpng allocate or inflate far beyond their block
def png_with(width, height, extra):
    """A true-colour-with-alpha PNG with extra chunks between its header and its pixels."""
    whole = png(width, height, 6)
    ihdr_end = 8 + 25
    return whole[:ihdr_end] + extra + whole[ihdr_end:]

# A text chunk that declares nearly 2 GiB and holds a few bytes.
declared = struct.pack(">I", 0x7FFFFFF0) + b"tEXt" + b"Comment\x00abc"
write(r + "png_chunk_declares_2g.ico", icon([png_with(16, 16, declared)]))
# 400 compressed text chunks, each inflating to 1 MiB.
bomb = chunk(b"zTXt", b"Comment\x00\x00" + zlib.compress(bytes(1 << 20), 9))
write(r + "png_ztxt_400.ico", icon([png_with(16, 16, bomb * 400)]))
# A colour profile that inflates to 1 MiB.
write(r + "png_iccp_big.ico", icon([png_with(16, 16, chunk(b"iCCP", b"p\x00\x00" + zlib.compress(bytes(1 << 20), 9)))]))
# 4096 entries sharing one image that carries 50 such text chunks.
shared_text = png_with(16, 16, bomb * 50)
write(r + "png_ztxt_shared_4096.ico",
      struct.pack("<HHH", 0, 1, 4096) +
      struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, len(shared_text), 6 + 16 * 4096) * 4096 + shared_text)
# Wider than any icon image.
write(r + "png_300x300.ico", icon([png(300, 300, 6)]))
# 65535 entries sharing one PNG whose last row is missing.
rows = b"".join(b"\x00" + bytes(256 * 4) for _ in range(255))
failing = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 256, 256, 8, 6, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
write(r + "many_entries_failing_png.ico",
      struct.pack("<HHH", 0, 1, 65535) +
      struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(failing), 6 + 16 * 65535) * 65535 + failing)


# --- images whose cost must follow their pixels, not what surrounds them
def png_with_tail(width, height, tail):
    """An RGBA PNG whose one compressed stream carries tail zero bytes after its last row."""
    raw = b"".join(b"\x00" + bytes((x * 7 + y) % 256 for x in range(width * 4)) for y in range(height))
    z = zlib.compressobj(9)
    data = z.compress(raw)
    block = bytes(1 << 20)
    left = tail
    while left > 0:
        data += z.compress(block[:min(left, len(block))])
        left -= min(left, len(block))
    data += z.flush()
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    for i in range(0, len(data), 65535):
        out += chunk(b"IDAT", data[i:i + 65535])
    return out + chunk(b"IEND", b"")


tailed = png_with_tail(16, 16, 16 << 20)
write("fuzz/corpus/fuzz_icon_file/png_tail.ico", icon([tailed, tailed], [32, 32]))
write("fuzz/corpus/fuzz_icon_image/png_tail", bytes([4]) + tailed)
write("fuzz/corpus/fuzz_picture/png_tail", bytes([2]) + tailed)
# An entry without a size whose block runs on through zeros to the end of the file, as a sparse
# file holds them.
write("fuzz/corpus/fuzz_icon_file/sized_by_file_end.ico",
      struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, 0, 22) + tailed + bytes(64 << 10))
