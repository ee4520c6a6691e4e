// The painting tools driven without a window: pixels of each tool in palette and true-colour
// formats, the release steps, the stroke drawn a segment at a time against drawing it whole, the
// brush outline, and presses off the pixels.
#include <gtest/gtest.h>

#include <random>

#include "imaging/paint.h"
#include "model/tool_ids.h"
#include "model/tools/freehand_tool.h"
#include "model/tools/shape_tool.h"
#include "model/tools/stroke_raster.h"
#include "model/tools/tool_session.h"
#include "support/format_helpers.h"
#include "support/tool_host_helpers.h"

namespace {

// Presses, moves through the cells and releases with the left button, at zoom z.
void Drag(TToolSession& s, TDocumentModel& doc, RecordingHost& host, int tool, const std::vector<Point>& cells,
          const TPaintOptions& o = {})
{
    const int z = doc.ZoomFactor;
    s.Mouse(doc, host, tool, tpPress, cells[0].X * z + z / 2, cells[0].Y * z + z / 2, true, o);
    for (size_t i = 1; i < cells.size(); ++i) s.Mouse(doc, host, tool, tpMove, cells[i].X * z + z / 2, cells[i].Y * z + z / 2, true, o);
    s.Mouse(doc, host, tool, tpRelease, cells.back().X * z, cells.back().Y * z, false, o);
}

TIconImageRec& Format(TDocumentModel& doc) { return *doc.CurrentImage(); }

} // namespace

TEST(PaintingTools, AClickPaintsOneDabAndRecordsTheToolsStep)
{
    constexpr TColor Grey = 0x010101; // index 1 in the palette formats
    const struct {
        int tool;
        int32_t type;
        TColor color;
        TColor expectPixel;
        QString caption;
        TColor historyColor;
    } cases[] = {
        {tiPencil, ctTrueColor, MakeColor(200, 10, 20), MakeColor(200, 10, 20), "Pencil", MakeColor(200, 10, 20)},
        {tiPencil, ctTrueAlpha, MakeColor(200, 10, 20), MakeColor(200, 10, 20), "Pencil", MakeColor(200, 10, 20)},
        // Palette formats take the index itself; the history gets the entry's colour.
        {tiPencil, ctColors16, 9, 9, "Pencil", 0},
        {tiBrush, ctTrueColor, MakeColor(0, 0, 255), MakeColor(0, 0, 255), "Brush", MakeColor(0, 0, 255)},
        {tiBrush, ctColors256, 255, 255, "Brush", 0xFFFFFF},
        // The eraser erases; its history colour is white, or the palette's last entry.
        {tiEraser, ctTrueColor, MakeColor(1, 2, 3), 0, "Eraser", 0xFFFFFF},
        {tiEraser, ctColors16, 4, 0, "Eraser", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption.toStdString() + " type " + std::to_string(c.type));
        TDocumentModel doc = Document(16, 16, c.type, 4, Grey, 0);
        if (c.type == ctColors16) {
            const TPaletteEntry last = Format(doc).Palette.palPalEntry[15];
            const TPaletteEntry nine = Format(doc).Palette.palPalEntry[9];
            const_cast<TColor&>(c.historyColor) =
                c.tool == tiEraser ? MakeColor(last.peRed, last.peGreen, last.peBlue) : MakeColor(nine.peRed, nine.peGreen, nine.peBlue);
        }
        RecordingHost host;
        host.colors.Color = c.color;
        TToolSession s;
        TPaintOptions o;
        o.BrushSize = 1;   // tip 3: a plus of five pixels
        o.BrushGradient = 255;
        Drag(s, doc, host, c.tool, {{5, 6}}, o);
        const TIconImageRec& f = Format(doc);
        ASSERT_EQ(host.releases.size(), 1u);
        EXPECT_EQ(host.releases[0].Caption, c.caption);
        EXPECT_TRUE(host.releases[0].AddHistory);
        EXPECT_TRUE(host.releases[0].Preview);
        EXPECT_EQ(host.releases[0].HistoryColor, c.historyColor);
        EXPECT_EQ(f.Bitmap->Pixel(5, 6), c.expectPixel);
        EXPECT_EQ(f.Mask->Byte0(5, 6), c.tool == tiEraser ? 255 : 0);
        // Pencil and eraser of size 1 paint only the cell; the brush of size 3 a plus.
        const bool plus = c.tool == tiBrush;
        EXPECT_EQ(f.Bitmap->Pixel(6, 6) == c.expectPixel, plus);
        EXPECT_EQ(f.Bitmap->Pixel(6, 7), Grey);
        EXPECT_TRUE(doc.StrokePoints.empty());
    }
}

TEST(PaintingTools, TheTransparentStateErasesWithEveryPaintingTool)
{
    for (int tool : {tiPencil, tiBrush, tiLine, tiBucket}) {
        SCOPED_TRACE(tool);
        TDocumentModel doc = Document(8, 8, ctTrueAlpha, 2, MakeColor(9, 9, 9), 0);
        RecordingHost host;
        host.colors = TToolColors{0, 0};
        TToolSession s;
        Drag(s, doc, host, tool, {{2, 2}, {3, 2}});
        EXPECT_EQ(Format(doc).Bitmap->Pixel(2, 2), 0u);
        EXPECT_EQ(Format(doc).Mask->Byte0(2, 2), 255);
        EXPECT_EQ(Format(doc).Mask->Byte0(7, 7), tool == tiBucket ? 255 : 0);
    }
}

TEST(PaintingTools, HardBrushDiscMatchesTheTipAndASoftEdgeFades)
{
    // A stroke of one point with a hard brush paints exactly the tip's footprint.
    for (int n : {1, 2, 3, 4, 7, 8, 15}) {
        SCOPED_TRACE(n);
        Bitmap24 stamp(20, 20);
        StampBrushSegment(stamp, stamp.Bounds(), {9, 9}, {9, 9}, n, 255);
        Bitmap24 tip(n, n);
        MakeBrushTip(tip, n, 255);
        const int r = (n - 1) / 2;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const int i = x - 9 + r, j = y - 9 + r;
                const bool inTip = i >= 0 && j >= 0 && i < n && j < n && tip.Row(j)[i * 3] != 255;
                ASSERT_EQ(stamp.Row(y)[x * 3] == 0, inTip) << x << "," << y;
                ASSERT_EQ(stamp.Row(y)[x * 3] == 255, !inTip) << x << "," << y;
            }
    }
    // Softness 1 on size 7 (r = 3): the greys step down 254, 169, 84 toward a black core.
    Bitmap24 stamp(20, 20);
    StampBrushSegment(stamp, stamp.Bounds(), {3, 9}, {15, 9}, 7, 1);
    EXPECT_EQ(stamp.Row(9)[9 * 3], 0);
    EXPECT_EQ(stamp.Row(8)[9 * 3], 84);
    EXPECT_EQ(stamp.Row(7)[9 * 3], 169);
    EXPECT_EQ(stamp.Row(6)[9 * 3], 254);
    EXPECT_EQ(stamp.Row(5)[9 * 3], 255);
}

TEST(PaintingTools, AStrokeDrawnSegmentBySegmentEqualsTheStrokeDrawnWhole)
{
    const struct {
        int w, h, zoom, tool, size;
        int32_t type;
    } cases[] = {
        {32, 32, 8, tiBrush, 7, ctTrueAlpha},   // brush size 15, soft
        {32, 32, 8, tiBrush, 2, ctTrueColor},
        {48, 24, 3, tiPencil, 4, ctTrueAlpha},
        {16, 16, 5, tiPencil, 1, ctColors16},
        {20, 20, 4, tiEraser, 6, ctTrueAlpha},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tool * 100 + c.size);
        TIconImageRec start = PatternFormat(c.w, c.h, c.type, 3);
        TDocumentModel doc;
        doc.Images.Add(std::move(start));
        doc.CurrentIndex = 0;
        doc.ZoomFactor = c.zoom;
        TPaintOptions o;
        o.PencilSize = o.EraserSize = c.size;
        o.BrushSize = c.size;
        o.BrushGradient = 20;
        RecordingHost host;
        host.colors = TToolColors{MakeColor(30, 200, 90), MakeColor(180, 180, 180)};
        TToolSession s;
        // A wandering walk that leaves the canvas now and then.
        std::mt19937 rng(7);
        std::vector<Point> cells{{c.w / 2, c.h / 2}};
        for (int i = 0; i < 300; ++i) {
            Point p = cells.back();
            p.X += int(rng() % 5) - 2;
            p.Y += int(rng() % 5) - 2;
            p.X = std::clamp(p.X, -6, c.w + 6);
            p.Y = std::clamp(p.Y, -6, c.h + 6);
            cells.push_back(p);
        }
        const int z = c.zoom;
        s.Mouse(doc, host, c.tool, tpPress, cells[0].X * z, cells[0].Y * z, true, o);
        for (size_t i = 1; i < cells.size(); ++i) s.Mouse(doc, host, c.tool, tpMove, cells[i].X * z, cells[i].Y * z, true, o);
        const Bitmap24 bitmap = *Format(doc).Bitmap, mask = *Format(doc).Mask;
        // The same stroke drawn whole from the backups.
        const int kind = c.tool == tiBrush ? fkBrush : c.tool == tiEraser ? fkEraser : fkPencil;
        RedrawStroke(s, doc, FreehandParams(kind, o, host.colors));
        EXPECT_TRUE(*Format(doc).Bitmap == bitmap);
        EXPECT_TRUE(*Format(doc).Mask == mask);
        s.Mouse(doc, host, c.tool, tpRelease, 0, 0, false, o);
    }
}

TEST(PaintingTools, TheStrokeStopsGrowingAtItsPointLimit)
{
    TDocumentModel doc = Document(4, 4, ctTrueColor, 1);
    RecordingHost host;
    TToolSession s;
    s.Mouse(doc, host, tiPencil, tpPress, 0, 0, true, {});
    for (int i = 1; i < TToolSession::MaxStrokePoints + 20; ++i) s.Mouse(doc, host, tiPencil, tpMove, i % 2, i % 3, true, {});
    EXPECT_EQ(int(doc.StrokePoints.size()), TToolSession::MaxStrokePoints);
    const int i = TToolSession::MaxStrokePoints + 19;
    EXPECT_EQ(doc.StrokePoints.back(), (Point{i % 2, i % 3}));
}

TEST(PaintingTools, LinesIncludeTheirEndCellAndWideLinesAreRound)
{
    TDocumentModel doc = Document(16, 16, ctTrueColor, 2);
    RecordingHost host;
    host.colors.Color = 0;
    TToolSession s;
    // The line follows the mouse: only the last cell counts.
    Drag(s, doc, host, tiLine, {{1, 1}, {9, 9}, {6, 1}});
    const TIconImageRec& f = Format(doc);
    for (int x = 1; x <= 6; ++x) EXPECT_EQ(f.Bitmap->Pixel(x, 1), 0u) << x;
    EXPECT_EQ(f.Bitmap->Pixel(7, 1), 0xFFFFFFu);
    EXPECT_EQ(f.Bitmap->Pixel(5, 5), 0xFFFFFFu);
    ASSERT_EQ(host.releases.size(), 1u);
    EXPECT_EQ(host.releases[0].Caption, "Line");

    // Width 5: the ends are round (the corner beyond the end stays clear).
    TDocumentModel wide = Document(16, 16, ctTrueColor, 2);
    TPaintOptions o;
    o.LineSize = 5;
    Drag(s, wide, host, tiLine, {{4, 8}, {11, 8}}, o);
    const TIconImageRec& g = Format(wide);
    EXPECT_EQ(g.Bitmap->Pixel(2, 8), 0u);
    EXPECT_EQ(g.Bitmap->Pixel(4, 6), 0u);
    EXPECT_EQ(g.Bitmap->Pixel(2, 6), 0xFFFFFFu);
    EXPECT_EQ(g.Bitmap->Pixel(13, 10), 0xFFFFFFu);

    // Anti-aliased: partial cover between the rows of a shallow line.
    TDocumentModel aa = Document(16, 16, ctTrueColor, 2);
    o.LineSize = 1;
    o.LineAntiAlias = true;
    Drag(s, aa, host, tiLine, {{0, 0}, {8, 4}}, o);
    const TColor mid = Format(aa).Bitmap->Pixel(1, 0);
    EXPECT_NE(mid, 0u);
    EXPECT_NE(mid, 0xFFFFFFu);
}

TEST(PaintingTools, ASnapshotIsTakenEvenWhenNothingWasDrawn)
{
    // A press of the line tool draws nothing until the mouse moves; the step is recorded anyway.
    TDocumentModel doc = Document(8, 8, ctTrueColor, 2);
    const Bitmap24 before = *Format(doc).Bitmap;
    RecordingHost host;
    TToolSession s;
    Drag(s, doc, host, tiLine, {{3, 3}});
    EXPECT_TRUE(*Format(doc).Bitmap == before);
    ASSERT_EQ(host.releases.size(), 1u);
    EXPECT_EQ(host.releases[0].Caption, "Line");
}

TEST(PaintingTools, BucketFillsPressesOffThePixelsFillNothingAndHoverChangesNothing)
{
    TDocumentModel doc = Document(8, 8, ctTrueColor, 4, 0xFFFFFF, 0);
    for (int y = 0; y < 8; ++y) Format(doc).Bitmap->SetPixel(4, y, 0); // a wall at x = 4
    RecordingHost host;
    host.colors.Color = MakeColor(0, 255, 0);
    TToolSession s;
    // Hover left of the wall: the preview shows the left half green, the format stays white.
    s.Mouse(doc, host, tiBucket, tpMove, 1 * 4, 1 * 4, false, {});
    EXPECT_EQ(host.bucketPreviews, 1);
    EXPECT_EQ(host.previewBitmap.Pixel(0, 0), MakeColor(0, 255, 0));
    EXPECT_EQ(host.previewBitmap.Pixel(6, 0), 0xFFFFFFu);
    EXPECT_EQ(Format(doc).Bitmap->Pixel(0, 0), 0xFFFFFFu);
    // A press on the canvas's extra last column fills nothing.
    Drag(s, doc, host, tiBucket, {{8, 2}});
    EXPECT_EQ(Format(doc).Bitmap->Pixel(7, 2), 0xFFFFFFu);
    EXPECT_EQ(host.releases.back().Caption, "Bucket");
    // A press right of the wall fills the right half only.
    Drag(s, doc, host, tiBucket, {{6, 6}});
    EXPECT_EQ(Format(doc).Bitmap->Pixel(7, 0), MakeColor(0, 255, 0));
    EXPECT_EQ(Format(doc).Bitmap->Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(Format(doc).Bitmap->Pixel(4, 0), 0u);
    // A one-pixel format.
    TDocumentModel one = Document(1, 1, ctColors16, 10, 3, 0);
    host.colors.Color = 7;
    Drag(s, one, host, tiBucket, {{0, 0}});
    EXPECT_EQ(Format(one).Bitmap->Pixel(0, 0), 7u);
}

TEST(PaintingTools, PickerTakesIndicesOrColoursAndAlpha)
{
    TDocumentModel pal = Document(4, 4, ctColors16, 5, 0, 0);
    Format(pal).Bitmap->SetPixel(2, 1, 0x0000FD); // index 13 in the red byte, with stray high bits
    RecordingHost host;
    TToolSession s;
    s.Mouse(pal, host, tiPicker, tpPress, 2 * 5, 1 * 5, true, {});
    ASSERT_EQ(host.picked.size(), 1u);
    EXPECT_EQ(host.picked[0], std::make_pair(TColor(13), 255));
    s.Mouse(pal, host, tiPicker, tpMove, 2 * 5, 1 * 5, true, {});
    const TPaletteEntry e = Format(pal).Palette.palPalEntry[13];
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].first, MakeColor(e.peRed, e.peGreen, e.peBlue));
    s.Mouse(pal, host, tiPicker, tpRelease, 2 * 5, 1 * 5, false, {});
    EXPECT_TRUE(host.releases.empty());

    TDocumentModel tc = Document(4, 4, ctTrueAlpha, 5, MakeColor(10, 20, 30), 55);
    s.Mouse(tc, host, tiPicker, tpPress, 3 * 5, 3 * 5, true, {});
    EXPECT_EQ(host.picked.back(), std::make_pair(MakeColor(10, 20, 30), 200));
    // The canvas's extra column and points held outside are not read.
    s.Mouse(tc, host, tiPicker, tpPress, 4 * 5, 0, true, {});
    s.Mouse(tc, host, tiPicker, tpMove, -7, 3, false, {});
    EXPECT_EQ(host.picked.size(), 2u);
    EXPECT_EQ(host.shown.size(), 1u);
}

TEST(PaintingTools, OutlineFollowsTheMouseWithTheToolsSize)
{
    TDocumentModel doc = Document(16, 16, ctTrueColor, 10);
    RecordingHost host;
    TToolSession s;
    TPaintOptions o;
    o.LineSize = 3;
    s.Mouse(doc, host, tiLine, tpMove, 35, 47, false, o);
    EXPECT_EQ(doc.OutlineRect, (Rect{19, 29, 51, 61}));
    host.rendered.clear();
    o.BrushSize = 2; // tip 5
    s.Mouse(doc, host, tiBrush, tpMove, 55, 55, false, o);
    // The old outline's area is drawn again first, then the new one's.
    ASSERT_EQ(host.rendered.size(), 2u);
    EXPECT_EQ(host.rendered[0], (Rect{19, 29, 51, 61}));
    EXPECT_EQ(doc.OutlineRect, (Rect{29, 29, 81, 81}));
    // A press hides it.
    s.Mouse(doc, host, tiBrush, tpPress, 55, 55, true, o);
    EXPECT_TRUE(doc.OutlineRect.IsEmpty());
}

TEST(PaintingTools, BrushLargerThanTheImageAndDragsOutsideStayInside)
{
    TDocumentModel doc = Document(1, 1, ctTrueAlpha, 3, 0xFFFFFF, 255);
    RecordingHost host;
    TToolSession s;
    TPaintOptions o;
    o.BrushSize = 7;
    Drag(s, doc, host, tiBrush, {{0, 0}, {-40, 3}, {500, -20}, {0, 0}}, o);
    EXPECT_EQ(Format(doc).Mask->Byte0(0, 0), 0); // painted at full alpha
    EXPECT_EQ(Format(doc).Bitmap->Pixel(0, 0), host.colors.Color);
}

TEST(PaintingTools, ShapesDrawBetweenStartAndMouseWithTheirOwnReleaseSteps)
{
    TPaintOptions o;
    o.RectType = o.EllipseType = 1;
    o.GradientMode = 0;
    o.RectAntiAlias = o.EllipseAntiAlias = false;
    o.RectFillColor = o.EllipseFillColor = MakeColor(0, 0, 250);
    const struct {
        int32_t type;
        TColor color, border, fill;
    } types[] = {
        {ctTrueColor, MakeColor(250, 0, 0), MakeColor(250, 0, 0), MakeColor(0, 0, 250)},
        // Palette formats: indices, held to the palette's last entry.
        {ctColors16, 0x3, 3, (0xFA0000u & 15u)},
        {ctColors2, 0xFF, 1, 0},
    };
    for (const auto& t : types) {
        SCOPED_TRACE(t.type);
        TDocumentModel doc = Document(16, 16, t.type, 3, 0, 0);
        Format(doc).Bitmap->Fill(MakeColor(1, 1, 1) & (t.type == ctTrueColor ? 0xFFFFFF : 1));
        const TColor ground = Format(doc).Bitmap->Pixel(0, 0);
        RecordingHost host;
        host.colors.Color = t.color;
        TToolSession s;
        // From (10, 10) to (4, 4): the rectangle (4, 4, 10, 10), the start cell outside it.
        Drag(s, doc, host, tiRectangle, {{10, 10}, {12, 1}, {4, 4}}, o);
        const TIconImageRec& f = Format(doc);
        EXPECT_EQ(f.Bitmap->Pixel(4, 4), t.border);
        EXPECT_EQ(f.Bitmap->Pixel(9, 9), t.border);
        EXPECT_EQ(f.Bitmap->Pixel(6, 7), t.fill);
        EXPECT_EQ(f.Bitmap->Pixel(10, 10), ground);
        EXPECT_EQ(f.Bitmap->Pixel(11, 2), ground); // the earlier drag position is gone
        ASSERT_EQ(host.releases.size(), 1u);
        EXPECT_EQ(host.releases[0].Caption, "Rectangle");
        EXPECT_TRUE(host.releases[0].Preview);
        EXPECT_FALSE(host.releases[0].AddHistory);

        Drag(s, doc, host, tiEllipse, {{1, 1}, {14, 14}}, o);
        EXPECT_EQ(f.Bitmap->Pixel(7, 7), t.fill);
        EXPECT_EQ(f.Bitmap->Pixel(1, 1), ground); // outside the ellipse's corner
        ASSERT_EQ(host.releases.size(), 2u);
        EXPECT_EQ(host.releases[1].Caption, "Ellipse");
        EXPECT_FALSE(host.releases[1].Preview);
        EXPECT_FALSE(host.releases[1].AddHistory);
    }

    // Each tool id reaches its own handler: the handlers called by hand draw the same pixels.
    for (int tool : {tiRectangle, tiEllipse}) {
        TDocumentModel viaSession = Document(16, 16, ctTrueColor, 3, 0, 0), byHand = Document(16, 16, ctTrueColor, 3, 0, 0);
        RecordingHost host;
        TToolSession s, t;
        Drag(s, viaSession, host, tool, {{2, 3}, {13, 11}}, o);
        const auto handler = tool == tiRectangle ? RectangleTool : EllipseTool;
        handler(t, byHand, host, TToolEvent{tpPress, 2 * 3 + 1, 3 * 3 + 1, true}, o);
        handler(t, byHand, host, TToolEvent{tpMove, 13 * 3 + 1, 11 * 3 + 1, true}, o);
        handler(t, byHand, host, TToolEvent{tpRelease, 13 * 3, 11 * 3, false}, o);
        EXPECT_EQ(*Format(byHand).Bitmap, *Format(viaSession).Bitmap) << tool;
        EXPECT_NE(*Format(byHand).Bitmap, *Document(16, 16, ctTrueColor, 3, 0, 0).CurrentImage()->Bitmap) << tool;
    }
}
