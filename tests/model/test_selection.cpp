// The selection without a window: snapping to the grid, the two selection tools and their
// readouts, the even-odd mask (checked against a plain crossing count), the Edit commands on the
// clipboard and the pixels, Select All and Select None, and the outline's dots.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include <QClipboard>
#include <QGuiApplication>

#include "iconfiles/qv_clipboard.h"
#include "imaging/imaging_state.h"
#include "model/selection.h"
#include "model/tool_ids.h"
#include "model/tools/selection_tool.h"
#include "model/tools/tool_session.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"

namespace {

struct RecordingHost : TSelectionHost {
    struct Readout {
        int Tool = 0;
        Rect Bounds;
        bool HasBitmaps = false;
        Bitmap24 Colour, Mask;
    };
    std::vector<Rect> changed;
    std::vector<Readout> readouts;
    void OutlineChanged(const Rect& area) override { changed.push_back(area); }
    void ShowSelection(int tool, const Rect& bounds, const Bitmap24* colour, const Bitmap24* mask) override
    {
        Readout r{tool, bounds, colour && mask, {}, {}};
        if (colour) r.Colour = *colour;
        if (mask) r.Mask = *mask;
        readouts.push_back(r);
    }
};

TDocumentModel Document(const TIconImageRec& format, int zoom)
{
    TDocumentModel doc;
    doc.AppendFormat(format);
    doc.CurrentIndex = 0;
    doc.ZoomFactor = zoom;
    return doc;
}

// Drags a tool through canvas points: press at the first, held moves, release at the last.
void Drag(TDocumentModel& doc, TSelectionHost& host, int tool, std::initializer_list<Point> canvas)
{
    const Point* p = canvas.begin();
    SelectionToolMouse(doc, host, tool, tpPress, p->X, p->Y, true);
    for (++p; p != canvas.end(); ++p) SelectionToolMouse(doc, host, tool, tpMove, p->X, p->Y, true);
    const Point last = *(canvas.end() - 1);
    SelectionToolMouse(doc, host, tool, tpRelease, last.X, last.Y, false);
}

std::vector<Point> Corners(const TDocumentModel& doc) { return {doc.Points.begin(), doc.Points.begin() + doc.PointCount}; }

// Even-odd by counting the edges a ray from the pixel centre to the right crosses, in whole
// numbers: a centre on an edge belongs to the area right of it.
bool InsideByCrossings(const std::vector<Point>& poly, int x, int y)
{
    bool inside = false;
    const size_t n = poly.size();
    for (size_t i = 0; i < n; ++i) {
        const Point a = poly[i], b = poly[(i + 1) % n];
        if (a.Y == b.Y) continue;
        const int64_t lo = std::min(a.Y, b.Y), hi = std::max(a.Y, b.Y);
        if (!(lo <= y && y < hi)) continue;
        const int64_t dx = b.X - a.X, dy = b.Y - a.Y;
        // crossing > x + 1/2  <=>  2*dy*a.X + (2(y - a.Y) + 1)*dx > (2x + 1)*dy, flipped for dy < 0
        const int64_t lhs = 2 * dy * a.X + (2 * (int64_t(y) - a.Y) + 1) * dx;
        const int64_t rhs = (2 * int64_t(x) + 1) * dy;
        if (dy > 0 ? lhs > rhs : lhs < rhs) inside = !inside;
    }
    return inside;
}

Bitmap24 MaskOf(const std::vector<Point>& poly, int w, int h)
{
    Bitmap24 m = FilledBitmap(w, h, 0);
    FillPolygonEvenOdd(m, poly.data(), int(poly.size()), SelectedMaskColor);
    return m;
}

} // namespace

TEST(Selection, SnapsToTheNearestGridCornerHalvesToEvenAndClamped)
{
    // Zoom 8: 3 canvas pixels right of a grid line snap to it, 5 to the next one.
    EXPECT_EQ(SnapToGrid(8 + 3, 16 + 3, 8, 16, 16), (Point{1, 2}));
    EXPECT_EQ(SnapToGrid(8 + 5, 16 + 5, 8, 16, 16), (Point{2, 3}));
    // Halves go to the even corner.
    EXPECT_EQ(SnapToGrid(1, 3, 2, 16, 16), (Point{0, 2}));
    EXPECT_EQ(SnapToGrid(5, 7, 2, 16, 16), (Point{2, 4}));
    EXPECT_EQ(SnapToGrid(4, 4, 8, 16, 16), (Point{0, 0}));
    EXPECT_EQ(SnapToGrid(12, 12, 8, 16, 16), (Point{2, 2}));
    // Clamped to the format, its far edge included.
    EXPECT_EQ(SnapToGrid(-9, -1, 4, 16, 8), (Point{0, 0}));
    EXPECT_EQ(SnapToGrid(500, 500, 4, 16, 8), (Point{16, 8}));
    // A zoom below one counts as one.
    EXPECT_EQ(SnapToGrid(3, 4, 0, 16, 16), (Point{3, 4}));
}

TEST(Selection, RectangleToolKeepsFiveCornersInImageUnitsAndShowsTheSelectedPixels)
{
    const TIconImageRec f = PatternFormat(16, 16, ctTrueAlpha);
    TDocumentModel doc = Document(f, 8);
    RecordingHost host;
    Drag(doc, host, tiRectSelect, {{8 * 6 + 2, 8 * 5 + 6}, {40, 40}, {8 * 2 + 1, 8 * 9 + 3}});
    ASSERT_TRUE(doc.HasSelection());
    EXPECT_EQ(Corners(doc), (std::vector<Point>{{6, 6}, {2, 6}, {2, 9}, {6, 9}, {6, 6}}));
    ASSERT_EQ(host.readouts.size(), 1u);
    const auto& r = host.readouts[0];
    EXPECT_EQ(r.Tool, tiRectSelect);
    EXPECT_EQ(r.Bounds, MakeRect(2, 6, 6, 9));
    ASSERT_TRUE(r.HasBitmaps);
    ASSERT_EQ(r.Colour.Width(), 4);
    ASSERT_EQ(r.Colour.Height(), 3);
    EXPECT_EQ(r.Colour.Pixel(3, 2), f.Bitmap->Pixel(5, 8));
    EXPECT_EQ(r.Mask.Pixel(0, 0), f.Mask->Pixel(2, 6));
    // Each move showed the outline again where the old and new rectangles lie.
    ASSERT_GE(host.changed.size(), 2u);
    EXPECT_TRUE(RectWithin(MakeRect(2 * 8, 6 * 8, 6 * 8 + 1, 9 * 8 + 1), host.changed.back()));

    // A zoom change keeps the selection on the same pixels.
    Bitmap24 before, after;
    const Rect b1 = RenderSelectionMask(doc, before);
    doc.ZoomFactor = 3;
    const Rect b2 = RenderSelectionMask(doc, after);
    EXPECT_EQ(b1, b2);
    EXPECT_TRUE(before == after);
}

TEST(Selection, ClicksAndFlatShapesLeaveNoSelection)
{
    TDocumentModel doc = Document(PatternFormat(8, 8, ctTrueColor), 4);
    RecordingHost host;
    // A click without a drag.
    Drag(doc, host, tiRectSelect, {{9, 9}});
    EXPECT_FALSE(doc.HasSelection());
    ASSERT_EQ(host.readouts.size(), 1u);
    EXPECT_FALSE(host.readouts[0].HasBitmaps); // the readout is cleared
    EXPECT_EQ(host.readouts[0].Bounds, Rect{});
    // A rectangle of no width.
    Drag(doc, host, tiRectSelect, {{8, 4}, {9, 20}});
    EXPECT_FALSE(doc.HasSelection());
    // A lasso of two points.
    host.readouts.clear();
    Drag(doc, host, tiLasso, {{0, 0}, {16, 16}});
    EXPECT_FALSE(doc.HasSelection());
    ASSERT_EQ(host.readouts.size(), 1u);
    EXPECT_EQ(host.readouts[0].Tool, tiLasso);
    EXPECT_FALSE(host.readouts[0].HasBitmaps);
}

TEST(Selection, LassoKeepsDistinctCornersClosesOnReleaseAndNeverOutgrowsItsList)
{
    const TIconImageRec f = PatternFormat(16, 16, ctColors256);
    TDocumentModel doc = Document(f, 4);
    RecordingHost host;
    // (5, 5) and (3, 5) snap to the corner the press took: nothing is added for them.
    Drag(doc, host, tiLasso, {{4, 4}, {5, 5}, {3, 5}, {32, 4}, {32, 32}, {4, 32}});
    EXPECT_EQ(Corners(doc), (std::vector<Point>{{1, 1}, {8, 1}, {8, 8}, {1, 8}, {1, 1}}));
    ASSERT_EQ(host.readouts.size(), 1u);
    EXPECT_EQ(host.readouts[0].Tool, tiLasso);
    EXPECT_EQ(host.readouts[0].Bounds, MakeRect(1, 1, 8, 8));
    // The palette format's readout holds true colours.
    EXPECT_EQ(host.readouts[0].Colour.Pixel(0, 0), ShownColor(f, 1, 1));

    // A drag far longer than the list: it stops growing, keeping room for the closing corner.
    TDocumentModel big = Document(SolidFormat(256, 256, ctTrueColor), 1);
    SelectionToolMouse(big, host, tiLasso, tpPress, 0, 0, true);
    for (int i = 1; i < TDocumentModel::MaxPoints + 500; ++i)
        SelectionToolMouse(big, host, tiLasso, tpMove, i % 256, (i / 256) % 256 + (i % 2), true);
    EXPECT_EQ(big.PointCount, TDocumentModel::MaxPoints - 1);
    SelectionToolMouse(big, host, tiLasso, tpRelease, 0, 0, false);
    EXPECT_EQ(big.PointCount, TDocumentModel::MaxPoints);
    EXPECT_EQ(int(big.Points.size()), TDocumentModel::MaxPoints);
    EXPECT_EQ(big.Points[size_t(big.PointCount - 1)], big.Points[0]);
}

TEST(Selection, MaskFollowsTheEvenOddRule)
{
    // A rectangle covers exactly its pixels.
    Bitmap24 m = MaskOf({{1, 2}, {4, 2}, {4, 5}, {1, 5}}, 6, 6);
    EXPECT_EQ(CountPixels(m, SelectedMaskColor), 9);
    EXPECT_TRUE(AreaIs(m, MakeRect(1, 2, 4, 5), SelectedMaskColor));
    // A square traced twice is crossed twice everywhere: nothing inside.
    m = MaskOf({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {4, 0}, {4, 4}, {0, 4}}, 6, 6);
    EXPECT_EQ(CountPixels(m, SelectedMaskColor), 0);
    // A five-pointed star: its centre is enclosed twice and stays out, the points are in.
    const std::vector<Point> star = {{20, 2}, {31, 36}, {2, 15}, {38, 15}, {9, 36}};
    m = MaskOf(star, 40, 40);
    EXPECT_EQ(m.Byte0(20, 20), 0);
    EXPECT_EQ(m.Byte0(20, 6), 255);
    EXPECT_EQ(m.Byte0(6, 16), 255);
    // Whatever the outline, every pixel agrees with a plain count of crossings at its centre.
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        std::vector<Point> poly(size_t(3 + rng() % 40));
        for (Point& p : poly) p = Point{int(rng() % 40) - 4, int(rng() % 40) - 4};
        m = MaskOf(poly, 32, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(m.Byte0(x, y) == 255, InsideByCrossings(poly, x, y)) << "round " << round << " at " << x << "," << y;
    }
    // Two shapes sharing a diagonal edge never both take a pixel, and together leave no gap.
    const Bitmap24 a = MaskOf({{0, 0}, {8, 0}, {0, 8}}, 8, 8);
    const Bitmap24 b = MaskOf({{8, 0}, {8, 8}, {0, 8}}, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_NE(a.Byte0(x, y) == 255, b.Byte0(x, y) == 255) << x << "," << y;
}

TEST(Selection, RenderSelectionMaskLeavesTheBitmapAloneWithoutASelection)
{
    TDocumentModel doc = Document(PatternFormat(8, 6, ctTrueColor), 2);
    Bitmap24 mask = FilledBitmap(3, 3, 0x123456);
    EXPECT_EQ(RenderSelectionMask(doc, mask), Rect{});
    EXPECT_EQ(mask.Width(), 3);
    EXPECT_EQ(mask.Pixel(1, 1), 0x123456u);
    SelectAll(doc);
    EXPECT_EQ(RenderSelectionMask(doc, mask), MakeRect(0, 0, 8, 6));
    EXPECT_EQ(mask.Width(), 8);
    EXPECT_EQ(mask.Height(), 6);
    EXPECT_EQ(CountPixels(mask, MakeColor(0, 255, 255)), 48);
}

TEST(Selection, ClearingARoundLassoChangesOnlyThePixelsInsideIt)
{
    for (int32_t type : {ctTrueAlpha, ctColors16}) {
        SCOPED_TRACE(type);
        const TIconImageRec f = PatternFormat(32, 32, type);
        TDocumentModel doc = Document(f, 1);
        std::vector<Point> loop;
        for (int i = 0; i < 24; ++i) {
            const double t = i * 2 * M_PI / 24;
            loop.push_back(Point{int(16 + 12 * std::cos(t)), int(16 + 12 * std::sin(t))});
        }
        std::copy(loop.begin(), loop.end(), doc.Points.begin());
        doc.Points[loop.size()] = loop[0];
        doc.PointCount = int(loop.size()) + 1;
        TQVClipboard clip;
        EXPECT_EQ(SelectionCommand(doc, skClear, clip), QStringLiteral("Clear Selected Area"));
        EXPECT_FALSE(doc.HasSelection());
        const TIconImageRec& now = *doc.CurrentImage();
        int cleared = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                if (InsideByCrossings(loop, x, y)) {
                    ++cleared;
                    // Black is palette index 0 in the 16-colour format.
                    ASSERT_EQ(now.Bitmap->Pixel(x, y), 0u);
                    ASSERT_EQ(now.Mask->Pixel(x, y), 0xFFFFFFu);
                } else {
                    // Corners of the loop's bounding square included.
                    ASSERT_EQ(now.Bitmap->Pixel(x, y), f.Bitmap->Pixel(x, y)) << x << "," << y;
                    ASSERT_EQ(now.Mask->Pixel(x, y), f.Mask->Pixel(x, y));
                }
            }
        EXPECT_GT(cleared, 300);
        EXPECT_EQ(now.Bitmap->Pixel(5, 5), f.Bitmap->Pixel(5, 5)); // inside the bounds, outside the loop
    }
}

TEST(Selection, CopyCutAndNothingWithoutASelection)
{
    ImagingState imaging;
    const TIconImageRec f = PatternFormat(10, 8, ctTrueAlpha);
    TDocumentModel doc = Document(f, 2);
    TQVClipboard clip;
    Bitmap24* colour = nullptr;
    Bitmap24* mask = nullptr;
    Rect rect;

    // Nothing selected: no command touches the clipboard or the pixels.
    QGuiApplication::clipboard()->setText(QStringLiteral("other"));
    for (int kind : {skCopy, skCut, skClear}) EXPECT_TRUE(SelectionCommand(doc, kind, clip).isEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("other"));
    ExpectSameImage(*doc.CurrentImage(), f, "untouched");

    // Select All then Copy: the whole format, the pixels and the selection stay.
    SelectAll(doc);
    EXPECT_TRUE(SelectionCommand(doc, skCopy, clip).isEmpty());
    EXPECT_TRUE(doc.HasSelection());
    ExpectSameImage(*doc.CurrentImage(), f, "after copy");
    clip.Paste(colour, mask, rect);
    ASSERT_TRUE(colour && mask);
    EXPECT_EQ(rect, MakeRect(0, 0, 10, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            ASSERT_EQ(colour->Pixel(x, y), f.Bitmap->Pixel(x, y));
            ASSERT_EQ(mask->Byte0(x, y), f.Mask->Byte0(x, y));
        }

    // Cut: the pixels go to the clipboard, then they are cleared, in one step "Cut".
    RecordingHost host;
    Drag(doc, host, tiRectSelect, {{2, 2}, {8, 6}});
    EXPECT_EQ(SelectionCommand(doc, skCut, clip), QStringLiteral("Cut"));
    EXPECT_FALSE(doc.HasSelection());
    clip.Paste(colour, mask, rect);
    ASSERT_TRUE(colour && mask);
    EXPECT_EQ(rect, MakeRect(0, 0, 3, 2));
    EXPECT_EQ(colour->Pixel(2, 1), f.Bitmap->Pixel(3, 2));
    EXPECT_TRUE(AreaIs(*doc.CurrentImage()->Bitmap, MakeRect(1, 1, 4, 3), 0));
    EXPECT_TRUE(AreaIs(*doc.CurrentImage()->Mask, MakeRect(1, 1, 4, 3), 0xFFFFFF));
    EXPECT_EQ(doc.CurrentImage()->Bitmap->Pixel(4, 1), f.Bitmap->Pixel(4, 1));

    // A kind that is none of the three does nothing.
    SelectAll(doc);
    EXPECT_TRUE(SelectionCommand(doc, 4, clip).isEmpty());
    EXPECT_TRUE(doc.HasSelection());
}

TEST(Selection, SelectAllAndNoneUpdateTheReadoutOnlyForTheSelectionTools)
{
    const TIconImageRec f = PatternFormat(12, 7, ctTrueColor);
    TDocumentModel doc = Document(f, 5);
    RecordingHost host;
    SelectAllShown(doc, host, tiPencil);
    EXPECT_EQ(Corners(doc), (std::vector<Point>{{0, 0}, {12, 0}, {12, 7}, {0, 7}, {0, 0}}));
    EXPECT_TRUE(host.readouts.empty());
    EXPECT_EQ(host.changed.back(), MakeRect(0, 0, 61, 36));
    SelectAllShown(doc, host, tiLasso);
    ASSERT_EQ(host.readouts.size(), 1u);
    EXPECT_EQ(host.readouts[0].Tool, tiLasso);
    EXPECT_EQ(host.readouts[0].Bounds, MakeRect(0, 0, 12, 7));
    EXPECT_EQ(host.readouts[0].Colour.Width(), 12);
    SelectNoneShown(doc, host, tiRectSelect);
    EXPECT_FALSE(doc.HasSelection());
    ASSERT_EQ(host.readouts.size(), 2u);
    EXPECT_EQ(host.readouts[1].Tool, tiRectSelect);
    EXPECT_FALSE(host.readouts[1].HasBitmaps);
    EXPECT_EQ(host.changed.back(), MakeRect(0, 0, 61, 36)); // the old outline goes
    SelectNoneShown(doc, host, tiBrush);
    EXPECT_EQ(host.readouts.size(), 2u);
}

TEST(Selection, OutlineDotsAlternateAlongThePolygonAtTheZoom)
{
    TDocumentModel doc = Document(SolidFormat(4, 4, ctTrueColor), 2);
    SelectAll(doc);
    doc.Points[1] = {2, 0};
    doc.Points[2] = {2, 1};
    doc.Points[3] = {0, 1};
    std::vector<Point> dots;
    SelectionOutlineDots(doc, dots);
    // The 4 x 2 canvas rectangle has 12 outline pixels; every other one is a dot.
    EXPECT_EQ(dots, (std::vector<Point>{{0, 0}, {2, 0}, {4, 0}, {4, 2}, {2, 2}, {0, 2}}));
    EXPECT_EQ(SelectionOutlineArea(doc), MakeRect(0, 0, 5, 3));
    SelectNone(doc);
    SelectionOutlineDots(doc, dots);
    EXPECT_TRUE(dots.empty());
    EXPECT_EQ(SelectionOutlineArea(doc), Rect{});
}
