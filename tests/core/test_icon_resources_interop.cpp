// Real modules made while the test runs: icon files written by us are compiled into a resource
// script with llvm-rc and linked into x86 and x64 DLLs with lld-link (numbered and named groups,
// one group in three languages, one image in two, a 256 x 256 PNG image). wrestool (icoutils)
// lists and extracts each module; what we read must match it group by group and pixel by pixel,
// and match the icon files the module was made from. A library we write from such a module is
// then listed and extracted by wrestool and read back by us with the same names and pixels.
#include <gtest/gtest.h>

#include <deque>

#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "iconfiles/file_access.h"
#include "iconfiles/icon_library_file.h"
#include "iconfiles/icon_resources.h"
#include "platform/bytes.h"
#include "support/format_helpers.h"
#include "support/test_support.h"

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun RunTool(const QString& program, const QStringList& args, const QString& folder = QString())
{
    QProcess p;
    if (!folder.isEmpty()) p.setWorkingDirectory(folder);
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(60000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// The tools the test needs; the first one missing, or empty.
QString MissingTool()
{
    for (const char* tool : {"llvm-rc", "lld-link", "wrestool"})
        if (!HaveTool(tool)) return QString::fromLatin1(tool);
    return QString();
}

TIconImageArray Formats(std::initializer_list<TIconImageRec*> list)
{
    TIconImageArray out;
    for (TIconImageRec* rec : list) out.Add(std::move(*rec));
    return out;
}

// The icon files a module is made of, written by our own icon writer.
struct ModuleSources {
    QTemporaryDir dir;
    // File name -> formats.
    std::vector<std::pair<QString, TIconImageArray>> icons;

    ModuleSources()
    {
        TIconImageRec a16 = PatternFormat(16, 16, ctColors16, 11), a32 = PatternFormat(32, 32, ctTrueAlpha, 12),
                      a48 = PatternFormat(48, 48, ctColors256, 13), a256 = PatternFormat(256, 256, ctTrueAlpha, 14);
        TIconImageRec f32 = PatternFormat(32, 32, ctTrueColor, 15);
        TIconImageRec z24 = PatternFormat(24, 24, ctColors2, 16), z64 = PatternFormat(64, 64, ctTrueAlpha, 17);
        TIconImageRec en = SolidFormat(16, 16, ctTrueColor, MakeColor(255, 0, 0), 0);
        TIconImageRec de = SolidFormat(16, 16, ctTrueColor, MakeColor(0, 0, 255), 0);
        TIconImageRec fr = SolidFormat(16, 16, ctTrueColor, MakeColor(0, 160, 0), 0);
        TIconImageRec s200 = PatternFormat(200, 120, ctTrueAlpha, 18);
        icons.emplace_back(QStringLiteral("app.ico"), Formats({&a16, &a32, &a48, &a256}));
        icons.emplace_back(QStringLiteral("folder.ico"), Formats({&f32}));
        icons.emplace_back(QStringLiteral("zeta.ico"), Formats({&z24, &z64}));
        icons.emplace_back(QStringLiteral("lang_en.ico"), Formats({&en}));
        icons.emplace_back(QStringLiteral("lang_de.ico"), Formats({&de}));
        icons.emplace_back(QStringLiteral("lang_fr.ico"), Formats({&fr}));
        icons.emplace_back(QStringLiteral("wide.ico"), Formats({&s200}));
        TIconFileAccess fa;
        for (const auto& [name, formats] : icons) EXPECT_EQ(fa.SaveIconFile(dir.filePath(name), formats), 0);
        // Image 7000 as raw resources in two languages, and a raw group naming it.
        ByteWriter enBytes, deBytes, group;
        EXPECT_EQ(fa.WriteIconImage(enBytes, Icon(QStringLiteral("lang_en.ico"))[0]), 0);
        EXPECT_EQ(fa.WriteIconImage(deBytes, Icon(QStringLiteral("lang_de.ico"))[0]), 0);
        group.U16(0);
        group.U16(1);
        group.U16(1);
        group.U8(16);
        group.U8(16);
        group.U16(0);
        group.U16(1);
        group.U16(24);
        group.U32(uint32_t(enBytes.Size()));
        group.U16(7000);
        EXPECT_TRUE(WriteBytes(Path(QStringLiteral("image7000_en.bin")), enBytes.ToByteArray()));
        EXPECT_TRUE(WriteBytes(Path(QStringLiteral("image7000_de.bin")), deBytes.ToByteArray()));
        EXPECT_TRUE(WriteBytes(Path(QStringLiteral("group7001.bin")), group.ToByteArray()));
    }

    const TIconImageArray& Icon(const QString& name) const
    {
        for (const auto& entry : icons)
            if (entry.first == name) return entry.second;
        return icons.front().second;
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
};

// The resource script: numbered and named groups, one numbered group in three languages (English,
// German, French as the compiler meets them), and a resource type known by name only, whose
// entry sits among the numbered types and must not hide them.
const char* const ResourceScript =
    "LANGUAGE 9, 1\n"
    "1 ICON \"app.ico\"\n"
    "FOLDER ICON \"folder.ico\"\n"
    "Zeta ICON \"zeta.ico\"\n"
    "2 ICON \"lang_en.ico\"\n"
    "300 ICON \"wide.ico\"\n"
    "7001 14 \"group7001.bin\"\n"
    "7000 3 \"image7000_en.bin\"\n"
    "NOTES TEXTFILE \"lang_en.ico\"\n"
    "5 TEXTFILE \"zeta.ico\"\n"
    "LANGUAGE 7, 1\n"
    "2 ICON \"lang_de.ico\"\n"
    "7000 3 \"image7000_de.bin\"\n"
    "LANGUAGE 12, 1\n"
    "2 ICON \"lang_fr.ico\"\n";

// Builds the module for a machine; empty with a failure recorded when a tool fails.
QString BuildModule(const ModuleSources& sources, const QString& machine)
{
    const QString rc = sources.Path(QStringLiteral("icons.rc"));
    if (!QFile::exists(rc)) {
        EXPECT_TRUE(WriteBytes(rc, QByteArray(ResourceScript)));
        const ToolRun r = RunTool(QStringLiteral("llvm-rc"), {QStringLiteral("-no-preprocess"), QStringLiteral("-fo"),
                                                          QStringLiteral("icons.res"), QStringLiteral("icons.rc")},
                              sources.dir.path());
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        if (r.exitCode != 0) return QString();
    }
    const QString out = sources.Path(QStringLiteral("icons_%1.dll").arg(machine));
    const ToolRun r = RunTool(QStringLiteral("lld-link"),
                          {QStringLiteral("/dll"), QStringLiteral("/noentry"), QStringLiteral("/machine:") + machine,
                           sources.Path(QStringLiteral("icons.res")), QStringLiteral("/out:") + out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return r.exitCode == 0 ? out : QString();
}

struct ListedResource {
    int type = 0;
    QString name;
    QString language;
};

// wrestool -l, in the order it lists (the directory's order).
std::vector<ListedResource> WrestoolList(const QString& module)
{
    const ToolRun r = RunTool(QStringLiteral("wrestool"), {QStringLiteral("-l"), module});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::vector<ListedResource> out;
    static const QRegularExpression line(
        QStringLiteral("^--type=(\\d+|'[^']*') --name=('([^']*)'|(\\d+))(?: --language=(\\d+))?"));
    for (const QString& text : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = line.match(text);
        EXPECT_TRUE(m.hasMatch()) << text.toStdString();
        if (!m.hasMatch()) continue;
        ListedResource item;
        // Types known by name only count as none of ours.
        item.type = m.captured(1).startsWith(QLatin1Char('\'')) ? -1 : m.captured(1).toInt();
        item.name = m.captured(3).isEmpty() ? m.captured(4) : m.captured(3);
        item.language = m.captured(5);
        out.push_back(item);
    }
    return out;
}

// wrestool -x of one group, read with our icon reader.
TIconImageArray WrestoolExtract(const QString& module, const ListedResource& group, const QString& out)
{
    QStringList args{QStringLiteral("-x"), QStringLiteral("--type=14"), QStringLiteral("--name=") + group.name,
                     QStringLiteral("-o"), out};
    if (!group.language.isEmpty()) args << QStringLiteral("--language=") + group.language;
    args << module;
    const ToolRun r = RunTool(QStringLiteral("wrestool"), args);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    TIconFileAccess fa;
    TIconImageArray formats;
    EXPECT_EQ(fa.LoadIconFile(out, formats), 0) << group.name.toStdString();
    return formats;
}

void ExpectSameFormats(const std::vector<TModuleImage>& images, const TIconImageArray& expected, const std::string& what)
{
    ASSERT_EQ(int(images.size()), expected.Count()) << what;
    for (int j = 0; j < expected.Count(); ++j) {
        ASSERT_TRUE(images[size_t(j)].Read) << what << " format " << j;
        ExpectSameImage(images[size_t(j)].Image, expected[j], what + " format " + std::to_string(j));
    }
}

// The groups wrestool lists, first language of each name only, in listing order.
std::vector<ListedResource> FirstLanguageGroups(const std::vector<ListedResource>& listing)
{
    std::vector<ListedResource> groups;
    for (const ListedResource& item : listing) {
        if (item.type != int(rtGroupIcon)) continue;
        bool seen = false;
        for (const ListedResource& g : groups) seen = seen || g.name == item.name;
        if (!seen) groups.push_back(item);
    }
    return groups;
}

} // namespace

class BuiltModules : public ::testing::TestWithParam<const char*> {};

TEST_P(BuiltModules, ReadAsWrestoolListsAndExtracts)
{
    const QString missing = MissingTool();
    if (!missing.isEmpty()) GTEST_SKIP() << missing.toStdString() << " is not installed: modules cannot be built and compared";
    ModuleSources sources;
    const QString module = BuildModule(sources, QString::fromLatin1(GetParam()));
    ASSERT_FALSE(module.isEmpty());

    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(module), 0) << reader.LastError.toStdString();
    EXPECT_EQ(reader.Kind, TModuleKind::Pe);
    EXPECT_FALSE(reader.NamesFromTable);

    const std::vector<ListedResource> listing = WrestoolList(module);
    const std::vector<ListedResource> groups = FirstLanguageGroups(listing);
    // Named groups first, then numbered ones, as the directory holds them.
    ASSERT_EQ(groups.size(), 6u);
    ASSERT_EQ(reader.Icons.size(), groups.size());
    int64_t imageCount = 0;
    for (const ListedResource& item : listing) imageCount += item.type == int(rtIconImage) ? 1 : 0;
    // One image per format, plus the images of the two other languages of group 2 and the
    // second language of image 7000.
    int64_t formatCount = 0;
    for (const TModuleIcon& icon : reader.Icons) formatCount += icon.FormatCount;
    EXPECT_EQ(formatCount + 3, imageCount);
    // The first language wrestool lists for each image.
    QHash<QString, QString> imageLanguage;
    for (const ListedResource& item : listing)
        if (item.type == int(rtIconImage) && !imageLanguage.contains(item.name)) imageLanguage.insert(item.name, item.language);

    const QStringList sourceOf = {QStringLiteral("folder.ico"), QStringLiteral("zeta.ico"), QStringLiteral("app.ico"),
                                  QStringLiteral("lang_de.ico"), QStringLiteral("wide.ico"), QStringLiteral("lang_de.ico")};
    const QStringList expectedNames = {QStringLiteral("FOLDER"), QStringLiteral("ZETA"), QStringLiteral("1"),
                                       QStringLiteral("2"), QStringLiteral("300"), QStringLiteral("7001")};
    for (size_t k = 0; k < groups.size(); ++k) {
        const std::string what = std::string(GetParam()) + " group " + groups[k].name.toStdString();
        EXPECT_EQ(reader.Icons[k].ResourceName, groups[k].name) << what;
        EXPECT_EQ(reader.Icons[k].ResourceName, expectedNames[qsizetype(k)]) << what;
        EXPECT_EQ(reader.Icons[k].Name, QStringLiteral("QV Icon%1").arg(k + 1)) << what;
        std::vector<TModuleImage> images;
        ASSERT_EQ(reader.ReadIconImages(int(k), images), 0) << what;
        const TIconImageArray extracted =
            WrestoolExtract(module, groups[k], sources.Path(QStringLiteral("x%1.ico").arg(k)));
        if (groups[k].name == QLatin1String("7001")) {
            // wrestool takes the image in its group's language (English); we keep to the first
            // language of the image, whatever the group's.
            EXPECT_EQ(groups[k].language, QStringLiteral("1033"));
            ASSERT_EQ(extracted.Count(), 1);
            ExpectSameImage(extracted[0], sources.Icon(QStringLiteral("lang_en.ico"))[0], what + " (wrestool)");
        } else {
            ExpectSameFormats(images, extracted, what + " (wrestool)");
        }
        // Each image's bytes, where we found them, are the bytes wrestool gives for its id.
        for (const TModuleFormat& format : reader.Icons[k].Formats) {
            const QString raw = sources.Path(QStringLiteral("raw%1.bin").arg(format.Id));
            QStringList args{QStringLiteral("-x"), QStringLiteral("--raw"), QStringLiteral("--type=3"),
                             QStringLiteral("--name=%1").arg(format.Id), QStringLiteral("-o"), raw};
            const QString language = imageLanguage.value(QString::number(format.Id));
            if (!language.isEmpty()) args << QStringLiteral("--language=") + language;
            const ToolRun r = RunTool(QStringLiteral("wrestool"), args << module);
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
            QFile file(raw);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << what;
            EXPECT_EQ(reader.FormatBytes(format), file.readAll()) << what << " image " << format.Id;
        }
        // The language taken is the first one wrestool lists, German (1031), whatever order the
        // script gave the languages in: for group 2 and for image 7000 of group 7001 alike.
        ExpectSameFormats(images, sources.Icon(sourceOf[qsizetype(k)]), what + " (source)");
    }
    // The 256 x 256 PNG entry reads 0 in the group and 256 once its image is read.
    TIconModuleReader fresh;
    ASSERT_EQ(fresh.ReadLibrary(module), 0);
    EXPECT_EQ(fresh.Icons[2].Formats[3].Width, 0);
    std::vector<TModuleImage> images;
    ASSERT_EQ(fresh.ReadIconImages(2, images), 0);
    EXPECT_EQ(fresh.Icons[2].Formats[3].Width, 256);
    EXPECT_EQ(fresh.Icons[2].Formats[3].Height, 256);
}

// From a real module to a library of ours, then through wrestool and back through our reader.
TEST_P(BuiltModules, LibraryWrittenFromModuleReadsBackEverywhere)
{
    const QString missing = MissingTool();
    if (!missing.isEmpty()) GTEST_SKIP() << missing.toStdString() << " is not installed: modules cannot be built and compared";
    ModuleSources sources;
    const QString module = BuildModule(sources, QString::fromLatin1(GetParam()));
    ASSERT_FALSE(module.isEmpty());
    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(module), 0);

    // Each icon named after its resource, one of them with Windows-1252 letters and one longer
    // than a library keeps.
    std::deque<TIconImageRec> decoded;
    std::vector<TLibraryIcon> library;
    for (size_t k = 0; k < reader.Icons.size(); ++k) {
        std::vector<TModuleImage> images;
        ASSERT_EQ(reader.ReadIconImages(int(k), images), 0);
        TLibraryIcon icon;
        icon.Name = QStringLiteral("Icon ") + reader.Icons[k].ResourceName;
        icon.FormatCount = reader.Icons[k].FormatCount;
        for (size_t j = 0; j < images.size(); ++j) {
            decoded.push_back(std::move(images[j].Image));
            TLibrarySlot slot;
            slot.Width = reader.Icons[k].Formats[j].Width;
            slot.Height = reader.Icons[k].Formats[j].Height;
            slot.BitCount = reader.Icons[k].Formats[j].BitCount;
            slot.Image = &decoded.back();
            icon.Slots.push_back(slot);
        }
        library.push_back(std::move(icon));
    }
    library[1].Name = QString::fromUtf8("Caf\u00e9 \u20ac \u0152uvre");
    library[3].Name = QString(40, QLatin1Char('L'));
    const QString icl = sources.Path(QStringLiteral("from_%1.icl").arg(QString::fromLatin1(GetParam())));
    TIconLibraryWriter writer;
    ASSERT_EQ(writer.WriteLibraryFile(icl, library), 0) << writer.LastError.toStdString();

    // wrestool lists one group per icon and one image per slot, numbered as we numbered them.
    const std::vector<ListedResource> listing = WrestoolList(icl);
    std::vector<ListedResource> groups;
    int images = 0;
    for (const ListedResource& item : listing) {
        if (item.type == int(rtGroupIcon)) groups.push_back(item);
        if (item.type == int(rtIconImage)) ++images;
    }
    ASSERT_EQ(groups.size(), library.size());
    int slotTotal = 0;
    for (const TLibraryIcon& icon : library) slotTotal += int(icon.Slots.size());
    EXPECT_EQ(images, slotTotal);

    TIconModuleReader back;
    ASSERT_EQ(back.ReadLibrary(icl), 0);
    EXPECT_EQ(back.Kind, TModuleKind::Ne);
    EXPECT_TRUE(back.NamesFromTable);
    ASSERT_EQ(back.Icons.size(), library.size());
    size_t next = 0;
    for (size_t k = 0; k < library.size(); ++k) {
        const std::string what = "library icon " + std::to_string(k);
        EXPECT_EQ(groups[k].name, QString::number(k + 1)) << what;
        EXPECT_EQ(back.Icons[k].Name, CutLibraryName(library[k].Name)) << what;
        std::vector<TModuleImage> ours;
        ASSERT_EQ(back.ReadIconImages(int(k), ours), 0) << what;
        const TIconImageArray extracted = WrestoolExtract(icl, groups[k], sources.Path(QStringLiteral("l%1.ico").arg(k)));
        ExpectSameFormats(ours, extracted, what + " (wrestool)");
        ASSERT_EQ(ours.size(), library[k].Slots.size()) << what;
        for (size_t j = 0; j < ours.size(); ++j) {
            ExpectSameImage(ours[j].Image, decoded[next++], what + " format " + std::to_string(j));
            EXPECT_EQ(back.Icons[k].Formats[j].Id, library[k].Slots[j].Id) << what;
        }
    }
    EXPECT_EQ(back.Icons[1].Name, QString::fromUtf8("Caf\u00e9 \u20ac \u0152uvre"));
    EXPECT_EQ(StringToWin1252(back.Icons[1].Name), QByteArray("Caf\xe9 \x80 \x8cuvre"));
    EXPECT_EQ(back.Icons[3].Name, QString(32, QLatin1Char('L')));
}

INSTANTIATE_TEST_SUITE_P(Machines, BuiltModules, ::testing::Values("x86", "x64"));
