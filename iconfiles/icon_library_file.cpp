// Writing icon library files (see icon_library_file.h). The whole file is laid out in memory first:
// every image is encoded before anything is placed, so each group entry can carry its image's real
// size and every 16-bit field can be checked before a byte reaches the disk.
#include "iconfiles/icon_library_file.h"

#include <algorithm>
#include <atomic>
#include <exception>

#include <QFile>

#include "iconfiles/file_access.h"
#include "iconfiles/icon_resources.h"
#include "platform/bytes.h"
#include "platform/parallel.h"
#include "platform/save_file.h"

namespace {

constexpr int OldHeaderSize = 64;
constexpr int NeHeaderAt = 128;
constexpr int NeHeaderSize = 64;
constexpr uint16_t ResourceFlags = 0x1C30;   // moveable, pure, discardable
constexpr int GroupHeaderSize = 6;
constexpr int GroupEntrySize = 14;
constexpr int ResourceRecordSize = 12;
// Resource numbers carry the high bit, so they must stay below it.
constexpr int64_t MaxResourceNumber = 0x7FFF;

uint64_t AlignUp(uint64_t pos) { return (pos + LibraryAlignUnit - 1) & ~uint64_t(LibraryAlignUnit - 1); }

const QString TextTooManyIcons = QStringLiteral("The library holds too many icons or formats to be saved as an icon library.");
const QString TextTooLarge = QStringLiteral("The library is too large to be saved as an icon library.");

// The image block of one slot: its pixels, its kept bytes, or its working file's pixels; empty
// when it has none. False with a text when the pixels cannot be written or a working file that
// is there cannot be read (saving without it would lose the icon).
bool EncodeSlot(const TLibrarySlot& slot, QByteArray& block, QString& error)
{
    TIconFileAccess access;
    if (slot.Image) {
        ByteWriter out;
        if (access.WriteIconImage(out, *slot.Image) != 0) {
            error = access.LastError;
            return false;
        }
        block = out.ToByteArray();
    } else if (!slot.RawImage.isEmpty()) {
        block = slot.RawImage;
    } else if (!slot.ModuleImage.isEmpty()) {
        TIconImageRec rec;
        ByteWriter out;
        if (!TIconModuleReader::DecodeImage(slot.ModuleImage, slot.EntryBits, rec) || access.WriteIconImage(out, rec) != 0) {
            error = access.LastError.isEmpty() ? QStringLiteral("An image of the library cannot be read.") : access.LastError;
            return false;
        }
        block = out.ToByteArray();
    } else if (!slot.TempFile.isEmpty()) {
        // A working file is named only once it was written: one that has gone since (its folder
        // deleted while the program ran) holds an edited icon, which must not be saved as empty.
        if (!QFile::exists(slot.TempFile)) {
            error = QStringLiteral("The working file \"%1\" of the library has gone: No such file or directory.")
                        .arg(slot.TempFile);
            return false;
        }
        TIconImageRec rec;
        ByteWriter out;
        if (access.LoadSnapshot(rec, slot.TempFile) != 0 || access.WriteIconImage(out, rec) != 0) {
            error = access.LastError.isEmpty() ? QStringLiteral("A working file of the library cannot be read.")
                                               : access.LastError;
            return false;
        }
        block = out.ToByteArray();
    }
    return true;
}

// The fewest bytes a slot's block can take, known before anything is encoded: exactly its
// bytes when they are kept, the colour and mask rows of a DIB (what the palette adds is left
// out), and for an image still to be compressed one byte, since its size is unknown until then.
uint64_t LeastBlockSize(const TLibrarySlot& slot)
{
    int width = slot.Width, height = slot.Height, bits = slot.BitCount;
    if (slot.Image) {
        width = slot.Image->Width;
        height = slot.Image->Height;
        bits = ColorTypeToBits(slot.Image->ColorType);
    } else if (!slot.RawImage.isEmpty()) {
        return uint64_t(slot.RawImage.size());
    } else if (slot.ModuleImage.isEmpty() && slot.TempFile.isEmpty()) {
        return 0;
    }
    if (width <= 0 || height <= 0) return 1;
    if (IsWrittenAsPng(width, height)) return 1;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) bits = 1;
    const auto stride = [](uint64_t w, uint64_t b) { return (w * b + 31) / 32 * 4; };
    return 40 + (stride(uint64_t(width), uint64_t(bits)) + stride(uint64_t(width), 1)) * uint64_t(height);
}

// Where everything goes: the names table, each group block and each image block at a unit.
struct Layout {
    uint64_t namesAt = 0;
    std::vector<uint64_t> groupAt;
    std::vector<uint64_t> blockAt;
    uint64_t end = 0;

    Layout(const std::vector<TLibraryIcon>& icons, const std::vector<QByteArray>& names,
           const std::vector<uint64_t>& blockSizes)
    {
        namesAt = NeHeaderAt + NeHeaderSize + 2 + 8 + ResourceRecordSize * icons.size() + 8 +
                  ResourceRecordSize * uint64_t(blockSizes.size()) + 2;
        uint64_t namesSize = 4 + 1;
        for (const QByteArray& name : names) namesSize += 1 + uint64_t(name.size());
        uint64_t pos = AlignUp(namesAt + namesSize);
        groupAt.resize(icons.size());
        for (size_t k = 0; k < icons.size(); ++k) {
            groupAt[k] = pos;
            pos = AlignUp(pos + GroupHeaderSize + GroupEntrySize * uint64_t(icons[k].Slots.size()));
        }
        blockAt.resize(blockSizes.size());
        for (size_t j = 0; j < blockSizes.size(); ++j) {
            blockAt[j] = pos;
            pos = AlignUp(pos + blockSizes[j]);
        }
        end = pos;
    }

    // Offsets and lengths are counted in units in 16 bits: every block must start within them
    // (the file itself may end at the 65536th unit) and none be longer.
    bool Fits(const std::vector<uint64_t>& blockSizes) const
    {
        uint64_t lastStart = groupAt.empty() ? 0 : groupAt.back();
        if (!blockAt.empty()) lastStart = std::max(lastStart, blockAt.back());
        uint64_t longest = 0;
        for (uint64_t size : blockSizes) longest = std::max(longest, size);
        return lastStart / LibraryAlignUnit <= 0xFFFF && AlignUp(longest) / LibraryAlignUnit <= 0xFFFF;
    }
};

// Encodes every slot's block. Large images are PNG-compressed, which dominates the save of a big
// library, so the slots are shared out over the processor's cores; the first failure in slot
// order is the one reported, whatever thread met it. The work stops as soon as the blocks done
// so far, with the least sizes of the others, can no longer be addressed (LeastStart: where the
// last block would start with every block at its least size).
bool EncodeBlocks(const std::vector<TLibrarySlot*>& slotList, const std::vector<uint64_t>& least, uint64_t leastStart,
                  std::vector<QByteArray>& blocks, QString& error)
{
    std::vector<QString> errors(slotList.size());
    std::atomic<bool> failed {false};
    std::atomic<uint64_t> lastStart {leastStart};
    const auto work = [&](size_t j) {
        if (failed) return;
        try {
            if (!EncodeSlot(*slotList[j], blocks[j], errors[j])) {
                failed = true;
                return;
            }
        } catch (const std::exception&) {
            errors[j] = QStringLiteral("Not enough memory to write the library.");
            failed = true;
            return;
        }
        const uint64_t size = uint64_t(blocks[j].size());
        // Blocks before the last move the last one's start by what they grew.
        const uint64_t grown = j + 1 < slotList.size() ? AlignUp(size) - AlignUp(least[j]) : 0;
        if (AlignUp(size) / LibraryAlignUnit > 0xFFFF || (lastStart += grown) / LibraryAlignUnit > 0xFFFF) {
            errors[j] = TextTooLarge;
            failed = true;
        }
    };
    ParallelFor(slotList.size(), ParallelThreads(slotList.size(), 8), work);
    // A library too large is too large whichever block showed it first.
    for (const QString& e : errors)
        if (e == TextTooLarge) {
            error = e;
            return false;
        }
    for (const QString& e : errors)
        if (!e.isEmpty()) {
            error = e;
            return false;
        }
    return true;
}

void WriteOldAndNeHeaders(ByteWriter& out, uint64_t namesAt)
{
    // Old header: "MZ" and the NE header's offset; the rest stays zero.
    out.U16(0x5A4D);
    out.Zeros(58);
    out.U32(NeHeaderAt);
    out.Zeros(NeHeaderAt - OldHeaderSize);
    // NE header of a module with no segments.
    out.U16(0x454E);
    out.Zeros(32);
    out.U16(NeHeaderSize);                                   // segment table (empty)
    out.U16(NeHeaderSize);                                   // resource table
    out.U16(uint16_t(namesAt - NeHeaderAt));                 // names table
    out.Zeros(14);
    out.U8(2);                                               // target system: Windows
    out.Zeros(7);
    out.U16(0x0300);                                         // expected Windows version 3.0
}

uint16_t Units(uint64_t size) { return uint16_t(AlignUp(size) / LibraryAlignUnit); }

// The resource table (one group record per icon, one image record per slot) and the names table.
void WriteResourceTable(ByteWriter& out, const std::vector<TLibraryIcon>& icons, const std::vector<QByteArray>& names,
                        const Layout& layout, const std::vector<QByteArray>& blocks)
{
    out.U16(LibraryAlignShift);
    out.U16(0x8000 | rtGroupIcon);
    out.U16(uint16_t(icons.size()));
    out.U32(0);
    for (size_t k = 0; k < icons.size(); ++k) {
        out.U16(uint16_t(layout.groupAt[k] / LibraryAlignUnit));
        out.U16(Units(GroupHeaderSize + GroupEntrySize * uint64_t(icons[k].Slots.size())));
        out.U16(ResourceFlags);
        out.U16(uint16_t(0x8000 | (k + 1)));
        out.U32(0);
    }
    out.U16(0x8000 | rtIconImage);
    out.U16(uint16_t(blocks.size()));
    out.U32(0);
    size_t j = 0;
    for (const TLibraryIcon& icon : icons) {
        for (const TLibrarySlot& slot : icon.Slots) {
            out.U16(uint16_t(layout.blockAt[j] / LibraryAlignUnit));
            out.U16(Units(uint64_t(blocks[j].size())));
            out.U16(ResourceFlags);
            out.U16(uint16_t(0x8000 | slot.Id));
            out.U32(0);
            ++j;
        }
    }
    out.U16(0);
    out.U8(3);
    out.Bytes("ICL", 3);
    for (const QByteArray& name : names) {
        out.U8(uint8_t(name.size()));
        out.Bytes(name.constData(), size_t(name.size()));
    }
    out.U8(0);
}

// Group blocks: the header counts the icon's formats, the entries follow its slots.
void WriteGroupData(ByteWriter& out, const std::vector<TLibraryIcon>& icons, const Layout& layout,
                    const std::vector<QByteArray>& blocks)
{
    size_t j = 0;
    for (size_t k = 0; k < icons.size(); ++k) {
        out.Zeros(size_t(layout.groupAt[k] - out.Size()));
        out.U16(0);
        out.U16(1);
        out.U16(uint16_t(icons[k].FormatCount));
        for (const TLibrarySlot& slot : icons[k].Slots) {
            out.U8(uint8_t(slot.Width & 255));
            out.U8(uint8_t(slot.Height & 255));
            out.U8(0);
            out.U8(0);
            out.U16(1);
            out.U16(uint16_t(slot.BitCount));
            out.U32(uint32_t(blocks[j].size()));
            out.U16(uint16_t(slot.Id));
            ++j;
        }
    }
}

// Image blocks, and the padding of the last block.
void WriteImageData(ByteWriter& out, const Layout& layout, const std::vector<QByteArray>& blocks)
{
    for (size_t j = 0; j < blocks.size(); ++j) {
        out.Zeros(size_t(layout.blockAt[j] - out.Size()));
        out.Bytes(blocks[j].constData(), size_t(blocks[j].size()));
    }
    out.Zeros(size_t(layout.end - out.Size()));
}

} // namespace

int32_t TIconLibraryWriter::BuildLibraryData(std::vector<TLibraryIcon>& icons, QByteArray& data)
{
    LastError.clear();
    // Counts and resource numbers are 16-bit fields with the high bit taken.
    int64_t slotCount = 0;
    for (const TLibraryIcon& icon : icons) {
        // An icon of more formats than the reader takes would come back without some of them.
        if (icon.FormatCount < 0 || icon.FormatCount > MaxModuleFormatsPerIcon ||
            icon.Slots.size() > size_t(MaxModuleFormatsPerIcon)) {
            LastError = TextTooManyIcons;
            return -1;
        }
        slotCount += int64_t(icon.Slots.size());
    }
    if (int64_t(icons.size()) > MaxResourceNumber || slotCount > MaxResourceNumber) {
        LastError = TextTooManyIcons;
        return -1;
    }

    // The names as stored: Windows-1252, at most 32 bytes, never empty (an empty one would end the table).
    std::vector<QByteArray> names;
    names.reserve(icons.size());
    for (size_t k = 0; k < icons.size(); ++k) {
        QByteArray name = StringToWin1252(icons[k].Name).left(MaxLibraryNameBytes);
        if (name.isEmpty()) name = QByteArrayLiteral("QV Icon") + QByteArray::number(qulonglong(k + 1));
        names.push_back(name);
    }

    // The slots numbered in order, and what their blocks take at least.
    std::vector<TLibrarySlot*> slotList;
    slotList.reserve(size_t(slotCount));
    int32_t id = 0;
    for (TLibraryIcon& icon : icons)
        for (TLibrarySlot& slot : icon.Slots) {
            slot.Id = ++id;
            slotList.push_back(&slot);
        }
    std::vector<uint64_t> least(slotList.size());
    for (size_t j = 0; j < slotList.size(); ++j) least[j] = LeastBlockSize(*slotList[j]);
    const Layout leastLayout(icons, names, least);
    if (leastLayout.namesAt - NeHeaderAt > 0xFFFF) {
        LastError = TextTooManyIcons;
        return -1;
    }
    // A library that cannot fit even so is refused before a single image is compressed.
    if (!leastLayout.Fits(least)) {
        LastError = TextTooLarge;
        return -1;
    }

    std::vector<QByteArray> blocks(slotList.size());
    const uint64_t leastStart = leastLayout.blockAt.empty() ? 0 : leastLayout.blockAt.back();
    if (!EncodeBlocks(slotList, least, leastStart, blocks, LastError)) return -1;
    std::vector<uint64_t> sizes(blocks.size());
    for (size_t j = 0; j < blocks.size(); ++j) sizes[j] = uint64_t(blocks[j].size());
    const Layout layout(icons, names, sizes);
    if (!layout.Fits(sizes)) {
        LastError = TextTooLarge;
        return -1;
    }

    ByteWriter out;
    out.Buffer().reserve(size_t(layout.end));
    WriteOldAndNeHeaders(out, layout.namesAt);
    WriteResourceTable(out, icons, names, layout, blocks);
    WriteGroupData(out, icons, layout, blocks);
    WriteImageData(out, layout, blocks);
    data = out.ToByteArray();
    return 0;
}

int32_t TIconLibraryWriter::WriteLibraryFile(const QString& path, std::vector<TLibraryIcon>& icons)
{
    QByteArray data;
    if (BuildLibraryData(icons, data) != 0) return -1;
    QString error;
    if (!WriteFileAtomic(path, data, &error)) {
        LastError = error;
        return -1;
    }
    return 0;
}
