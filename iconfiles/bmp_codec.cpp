#include "iconfiles/bmp_codec.h"

#include <cstring>

namespace {

constexpr uint32_t FileHeaderSize = 14;
constexpr uint32_t InfoHeaderSize = 40;

} // namespace

size_t Bmp24FileSize(int width, int height)
{
    return FileHeaderSize + InfoHeaderSize + size_t(Bitmap24Stride(width)) * size_t(height);
}

void WriteBmp24(ByteWriter& out, const Bitmap24& bitmap)
{
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    const int stride = Bitmap24Stride(w);
    const uint32_t imageSize = uint32_t(stride) * uint32_t(h);

    out.U8('B');
    out.U8('M');
    out.U32(uint32_t(FileHeaderSize + InfoHeaderSize + imageSize));
    out.U16(0);
    out.U16(0);
    out.U32(FileHeaderSize + InfoHeaderSize);

    out.U32(InfoHeaderSize);
    out.I32(w);
    out.I32(h);
    out.U16(1);
    out.U16(24);
    out.U32(0);
    out.U32(imageSize);
    out.Zeros(16);

    const size_t rowBytes = size_t(w) * 3;
    const size_t pad = size_t(stride) - rowBytes;
    auto& buf = out.Buffer();
    buf.reserve(buf.size() + size_t(imageSize));
    for (int y = h - 1; y >= 0; --y) {
        out.Bytes(bitmap.Row(y), rowBytes);
        out.Zeros(pad);
    }
}

bool ReadBmp24(ByteReader& in, Bitmap24& target, int maxSide)
{
    const size_t start = in.Pos();
    ByteReader r = in.Sub(start, in.Size() - start);
    if (!r.Ok()) return false;
    if (r.U8() != 'B' || r.U8() != 'M') return false;
    r.U32(); // file size: the rows are located by the offset field
    r.U32(); // reserved
    const uint32_t bitsOffset = r.U32();
    const uint32_t infoSize = r.U32();
    const int32_t width = r.I32();
    const int32_t height = r.I32();
    r.U16(); // planes
    const uint16_t bitCount = r.U16();
    const uint32_t compression = r.U32();
    if (!r.Ok()) return false;
    if (infoSize < InfoHeaderSize || uint64_t(bitsOffset) < uint64_t(FileHeaderSize) + infoSize) return false;
    if (bitCount != 24 || compression != 0) return false;
    if (width < 1 || height < 1 || width > maxSide || height > maxSide) return false;

    const size_t stride = size_t(Bitmap24Stride(width));
    const uint64_t rowsSize = uint64_t(stride) * uint64_t(height);
    if (!r.HasRange(bitsOffset, rowsSize)) return false;

    Bitmap24 image(width, height, Bitmap24::UnsetPixels{}); // every row is copied in below
    const uint8_t* rows = r.Data() + bitsOffset;
    for (int y = 0; y < height; ++y)
        std::memcpy(image.Row(height - 1 - y), rows + size_t(y) * stride, size_t(width) * 3);
    target = std::move(image);
    in.Skip(uint64_t(bitsOffset) + rowsSize);
    return true;
}
