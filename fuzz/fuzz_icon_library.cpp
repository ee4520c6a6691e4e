// Icon library files come from anywhere: whatever one holds, what the reader finds must write back
// as a library that reads again with the same icons, names and images (refused images kept as
// their bytes), or be refused with a message, never written with wrapped 16-bit fields.
#include <cstddef>
#include <cstdint>
#include <deque>

#include <QByteArray>

#include "iconfiles/file_access.h"
#include "iconfiles/icon_library_file.h"
#include "iconfiles/icon_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    TIconModuleReader reader;
    if (reader.ReadLibraryData(bytes) != 0) __builtin_trap();

    std::deque<TIconImageRec> decoded;
    std::vector<TLibraryIcon> library;
    // Which images were read, per icon.
    std::vector<std::vector<bool>> wasRead;
    for (size_t k = 0; k < reader.Icons.size(); ++k) {
        const TModuleIcon& icon = reader.Icons[k];
        std::vector<TModuleImage> images;
        if (reader.ReadIconImages(int(k), images) < 0) __builtin_trap();
        TLibraryIcon out;
        out.Name = icon.Name;
        out.FormatCount = icon.FormatCount;
        std::vector<bool> read(images.size(), false);
        for (size_t j = 0; j < images.size(); ++j) {
            TLibrarySlot slot;
            slot.Width = icon.Formats[j].Width;
            slot.Height = icon.Formats[j].Height;
            slot.BitCount = icon.Formats[j].BitCount;
            if (images[j].Read) {
                decoded.push_back(std::move(images[j].Image));
                slot.Image = &decoded.back();
                read[j] = true;
            } else {
                slot.RawImage = images[j].Raw;
            }
            out.Slots.push_back(std::move(slot));
        }
        wasRead.push_back(std::move(read));
        library.push_back(std::move(out));
    }

    TIconLibraryWriter writer;
    QByteArray written;
    if (writer.BuildLibraryData(library, written) != 0) {
        if (writer.LastError.isEmpty()) __builtin_trap();
        return 0;
    }
    if (written.size() % LibraryAlignUnit != 0) __builtin_trap();
    TIconModuleReader again;
    if (again.ReadLibraryData(written) != 0 || again.Kind != TModuleKind::Ne) __builtin_trap();
    if (again.Icons.size() != library.size()) __builtin_trap();
    for (size_t k = 0; k < library.size(); ++k) {
        // Names are stored cut to 32 bytes, and an empty one under its default name.
        if (!library[k].Name.isEmpty() && again.Icons[k].Name != CutLibraryName(library[k].Name)) __builtin_trap();
        if (again.Icons[k].Formats.size() != size_t(library[k].FormatCount > 0 ? library[k].Slots.size() : 0))
            __builtin_trap();
        std::vector<TModuleImage> images;
        again.ReadIconImages(int(k), images);
        // Every image read before reads again. A refused one written back as its bytes may read
        // now: its block is padded to the library's unit, and the reader decodes the whole block.
        if (library[k].FormatCount > 0)
            for (size_t j = 0; j < images.size() && j < wasRead[k].size(); ++j)
                if (wasRead[k][j] && !images[j].Read) __builtin_trap();
    }
    return 0;
}
