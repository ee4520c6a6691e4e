// New executables (the layout of icon libraries) come from anywhere: whatever their shift, counts
// and names say, listing and decoding their icons must end, stay inside the file and within the
// image bounds.
#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QList>

#include "iconfiles/file_access.h"
#include "iconfiles/icon_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const ByteReader file(bytes);
    for (const uint32_t type : {rtGroupIcon, rtIconImage}) {
        TResourceList list;
        TIconModuleReader::ReadNeResources(file, type, list);
        for (const TResourceItem& item : list)
            if (item.Offset >= 0 && !file.HasRange(uint64_t(item.Offset), uint64_t(item.Size))) __builtin_trap();
    }
    const int64_t names = TIconModuleReader::FindNeNamesTable(file);
    if (names < 0 || uint64_t(names) > file.Size()) __builtin_trap();
    QList<QByteArray> strings;
    TIconModuleReader::ReadPascalStrings(file, strings, names, 0);
    for (const QByteArray& s : strings)
        if (s.size() > 255) __builtin_trap();

    TIconModuleReader reader;
    if (reader.ReadLibraryData(bytes) != 0) __builtin_trap();
    for (size_t k = 0; k < reader.Icons.size(); ++k) {
        std::vector<TModuleImage> images;
        if (reader.ReadIconImages(int(k), images) < 0) __builtin_trap();
        if (images.size() != reader.Icons[k].Formats.size()) __builtin_trap();
        for (const TModuleImage& m : images)
            if (m.Read && (m.Image.Width < 1 || m.Image.Width > MaxIconSide || m.Image.Height < 1 ||
                           m.Image.Height > MaxIconSide))
                __builtin_trap();
    }
    // The listing the library window takes (sizes without pixels, each shared image decoded once)
    // must say what decoding every image says.
    TIconModuleReader sizesOnly;
    if (sizesOnly.ReadLibraryData(bytes) != 0 || sizesOnly.Icons.size() != reader.Icons.size()) __builtin_trap();
    for (size_t k = 0; k < reader.Icons.size(); ++k) {
        std::vector<TModuleImage> images;
        sizesOnly.ReadIconImages(int(k), images, false);
        for (size_t j = 0; j < images.size(); ++j) {
            const TModuleFormat& a = sizesOnly.Icons[k].Formats[j];
            const TModuleFormat& b = reader.Icons[k].Formats[j];
            if (a.Width != b.Width || a.Height != b.Height || a.BitCount != b.BitCount || images[j].Image.Bitmap)
                __builtin_trap();
            TIconImageRec decoded;
            if (images[j].Read != sizesOnly.DecodeFormat(a, decoded) && images[j].Raw.isEmpty()) __builtin_trap();
        }
    }
    return 0;
}
