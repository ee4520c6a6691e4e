#include "iconfiles/gif_codec.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <gif_lib.h>

#include "imaging/icon_image.h"

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

namespace {

struct MemoryStream {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count)
{
    auto* in = static_cast<MemoryStream*>(gif->UserData);
    if (count <= 0) return 0;
    const size_t n = std::min(size_t(count), in->size - in->pos);
    std::memcpy(buffer, in->data + in->pos, n);
    in->pos += n;
    return int(n);
}

struct GifCloser {
    GifFileType* gif;
    ~GifCloser()
    {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
};

// The transparent index of the graphics control block that precedes the first image, or -1.
int TransparentIndex(const std::vector<uint8_t>& control)
{
    if (control.size() >= 4 && (control[0] & 1)) return control[3];
    return -1;
}

} // namespace

bool DecodeGifFirstFrame(const uint8_t* data, size_t size, Bitmap24& out, long long maxPixels)
{
    if (!data || size < 6) return false;
    MemoryStream stream{data, size, 0};
    int error = 0;
    GifCloser closer{DGifOpen(&stream, ReadFromMemory, &error)};
    GifFileType* gif = closer.gif;
    if (!gif) return false;
    const long long sw = gif->SWidth, sh = gif->SHeight;
    if (sw < 1 || sh < 1 || sw > Bitmap24::MaxSide || sh > Bitmap24::MaxSide || sw * sh > maxPixels) return false;

    std::vector<uint8_t> control;
    for (;;) {
        GifRecordType record;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) return false;
        if (record == TERMINATE_RECORD_TYPE) return false;
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return false;
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) control.assign(ext + 1, ext + 1 + 4);
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return false;
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif) == GIF_ERROR) return false;
        const GifImageDesc& desc = gif->Image;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map || desc.Width < 1 || desc.Height < 1 || desc.Width > sw * 4 || desc.Height > sh * 4) return false;

        TColor ground = 0xFFFFFF;
        if (gif->SColorMap && gif->SBackGroundColor < gif->SColorMap->ColorCount) {
            const GifColorType& c = gif->SColorMap->Colors[gif->SBackGroundColor];
            ground = MakeColor(c.Red, c.Green, c.Blue);
        }
        try {
            out = Bitmap24(int(sw), int(sh));
        } catch (const std::bad_alloc&) {
            return false;
        }
        FillBitmap(out, ground);
        const int transparent = TransparentIndex(control);
        std::vector<GifPixelType> line(size_t(desc.Width));
        // Interlaced images come in four passes; their rows are placed where they belong.
        static constexpr int passStart[4] = {0, 4, 2, 1};
        static constexpr int passStep[4] = {8, 8, 4, 2};
        const int passes = desc.Interlace ? 4 : 1;
        for (int p = 0; p < passes; ++p) {
            const int start = desc.Interlace ? passStart[p] : 0;
            const int step = desc.Interlace ? passStep[p] : 1;
            for (int row = start; row < desc.Height; row += step) {
                if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) return true; // keep what came
                const int y = desc.Top + row;
                if (y < 0 || y >= sh) continue;
                for (int x = 0; x < desc.Width; ++x) {
                    const int px = desc.Left + x;
                    const int index = line[size_t(x)];
                    if (px < 0 || px >= sw || index == transparent || index >= map->ColorCount) continue;
                    const GifColorType& c = map->Colors[index];
                    out.SetPixel(px, y, MakeColor(c.Red, c.Green, c.Blue));
                }
            }
        }
        return true;
    }
}
