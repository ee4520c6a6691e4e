#include "iconfiles/gif_codec.h"

#include <new>

#include <gif_lib.h>

namespace {

int WriteToVector(GifFileType* gif, const GifByteType* data, int count)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    try {
        out->insert(out->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return count;
}

} // namespace

bool EncodeGif216(const Bitmap24& bitmap, std::vector<uint8_t>& out)
{
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    if (w < 1 || h < 1 || w > 65535 || h > 65535) return false;

    // A GIF colour table has a power-of-two size: the 216 colours, then black to fill 256.
    GifColorType colours[256] = {};
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) {
                GifColorType& c = colours[36 * r + 6 * g + b];
                c.Red = GifByteType(51 * r);
                c.Green = GifByteType(51 * g);
                c.Blue = GifByteType(51 * b);
            }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    if (!map) return false;

    std::vector<uint8_t> bytes;
    std::vector<GifByteType> line(static_cast<size_t>(w));
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, WriteToVector, &error);
    bool ok = gif != nullptr;
    ok = ok && EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK;
    ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y) {
        const uint8_t* p = bitmap.Row(y);
        for (int x = 0; x < w; ++x, p += 3) line[size_t(x)] = GifByteType(GifPaletteIndex(ReadPixel(p)));
        ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
    }
    if (gif && EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    GifFreeMapObject(map);
    if (ok) out.insert(out.end(), bytes.begin(), bytes.end());
    return ok;
}
