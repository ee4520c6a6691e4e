#pragma once
// Makers of hostile and unusual files for the readers' tests and benches: PNG streams that carry
// compressed data after their last row, icon files of many such images, and BMP pictures stored
// top-down (negative height). Each is built byte by byte here, so no binary file is committed.
#include <algorithm>
#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QtEndian>
#include <zlib.h>

namespace HostileFiles {

inline void AppendBe32(QByteArray& out, uint32_t v)
{
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

inline void AppendLe32(QByteArray& out, uint32_t v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

inline void AppendLe16(QByteArray& out, uint16_t v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

inline void AppendChunk(QByteArray& out, const char* type, const QByteArray& data)
{
    AppendBe32(out, uint32_t(data.size()));
    QByteArray body(type, 4);
    body += data;
    out += body;
    AppendBe32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

// The colour of pixel (x, y) in every picture made here: red, green, blue, alpha.
inline void PixelAt(int x, int y, uint8_t rgba[4])
{
    rgba[0] = uint8_t(x * 7 + y);
    rgba[1] = uint8_t(y * 5);
    rgba[2] = uint8_t((x ^ y) * 3);
    rgba[3] = uint8_t(255 - ((x + y) & 0x3F));
}

// An 8-bit RGBA PNG of the pattern above, plain or interlaced (Adam7). Its one compressed stream
// goes on after the rows with tailBytes zero bytes (which no row needs), split over IDAT chunks
// of at most 65535 bytes, so a reader that inflates to the stream's end pays for the whole tail.
inline QByteArray PngWithTail(int width, int height, uint64_t tailBytes, bool interlaced = false)
{
    struct Pass {
        int x0, y0, dx, dy;
    };
    static constexpr Pass adam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                      {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    static constexpr Pass whole[1] = {{0, 0, 1, 1}};
    std::vector<uint8_t> raw;
    raw.reserve(size_t(height) * (size_t(width) * 4 + 1) + 64);
    for (const Pass& p : interlaced ? std::vector<Pass>(adam7, adam7 + 7) : std::vector<Pass>(whole, whole + 1)) {
        if (p.x0 >= width || p.y0 >= height) continue; // an empty pass has no rows at all
        for (int y = p.y0; y < height; y += p.dy) {
            raw.push_back(0);
            for (int x = p.x0; x < width; x += p.dx) {
                uint8_t px[4];
                PixelAt(x, y, px);
                raw.insert(raw.end(), px, px + 4);
            }
        }
    }
    z_stream z{};
    deflateInit(&z, 9);
    QByteArray compressed;
    std::vector<uint8_t> out(1 << 16);
    const auto pump = [&](const uint8_t* in, size_t size, int flush) {
        z.next_in = const_cast<Bytef*>(in);
        z.avail_in = uInt(size);
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            compressed.append(reinterpret_cast<const char*>(out.data()), qsizetype(out.size() - z.avail_out));
        } while (z.avail_out == 0);
    };
    pump(raw.data(), raw.size(), Z_NO_FLUSH);
    const std::vector<uint8_t> zeros(1 << 20, 0);
    for (uint64_t left = tailBytes; left > 0;) {
        const size_t n = size_t(std::min<uint64_t>(left, zeros.size()));
        pump(zeros.data(), n, Z_NO_FLUSH);
        left -= n;
    }
    pump(nullptr, 0, Z_FINISH);
    deflateEnd(&z);

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    AppendBe32(ihdr, uint32_t(width));
    AppendBe32(ihdr, uint32_t(height));
    ihdr.append(char(8)).append(char(6)).append(char(0)).append(char(0)).append(char(interlaced ? 1 : 0));
    AppendChunk(png, "IHDR", ihdr);
    for (qsizetype at = 0; at < compressed.size(); at += 65535)
        AppendChunk(png, "IDAT", compressed.mid(at, 65535));
    AppendChunk(png, "IEND", QByteArray());
    return png;
}

// An icon file of count copies of one image block, each copy its own block (so none is shared).
inline QByteArray IconOfCopies(const QByteArray& block, int count, int width, int height, int bits = 32)
{
    QByteArray out;
    AppendLe16(out, 0);
    AppendLe16(out, 1);
    AppendLe16(out, uint16_t(count));
    for (int i = 0; i < count; ++i) {
        out.append(char(width & 0xFF)).append(char(height & 0xFF)).append(char(0)).append(char(0));
        AppendLe16(out, 1);
        AppendLe16(out, uint16_t(bits));
        AppendLe32(out, uint32_t(block.size()));
        AppendLe32(out, uint32_t(6 + 16 * count + qsizetype(i) * block.size()));
    }
    for (int i = 0; i < count; ++i) out += block;
    return out;
}

// A BMP file of the pattern above, 24 or 32 bits uncompressed, stored top-down: its header's
// height is negative and its first row in the file is the picture's top row. With topDown false,
// the same picture stored the usual way, bottom row first.
inline QByteArray TopDownBmp(int width, int height, int bits, bool topDown = true)
{
    const int stride = ((width * bits + 31) / 32) * 4;
    QByteArray pixels(qsizetype(stride) * height, '\0');
    for (int y = 0; y < height; ++y) {
        const int stored = topDown ? y : height - 1 - y;
        uint8_t* row = reinterpret_cast<uint8_t*>(pixels.data()) + qsizetype(stored) * stride;
        for (int x = 0; x < width; ++x) {
            uint8_t p[4];
            PixelAt(x, y, p);
            uint8_t* d = row + x * (bits / 8);
            d[0] = p[2];
            d[1] = p[1];
            d[2] = p[0];
            if (bits == 32) d[3] = 0;
        }
    }
    QByteArray out("BM", 2);
    AppendLe32(out, uint32_t(54 + pixels.size()));
    AppendLe32(out, 0);
    AppendLe32(out, 54);
    AppendLe32(out, 40);
    AppendLe32(out, uint32_t(width));
    AppendLe32(out, uint32_t(topDown ? -height : height));
    AppendLe16(out, 1);
    AppendLe16(out, uint16_t(bits));
    AppendLe32(out, 0); // uncompressed
    AppendLe32(out, uint32_t(pixels.size()));
    AppendLe32(out, 2835);
    AppendLe32(out, 2835);
    AppendLe32(out, 0);
    AppendLe32(out, 0);
    return out + pixels;
}

} // namespace HostileFiles
