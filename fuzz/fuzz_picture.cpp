// Pictures for photo to icon from memory: the first byte picks the decoder (GIF first frame, JPEG
// at one of the four scales, PNG), the rest is the stream. A bound of 4 megapixels keeps runs fast.
#include <cstddef>
#include <cstdint>

#include "iconfiles/gif_codec.h"
#include "iconfiles/jpeg_codec.h"
#include "iconfiles/png_codec.h"

namespace {
class NullSink : public PngRowSink {
public:
    int Width = 0;
    void Begin(const PngInfo& info) override { Width = info.Width; }
    void Row(int, const uint8_t*) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    constexpr long long maxPixels = 4LL * 1024 * 1024;
    const uint8_t pick = data[0];
    Bitmap24 out;
    switch (pick % 3) {
    case 0:
        if (DecodeGifFirstFrame(data + 1, size - 1, out, maxPixels) &&
            (out.IsEmpty() || (long long)out.Width() * out.Height() > maxPixels))
            __builtin_trap();
        break;
    case 1: {
        int w = 0, h = 0;
        const int box = (pick >> 2) % 4 == 0 ? 0 : 64 >> ((pick >> 2) % 4);
        if (DecodeJpegScaled(data + 1, size - 1, box, box, maxPixels, out, w, h) && out.IsEmpty()) __builtin_trap();
        break;
    }
    default: {
        NullSink sink;
        DecodePng(data + 1, size - 1, false, 2048, sink);
        break;
    }
    }
    return 0;
}
