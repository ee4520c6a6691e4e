// The private clipboard block can be put there by any program.
#include <cstddef>
#include <cstdint>

#include <QByteArray>

#include "iconfiles/qv_clipboard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    Bitmap24 colour;
    Bitmap24 mask;
    if (TQVClipboard::ParseBlock(bytes, colour, mask)) {
        if (colour.Width() != mask.Width() || colour.Height() != mask.Height() || colour.IsEmpty()) __builtin_trap();
    }
    return 0;
}
