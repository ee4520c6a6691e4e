#!/usr/bin/env bash
# Makes the icon files that the interop tests read, with other tools: icotool (icoutils),
# ImageMagick and Pillow. The source pictures are drawn here too, so the tests can compare every
# pixel an image holds with what the tool was given. Run from anywhere; writes next to itself.
set -euo pipefail
cd "$(dirname "$0")"

/usr/bin/python3 - <<'PY'
from PIL import Image

def save(name, w, h, pixel):
    im = Image.new("RGBA", (w, h))
    im.putdata([pixel(x, y) for y in range(h) for x in range(w)])
    im.save(name)

# True colour with every level of alpha.
def alpha_pixel(size):
    def f(x, y):
        r = (x * 255) // max(size - 1, 1)
        g = (y * 255) // max(size - 1, 1)
        b = ((x + y) * 7) % 256
        a = ((x * 3 + y * 5) * 255 // max(8 * (size - 1), 1)) % 256
        return (r, g, b, a)
    return f

for s in (16, 32, 48, 256):
    save(f"src_alpha_{s}.png", s, s, alpha_pixel(s))

# Opaque true colour.
save("src_opaque_24.png", 24, 24, lambda x, y: ((x * 11) % 256, (y * 13) % 256, (x * y) % 256, 255))

# Two colours with cut-out corners.
def mono(x, y):
    if x + y < 4:
        return (0, 0, 0, 0)
    return (255, 255, 255, 255) if (x // 2 + y // 3) % 2 else (0, 0, 0, 255)
save("src_mono_16.png", 16, 16, mono)

# Twelve colours with a transparent border.
twelve = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255),
          (128, 0, 0), (0, 128, 0), (0, 0, 128), (128, 128, 128), (192, 192, 192), (10, 20, 30)]
def pal16(x, y):
    if x == 0 or y == 0 or x == 31 or y == 31:
        return (0, 0, 0, 0)
    return twelve[(x // 3 + y // 5) % 12] + (255,)
save("src_pal16_32.png", 32, 32, pal16)

# Two hundred colours with a transparent diagonal.
def pal256(x, y):
    if x == y:
        return (0, 0, 0, 0)
    k = (x * 7 + y * 3) % 200
    return ((k * 37) % 256, (k * 91) % 256, (k * 13) % 256, 255)
save("src_pal256_48.png", 48, 48, pal256)

# A large flat picture of four colours: ImageMagick stores it as a palette PNG.
def flat(x, y):
    if (x - 128) ** 2 + (y - 128) ** 2 > 120 ** 2:
        return (0, 0, 0, 0)
    return [(200, 30, 30, 255), (30, 200, 30, 255), (30, 30, 200, 255)][(x // 64 + y // 64) % 3]
save("src_flat_256.png", 256, 256, flat)
# The same as a 2-bit palette PNG whose entry 0 is transparent.
p = Image.new("P", (256, 256))
p.putpalette([0, 0, 0, 200, 30, 30, 30, 200, 30, 30, 30, 200])
lookup = {(0, 0, 0, 0): 0, (200, 30, 30, 255): 1, (30, 200, 30, 255): 2, (30, 30, 200, 255): 3}
p.putdata([lookup[flat(x, y)] for y in range(256) for x in range(256)])
p.save("src_flat_256_p.png", bits=2, transparency=0)

# Pillow's own icon writer, PNG images and (where this Pillow has it) DIB images.
srcs = [Image.open(f"src_alpha_{s}.png") for s in (16, 32, 48, 256)]
srcs[-1].save("pillow_png.ico", sizes=[(16, 16), (32, 32), (48, 48), (256, 256)], append_images=srcs[:-1])
srcs[2].save("pillow_bmp.ico", sizes=[(16, 16), (32, 32), (48, 48)], append_images=srcs[:2], bitmap_format="bmp")
PY

icotool -c -o icotool_alpha.ico src_alpha_16.png src_alpha_32.png src_alpha_48.png -r src_alpha_256.png
icotool -c -b 1 -o icotool_1bit.ico src_mono_16.png
icotool -c -b 4 -o icotool_4bit.ico src_pal16_32.png
icotool -c -b 8 -o icotool_8bit.ico src_pal256_48.png
icotool -c -b 24 -o icotool_24bit.ico src_opaque_24.png

convert src_alpha_16.png src_alpha_32.png src_alpha_48.png src_alpha_256.png magick_alpha.ico
convert src_mono_16.png src_pal16_32.png src_pal256_48.png magick_palette.ico
convert src_flat_256.png magick_flat256.ico
icotool -c -o icotool_palpng.ico -r src_flat_256_p.png
# Interlaced PNG images (the reader takes them through a separate path): true colour with alpha,
# and a palette PNG with a transparent entry under a 4-bit directory entry.
convert src_alpha_48.png -interlace PNG src_alpha_48_i.png
convert src_flat_256_p.png -interlace PNG src_flat_256_pi.png
icotool -c -o icotool_interlaced.ico -r src_alpha_48_i.png -r src_flat_256_pi.png
# icotool enters every PNG as 32 bits; the palette image's entry is set to 4 bits so the reader
# keeps its indices.
/usr/bin/python3 -c "
d = bytearray(open('icotool_interlaced.ico', 'rb').read())
d[6 + 16 + 6] = 4
open('icotool_interlaced.ico', 'wb').write(d)"
