// Reading icon resources out of PE and NE modules (see icon_resources.h). Every structure is read
// through sub-readers bounded by the file, offsets are 64-bit, and every loop is bounded by a count
// that was itself checked against the bytes that are there, so a hostile module ends a scan early
// instead of reading outside the file or running long.
#include "iconfiles/icon_resources.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string_view>

#include <QFile>

#include "iconfiles/file_access.h"

namespace {

constexpr uint16_t MzMagic = 0x5A4D;     // "MZ"
constexpr uint16_t NeMagic = 0x454E;     // "NE"
constexpr uint32_t PeMagic = 0x00004550; // "PE\0\0"
constexpr uint16_t PeOptional32 = 0x10B;
constexpr uint16_t PeOptional64 = 0x20B;
constexpr int PeResourceDirectory = 2;
// The loader never maps more sections than this; sections past it are ignored when resource
// addresses are turned into file offsets.
constexpr int MaxPeSections = 96;
// Directory strings are cut at this many characters.
constexpr int MaxResourceNameChars = 256;
// Groups beyond this count are ignored; a library cannot hold more.
constexpr size_t MaxModuleIcons = 65535;

// The characters of bytes 0x80..0x9F in Windows-1252; the five holes keep their own value.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct PeSection {
    char name[9] = {};
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
};

// What the resource walk needs of a PE module's headers.
struct PeLayout {
    std::vector<PeSection> sections;
    int64_t root = -1;            // file offset of the root resource directory
    uint32_t rootVa = 0;          // its virtual address
    // End of the bytes the resource tree can occupy: its section's data in the file, or less
    // when the data directory gives the tree's size. No directory's entries reach past it.
    uint64_t treeEnd = 0;
};

// The end of a section's data in the file.
uint64_t SectionEnd(const PeSection& s, uint64_t fileSize)
{
    return std::min<uint64_t>(uint64_t(s.rawOffset) + s.rawSize, fileSize);
}

bool ReadLfanew(const ByteReader& file, uint64_t& lfanew)
{
    ByteReader mz = file.Sub(0, 64);
    if (mz.U16() != MzMagic) return false;
    mz.Seek(60);
    lfanew = mz.U32();
    return mz.Ok();
}

bool ParsePe(const ByteReader& file, PeLayout& pe)
{
    uint64_t lfanew = 0;
    if (!ReadLfanew(file, lfanew)) return false;
    ByteReader head = file.Sub(lfanew, 24);
    if (head.U32() != PeMagic) return false;
    head.U16();                                   // machine: any (x86, x64, ARM, ARM64 all carry icons)
    const uint16_t sectionCount = head.U16();
    head.Skip(12);
    const uint16_t optionalSize = head.U16();
    if (!head.Ok()) return false;
    const uint64_t optional = lfanew + 24;

    // The resource directory's address from the data directories, when the optional header has one.
    uint32_t dirRva = 0;
    uint32_t dirSize = 0;
    {
        ByteReader opt = file.Sub(optional, optionalSize);
        const uint16_t magic = opt.U16();
        uint64_t countAt = 0;
        if (magic == PeOptional32) countAt = 92;
        else if (magic == PeOptional64) countAt = 108;
        if (countAt != 0 && opt.Seek(countAt)) {
            const uint32_t dirCount = opt.U32();
            if (opt.Ok() && dirCount > PeResourceDirectory && opt.Skip(8 * PeResourceDirectory)) {
                const uint32_t rva = opt.U32();
                const uint32_t size = opt.U32();
                if (opt.Ok()) {
                    dirRva = rva;
                    dirSize = size;
                }
            }
        }
    }

    // Section headers; a table cut short by the end of the file keeps the sections before the cut.
    const uint64_t sectionsAt = optional + optionalSize;
    bool foundRsrc = false;
    for (uint32_t i = 0; i < sectionCount; ++i) {
        ByteReader s = file.Sub(sectionsAt + 40 * uint64_t(i), 40);
        PeSection section;
        s.Read(section.name, 8);
        section.virtualSize = s.U32();
        section.virtualAddress = s.U32();
        section.rawSize = s.U32();
        section.rawOffset = s.U32();
        if (!s.Ok()) break;
        // Names are compared over their 8 bytes at most (a full-length name has no ending zero).
        if (!foundRsrc && std::string_view(section.name) == ".rsrc") {
            pe.root = section.rawOffset;
            pe.rootVa = section.virtualAddress;
            pe.treeEnd = SectionEnd(section, file.Size());
            foundRsrc = true;
        }
        if (pe.sections.size() < size_t(MaxPeSections)) pe.sections.push_back(section);
    }
    if (dirRva != 0) {
        for (const PeSection& s : pe.sections) {
            const uint64_t extent = std::max(s.virtualSize, s.rawSize);
            if (dirRva >= s.virtualAddress && dirRva - s.virtualAddress < extent) {
                pe.root = int64_t(s.rawOffset) + (int64_t(dirRva) - int64_t(s.virtualAddress));
                pe.rootVa = dirRva;
                pe.treeEnd = SectionEnd(s, file.Size());
                if (dirSize > 0) pe.treeEnd = std::min<uint64_t>(pe.treeEnd, uint64_t(pe.root) + dirSize);
                break;
            }
        }
    }
    // A section that claims no data of its own still holds its tree within the file.
    if (pe.treeEnd <= uint64_t(std::max<int64_t>(pe.root, 0))) pe.treeEnd = file.Size();
    return pe.root >= 0 && uint64_t(pe.root) < file.Size();
}

// File offset of a virtual address inside the module, -1 when no section holds it and the
// resource directory's own mapping puts it before the file.
int64_t RvaToOffset(const PeLayout& pe, uint32_t rva)
{
    for (const PeSection& s : pe.sections) {
        const uint64_t extent = std::max(s.virtualSize, s.rawSize);
        if (rva >= s.virtualAddress && rva - s.virtualAddress < extent)
            return int64_t(s.rawOffset) + (int64_t(rva) - int64_t(s.virtualAddress));
    }
    const int64_t offset = int64_t(rva) - int64_t(pe.rootVa) + pe.root;
    return offset >= 0 ? offset : -1;
}

// The bytes an NE module's resource table can occupy: from its offset to the table that follows
// it (the resident names, where our libraries keep their names table), or to the end of the
// file when that offset says nothing. With ForWindows, only modules for Windows are taken.
bool NeResourceTable(const ByteReader& file, bool forWindows, ByteReader& table, uint64_t& tableAt)
{
    uint64_t lfanew = 0;
    if (!ReadLfanew(file, lfanew)) return false;
    ByteReader ne = file.Sub(lfanew, 64);
    const uint16_t magic = ne.U16();
    ne.Seek(36);
    const uint16_t tableOffset = ne.U16();
    const uint16_t nextOffset = ne.U16();
    ne.Seek(54);
    const uint8_t target = ne.U8();
    if (!ne.Ok() || magic != NeMagic || (forWindows && target != 2)) return false;
    tableAt = lfanew + tableOffset;
    if (tableAt >= file.Size()) return false;
    uint64_t tableEnd = file.Size();
    if (nextOffset > tableOffset) tableEnd = std::min<uint64_t>(tableEnd, lfanew + nextOffset);
    table = file.Sub(tableAt, tableEnd - tableAt);
    return true;
}

// A resource directory: its entries' 8-byte records, bounded by the file.
struct PeDirectory {
    ByteReader entries;
    uint32_t count = 0;
};

bool ReadPeDirectory(const ByteReader& file, const PeLayout& pe, uint64_t offset, PeDirectory& dir)
{
    ByteReader head = file.Sub(uint64_t(pe.root) + offset, 16);
    head.Skip(12);
    const uint32_t named = head.U16();
    const uint32_t numbered = head.U16();
    if (!head.Ok()) return false;
    const uint64_t at = uint64_t(pe.root) + offset + 16;
    // Entries past the end of the tree's bytes are not there, whatever the counts say.
    const uint64_t room = at <= pe.treeEnd ? (pe.treeEnd - at) / 8 : 0;
    dir.count = uint32_t(std::min<uint64_t>(named + numbered, room));
    dir.entries = file.Sub(at, 8 * uint64_t(dir.count));
    return true;
}

QString PeDirectoryString(const ByteReader& file, const PeLayout& pe, uint32_t offset)
{
    const uint64_t at = uint64_t(pe.root) + offset;
    if (!file.HasRange(at, 2)) return QString();
    ByteReader s = file.Sub(at, file.Size() - at);
    const int length = std::min<int>(s.U16(), MaxResourceNameChars);
    QString name;
    name.reserve(length);
    for (int i = 0; i < length; ++i) {
        const uint16_t c = s.U16();
        if (!s.Ok()) break;
        name.append(QChar(c));
    }
    return name;
}

} // namespace

// ---- Names in Windows-1252

QString Win1252ToString(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char ch : bytes) {
        const uint8_t b = uint8_t(ch);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(Cp1252High[b - 0x80]) : QChar(b));
    }
    return text;
}

QByteArray StringToWin1252(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes.append(char(c));
            continue;
        }
        const auto it = std::find(Cp1252High.begin(), Cp1252High.end(), char16_t(c));
        bytes.append(c <= 0xFFFF && it != Cp1252High.end() ? char(0x80 + (it - Cp1252High.begin())) : '?');
    }
    return bytes;
}

QString CutLibraryName(const QString& name)
{
    return Win1252ToString(StringToWin1252(name).left(MaxLibraryNameBytes));
}

// ---- Reading a module

void TIconModuleReader::Clear()
{
    LastError.clear();
    Kind = TModuleKind::None;
    Icons.clear();
    NamesFromTable = false;
    groupsInTable_ = 0;
    bytes_ = ByteReader();
    data_.clear();
    rawCache_.clear();
    probes_.clear();
}

int32_t TIconModuleReader::ReadLibrary(const QString& path)
{
    Clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LastError = file.errorString();
        return -1;
    }
    // Read whole rather than mapped: others may write the module while it is open, and a mapped
    // file cut short under us would end the program at the first byte past the new end.
    try {
        data_ = file.readAll();
    } catch (const std::bad_alloc&) {
        data_.clear();
        LastError = QStringLiteral("Not enough memory to read the file.");
        return -1;
    }
    if (file.error() != QFileDevice::NoError) {
        LastError = file.errorString();
        data_.clear();
        return -1;
    }
    return ReadModule();
}

int32_t TIconModuleReader::ReadLibraryData(const QByteArray& data)
{
    Clear();
    data_ = data;
    return ReadModule();
}

int32_t TIconModuleReader::ReadModule()
{
    bytes_ = ByteReader(data_);
    Kind = DetectModule(bytes_);
    if (Kind == TModuleKind::Pe) ReadPeLibrary(bytes_);
    else if (Kind == TModuleKind::Ne) ReadNeLibrary(bytes_);
    return 0;
}

void TIconModuleReader::ReadPeLibrary(const ByteReader& file)
{
    TResourceList groups, names, images;
    ReadPeResources(file, rtGroupIcon, groups);
    ReadGroups(file, groups);
    ReadPeResources(file, rtIconNames, names);
    ReadNames(file, names, true);
    ReadPeResources(file, rtIconImage, images);
    ReadImages(images, false);
}

void TIconModuleReader::ReadNeLibrary(const ByteReader& file)
{
    TResourceList groups, names, images;
    ReadNeResources(file, rtGroupIcon, groups);
    ReadGroups(file, groups);
    const int64_t table = FindNeNamesTable(file);
    if (table > 0) names.push_back(TResourceItem{QString(), table, 0});
    ReadNames(file, names, false);
    ReadNeResources(file, rtIconImage, images);
    ReadImages(images, true);
}

TModuleKind TIconModuleReader::DetectModule(const ByteReader& file)
{
    uint64_t lfanew = 0;
    if (!ReadLfanew(file, lfanew)) return TModuleKind::None;
    ByteReader ne = file.Sub(lfanew, 64);
    if (ne.U16() == NeMagic) {
        ne.Seek(54);
        return ne.U8() == 2 && ne.Ok() ? TModuleKind::Ne : TModuleKind::None;
    }
    ByteReader pe = file.Sub(lfanew, 4);
    return pe.U32() == PeMagic && pe.Ok() ? TModuleKind::Pe : TModuleKind::None;
}

void TIconModuleReader::ReadPeResources(const ByteReader& file, uint32_t type, TResourceList& list)
{
    PeLayout pe;
    if (!ParsePe(file, pe)) return;
    PeDirectory root;
    if (!ReadPeDirectory(file, pe, 0, root)) return;
    // Level 1: the type, by number only.
    int64_t typeDir = -1;
    for (uint32_t i = 0; i < root.count; ++i) {
        const uint32_t name = root.entries.U32();
        const uint32_t target = root.entries.U32();
        if (!root.entries.Ok()) return;
        if ((name & 0x80000000u) == 0 && name == type) {
            if ((target & 0x80000000u) != 0) typeDir = target & 0x7FFFFFFF;
            break;
        }
    }
    if (typeDir < 0) return;
    PeDirectory resources;
    if (!ReadPeDirectory(file, pe, uint64_t(typeDir), resources)) return;
    // Level 2: the resources of the type, in table order; level 3: their first language.
    for (uint32_t i = 0; i < resources.count; ++i) {
        const uint32_t name = resources.entries.U32();
        const uint32_t target = resources.entries.U32();
        if (!resources.entries.Ok()) return;
        TResourceItem item;
        if ((name & 0x80000000u) != 0) item.Name = PeDirectoryString(file, pe, name & 0x7FFFFFFF);
        else item.Name = QString::number(name);
        PeDirectory languages;
        if ((target & 0x80000000u) != 0 && ReadPeDirectory(file, pe, target & 0x7FFFFFFF, languages) &&
            languages.count > 0) {
            languages.entries.U32();
            const uint32_t dataEntry = languages.entries.U32();
            ByteReader data = file.Sub(uint64_t(pe.root) + (dataEntry & 0x7FFFFFFF), 16);
            const uint32_t rva = data.U32();
            const uint32_t size = data.U32();
            if (languages.entries.Ok() && (dataEntry & 0x80000000u) == 0 && data.Ok()) {
                const int64_t offset = RvaToOffset(pe, rva);
                if (offset >= 0 && file.HasRange(uint64_t(offset), size)) {
                    item.Offset = offset;
                    item.Size = size;
                }
            }
        }
        list.push_back(std::move(item));
    }
}

namespace {

// Walks the type records of an NE resource table (Table positioned after the alignment shift),
// calling Visit(type number, records, count) with a reader over each type's 12-byte records.
// Returns the position of the end of the table (after its zero type number), or 0 when the
// table ends without one. A type that counts more records than its table can hold is damaged: its
// records are taken while they point into the file (a resource never starts at the old header),
// and the list of types goes on at the first that does not, so the types after it are found.
template <typename Visit>
int64_t WalkNeTypes(const ByteReader& file, ByteReader& table, uint64_t tableAt, uint16_t shift, Visit visit)
{
    const auto pointsIntoFile = [&](const ByteReader& record) {
        ByteReader r = record;
        const uint64_t offset = uint64_t(r.U16()) << std::min<uint16_t>(shift, 31);
        return r.Ok() && offset > 0 && offset < file.Size();
    };
    for (;;) {
        const uint16_t typeId = table.U16();
        if (!table.Ok()) return 0;
        if (typeId == 0) return int64_t(tableAt + table.Pos());
        uint64_t count = table.U16();
        if (!table.Skip(4)) return 0;
        const uint64_t room = (table.Size() - table.Pos()) / 12;
        if (count > room) {
            uint64_t taken = 0;
            while (taken < room && pointsIntoFile(table.Sub(table.Pos() + 12 * taken, 12))) ++taken;
            count = taken;
        }
        ByteReader records = table.Sub(table.Pos(), 12 * count);
        visit(typeId, records, count);
        table.Skip(12 * count);
    }
}

} // namespace

void TIconModuleReader::ReadNeResources(const ByteReader& file, uint32_t type, TResourceList& list)
{
    ByteReader table;
    uint64_t tableAt = 0;
    if (!NeResourceTable(file, true, table, tableAt)) return;
    const uint16_t shift = table.U16();
    if (!table.Ok() || shift > 15) return;
    WalkNeTypes(file, table, tableAt, shift, [&](uint16_t typeId, ByteReader& records, uint64_t count) {
        if ((typeId & 0x7FFF) != type) return;
        for (uint64_t i = 0; i < count; ++i) {
            const uint64_t offset = uint64_t(records.U16()) << shift;
            const uint64_t length = uint64_t(records.U16()) << shift;
            records.U16();                        // flags
            const uint16_t id = records.U16();
            records.Skip(4);
            if (!records.Ok()) return;
            TResourceItem item;
            item.Name = QString::number(id & 0x7FFF);
            // The length is in whole units, so the last block may reach past a file that was not
            // padded: it ends with the file then.
            if (offset < file.Size()) {
                item.Offset = int64_t(offset);
                item.Size = int64_t(std::min<uint64_t>(length, file.Size() - offset));
            }
            list.push_back(std::move(item));
        }
    });
}

int64_t TIconModuleReader::FindNeNamesTable(const ByteReader& file)
{
    ByteReader table;
    uint64_t tableAt = 0;
    if (!NeResourceTable(file, false, table, tableAt)) return 0;
    const uint16_t shift = table.U16();
    if (!table.Ok()) return 0;
    return WalkNeTypes(file, table, tableAt, shift, [](uint16_t, ByteReader&, uint64_t) {});
}

void TIconModuleReader::ReadPascalStrings(const ByteReader& file, QList<QByteArray>& strings, int64_t start,
                                          int64_t bound)
{
    if (start < 0 || uint64_t(start) > file.Size()) return;
    uint64_t length = file.Size() - uint64_t(start);
    if (bound > 0) length = std::min<uint64_t>(length, uint64_t(bound));
    // A string never starts past the bound, but the last one may run over it (within the file).
    ByteReader in = file.Sub(uint64_t(start), file.Size() - uint64_t(start));
    // No library holds more names than this; a table of tiny strings cannot make us grow without end.
    const qsizetype limit = qsizetype(MaxModuleIcons) + 2;
    while (strings.size() < limit) {
        const uint8_t n = in.U8();
        if (!in.Ok() || n == 0) return;
        const uint8_t* bytes = in.Take(n);
        if (!bytes) return;
        const auto* end = static_cast<const uint8_t*>(std::memchr(bytes, 0, n));
        strings.append(QByteArray(reinterpret_cast<const char*>(bytes), end ? end - bytes : n));
        if (bound > 0 && in.Pos() >= length) return;
    }
}

void TIconModuleReader::ReadGroups(const ByteReader& file, const TResourceList& groups)
{
    int64_t total = 0;
    groupsInTable_ = std::min(groups.size(), MaxModuleIcons);
    for (size_t k = 0; k < groupsInTable_; ++k) {
        const TResourceItem& group = groups[k];
        // A group that leads nowhere, is empty or does not read as an icon group is no icon: a
        // damaged table would otherwise list thousands of icons made of nothing.
        if (group.Offset < 0 || group.Size <= 0 || uint64_t(group.Offset) >= file.Size()) continue;
        const uint64_t size = std::min<uint64_t>(uint64_t(group.Size), file.Size() - uint64_t(group.Offset));
        ByteReader data = file.Sub(uint64_t(group.Offset), size);
        const uint16_t reserved = data.U16();
        const uint16_t kind = data.U16();
        const uint16_t count = data.U16();
        if (!data.Ok() || reserved != 0 || kind != 1) continue;
        TModuleIcon icon;
        icon.Name = QStringLiteral("QV Icon%1").arg(k + 1);
        icon.Position = int32_t(k);
        icon.ResourceName = group.Name;
        // Entries the data cannot hold are not there.
        int64_t n = std::min<int64_t>(count, int64_t((size - 6) / 14));
        n = std::min<int64_t>({n, MaxModuleFormatsPerIcon, MaxModuleFormatsTotal - total});
        icon.Formats.reserve(size_t(std::max<int64_t>(n, 0)));
        for (int64_t j = 0; j < n; ++j) {
            TModuleFormat f;
            f.Width = data.U8();
            f.Height = data.U8();
            data.Skip(4);                         // colour count, reserved, planes
            f.BitCount = data.U16();
            f.EntryBits = f.BitCount;
            f.EntryBytes = data.U32();
            f.Id = data.U16();
            if (!data.Ok()) break;
            icon.Formats.push_back(f);
        }
        total += int64_t(icon.Formats.size());
        icon.FormatCount = int32_t(icon.Formats.size());
        Icons.push_back(std::move(icon));
    }
    // The default names are distinct already, so making them unique changes nothing here.
}

void TIconModuleReader::ReadNames(const ByteReader& file, const TResourceList& names, bool bounded)
{
    if (names.size() != 1 || names[0].Offset <= 0) return;
    QList<QByteArray> strings;
    ReadPascalStrings(file, strings, names[0].Offset, bounded ? names[0].Size : 0);
    // One name per group of the table, in table order, listed or not.
    if (strings.size() < 2 || strings[0] != "ICL" || size_t(strings.size() - 1) < groupsInTable_) return;
    for (TModuleIcon& icon : Icons) icon.Name = Win1252ToString(strings[qsizetype(icon.Position) + 1]);
    NamesFromTable = !Icons.empty();
}

void TIconModuleReader::ReadImages(const TResourceList& images, bool unitSizes)
{
    // First image of each name, so every format finds its image in one look-up.
    QHash<QString, size_t> byName;
    byName.reserve(qsizetype(images.size()));
    for (size_t i = images.size(); i-- > 0;) byName.insert(images[i].Name, i);
    for (TModuleIcon& icon : Icons) {
        for (TModuleFormat& f : icon.Formats) {
            const auto it = byName.constFind(QString::number(f.Id));
            if (it == byName.constEnd()) continue;
            const TResourceItem& item = images[it.value()];
            // An empty record is a placeholder whose offset belongs to the next block.
            if (item.Offset < 0 || item.Size <= 0) continue;
            f.Offset = item.Offset;
            f.Size = item.Size;
            f.RecordSize = item.Size;
            // NE lengths count whole units; a group entry that gives the real size (as our
            // libraries do) drops the padding, so bytes kept for writing back stay identical.
            if (unitSizes && f.EntryBytes > 0 && f.EntryBytes < uint64_t(item.Size)) f.Size = f.EntryBytes;
        }
    }
}

QByteArray TIconModuleReader::FormatBytes(const TModuleFormat& format) const
{
    if (format.Offset < 0 || !bytes_.HasRange(uint64_t(format.Offset), uint64_t(format.Size))) return {};
    return QByteArray(reinterpret_cast<const char*>(bytes_.Data()) + format.Offset, qsizetype(format.Size));
}

bool TIconModuleReader::DecodeImage(const QByteArray& bytes, int entryBits, TIconImageRec& image)
{
    ByteReader block(bytes);
    TIconFileAccess access;
    return access.ReadIconImage(block, entryBits, image) == 0;
}

bool TIconModuleReader::DecodeFormat(const TModuleFormat& f, TIconImageRec& image) const
{
    if (f.Offset < 0) return false;
    ByteReader block = bytes_.Sub(uint64_t(f.Offset), uint64_t(std::max(f.Size, f.RecordSize)));
    TIconFileAccess access;
    if (access.ReadIconImage(block, f.EntryBits, image) != 0) return false;
    image.Id = f.Id;
    return true;
}

int32_t TIconModuleReader::ReadIconImages(int index, std::vector<TModuleImage>& images, bool pixels)
{
    images.clear();
    if (index < 0 || size_t(index) >= Icons.size()) return -1;
    TModuleIcon& icon = Icons[size_t(index)];
    images.resize(icon.Formats.size());
    int32_t refused = 0;
    int64_t pixelCount = 0;
    for (size_t j = 0; j < icon.Formats.size(); ++j) {
        TModuleFormat& f = icon.Formats[j];
        TModuleImage& out = images[j];
        if (f.Offset < 0) {
            out.Missing = true;
            continue;
        }
        Probe probe;
        if (pixelCount < MaxIconPixelsTotal) {
            if (pixels) {
                probe.read = DecodeFormat(f, out.Image);
            } else {
                const auto key = std::make_tuple(f.Offset, std::max(f.Size, f.RecordSize), f.EntryBits);
                std::unique_lock<std::mutex> lock(lock_);
                const auto known = probes_.find(key);
                if (known != probes_.end()) {
                    probe = known->second;
                } else {
                    lock.unlock();
                    TIconImageRec rec;
                    probe.read = DecodeFormat(f, rec);
                    probe.width = rec.Width;
                    probe.height = rec.Height;
                    probe.colorType = rec.ColorType;
                    lock.lock();
                    probes_.emplace(key, probe);
                }
                out.Image.Width = probe.width;
                out.Image.Height = probe.height;
                out.Image.ColorType = probe.colorType;
                out.Image.Id = f.Id;
            }
        }
        if (probe.read && pixelCount + int64_t(out.Image.Width) * out.Image.Height <= MaxIconPixelsTotal) {
            pixelCount += int64_t(out.Image.Width) * out.Image.Height;
            f.Width = out.Image.Width;
            f.Height = out.Image.Height;
            f.BitCount = ColorTypeToBits(out.Image.ColorType);
            out.Read = true;
            continue;
        }
        out.Image = TIconImageRec();
        const std::lock_guard<std::mutex> lock(lock_);
        auto cached = rawCache_.constFind(f.Offset);
        if (cached == rawCache_.constEnd() || cached->size() != f.Size)
            cached = rawCache_.insert(f.Offset, FormatBytes(f));
        out.Raw = cached.value();
        ++refused;
    }
    return refused;
}
