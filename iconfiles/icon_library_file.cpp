// Writing icon library files (see icon_library_file.h). The whole file is laid out in memory first:
// every image is encoded before anything is placed, so each group entry can carry its image's real
// size and every 16-bit field can be checked before a byte reaches the disk.
#include "iconfiles/icon_library_file.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

#include <QFile>

#include "iconfiles/file_access.h"
#include "iconfiles/icon_resources.h"
#include "platform/bytes.h"
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
    } else if (!slot.TempFile.isEmpty() && QFile::exists(slot.TempFile)) {
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

// Encodes every slot's block. Large images are PNG-compressed, which dominates the save of a big
// library, so the slots are shared out over the processor's cores; the first failure in slot
// order is the one reported, whatever thread met it.
bool EncodeBlocks(const std::vector<TLibrarySlot*>& slotList, std::vector<QByteArray>& blocks, QString& error)
{
    std::vector<QString> errors(slotList.size());
    std::atomic<size_t> next {0};
    std::atomic<bool> failed {false};
    const auto work = [&] {
        for (size_t j = next++; j < slotList.size() && !failed; j = next++) {
            try {
                if (!EncodeSlot(*slotList[j], blocks[j], errors[j])) failed = true;
            } catch (const std::exception&) {
                errors[j] = QStringLiteral("Not enough memory to write the library.");
                failed = true;
            }
        }
    };
    const size_t threads = std::min<size_t>({std::max(1u, std::thread::hardware_concurrency()), 8, slotList.size() / 8 + 1});
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;                                // fewer threads; the calling one still works
        }
    }
    work();
    for (std::thread& t : pool) t.join();
    for (const QString& e : errors)
        if (!e.isEmpty()) {
            error = e;
            return false;
        }
    return true;
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

    // Every image block, encoded before the layout; numbering the slotList as we go.
    std::vector<TLibrarySlot*> slotList;
    slotList.reserve(size_t(slotCount));
    int32_t id = 0;
    for (TLibraryIcon& icon : icons)
        for (TLibrarySlot& slot : icon.Slots) {
            slot.Id = ++id;
            slotList.push_back(&slot);
        }
    std::vector<QByteArray> blocks(slotList.size());
    if (!EncodeBlocks(slotList, blocks, LastError)) return -1;

    // Layout: headers, resource table and names, then group blocks, then image blocks, each at a unit.
    const uint64_t tableAt = NeHeaderAt + NeHeaderSize;
    uint64_t namesAt = tableAt + 2 + 8 + ResourceRecordSize * icons.size() + 8 + ResourceRecordSize * uint64_t(slotCount) + 2;
    uint64_t namesSize = 4 + 1;
    for (const QByteArray& name : names) namesSize += 1 + uint64_t(name.size());
    if (namesAt - NeHeaderAt > 0xFFFF) {
        LastError = TextTooManyIcons;
        return -1;
    }
    uint64_t pos = AlignUp(namesAt + namesSize);
    std::vector<uint64_t> groupAt(icons.size());
    for (size_t k = 0; k < icons.size(); ++k) {
        groupAt[k] = pos;
        pos = AlignUp(pos + GroupHeaderSize + GroupEntrySize * uint64_t(icons[k].Slots.size()));
    }
    std::vector<uint64_t> blockAt(blocks.size());
    for (size_t j = 0; j < blocks.size(); ++j) {
        blockAt[j] = pos;
        pos = AlignUp(pos + uint64_t(blocks[j].size()));
    }
    // Offsets and lengths are counted in units in 16 bits: every block must start within them
    // (the file itself may end at the 65536th unit) and none be longer.
    uint64_t lastStart = groupAt.empty() ? 0 : groupAt.back();
    uint64_t longest = 0;
    for (size_t j = 0; j < blocks.size(); ++j) {
        lastStart = std::max(lastStart, blockAt[j]);
        longest = std::max(longest, uint64_t(blocks[j].size()));
    }
    if (lastStart / LibraryAlignUnit > 0xFFFF || AlignUp(longest) / LibraryAlignUnit > 0xFFFF) {
        LastError = TextTooLarge;
        return -1;
    }
    const auto units = [](uint64_t size) { return uint16_t(AlignUp(size) / LibraryAlignUnit); };

    ByteWriter out;
    out.Buffer().reserve(size_t(pos));
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

    // Resource table.
    out.U16(LibraryAlignShift);
    out.U16(0x8000 | rtGroupIcon);
    out.U16(uint16_t(icons.size()));
    out.U32(0);
    for (size_t k = 0; k < icons.size(); ++k) {
        out.U16(uint16_t(groupAt[k] / LibraryAlignUnit));
        out.U16(units(GroupHeaderSize + GroupEntrySize * uint64_t(icons[k].Slots.size())));
        out.U16(ResourceFlags);
        out.U16(uint16_t(0x8000 | (k + 1)));
        out.U32(0);
    }
    out.U16(0x8000 | rtIconImage);
    out.U16(uint16_t(slotCount));
    out.U32(0);
    {
        size_t j = 0;
        for (const TLibraryIcon& icon : icons) {
            for (const TLibrarySlot& slot : icon.Slots) {
                out.U16(uint16_t(blockAt[j] / LibraryAlignUnit));
                out.U16(units(uint64_t(blocks[j].size())));
                out.U16(ResourceFlags);
                out.U16(uint16_t(0x8000 | slot.Id));
                out.U32(0);
                ++j;
            }
        }
    }
    out.U16(0);
    // Names table.
    out.U8(3);
    out.Bytes("ICL", 3);
    for (const QByteArray& name : names) {
        out.U8(uint8_t(name.size()));
        out.Bytes(name.constData(), size_t(name.size()));
    }
    out.U8(0);

    // Group blocks: the header counts the icon's formats, the entries follow its slotList.
    {
        size_t j = 0;
        for (size_t k = 0; k < icons.size(); ++k) {
            out.Zeros(size_t(groupAt[k] - out.Size()));
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
    for (size_t j = 0; j < blocks.size(); ++j) {
        out.Zeros(size_t(blockAt[j] - out.Size()));
        out.Bytes(blocks[j].constData(), size_t(blocks[j].size()));
    }
    out.Zeros(size_t(pos - out.Size()));
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
