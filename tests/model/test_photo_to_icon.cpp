// Photo to icon without its windows: the crop geometry, the render of the output formats in each
// colour type, frame overlays, and reading pictures of every supported kind and bad ones.
#include <gtest/gtest.h>

#include <chrono>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "iconfiles/bmp_codec.h"
#include "iconfiles/gif_codec.h"
#include "iconfiles/jpeg_codec.h"
#include "iconfiles/picture_file.h"
#include "iconfiles/png_codec.h"
#include "imaging/icon_image.h"
#include "model/cartoon_render.h"
#include "model/photo_crop.h"
#include "model/photo_frames.h"
#include "platform/bytes.h"
#include "support/bitmap_checks.h"
#include "support/hostile_files.h"
#include "support/test_support.h"

using namespace PhotoCrop;

namespace {

constexpr TColor White = 0xFFFFFF;
constexpr TColor Blue = MakeColor(0, 0, 255);

TIconImageArray OutputFormats(std::initializer_list<std::pair<int, int32_t>> sizes)
{
    TIconImageArray formats;
    for (const auto& [side, type] : sizes) InitIconImage(formats.Add(), side, side, type, -1);
    return formats;
}

// ---- crop geometry ----

TEST(PhotoCrop, ResetPlacesThePictureAtOneToOneOnTheSquare)
{
    const double zoom = InitialZoom(353, 377);
    EXPECT_EQ(zoom, 3);
    const Rect square = IconRect(353, 377, zoom);
    EXPECT_EQ(square, (Rect{104, 116, 248, 260}));
    const Rect frame = ResetFrame(square, zoom, 400, 200);
    EXPECT_EQ(frame.Width(), 400);
    EXPECT_EQ(frame.Height(), 200);
    // Centred: the square's centre is the frame's centre.
    EXPECT_EQ(frame.Left + frame.Right, square.Left + square.Right);
    EXPECT_EQ(frame.Top + frame.Bottom, square.Top + square.Bottom);
    const TCropControls c = ControlsFromFrame((frame.Left + frame.Right) / 2, (frame.Top + frame.Bottom) / 2, 400, 200,
                                              400, 200);
    EXPECT_EQ(c.X, frame.Left);
    EXPECT_EQ(c.Y, frame.Top);
    EXPECT_EQ(c.WRatio, 1000);
    EXPECT_EQ(c.HRatio, 1000);
}

TEST(PhotoCrop, ZoomStepsAndLimits)
{
    std::vector<double> seen;
    double z = 3;
    for (int i = 0; i < 20; ++i) {
        const double next = ZoomOut(z);
        if (next == z) break;
        seen.push_back(z = next);
    }
    ASSERT_EQ(seen.size(), 10u);
    EXPECT_EQ(seen[0], 2);
    EXPECT_EQ(seen[1], 1);
    EXPECT_NEAR(seen[2], 0.9, 1e-12);
    EXPECT_GT(seen[8], 0.3); // a hair above 0.3 still steps once more
    EXPECT_NEAR(seen[9], 0.2, 1e-12);
    z = 3;
    for (int i = 0; i < 20; ++i) z = ZoomIn(z);
    EXPECT_EQ(z, 9);
    EXPECT_EQ(ZoomIn(8.5), 9.5); // once 9 or more, no further
    EXPECT_EQ(ZoomIn(9.5), 9.5);
}

TEST(PhotoCrop, FitButtonsAndRatioControls)
{
    const Rect square{100, 100, 244, 244};
    const Rect w = FitWidth(square, 400, 200);
    EXPECT_EQ(w, (Rect{100, 136, 244, 208})); // 144 x 72 centred vertically
    const Rect h = FitHeight(square, 400, 200);
    EXPECT_EQ(h.Height(), 144);
    EXPECT_EQ(h.Width(), 288);
    EXPECT_EQ(h.Left + h.Right, square.Left + square.Right);
    EXPECT_EQ(ActualSize(square, 400, 200), (Rect{100, 100, 500, 300}));

    // The lock keeps the picture's aspect; unlocked, the two ratios act apart.
    EXPECT_EQ(FrameFromControls(5, 6, 500, 1000, true, 400, 200), (Rect{5, 6, 205, 106}));
    EXPECT_EQ(FrameFromControls(5, 6, 500, 250, false, 400, 200), (Rect{5, 6, 205, 56}));
    // Degenerate pictures and huge spins never divide by zero nor overflow.
    EXPECT_EQ(FitWidth(square, 0, 200).Height(), 0);
    EXPECT_EQ(FitHeight(square, 400, 0).Width(), 0);
    const Rect far = FrameFromControls(2000000000, -2000000000, 2000, 2000, true, 1, 1);
    EXPECT_EQ(far.Left, SpinLimit);
    EXPECT_EQ(far.Top, -SpinLimit);
    // Ratios shown for a frame are held to 1..2000.
    const TCropControls c = ControlsFromFrame(0, 0, 100000, 0, 10, 10);
    EXPECT_EQ(c.WRatio, 2000);
    EXPECT_EQ(c.HRatio, 1);
}

TEST(PhotoCrop, PlanMapsTheVisiblePartIntoTheMaster)
{
    const Rect square{104, 116, 248, 260}; // 144 x 144
    // The frame covers exactly the square: the whole picture lands on the whole master.
    TCropPlan p = PlanCrop(square, square, 288, 288);
    ASSERT_TRUE(p.Valid);
    EXPECT_EQ(p.SourceRect, (Rect{0, 0, 288, 288}));
    EXPECT_EQ(p.CropDest, (Rect{0, 0, 256, 256}));
    // A smaller picture at 1:1 in the middle fills only its part.
    const Rect small = ResetFrame(square, 3, 72, 72);
    p = PlanCrop(small, square, 72, 72);
    ASSERT_TRUE(p.Valid);
    EXPECT_EQ(p.SourceRect, (Rect{0, 0, 72, 72}));
    EXPECT_EQ(p.CropDest, (Rect{64, 64, 192, 192}));
    // Off the square, or of no size: nothing to render.
    EXPECT_FALSE(PlanCrop(Rect{0, 0, 50, 50}, square, 50, 50).Valid);
    EXPECT_FALSE(PlanCrop(Rect{120, 120, 120, 200}, square, 50, 50).Valid);
    EXPECT_FALSE(PlanCrop(square, Rect{}, 50, 50).Valid);
}

// ---- render of the output formats ----

Bitmap24 HalfBlueMaster()
{
    // Left half blue, right half white: easy to find where the crop went.
    Bitmap24 m(256, 256);
    FillBitmapRect(m, Blue, Rect{0, 0, 128, 256});
    return m;
}

TEST(CartoonRender, WholeCropFillsEveryFormatInEveryColourType)
{
    TCartoonRender render;
    TIconImageArray formats =
        OutputFormats({{16, ctTrueAlpha}, {32, ctTrueColor}, {24, ctColors256}, {16, ctColors16}, {16, ctColors2}});
    const Bitmap24 master = HalfBlueMaster();
    render.RenderIconImages(formats, master, Rect{0, 0, 256, 256}, false, TCartoonSettings{});
    for (int i = 0; i < formats.Count(); ++i) {
        const TIconImageRec& f = formats[i];
        SCOPED_TRACE(i);
        const TColor left = PaletteColor(f.Bitmap->Pixel(1, f.Height / 2), &f.Palette);
        const TColor right = PaletteColor(f.Bitmap->Pixel(f.Width - 2, f.Height / 2), &f.Palette);
        if (f.ColorType == ctColors2) {
            // Two colours: blue and white are told apart, whatever the computed palette holds.
            EXPECT_NE(left, right);
        } else {
            EXPECT_EQ(left, Blue);
            EXPECT_EQ(right, White);
        }
        for (int y = 0; y < f.Height; ++y)
            for (int x = 0; x < f.Width; ++x) ASSERT_EQ(f.Mask->Byte0(x, y), 0) << x << "," << y;
    }
}

TEST(CartoonRender, OutsideTheCropTrueColourIsWhiteAndOpaque)
{
    TCartoonRender render;
    TIconImageArray formats = OutputFormats({{32, ctTrueAlpha}});
    Bitmap24 master(256, 256);
    master.Fill(Blue);
    render.RenderIconImages(formats, master, Rect{64, 64, 192, 192}, false, TCartoonSettings{});
    const TIconImageRec& f = formats[0];
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), White);
    EXPECT_EQ(f.Bitmap->Pixel(31, 31), White);
    EXPECT_EQ(f.Bitmap->Pixel(16, 16), Blue);
    EXPECT_EQ(f.Mask->Byte0(0, 0), 0);

    // A 48 x 24 format scales the crop by 24/256 both ways.
    TIconImageArray wide;
    InitIconImage(wide.Add(), 48, 24, ctTrueColor, -1);
    render.RenderIconImages(wide, master, Rect{64, 64, 192, 192}, false, TCartoonSettings{});
    EXPECT_EQ(wide[0].Bitmap->Pixel(6, 6), Blue);   // d = (6, 6, 18, 18)
    EXPECT_EQ(wide[0].Bitmap->Pixel(18, 10), White);
    EXPECT_EQ(wide[0].Bitmap->Pixel(40, 10), White);
}

TEST(CartoonRender, CartoonPaths)
{
    TCartoonRender render;
    render.Preset.SketchType = 2;
    render.Preset.ComposeMode = 1;
    const Bitmap24 master = HalfBlueMaster();
    TCartoonSettings s;

    // Both layers off: white and opaque.
    s.DrawSketch = false;
    s.DrawColor = false;
    TIconImageArray formats = OutputFormats({{32, ctTrueAlpha}, {16, ctColors16}});
    render.RenderIconImages(formats, master, Rect{0, 0, 256, 256}, true, s);
    EXPECT_EQ(formats[0].Bitmap->Pixel(3, 16), White);
    EXPECT_EQ(PaletteColor(formats[1].Bitmap->Pixel(3, 8), &formats[1].Palette), White);

    // Line drawing: a dark line along the edge between blue and white, white far from it.
    s.DrawSketch = true;
    render.RenderIconImages(formats, master, Rect{0, 0, 256, 256}, true, s);
    const TIconImageRec& f = formats[0];
    int darkest = 255;
    for (int x = 12; x < 20; ++x) darkest = std::min(darkest, ColorG(f.Bitmap->Pixel(x, 16)));
    EXPECT_LT(darkest, 128);
    EXPECT_EQ(f.Bitmap->Pixel(28, 16), White);

    // Colour only, with a crop on the right half of the master: the colour layer lands on the
    // crop's place (the white part) in a non-square format as well as in a square one.
    s.DrawSketch = false;
    s.DrawColor = true;
    TIconImageArray both;
    InitIconImage(both.Add(), 32, 32, ctTrueAlpha, -1);
    InitIconImage(both.Add(), 32, 16, ctTrueAlpha, -1);
    render.RenderIconImages(both, master, Rect{128, 0, 256, 256}, true, s);
    EXPECT_EQ(both[0].Bitmap->Pixel(2, 16), White); // outside the crop
    EXPECT_GT(ColorB(both[0].Bitmap->Pixel(20, 8)), 200);
    EXPECT_GT(ColorR(both[0].Bitmap->Pixel(20, 8)), 200); // the master's white half
    EXPECT_EQ(both[1].Bitmap->Pixel(2, 8), White);
}

TEST(CartoonRender, PaletteFormatsTakeTheComputedPalette)
{
    TCartoonRender render;
    TIconImageArray formats = OutputFormats({{16, ctColors256}});
    const TPalette before = formats[0].Palette;
    Bitmap24 master(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) master.SetPixel(x, y, MakeColor(x, y, 77));
    render.RenderIconImages(formats, master, Rect{0, 0, 256, 256}, false, TCartoonSettings{});
    EXPECT_NE(formats[0].Palette, before);
    EXPECT_EQ(formats[0].Palette.palNumEntries, 256);
    // Indices only: the green and blue bytes of a palette bitmap stay 0.
    EXPECT_EQ(formats[0].Bitmap->Pixel(5, 5) & 0xFFFF00u, 0u);
}

// ---- frames ----

Bitmap24 FrameOf(int red, int blue)
{
    Bitmap24 f(8, 8);
    f.Fill(MakeColor(red, red, blue));
    return f;
}

TEST(PhotoFrames, OverlayRules)
{
    Bitmap24 scratch;
    TIconImageRec f;
    InitIconImage(f, 4, 4, ctTrueAlpha, -1);
    f.Bitmap->Fill(MakeColor(10, 200, 30));
    FillBitmap(*f.Mask, 0);
    f.Mask->SetPixel(3, 3, GreyColor(255));

    TIconImageRec full = f.Clone();
    ApplyPhotoFrame(FrameOf(255, 0), 0x0000C2, full, scratch);
    EXPECT_EQ(full.Bitmap->Pixel(0, 0), MakeColor(194, 0, 0));
    EXPECT_EQ(full.Mask->Byte0(0, 0), 0);

    TIconImageRec cut = f.Clone();
    ApplyPhotoFrame(FrameOf(0, 255), 0x0000C2, cut, scratch);
    EXPECT_EQ(cut.Bitmap->Pixel(0, 0), MakeColor(10, 200, 30));
    EXPECT_EQ(cut.Mask->Byte0(0, 0), 255);

    // Half coverage over a fully transparent pixel mixes the frame colour with white.
    TIconImageRec half = f.Clone();
    ApplyPhotoFrame(FrameOf(128, 0), MakeColor(0, 0, 0), half, scratch);
    EXPECT_EQ(half.Bitmap->Pixel(3, 3), GreyColor(127 * 255 / 255));
    EXPECT_EQ(half.Mask->Byte0(3, 3), 0);

    // Type 5 takes any mask level; type 4 keeps two.
    TIconImageRec alpha = f.Clone();
    ApplyPhotoFrame(FrameOf(0, 100), 0, alpha, scratch);
    EXPECT_EQ(alpha.Mask->Byte0(1, 1), 100);
    TIconImageRec rgb;
    InitIconImage(rgb, 4, 4, ctTrueColor, -1);
    ApplyPhotoFrame(FrameOf(0, 100), 0, rgb, scratch);
    EXPECT_EQ(rgb.Mask->Byte0(1, 1), 0);

    // A palette format is mixed in colours and mapped back onto its (computed) palette.
    TIconImageRec pal;
    InitIconImage(pal, 8, 8, ctColors16, -1);
    FillBitmap(*pal.Bitmap, 0); // index 0
    FillBitmap(*pal.Mask, 0);
    ApplyPhotoFrame(FrameOf(255, 0), 0x0000C2, pal, scratch);
    EXPECT_EQ(PaletteColor(pal.Bitmap->Pixel(4, 4), &pal.Palette), MakeColor(194, 0, 0));
    EXPECT_EQ(pal.Bitmap->Pixel(4, 4) & 0xFFFF00u, 0u);
}

QByteArray BmpBytes(const Bitmap24& b)
{
    ByteWriter w;
    WriteBmp24(w, b);
    return w.ToByteArray();
}

TEST(PhotoFrames, ScanListsReadableBitmapsSortedUpToTwentyOne)
{
    QTemporaryDir dir;
    const QByteArray frame = BmpBytes(FrameOf(255, 0));
    for (int i = 21; i >= 0; --i) // written in reverse: the listing sorts
        ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("f%1.bmp").arg(i, 2, 10, QLatin1Char('0'))), frame));
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("a-broken.bmp")), QByteArray("not a bitmap")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("b-folder.bmp")));
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("notes.txt")), QByteArray("x")));
    TFrameLibrary frames;
    frames.Scan(dir.path());
    ASSERT_EQ(frames.Count(), 21);
    EXPECT_TRUE(frames.Paths()[0].endsWith(QStringLiteral("f00.bmp")));
    EXPECT_TRUE(frames.Paths()[20].endsWith(QStringLiteral("f20.bmp")));
    ASSERT_NE(frames.Frame(0), nullptr);
    EXPECT_EQ(frames.Frame(0)->Pixel(1, 1), MakeColor(255, 255, 0));
    EXPECT_EQ(frames.Frame(21), nullptr);

    TFrameLibrary none;
    none.Scan(dir.filePath(QStringLiteral("missing")));
    EXPECT_EQ(none.Count(), 0);
}

// ---- pictures ----

void WriteVector(const QString& path, const std::vector<uint8_t>& bytes)
{
    ASSERT_TRUE(WriteBytes(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))));
}

TEST(PictureFile, EachKindLoadsAndBadFilesFail)
{
    QTemporaryDir dir;
    Bitmap24 source(40, 30);
    FillBitmapRect(source, Blue, Rect{0, 0, 20, 30});

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeJpeg(source, 95, bytes));
    WriteVector(dir.filePath(QStringLiteral("p.JpG")), bytes);
    bytes.clear();
    ASSERT_TRUE(EncodeGif216(source, bytes));
    WriteVector(dir.filePath(QStringLiteral("p.gif")), bytes);
    bytes.clear();
    Bitmap24 mask(40, 30);
    FillBitmap(mask, 0);
    FillBitmapRect(mask, GreyColor(255), Rect{30, 0, 40, 30}); // transparent: laid over white
    ASSERT_TRUE(EncodePngRgba(source, mask, false, bytes));
    WriteVector(dir.filePath(QStringLiteral("p.png")), bytes);
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("p.bmp")), BmpBytes(source)));

    for (const char* name : {"p.JpG", "p.gif", "p.png", "p.bmp"}) {
        SCOPED_TRACE(name);
        Bitmap24 out;
        ASSERT_TRUE(PictureFile::LoadPicture(dir.filePath(QString::fromLatin1(name)), out));
        EXPECT_EQ(out.Width(), 40);
        EXPECT_EQ(out.Height(), 30);
        EXPECT_GT(ColorB(out.Pixel(5, 5)), 200);
        EXPECT_LT(ColorR(out.Pixel(5, 5)), 40);
        EXPECT_GT(ColorR(out.Pixel(35, 5)), 200);
    }

    // Bad input keeps the old picture and fails.
    Bitmap24 kept(3, 3);
    kept.Fill(Blue);
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("empty.png")), QByteArray()));
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("junk.jpg")), QByteArray(100, 'x')));
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("cut.png")), QByteArray(reinterpret_cast<const char*>(bytes.data()), 60)));
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("p.tif")), BmpBytes(source)));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    for (const char* name : {"empty.png", "junk.jpg", "cut.png", "p.tif", "folder.png", "missing.gif"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(PictureFile::LoadPicture(dir.filePath(QString::fromLatin1(name)), kept));
        EXPECT_EQ(kept.Width(), 3);
    }

    // A 1 x 1 picture is a picture.
    bytes.clear();
    ASSERT_TRUE(EncodePngRgba(Bitmap24(1, 1), Bitmap24(1, 1), false, bytes));
    WriteVector(dir.filePath(QStringLiteral("one.png")), bytes);
    Bitmap24 one;
    EXPECT_TRUE(PictureFile::LoadPicture(dir.filePath(QStringLiteral("one.png")), one));
    EXPECT_EQ(one.Width(), 1);
}

TEST(PictureFile, OversizedPicturesAreRefusedFromTheHeader)
{
    // A 10,000 x 10,000 PNG header is within the side limit but over the pixel bound: refused
    // before any row is allocated. Only the header is real; the rest would never be read.
    QTemporaryDir dir;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodePngRgba(Bitmap24(2, 2), Bitmap24(2, 2), false, bytes));
    const auto put32 = [&](size_t at, uint32_t v) {
        bytes[at] = uint8_t(v >> 24);
        bytes[at + 1] = uint8_t(v >> 16);
        bytes[at + 2] = uint8_t(v >> 8);
        bytes[at + 3] = uint8_t(v);
    };
    put32(16, 10000);
    put32(20, 10000);
    WriteVector(dir.filePath(QStringLiteral("huge.png")), bytes);
    Bitmap24 out;
    EXPECT_FALSE(PictureFile::LoadPicture(dir.filePath(QStringLiteral("huge.png")), out));
    EXPECT_TRUE(out.IsEmpty());
}

// Every pixel of the bitmap is the hostile-file maker's pattern (its alpha ignored).
void ExpectMakersPattern(const Bitmap24& b, int width, int height)
{
    ASSERT_EQ(b.Width(), width);
    ASSERT_EQ(b.Height(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t p[4];
            HostileFiles::PixelAt(x, y, p);
            ASSERT_EQ(b.Pixel(x, y), MakeColor(p[0], p[1], p[2])) << x << "," << y;
        }
}

TEST(PictureFile, TopDownBmpsOpenAsPhotosAndAsFrames)
{
    QTemporaryDir photos, frameDir;
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const QString name = QStringLiteral("top%1.bmp").arg(bits);
        const QByteArray bmp = HostileFiles::TopDownBmp(300, 200, bits);
        ASSERT_TRUE(WriteBytes(photos.filePath(name), bmp));
        ASSERT_TRUE(WriteBytes(frameDir.filePath(name), bmp));
        Bitmap24 photo;
        ASSERT_TRUE(PictureFile::LoadPicture(photos.filePath(name), photo));
        ExpectMakersPattern(photo, 300, 200);
    }
    TFrameLibrary frames;
    frames.Scan(frameDir.path());
    ASSERT_EQ(frames.Count(), 2);
    for (int i = 0; i < 2; ++i) ExpectMakersPattern(*frames.Frame(i), 300, 200);

    // The bounds still hold for the height's absolute value, checked before anything is decoded.
    QByteArray tall = HostileFiles::TopDownBmp(4, 4, 24);
    const qint32 height = -100000;
    tall.replace(22, 4, QByteArray(reinterpret_cast<const char*>(&height), 4));
    ASSERT_TRUE(WriteBytes(photos.filePath(QStringLiteral("tall.bmp")), tall));
    ASSERT_TRUE(WriteBytes(frameDir.filePath(QStringLiteral("tall.bmp")), tall));
    Bitmap24 kept;
    EXPECT_FALSE(PictureFile::LoadPicture(photos.filePath(QStringLiteral("tall.bmp")), kept));
    EXPECT_TRUE(kept.IsEmpty());
    frames.Scan(frameDir.path());
    EXPECT_EQ(frames.Count(), 2);
}

TEST(PictureFile, DataAfterThePngRowsAndNonRegularFilesCostNothing)
{
    QTemporaryDir dir;
    const QString healthy = dir.filePath(QStringLiteral("healthy.png"));
    const QString tailed = dir.filePath(QStringLiteral("tailed.png"));
    ASSERT_TRUE(WriteBytes(healthy, HostileFiles::PngWithTail(1000, 800, 0)));
    ASSERT_TRUE(WriteBytes(tailed, HostileFiles::PngWithTail(1000, 800, uint64_t(512) << 20)));
    const auto seconds = [](const QString& path, Bitmap24& out) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(PictureFile::LoadPicture(path, out));
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    Bitmap24 a, b;
    const double healthySeconds = seconds(healthy, a);
    const double tailedSeconds = seconds(tailed, b);
    EXPECT_TRUE(a == b);
    EXPECT_EQ(b.Width(), 1000);
    EXPECT_LT(tailedSeconds, 10 * healthySeconds + 0.25) << healthySeconds;

    // Pipes and devices named like pictures are refused without being opened.
    const QString pipe = dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(pipe, dir.filePath(QStringLiteral("pipe.bmp"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("zero.jpg"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("zero.bmp"))));
    for (const char* name : {"pipe.png", "pipe.bmp", "zero.jpg", "zero.bmp"}) {
        SCOPED_TRACE(name);
        Bitmap24 out;
        EXPECT_FALSE(PictureFile::LoadPicture(dir.filePath(QString::fromLatin1(name)), out));
    }
}

} // namespace
