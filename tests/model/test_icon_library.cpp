// The icon library's rules without a window: unique names, renaming, the thumbnail choice,
// inserting, deleting, receiving a document's formats, the links to documents, working files and
// the library file written and read back.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QObject>

#include "iconfiles/file_access.h"
#include "iconfiles/icon_library_file.h"
#include "iconfiles/icon_resources.h"
#include "iconfiles/png_codec.h"
#include "imaging/compositing.h"
#include "model/icon_library.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"
#include "support/png_bytes.h"
#include "support/test_support.h"

namespace {

// A library over a temporary working folder, with icons of these names (no formats).
struct LibraryFixture {
    QTemporaryDir dir;
    TIconLibrary lib{dir.path()};
    explicit LibraryFixture(std::initializer_list<const char*> names = {})
    {
        lib.Editable = true;
        for (const char* n : names) {
            TGroupIcon icon;
            icon.Name = QString::fromUtf8(n);
            lib.Icons.push_back(std::move(icon));
        }
    }
    QStringList Names() const
    {
        QStringList out;
        for (const TGroupIcon& i : lib.Icons) out << i.Name;
        return out;
    }
};

TIconImageArray Formats(std::initializer_list<TIconImageRec> recs)
{
    TIconImageArray out;
    for (const TIconImageRec& r : recs) out.Add(r.Clone());
    return out;
}

} // namespace

TEST(IconLibrary, MakeNameUniqueComparesWithEarlierNamesOnly)
{
    struct Case {
        std::initializer_list<const char*> before;
        const char* name;
        const char* expected;
    } cases[] = {
        {{}, "Icon", "Icon"},
        {{"Icon"}, "Icon", "Icon(1)"},
        {{"icon"}, "ICON", "ICON(1)"},
        {{"Icon", "Icon(1)"}, "Icon", "Icon(2)"},
        {{"Icon(1)"}, "Icon(1)", "Icon(2)"},
        {{"Icon(x)"}, "Icon(x)", "Icon(x)(1)"},
        {{"(3)"}, "(3)", "(3)(1)"},             // "(" at the first character is no suffix
        {{"a)b(c)"}, "a)b(c)", "a)b(c)(1)"},    // ")" before "(": no number
        {{"Icon(-3)"}, "Icon(-3)", "Icon(-2)"},
        {{"Icon(99999999999)", "Icon(2147483647)"}, "Icon(99999999999)", "Icon(99999999999)(1)"},
        // Cut to 32 bytes: the base gives way to the number.
        {{"ABCDEFGHIJKLMNOPQRSTUVWXYZ123456"}, "ABCDEFGHIJKLMNOPQRSTUVWXYZ123456", "ABCDEFGHIJKLMNOPQRSTUVWXYZ123(1)"},
    };
    for (const Case& c : cases) {
        LibraryFixture f(c.before);
        TGroupIcon icon;
        icon.Name = QString::fromUtf8(c.name);
        f.lib.Icons.push_back(std::move(icon));
        f.lib.MakeNameUnique(f.lib.Count() - 1);
        EXPECT_EQ(f.lib.Icons.back().Name, QString::fromUtf8(c.expected)) << c.name;
        EXPECT_LE(f.lib.Icons.back().Name.size(), 32);
    }
    // A later icon is not compared: the first keeps its name.
    LibraryFixture f({"Icon", "Icon"});
    f.lib.MakeNameUnique(0);
    EXPECT_EQ(f.Names(), (QStringList{"Icon", "Icon"}));
}

TEST(IconLibrary, MakeNameUniqueEndsWhenTheBaseIsCutAway)
{
    // Names at the top of the range and 32-byte names cannot progress by the suffix rule alone.
    LibraryFixture f({"Icon(2147483647)", "Icon(2147483647)(1)"});
    TGroupIcon icon;
    icon.Name = QStringLiteral("Icon(2147483647)");
    f.lib.Icons.push_back(std::move(icon));
    f.lib.MakeNameUnique(2);
    EXPECT_EQ(f.lib.FindName(f.lib.Icons[2].Name, 2), -1) << f.lib.Icons[2].Name.toStdString();
}

TEST(IconLibrary, RenameRules)
{
    LibraryFixture f({"Icon", "Other"});
    using R = TIconLibrary::TRenameResult;
    EXPECT_EQ(f.lib.RenameIcon(1, QStringLiteral("ICON")), R::Clash);
    EXPECT_EQ(f.lib.RenameIcon(1, QStringLiteral("   ")), R::Blank);
    EXPECT_FALSE(f.lib.Modified);
    EXPECT_EQ(f.lib.RenameIcon(0, QStringLiteral("icon")), R::Renamed); // its own name, other case
    EXPECT_TRUE(f.lib.Modified);
    const QString forty = QString(40, QLatin1Char('n'));
    EXPECT_EQ(f.lib.RenameIcon(1, forty), R::Renamed);
    EXPECT_EQ(f.lib.Icons[1].Name, QString(32, QLatin1Char('n')));
    // Untrimmed text is kept as typed.
    EXPECT_EQ(f.lib.RenameIcon(1, QStringLiteral(" x ")), R::Renamed);
    EXPECT_EQ(f.lib.Icons[1].Name, QStringLiteral(" x "));
    f.lib.Editable = false;
    EXPECT_EQ(f.lib.RenameIcon(1, QStringLiteral("y")), R::NotAllowed);
}

TEST(IconLibrary, ThumbnailChoice)
{
    struct Case {
        std::vector<TFormatShape> formats;
        int expected;
    } cases[] = {
        {{}, -1},
        {{{16, 16, 4}}, 0},
        {{{16, 16, 32}, {32, 32, 8}, {32, 32, 32}}, 2},
        {{{32, 32, 24}, {32, 32, 8}}, 1}, // position 0 counts as none
        {{{48, 48, 8}, {16, 16, 32}}, 0},
        {{{16, 16, 8}, {32, 32, 4}, {32, 32, 24}, {32, 32, 24}}, 3},
        {{{16, 16, 8}, {24, 24, 4}, {16, 16, 32}}, 1},
        {{{16, 16, 8}, {16, 16, 32}}, 0}, // nothing of 32 x 32: fallback 0
        {{{64, 64, 8}, {16, 16, 32}, {64, 64, 32}}, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(TIconLibrary::ChooseThumbnailFormat(c.formats), c.expected);
}

TEST(IconLibrary, NewLibraryInsertAndDelete)
{
    LibraryFixture f;
    f.lib.Editable = false;
    EXPECT_EQ(f.lib.InsertIcon(), -1);
    const uint32_t before = f.lib.Serial;
    f.lib.NewLibrary();
    EXPECT_NE(f.lib.Serial, before);
    EXPECT_TRUE(f.lib.Editable);
    EXPECT_FALSE(f.lib.Modified);
    EXPECT_EQ(f.lib.LibName, QStringLiteral("New Icon Lib"));
    EXPECT_EQ(f.lib.CaptionText(), QStringLiteral("Icon Library - New Icon Lib"));
    ASSERT_EQ(f.lib.Count(), 1);
    // The placeholder slot: one format slot, Id 1, not counted, no file.
    EXPECT_EQ(f.lib.Icons[0].FormatCount, 0);
    ASSERT_EQ(f.lib.Icons[0].Formats.size(), 1u);
    EXPECT_EQ(f.lib.Icons[0].Formats[0].Id, 1);
    EXPECT_TRUE(f.lib.Icons[0].Formats[0].TempFile.isEmpty());
    EXPECT_EQ(TIconLibrary::ItemCaption(f.lib.Icons[0]), QStringLiteral("New Icon\r(0 Formats)"));

    EXPECT_EQ(f.lib.InsertIcon(), 1);
    EXPECT_EQ(f.lib.InsertIcon(), 2);
    EXPECT_EQ(f.Names(), (QStringList{"New Icon", "New Icon(1)", "New Icon(2)"}));
    EXPECT_FALSE(f.lib.Modified); // inserting does not mark the library
    EXPECT_TRUE(f.lib.DeleteIcon(1));
    EXPECT_EQ(f.Names(), (QStringList{"New Icon", "New Icon(2)"}));
    EXPECT_TRUE(f.lib.Modified);
    EXPECT_EQ(f.lib.CaptionText(), QStringLiteral("Icon Library - New Icon Lib *"));
    EXPECT_FALSE(f.lib.DeleteIcon(5));
}

TEST(IconLibrary, AddAndReplaceWriteWorkingFilesNamedByCounter)
{
    LibraryFixture f({"Folder", "Folder(1)"});
    // A read-only library refuses both.
    f.lib.Editable = false;
    const TIconImageArray one = Formats({PatternFormat(16, 16, ctTrueAlpha, 3)});
    EXPECT_EQ(f.lib.AddIcon(QStringLiteral("x"), one), -1);
    EXPECT_EQ(f.lib.MessageText, QStringLiteral("Can't find an opening ICL(*.ICL) library."));
    EXPECT_EQ(f.lib.ReplaceIcon(QStringLiteral("Folder"), one, nullptr, f.lib.Serial), -1);
    f.lib.Editable = true;

    // A name that is no valid file name still gets working files of its own.
    const TIconImageArray two = Formats({PatternFormat(16, 16, ctTrueAlpha, 4), PatternFormat(32, 32, ctColors256, 5)});
    const int at = f.lib.AddIcon(QStringLiteral("Folder"), two);
    ASSERT_EQ(at, 2);
    EXPECT_EQ(f.lib.Icons[2].Name, QStringLiteral("Folder(2)"));
    EXPECT_EQ(f.lib.AddIcon(QStringLiteral("  "), one), 3);
    EXPECT_EQ(f.lib.Icons[3].Name, QStringLiteral("New Icon"));
    EXPECT_EQ(f.lib.AddIcon(QStringLiteral("../a/b:c*"), one), 4);
    EXPECT_TRUE(f.lib.Modified);
    const TGroupIcon& added = f.lib.Icons[2];
    EXPECT_EQ(added.FormatCount, 2);
    EXPECT_EQ(TIconLibrary::ItemCaption(added), QStringLiteral("Folder(2)\r(2 Formats)"));
    EXPECT_EQ(TIconLibrary::ItemCaption(f.lib.Icons[3]), QStringLiteral("New Icon\r16x16 32"));
    QStringList files;
    for (int i = 2; i < 5; ++i)
        for (const TIconFormat& fm : f.lib.Icons[size_t(i)].Formats) files << fm.TempFile;
    EXPECT_EQ(files.removeDuplicates(), 0);
    for (const QString& file : files) {
        EXPECT_EQ(QFileInfo(file).absolutePath(), QDir(f.dir.path()).absolutePath()) << file.toStdString();
        EXPECT_TRUE(QFileInfo(file).fileName().startsWith(QLatin1String("~lib"))) << file.toStdString();
        EXPECT_TRUE(QFile::exists(file));
    }
    TIconImageRec back;
    ASSERT_TRUE(f.lib.LoadFormat(added.Formats[1], back));
    EXPECT_EQ(back.Width, 32);
    EXPECT_EQ(back.ColorType, ctColors256);
    EXPECT_EQ(added.Formats[1].BitCount, 8);
    // The thumbnail shows the 32 x 32 format.
    EXPECT_NE(added.Thumbnail->Width(), 0);

    // Replace: by name ignoring case; the old files go once the new ones are written.
    const QStringList old = {added.Formats[0].TempFile, added.Formats[1].TempFile};
    EXPECT_EQ(f.lib.ReplaceIcon(QStringLiteral("FOLDER(2)"), one, nullptr, f.lib.Serial), 2);
    EXPECT_EQ(f.lib.Icons[2].FormatCount, 1);
    for (const QString& file : old) EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(f.lib.ReplaceIcon(QStringLiteral("nothing"), one, nullptr, f.lib.Serial), -1);
    EXPECT_EQ(f.lib.MessageText, QStringLiteral("Can't find icon in library"));

    // The linked editor wins over the name; a document of another library is refused.
    QObject doc;
    f.lib.LinkEditor(0, &doc);
    EXPECT_EQ(f.lib.ReplaceIcon(QStringLiteral("Folder(1)"), two, &doc, f.lib.Serial), 0);
    EXPECT_EQ(f.lib.Icons[0].FormatCount, 2);
    EXPECT_EQ(f.lib.ReplaceIcon(QStringLiteral("Folder"), one, &doc, f.lib.Serial + 1000), -1);
    f.lib.LinkEditor(1, &doc);
    EXPECT_EQ(f.lib.FindEditor(&doc), 1); // one icon per editor

    // Clearing removes every working file.
    f.lib.Clear();
    EXPECT_TRUE(QviFilesUnder(f.dir.path()).isEmpty());
}

TEST(IconLibrary, WorkingFileFailureLeavesTheIconAsItWas)
{
    LibraryFixture f({"A"});
    const TIconImageArray one = Formats({PatternFormat(16, 16, ctTrueAlpha, 3)});
    ASSERT_EQ(f.lib.ReplaceIcon(QStringLiteral("A"), one, nullptr, f.lib.Serial), 0);
    const QString kept = f.lib.Icons[0].Formats[0].TempFile;
    f.lib.TempDir = f.dir.filePath(QStringLiteral("missing/folder/"));
    EXPECT_EQ(f.lib.ReplaceIcon(QStringLiteral("A"), one, nullptr, f.lib.Serial), -1);
    EXPECT_FALSE(f.lib.MessageText.isEmpty());
    EXPECT_EQ(f.lib.Icons[0].Formats[0].TempFile, kept);
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_EQ(f.lib.AddIcon(QStringLiteral("B"), one), -1);
    EXPECT_EQ(f.lib.Count(), 1);
}

TEST(IconLibrary, OpenSetsTheModeByExtensionAndAFileThatCannotBeReadIsReported)
{
    LibraryFixture f;
    QString warning;
    // Not a module: an empty library, no message, the mode by extension.
    const QString dll = f.dir.filePath(QStringLiteral("x.DLL"));
    ASSERT_TRUE(WriteBytes(dll, QByteArray("not a module")));
    f.lib.Editable = true;
    EXPECT_EQ(f.lib.Open(dll, warning), 0);
    EXPECT_FALSE(f.lib.Editable);
    EXPECT_EQ(f.lib.Count(), 0);
    EXPECT_EQ(f.lib.LibName, QStringLiteral("x.DLL"));
    EXPECT_EQ(f.lib.CaptionText(), QStringLiteral("Icon Library - x.DLL"));
    const QString icl = f.dir.filePath(QStringLiteral("y.ICL"));
    ASSERT_TRUE(WriteBytes(icl, QByteArray("MZ")));
    EXPECT_EQ(f.lib.Open(icl, warning), 0);
    EXPECT_TRUE(f.lib.Editable);
    EXPECT_EQ(f.lib.Open(f.dir.filePath(QStringLiteral("gone.icl")), warning), -1);
    EXPECT_FALSE(f.lib.Editable);
    EXPECT_TRUE(f.lib.LibPath.isEmpty());
}

TEST(IconLibrary, TheQuestionAndTheNameASaveGets)
{
    LibraryFixture f;
    f.lib.NewLibrary();
    EXPECT_EQ(f.lib.ModifiedQuestion(), QStringLiteral("The library 'New Icon Lib' has been modified. Do you want to save it?"));
    EXPECT_FALSE(f.lib.NeedsSaveQuestion());
    f.lib.Modified = true;
    EXPECT_TRUE(f.lib.NeedsSaveQuestion());
    // A read-only library is never asked about, whatever its flag says.
    f.lib.Editable = false;
    EXPECT_FALSE(f.lib.NeedsSaveQuestion());

    EXPECT_EQ(TIconLibrary::SaveTarget(QStringLiteral("/x/my")), QStringLiteral("/x/my.icl"));
    EXPECT_EQ(TIconLibrary::SaveTarget(QStringLiteral("/x/my.ICL")), QStringLiteral("/x/my.ICL"));
    EXPECT_EQ(TIconLibrary::SaveTarget(QStringLiteral("/x/my.ico")), QStringLiteral("/x/my.ico.icl"));
    f.lib.SetPath(QStringLiteral("/x/y/my.icl"));
    EXPECT_EQ(f.lib.LibPath, QStringLiteral("/x/y/"));
    EXPECT_EQ(f.lib.LibName, QStringLiteral("my.icl"));
}

TEST(IconLibrary, ASavedLibraryReadsBackWithItsNamesInWindows1252)
{
    LibraryFixture f;
    f.lib.NewLibrary();
    const TIconImageArray two = Formats({PatternFormat(16, 16, ctTrueAlpha, 4), PatternFormat(32, 32, ctColors16, 5)});
    const QString forty = QStringLiteral("Caf\u00e9 ") + QString(35, QLatin1Char('x'));
    ASSERT_EQ(f.lib.AddIcon(QStringLiteral("Caf\u00e9 \u20ac"), two), 1);
    ASSERT_EQ(f.lib.AddIcon(forty, two), 2);
    ASSERT_EQ(f.lib.AddIcon(QStringLiteral("\u65e5\u672c"), two), 3);
    // Cut to 32 bytes before it is made unique: a second long name keeps its number within 32.
    ASSERT_EQ(f.lib.AddIcon(forty, two), 4);
    EXPECT_EQ(f.lib.Icons[2].Name, forty.left(32));
    EXPECT_EQ(f.lib.Icons[4].Name, forty.left(29) + QStringLiteral("(1)"));
    EXPECT_EQ(f.lib.Icons[3].Name, QStringLiteral("??"));

    const QString path = f.dir.filePath(QStringLiteral("names.icl"));
    ASSERT_EQ(f.lib.WriteLibraryFile(path), 0) << f.lib.MessageText.toStdString();
    EXPECT_FALSE(f.lib.Modified);
    const QByteArray bytes = ReadFileBytes(path);
    EXPECT_TRUE(bytes.contains(QByteArray("\x06" "Caf\xe9 \x80", 7)));
    QStringList written;
    for (const TGroupIcon& i : f.lib.Icons) written << i.Name;

    QString warning;
    TIconLibrary back(f.dir.filePath(QStringLiteral("back")));
    QDir().mkpath(f.dir.filePath(QStringLiteral("back")));
    ASSERT_EQ(back.Open(path, warning), 0);
    EXPECT_TRUE(warning.isEmpty());
    EXPECT_TRUE(back.Editable);
    QStringList read;
    for (const TGroupIcon& i : back.Icons) read << i.Name;
    EXPECT_EQ(read, written);
    // The placeholder slot comes back as an icon without formats; the others pixel for pixel.
    EXPECT_EQ(back.Icons[0].FormatCount, 0);
    for (int i = 1; i < back.Count(); ++i) {
        ASSERT_EQ(back.Icons[size_t(i)].FormatCount, 2);
        for (int j = 0; j < 2; ++j) {
            TIconImageRec image;
            ASSERT_TRUE(back.LoadFormat(back.Icons[size_t(i)].Formats[size_t(j)], image));
            ExpectSameImage(image, two[j], "icon " + std::to_string(i));
        }
    }
    // Saved again (the placeholder's empty slot is not read back, so it is dropped from both),
    // what was read gives the same file as what was written.
    f.lib.Icons.erase(f.lib.Icons.begin());
    back.Icons.erase(back.Icons.begin());
    const QString first = f.dir.filePath(QStringLiteral("first.icl"));
    const QString again = f.dir.filePath(QStringLiteral("again.icl"));
    ASSERT_EQ(f.lib.WriteLibraryFile(first), 0);
    ASSERT_EQ(back.WriteLibraryFile(again), 0);
    const QByteArray a = ReadFileBytes(first);
    const QByteArray b = ReadFileBytes(again);
    qsizetype at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    EXPECT_EQ(at, a.size()) << "first difference at " << at;
    EXPECT_EQ(a.size(), b.size());
}

TEST(IconLibrary, AnImageTheReaderRefusesIsKeptAndWrittenBackUnchanged)
{
    LibraryFixture f;
    f.lib.NewLibrary();
    const TIconImageArray two = Formats({PatternFormat(16, 16, ctTrueAlpha, 4), PatternFormat(32, 32, ctTrueAlpha, 5)});
    ASSERT_EQ(f.lib.AddIcon(QStringLiteral("A"), two), 1);
    const QString path = f.dir.filePath(QStringLiteral("bad.icl"));
    ASSERT_EQ(f.lib.WriteLibraryFile(path), 0);

    // Spoil the second image's header so the reader refuses it.
    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(path), 0);
    ASSERT_EQ(reader.Icons.size(), 2u);
    const TModuleFormat spoilt = reader.Icons[1].Formats[1];
    QByteArray bytes = ReadFileBytes(path);
    ASSERT_GT(spoilt.Offset, 0);
    for (int k = 0; k < 4; ++k) bytes[qsizetype(spoilt.Offset) + k] = char(0x7F);
    ASSERT_TRUE(WriteBytes(path, bytes));
    const QByteArray raw = bytes.mid(qsizetype(spoilt.Offset), 4264);

    QString warning;
    ASSERT_EQ(f.lib.Open(path, warning), 0);
    EXPECT_EQ(warning, QStringLiteral("1 image(s) of the library could not be read; they are kept as they are."));
    ASSERT_EQ(f.lib.Count(), 2);
    const TGroupIcon& icon = f.lib.Icons[1];
    ASSERT_EQ(icon.FormatCount, 2);
    TIconImageRec image;
    EXPECT_TRUE(f.lib.LoadFormat(icon.Formats[0], image));
    EXPECT_FALSE(f.lib.LoadFormat(icon.Formats[1], image));
    EXPECT_TRUE(icon.Formats[1].RawImage.startsWith(raw));

    const QString saved = f.dir.filePath(QStringLiteral("saved.icl"));
    ASSERT_EQ(f.lib.WriteLibraryFile(saved), 0);
    TIconModuleReader again;
    ASSERT_EQ(again.ReadLibrary(saved), 0);
    ASSERT_EQ(again.Icons.size(), 2u);
    EXPECT_TRUE(again.FormatBytes(again.Icons[1].Formats[1]).startsWith(raw));
}

namespace {

// A 256 x 256 RGBA PNG as another program writes it (a text chunk, its own compression), so its
// bytes can never be what our encoder would make of the same pixels.
QByteArray ForeignPng(unsigned seed)
{
    QImage image(256, 256, QImage::Format_ARGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            image.setPixel(x, y, qRgba(int((x * 7 + seed) & 255), int((y * 3) & 255), int((x ^ y) & 255), int((x + y + seed) & 255)));
    image.setText(QStringLiteral("Comment"), QStringLiteral("drawn elsewhere"));
    return PngBytesOf(image, 100);
}

TLibrarySlot RawSlot(const QByteArray& bytes, int side)
{
    TLibrarySlot slot;
    slot.Width = side;
    slot.Height = side;
    slot.BitCount = 32;
    slot.RawImage = bytes;
    return slot;
}

std::vector<TModuleImage> ImagesOf(const QString& path, int icon)
{
    TIconModuleReader reader;
    std::vector<TModuleImage> images;
    if (reader.ReadLibrary(path) == 0) reader.ReadIconImages(icon, images);
    return images;
}

} // namespace

TEST(IconLibrary, AnUneditedPngImageIsSavedByteIdenticalAndAnEditedOneEncodedAnew)
{
    LibraryFixture f;
    const QByteArray png = ForeignPng(1);
    ASSERT_EQ(PngStreamLength(reinterpret_cast<const uint8_t*>(png.constData()), size_t(png.size())), size_t(png.size()));
    // A stream without its end chunk: decoders take its pixels, but it is not whole, so it is not
    // kept; and one with bytes after its end chunk, of which only the stream is kept.
    QByteArray endless = ForeignPng(2);
    endless.chop(12);
    const QByteArray padded = png + QByteArray(300, '\0');
    const TIconImageRec small = PatternFormat(32, 32, ctTrueAlpha, 3);
    std::vector<TLibraryIcon> icons(3);
    icons[0].Name = QStringLiteral("Kept");
    icons[0].Slots = {TLibrarySlot{32, 32, 32, &small, {}, {}, 0}, RawSlot(png, 256)};
    icons[1].Name = QStringLiteral("Endless");
    icons[1].Slots = {RawSlot(endless, 256)};
    icons[2].Name = QStringLiteral("Padded");
    icons[2].Slots = {RawSlot(padded, 256)};
    for (TLibraryIcon& icon : icons) icon.FormatCount = int32_t(icon.Slots.size());
    const QString source = f.dir.filePath(QStringLiteral("source.icl"));
    TIconLibraryWriter writer;
    ASSERT_EQ(writer.WriteLibraryFile(source, icons), 0);

    QString warning;
    ASSERT_EQ(f.lib.Open(source, warning), 0);
    EXPECT_TRUE(warning.isEmpty());
    ASSERT_EQ(f.lib.Count(), 3);
    EXPECT_TRUE(f.lib.Icons[0].Formats[0].KeptPng.isEmpty());     // written as DIB: nothing to keep
    EXPECT_EQ(f.lib.Icons[0].Formats[1].KeptPng, png);
    EXPECT_TRUE(f.lib.Icons[1].Formats[0].KeptPng.isEmpty());
    TIconImageRec endlessPixels;
    EXPECT_TRUE(f.lib.LoadFormat(f.lib.Icons[1].Formats[0], endlessPixels));
    EXPECT_EQ(f.lib.Icons[2].Formats[0].KeptPng, png);

    // The kept stream is written as it is, never decoded (nothing else could give it back).
    f.lib.Icons[0].Formats[1].ModuleImage = QByteArray("not an image");
    const QString saved = f.dir.filePath(QStringLiteral("saved.icl"));
    ASSERT_EQ(f.lib.WriteLibraryFile(saved), 0);
    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(saved), 0);
    ASSERT_EQ(reader.Icons.size(), 3u);
    EXPECT_EQ(reader.FormatBytes(reader.Icons[0].Formats[1]), png);
    EXPECT_EQ(reader.FormatBytes(reader.Icons[2].Formats[0]), png);
    // The stream without its end is encoded anew from the same pixels, whole this time.
    const QByteArray redone = reader.FormatBytes(reader.Icons[1].Formats[0]);
    EXPECT_EQ(PngStreamLength(reinterpret_cast<const uint8_t*>(redone.constData()), size_t(redone.size())), size_t(redone.size()));
    for (int k = 0; k < 3; ++k) {
        const std::vector<TModuleImage> before = ImagesOf(source, k);
        const std::vector<TModuleImage> after = ImagesOf(saved, k);
        ASSERT_EQ(before.size(), after.size());
        for (size_t j = 0; j < before.size(); ++j) {
            ASSERT_TRUE(before[j].Read && after[j].Read) << k;
            ExpectSameImage(after[j].Image, before[j].Image, "icon " + std::to_string(k));
        }
    }

    // A document that changed only the small format of an icon saves all of them: the large one
    // with unchanged pixels keeps its stream.
    TIconImageArray oneChanged;
    oneChanged.Add(PatternFormat(16, 16, ctTrueAlpha, 5));
    ASSERT_TRUE(f.lib.LoadFormat(f.lib.Icons[2].Formats[0], oneChanged.Add()));
    ASSERT_EQ(f.lib.ReplaceIcon(QStringLiteral("Padded"), oneChanged, nullptr, f.lib.Serial), 2);
    ASSERT_EQ(f.lib.Icons[2].Formats.size(), 2u);
    EXPECT_EQ(f.lib.Icons[2].Formats[1].KeptPng, png);
    // One pixel off, and the stream is not the image any more.
    oneChanged[1].Mask->SetPixel(5, 5, oneChanged[1].Mask->Pixel(5, 5) ^ 0x010101);
    ASSERT_EQ(f.lib.ReplaceIcon(QStringLiteral("Padded"), oneChanged, nullptr, f.lib.Serial), 2);
    EXPECT_NE(f.lib.Icons[2].Formats[1].KeptPng, png);
    ASSERT_EQ(f.lib.WriteLibraryFile(saved), 0);
    {
        TIconModuleReader again;
        ASSERT_EQ(again.ReadLibrary(saved), 0);
        const QByteArray block = again.FormatBytes(again.Icons[2].Formats[1]);
        EXPECT_NE(block, png);
        std::vector<TModuleImage> images;
        ASSERT_EQ(again.ReadIconImages(2, images), 0);
        ASSERT_EQ(images.size(), 2u);
        ExpectSameImage(images[1].Image, oneChanged[1], "one pixel off");
    }

    // A document's save gives the icon new pixels: those are written, not the old stream.
    QObject editor;
    f.lib.LinkEditor(0, &editor);
    const TIconImageRec edited = PatternFormat(256, 256, ctTrueAlpha, 9);
    TIconImageArray editedFormats;
    editedFormats.Add(edited.Clone());
    ASSERT_EQ(f.lib.ReplaceIcon(QStringLiteral("Kept"), editedFormats, &editor, f.lib.Serial), 0);
    EXPECT_NE(f.lib.Icons[0].Formats[0].KeptPng, png);
    ASSERT_EQ(f.lib.WriteLibraryFile(saved), 0);
    const std::vector<TModuleImage> after = ImagesOf(saved, 0);
    ASSERT_EQ(after.size(), 1u);
    ASSERT_TRUE(after[0].Read);
    ExpectSameImage(after[0].Image, edited, "edited");
    f.lib.Clear();
}

TEST(IconLibrary, DeletingAnIconRemovesItsWorkingFilesOnly)
{
    LibraryFixture f;
    f.lib.NewLibrary();
    const TIconImageArray one = Formats({PatternFormat(16, 16, ctTrueAlpha, 3)});
    ASSERT_EQ(f.lib.AddIcon(QStringLiteral("A"), one), 1);
    ASSERT_EQ(f.lib.AddIcon(QStringLiteral("B"), one), 2);
    const QString a = f.lib.Icons[1].Formats[0].TempFile;
    const QString b = f.lib.Icons[2].Formats[0].TempFile;
    ASSERT_TRUE(f.lib.DeleteIcon(1));
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(b));
    EXPECT_EQ(f.lib.Icons[1].Name, QStringLiteral("B"));
}

TEST(IconLibrary, AWorkingFolderDeletedDuringTheRunIsMadeAgainAndItsLostFilesFailTheSave)
{
    LibraryFixture f;
    const QString run = f.dir.filePath(QStringLiteral("run"));
    // As the window's source does: the folder is made (again) whenever it is asked for.
    f.lib.TempDirSource = [&] {
        QDir().mkpath(run);
        return run;
    };
    f.lib.NewLibrary();
    const TIconImageArray one = Formats({PatternFormat(16, 16, ctTrueAlpha, 3)});
    ASSERT_EQ(f.lib.AddIcon(QStringLiteral("A"), one), 1);
    const QString path = f.dir.filePath(QStringLiteral("kept.icl"));
    ASSERT_EQ(f.lib.WriteLibraryFile(path), 0) << f.lib.MessageText.toStdString();
    const QByteArray saved = ReadFileBytes(path);

    ASSERT_TRUE(QDir(run).removeRecursively());
    // The next edit still gets its working file.
    ASSERT_EQ(f.lib.AddIcon(QStringLiteral("B"), one), 2) << f.lib.MessageText.toStdString();
    EXPECT_TRUE(QFile::exists(f.lib.Icons[2].Formats[0].TempFile));
    // A's edited pixels went with the folder: the save says so and the file stays as it was,
    // instead of taking A back as an empty image.
    EXPECT_EQ(f.lib.WriteLibraryFile(path), -1);
    EXPECT_TRUE(f.lib.MessageText.contains(QStringLiteral("has gone"))) << f.lib.MessageText.toStdString();
    EXPECT_TRUE(f.lib.Modified);
    EXPECT_EQ(ReadFileBytes(path), saved);
}

namespace {

// Opens a file of tests/data/modules/regress in a fresh library; the seconds it took.
double OpenTimed(TIconLibrary& lib, const QString& name, QString& warning)
{
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(lib.Open(TestDataPath(QStringLiteral("modules/regress/") + name), warning), 0) << name.toStdString();
    return double(timer.nsecsElapsed()) / 1e9;
}

int FormatsThatLoad(const TIconLibrary& lib)
{
    int n = 0;
    for (const TGroupIcon& icon : lib.Icons)
        for (const TIconFormat& f : icon.Formats) {
            TIconImageRec image;
            n += lib.LoadFormat(f, image) ? 1 : 0;
        }
    return n;
}

// The time a damaged file may take: ten times its healthy twin's, never less than a second, so
// a loaded machine does not decide the verdict while an open that runs away still fails.
double Allowed(double healthy) { return std::max(1.0, 10 * healthy); }

} // namespace

TEST(IconLibrary, DirectoriesClaimingHugeCountsListOnlyTheIconsThatAreThere)
{
    // A PE group directory of 65535 entries and an NE group type of 65535 resources: the
    // entries past the real ones are other bytes of the file, which lead to no icon group.
    struct Case {
        const char* damaged;
        const char* healthy;
        int icons;
        int loaded;
        bool editable;
    };
    const Case cases[] = {
        // The PE file's images are still found through their own directory: nothing is lost.
        {"pe_group_directory_65535.dll", "healthy_pe.dll", 3, 10, false},
        // The NE group records end where a record points outside the file: the image type
        // after them is found, and the library is whole and editable.
        {"ne_first_type_count_65535.icl", "healthy_ne.icl", 4, 13, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damaged);
        QTemporaryDir work;
        TIconLibrary lib(work.path());
        QString warning;
        const double healthy = OpenTimed(lib, QLatin1String(c.healthy), warning);
        EXPECT_TRUE(warning.isEmpty());
        const int healthyFormats = [&] {
            int n = 0;
            for (const TGroupIcon& icon : lib.Icons) n += icon.FormatCount;
            return n;
        }();
        QStringList healthyNames;
        for (const TGroupIcon& icon : lib.Icons) healthyNames << icon.Name;
        const double damaged = OpenTimed(lib, QLatin1String(c.damaged), warning);
        EXPECT_LT(damaged, Allowed(healthy));
        EXPECT_EQ(lib.Count(), c.icons);
        QStringList names;
        for (const TGroupIcon& icon : lib.Icons) names << icon.Name;
        EXPECT_EQ(names, healthyNames);
        EXPECT_EQ(FormatsThatLoad(lib), c.loaded);
        EXPECT_EQ(lib.Editable, c.editable);
        int formats = 0;
        for (const TGroupIcon& icon : lib.Icons) {
            EXPECT_GT(icon.FormatCount, 0) << icon.Name.toStdString();
            formats += icon.FormatCount;
        }
        EXPECT_EQ(formats, healthyFormats);
        const int lost = formats - c.loaded;
        EXPECT_EQ(lib.MissingImages + lib.KeptImages, lost);
        if (lost == 0) EXPECT_TRUE(warning.isEmpty()) << warning.toStdString();
        else EXPECT_TRUE(warning.startsWith(QStringLiteral("%1 image(s) ").arg(lost))) << warning.toStdString();
    }
}

TEST(IconLibrary, ALibraryCutShortKeepsWhatLiesBeforeTheCutAndCountsWhatItLost)
{
    // Where every group and image lies in the whole library.
    const QString healthyPath = TestDataPath(QStringLiteral("modules/regress/healthy_ne.icl"));
    TIconModuleReader whole;
    ASSERT_EQ(whole.ReadLibrary(healthyPath), 0);
    ASSERT_EQ(whole.Icons.size(), 4u);
    const int64_t length = QFileInfo(healthyPath).size();
    QTemporaryDir work;
    TIconLibrary lib(work.path());
    QString warning;
    const double healthy = OpenTimed(lib, QStringLiteral("healthy_ne.icl"), warning);
    ASSERT_EQ(FormatsThatLoad(lib), 13);
    const QStringList names = {QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue"), QStringLiteral("Large")};

    for (const auto& [num, den] : {std::pair{1, 16}, {1, 4}, {1, 2}, {3, 4}, {15, 16}}) {
        const QString file = QStringLiteral("ne_cut_%1_%2.icl").arg(num).arg(den);
        SCOPED_TRACE(file.toStdString());
        const int64_t cut = length * num / den + 300;
        lib.Editable = true;
        EXPECT_LT(OpenTimed(lib, file, warning), Allowed(healthy));
        // Every group lies in the first units, before any image: all four are listed, named.
        ASSERT_EQ(lib.Count(), 4);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(lib.Icons[size_t(k)].Name, names[k]);
        int wholeBefore = 0, startsAfter = 0, loaded = 0, formats = 0;
        for (size_t k = 0; k < 4; ++k) {
            const TModuleIcon& was = whole.Icons[k];
            ASSERT_EQ(lib.Icons[k].Formats.size(), was.Formats.size());
            for (size_t j = 0; j < was.Formats.size(); ++j) {
                const TModuleFormat& f = was.Formats[j];
                TIconImageRec image;
                const bool loads = lib.LoadFormat(lib.Icons[k].Formats[j], image);
                loaded += loads ? 1 : 0;
                ++formats;
                // An image wholly before the cut is never lost; one after it never invented.
                if (f.Offset + f.Size <= cut) {
                    ++wholeBefore;
                    EXPECT_TRUE(loads) << k << "/" << j;
                }
                if (f.Offset >= cut) {
                    ++startsAfter;
                    EXPECT_FALSE(loads) << k << "/" << j;
                }
            }
        }
        EXPECT_GE(loaded, wholeBefore);
        // The count said is the count lost. Images the file no longer holds make the library
        // read-only, so a save never drops them; one cut in two is kept as its bytes and goes
        // back as it was.
        const int lost = formats - loaded;
        EXPECT_GT(lost, 0);
        EXPECT_EQ(lib.MissingImages + lib.KeptImages, lost);
        EXPECT_EQ(lib.MissingImages, startsAfter);
        EXPECT_TRUE(warning.startsWith(QStringLiteral("%1 image(s) of the library could not be read").arg(lost)))
            << warning.toStdString();
        EXPECT_EQ(lib.Editable, startsAfter == 0);
        EXPECT_EQ(warning.endsWith(QStringLiteral("It is opened read-only.")), startsAfter > 0) << warning.toStdString();
        // An icon none of whose formats loads says why.
        for (int k = 0; k < lib.Count(); ++k) {
            bool any = false;
            for (const TIconFormat& f : lib.Icons[size_t(k)].Formats) {
                TIconImageRec image;
                any = any || lib.LoadFormat(f, image);
            }
            const QString why = lib.WhyNoFormatOpens(k);
            EXPECT_EQ(why.isEmpty(), any) << k;
            if (!any)
                EXPECT_TRUE(why.startsWith(QStringLiteral("None of the formats of the icon '%1' can be opened: ").arg(names[k])))
                    << why.toStdString();
        }
    }
}

TEST(IconLibrary, AModuleOpensWithoutWorkingFilesYetShowsSavesAndOpensAsThroughThem)
{
    // What an open gives (names, sizes, depths, thumbnails, pixels) and what a save writes must
    // be what they were when every image read went through a working file first.
    const QString files[] = {
        TestDataPath(QStringLiteral("modules/icons_x64.dll")), TestDataPath(QStringLiteral("modules/named_x64.dll")),
        TestDataPath(QStringLiteral("modules/regress/healthy_ne.icl")),
        TestDataPath(QStringLiteral("modules/regress/ne_cut_15_16.icl")),
        TestDataPath(QStringLiteral("modules/regress/ne_65535_entries_one_image.icl")),
    };
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        QTemporaryDir work;
        TIconLibrary lib(work.path());
        QString warning;
        ASSERT_EQ(lib.Open(path, warning), 0);
        EXPECT_TRUE(QDir(work.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        TIconModuleReader reader;
        ASSERT_EQ(reader.ReadLibrary(path), 0);
        ASSERT_EQ(size_t(lib.Count()), reader.Icons.size());
        for (size_t k = 0; k < reader.Icons.size(); ++k) {
            std::vector<TModuleImage> images;
            reader.ReadIconImages(int(k), images);
            const TModuleIcon& m = reader.Icons[k];
            const TGroupIcon& icon = lib.Icons[k];
            ASSERT_EQ(icon.Formats.size(), m.Formats.size());
            std::vector<TFormatShape> shapes;
            for (size_t j = 0; j < m.Formats.size(); ++j) {
                const TIconFormat& f = icon.Formats[j];
                EXPECT_EQ(f.Width, m.Formats[j].Width);
                EXPECT_EQ(f.Height, m.Formats[j].Height);
                EXPECT_EQ(f.BitCount, m.Formats[j].BitCount);
                shapes.push_back({f.Width, f.Height, f.BitCount});
                TIconImageRec loaded;
                ASSERT_EQ(lib.LoadFormat(f, loaded), images[j].Read) << k << "/" << j;
                if (!images[j].Read) continue;
                // Through a working file, as before.
                const QString snapshot = work.filePath(QStringLiteral("old.qvi"));
                TIconFileAccess access;
                TIconImageRec before;
                ASSERT_EQ(access.SaveSnapshot(images[j].Image, snapshot), 0);
                ASSERT_EQ(access.LoadSnapshot(before, snapshot), 0);
                ExpectSameImage(loaded, before, "format " + std::to_string(k) + "/" + std::to_string(j));
            }
            Bitmap24 thumbnail(TIconLibrary::ThumbnailSide, TIconLibrary::ThumbnailSide);
            const int pick = TIconLibrary::ChooseThumbnailFormat(shapes);
            if (pick >= 0 && images[size_t(pick)].Read) DrawIconImageFitted(images[size_t(pick)].Image, thumbnail);
            EXPECT_TRUE(thumbnail == *icon.Thumbnail) << "thumbnail " << k;
        }
        // Saved from the module's bytes, and again with every read image in a working file.
        const QString direct = work.filePath(QStringLiteral("direct.icl"));
        const QString throughFiles = work.filePath(QStringLiteral("files.icl"));
        lib.Editable = true;
        ASSERT_EQ(lib.WriteLibraryFile(direct), 0) << lib.MessageText.toStdString();
        for (TGroupIcon& icon : lib.Icons)
            for (TIconFormat& f : icon.Formats) {
                TIconImageRec pixels;
                if (!lib.LoadFormat(f, pixels)) continue;
                f.TempFile = lib.NewTempFile();
                TIconFileAccess access;
                ASSERT_EQ(access.SaveSnapshot(pixels, f.TempFile), 0);
                f.ModuleImage.clear();
            }
        ASSERT_EQ(lib.WriteLibraryFile(throughFiles), 0);
        EXPECT_EQ(ReadFileBytes(direct), ReadFileBytes(throughFiles));
        lib.Clear();
    }
}

TEST(IconLibrary, ALargeFormatIsCompressedWhenADocumentSavesItSoASaveKnowsItsSize)
{
    LibraryFixture f;
    f.lib.NewLibrary();
    TIconImageArray formats;
    formats.Add(PatternFormat(32, 32, ctTrueAlpha, 1));
    formats.Add(PatternFormat(256, 256, ctTrueAlpha, 2));
    const int at = f.lib.AddIcon(QStringLiteral("Big"), formats);
    ASSERT_GE(at, 0);
    const TGroupIcon& icon = f.lib.Icons[size_t(at)];
    EXPECT_TRUE(icon.Formats[0].KeptPng.isEmpty());
    const QByteArray stream = icon.Formats[1].KeptPng;
    ASSERT_FALSE(stream.isEmpty());
    // The very bytes a save would have compressed, and those are what the file gets.
    TIconFileAccess access;
    ByteWriter expected;
    ASSERT_EQ(access.WriteIconImage(expected, formats[1]), 0);
    EXPECT_EQ(stream, expected.ToByteArray());
    const QString saved = f.dir.filePath(QStringLiteral("big.icl"));
    ASSERT_EQ(f.lib.WriteLibraryFile(saved), 0);
    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(saved), 0);
    ASSERT_EQ(reader.Icons.size(), 2u);
    EXPECT_EQ(reader.FormatBytes(reader.Icons[1].Formats[1]), stream);
}
