// Snapshot files are read back on every undo: a damaged one must be refused without touching
// the format.
#include <cstddef>
#include <cstdint>

#include <QByteArray>

#include "iconfiles/file_access.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    TIconFileAccess fa;
    TIconImageRec format;
    InitIconImage(format, 4, 4, ctTrueAlpha, 1);
    if (fa.ParseSnapshotData(bytes, format) == 0) {
        QByteArray again;
        if (!fa.BuildSnapshotData(format, again)) __builtin_trap();
    } else if (format.Width != 4 || format.Bitmap->Width() != 4 || format.Id != 1) {
        __builtin_trap();
    }
    return 0;
}
