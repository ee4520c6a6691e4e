// The module reader against real modules made by public tools (tests/data/modules, rebuilt by
// make_modules.sh): groups, names and pixels compared with the icons they were made from and with
// what wrestool extracts; and hostile modules, which must end bounded, without a crash.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "iconfiles/file_access.h"
#include "iconfiles/icon_resources.h"
#include "platform/bytes.h"
#include "support/format_helpers.h"
#include "support/test_support.h"

namespace {

QString ModulePath(const QString& name) { return TestDataPath(QStringLiteral("modules/") + name); }

QByteArray ReadFixture(const QString& name)
{
    QFile f(ModulePath(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

TIconImageArray LoadIco(const QString& path)
{
    TIconFileAccess fa;
    TIconImageArray formats;
    EXPECT_EQ(fa.LoadIconFile(path, formats), 0) << path.toStdString();
    return formats;
}


// Reads every icon of the reader and checks it against the formats of an icon file.
void ExpectIconEquals(TIconModuleReader& reader, int index, const TIconImageArray& expected, const std::string& what)
{
    std::vector<TModuleImage> images;
    ASSERT_EQ(reader.ReadIconImages(index, images), 0) << what;
    ASSERT_EQ(int(images.size()), expected.Count()) << what;
    for (int j = 0; j < expected.Count(); ++j) {
        ASSERT_TRUE(images[size_t(j)].Read) << what << " format " << j;
        ExpectSameImage(images[size_t(j)].Image, expected[j], what + " format " + std::to_string(j));
    }
}


} // namespace

class RealModules : public ::testing::TestWithParam<const char*> {};

TEST_P(RealModules, ListsGroupsInTableOrderAndDecodesEveryImage)
{
    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(ModulePath(QString::fromLatin1(GetParam()))), 0);
    EXPECT_EQ(reader.Kind, TModuleKind::Pe);
    ASSERT_EQ(reader.Icons.size(), 3u);
    // Named groups come first in a resource directory, then numbered ones.
    const char* resourceNames[] = {"FOLDER", "1", "2"};
    const int formatCounts[] = {1, 4, 1};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(reader.Icons[size_t(k)].Name, QStringLiteral("QV Icon%1").arg(k + 1));
        EXPECT_EQ(reader.Icons[size_t(k)].ResourceName, QString::fromLatin1(resourceNames[k]));
        EXPECT_EQ(reader.Icons[size_t(k)].FormatCount, formatCounts[k]);
    }
    EXPECT_FALSE(reader.NamesFromTable);
    // The 256 x 256 entry says 0 until its image is read.
    EXPECT_EQ(reader.Icons[1].Formats[3].Width, 0);
    ExpectIconEquals(reader, 0, LoadIco(ModulePath("folder.ico")), "FOLDER");
    ExpectIconEquals(reader, 1, LoadIco(ModulePath("app.ico")), "app");
    EXPECT_EQ(reader.Icons[1].Formats[3].Width, 256);
    EXPECT_EQ(reader.Icons[1].Formats[3].Height, 256);
    // Group 2 exists in German (1031) and English (1033): the first language, German, is read.
    ExpectIconEquals(reader, 2, LoadIco(ModulePath("lang_de.ico")), "language");
}

INSTANTIATE_TEST_SUITE_P(Machines, RealModules, ::testing::Values("icons_x86.dll", "icons_x64.dll", "icons_arm64.dll"));

TEST(IconResources, ImagesEqualWhatWrestoolExtracts)
{
    if (!HaveTool("wrestool")) GTEST_SKIP() << "wrestool (icoutils) is not installed";
    QTemporaryDir dir;
    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(ModulePath("icons_x86.dll")), 0);
    for (int k = 0; k < 2; ++k) {
        const QString out = dir.filePath(QStringLiteral("g%1.ico").arg(k));
        QProcess p;
        p.start(QStringLiteral("wrestool"), {QStringLiteral("-x"), QStringLiteral("--type=14"),
                                             QStringLiteral("--name=") + reader.Icons[size_t(k)].ResourceName,
                                             QStringLiteral("-o"), out, ModulePath("icons_x86.dll")});
        ASSERT_TRUE(p.waitForFinished(20000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        ExpectIconEquals(reader, k, LoadIco(out), "wrestool group " + std::to_string(k));
    }
}

TEST(IconResources, NamesTableNamesIconsInWindows1252)
{
    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(ModulePath("named_x64.dll")), 0);
    ASSERT_EQ(reader.Icons.size(), 3u);
    EXPECT_TRUE(reader.NamesFromTable);
    EXPECT_EQ(reader.Icons[0].Name, QStringLiteral("Folder"));
    EXPECT_EQ(reader.Icons[1].Name, QStringLiteral("App"));
    EXPECT_EQ(reader.Icons[2].Name, QString::fromUtf8("Caf\u00e9 \u20acuro"));
    EXPECT_EQ(StringToWin1252(reader.Icons[2].Name), QByteArray("Caf\xe9 \x80uro"));
}

TEST(IconResources, Windows1252RoundTripsEveryByte)
{
    QByteArray all;
    for (int b = 1; b < 256; ++b) all.append(char(b));
    EXPECT_EQ(StringToWin1252(Win1252ToString(all)), all);
    EXPECT_EQ(StringToWin1252(QString::fromUtf8("a\u2603b\U0001F600")), QByteArray("a?b?"));
    EXPECT_EQ(CutLibraryName(QString(40, QLatin1Char('x'))).size(), MaxLibraryNameBytes);
    EXPECT_EQ(CutLibraryName(QString::fromUtf8("\u20ac")), QString::fromUtf8("\u20ac"));
}

// ---- NE modules built by hand, for the names-table rules and hostile tables

namespace {

struct NeLayout {
    uint16_t shift = 4;
    // Group entries as (image id); each group is one block.
    std::vector<std::vector<uint16_t>> groups;
    std::vector<uint16_t> imageIds;
    QByteArray names;           // the names table bytes written after the table's end
    uint16_t groupCountOverride = 0;
};

// A 32 x 32 24-bit DIB image in one colour.
QByteArray SolidDib(TColor colour)
{
    TIconImageRec rec = SolidFormat(32, 32, ctTrueColor, colour, 0);
    TIconFileAccess fa;
    ByteWriter w;
    EXPECT_EQ(fa.WriteIconImage(w, rec), 0);
    return w.ToByteArray();
}

QByteArray BuildNe(const NeLayout& layout)
{
    const uint32_t unit = 1u << layout.shift;
    ByteWriter w;
    w.U16(0x5A4D);
    w.Zeros(58);
    w.U32(64);
    w.U16(0x454E);
    w.Zeros(34);
    w.U16(64);                      // resource table at 128
    w.Zeros(16);
    w.U8(2);
    w.Zeros(9);
    // Table: shift, groups, images, end, names; blocks after, each at a unit.
    const size_t tableSize = 2 + 8 + 12 * layout.groups.size() + 8 + 12 * layout.imageIds.size() + 2 + size_t(layout.names.size());
    uint32_t pos = ((128 + uint32_t(tableSize)) + unit - 1) / unit * unit;
    std::vector<QByteArray> groupBlocks, imageBlocks;
    for (const auto& g : layout.groups) {
        ByteWriter b;
        b.U16(0);
        b.U16(1);
        b.U16(uint16_t(g.size()));
        for (uint16_t id : g) {
            b.U8(32);
            b.U8(32);
            b.Zeros(2);
            b.U16(1);
            b.U16(24);
            b.U32(0);
            b.U16(id);
        }
        groupBlocks.push_back(b.ToByteArray());
    }
    for (size_t i = 0; i < layout.imageIds.size(); ++i) imageBlocks.push_back(SolidDib(MakeColor(int(40 * i), 100, 200)));
    w.U16(layout.shift);
    auto records = [&](const std::vector<QByteArray>& blocks, const std::vector<uint16_t>& ids) {
        for (size_t i = 0; i < blocks.size(); ++i) {
            w.U16(uint16_t(pos >> layout.shift));
            w.U16(uint16_t((blocks[i].size() + unit - 1) >> layout.shift));
            w.U16(0x1C30);
            w.U16(uint16_t(0x8000 | ids[i]));
            w.U32(0);
            pos += (uint32_t(blocks[i].size()) + unit - 1) / unit * unit;
        }
    };
    std::vector<uint16_t> groupIds;
    for (size_t i = 0; i < layout.groups.size(); ++i) groupIds.push_back(uint16_t(i + 1));
    w.U16(0x800E);
    w.U16(layout.groupCountOverride ? layout.groupCountOverride : uint16_t(layout.groups.size()));
    w.U32(0);
    records(groupBlocks, groupIds);
    w.U16(0x8003);
    w.U16(uint16_t(layout.imageIds.size()));
    w.U32(0);
    records(imageBlocks, layout.imageIds);
    w.U16(0);
    w.Bytes(layout.names.constData(), size_t(layout.names.size()));
    for (const auto* blocks : {&groupBlocks, &imageBlocks})
        for (const QByteArray& b : *blocks) {
            w.Zeros((unit - w.Size() % unit) % unit);
            w.Bytes(b.constData(), size_t(b.size()));
        }
    w.Zeros((unit - w.Size() % unit) % unit);
    return w.ToByteArray();
}

QStringList NamesOf(const TIconModuleReader& r)
{
    QStringList out;
    for (const TModuleIcon& icon : r.Icons) out << icon.Name;
    return out;
}

} // namespace

TEST(IconResources, NamesTableIsUsedOnlyWithANamePerIcon)
{
    struct Case {
        int icons;
        QByteArray names;
        QStringList expected;
    };
    const QByteArray two("\x03" "ICL" "\x01" "A" "\x01" "B" "\x00", 10);
    const QByteArray three("\x03" "ICL" "\x01" "A" "\x01" "B" "\x01" "C" "\x00", 12);
    const QByteArray same("\x03" "ICL" "\x01" "A" "\x01" "A" "\x00", 10);
    const QByteArray lower("\x03" "icl" "\x01" "A" "\x01" "B" "\x00", 10);
    const Case cases[] = {
        {3, two, {"QV Icon1", "QV Icon2", "QV Icon3"}},
        {2, two, {"A", "B"}},
        {2, three, {"A", "B"}},
        {2, same, {"A", "A"}},
        {2, lower, {"QV Icon1", "QV Icon2"}},
        {2, QByteArray(1, '\0'), {"QV Icon1", "QV Icon2"}},
    };
    for (const Case& c : cases) {
        NeLayout layout;
        layout.groups.assign(size_t(c.icons), {1});
        layout.imageIds = {1};
        layout.names = c.names;
        TIconModuleReader r;
        ASSERT_EQ(r.ReadLibraryData(BuildNe(layout)), 0);
        EXPECT_EQ(r.Kind, TModuleKind::Ne);
        EXPECT_EQ(NamesOf(r), c.expected) << c.names.toHex().toStdString();
    }
}

TEST(IconResources, NeImagesFoundByIdAndMissingOnesLoseOnlyThemselves)
{
    NeLayout layout;
    // Group 1 names image 2 then 9 (which does not exist) then 1.
    layout.groups = {{2, 9, 1}};
    layout.imageIds = {1, 2};
    TIconModuleReader r;
    ASSERT_EQ(r.ReadLibraryData(BuildNe(layout)), 0);
    ASSERT_EQ(r.Icons.size(), 1u);
    std::vector<TModuleImage> images;
    EXPECT_EQ(r.ReadIconImages(0, images), 0);   // a missing image is not an unreadable one
    ASSERT_EQ(images.size(), 3u);
    EXPECT_TRUE(images[0].Read);
    EXPECT_FALSE(images[1].Read);
    EXPECT_TRUE(images[1].Raw.isEmpty());
    EXPECT_TRUE(images[2].Read);
    EXPECT_EQ(images[0].Image.Bitmap->Pixel(5, 5), MakeColor(40, 100, 200));
    EXPECT_EQ(images[2].Image.Bitmap->Pixel(5, 5), MakeColor(0, 100, 200));
    EXPECT_EQ(r.ReadIconImages(1, images), -1);
}

TEST(IconResources, UnreadableImageKeepsItsBytes)
{
    NeLayout layout;
    layout.groups = {{1, 2}};
    layout.imageIds = {1, 2};
    QByteArray module = BuildNe(layout);
    TIconModuleReader r;
    ASSERT_EQ(r.ReadLibraryData(module), 0);
    // Break the first image's DIB header (its width becomes 4000) after the listing.
    const int64_t at = r.Icons[0].Formats[0].Offset;
    ASSERT_GT(at, 0);
    module[qsizetype(at + 4)] = char(0xA0);
    module[qsizetype(at + 5)] = char(0x0F);
    ASSERT_EQ(r.ReadLibraryData(module), 0);
    std::vector<TModuleImage> images;
    EXPECT_EQ(r.ReadIconImages(0, images), 1);
    EXPECT_FALSE(images[0].Read);
    EXPECT_EQ(images[0].Raw, module.mid(qsizetype(at), qsizetype(r.Icons[0].Formats[0].Size)));
    EXPECT_TRUE(images[1].Read);
}

// Hostile input: each case must give a bounded result quickly.
TEST(IconResources, HostileModulesStayBounded)
{
    const QByteArray pe = ReadFixture("icons_x86.dll");
    ByteReader peReader(pe);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    std::vector<Case> cases;
    auto patched = [](QByteArray b, qsizetype at, std::initializer_list<uint8_t> bytes) {
        for (uint8_t v : bytes) {
            if (at >= 0 && at < b.size()) b[at] = char(v);
            ++at;
        }
        return b;
    };
    // The PE header and the resource root of the fixture.
    const qsizetype lfanew = qsizetype(ByteReader(pe).Sub(60, 4).U32());
    TResourceList groups;
    TIconModuleReader::ReadPeResources(peReader, rtGroupIcon, groups);
    ASSERT_EQ(groups.size(), 3u);
    // Find the root directory: the resource section's raw offset.
    qsizetype root = -1;
    for (qsizetype at = 0; at + 8 < pe.size(); ++at)
        if (pe.mid(at, 8) == QByteArray(".rsrc\0\0\0", 8)) {
            root = qsizetype(ByteReader(pe).Sub(uint64_t(at) + 20, 4).U32());
            break;
        }
    ASSERT_GT(root, 0);
    cases.push_back({"e_lfanew past the end", patched(pe, 60, {0xF0, 0xFF, 0xFF, 0x7F})});
    cases.push_back({"65535 sections", patched(pe, lfanew + 6, {0xFF, 0xFF})});
    cases.push_back({"optional header size 65535", patched(pe, lfanew + 20, {0xFF, 0xFF})});
    cases.push_back({"root counts 65535", patched(pe, root + 12, {0xFF, 0xFF, 0xFF, 0xFF})});
    // Every root entry's target points back at the root itself.
    {
        QByteArray b = pe;
        for (int i = 0; i < 4; ++i) b = patched(b, root + 16 + 8 * i + 4, {0x00, 0x00, 0x00, 0x80});
        cases.push_back({"directory pointing at itself", b});
    }
    // Offsets of every resource data entry made huge.
    {
        QByteArray b = pe;
        for (qsizetype at = root; at + 4 <= pe.size() && at < root + 0x400; at += 4)
            if (ByteReader(pe).Sub(uint64_t(at), 4).U32() >= 0x1000 && ByteReader(pe).Sub(uint64_t(at), 4).U32() < 0x10000)
                b = patched(b, at, {0xF0, 0xFF, 0xFF, 0x7F});
        cases.push_back({"data addresses past the end", b});
    }
    // A directory string whose length is larger than the file.
    {
        QByteArray b = pe;
        for (qsizetype at = root; at + 12 < b.size(); ++at)
            if (b.mid(at, 12) == QByteArray("F\0O\0L\0D\0E\0R\0", 12)) {
                b = patched(b, at - 2, {0xFF, 0xFF});
                break;
            }
        cases.push_back({"name longer than the file", b});
    }
    for (int cut : {0, 2, 63, 64, 100, int(lfanew) + 3, int(lfanew) + 30, int(root) + 10, int(root) + 40, int(pe.size()) - 1})
        cases.push_back({"truncated", pe.left(cut)});
    // NE: shifts of 16 and more, counts of 65535, a group naming images that do not exist.
    NeLayout ne;
    ne.groups = {{1, 2}, {3}};
    ne.imageIds = {1, 2};
    ne.names = QByteArray("\x03" "ICL" "\x01" "A" "\x01" "B" "\x00", 10);
    const QByteArray neBytes = BuildNe(ne);
    for (uint8_t shift : {uint8_t(16), uint8_t(31), uint8_t(255)})
        cases.push_back({"NE shift out of range", patched(neBytes, 128, {shift, 0})});
    cases.push_back({"NE group count 65535", patched(neBytes, 132, {0xFF, 0xFF})});
    cases.push_back({"NE no end of types", neBytes.left(128 + 2 + 8 + 24 + 8 + 24)});
    for (int cut = 0; cut < neBytes.size(); cut += 37) cases.push_back({"NE truncated", neBytes.left(cut)});
    // A group whose count is 65535 inside a small block.
    {
        TResourceList neGroups;
        TIconModuleReader::ReadNeResources(ByteReader(neBytes), rtGroupIcon, neGroups);
        ASSERT_EQ(neGroups.size(), 2u);
        cases.push_back({"NE group entries 65535", patched(neBytes, qsizetype(neGroups[0].Offset) + 4, {0xFF, 0xFF})});
        cases.push_back({"NE group header wrong", patched(neBytes, qsizetype(neGroups[0].Offset) + 2, {0x02})});
    }

    for (const Case& c : cases) {
        TIconModuleReader r;
        EXPECT_EQ(r.ReadLibraryData(c.bytes), 0) << c.what;
        int64_t formats = 0;
        for (size_t k = 0; k < r.Icons.size(); ++k) {
            formats += int64_t(r.Icons[k].Formats.size());
            std::vector<TModuleImage> images;
            r.ReadIconImages(int(k), images);
            for (const TModuleImage& m : images) {
                if (!m.Read) continue;
                EXPECT_GE(m.Image.Width, 1);
                EXPECT_LE(m.Image.Width, MaxIconSide);
            }
        }
        EXPECT_LE(formats, MaxModuleFormatsTotal) << c.what;
    }
}

TEST(IconResources, NeShiftOutOfRangeGivesAnEmptyLibrary)
{
    NeLayout layout;
    layout.groups = {{1}};
    layout.imageIds = {1};
    QByteArray bytes = BuildNe(layout);
    bytes[128] = char(16);
    TIconModuleReader r;
    EXPECT_EQ(r.ReadLibraryData(bytes), 0);
    EXPECT_TRUE(r.Icons.empty());
    TIconModuleReader missing;
    EXPECT_EQ(missing.ReadLibrary(QStringLiteral("/nonexistent/none.icl")), -1);
    EXPECT_FALSE(missing.LastError.isEmpty());
}

// Others may write the module while it is open: a module cut short after it was listed must not
// take the reader down when the images are decoded.
TEST(IconResources, ModuleCutByAnotherProgramAfterListingStillDecodes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.dll"));
    ASSERT_TRUE(QFile::copy(ModulePath("icons_x64.dll"), path));
    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(path), 0);
    ASSERT_EQ(reader.Icons.size(), 3u);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(0));
    }
    ExpectIconEquals(reader, 1, LoadIco(ModulePath("app.ico")), "app after the cut");
}

// Group entries of other tools may understate an image's size: the image is read within its whole
// record all the same, and only an image that cannot be read is kept at the size the entry gives.
TEST(IconResources, UnderstatedEntrySizeStillReadsTheImage)
{
    NeLayout layout;
    layout.groups = {{1}};
    layout.imageIds = {1};
    QByteArray module = BuildNe(layout);
    TResourceList groups;
    TIconModuleReader::ReadNeResources(ByteReader(module), rtGroupIcon, groups);
    ASSERT_EQ(groups.size(), 1u);
    const qsizetype entryBytes = qsizetype(groups[0].Offset) + 6 + 8;
    module[entryBytes] = char(10);
    TIconModuleReader r;
    ASSERT_EQ(r.ReadLibraryData(module), 0);
    std::vector<TModuleImage> images;
    EXPECT_EQ(r.ReadIconImages(0, images), 0);
    ASSERT_EQ(images.size(), 1u);
    ASSERT_TRUE(images[0].Read);
    EXPECT_EQ(images[0].Image.Bitmap->Pixel(5, 5), MakeColor(0, 100, 200));
}
