#pragma once
// Writes icon library files (".icl"): many named icons in one 16-bit Windows resource-only module
// (old header, NE header without segments, a resource table with one group-icon resource per
// icon and one icon-image resource per format, a names table, then the resource data in 1024-byte
// units). TIconModuleReader reads them back.
//
// Other tools read these files too, so each block is padded to whole units and the group entries
// carry the real size of each image. Fields that the layout holds in 16 bits are checked first: a
// library that does not fit is refused rather than written with wrapped numbers. The file is
// replaced in one step: a failed save leaves the old file byte-identical.
#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>

#include "imaging/icon_image.h"

// 2 ^ LibraryAlignShift = LibraryAlignUnit bytes per unit of the resource table.
constexpr int LibraryAlignShift = 10;
constexpr int LibraryAlignUnit = 1 << LibraryAlignShift;

// One format slot of an icon to write. Its content is taken from the first of: Image, RawImage,
// ModuleImage, TempFile; a slot with none (or whose working file does not exist) gets a record
// of length 0.
struct TLibrarySlot {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BitCount = 0;
    // Pixels in memory (not owned).
    const TIconImageRec* Image = nullptr;
    // Image bytes written back unchanged: those of a module's image that could not be read, or
    // the PNG stream of one that was read and not edited since.
    QByteArray RawImage;
    // A module's bytes of an image, decoded (starting from EntryBits) and written anew.
    QByteArray ModuleImage;
    int32_t EntryBits = 0;
    // A working snapshot file holding the pixels.
    QString TempFile;
    // Resource number; given anew on every write (1, 2, 3 over all slots, icon by icon).
    int32_t Id = 0;
};

struct TLibraryIcon {
    // Stored in Windows-1252, cut to 32 bytes; an empty name is stored as "QV Icon" + position.
    QString Name;
    // The count in the group header; the slots that follow may be more (a new library's
    // placeholder slot is not counted).
    int32_t FormatCount = 0;
    std::vector<TLibrarySlot> Slots;
};

class TIconLibraryWriter {
public:
    // Text of the last failure.
    QString LastError;

    // Writes the library to Path, replacing any file there in one step. Renumbers the slots' Id.
    // 0 on success; -1 with LastError when the library does not fit the layout, a working file
    // cannot be read or an image cannot be written, or the file cannot be written (the old file
    // then stays as it was).
    int32_t WriteLibraryFile(const QString& path, std::vector<TLibraryIcon>& icons);
    // The bytes WriteLibraryFile writes.
    int32_t BuildLibraryData(std::vector<TLibraryIcon>& icons, QByteArray& data);
};
