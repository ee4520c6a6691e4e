// "cartoon3.set" is read at start-up and its values drive the whole cartoon engine; a damaged or
// hostile preset must never make a render read or write out of bounds.
// Input: the 133-byte record, then two bytes of picture size and the picture's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "imaging/cartoon_options.h"
#include "imaging/draw_effect.h"
#include "platform/bitmap24.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TCartoonOptions o = ReadCartoonOptions(data, size);
    const size_t rest = size > CartoonOptionsSize ? size - CartoonOptionsSize : 0;
    const uint8_t* tail = data + (size - rest);
    const int w = 1 + (rest > 0 ? tail[0] % 24 : 7);
    const int h = 1 + (rest > 1 ? tail[1] % 24 : 5);
    Bitmap24 picture(w, h);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * 3; ++i)
            picture.Row(y)[i] = rest > 2 ? tail[2 + size_t(y * w * 3 + i) % (rest - 2)] : uint8_t(y * 40 + i);

    // The region comes from the placeholder bytes here, so clipping is exercised too.
    ByteReader region(data, std::min(size, size_t(20)));
    region.Skip(4);
    o.Left = region.I32() % 64;
    o.Top = region.I32() % 64;
    o.Width = region.I32();
    o.Height = region.I32();
    if (!region.Ok()) {
        o.Left = o.Top = 0;
        o.Width = w;
        o.Height = h;
    }
    o.Source = &picture;
    // Keep a single run short: windows past the picture only copy, and a blur's reach stops at
    // the kernel's 100 taps anyway.
    o.SmoothRadius %= 8;

    TDrawEffect fx;
    fx.SetOptions(o);
    fx.Execute();
    Bitmap24 out(1 + (w * 7) % 30, 1 + (h * 5) % 30);
    fx.ComposeTo(out);
    return 0;
}
