// Icon files come from anywhere: whatever bytes they hold, reading must end with 0 or -1, within
// the size and pixel bounds, and never crash.
#include <cstddef>
#include <cstdint>

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
    return 0;
}
