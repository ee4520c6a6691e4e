#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QPainter>
#include <QSysInfo>
#include <QThread>

#include <atomic>
#include <csignal>
#include <thread>
#include <vector>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/app_paths.h"
#include "platform/bitmap24.h"
#include "platform/bytes.h"
#include "platform/canvas_ops.h"
#include "platform/ini_file.h"
#include "platform/rounding.h"
#include "platform/save_file.h"
#include "support/bitmap_checks.h"
#include "support/test_support.h"

TEST(Bitmap24, NewBitmapIsWhiteAndPaintingThroughTheQImageChangesOurBytes)
{
    Bitmap24 b(10, 10);
    EXPECT_EQ(b.Stride(), 32); // rows padded to four bytes
    EXPECT_TRUE(AreaIs(b, SizeRect(10, 10), 0xFFFFFF));
    const uint8_t* before = b.Bits();
    {
        QImage img = b.Image();
        ASSERT_EQ(img.format(), QImage::Format_BGR888);
        QPainter p(&img);
        p.fillRect(QRect(2, 3, 4, 2), QColor(10, 20, 30));
    }
    EXPECT_EQ(b.Bits(), before);
    // Stored blue, green, red; read as a colour value red is low.
    EXPECT_EQ(b.Row(3)[2 * 3 + 0], 30);
    EXPECT_EQ(b.Row(3)[2 * 3 + 2], 10);
    EXPECT_EQ(ChangedRect(b, 0xFFFFFF), (Rect{2, 3, 6, 5}));
    EXPECT_EQ(b.Pixel(5, 4), MakeColor(10, 20, 30));

    Bitmap24 back;
    back.FromQImage(b.ToQImage(QImage::Format_ARGB32));
    EXPECT_TRUE(back == b);
}

TEST(Bitmap24, ResizeKeepsOverlapAndWhitensTheRest)
{
    Bitmap24 b = FilledBitmap(4, 4, MakeColor(1, 2, 3));
    b.SetSize(6, 2);
    EXPECT_TRUE(PixelsAre(b, {{3, 1, MakeColor(1, 2, 3)}, {4, 1, 0xFFFFFF}, {0, 2, 0}})); // outside reads 0
    b.SetSize(-3, 7);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_TRUE(b.Image().isNull());
}

namespace {

// Makes a bitmap whose pixel (x, y) is x + 3y + role, counting its calls.
class CountingSource final : public Bitmap24Source {
public:
    Bitmap24 Produce(int role) const override
    {
        ++calls;
        Bitmap24 b(7, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) b.SetPixel(x, y, TColor(x + 3 * y + role));
        return b;
    }
    mutable std::atomic<int> calls{0};
};

} // namespace

TEST(Bitmap24, AParkedBitmapIsMadeOnceWhenReachedAndItsCopiesShareTheParking)
{
    auto source = std::make_shared<CountingSource>();
    Bitmap24 b(7, 5);
    b.Park(source, 1);
    EXPECT_TRUE(b.IsParked());
    EXPECT_EQ(b.Width(), 7);
    EXPECT_EQ(b.ByteCount(), size_t(b.Stride()) * 5);

    // Copies and moves keep the parking; nothing is made until pixels are reached.
    Bitmap24 copy = b;
    Bitmap24 assigned(2, 2);
    assigned = copy;
    Bitmap24 moved = std::move(assigned);
    EXPECT_TRUE(copy.IsParked());
    EXPECT_TRUE(moved.IsParked());
    EXPECT_EQ(source->calls, 0);

    // Eight threads reaching one parked bitmap at once get it made once, all the same.
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            if (b.Pixel(6, 4) != TColor(6 + 12 + 1) || b.Row(1)[2] != 4) ++wrong; // blue, green, red
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(source->calls, 1);
    EXPECT_FALSE(b.IsParked());
    EXPECT_EQ(b.Row(0)[7 * 3], 0xFF); // the row padding is white, as in every bitmap

    // Each copy makes its own pixels; writing to one leaves the others alone.
    moved.SetPixel(0, 0, 0x123456);
    EXPECT_EQ(copy.Pixel(0, 0), TColor(1));
    EXPECT_EQ(source->calls, 3);
    // Filling, or resizing to the same size, makes nothing; a resize keeps the pixels made.
    Bitmap24 filled = b;
    Bitmap24 parked(7, 5);
    parked.Park(source, 0);
    filled = parked;
    filled.Fill(0xABCDEF);
    parked.SetSize(7, 5);
    EXPECT_EQ(source->calls, 3);
    EXPECT_EQ(filled.Pixel(3, 3), TColor(0xABCDEF));
    parked.SetSize(9, 5);
    EXPECT_EQ(parked.Pixel(6, 4), TColor(6 + 12));
    EXPECT_EQ(parked.Pixel(8, 4), TColor(0xFFFFFF));
    EXPECT_EQ(source->calls, 4);
}

TEST(CopyBitmapRect, ClipsOnBothSidesAndOverlapsWithinOneBitmap)
{
    const Bitmap24 src = NoiseBitmap(8, 8, 1);
    Bitmap24 dst = FilledBitmap(6, 6, 0x123456);
    CopyBitmapRect(src, Rect{-2, -2, 4, 4}, dst, 3, 3);
    // Source pixel (0, 0) lands at (5, 5); nothing from before the source's origin.
    EXPECT_TRUE(PixelsAre(dst, {{5, 5, src.Pixel(0, 0)}, {4, 4, 0x123456}}));
    CopyBitmapRect(src, Rect{4, 4, 8, 8}, dst, -2, -3);
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, src.Pixel(6, 7)}, {1, 0, src.Pixel(7, 7)}, {2, 0, 0x123456}}));
    CopyBitmapRect(src, Rect{4, 4, 2, 8}, dst, 0, 0); // inverted: nothing
    EXPECT_EQ(dst.Pixel(2, 0), 0x123456u);

    Bitmap24 b = NoiseBitmap(10, 10, 2);
    const Bitmap24 before = b;
    CopyBitmapRect(b, SizeRect(8, 8), b, 2, 2);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(b.Pixel(x + 2, y + 2), before.Pixel(x, y));
}

TEST(StretchCopyNearest, PicksTheFlooredSourcePixelClipsAndIgnoresEmptyRectangles)
{
    Bitmap24 src(2, 1), dst(5, 2);
    src.SetPixel(0, 0, 1);
    src.SetPixel(1, 0, 2);
    StretchCopyNearest(src, SizeRect(2, 1), dst, SizeRect(5, 2));
    // floor(u * 2 / 5) across both rows.
    EXPECT_TRUE(PixelsAre(dst, {{0, 0, 1}, {1, 0, 1}, {2, 0, 1}, {3, 0, 2}, {4, 0, 2}, {2, 1, 1}, {3, 1, 2}}));
    Bitmap24 wide(5, 1), narrow(2, 1);
    for (int x = 0; x < 5; ++x) wide.SetPixel(x, 0, TColor(x + 10));
    StretchCopyNearest(wide, SizeRect(5, 1), narrow, SizeRect(2, 1));
    EXPECT_TRUE(PixelsAre(narrow, {{0, 0, 10}, {1, 0, 12}})); // floor(1 * 5 / 2) = 2

    const Bitmap24 noise = NoiseBitmap(4, 4, 3);
    Bitmap24 big = FilledBitmap(8, 8, 0x123456);
    StretchCopyNearest(noise, SizeRect(4, 4), big, Rect{-8, -8, 8, 8}); // doubled, the lower right quarter visible
    EXPECT_TRUE(PixelsAre(big, {{0, 0, noise.Pixel(2, 2)}, {7, 7, noise.Pixel(3, 3)}}));
    Bitmap24 untouched = FilledBitmap(8, 8, 0x123456);
    StretchCopyNearest(noise, Rect{0, 0, 0, 4}, untouched, SizeRect(8, 8));
    StretchCopyNearest(noise, SizeRect(4, 4), untouched, Rect{8, 0, 0, 8});
    StretchCopyNearest(noise, Rect{2, 2, 10, 10}, untouched, SizeRect(8, 8)); // reads beyond the source skipped
    EXPECT_TRUE(PixelsAre(untouched, {{7, 7, 0x123456}, {0, 0, noise.Pixel(2, 2)}}));
}

TEST(DrawPenLine, ThinLinesLeaveOutTheirLastPoint)
{
    Bitmap24 b(10, 10);
    DrawPenLine(b, 1, 1, 6, 1, 1, 0);
    EXPECT_EQ(ChangedRect(b, 0xFFFFFF), (Rect{1, 1, 6, 2}));
    EXPECT_EQ(CountPixels(b, 0), 5);
    Bitmap24 d(10, 10);
    DrawPenLine(d, 0, 0, 4, 4, 1, 0);
    EXPECT_TRUE(PixelsAre(d, {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}}));
    EXPECT_EQ(CountPixels(d, 0), 4);
    Bitmap24 off(10, 10);
    DrawPenLine(off, -100, 5, 1000000, 5, 1, 0); // far ends: the visible row only
    EXPECT_EQ(CountPixels(off, 0), 10);
    EXPECT_EQ(ChangedRect(off, 0xFFFFFF), (Rect{0, 5, 10, 6}));
}

TEST(DrawPenLine, WideLinesHaveTheirWidthAndRoundCaps)
{
    for (int width : {2, 3, 4, 7}) {
        Bitmap24 b(40, 40);
        DrawPenLine(b, 10, 20, 30, 20, width, 0);
        int rows = 0;
        for (int y = 0; y < 40; ++y) rows += b.Pixel(20, y) == 0;
        EXPECT_EQ(rows, width) << width;
        // Round caps: the ends reach half the width beyond the end points, less off the axis.
        EXPECT_TRUE(PixelsAre(b, {{30 + (width - 1) / 2, 20, 0}, {30 + width, 20, 0xFFFFFF}})) << width;
        // A square cap would fill the corner beyond the end point; a round one leaves it.
        if (width == 7) EXPECT_TRUE(PixelsAre(b, {{33, 20, 0}, {30, 17, 0}, {33, 17, 0xFFFFFF}}));
    }
}

TEST(Rounding, HalvesGoToEvenAndConversionsAreClamped)
{
    EXPECT_EQ(RoundInt(2.5), 2);
    EXPECT_EQ(RoundInt(3.5), 4);
    EXPECT_EQ(RoundInt(-0.5), 0);
    EXPECT_EQ(TruncInt(-2.7), -2);
    EXPECT_EQ(TruncInt(1e30), std::numeric_limits<int>::max());
    EXPECT_EQ(TruncByte(std::nan("")), 0);
    EXPECT_EQ(TruncByte(254.99), 254);
    EXPECT_EQ(RoundByte(300.0), 255);
    EXPECT_EQ(CompositeChannel(255, 0, 0), 255);
    EXPECT_EQ(CompositeChannel(0, 255, 255), 255);
    EXPECT_EQ(CompositeChannel(200, 100, 128), (200 * 127 + 100 * 128 + 127) / 255);
}

TEST(Bytes, ReaderIsBoundedAndStickyWriterIsLittleEndian)
{
    const uint8_t data[] = {0x01, 0x02, 0x03, 0x04, 0x05};
    ByteReader r(data, sizeof data);
    EXPECT_EQ(r.U16(), 0x0201);
    EXPECT_EQ(r.U16(), 0x0403);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.U32(), 0u); // only one byte left
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.U8(), 0); // failure sticks
    EXPECT_FALSE(r.HasRange(0xFFFFFFFFFFFFFFF0ull, 0x20));
    EXPECT_FALSE(r.Sub(4, 2).Ok());
    ByteReader sub = ByteReader(data, sizeof data).Sub(1, 3);
    EXPECT_TRUE(sub.Ok());
    EXPECT_EQ(sub.U8(), 2);
    EXPECT_FALSE(ByteReader(data, sizeof data).Seek(6));
    EXPECT_FALSE(ByteReader(data, sizeof data).Skip(~0ull));

    ByteWriter w;
    w.U16(0x1234);
    w.U32(0xAABBCCDD);
    w.I32(-2);
    w.PatchU32(2, 0x01020304);
    w.PatchU32(9, 1); // out of range: ignored
    EXPECT_EQ(w.Buffer(), (std::vector<uint8_t>{0x34, 0x12, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(IniFile, RoundTripsAwkwardPathsAndIgnoresCase)
{
    ScopedAppDir dir;
    const QString path = dir.FilePath(QStringLiteral("tavrin.cfg"));
    const QStringList values = {QStringLiteral("C:\\Icons\\old one.ico"), QStringLiteral("/home/ana/icons, set 2/\"best\".ico"),
                                QStringLiteral("/home/ana/Ικόνες/ёлка;=x.ico"), QStringLiteral("'quoted'"),
                                QStringLiteral("\"both\"")};
    {
        IniFile ini(path);
        for (int i = 0; i < values.size(); ++i) ini.WriteString(QStringLiteral("reopen"), QString::number(i), values[i]);
        ini.WriteInteger(QStringLiteral("frm_main"), QStringLiteral("left"), -12);
        ini.WriteBool(QStringLiteral("frm_main"), QStringLiteral("showing"), true);
        ASSERT_TRUE(ini.UpdateFile());
    }
    IniFile again(path);
    for (int i = 0; i < values.size(); ++i) EXPECT_EQ(again.ReadString(QStringLiteral("REOPEN"), QString::number(i)), values[i]);
    EXPECT_EQ(again.ReadInteger(QStringLiteral("Frm_Main"), QStringLiteral("LEFT"), 0), -12);
    EXPECT_TRUE(again.ReadBool(QStringLiteral("frm_main"), QStringLiteral("showing"), false));
    EXPECT_EQ(again.ReadSection(QStringLiteral("reopen")).size(), values.size());
}

TEST(IniFile, KeepsUnknownLinesAndParsesLikeTheProfileFunctions)
{
    IniFile ini{QString()};
    ini.SetText(QStringLiteral("; comment\r\n[A]\r\n  key  =  spaced value  \r\nodd line\r\nhex=$1F\r\nbad=12x\r\n\r\n[B]\r\nk=1\r\n"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("a"), QStringLiteral("KEY")), QStringLiteral("spaced value"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("hex"), 0), 31);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("bad"), 7), 7);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("missing"), 9), 9);
    ini.WriteString(QStringLiteral("a"), QStringLiteral("new"), QStringLiteral("v\nw"));
    ini.DeleteKey(QStringLiteral("B"), QStringLiteral("K"));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("B"), QStringLiteral("k")));
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("b")));
    const QString text = ini.Text();
    EXPECT_TRUE(text.contains(QStringLiteral("; comment")));
    EXPECT_TRUE(text.contains(QStringLiteral("odd line")));
    EXPECT_TRUE(text.contains(QStringLiteral("new=v w\n\n[B]")));
    ini.EraseSection(QStringLiteral("A"));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("a")));
}

TEST(IniFile, AFileOverOneMegabyteIsAbsentAndReplacedWholeByTheNextWrite)
{
    ScopedAppDir dir;
    const QString path = dir.FilePath(QStringLiteral("position.cfg"));
    const QByteArray section = "[frm_main]\nleft=7\n";
    // Exactly at the limit the file is read; one byte more and it is taken as absent.
    for (const qint64 size : {IniFile::MaxFileSize, IniFile::MaxFileSize + 1, qint64(8) * IniFile::MaxFileSize}) {
        ASSERT_TRUE(WriteBytes(path, section + QByteArray(size - section.size(), ';')));
        IniFile ini(path);
        const bool read = size <= IniFile::MaxFileSize;
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("frm_main"), QStringLiteral("left"), -1), read ? 7 : -1) << size;
        EXPECT_EQ(ini.Modified(), !read) << size;
        if (read) continue;
        ini.WriteInteger(QStringLiteral("frm_main"), QStringLiteral("top"), 3);
        ASSERT_TRUE(ini.UpdateFile());
        EXPECT_FALSE(ini.Modified());
        EXPECT_EQ(QFileInfo(path).size(), QByteArray("[frm_main]\ntop=3\n").size());
    }
    // Writing a value a key already holds changes nothing.
    IniFile same(path);
    same.WriteInteger(QStringLiteral("FRM_MAIN"), QStringLiteral("top"), 3);
    EXPECT_FALSE(same.Modified());
    same.WriteInteger(QStringLiteral("frm_main"), QStringLiteral("top"), 4);
    EXPECT_TRUE(same.Modified());
}

TEST(IniFile, APipeNamedAsASettingsFileIsNoFileAndNeverBlocks)
{
    ScopedAppDir dir;
    const QString path = dir.FilePath(QStringLiteral("position.cfg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    // Read in a child, so that a read that blocks fails the test instead of hanging it.
    const pid_t child = fork();
    if (child == 0) {
        IniFile ini(path);
        _exit(ini.ReadInteger(QStringLiteral("frm_main"), QStringLiteral("left"), -1) == -1 ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = -1;
    for (int i = 0; i < 200 && waitpid(child, &status, WNOHANG) == 0; ++i) QThread::msleep(50);
    if (waitpid(child, &status, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "reading the settings blocked on a pipe";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(IniFile, LookupsStayRightAsLinesComeAndGoAndCostLittleInAFullMegabyte)
{
    IniFile ini{QString()};
    ini.SetText(QStringLiteral("top=0\n[A]\nk=1\nk=2\n[B]\nx=1\n[a]\nk=3\nj=4\n[C]\ny=5\n"));
    // The first section of a name and the first line of a key count; keys before any section do not.
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("a"), QStringLiteral("K"), -1), 1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("j"), -1), -1);
    EXPECT_EQ(ini.ReadString(QString(), QStringLiteral("top"), QStringLiteral("none")), QStringLiteral("none"));
    // A key inserted in the middle moves the lines after it; every lookup follows.
    ini.WriteInteger(QStringLiteral("b"), QStringLiteral("new"), 7);
    ini.WriteInteger(QStringLiteral("A"), QStringLiteral("more"), 8);
    ini.WriteInteger(QStringLiteral("D"), QStringLiteral("z"), 9);
    ini.WriteInteger(QStringLiteral("d"), QStringLiteral("w"), 10);
    const struct {
        const char *section, *key;
        int value;
    } expected[] = {{"A", "k", 1}, {"A", "more", 8}, {"B", "x", 1}, {"B", "new", 7}, {"C", "y", 5}, {"D", "z", 9}, {"D", "w", 10}};
    auto check = [&](const IniFile& f) {
        for (const auto& e : expected)
            EXPECT_EQ(f.ReadInteger(QLatin1String(e.section), QLatin1String(e.key), -1), e.value) << e.section << e.key;
    };
    check(ini);
    IniFile reread{QString()};
    reread.SetText(ini.Text());
    check(reread);
    ini.DeleteKey(QStringLiteral("A"), QStringLiteral("k"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("k"), -1), 2);
    ini.EraseSection(QStringLiteral("b"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("C"), QStringLiteral("y"), -1), 5);
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("B")));

    // Just under a megabyte of small sections: every window's reads and writes stay cheap.
    QString text;
    for (int i = 0; text.size() < IniFile::MaxFileSize - 20; ++i) text += QStringLiteral("[s%1]\nk=1\n").arg(i);
    IniFile big{QString()};
    big.SetText(text);
    QElapsedTimer clock;
    clock.start();
    for (int w = 0; w < 30; ++w) {
        const QString section = QStringLiteral("frm_%1").arg(w);
        for (const char* key : {"left", "top", "width", "height", "WindowState"}) {
            EXPECT_EQ(big.ReadInteger(section, QLatin1String(key), -1), -1);
            big.WriteInteger(section, QLatin1String(key), w);
        }
        big.WriteInteger(QStringLiteral("s5"), QStringLiteral("k%1").arg(w), w); // inserted mid-file
    }
    EXPECT_EQ(big.ReadInteger(QStringLiteral("frm_29"), QStringLiteral("height"), -1), 29);
    EXPECT_EQ(big.ReadInteger(QStringLiteral("s7"), QStringLiteral("k"), -1), 1);
    EXPECT_EQ(big.ReadInteger(QStringLiteral("s5"), QStringLiteral("k29"), -1), 29);
    // Loose: a few hundred milliseconds under the sanitizers; a scan per lookup took many seconds.
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST(SaveFile, FailedWriteLeavesTheOldFile)
{
    ScopedAppDir dir;
    const QString path = dir.FilePath(QStringLiteral("x.bin"));
    ASSERT_TRUE(WriteFileAtomic(path, "old"));
    QString error;
    EXPECT_FALSE(WriteFileAtomic(dir.FilePath(QStringLiteral("no/such/dir/x.bin")), "new", &error));
    EXPECT_FALSE(error.isEmpty());
    QByteArray back;
    ASSERT_TRUE(ReadWholeFile(path, back));
    EXPECT_EQ(back, QByteArray("old"));
}

TEST(SaveFile, APipeOrALinkToOneIsNeverReplaced)
{
    // As a device would be: replaced by a file, it would be gone for every program.
    ScopedAppDir dir;
    const QString pipe = dir.FilePath(QStringLiteral("pipe.cfg"));
    const QString link = dir.FilePath(QStringLiteral("position.cfg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(pipe, link));
    for (const QString& path : {pipe, link}) {
        QString error;
        EXPECT_FALSE(WriteFileAtomic(path, "[frm_main]", &error));
        EXPECT_EQ(error, QStringLiteral("The file \"%1\" cannot be saved: it is not a regular file.").arg(path));
        EXPECT_FALSE(WriteWorkingFile(path, "x"));
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(pipe).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::System), (QStringList{"pipe.cfg", "position.cfg"}));
}

TEST(SaveFile, WorkingFilesReplaceTheOldOneWholeAndLeaveNothingBehind)
{
    ScopedAppDir dir;
    const QString path = dir.FilePath(QStringLiteral("~1-0.qvi"));
    ASSERT_TRUE(WriteWorkingFile(path, "first"));
    ASSERT_TRUE(WriteWorkingFile(path, "second"));
    QByteArray back;
    ASSERT_TRUE(ReadWholeFile(path, back));
    EXPECT_EQ(back, QByteArray("second"));
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files), QStringList{QStringLiteral("~1-0.qvi")});
    QString error;
    EXPECT_FALSE(WriteWorkingFile(dir.FilePath(QStringLiteral("no/such/dir/x.qvi")), "new", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(AppPaths, WorkFoldersArePerRunAndStaleOnesAreSwept)
{
    ScopedAppDir dir;
    // A folder left behind by a run that is gone (no live lock).
    const QString stale = dir.FilePath(QStringLiteral("history/run-999999999"));
    QDir().mkpath(stale);
    QFile file(stale + QStringLiteral("/~1-0.qvi"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    // Runs that died while writing their lock file leave one that cannot be parsed.
    const QString garbled = dir.FilePath(QStringLiteral("history/run-999999998"));
    const QString empty = dir.FilePath(QStringLiteral("history/run-999999997"));
    QDir().mkpath(garbled);
    QDir().mkpath(empty);
    ASSERT_TRUE(WriteBytes(garbled + QStringLiteral(".lock"), QByteArray("\x01\xff garbage\n\n\n", 14)));
    ASSERT_TRUE(WriteBytes(empty + QStringLiteral(".lock"), QByteArray()));
    // A run still alive keeps its folder even when its lock file reads as garbage.
    const QString alive = dir.FilePath(QStringLiteral("history/run-999999996"));
    QDir().mkpath(alive);
    QLockFile aliveLock(alive + QStringLiteral(".lock"));
    ASSERT_TRUE(aliveLock.tryLock(0));
    ASSERT_TRUE(WriteBytes(alive + QStringLiteral(".lock"), "garbage"));

    // A folder whose lock file has gone has no owner either.
    const QString lockless = dir.FilePath(QStringLiteral("history/run-999999995"));
    QDir().mkpath(lockless);

    const QString mine = AppPaths::WorkFolder(QStringLiteral("history"));
    EXPECT_TRUE(QDir(mine).exists());
    EXPECT_FALSE(QDir(lockless).exists());
    EXPECT_FALSE(QFileInfo::exists(lockless + QStringLiteral(".lock")));
    EXPECT_FALSE(QFileInfo::exists(garbled + QStringLiteral(".lock")));
    EXPECT_TRUE(QFileInfo::exists(alive + QStringLiteral(".lock")));
    EXPECT_FALSE(QDir(garbled).exists());
    EXPECT_FALSE(QDir(empty).exists());
    EXPECT_TRUE(QDir(alive).exists());
    EXPECT_TRUE(mine.startsWith(dir.FilePath(QStringLiteral("history/"))));
    EXPECT_FALSE(QDir(stale).exists());
    EXPECT_EQ(AppPaths::WorkFolder(QStringLiteral("history")), mine);
    EXPECT_EQ(AppPaths::SettingsFile(QStringLiteral("position.cfg")), dir.FilePath(QStringLiteral("position.cfg")));
    AppPaths::RemoveWorkFolder(QStringLiteral("history"));
    EXPECT_FALSE(QDir(mine).exists());
}

// Another run of the program, as a process of its own: takes its history folder, says so through
// the pipe and waits to be killed, as a crashed run that cleans nothing up.
pid_t StartOtherRun(const QString& base, int& readyFd)
{
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        AppPaths::SetBaseDirForTesting(base);
        const bool made = QDir(AppPaths::WorkFolder(QStringLiteral("history"))).exists();
        const char ready = made ? '1' : '0';
        if (write(fds[1], &ready, 1) != 1) _exit(1);
        for (;;) pause();
    }
    close(fds[1]);
    readyFd = fds[0];
    return pid;
}

TEST(AppPaths, AnotherRunJudgesTheLockWhileTheOwnerLivesAndAfterItIsKilled)
{
    ScopedAppDir dir;
    int ready = -1;
    const pid_t other = StartOtherRun(dir.Path(), ready);
    ASSERT_GT(other, 0);
    char answer = 0;
    const bool started = read(ready, &answer, 1) == 1 && answer == '1';
    close(ready);
    const QString theirs = dir.FilePath(QStringLiteral("history/run-%1").arg(other));
    const QString theirLock = theirs + QStringLiteral(".lock");
    if (started) {
        // Its lock says who holds it, in the lines Qt's lock files hold.
        QLockFile judge(theirLock);
        judge.setStaleLockTime(0);
        qint64 pid = 0;
        QString host, app;
        EXPECT_TRUE(judge.getLockInfo(&pid, &host, &app));
        EXPECT_EQ(pid, qint64(other));
        EXPECT_FALSE(app.isEmpty());
        EXPECT_FALSE(judge.tryLock(0));

        // While it lives, its folder is not swept by this run.
        const QString mine = AppPaths::WorkFolder(QStringLiteral("history"));
        EXPECT_TRUE(QDir(theirs).exists());
        EXPECT_TRUE(QFileInfo::exists(theirLock));
        AppPaths::RemoveWorkFolder(QStringLiteral("history"));
        EXPECT_FALSE(QDir(mine).exists());
    }
    kill(other, SIGKILL);
    // Not reaped yet, as a run killed a moment ago may still be: it has ended all the same.
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, id_t(other), &info, WEXITED | WNOWAIT), 0);
    ASSERT_TRUE(started);

    // Killed, it leaves its folder and lock behind; the next run judges them stale and sweeps them.
    EXPECT_TRUE(QDir(theirs).exists());
    const QString mine = AppPaths::WorkFolder(QStringLiteral("history"));
    EXPECT_FALSE(QDir(theirs).exists());
    EXPECT_FALSE(QFileInfo::exists(theirLock));
    EXPECT_TRUE(QDir(mine).exists());
    AppPaths::RemoveWorkFolder(QStringLiteral("history"));
    int status = 0;
    waitpid(other, &status, 0);
}

// A lock that no process holds natively is judged by its lines: pid, program, host, machine id,
// boot id.
TEST(AppPaths, AnUnheldLockIsJudgedByItsLines)
{
    ScopedAppDir dir;
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const QByteArray machine = QSysInfo::machineUniqueId();
    const QByteArray boot = QSysInfo::bootUniqueId();
    const QByteArray self = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).fileName().toUtf8();
    const QByteArray me = QByteArray::number(QCoreApplication::applicationPid());
    struct Case {
        const char* run;
        QByteArray lines;
        bool kept;
    };
    const Case cases[] = {
        // This very process, as another run's lock would name it: alive.
        {"run-999999990", me + '\n' + self + '\n' + host + '\n' + machine + '\n' + boot + '\n', true},
        // Another machine's run (a shared folder): never judged from here.
        {"run-999999991", me + "\nprogram\nelsewhere\n0123456789abcdef0123456789abcdef\n" + boot + '\n', true},
        // A live process, but written before the last boot.
        {"run-999999992", me + '\n' + self + '\n' + host + '\n' + machine + "\nnot-this-boot\n", false},
        // A live process of another program: the pid was given out again.
        {"run-999999993", me + "\nsome-other-program\n" + host + '\n' + machine + '\n' + boot + '\n', false},
        // A dead process, its lock padded out to megabytes: read no further than its lines.
        {"run-999999994",
         "999999999\nprogram\n" + host + '\n' + machine + '\n' + boot + '\n' + QByteArray(8 * 1024 * 1024, 'x'), false},
    };
    for (const Case& c : cases) {
        QDir().mkpath(dir.FilePath(QStringLiteral("history/") + QLatin1String(c.run)));
        ASSERT_TRUE(WriteBytes(dir.FilePath(QStringLiteral("history/%1.lock").arg(QLatin1String(c.run))), c.lines));
    }
    AppPaths::WorkFolder(QStringLiteral("history"));
    for (const Case& c : cases) {
        const QString run = dir.FilePath(QStringLiteral("history/") + QLatin1String(c.run));
        EXPECT_EQ(QDir(run).exists(), c.kept) << c.run;
        EXPECT_EQ(QFileInfo::exists(run + QStringLiteral(".lock")), c.kept) << c.run;
    }
    AppPaths::RemoveWorkFolder(QStringLiteral("history"));
}

TEST(AppPaths, AWorkFolderDeletedDuringTheRunIsMadeAgainAndLockedAgain)
{
    ScopedAppDir dir;
    const QString mine = AppPaths::WorkFolder(QStringLiteral("history"));
    const QString base = dir.FilePath(QStringLiteral("history"));
    ASSERT_TRUE(QDir(base).removeRecursively());
    EXPECT_EQ(AppPaths::WorkFolder(QStringLiteral("history")), mine);
    EXPECT_TRUE(QDir(mine).exists());
    // Held again: another run starting now must not sweep it as left behind.
    const QStringList locks = QDir(base).entryList({QStringLiteral("run-*.lock")}, QDir::Files);
    ASSERT_EQ(locks.size(), 1);
    QLockFile other(QDir(base).filePath(locks[0]));
    other.setStaleLockTime(0);
    EXPECT_FALSE(other.tryLock(0));
    // The lock file alone deleted: taken again too.
    ASSERT_TRUE(QFile::remove(QDir(base).filePath(locks[0])));
    EXPECT_EQ(AppPaths::WorkFolder(QStringLiteral("history")), mine);
    EXPECT_FALSE(other.tryLock(0));
    AppPaths::RemoveWorkFolder(QStringLiteral("history"));
}
