// One image block as icon libraries hand it over, under each directory bit count: the first byte
// picks the bit count, the rest is the block.
#include <cstddef>
#include <cstdint>

#include "iconfiles/file_access.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    static const int bits[] = {1, 4, 8, 24, 32, 0, 16, 2};
    ByteReader block(data + 1, size - 1);
    TIconFileAccess fa;
    TIconImageRec format;
    InitIconImage(format, 16, 16, 0, -1);
    if (fa.ReadIconImage(block, bits[data[0] % 8], format) == 0) {
        if (format.Bitmap->Width() != format.Width || format.Mask->Width() != format.Width) __builtin_trap();
        if (format.ColorType < 1 || format.ColorType > 5) __builtin_trap();
        ByteWriter out;
        if (fa.WriteIconImage(out, format) != 0) __builtin_trap();
    }
    return 0;
}
