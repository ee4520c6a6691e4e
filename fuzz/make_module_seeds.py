#!/usr/bin/env python3
"""Makes the seed corpora of the module fuzz targets (fuzz_pe_module, fuzz_ne_module,
fuzz_icon_library) and the regression files under tests/data/modules/regress: damaged modules of
the shapes that make resource readers loop, read outside the file or allocate without end.

PE files start from the modules of tests/data/modules (made by make_modules.sh with llvm-rc and
lld-link) and are patched at the places their own headers point to; NE files are laid out here.
Run from anywhere; the files are written into the repository's folders."""
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MODULES = os.path.join(ROOT, "tests", "data", "modules")


def write(path, data):
    path = os.path.join(ROOT, path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def read_regress(name):
    with open(os.path.join(MODULES, "regress", name), "rb") as f:
        return f.read()


def read_module(name):
    with open(os.path.join(MODULES, name), "rb") as f:
        return bytearray(f.read())


# ---- icon images

def dib_image(size, bits, seed):
    """A DIB icon image: colour rows then the AND mask, bottom-up, with a palette below 16 bits."""
    row = ((size * bits + 31) // 32) * 4
    mask_row = ((size + 31) // 32) * 4
    colours = 1 << bits if bits <= 8 else 0
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, 0, 0, 0, 0, 0)
    table = b"".join(struct.pack("<BBBB", (i * 37 + seed) % 256, (i * 91) % 256, (i * 53 + seed) % 256, 0)
                     for i in range(colours))
    xor = bytes((i * 7 + seed * 13) % 256 for i in range(row * size))
    andm = bytes(((i * 3) % 5 == 0) * 0xAA for i in range(mask_row * size))
    return header + table + xor + andm


def png_image(size, seed):
    """An RGBA PNG of soft bands with a round alpha edge, its rows stored with the Sub filter."""
    rows = []
    for y in range(size):
        pixels = bytearray()
        for x in range(size):
            d = (x - size // 2) ** 2 + (y - size // 2) ** 2
            pixels += bytes(((x + seed) & 255, (y + seed * 7) & 255, ((x + y) // 2) & 255,
                             255 if d < (size * size) // 5 else max(0, 255 - (d - (size * size) // 5) // 16)))
        rows.append(b"\x01" + bytes((pixels[i] - (pixels[i - 4] if i >= 4 else 0)) & 255 for i in range(len(pixels))))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


# ---- NE modules in the layout of icon libraries

def ne_module(groups, images, shift=10, names=None, real_sizes=True, entry_size=None, shapes=None):
    """groups: list of lists of image ids; images: list of (id, bytes). Blocks start at units of
    2^shift and are padded to them; the names table (length-prefixed, "ICL" first) follows the
    resource table. shapes: the group entries' (width, height, bits) by image id (else 32, 32, 24)."""
    unit = 1 << shift
    group_blocks = []
    sizes = {i: len(b) for i, b in images}
    for g in groups:
        body = struct.pack("<HHH", 0, 1, len(g))
        for image_id in g:
            size = sizes.get(image_id, 0) if real_sizes else 0
            w, h, bits = (shapes or {}).get(image_id, (32, 32, 24))
            body += struct.pack("<BBBBHHIH", w & 255, h & 255, 0, 0, 1, bits, size if entry_size is None else entry_size,
                                image_id)
        group_blocks.append(body)
    if names is None:
        names = [b"Icon %d" % (k + 1) for k in range(len(groups))]
    names_table = b"\x03ICL" + b"".join(bytes([len(n)]) + n for n in names) + b"\x00"
    table_size = 2 + 8 + 12 * len(groups) + 8 + 12 * len(images) + 2
    names_at = 192 + table_size
    pos = -(-(names_at + len(names_table)) // unit) * unit
    placed = []
    records_groups, records_images = b"", b""
    for k, block in enumerate(group_blocks):
        records_groups += struct.pack("<HHHHI", pos >> shift, -(-len(block) // unit), 0x1C30, 0x8000 | (k + 1), 0)
        placed.append((pos, block))
        pos += -(-len(block) // unit) * unit
    for image_id, block in images:
        records_images += struct.pack("<HHHHI", pos >> shift, -(-len(block) // unit), 0x1C30, 0x8000 | image_id, 0)
        placed.append((pos, block))
        pos += -(-len(block) // unit) * unit
    old = bytearray(128)
    old[0:2] = b"MZ"
    old[60:64] = struct.pack("<I", 128)
    ne = bytearray(64)
    ne[0:2] = b"NE"
    ne[34:36] = struct.pack("<H", 64)
    ne[36:38] = struct.pack("<H", 64)
    ne[38:40] = struct.pack("<H", names_at - 128)
    ne[54] = 2
    ne[62:64] = struct.pack("<H", 0x0300)
    table = struct.pack("<H", shift)
    table += struct.pack("<HHI", 0x800E, len(groups), 0) + records_groups
    table += struct.pack("<HHI", 0x8003, len(images), 0) + records_images
    table += struct.pack("<H", 0)
    out = bytearray(old + ne + table + names_table)
    for at, block in placed:
        out += bytes(at - len(out))
        out += block
    out += bytes(pos - len(out))
    return out


def sample_library():
    images = [(1, dib_image(16, 4, 1)), (2, dib_image(32, 8, 2)), (3, dib_image(32, 32, 3)), (4, dib_image(24, 1, 4))]
    return [[1, 2], [3], [4]], images


# ---- PE modules: walking the resource tree of a module made by lld-link

def pe_layout(b):
    lfanew = struct.unpack_from("<I", b, 60)[0]
    sections = struct.unpack_from("<H", b, lfanew + 6)[0]
    optional = struct.unpack_from("<H", b, lfanew + 20)[0]
    at = lfanew + 24 + optional
    for i in range(sections):
        s = at + 40 * i
        if b[s:s + 8].rstrip(b"\0") == b".rsrc":
            va, raw = struct.unpack_from("<I", b, s + 12)[0], struct.unpack_from("<I", b, s + 20)[0]
            return lfanew, raw, va
    raise SystemExit("no resource section")


def pe_entries(b, root, offset):
    named, numbered = struct.unpack_from("<HH", b, root + offset + 12)
    return [root + offset + 16 + 8 * i for i in range(named + numbered)]


def pe_data_entries(b, root):
    """File positions of every data entry under the resource root."""
    found = []
    for t in pe_entries(b, root, 0):
        for r in pe_entries(b, root, struct.unpack_from("<I", b, t + 4)[0] & 0x7FFFFFFF):
            for lang in pe_entries(b, root, struct.unpack_from("<I", b, r + 4)[0] & 0x7FFFFFFF):
                found.append(root + struct.unpack_from("<I", b, lang + 4)[0])
    return found


def pe_type_directory(b, root, type_id):
    for t in pe_entries(b, root, 0):
        if struct.unpack_from("<I", b, t)[0] == type_id:
            return struct.unpack_from("<I", b, t + 4)[0] & 0x7FFFFFFF
    raise SystemExit("no type %d" % type_id)


def pe_regressions():
    base = read_module("icons_x86.dll")
    lfanew, root, va = pe_layout(base)
    r = "tests/data/modules/regress/"

    # The root's entries point back at the root: the walk would go round for ever.
    b = bytearray(base)
    for e in pe_entries(b, root, 0):
        struct.pack_into("<I", b, e + 4, 0x80000000)
    write(r + "pe_root_points_at_itself.dll", b)

    # The group type's resources point at the group type's own directory, their languages too.
    b = bytearray(base)
    groups = pe_type_directory(b, root, 14)
    for e in pe_entries(b, root, groups):
        struct.pack_into("<I", b, e + 4, 0x80000000 | groups)
    write(r + "pe_type_points_at_itself.dll", b)

    # Counts of 65535 in the root and in every type directory.
    b = bytearray(base)
    type_dirs = [struct.unpack_from("<I", b, t + 4)[0] & 0x7FFFFFFF for t in pe_entries(b, root, 0)]
    struct.pack_into("<HH", b, root + 12, 0xFFFF, 0xFFFF)
    for d in type_dirs:
        struct.pack_into("<HH", b, root + d + 12, 0xFFFF, 0xFFFF)
    write(r + "pe_counts_65535.dll", b)

    # 65535 sections and an optional header of 65535 bytes.
    b = bytearray(base)
    struct.pack_into("<H", b, lfanew + 6, 0xFFFF)
    write(r + "pe_sections_65535.dll", b)
    b = bytearray(base)
    struct.pack_into("<H", b, lfanew + 20, 0xFFFF)
    write(r + "pe_optional_header_65535.dll", b)

    # Every data entry's address and size far past the end of the file; one pointing just inside
    # with a size that runs past it.
    b = bytearray(base)
    entries = pe_data_entries(b, root)
    for n, at in enumerate(entries):
        if n == 0:
            struct.pack_into("<II", b, at, va + len(b) - root - 16, 0x10000)
        else:
            struct.pack_into("<II", b, at, 0xFFFFFFF0 - n, 0xFFFFFFFF)
    write(r + "pe_offsets_past_end.dll", b)

    # The resource section's raw offset and the root directory's address past the end.
    b = bytearray(base)
    s = lfanew + 24 + struct.unpack_from("<H", b, lfanew + 20)[0]
    for i in range(struct.unpack_from("<H", b, lfanew + 6)[0]):
        if b[s + 40 * i:s + 40 * i + 5] == b".rsrc":
            struct.pack_into("<I", b, s + 40 * i + 20, 0x7FFFFFF0)
    write(r + "pe_section_past_end.dll", b)

    # The named group's string says it is longer than the whole file.
    b = bytearray(base)
    at = b.find("FOLDER".encode("utf-16-le"))
    struct.pack_into("<H", b, at - 2, 0xFFFF)
    write(r + "pe_name_longer_than_file.dll", b)
    # ... and the same name cut by the end of the file.
    write(r + "pe_name_cut_by_end.dll", b[:at + 4])

    # A group of 65535 entries inside a block of 20 bytes, and one naming images that do not exist.
    b = bytearray(base)
    group_data = []
    for e in pe_entries(b, root, groups):
        for lang in pe_entries(b, root, struct.unpack_from("<I", b, e + 4)[0] & 0x7FFFFFFF):
            group_data.append(root + struct.unpack_from("<I", b, lang + 4)[0])
    for at in group_data:
        rva, size = struct.unpack_from("<II", b, at)
        data = rva - va + root
        struct.pack_into("<H", b, data + 4, 0xFFFF)
    write(r + "pe_group_count_65535.dll", b)
    b = bytearray(base)
    for at in group_data:
        rva, size = struct.unpack_from("<II", b, at)
        data = rva - va + root
        count = struct.unpack_from("<H", b, data + 4)[0]
        for j in range(count):
            struct.pack_into("<H", b, data + 6 + 14 * j + 12, 0x7000 + j)
    write(r + "pe_group_names_missing_images.dll", b)


def ne_regressions():
    r = "tests/data/modules/regress/"
    groups, images = sample_library()
    base = ne_module(groups, images)
    for shift in (16, 31, 255, 0xFFFF):
        b = bytearray(base)
        struct.pack_into("<H", b, 192, shift)
        write(r + "ne_shift_%d.icl" % shift, b)
    # Shift 15 with records whose offsets and lengths reach far past the end.
    b = bytearray(ne_module(groups, images, shift=4))
    struct.pack_into("<H", b, 192, 15)
    write(r + "ne_shift_15_past_end.icl", b)

    # Counts of 65535: the group type, the image type, and inside a group block.
    b = bytearray(base)
    struct.pack_into("<H", b, 196, 0xFFFF)
    write(r + "ne_group_type_count_65535.icl", b)
    b = bytearray(base)
    struct.pack_into("<H", b, 194 + 8 + 12 * len(groups) + 2, 0xFFFF)
    write(r + "ne_image_type_count_65535.icl", b)
    b = bytearray(base)
    first_group = struct.unpack_from("<H", b, 202)[0] << 10
    struct.pack_into("<H", b, first_group + 4, 0xFFFF)
    write(r + "ne_group_entries_65535.icl", b)

    # Every record's offset at the last unit the field can hold.
    b = bytearray(base)
    for k in range(len(groups) + len(images)):
        at = 202 + 12 * k + (8 if k >= len(groups) else 0)
        struct.pack_into("<HH", b, at, 0xFFFF, 0xFFFF)
    write(r + "ne_offsets_past_end.icl", b)

    # The resource table's offset past the end, and a table the file cuts off before its end.
    b = bytearray(base)
    struct.pack_into("<H", b, 128 + 36, 0xFFFF)
    write(r + "ne_table_past_end.icl", b)
    write(r + "ne_table_cut.icl", base[:200])

    # A names table whose names claim more bytes than the file holds.
    b = bytearray(ne_module(groups, images, names=[b"A", b"B", b"C"]))
    names_at = 128 + struct.unpack_from("<H", b, 128 + 38)[0]
    write(r + "ne_name_longer_than_file.icl", b[:names_at + 4] + b"\xff" + b"x" * 20)

    # Groups naming images that do not exist, and an image record of length 0.
    write(r + "ne_group_names_missing_images.icl", ne_module([[1, 9, 77], [500]], [(1, dib_image(16, 8, 5))]))
    b = bytearray(ne_module([[1, 2]], [(1, dib_image(16, 8, 6)), (2, dib_image(16, 8, 7))]))
    struct.pack_into("<H", b, 194 + 8 + 12 + 8 + 2, 0)
    write(r + "ne_image_length_0.icl", b)

    # 65535 entries that all name one small image: every one is read, within the pixel cap.
    write(r + "ne_65535_entries_one_image.icl", ne_module([[1] * 0xFFFF], [(1, dib_image(16, 8, 12))]))

    # Ten groups of 4096 entries each: more formats than a library can hold.
    write(r + "ne_40960_entries_ten_groups.icl", ne_module([[1] * 4096 for _ in range(10)], [(1, dib_image(16, 8, 13))]))

    # Group entries whose bytes-in-resource say 4 GiB.
    write(r + "ne_entry_size_4g.icl", ne_module(groups, images, entry_size=0xFFFFFFFF))

    # The old header's e_lfanew past the end, and an NE header cut off.
    b = bytearray(base)
    struct.pack_into("<I", b, 60, 0xFFFFFFF0)
    write(r + "ne_lfanew_past_end.icl", b)
    write(r + "ne_header_cut.icl", base[:150])


# ---- A PE module laid out here: one ".rsrc" section holding the resource tree

def pe_module(groups, images, shapes):
    """A 32-bit resource-only DLL for the Intel 386. groups: list of lists of image ids; images:
    list of (id, bytes); shapes: the group entries' (width, height, bits) by image id. The tree
    is laid out as linkers do: directories, then data entries, then the data."""
    group_data = []
    sizes = {i: len(b) for i, b in images}
    for g in groups:
        body = struct.pack("<HHH", 0, 1, len(g))
        for image_id in g:
            w, h, bits = shapes[image_id]
            body += struct.pack("<BBBBHHIH", w & 255, h & 255, 0, 0, 1, bits, sizes[image_id], image_id)
        group_data.append(body)
    types = [(3, [(i, b) for i, b in images]), (14, [(k + 1, b) for k, b in enumerate(group_data)])]
    # Sizes of the directory levels, to place everything.
    root_size = 16 + 8 * len(types)
    type_dirs = [16 + 8 * len(items) for _, items in types]
    lang_dirs = sum(len(items) for _, items in types) * (16 + 8)
    dirs_end = root_size + sum(type_dirs) + lang_dirs
    data_entries_at = dirs_end
    data_at = data_entries_at + 16 * sum(len(items) for _, items in types)
    va, raw = 0x1000, 0x200
    tree = bytearray()
    tree += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, len(types))
    at = root_size
    type_at = []
    for type_id, items in types:
        type_at.append(at)
        tree += struct.pack("<II", type_id, 0x80000000 | at)
        at += 16 + 8 * len(items)
    lang_at = at
    entry_index = 0
    for (type_id, items), t_at in zip(types, type_at):
        tree += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, len(items))
        for n, (res_id, _) in enumerate(items):
            tree += struct.pack("<II", res_id, 0x80000000 | (lang_at + 24 * (entry_index + n)))
        entry_index += len(items)
    data = bytearray()
    entry_index = 0
    for type_id, items in types:
        for res_id, body in items:
            tree += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1)
            tree += struct.pack("<II", 0x409, data_entries_at + 16 * entry_index)
            entry_index += 1
    for type_id, items in types:
        for res_id, body in items:
            while (data_at + len(data)) % 8:
                data += b"\0"
            tree += struct.pack("<IIII", va + data_at + len(data), len(body), 0, 0)
            data += body
    assert len(tree) == data_at
    section = bytes(tree + data)
    raw_size = -(-len(section) // 0x200) * 0x200
    image_size = va + (-(-len(section) // 0x1000) * 0x1000)
    out = bytearray(raw)
    out[0:2] = b"MZ"
    struct.pack_into("<I", out, 60, 64)
    out[64:68] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", out, 68, 0x14C, 1, 0, 0, 0, 224, 0x2102)
    opt = 88
    struct.pack_into("<HBBIIIIII", out, opt, 0x10B, 14, 0, 0, 0, 0, 0, 0, 0)
    struct.pack_into("<IIIHHHHHHIIIIHHIIIIII", out, opt + 28, 0x10000000, 0x1000, 0x200, 6, 0, 0, 0, 6, 0, 0,
                     image_size, raw, 0, 2, 0x140, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    struct.pack_into("<II", out, opt + 96 + 8 * 2, va, len(section))
    sec = opt + 224
    out[sec:sec + 8] = b".rsrc\0\0\0"
    struct.pack_into("<IIIIIIHHI", out, sec + 8, len(section), va, raw_size, raw, 0, 0, 0, 0, 0x40000040)
    out += section + bytes(raw_size - len(section))
    return out


def hostile_library():
    """Four icons, thirteen images: DIBs of 16 to 48 pixels and one 256 x 256 PNG."""
    sides = {1: (16, 4), 2: (32, 8), 3: (32, 32), 4: (48, 32), 5: (16, 8), 6: (32, 32), 7: (48, 32),
             8: (16, 32), 9: (24, 8), 10: (32, 32), 11: (16, 32), 12: (32, 32), 13: (256, 32)}
    images = [(i, png_image(side, i) if side > 128 else dib_image(side, bits, i)) for i, (side, bits) in sides.items()]
    shapes = {i: (side, side, bits) for i, (side, bits) in sides.items()}
    return [[1, 2, 3, 4], [5, 6, 7], [8, 9, 10], [11, 12, 13]], images, shapes


def hostile_cases():
    """Damaged modules that once opened slowly, listed icons made of nothing or hid what they
    lost, each beside the healthy file it was made from (the time a damaged file may take is
    measured against its healthy twin)."""
    r = "tests/data/modules/regress/"
    groups, images, shapes = hostile_library()

    # A PE module whose group-icon directory claims 65535 entries: the entries after the real
    # three are whatever bytes follow, to the end of the file.
    pe = pe_module(groups[:3], [im for im in images if im[0] <= 10], shapes)
    write(r + "healthy_pe.dll", pe)
    b = bytearray(pe)
    root = 0x200
    groups_dir = struct.unpack_from("<I", b, root + 16 + 8 + 4)[0] & 0x7FFFFFFF
    struct.pack_into("<HH", b, root + groups_dir + 12, 0, 0xFFFF)
    write(r + "pe_group_directory_65535.dll", b)

    # An NE library whose first type (the groups) counts 65535 resources.
    ne = ne_module(groups, images, shapes=shapes, names=[b"Red", b"Green", b"Blue", b"Large"])
    write(r + "healthy_ne.icl", ne)
    b = bytearray(ne)
    struct.pack_into("<H", b, 196, 0xFFFF)
    write(r + "ne_first_type_count_65535.icl", b)

    # The same library cut short at several places: in the group blocks, in the middle of the
    # images, and within the last one.
    for num, den in ((1, 16), (1, 4), (1, 2), (3, 4), (15, 16)):
        write(r + "ne_cut_%d_%d.icl" % (num, den), ne[:len(ne) * num // den + 300])


def corpora():
    for name in ("icons_x86.dll", "icons_x64.dll", "named_x64.dll"):
        write("fuzz/corpus/fuzz_pe_module/" + name, read_module(name))
    groups, images = sample_library()
    write("fuzz/corpus/fuzz_ne_module/shift4.icl", ne_module(groups, images, shift=4))
    write("fuzz/corpus/fuzz_ne_module/no_names.icl", ne_module(groups, images, shift=1, names=[b"A"]))
    write("fuzz/corpus/fuzz_ne_module/missing.icl", ne_module([[1, 9], [2]], [(1, dib_image(16, 4, 8)), (2, dib_image(16, 1, 9))], shift=3))
    write("fuzz/corpus/fuzz_icon_library/sample.icl", ne_module(groups, images))
    write("fuzz/corpus/fuzz_icon_library/win1252.icl",
          ne_module([[1], [2]], [(1, dib_image(16, 8, 10)), (2, dib_image(32, 4, 11))], names=[b"Caf\xe9", b"\x80uro"]))
    write("fuzz/corpus/fuzz_icon_library/placeholder.icl", ne_module([[1]], [(1, b"")]))
    # The damaged files of hostile_cases as seeds of every module target.
    for name in ("pe_group_directory_65535.dll",):
        write("fuzz/corpus/fuzz_pe_module/" + name, read_regress(name))
    for name in ("ne_first_type_count_65535.icl", "ne_cut_1_16.icl", "ne_cut_3_4.icl"):
        write("fuzz/corpus/fuzz_ne_module/" + name, read_regress(name))
        write("fuzz/corpus/fuzz_icon_library/" + name, read_regress(name))


if __name__ == "__main__":
    pe_regressions()
    ne_regressions()
    hostile_cases()
    corpora()
