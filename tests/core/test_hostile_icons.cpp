// Icon files built to cost time or memory: PNG images with megabytes of compressed data after
// their rows, a huge sparse file whose images sit at its start, and names of pipes and devices.
// Each must read what a healthy file of the same images reads, in about the same time.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "iconfiles/file_access.h"
#include "iconfiles/png_codec.h"
#include "support/format_helpers.h"
#include "support/hostile_files.h"
#include "support/test_support.h"

using namespace HostileFiles;

namespace {

// Enough compressed zeros after the rows that inflating them costs seconds for 16 images.
constexpr uint64_t TailBytes = uint64_t(128) << 20;

class CollectRows : public PngRowSink {
public:
    PngInfo Info;
    std::vector<std::vector<uint8_t>> Rows;
    void Begin(const PngInfo& info) override
    {
        Info = info;
        Rows.assign(size_t(info.Height), {});
    }
    void Row(int y, const uint8_t* p) override { Rows[size_t(y)].assign(p, p + size_t(Info.Width) * 4); }
};

// Every pixel of the decoded rows is the maker's pattern.
void ExpectPattern(const CollectRows& rows, int width, int height)
{
    ASSERT_EQ(rows.Info.Width, width);
    ASSERT_EQ(rows.Info.Height, height);
    for (int y = 0; y < height; ++y) {
        ASSERT_EQ(rows.Rows[size_t(y)].size(), size_t(width) * 4) << "row " << y;
        for (int x = 0; x < width; ++x) {
            uint8_t p[4];
            PixelAt(x, y, p);
            const uint8_t* got = rows.Rows[size_t(y)].data() + 4 * x;
            ASSERT_TRUE(got[0] == p[0] && got[1] == p[1] && got[2] == p[2] && got[3] == p[3]) << x << "," << y;
        }
    }
}

// The format holds the maker's pattern with alpha as 255 - mask.
void ExpectPattern(const TIconImageRec& f, int width, int height)
{
    ASSERT_EQ(f.Width, width);
    ASSERT_EQ(f.Height, height);
    EXPECT_EQ(f.ColorType, ctTrueAlpha);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t p[4];
            PixelAt(x, y, p);
            ASSERT_EQ(f.Bitmap->Pixel(x, y), MakeColor(p[0], p[1], p[2])) << x << "," << y;
            ASSERT_EQ(f.Mask->Pixel(x, y) & 0xFF, uint32_t(255 - p[3])) << x << "," << y;
        }
}

double SecondsOf(const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long PeakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST(HostileIcons, CompressedDataAfterThePngRowsIsNeverInflated)
{
    for (const bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "plain");
        const QByteArray healthy = PngWithTail(256, 256, 0, interlaced);
        const QByteArray tailed = PngWithTail(256, 256, TailBytes, interlaced);
        ASSERT_GT(tailed.size(), healthy.size() + 64 * 1024);

        CollectRows rows;
        ASSERT_TRUE(DecodePng(reinterpret_cast<const uint8_t*>(tailed.constData()), size_t(tailed.size()), false, 256, rows));
        ExpectPattern(rows, 256, 256);
        EXPECT_TRUE(rows.Info.HasAlpha);

        // The rows themselves must all be there: a stream cut inside them still fails.
        const QByteArray cut = healthy.left(healthy.size() / 2);
        CollectRows partial;
        EXPECT_FALSE(DecodePng(reinterpret_cast<const uint8_t*>(cut.constData()), size_t(cut.size()), false, 256, partial));

        for (const int count : {1, 16}) {
            SCOPED_TRACE(count);
            const QByteArray healthyIcon = IconOfCopies(healthy, count, 0, 0);
            const QByteArray tailedIcon = IconOfCopies(tailed, count, 0, 0);
            TIconFileAccess access;
            TIconImageArray plain, hostile;
            const double plainSeconds = SecondsOf([&] { ASSERT_EQ(access.LoadIconData(healthyIcon, plain), 0); });
            const double hostileSeconds = SecondsOf([&] { ASSERT_EQ(access.LoadIconData(tailedIcon, hostile), 0); });
            ASSERT_EQ(hostile.Count(), count);
            ExpectPattern(hostile[0], 256, 256);
            ExpectPattern(hostile[count - 1], 256, 256);
            // Inflating the tails took seconds; their images now cost what the healthy ones do.
            EXPECT_LT(hostileSeconds, 10 * plainSeconds + 0.25) << plainSeconds;
        }
    }
}

TEST(HostileIcons, AHugeSparseFileIsReadOnlyWhereItsDirectoryPoints)
{
    QTemporaryDir dir;
    // Two healthy images, the second a PNG whose entry gives no size (its block runs to the end
    // of the file), and a third entry pointing into the empty middle of the file.
    TIconImageArray formats;
    formats.Add(PatternFormat(32, 32, ctTrueColor, 7));
    TIconFileAccess access;
    const QByteArray png = PngWithTail(256, 256, 0);
    QByteArray icon;
    ASSERT_TRUE(access.BuildIconData(formats, icon));
    const uint32_t dibSize = qFromLittleEndian<uint32_t>(icon.constData() + 6 + 8);
    const uint32_t dibOffset = 6 + 3 * 16;
    QByteArray file;
    AppendLe16(file, 0);
    AppendLe16(file, 1);
    AppendLe16(file, 3);
    const auto entry = [&](int side, int bits, uint32_t size, uint32_t offset) {
        file.append(char(side & 0xFF)).append(char(side & 0xFF)).append(char(0)).append(char(0));
        AppendLe16(file, 1);
        AppendLe16(file, uint16_t(bits));
        AppendLe32(file, size);
        AppendLe32(file, offset);
    };
    entry(32, 24, dibSize, dibOffset);
    entry(0, 32, 0, dibOffset + dibSize);
    entry(32, 32, 0, 200u << 20);
    file += icon.mid(6 + 16, dibSize);
    file += png;

    const QString small = dir.filePath(QStringLiteral("small.ico"));
    const QString sparse = dir.filePath(QStringLiteral("sparse.ico"));
    ASSERT_TRUE(WriteBytes(small, file));
    ASSERT_TRUE(WriteBytes(sparse, file));
    {
        QFile grow(sparse);
        ASSERT_TRUE(grow.resize(qint64(250) << 20)); // no bytes written: the file stays sparse
    }

    TIconImageArray fromSmall, fromSparse;
    const double smallSeconds = SecondsOf([&] { ASSERT_EQ(access.LoadIconFile(small, fromSmall), 0); });
    const long before = PeakResidentKb();
    const double sparseSeconds = SecondsOf([&] { ASSERT_EQ(access.LoadIconFile(sparse, fromSparse), 0); });
    const long grown = PeakResidentKb() - before;

    // Both images come back; the zeros the third entry points at are no image.
    ASSERT_EQ(fromSmall.Count(), 2);
    ASSERT_EQ(fromSparse.Count(), 2);
    EXPECT_EQ(*fromSparse[0].Bitmap, *formats[0].Bitmap);
    ExpectPattern(fromSparse[1], 256, 256);
    // Reading the file whole cost its 250 MB and seconds.
    EXPECT_LT(grown, 64 * 1024) << "KB";
    EXPECT_LT(sparseSeconds, 10 * smallSeconds + 0.25) << smallSeconds;

    // A directory that points only at the emptiness reads nothing worth an image, and says so.
    QByteArray lost = file.left(6 + 3 * 16);
    lost[4] = 1;
    lost = lost.left(6 + 16);
    QByteArray far;
    AppendLe32(far, 240u << 20);
    lost.replace(6 + 12, 4, far);
    const QString nowhere = dir.filePath(QStringLiteral("nowhere.ico"));
    ASSERT_TRUE(WriteBytes(nowhere, lost));
    ASSERT_TRUE(QFile(nowhere).resize(qint64(250) << 20));
    TIconImageArray none;
    EXPECT_EQ(access.LoadIconFile(nowhere, none), -1);
    EXPECT_EQ(access.LastError, QStringLiteral("The file format is not available."));
}

TEST(HostileIcons, PipesAndDevicesAreRefusedAsNotRegularFilesWithoutBlocking)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe.ico"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString zero = dir.filePath(QStringLiteral("zero.ico"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString folder = dir.filePath(QStringLiteral("folder.ico"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ico")));
    TIconFileAccess access;
    for (const QString& path : {pipe, zero, folder}) {
        TIconImageArray formats;
        EXPECT_EQ(access.LoadIconFile(path, formats), -1);
        EXPECT_EQ(access.LastError, NotRegularFileText(path));
        EXPECT_TRUE(access.LastError.endsWith(QStringLiteral(" is not a regular file.")));
    }
    // What is not there at all is still not found, a link to nothing included.
    const QString dangling = dir.filePath(QStringLiteral("dangling.ico"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone.ico")), dangling));
    for (const QString& path : {dir.filePath(QStringLiteral("missing.ico")), dangling}) {
        TIconImageArray formats;
        EXPECT_EQ(access.LoadIconFile(path, formats), -1);
        EXPECT_EQ(access.LastError, QStringLiteral("File not found."));
    }
}
