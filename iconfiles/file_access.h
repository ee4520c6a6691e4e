#pragma once
// The file service of the imaging core: icon files (".ico"), the images inside them that icon
// libraries reuse, snapshot files (".qvi") and single-format export (BMP, JPEG, PNG, GIF).
//
// A caller makes one object per operation, calls it and, when the result is -1, shows LastError.
// Every operation returns 0 on success or -1 on failure and never throws. Every file is written
// through an atomic replace: a failed save leaves the old file byte-identical.
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QString>

#include "imaging/icon_image.h"
#include "platform/bytes.h"

// Largest side of an image taken from a file, a library or the private clipboard block.
constexpr int MaxIconSide = 256;
// Reading stops adding images once their decoded pixels together pass this many; icon previews
// and the readers of icon libraries apply the same cap.
constexpr int64_t MaxIconPixelsTotal = int64_t(16) << 20;
// Images up to this side both ways are written as DIB images, larger ones as RGBA PNG.
constexpr int MaxDibSide = 128;
inline bool IsWrittenAsPng(int width, int height) { return width > MaxDibSide || height > MaxDibSide; }

// Where a format read from an icon file came from: its directory entry in the bytes the reader
// parsed, which are shared (not copied) by every format of that file. Enough to decode the same
// format again with the file gone or changed, for the price of the icon's own size in memory.
struct TIconImageSource {
    QByteArray Data;
    int Entry = -1;
};

// Whether an icon file's bytes are worth keeping to decode its formats again: only while they are
// no more than the snapshots that would keep the formats' first steps instead (about 6 bytes a
// pixel, colour and mask, and a header for each format), as any real icon's are. A file padded
// with blocks that could not be read is not.
bool IconBytesWorthKeeping(qint64 fileBytes, const TIconImageArray& formats, int from = 0);

// The message for a path that names a pipe, a device or a folder instead of a file.
QString NotRegularFileText(const QString& path);

struct TDecodedEntry;

class TIconFileAccess {
public:
    // Text of the last failure. LoadIconFile, SaveIconFile and ExportImage first set a starting
    // text; the other operations only write it on failure.
    QString LastError;
    // See LoadIconFile: below this many pixels an icon read with sources is not parked.
    int64_t KeepDecodedPixels = int64_t(1) << 19;

    // ---- Icon files
    // Reads an icon file into Formats (expected empty; the caller owns what is added). The result
    // is 0 whenever the header is accepted, with only the images that could be read, in directory
    // order. -1 with "File not found.", NotRegularFileText or "The file format is not available."
    // (or the system's text when the file cannot be read). Only the header, the directory and
    // the blocks it points at are read, each block up to a few megabytes.
    // With sources given, it receives one source per format added, in the same order, and the
    // formats' bitmaps come parked on their sources while the file's bytes are worth keeping
    // (IconBytesWorthKeeping): decoded once to be checked, then made again on first use. Only
    // an icon whose directory claims more than KeepDecodedPixels in all is parked (and any image
    // found larger than its entry claims): a usual icon keeps what it decoded, since each format
    // made again costs a decode the first time it is drawn.
    int32_t LoadIconFile(const QString& fileName, TIconImageArray& formats,
                         std::vector<TIconImageSource>* sources = nullptr);
    // The same on a file the caller opened for reading (and checked to be a regular file).
    int32_t LoadIconOpenFile(QFile& file, TIconImageArray& formats, std::vector<TIconImageSource>* sources = nullptr);
    // The same on the bytes of an icon file in memory.
    int32_t LoadIconData(const QByteArray& data, TIconImageArray& formats,
                         std::vector<TIconImageSource>* sources = nullptr);
    // Decodes a format again from its source: the record the reader made for it (Id untouched).
    int32_t ReadIconImageSource(const TIconImageSource& source, TIconImageRec& format);
    // Writes every format as one icon file, creating or replacing it; formats are not changed.
    // Formats up to 128 x 128 are stored as DIB images, larger ones as RGBA PNG.
    int32_t SaveIconFile(const QString& fileName, const TIconImageArray& formats);
    // The bytes SaveIconFile writes; false (with LastError) when a format cannot be written.
    bool BuildIconData(const TIconImageArray& formats, QByteArray& data);

    // Reads one image block (DIB or PNG) starting at the reader's position, bounded by the
    // reader's end. EntryBits is the bit count of the directory entry (it matters to PNG images
    // only). On success Format gets size, ColorType, Palette and both bitmaps (made when missing;
    // the mask starts opaque); Id is not touched. On failure Format is left as it was.
    int32_t ReadIconImage(ByteReader& stream, int entryBits, TIconImageRec& format);
    // Appends one image block (DIB up to 128 x 128, PNG above) for the format.
    int32_t WriteIconImage(ByteWriter& stream, const TIconImageRec& format);

    // ---- Snapshot files
    // Writes Id, size, colour type, the palette of palette formats and both bitmaps.
    int32_t SaveSnapshot(const TIconImageRec& format, const QString& fileName);
    // Reads a snapshot into Format (bitmaps are made when missing and take the stored size). A
    // missing file gives -1 and leaves LastError as it was; a damaged file gives -1 with a text.
    // The record changes only when the whole file was read.
    int32_t LoadSnapshot(TIconImageRec& format, const QString& fileName);
    // The snapshot content in memory, both ways.
    bool BuildSnapshotData(const TIconImageRec& format, QByteArray& data);
    int32_t ParseSnapshotData(const QByteArray& data, TIconImageRec& format);

    // ---- Single-format export
    // Writes the format as a picture chosen by the file name's extension (any case): ".bmp",
    // ".jpg", ".png" or ".gif"; anything else gives -1 with "Unknown error". BMP, JPEG and GIF
    // are flattened on white; PNG keeps the transparency as alpha.
    int32_t ExportImage(const QString& fileName, const TIconImageRec& format);
    int32_t ExportBmp(const QString& fileName, const TIconImageRec& format);
    int32_t ExportJpeg(const QString& fileName, const TIconImageRec& format);
    int32_t ExportPng(const QString& fileName, const TIconImageRec& format);
    int32_t ExportGif(const QString& fileName, const TIconImageRec& format);

    // ---- Steps shared with the export and the clipboard
    // Appends a 24-bit colour bitmap with alpha = 255 - mask as an RGBA PNG stream. With
    // twoLevelMask every mask value but 255 is written opaque (the non-alpha colour types).
    int32_t WritePngRgba(ByteWriter& stream, const Bitmap24& colour, const Bitmap24& mask, bool twoLevelMask);
    // Target becomes a copy of the index bitmap with every index replaced by its palette colour.
    static void ExpandPalette(const Bitmap24& indices, Bitmap24& target, const TPalette& palette);
    // Turns a true-colour image read from a PNG into a palette format when it has at most 256
    // colours: the palette takes the colours in the order first met.
    static void BuildExactPalette(TIconImageRec& format, int entryBits);
    // Target becomes the format composited over white (24-bit, the format's size).
    static void FlattenOnWhite(const TIconImageRec& format, Bitmap24& target);

private:
    // Image blocks by place, size and bit count: the format read from each, -1 when it failed.
    using TBlockIndex = std::map<std::tuple<uint64_t, uint64_t, uint16_t>, int>;
    // Decodes, on all cores, a batch of the directory's entries from `first` on: `first` itself
    // and the following ones whose block is neither in `decoded` nor met before in the batch.
    // With parkOn given (the bytes `file` reads), an image read is parked on its entry there when
    // parkAll is set or it is larger than its entry claims.
    void DecodeAhead(const ByteReader& file, int first, const TBlockIndex& decoded, std::vector<TDecodedEntry>& ahead,
                     const QByteArray* parkOn, bool parkAll);
    int32_t ReadDirEntry(ByteReader& file, int index, TIconImageRec& format);
    int32_t ReadDibImage(ByteReader& block, TIconImageRec& format);
    int32_t ReadPngImage(ByteReader& block, int entryBits, TIconImageRec& format);
    int32_t WriteDirectory(ByteWriter& stream, const TIconImageArray& formats);
    int32_t WriteDibImage(ByteWriter& stream, const TIconImageRec& format);
    int32_t WritePngImage(ByteWriter& stream, const TIconImageRec& format);
    int32_t SaveBytes(const QString& fileName, const QByteArray& data);
    // Flattens the format on white, encodes it and saves the bytes.
    int32_t ExportFlattened(const QString& fileName, const TIconImageRec& format,
                            bool (*encode)(const Bitmap24&, std::vector<uint8_t>&));
};
