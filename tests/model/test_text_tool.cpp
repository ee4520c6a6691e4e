// The text tool without a window: the box a new frame gets, the frame's corners and their round
// trip through the frame, the text rendered over the backups as the frame moves, turns and is
// placed again at a new zoom, and the stamp never reaching outside a bitmap.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include <QFontMetrics>

#include "imaging/imaging_state.h"
#include "imaging/paint.h"
#include "model/tool_ids.h"
#include "model/tools/text_tool.h"
#include "support/bitmap_checks.h"
#include "support/tool_host_helpers.h"

namespace {

constexpr TColor Red = MakeColor(255, 0, 0);

QFont TestFont(int points, bool italic = false)
{
    QFont f;
    f.setPointSize(points);
    f.setItalic(italic);
    return f;
}

// The text's width and height as a 96 dpi canvas measures them.
QSize Measured(const QString& text, const QFont& font)
{
    QFont f(font);
    f.setPixelSize(PointsToPixels(FontPoints(font)));
    const QFontMetrics m(f);
    return QSize(m.horizontalAdvance(text), m.height());
}

TTextOptions Options(const QString& text = QStringLiteral("WWWW"), int points = 10)
{
    return TTextOptions{text, TestFont(points), false};
}

// A document with its text tool chosen and a frame opened over a white opaque format.
struct OpenFrame {
    explicit OpenFrame(int w = 48, int h = 32, int32_t type = ctTrueColor, int zoom = 4,
                       const TTextOptions& o = Options())
        : doc(Document(w, h, type, zoom, 0xFFFFFF, 0)), options(o)
    {
        host.colors = TToolColors{Red, 0xFFFFFF};
        doc.LastTool = tiText;
        StartTextFrame(doc, frame, host, options);
    }
    const Bitmap24& Pixels() { return *doc.CurrentImage()->Bitmap; }
    Rect Painted() { return ChangedRect(Pixels(), 0xFFFFFF); }

    ImagingState imaging;
    TDocumentModel doc;
    TTextOptions options;
    TRotateFrame frame;
    RecordingHost host;
};

} // namespace

TEST(TextTool, TheBoxIsTheTextsSizeScaledUpOnLargeFormats)
{
    const QFont font = TestFont(10);
    const QSize m = Measured(QStringLiteral("Hello"), font);
    const QSize base(m.width() + 1, m.height() + m.height() / 2);
    EXPECT_EQ(TextBlockSize(QStringLiteral("Hello"), font, 16, 16), base);
    EXPECT_EQ(TextBlockSize(QStringLiteral("Hello"), font, 80, 80), base);
    // Wider or taller than 80: k = width / 128 + 2, rounded half to even, the width deciding.
    EXPECT_EQ(TextBlockSize(QStringLiteral("Hello"), font, 96, 16), base * 3);   // 2.75
    EXPECT_EQ(TextBlockSize(QStringLiteral("Hello"), font, 64, 96), base * 2);   // 2.5 goes to 2
    EXPECT_EQ(TextBlockSize(QStringLiteral("Hello"), font, 192, 192), base * 4); // 3.5 goes to 4
    EXPECT_EQ(TextBlockSize(QStringLiteral("Hello"), font, 256, 256), base * 4);

    // Italic text gets the font size instead of one pixel of room.
    const QFont italic = TestFont(10, true);
    const QSize mi = Measured(QStringLiteral("Hello"), italic);
    EXPECT_EQ(TextBlockSize(QStringLiteral("Hello"), italic, 16, 16).width(), mi.width() + 10);

    // An empty text still gets a box.
    const QSize empty = TextBlockSize(QString(), font, 16, 16);
    EXPECT_GE(empty.width(), 1);
    EXPECT_GE(empty.height(), 1);
}

TEST(TextTool, FrameCornersTurnTheBoxAboutItsCentreAndComeBackFromTheFrame)
{
    TFramePoint p1, p3;
    // Unturned: the bottom-right corner first, then the top-left one, times the zoom.
    TextFrameCorners(16, 16, 0, 10, 20, 1, p1, p3);
    EXPECT_DOUBLE_EQ(p1.X, 26);
    EXPECT_DOUBLE_EQ(p1.Y, 21);
    EXPECT_DOUBLE_EQ(p3.X, 6);
    EXPECT_DOUBLE_EQ(p3.Y, 11);
    TextFrameCorners(16, 16, 0, 10, 20, 3, p1, p3);
    EXPECT_DOUBLE_EQ(p1.X, 78);
    EXPECT_DOUBLE_EQ(p3.Y, 33);
    // A quarter turn anticlockwise on the screen: the right end goes up.
    TextFrameCorners(16, 16, 90, 10, 20, 1, p1, p3);
    EXPECT_DOUBLE_EQ(p1.X, 21);
    EXPECT_DOUBLE_EQ(p1.Y, 6);
    EXPECT_DOUBLE_EQ(p3.X, 11);
    EXPECT_DOUBLE_EQ(p3.Y, 26);

    for (int angle : {0, 30, 90, -45, 135, 180}) {
        for (int zoom : {1, 4}) {
            SCOPED_TRACE("angle " + std::to_string(angle) + " zoom " + std::to_string(zoom));
            TDocumentModel doc = Document(48, 48, ctTrueColor, zoom);
            doc.TextX = 20;
            doc.TextY = 18;
            doc.TextW = 30;
            doc.TextH = 12;
            doc.TextAngle = angle;
            TRotateFrame frame;
            PlaceTextFrame(doc, frame);
            const TFramePlacement p = frame.GetPlacement(zoom);
            EXPECT_EQ(p.CentreX, 20);
            EXPECT_EQ(p.CentreY, 18);
            EXPECT_NEAR(p.Width, 30, 1);
            EXPECT_NEAR(p.Height, 12, 1);
            EXPECT_EQ(p.Angle, angle);
        }
    }
}

TEST(TextTool, AFrameOpensCentredAndRendersTheTextOverTheBackups)
{
    OpenFrame t;
    const TDocumentModel& doc = t.doc;
    const QSize box = TextBlockSize(t.options.Text, t.options.Font, 48, 32);
    EXPECT_EQ(doc.TextW, box.width());
    EXPECT_EQ(doc.TextH, box.height());
    EXPECT_EQ(doc.TextX, 24); // wider than 23: the format's centre
    EXPECT_EQ(doc.TextY, 16);
    EXPECT_EQ(doc.TextAngle, 0);
    // The frame's first corner is the box's top-left, in canvas pixels.
    EXPECT_DOUBLE_EQ(t.frame.HandlePoint(1).X, (24 - doc.TextW / 2) * 4.0);
    EXPECT_DOUBLE_EQ(t.frame.HandlePoint(1).Y, (16 - doc.TextH / 2) * 4.0);
    EXPECT_DOUBLE_EQ(t.frame.HandlePoint(0).X, (24 - doc.TextW / 2) * 4.0 + doc.TextW * 2.0);
    // The text is in the format, in the colour, inside the stamp's square about the centre.
    const Rect painted = t.Painted();
    ASSERT_FALSE(painted.IsEmpty());
    EXPECT_GT(CountPixels(t.Pixels(), Red), 0);
    EXPECT_EQ(CountPixels(t.Pixels(), Red) + CountPixels(t.Pixels(), 0xFFFFFF), 48 * 32);
    const int side = std::max(doc.TextW, doc.TextH) + 4;
    EXPECT_TRUE(RectWithin(painted, Rect{24 - side / 2, 16 - side / 2, 24 - side / 2 + side, 16 - side / 2 + side}));
    // The backups hold the format as it was; the tools window shows the place.
    EXPECT_EQ(doc.BackupBitmap.Pixel(painted.Left, painted.Top), 0xFFFFFFu);
    ASSERT_FALSE(t.host.placements.empty());
    EXPECT_EQ(t.host.placements.back(), std::make_tuple(24, 16, 0, doc.TextH, doc.TextW));
    EXPECT_GE(t.host.renderAll, 1);

    // Formats up to 23 pixels wide put the box's left edge near the left.
    OpenFrame narrow(16, 16, ctTrueColor, 8, Options(QStringLiteral("W")));
    EXPECT_EQ(narrow.doc.TextX, narrow.doc.TextW / 2);
    EXPECT_EQ(narrow.doc.TextY, 8);
}

TEST(TextTool, PlacementFieldsMoveAndTurnTheTextOverTheBackups)
{
    OpenFrame t(64, 64, ctTrueColor, 4);
    const int w = t.doc.TextW, h = t.doc.TextH;
    const Rect before = t.Painted();
    SetTextFrame(t.doc, t.frame, t.host, t.options, 26, 36, 0, h, w);
    const Rect moved = t.Painted();
    // The whole text moved: nothing is left at its old place.
    EXPECT_EQ(moved.Width(), before.Width());
    EXPECT_EQ(moved.Height(), before.Height());
    EXPECT_EQ(moved.Left - before.Left, 26 - 32);
    EXPECT_EQ(moved.Top - before.Top, 36 - 32);
    EXPECT_EQ(t.frame.GetPlacement(4).CentreX, 26);
    EXPECT_EQ(t.host.placements.back(), std::make_tuple(26, 36, 0, h, w));

    // A quarter turn makes the wide text tall.
    SetTextFrame(t.doc, t.frame, t.host, t.options, 32, 32, 90, h, w);
    const Rect turned = t.Painted();
    EXPECT_GT(turned.Height(), turned.Width());
    EXPECT_EQ(t.frame.GetPlacement(4).Angle, 90);

    // A box larger than the scratch: the scratch grows, nothing is written outside the format.
    SetTextFrame(t.doc, t.frame, t.host, t.options, 32, 32, 30, 900, 1000);
    EXPECT_GE(Imaging().TextScratchBitmap().Width(), 1004);
    EXPECT_EQ(t.doc.TextW, 1000);
    // Sizes beyond the fields' limit are rendered at the limit, and a collapsed box at 1 x 1.
    SetTextFrame(t.doc, t.frame, t.host, t.options, 32, 32, 0, 0, 5000);
    SetTextFrame(t.doc, t.frame, t.host, t.options, -500, 9000, 0, 10, 10);
    EXPECT_EQ(CountPixels(t.Pixels(), Red), 0); // the text lies off the format: the backups show
}

TEST(TextTool, DraggingTheFrameMovesOrTurnsTheTextAndTheReleaseTakesNoStep)
{
    OpenFrame t(64, 64, ctTrueColor, 4);
    const int z = 4;
    const Rect before = t.Painted();
    // Press inside the frame, drag two cells right and one down with the left button.
    TextTool(t.doc, t.frame, t.host, t.options, TToolEvent{tpPress, 32 * z + 1, 32 * z + 1, true});
    TextTool(t.doc, t.frame, t.host, t.options, TToolEvent{tpMove, 34 * z + 1, 33 * z + 1, true});
    EXPECT_EQ(t.doc.TextX, 34);
    EXPECT_EQ(t.doc.TextY, 33);
    EXPECT_EQ(t.Painted().Left, before.Left + 2);
    TextTool(t.doc, t.frame, t.host, t.options, TToolEvent{tpRelease, 34 * z + 1, 33 * z + 1, false});
    ASSERT_EQ(t.host.releases.size(), 1u);
    EXPECT_TRUE(t.host.releases[0].Caption.isEmpty());
    EXPECT_TRUE(t.host.releases[0].Preview);
    EXPECT_TRUE(t.host.releases[0].AddHistory);
    EXPECT_EQ(t.host.releases[0].HistoryColor, Red);

    // Moves without the left button drag nothing.
    TextTool(t.doc, t.frame, t.host, t.options, TToolEvent{tpPress, 34 * z, 33 * z, false});
    TextTool(t.doc, t.frame, t.host, t.options, TToolEvent{tpMove, 50 * z, 50 * z, false});
    EXPECT_EQ(t.doc.TextX, 34);

    // Rotation handle 10 dragged a quarter turn clockwise on the screen, in small steps.
    const TFramePoint c = t.frame.HandlePoint(0);
    TFramePoint hnd = t.frame.HandlePoint(10);
    TextTool(t.doc, t.frame, t.host, t.options, TToolEvent{tpPress, int(hnd.X), int(hnd.Y), true});
    const double r = std::hypot(hnd.X - c.X, hnd.Y - c.Y), a0 = std::atan2(hnd.Y - c.Y, hnd.X - c.X);
    for (int step = 1; step <= 9; ++step) {
        const double a = a0 + step * (std::numbers::pi / 2) / 9;
        TextTool(t.doc, t.frame, t.host, t.options,
                 TToolEvent{tpMove, int(std::lround(c.X + r * std::cos(a))), int(std::lround(c.Y + r * std::sin(a))), true});
    }
    EXPECT_NEAR(t.doc.TextAngle, -90, 3);
    const Rect turned = t.Painted();
    EXPECT_GT(turned.Height(), turned.Width());
}

TEST(TextTool, NothingHappensWithoutAnOpenFrame)
{
    ImagingState imaging;
    TDocumentModel doc = Document(32, 32, ctTrueColor, 4);
    RecordingHost host;
    TRotateFrame frame;
    doc.TakeBackups();
    doc.CurrentImage()->Bitmap->SetPixel(3, 3, 0x123456);
    // The text tool is current but its frame was discarded: the backups are not put back.
    TextTool(doc, frame, host, Options(), TToolEvent{tpPress, 64, 64, true});
    TextTool(doc, frame, host, Options(), TToolEvent{tpMove, 70, 70, true});
    TextTool(doc, frame, host, Options(), TToolEvent{tpRelease, 70, 70, false});
    SetTextFrame(doc, frame, host, Options(), 3, 3, 0, 10, 10);
    EXPECT_TRUE(host.releases.empty());
    EXPECT_EQ(host.renderAll, 0);
    EXPECT_EQ(doc.CurrentImage()->Bitmap->Pixel(3, 3), 0x123456u);
}

TEST(TextTool, ZoomChangesPlaceTheFrameOverTheSameImagePixels)
{
    OpenFrame t(32, 32, ctTrueAlpha, 4);
    SetTextFrame(t.doc, t.frame, t.host, t.options, 10, 12, 45, 14, 20);
    const std::vector<uint8_t> pixels = PackedPixels(t.Pixels());
    t.doc.ZoomFactor = 9;
    PlaceTextFrame(t.doc, t.frame);
    const TFramePlacement p = t.frame.GetPlacement(9);
    EXPECT_EQ(p.CentreX, 10);
    EXPECT_EQ(p.CentreY, 12);
    EXPECT_EQ(p.Angle, 45);
    EXPECT_DOUBLE_EQ(t.frame.HandlePoint(0).X, 90);
    // Placing the frame leaves the pixels alone.
    EXPECT_EQ(PackedPixels(t.Pixels()), pixels);
}

TEST(TextTool, PaletteFormatsTakeTheIndexAndTheTransparentStateErases)
{
    OpenFrame t(32, 32, ctColors16, 4);
    // Re-render in palette index 9.
    t.host.colors = TToolColors{9, 0xFFFFFF};
    RenderText(t.doc, t.host, t.options);
    const Bitmap24& b = t.Pixels();
    int nines = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const TColor c = b.Pixel(x, y);
            EXPECT_TRUE(c == 9 || c == 0xFFFFFF) << x << "," << y;
            nines += c == 9;
        }
    EXPECT_GT(nines, 0);
    // Alpha colour 0 erases: the text's pixels turn transparent.
    t.host.colors = TToolColors{Red, 0};
    RenderText(t.doc, t.host, t.options);
    const Bitmap24& mask = *t.doc.CurrentImage()->Mask;
    int erased = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) erased += mask.Byte0(x, y) == 255;
    EXPECT_EQ(erased, nines);
    EXPECT_EQ(mask.Byte0(0, 0), 0);
}

TEST(TextTool, APartOfTheStampIsThePartOfTheWholeStamp)
{
    ImagingState imaging;
    QFont font = TestFont(14);
    for (int angle : {0, 30, -75, 180}) {
        for (bool aa : {false, true}) {
            SCOPED_TRACE("angle " + std::to_string(angle) + (aa ? " anti-aliased" : ""));
            Bitmap24 whole(300, 300), part(300, 300);
            Rect made;
            RenderTextStamp(whole, QStringLiteral("Tavrin"), font, made, aa, angle, 180, 60);
            const Rect needed{37, 90, 150, 131};
            part.Fill(0x123456);
            RenderTextStamp(part, QStringLiteral("Tavrin"), font, made, aa, angle, 180, 60, &needed);
            for (int y = 0; y < 300; ++y)
                for (int x = 0; x < 300; ++x) {
                    const bool inside = x >= 37 && x < 150 && y >= 90 && y < 131;
                    ASSERT_EQ(part.Pixel(x, y), inside ? whole.Pixel(x, y) : 0x123456u) << x << "," << y;
                }
        }
    }
    // A part outside the square writes nothing.
    Bitmap24 untouched(50, 50);
    untouched.Fill(0x123456);
    Rect made;
    const Rect away{400, 400, 500, 500};
    RenderTextStamp(untouched, QStringLiteral("T"), font, made, false, 10, 20, 20, &away);
    EXPECT_EQ(CountPixels(untouched, 0x123456), 50 * 50);
}
