// Icon files come from anywhere: whatever bytes they hold, reading must end with 0 or -1, within
// the size and pixel bounds, and never crash.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QByteArray>

#include "iconfiles/file_access.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    TIconFileAccess fa;
    TIconImageArray formats;
    fa.LoadIconData(bytes, formats);
    for (int i = 0; i < formats.Count(); ++i) {
        const TIconImageRec& f = formats[i];
        if (f.Width < 1 || f.Width > MaxIconSide || f.Height < 1 || f.Height > MaxIconSide) __builtin_trap();
        if (f.Bitmap->Width() != f.Width || f.Mask->Height() != f.Height) __builtin_trap();
    }
    // Whatever was read can be written again.
    QByteArray out;
    if (!formats.IsEmpty() && !fa.BuildIconData(formats, out)) __builtin_trap();
    // Read again with its pixels parked (all of them, or, as an icon within the budget is read,
    // only those larger than their entries claim), each format is made again exactly as read.
    TIconImageArray parked;
    std::vector<TIconImageSource> sources;
    fa.KeepDecodedPixels = size % 2 ? int64_t(1) << 19 : 0;
    fa.LoadIconData(bytes, parked, &sources);
    if (parked.Count() != formats.Count() || sources.size() != size_t(formats.Count())) __builtin_trap();
    for (int i = 0; i < parked.Count(); ++i)
        if (!(*parked[i].Bitmap == *formats[i].Bitmap) || !(*parked[i].Mask == *formats[i].Mask)) __builtin_trap();
    return 0;
}
