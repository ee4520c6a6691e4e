#pragma once
// Reads the icons stored as Windows resources inside modules: 32- and 64-bit portable executables
// (".exe", ".dll", ".cpl", ".ocx", for any machine) and 16-bit new executables (the layout of our
// ".icl" icon libraries). The icon library window lists what this finds; nothing here knows
// about windows or working files.
//
// Modules come from anywhere, so every count, offset, name and size is read through the bounded
// reader and checked against the file: a damaged table ends its own scan, a damaged image loses
// only itself (its bytes are kept so that a library saves it back unchanged), and nothing throws.
// Reading is in two steps so that a module of thousands of images is never decoded at once:
// ReadLibrary lists the groups and where their images lie, ReadIconImages decodes one icon.
#include <cstdint>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include "imaging/icon_image.h"
#include "platform/bytes.h"

// Resource types the readers look for.
constexpr uint32_t rtIconImage = 3;
constexpr uint32_t rtGroupIcon = 14;
// The table of icon names our icon libraries carry inside executables.
constexpr uint32_t rtIconNames = 301;

// Names longer than this many bytes are cut: a library stores each in a length byte's worth of
// room and names must stay unique after the cut.
constexpr int MaxLibraryNameBytes = 32;
// Bounds on what one module may list, so that a hostile table cannot make us allocate without end.
// An icon's images are decoded together, and each costs its bookkeeping whatever its size: 65535
// entries naming one tiny image would take over 200 MB, 4096 take a few. No library can hold more
// formats in all than MaxModuleFormatsTotal (its resource numbers are 15 bits).
constexpr int MaxModuleFormatsPerIcon = 4096;
constexpr int64_t MaxModuleFormatsTotal = 32767;

// One resource found by a resource-table reader.
struct TResourceItem {
    // The decimal text of its number, or (PE only) its string name.
    QString Name;
    // File offset of the data; -1 when the resource points outside the file.
    int64_t Offset = -1;
    // Size of the data in bytes (0 = not given).
    int64_t Size = 0;
};
using TResourceList = std::vector<TResourceItem>;

enum class TModuleKind { None, Pe, Ne };

// One image of a group as the module lists it.
struct TModuleFormat {
    // Resource number of the image, and the group entry's values (a width or height byte of 0
    // stays 0 until the image is read; it then reads 256).
    int32_t Id = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BitCount = 0;
    // The group entry's bit count, which decoding the image always starts from.
    int32_t EntryBits = 0;
    // The group entry's bytes in resource (0 when not given).
    uint32_t EntryBytes = 0;
    // Where the image's resource lies in the file; Offset -1 when the group names an image that
    // does not exist, lies outside the file or is empty. Size is the image's own (NE: without the
    // padding of its last unit when the group entry gives the real size); the image is decoded
    // within RecordSize, the whole extent its record gives, so an entry that understates the
    // size loses nothing.
    int64_t Offset = -1;
    int64_t Size = 0;
    int64_t RecordSize = 0;
};

// One group-icon resource: one icon of the library. Only groups whose data lies in the file and
// reads as an icon group are listed; a table entry that leads nowhere is no icon.
struct TModuleIcon {
    // "QV Icon" and the group's position from 1, or the name from the module's names table.
    QString Name;
    // The group's position in the module's table of groups (from 0), listed or not.
    int32_t Position = 0;
    // Name of the group resource itself (its number's decimal text, or its string name).
    QString ResourceName;
    int32_t FormatCount = 0;
    std::vector<TModuleFormat> Formats;
};

// One decoded image of an icon.
struct TModuleImage {
    // True when the image was read; Image then holds it and Width, Height and BitCount of the
    // listed format may be updated from it.
    bool Read = false;
    TIconImageRec Image;
    // The image's resource bytes when it exists in the file but could not be read, so that a
    // library written back keeps it unchanged.
    QByteArray Raw;
    // True when the file does not hold the image at all: no resource of its number, an empty
    // one, or one outside the file.
    bool Missing = false;
};

// Windows-1252 both ways. The five bytes that code page leaves undefined map to the control
// characters of the same value, so any name read and written back is byte-identical.
QString Win1252ToString(const QByteArray& bytes);
// Characters Windows-1252 cannot hold become '?'.
QByteArray StringToWin1252(const QString& text);
// The name cut to its first MaxLibraryNameBytes bytes in Windows-1252, as a library stores it.
QString CutLibraryName(const QString& name);

class TIconModuleReader {
public:
    // Text of the last failure (the file cannot be opened or read).
    QString LastError;

    // What the last read found.
    TModuleKind Kind = TModuleKind::None;
    std::vector<TModuleIcon> Icons;
    // True when the names came from the module's names table (such names are not made unique).
    bool NamesFromTable = false;

    // Reads the module (others may go on reading and writing it) and lists its icons. A file that
    // is no module, or holds no icons, gives 0 and no icons; -1 only when the file cannot be opened
    // or read. Its bytes are kept until the next read or the reader's end, for ReadIconImages.
    int32_t ReadLibrary(const QString& path);
    // The same over bytes in memory (kept by the reader).
    int32_t ReadLibraryData(const QByteArray& data);

    // Decodes every format of icon Index in order into Images (one entry per format). Images
    // that are missing, unreadable or past the per-icon pixel cap are not Read. The listed
    // format's Width, Height and BitCount become the image's when it is read. Returns the
    // number of formats that exist in the file but could not be read; -1 for a bad index.
    // Different icons may be decoded on different threads at once. Without Pixels, each Image
    // read holds only its width, height and colour type, and an image that many formats share
    // is decoded once.
    int32_t ReadIconImages(int index, std::vector<TModuleImage>& images, bool pixels = true);
    // Decodes the image of one listed format, whatever the per-icon cap; false when it is
    // missing or unreadable.
    bool DecodeFormat(const TModuleFormat& format, TIconImageRec& image) const;
    // Decodes an image from its resource bytes as the readers do, starting from the group
    // entry's bit count.
    static bool DecodeImage(const QByteArray& bytes, int entryBits, TIconImageRec& image);
    // The resource bytes of a format (empty when it is missing).
    QByteArray FormatBytes(const TModuleFormat& format) const;

    // ---- The steps, over any bounded bytes (each leaves the reader's state alone)
    static TModuleKind DetectModule(const ByteReader& file);
    // Append one item per resource of Type, in table order. Damaged tables end the scan, and no
    // table is taken to hold more entries than the bytes it can occupy in the file.
    static void ReadPeResources(const ByteReader& file, uint32_t type, TResourceList& list);
    static void ReadNeResources(const ByteReader& file, uint32_t type, TResourceList& list);
    // File position right after the NE resource table's ending zero type; 0 when there is none.
    static int64_t FindNeNamesTable(const ByteReader& file);
    // Appends length-prefixed strings from Start; with Bound above 0 stops at Start + Bound.
    static void ReadPascalStrings(const ByteReader& file, QList<QByteArray>& strings, int64_t start, int64_t bound);

private:
    void Clear();
    // Reads the module in data_.
    int32_t ReadModule();
    // Groups, names, then where each format's image lies.
    void ReadPeLibrary(const ByteReader& file);
    void ReadNeLibrary(const ByteReader& file);
    void ReadGroups(const ByteReader& file, const TResourceList& groups);
    void ReadNames(const ByteReader& file, const TResourceList& names, bool bounded);
    // Finds each format's image among the image resources (the first of its number).
    // Decoding waits for ReadIconImages, so a listing never decodes what nobody looks at.
    void ReadImages(const TResourceList& images, bool unitSizes);

    QByteArray data_;
    ByteReader bytes_;
    // Groups in the module's table (listed or not), for the names table's count.
    size_t groupsInTable_ = 0;
    // Raw bytes of refused images by offset, so formats sharing one resource share one copy.
    QHash<int64_t, QByteArray> rawCache_;
    // What decoding gave for each image (by offset, length and entry bit count) when no pixels
    // are wanted: read or not, width, height and colour type.
    struct Probe {
        bool read = false;
        int32_t width = 0;
        int32_t height = 0;
        int32_t colorType = 0;
    };
    std::map<std::tuple<int64_t, int64_t, int32_t>, Probe> probes_;
    std::mutex lock_;
};
