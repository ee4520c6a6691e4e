#include "iconfiles/file_access.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <tuple>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "iconfiles/bmp_codec.h"
#include "iconfiles/pixel_rows.h"
#include "iconfiles/png_codec.h"
#include "platform/parallel.h"
#include "platform/save_file.h"

namespace {

const QString TextNotAvailable = QStringLiteral("The file format is not available.");
const QString TextFileNotFound = QStringLiteral("File not found.");
const QString TextWriteError = QStringLiteral("Written into the document error.");
const QString TextDirectoryError = QStringLiteral("Written into the document error");
const QString TextBadSnapshot = QStringLiteral("The snapshot file is damaged.");

constexpr uint32_t DibHeaderSize = 40;

int DibStride(int width, int bits) { return int(((int64_t(width) * bits + 31) / 32) * 4); }

bool IsDibBitCount(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32; }

bool IsSideInRange(int64_t side) { return side >= 1 && side <= MaxIconSide; }

// One row of a pixel block: a pointer into the data when the row is complete, else a copy of the
// bytes that are there followed by zeros.
const uint8_t* RowOrZeroFilled(const ByteReader& block, uint64_t offset, size_t stride, std::vector<uint8_t>& buffer)
{
    if (block.HasRange(offset, stride)) return block.Data() + offset;
    std::fill(buffer.begin(), buffer.end(), 0);
    if (offset < block.Size()) {
        const size_t have = std::min<size_t>(stride, size_t(block.Size() - offset));
        std::memcpy(buffer.data(), block.Data() + offset, have);
    }
    return buffer.data();
}

void SetMaskByte(uint8_t* maskPixel, uint8_t value) { maskPixel[0] = maskPixel[1] = maskPixel[2] = value; }

// Palette images keep their index in the red byte of the colour bitmap, blue and green zero.
template <int Bits>
void UnpackIndexRow(const uint8_t* src, uint8_t* colour, int width)
{
    for (int x = 0; x < width; ++x) {
        uint8_t index;
        if constexpr (Bits == 8)
            index = src[x];
        else if constexpr (Bits == 4)
            index = uint8_t((src[x >> 1] >> ((~x & 1) * 4)) & 0x0F);
        else
            index = uint8_t((src[x >> 3] >> (7 - (x & 7))) & 1);
        uint8_t* c = colour + 3 * x;
        c[0] = 0;
        c[1] = 0;
        c[2] = index;
    }
}

// The opposite: indices (masked to the palette) packed as 1, 4 or 8 bits per pixel, first pixel
// in the high bits.
template <int Bits>
void PackIndexRow(const uint8_t* colour, uint8_t indexMask, uint8_t* dst, int width)
{
    constexpr int perByte = 8 / Bits;
    for (int x0 = 0; x0 < width; x0 += perByte) {
        const int n = std::min(perByte, width - x0);
        unsigned byte = 0;
        for (int k = 0; k < n; ++k) byte |= unsigned(colour[3 * (x0 + k) + 2] & indexMask) << (8 - Bits * (k + 1));
        dst[x0 / perByte] = uint8_t(byte);
    }
}

// Makes the pixels whose bit is set in a DIB's AND row fully transparent.
void ApplyAndRow(const uint8_t* bits, uint8_t* mask, int width)
{
    for (int x0 = 0; x0 < width; x0 += 8) {
        const unsigned byte = bits[x0 >> 3];
        if (byte == 0) continue;
        const int end = std::min(width, x0 + 8);
        for (int x = x0; x < end; ++x)
            if (byte & (0x80u >> (x - x0))) SetMaskByte(mask + 3 * x, 255);
    }
}

// A format whose bitmaps exist and match its size, which is one an icon can hold.
bool IsWritableFormat(const TIconImageRec& f)
{
    return IsSideInRange(f.Width) && IsSideInRange(f.Height) && f.Bitmap && f.Mask &&
           f.Bitmap->Width() == f.Width && f.Bitmap->Height() == f.Height && f.Mask->Width() == f.Width &&
           f.Mask->Height() == f.Height;
}

// The index bits a palette writer keeps: the palette's own size when it is a power of two that
// fits the bit count, else the bit count's.
uint8_t IndexMask(const TPalette& palette, int bits)
{
    const int capacity = 1 << bits;
    const int n = palette.palNumEntries;
    const bool usable = n >= 2 && n <= capacity && (n & (n - 1)) == 0;
    return uint8_t((usable ? n : capacity) - 1);
}

void EnsureBitmaps(TIconImageRec& format)
{
    if (!format.Bitmap) format.Bitmap = std::make_unique<Bitmap24>();
    if (!format.Mask) format.Mask = std::make_unique<Bitmap24>();
}

// Takes a fully read image into the caller's record, keeping its Id and its bitmap objects.
void CommitImage(TIconImageRec& image, TIconImageRec& format)
{
    EnsureBitmaps(format);
    format.Width = image.Width;
    format.Height = image.Height;
    format.ColorType = image.ColorType;
    format.Palette = image.Palette;
    *format.Bitmap = std::move(*image.Bitmap);
    *format.Mask = std::move(*image.Mask);
}

// A working record for one image: the caller's palette (entries a true-colour image leaves
// alone) and bitmaps of the given size whose every pixel the reader writes.
TIconImageRec NewWorkImage(const TIconImageRec& like, int width, int height)
{
    TIconImageRec image;
    image.Width = width;
    image.Height = height;
    image.Palette = like.Palette;
    image.Palette.palVersion = 0x300;
    image.Palette.palNumEntries = 0;
    image.Bitmap = std::make_unique<Bitmap24>(width, height, Bitmap24::UnsetPixels{});
    image.Mask = std::make_unique<Bitmap24>(width, height, Bitmap24::UnsetPixels{});
    return image;
}

// An icon's own bytes are its header, its directory and the blocks the directory points at. A
// legal image block needs well under a megabyte (a 256 x 256 DIB of 32 bits: 270 KB), so each is
// read up to a generous cap, and all of them together up to what the pixel budget can decode;
// what lies between and after the blocks is never read, so a huge or sparse file costs what its
// images do.
constexpr uint64_t MaxIconBlockBytes = uint64_t(4) << 20;
constexpr uint64_t MaxIconBlocksTotal = uint64_t(128) << 20;
// An offset no compacted file reaches: the entry fails as unreadable, as one pointing past the
// end of the file does.
constexpr uint32_t OffsetNowhere = 0xFFFFFFFFu;

void PutLe32(QByteArray& bytes, qsizetype at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

// Reads the icon file into data as a compacted copy: the header, the directory and each distinct
// block it points at (cut to the caps above), the directory's offsets and sizes rewritten to
// match. Entries the reader would refuse for their place keep a place it refuses. False when the
// file cannot be read.
bool ReadDirectedIconBytes(QFile& file, QByteArray& data)
{
    const uint64_t fileSize = uint64_t(std::max<qint64>(file.size(), 0));
    data = file.read(6);
    if (file.error() != QFileDevice::NoError) return false;
    if (data.size() < 6) return true; // too short: the parser refuses it
    const int count = uint8_t(data[4]) | uint8_t(data[5]) << 8;
    const QByteArray directory = file.read(qint64(16) * count);
    if (file.error() != QFileDevice::NoError) return false;
    data += directory;
    // A directory cut short by the end of the file leaves nothing after it: data is the whole file.
    if (directory.size() < qsizetype(16) * count) return true;
    // The block an entry points at, as (offset, length); length 0 for none.
    const auto blockOf = [&](int k) -> std::pair<uint64_t, uint64_t> {
        ByteReader entry(reinterpret_cast<const uint8_t*>(data.constData()) + 6 + 16 * k + 8, 8);
        const uint64_t size = entry.U32();
        const uint64_t offset = entry.U32();
        if (offset >= fileSize) return {offset, 0};
        // The reader's rule: the block ends where the entry says, or at the end of the file.
        const uint64_t available = fileSize - offset;
        return {offset, std::min((size > 0 && size <= available) ? size : available, MaxIconBlockBytes)};
    };
    // The copy is made at its final size at once: growing it block by block would move it
    // again and again and could leave it holding far more memory than it uses, for as long as
    // the formats read from it keep it.
    {
        std::set<std::pair<uint64_t, uint64_t>> counted;
        uint64_t expected = 0;
        for (int k = 0; k < count; ++k) {
            const auto block = blockOf(k);
            if (block.second > 0 && counted.insert(block).second && expected + block.second <= MaxIconBlocksTotal)
                expected += block.second;
        }
        data.reserve(data.size() + qsizetype(expected));
    }
    std::map<std::pair<uint64_t, uint64_t>, std::pair<uint32_t, uint64_t>> placed; // (offset, length) -> new place
    uint64_t total = 0;
    for (int k = 0; k < count; ++k) {
        const qsizetype at = 6 + qsizetype(16) * k;
        const auto [offset, wanted] = blockOf(k);
        uint32_t newOffset = OffsetNowhere;
        uint64_t length = 0;
        if (wanted > 0) {
            if (auto seen = placed.find({offset, wanted}); seen != placed.end()) {
                std::tie(newOffset, length) = seen->second;
            } else if (total + wanted <= MaxIconBlocksTotal) {
                if (!file.seek(qint64(offset))) return false;
                // Read straight onto the end of the copy: no block passes through a buffer of its own.
                const qsizetype end = data.size();
                data.resize(end + qsizetype(wanted));
                const qint64 got = file.read(data.data() + end, qint64(wanted));
                if (got < 0 || file.error() != QFileDevice::NoError) return false;
                data.resize(end + qsizetype(got));
                // A file that shrank meanwhile gives fewer bytes; none at all is no block.
                if (got > 0) {
                    newOffset = uint32_t(end);
                    length = uint64_t(got);
                    total += length;
                }
                placed[{offset, wanted}] = {newOffset, length};
            }
        }
        PutLe32(data, at + 8, uint32_t(length));
        PutLe32(data, at + 12, newOffset);
    }
    return true;
}

} // namespace

namespace {

// The two bitmaps of one parked image. One decode makes both, so whichever is reached second
// takes what the first left behind.
class TIconEntryPixels final : public Bitmap24Source {
public:
    explicit TIconEntryPixels(TIconImageSource source) : source_(std::move(source)) {}

    Bitmap24 Produce(int role) const override
    {
        std::lock_guard lock(mutex_);
        const int other = 1 - role;
        if (spare_[role]) {
            const std::unique_ptr<Bitmap24> kept = std::move(spare_[role]);
            return std::move(*kept);
        }
        TIconImageRec decoded;
        TIconFileAccess reader;
        if (reader.ReadIconImageSource(source_, decoded) != 0 || !decoded.Bitmap || !decoded.Mask) return {};
        std::unique_ptr<Bitmap24>& wanted = role == 0 ? decoded.Bitmap : decoded.Mask;
        spare_[other] = std::move(role == 0 ? decoded.Mask : decoded.Bitmap);
        return std::move(*wanted);
    }

private:
    TIconImageSource source_;
    mutable std::mutex mutex_;
    mutable std::unique_ptr<Bitmap24> spare_[2];
};

// The pixels a directory entry claims from its width and height bytes (0 stands for 256).
int64_t ClaimedPixels(int width, int height) { return int64_t(width ? width : 256) * (height ? height : 256); }

void ParkFormat(TIconImageRec& format, const QByteArray& data, int entry)
{
    if (!format.Bitmap || !format.Mask) return;
    auto pixels = std::make_shared<const TIconEntryPixels>(TIconImageSource{data, entry});
    format.Bitmap->Park(pixels, 0);
    format.Mask->Park(pixels, 1);
}

} // namespace

// The bytes of the snapshot (TIconFileAccess::BuildSnapshotData) that would keep the format's
// first step instead: its header and palette, and colour and mask as 24-bit BMP files.
qint64 SnapshotBytes(const TIconImageRec& format)
{
    const qint64 palette = format.ColorType <= ctColors256 ? 4 + qint64(4) * std::min<int>(format.Palette.palNumEntries, 256) : 0;
    const qint64 bmp = 14 + 40 + qint64(Bitmap24Stride(std::max(format.Width, 0))) * std::max(format.Height, 0);
    return 16 + palette + 2 * bmp;
}

bool IconBytesWorthKeeping(qint64 fileBytes, const TIconImageArray& formats, int from)
{
    qint64 snapshotBytes = 0;
    for (int i = std::max(from, 0); i < formats.Count() && snapshotBytes < fileBytes; ++i)
        snapshotBytes += SnapshotBytes(formats[i]);
    return fileBytes <= snapshotBytes;
}

// One directory entry decoded ahead of the reader's walk over the directory.
struct TDecodedEntry {
    int Entry = -1;
    TIconImageRec Image;
    int64_t ClaimedPixels = 0; // as the directory entry has it
    int32_t Result = -1;
    QString Error;
    bool OutOfMemory = false;
};

QString NotRegularFileText(const QString& path) { return QStringLiteral("%1 is not a regular file.").arg(path); }

// ---------------------------------------------------------------------------------------------
// Reading icon files

int32_t TIconFileAccess::LoadIconFile(const QString& fileName, TIconImageArray& formats,
                                      std::vector<TIconImageSource>* sources)
{
    LastError = QStringLiteral("Unknown error.");
    const QFileInfo info(fileName);
    if (fileName.trimmed().size() <= 1 || !info.exists()) {
        LastError = TextFileNotFound;
        return -1;
    }
    // A pipe or a device named like an icon would block the read or never end it.
    if (!info.isFile()) {
        LastError = NotRegularFileText(fileName);
        return -1;
    }
    QFile file;
    QString reason;
    if (!OpenRegularFile(fileName, file, &reason)) {
        // A name swapped for a pipe or a device meanwhile says so too.
        LastError = reason.isEmpty() ? NotRegularFileText(fileName) : reason;
        return -1;
    }
    return LoadIconOpenFile(file, formats, sources);
}

int32_t TIconFileAccess::LoadIconOpenFile(QFile& file, TIconImageArray& formats, std::vector<TIconImageSource>* sources)
{
    LastError = QStringLiteral("Unknown error.");
    QByteArray data;
    try {
        if (!ReadDirectedIconBytes(file, data)) {
            LastError = file.errorString();
            return -1;
        }
    } catch (const std::bad_alloc&) {
        LastError = TextNotAvailable;
        return -1;
    }
    return LoadIconData(data, formats, sources);
}

int32_t TIconFileAccess::LoadIconData(const QByteArray& data, TIconImageArray& formats,
                                      std::vector<TIconImageSource>* sources)
{
    LastError = QStringLiteral("Unknown error.");
    ByteReader file(data);
    const uint16_t reserved = file.U16();
    const uint16_t type = file.U16();
    const uint16_t count = file.U16();
    if (!file.Ok() || reserved != 0 || type != 1 || count == 0) {
        LastError = TextNotAvailable;
        return -1;
    }
    // Every entry costs its pixels against the budget, read or not: a directory of 65535 entries
    // that all fail must not decode 65535 times. Entries that share one image block (same place,
    // size and bit count) are decoded once and copied.
    const int before = formats.Count();
    // Whether to park is decided on what the whole directory claims, so that it is the same
    // whatever the batches; an entry that lies is caught by its decoded size.
    int64_t claimed = 0;
    for (int k = 0; k < count && sources && claimed <= KeepDecodedPixels; ++k) {
        ByteReader entry = file.Sub(6 + 16 * uint64_t(k), 2);
        const int w = entry.U8(), h = entry.U8();
        claimed += ClaimedPixels(w, h);
    }
    const bool parkAll = claimed > KeepDecodedPixels;
    int64_t pixels = 0;
    TBlockIndex decoded; // block -> format index, -1 failed
    std::vector<TDecodedEntry> ahead;
    size_t nextAhead = 0;
    QString lastFailure;
    for (int k = 0; k < count && pixels < MaxIconPixelsTotal; ++k) {
        ByteReader entry = file.Sub(6 + 16 * uint64_t(k), 16);
        const int dirWidth = entry.U8();
        const int dirHeight = entry.U8();
        entry.Skip(4);
        const uint16_t bits = entry.U16();
        const uint64_t size = entry.U32();
        const uint64_t offset = entry.U32();
        const int64_t claimedHere = ClaimedPixels(dirWidth, dirHeight);
        pixels += claimedHere;
        const auto key = std::tuple(offset, size, bits);
        if (entry.Ok()) {
            if (auto seen = decoded.find(key); seen != decoded.end()) {
                if (seen->second >= 0) {
                    // A copy costs what it holds, not what its entry claims: entries claiming
                    // 1 x 1 that all point at one 256 x 256 block must not make 65535 of them.
                    const int64_t holds = int64_t(formats[seen->second].Width) * formats[seen->second].Height;
                    pixels += holds - claimedHere;
                    if (pixels > MaxIconPixelsTotal) break;
                    TIconImageRec copy = formats[seen->second].Clone();
                    if (sources) {
                        // Parked as an image read for this entry would have been.
                        const TIconImageSource source = sources->at(size_t(seen->second - before));
                        if (!copy.IsParked() && holds > claimedHere) ParkFormat(copy, source.Data, source.Entry);
                        sources->push_back(source);
                    }
                    formats.Add(std::move(copy));
                }
                continue;
            }
        }
        // Images are decoded a batch at a time on all cores; this walk then takes them in
        // directory order, so the budget, the shared blocks and the failure reported are those
        // of a read one image at a time.
        while (nextAhead < ahead.size() && ahead[nextAhead].Entry < k) ++nextAhead;
        if (nextAhead == ahead.size() || ahead[nextAhead].Entry != k) {
            DecodeAhead(file, k, decoded, ahead, sources ? &data : nullptr, parkAll);
            nextAhead = 0;
        }
        TDecodedEntry& read = ahead[nextAhead++];
        if (read.OutOfMemory) {
            LastError = TextNotAvailable;
            lastFailure = LastError;
            break;
        }
        if (read.Result != 0) {
            LastError = read.Error;
            // A reader that failed without a reason of its own fails as unreadable.
            lastFailure = LastError.isEmpty() ? TextNotAvailable : LastError;
            if (entry.Ok()) decoded[key] = -1;
            continue;
        }
        TIconImageRec slot = std::move(read.Image);
        // What was decoded counts in place of what the directory claimed.
        pixels += int64_t(slot.Width) * slot.Height - claimedHere;
        if (pixels > MaxIconPixelsTotal) break;
        if (entry.Ok()) decoded[key] = formats.Count();
        formats.Add(std::move(slot));
        if (sources) sources->push_back(TIconImageSource{data, k});
    }
    // A directory none of whose images could be read is an unreadable file, said as its last
    // image's failure.
    if (formats.Count() == before) {
        LastError = lastFailure.isEmpty() ? TextNotAvailable : lastFailure;
        return -1;
    }
    // Bytes outweighing the pixels are not kept for them: the formats get their pixels now.
    if (sources && !IconBytesWorthKeeping(data.size(), formats, before)) {
        for (int i = before; i < formats.Count(); ++i) formats[i].Unpark();
    }
    LastError = QStringLiteral("Unknown error.");
    return 0;
}

void TIconFileAccess::DecodeAhead(const ByteReader& file, int first, const TBlockIndex& decoded,
                                  std::vector<TDecodedEntry>& ahead, const QByteArray* parkOn, bool parkAll)
{
    ahead.clear();
    const int count = file.Sub(4, 2).U16();
    // Past the point where the pixel budget stops the walk, a batch's work is wasted: a few
    // images per core keep that small while every core stays busy.
    const size_t batch = 4 * ParallelThreads(size_t(count - first), 1);
    std::set<std::tuple<uint64_t, uint64_t, uint16_t>> inBatch;
    int64_t batchPixels = 0;
    for (int k = first; k < count && ahead.size() < batch; ++k) {
        ByteReader entry = file.Sub(6 + 16 * uint64_t(k), 16);
        entry.Skip(6);
        const uint16_t bits = entry.U16();
        const uint64_t size = entry.U32();
        const uint64_t offset = entry.U32();
        // A block met before is decoded once; the walk copies it.
        if (entry.Ok()) {
            const auto key = std::tuple(offset, size, bits);
            const bool met = decoded.count(key) != 0 || !inBatch.insert(key).second;
            if (met && k != first) continue;
        }
        TDecodedEntry& read = ahead.emplace_back();
        read.Entry = k;
        read.Image.Id = -1;
        const int w = entry.Sub(0, 1).U8(), h = entry.Sub(1, 1).U8();
        read.ClaimedPixels = ClaimedPixels(w, h);
        batchPixels += read.ClaimedPixels;
    }
    // A few small images (a usual icon) decode faster than threads wake up for them.
    const size_t threads = batchPixels < 256 * 256 ? 1 : ParallelThreads(ahead.size(), 1);
    ParallelFor(ahead.size(), threads, [&](size_t i) {
        TDecodedEntry& read = ahead[i];
        TIconFileAccess reader;
        ByteReader view = file;
        try {
            read.Result = reader.ReadDirEntry(view, read.Entry, read.Image);
            read.Error = reader.LastError;
            // Parked at once, so a batch never holds more than one image's pixels per core.
            const bool larger = int64_t(read.Image.Width) * read.Image.Height > read.ClaimedPixels;
            if (read.Result == 0 && parkOn && (parkAll || larger)) ParkFormat(read.Image, *parkOn, read.Entry);
        } catch (const std::bad_alloc&) {
            read.OutOfMemory = true;
        } catch (...) {
            read.Result = -1; // unreadable
        }
    });
}

int32_t TIconFileAccess::ReadIconImageSource(const TIconImageSource& source, TIconImageRec& format)
{
    ByteReader file(source.Data);
    if (source.Entry < 0 || source.Entry >= int(file.Sub(4, 2).U16())) {
        LastError = TextNotAvailable;
        return -1;
    }
    return ReadDirEntry(file, source.Entry, format);
}

int32_t TIconFileAccess::ReadDirEntry(ByteReader& file, int index, TIconImageRec& format)
{
    ByteReader entry = file.Sub(6 + 16 * uint64_t(index), 16);
    entry.Skip(6);                            // width, height, colour count, reserved, planes
    const uint16_t bits = entry.U16();
    const uint64_t size = entry.U32();
    const uint64_t offset = entry.U32();
    if (!entry.Ok() || offset >= file.Size()) {
        LastError = TextNotAvailable;
        return -1;
    }
    // The block ends where the entry says, or at the end of the file when the entry's size is
    // missing or reaches past it.
    const uint64_t available = file.Size() - offset;
    const uint64_t length = (size > 0 && size <= available) ? size : available;
    ByteReader block = file.Sub(offset, length);
    return ReadIconImage(block, bits, format);
}

int32_t TIconFileAccess::ReadIconImage(ByteReader& stream, int entryBits, TIconImageRec& format)
{
    ByteReader block = stream.Sub(stream.Pos(), stream.Size() - stream.Pos());
    if (!stream.Ok() || !block.HasRange(0, DibHeaderSize)) {
        LastError = TextNotAvailable;
        return -1;
    }
    if (HasPngSignature(block.Data(), block.Size())) return ReadPngImage(block, entryBits, format);
    ByteReader header = block.Sub(16, 4);
    if (header.U32() == 0) return ReadDibImage(block, format);
    LastError = TextNotAvailable;
    return -1;
}

int32_t TIconFileAccess::ReadDibImage(ByteReader& block, TIconImageRec& format)
{
    ByteReader h = block.Sub(0, DibHeaderSize);
    const uint32_t headerSize = h.U32();
    const int32_t width = h.I32();
    const int32_t height = h.I32() / 2;
    h.U16(); // planes
    const int bits = h.U16();
    h.Skip(16); // compression, image size, resolution
    const uint32_t colorsUsed = h.U32();
    if (!IsSideInRange(width) || !IsSideInRange(height) || !IsDibBitCount(bits)) {
        LastError = TextNotAvailable;
        return -1;
    }

    TIconImageRec image = NewWorkImage(format, width, height);
    uint64_t pos = std::max(headerSize, DibHeaderSize);
    if (bits <= 8) {
        const uint32_t capacity = 1u << bits;
        // Tools that store fewer colours say so in the colours-used field.
        const uint32_t stored = (colorsUsed >= 1 && colorsUsed <= capacity) ? colorsUsed : capacity;
        ByteReader table = block.Sub(pos, uint64_t(stored) * 4);
        if (!table.Ok()) {
            LastError = TextNotAvailable;
            return -1;
        }
        for (uint32_t i = 0; i < capacity; ++i) {
            TPaletteEntry e{};
            if (i < stored) {
                e.peBlue = table.U8();
                e.peGreen = table.U8();
                e.peRed = table.U8();
                table.U8();
            }
            image.Palette.palPalEntry[i] = e;
        }
        image.Palette.palNumEntries = uint16_t(capacity);
        pos += uint64_t(stored) * 4;
    }
    image.ColorType = BitsToColorType(bits);
    // A header whose size field points past the block leaves no pixels to read.
    if (pos >= block.Size()) {
        LastError = TextNotAvailable;
        return -1;
    }

    Bitmap24& bmp = *image.Bitmap;
    Bitmap24& mask = *image.Mask;
    const size_t stride = size_t(DibStride(width, bits));
    const size_t andStride = size_t(DibStride(width, 1));
    const uint64_t andPos = pos + uint64_t(stride) * uint64_t(height);
    const size_t rowBytes = size_t(width) * 3;
    std::vector<uint8_t> buffer(stride);
    std::vector<uint8_t> andBuffer(andStride);
    // A 32-bit image with any alpha is drawn by its alpha alone, as the desktop's own icon
    // renderer does: its AND rows are a fallback for old renderers and are often written with a
    // threshold, so honouring them would wipe out every semi-transparent pixel. Only an image
    // whose alpha is all zero takes its transparency from the AND rows.
    bool alphaDecides = false;
    if (bits == 32) {
        for (int i = 0; i < height && !alphaDecides; ++i) {
            const uint8_t* src = RowOrZeroFilled(block, pos + uint64_t(i) * stride, stride, buffer);
            for (int x = 0; x < width; ++x)
                if (src[4 * x + 3] != 0) {
                    alphaDecides = true;
                    break;
                }
        }
    }
    for (int i = 0; i < height; ++i) {
        const int y = height - 1 - i;
        const uint8_t* src = RowOrZeroFilled(block, pos + uint64_t(i) * stride, stride, buffer);
        uint8_t* dst = bmp.Row(y);
        uint8_t* m = mask.Row(y);
        if (bits == 32) {
            SplitAlphaRow(src, ChannelOrder::Bgra, dst, m, width);
            if (alphaDecides) continue;
            std::memset(m, 0, rowBytes);
        } else {
            std::memset(m, 0, rowBytes);
            switch (bits) {
            case 1: UnpackIndexRow<1>(src, dst, width); break;
            case 4: UnpackIndexRow<4>(src, dst, width); break;
            case 8: UnpackIndexRow<8>(src, dst, width); break;
            default: std::memcpy(dst, src, rowBytes); break;
            }
        }
        // AND rows: a set bit makes the pixel fully transparent; missing rows leave it opaque.
        const uint64_t andRow = andPos + uint64_t(i) * andStride;
        if (andRow < block.Size()) ApplyAndRow(RowOrZeroFilled(block, andRow, andStride, andBuffer), m, width);
    }
    CommitImage(image, format);
    return 0;
}

namespace {

// The palette index whose colour is nearest to c (squared distance; the first of equals wins).
int NearestPaletteIndex(const std::vector<std::array<uint8_t, 3>>& palette, const std::array<uint8_t, 3>& c)
{
    int best = 0;
    int bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        int d = 0;
        for (int k = 0; k < 3; ++k) {
            const int diff = int(palette[i][size_t(k)]) - int(c[size_t(k)]);
            d += diff * diff;
        }
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

// The raw index that stands for "transparent" in a palette PNG read as a palette format.
int TransparentIndex(const PngInfo& png)
{
    int below = 0;
    for (uint8_t a : png.Transparency)
        if (a < 255) ++below;
    if (below != 1) return 0;
    std::array<uint8_t, 3> colour{0, 0, 0};
    for (size_t i = 0; i < png.Transparency.size(); ++i)
        if (png.Transparency[i] == 0) {
            if (i < png.Palette.size()) colour = png.Palette[i];
            break;
        }
    return NearestPaletteIndex(png.Palette, colour);
}

// Takes the decoded rows of a PNG image straight into a working record.
class IconPngSink : public PngRowSink {
public:
    explicit IconPngSink(const TIconImageRec& like) : like_(like) {}

    void Begin(const PngInfo& header) override
    {
        info = header;
        image = NewWorkImage(like_, info.Width, info.Height);
        // An index into a palette of at most 256 entries.
        if (info.Indexed) transparent_ = uint8_t(TransparentIndex(info));
    }

    void Row(int y, const uint8_t* src) override
    {
        uint8_t* dst = image.Bitmap->Row(y);
        uint8_t* m = image.Mask->Row(y);
        const int width = info.Width;
        if (!info.Indexed) {
            partialAlpha = SplitAlphaRow(src, ChannelOrder::Rgba, dst, m, width) || partialAlpha;
            return;
        }
        // Index i is stored as i - 1 and index 0 as 255 (the last slot of every palette size).
        const uint8_t transparent = transparent_;
        uint8_t highest = 0;
        for (int x = 0; x < width; ++x) {
            const uint8_t index = src[x];
            uint8_t* c = dst + 3 * x;
            c[0] = 0;
            c[1] = 0;
            c[2] = uint8_t(index - 1);
            highest = std::max(highest, index);
            SetMaskByte(m + 3 * x, index == transparent ? 255 : 0);
        }
        if (highest > 0) highestStored = std::max(highestStored, highest - 1);
    }

    // The palette of an indexed image: enough slots for the highest stored index, so no index
    // folds onto another; slot k holds PNG entry k + 1 (slot 255 of 256 keeps entry 255).
    void FinishIndexed(int entryBits)
    {
        const int wanted = std::max(1 << entryBits, highestStored + 1);
        const int n = wanted <= 2 ? 2 : (wanted <= 16 ? 16 : 256);
        image.ColorType = n == 2 ? ctColors2 : (n == 16 ? ctColors16 : ctColors256);
        image.Palette.palNumEntries = uint16_t(n);
        for (int k = 0; k < n; ++k) {
            const size_t source = (n == 256 && k == 255) ? 255 : size_t(k) + 1;
            TPaletteEntry e{};
            if (source < info.Palette.size()) {
                e.peRed = info.Palette[source][0];
                e.peGreen = info.Palette[source][1];
                e.peBlue = info.Palette[source][2];
            }
            image.Palette.palPalEntry[size_t(k)] = e;
        }
    }

    PngInfo info;
    TIconImageRec image;
    bool partialAlpha = false;
    int highestStored = 0;

private:
    const TIconImageRec& like_;
    uint8_t transparent_ = 0;
};

} // namespace

int32_t TIconFileAccess::ReadPngImage(ByteReader& block, int entryBits, TIconImageRec& format)
{
    const bool paletteBits = entryBits == 1 || entryBits == 4 || entryBits == 8;
    IconPngSink sink(format);
    if (!DecodePng(block.Data(), block.Size(), paletteBits, MaxIconSide, sink)) return -1;
    TIconImageRec& image = sink.image;
    if (sink.info.Indexed)
        sink.FinishIndexed(entryBits);
    else if (!sink.info.HasAlpha)
        image.ColorType = ctTrueColor;
    else if (sink.partialAlpha)
        // Only the alpha type keeps levels between opaque and transparent.
        image.ColorType = ctTrueAlpha;
    else if (paletteBits)
        BuildExactPalette(image, entryBits);
    else
        image.ColorType = BitsToColorType(entryBits);
    CommitImage(image, format);
    return 0;
}

void TIconFileAccess::BuildExactPalette(TIconImageRec& format, int entryBits)
{
    if (!format.Bitmap) return;
    Bitmap24& bmp = *format.Bitmap;
    std::unordered_map<TColor, int> indexOf;
    indexOf.reserve(512);
    TPalette& pal = format.Palette;
    int distinct = 0;
    for (int y = 0; y < bmp.Height(); ++y) {
        const uint8_t* p = bmp.Row(y);
        for (int x = 0; x < bmp.Width(); ++x, p += 3) {
            const TColor c = ReadPixel(p);
            auto it = indexOf.find(c);
            if (it != indexOf.end()) {
                ++pal.palPalEntry[size_t(it->second)].peFlags;
                continue;
            }
            if (distinct == 256) {
                format.ColorType = ctTrueColor;
                return;
            }
            indexOf.emplace(c, distinct);
            pal.palPalEntry[size_t(distinct)] = TPaletteEntry{uint8_t(ColorR(c)), uint8_t(ColorG(c)), uint8_t(ColorB(c)), 0};
            ++distinct;
        }
    }
    const int m = std::max(1 << std::clamp(entryBits, 0, 8), distinct);
    const int n = m <= 2 ? 2 : (m <= 16 ? 16 : 256);
    format.ColorType = n == 2 ? ctColors2 : (n == 16 ? ctColors16 : ctColors256);
    format.Palette.palNumEntries = uint16_t(n);
    for (int k = distinct; k < n; ++k) pal.palPalEntry[size_t(k)] = TPaletteEntry{};
    for (int y = 0; y < bmp.Height(); ++y) {
        uint8_t* p = bmp.Row(y);
        for (int x = 0; x < bmp.Width(); ++x, p += 3) p[2] = uint8_t(indexOf[ReadPixel(p)]);
    }
}

// ---------------------------------------------------------------------------------------------
// Writing icon files

int32_t TIconFileAccess::SaveIconFile(const QString& fileName, const TIconImageArray& formats)
{
    LastError = QStringLiteral("Unknown error");
    QByteArray data;
    if (!BuildIconData(formats, data)) return -1;
    return SaveBytes(fileName, data);
}

bool TIconFileAccess::BuildIconData(const TIconImageArray& formats, QByteArray& data)
{
    // The image count is a 16-bit field.
    if (formats.IsEmpty() || formats.Count() > 65535) return false;
    ByteWriter out;
    out.U16(0);
    out.U16(1);
    out.U16(uint16_t(formats.Count()));
    if (WriteDirectory(out, formats) != 0) return false;
    for (int i = 0; i < formats.Count(); ++i) {
        const size_t start = out.Size();
        // Saving a large icon leaves the formats nobody looked at parked.
        const bool parked = formats[i].IsParked();
        const TIconImageRec read = parked ? formats[i].ReadingCopy() : TIconImageRec{};
        if (WriteIconImage(out, parked ? read : formats[i]) != 0) return false;
        const size_t entry = 6 + 16 * size_t(i);
        out.PatchU32(entry + 8, uint32_t(out.Size() - start));
        out.PatchU32(entry + 12, uint32_t(start));
    }
    data = out.ToByteArray();
    return true;
}

int32_t TIconFileAccess::WriteDirectory(ByteWriter& stream, const TIconImageArray& formats)
{
    const size_t start = stream.Size();
    for (int i = 0; i < formats.Count(); ++i) {
        const TIconImageRec& f = formats[i];
        stream.U8(uint8_t(f.Width & 255));
        stream.U8(uint8_t(f.Height & 255));
        stream.U8(f.ColorType == ctColors2 ? 2 : (f.ColorType == ctColors16 ? 16 : 0));
        stream.U8(0);
        stream.U16(1);
        stream.U16(uint16_t(ColorTypeToBits(f.ColorType)));
        stream.U32(0);
        stream.U32(0);
    }
    if (stream.Size() - start != 16 * size_t(formats.Count())) {
        LastError = TextDirectoryError;
        return -1;
    }
    return 0;
}

int32_t TIconFileAccess::WriteIconImage(ByteWriter& stream, const TIconImageRec& format)
{
    if (!IsWritableFormat(format)) {
        LastError = TextWriteError;
        return -1;
    }
    if (IsWrittenAsPng(format.Width, format.Height)) return WritePngImage(stream, format);
    return WriteDibImage(stream, format);
}

int32_t TIconFileAccess::WriteDibImage(ByteWriter& stream, const TIconImageRec& format)
{
    LastError = TextWriteError;
    const int w = format.Width;
    const int h = format.Height;
    const int bits = ColorTypeToBits(format.ColorType);
    const int stride = DibStride(w, bits);

    stream.U32(DibHeaderSize);
    stream.I32(w);
    stream.I32(2 * h);
    stream.U16(1);
    stream.U16(uint16_t(bits));
    stream.U32(0);
    stream.U32(uint32_t(stride) * uint32_t(h));
    stream.Zeros(16);

    uint8_t indexMask = 0;
    if (bits <= 8) {
        // The table always has 2^bits entries; entries past the palette are zero.
        const int capacity = 1 << bits;
        const int used = std::min<int>(format.Palette.palNumEntries, capacity);
        for (int i = 0; i < capacity; ++i) {
            const TPaletteEntry e = i < used ? format.Palette.palPalEntry[size_t(i)] : TPaletteEntry{};
            stream.U8(e.peBlue);
            stream.U8(e.peGreen);
            stream.U8(e.peRed);
            stream.U8(0);
        }
        indexMask = IndexMask(format.Palette, bits);
    }

    // Colour rows, then AND rows (a set bit for every fully transparent pixel), both bottom-up,
    // converted straight into the stream; row padding stays zero.
    const Bitmap24& bmp = *format.Bitmap;
    const Bitmap24& mask = *format.Mask;
    const size_t andStride = size_t(DibStride(w, 1));
    std::vector<uint8_t>& buf = stream.Buffer();
    const size_t colourStart = buf.size();
    const size_t andStart = colourStart + size_t(stride) * size_t(h);
    buf.resize(andStart + andStride * size_t(h), 0);
    for (int i = 0; i < h; ++i) {
        const int y = h - 1 - i;
        const uint8_t* src = bmp.Row(y);
        uint8_t* row = buf.data() + colourStart + size_t(i) * size_t(stride);
        switch (bits) {
        case 1: PackIndexRow<1>(src, indexMask, row, w); break;
        case 4: PackIndexRow<4>(src, indexMask, row, w); break;
        case 8: PackIndexRow<8>(src, indexMask, row, w); break;
        case 24: std::memcpy(row, src, size_t(w) * 3); break;
        default: JoinAlphaRow(src, mask.Row(y), ChannelOrder::Bgra, false, row, w); break;
        }
        const uint8_t* m = mask.Row(y);
        uint8_t* andRow = buf.data() + andStart + size_t(i) * andStride;
        for (int x0 = 0; x0 < w; x0 += 8) {
            const int n = std::min(8, w - x0);
            unsigned byte = 0;
            for (int k = 0; k < n; ++k) byte |= unsigned(m[3 * (x0 + k)] == 255) << (7 - k);
            andRow[x0 >> 3] = uint8_t(byte);
        }
    }
    return 0;
}

int32_t TIconFileAccess::WritePngImage(ByteWriter& stream, const TIconImageRec& format)
{
    const bool twoLevel = format.ColorType >= ctColors2 && format.ColorType <= ctTrueColor;
    if (!IsPaletteColorType(format.ColorType))
        return WritePngRgba(stream, *format.Bitmap, *format.Mask, twoLevel);
    Bitmap24 expanded;
    ExpandPalette(*format.Bitmap, expanded, format.Palette);
    return WritePngRgba(stream, expanded, *format.Mask, twoLevel);
}

int32_t TIconFileAccess::WritePngRgba(ByteWriter& stream, const Bitmap24& colour, const Bitmap24& mask, bool twoLevelMask)
{
    if (!EncodePngRgba(colour, mask, twoLevelMask, stream.Buffer())) {
        LastError = TextWriteError;
        return -1;
    }
    return 0;
}

void TIconFileAccess::ExpandPalette(const Bitmap24& indices, Bitmap24& target, const TPalette& palette)
{
    target = indices;
    ExpandPaletteIndices(target, target.Bounds(), &palette);
}

int32_t TIconFileAccess::SaveBytes(const QString& fileName, const QByteArray& data)
{
    QString error;
    if (!WriteFileAtomic(fileName, data, &error)) {
        LastError = error;
        return -1;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Snapshot files

int32_t TIconFileAccess::SaveSnapshot(const TIconImageRec& format, const QString& fileName)
{
    QByteArray data;
    if (!BuildSnapshotData(format, data)) return -1;
    QString error;
    if (!WriteWorkingFile(fileName, data, &error)) {
        LastError = error;
        return -1;
    }
    return 0;
}

bool TIconFileAccess::BuildSnapshotData(const TIconImageRec& format, QByteArray& data)
{
    const bool hasPalette = format.ColorType <= ctColors256;
    if (!format.Bitmap || !format.Mask || format.Bitmap->Width() != format.Width ||
        format.Bitmap->Height() != format.Height || format.Mask->Width() != format.Width ||
        format.Mask->Height() != format.Height || (hasPalette && format.Palette.palNumEntries > 256)) {
        LastError = TextWriteError;
        return false;
    }
    ByteWriter out;
    out.I32(format.Id);
    out.I32(format.Width);
    out.I32(format.Height);
    out.I32(format.ColorType);
    if (hasPalette) {
        out.U16(format.Palette.palVersion);
        out.U16(format.Palette.palNumEntries);
        for (int i = 0; i < format.Palette.palNumEntries; ++i) {
            const TPaletteEntry& e = format.Palette.palPalEntry[size_t(i)];
            out.U8(e.peRed);
            out.U8(e.peGreen);
            out.U8(e.peBlue);
            out.U8(e.peFlags);
        }
    }
    WriteBmp24(out, *format.Bitmap);
    WriteBmp24(out, *format.Mask);
    data = out.ToByteArray();
    return true;
}

int32_t TIconFileAccess::LoadSnapshot(TIconImageRec& format, const QString& fileName)
{
    if (!QFileInfo(fileName).isFile()) return -1;
    QByteArray data;
    QString error;
    if (!ReadWholeFile(fileName, data, &error)) {
        LastError = error;
        return -1;
    }
    return ParseSnapshotData(data, format);
}

int32_t TIconFileAccess::ParseSnapshotData(const QByteArray& data, TIconImageRec& format)
{
    ByteReader in(data);
    const int32_t id = in.I32();
    const int32_t width = in.I32();
    const int32_t height = in.I32();
    const int32_t colorType = in.I32();
    bool ok = in.Ok() && colorType >= ctColors2 && colorType <= ctTrueAlpha && IsSideInRange(width) &&
              IsSideInRange(height);
    TPalette palette = format.Palette;
    if (ok && colorType <= ctColors256) {
        palette.palVersion = in.U16();
        palette.palNumEntries = in.U16();
        const int n = palette.palNumEntries;
        ok = in.Ok() && (n == 2 || n == 16 || n == 256);
        for (int i = 0; ok && i < n; ++i) {
            TPaletteEntry& e = palette.palPalEntry[size_t(i)];
            e.peRed = in.U8();
            e.peGreen = in.U8();
            e.peBlue = in.U8();
            e.peFlags = in.U8();
        }
        ok = ok && in.Ok();
    } else {
        palette.palNumEntries = 0;
    }
    Bitmap24 bitmap;
    Bitmap24 mask;
    ok = ok && ReadBmp24(in, bitmap, MaxIconSide) && ReadBmp24(in, mask, MaxIconSide) && bitmap.Width() == width &&
         bitmap.Height() == height && mask.Width() == width && mask.Height() == height;
    if (!ok) {
        LastError = TextBadSnapshot;
        return -1;
    }
    EnsureBitmaps(format);
    format.Id = id;
    format.Width = width;
    format.Height = height;
    format.ColorType = colorType;
    format.Palette = palette;
    *format.Bitmap = std::move(bitmap);
    *format.Mask = std::move(mask);
    return 0;
}
