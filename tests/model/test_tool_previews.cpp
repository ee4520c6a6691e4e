// The tools window's previews without the window: the checkerboard, the footprints and the line
// against what the tools themselves paint, the text preview with empty, huge and very long texts,
// the shape pages' swatch and preview, the selection and bucket thumbnails and the picked colour.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "imaging/compositing.h"
#include "imaging/icon_image.h"
#include "imaging/imaging_state.h"
#include "imaging/paint.h"
#include "model/tool_previews.h"
#include "model/tool_settings.h"
#include "model/tools/freehand_tool.h"
#include "model/tools/line_tool.h"
#include "model/tools/shape_tool.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"

namespace {

TColor Checker(int x, int y) { return GreyColor(((x ^ y) & 4) ? 255 : 220); }

// One channel of c laid over g by mask m, as the canvas composes.
int Over(int c, int g, int m) { return (c * (255 - m) + g * m + 127) / 255; }
TColor OverColor(TColor c, TColor g, int m)
{
    return MakeColor(Over(ColorR(c), ColorR(g), m), Over(ColorG(c), ColorG(g), m), Over(ColorB(c), ColorB(g), m));
}

// Each pixel of the tip painted into a fresh format by the tool's own dab must sit, three times
// larger, in the preview's working bitmaps at the centred square.
void ExpectMagnifiedDab(const TPreviewWork& work, const TIconImageRec& dab, int size)
{
    const int at = (StrokePreviewSize - PreviewMagnification * size) / 2;
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i)
            for (int b = 0; b < PreviewMagnification; ++b)
                for (int a = 0; a < PreviewMagnification; ++a) {
                    const int x = at + i * PreviewMagnification + a, y = at + j * PreviewMagnification + b;
                    ASSERT_EQ(work.Color.Pixel(x, y), dab.Bitmap->Pixel(i, j)) << i << "," << j;
                    ASSERT_EQ(work.Mask.Byte0(x, y), dab.Mask->Byte0(i, j)) << i << "," << j;
                }
}

} // namespace

TEST(ToolPreviews, CheckerboardIs255Where2ndBitsDifferElse220)
{
    Bitmap24 b(16, 16);
    DrawPreviewChecker(b, SizeRect(16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(b.Pixel(x, y), Checker(x, y)) << x << "," << y;
    EXPECT_EQ(b.Pixel(0, 0), GreyColor(220));
    EXPECT_EQ(b.Pixel(4, 0), GreyColor(255));
    EXPECT_EQ(b.Pixel(4, 4), GreyColor(220));
}

TEST(ToolPreviews, FootprintsAreTheToolsOwnDabMagnifiedThreeTimes)
{
    TToolSettings s;
    TPreviewColors colors;
    colors.Color = MakeColor(200, 30, 10);
    colors.AlphaColor = GreyColor(160);
    struct Case {
        int tool;
        int setting;
        int softness;
        int32_t type;
    };
    const Case cases[] = {
        {tiPencil, 1, 255, ctTrueAlpha}, {tiPencil, 15, 255, ctTrueColor}, {tiBrush, 7, 32, ctTrueAlpha},
        {tiBrush, 2, 1, ctTrueColor},    {tiBrush, 1, 255, ctTrueAlpha},   {tiEraser, 6, 255, ctTrueAlpha},
        {tiEraser, 15, 255, ctTrueColor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tool " << c.tool << " size " << c.setting << " type " << c.type);
        s.PencilSize = s.EraserSize = s.BrushSize = c.setting;
        s.BrushGradient = c.softness;
        colors.ActiveColorType = c.type;
        TPreviewWork work;
        Bitmap24 image;
        DrawFootprintPreview(work, c.tool, s, colors, image);
        ASSERT_EQ(image.Width(), 100);
        ASSERT_EQ(image.Height(), 100);

        const TFootprint f = FootprintOf(c.tool, s, colors);
        const int size = c.tool == tiBrush ? 2 * c.setting + 1 : c.setting;
        ASSERT_EQ(f.Size, size);
        // The eraser cuts through a half-transparent ground; the others paint on nothing.
        TIconImageRec dab = f.Eraser ? SolidFormat(size, size, c.type, EraserGroundColor, 128)
                                     : SolidFormat(size, size, c.type);
        TFreehandParams p;
        p.Size = size;
        p.Softness = f.Softness;
        p.Colors = TToolColors{f.Color, f.Mode};
        const int r = (size - 1) / 2;
        PaintDab(dab, Point{r, r}, p);
        ExpectMagnifiedDab(work, dab, size);

        // The frame: a black outline, the inside the composition over the checkerboard.
        EXPECT_EQ(image.Pixel(0, 0), 0u);
        EXPECT_EQ(image.Pixel(99, 50), 0u);
        EXPECT_EQ(image.Pixel(50, 99), 0u);
        const TColor ground = f.Eraser ? OverColor(EraserGroundColor, Checker(2, 2), 128) : Checker(2, 2);
        EXPECT_EQ(image.Pixel(2, 2), ground);
    }
}

TEST(ToolPreviews, BrushAtSize7ShowsA15PixelTipAs45Pixels)
{
    TToolSettings s;
    s.BrushSize = 7;
    s.BrushGradient = 255;
    TPreviewColors colors;
    colors.Color = 0; // black, opaque
    TPreviewWork work;
    Bitmap24 image;
    DrawFootprintPreview(work, tiBrush, s, colors, image);
    // The hard tip's widest row and column span all 45 pixels, centred at (100 - 45) div 2 = 27.
    const Rect painted = BoundsWhere(image, [](TColor c) { return c == 0; });
    const Rect inner = BoundsWhere(work.Mask, [](TColor c) { return (c & 0xFF0000) == 0; });
    EXPECT_EQ(inner.Left, 27);
    EXPECT_EQ(inner.Top, 27);
    EXPECT_EQ(inner.Right, 72);
    EXPECT_EQ(inner.Bottom, 72);
    EXPECT_EQ(painted.Left, 0); // the outline
}

TEST(ToolPreviews, PaletteFormatsComposeThroughThePalette)
{
    TToolSettings s;
    s.PencilSize = 3;
    TPalette palette;
    LoadDefaultPalette(palette, ctColors16);
    TPreviewColors colors;
    colors.Color = 9; // an index
    colors.Palette = &palette;
    colors.ActiveColorType = ctColors16;
    TPreviewWork work;
    Bitmap24 image;
    DrawFootprintPreview(work, tiPencil, s, colors, image);
    // The index is written, and the picture shows the palette's colour at the centre.
    EXPECT_EQ(work.Color.Pixel(50, 50), 9u);
    EXPECT_EQ(image.Pixel(50, 50), PaletteColor(9, &palette));
}

TEST(ToolPreviews, LineIsTheLineToolsCoverageMagnifiedWithItsOverhangCut)
{
    for (const bool aa : {false, true})
        for (const int width : {1, 2, 5, 15}) {
            SCOPED_TRACE(testing::Message() << "aa " << aa << " width " << width);
            TToolSettings s;
            s.LineSize = width;
            s.LineAntiAlias = aa;
            TPreviewColors colors;
            colors.Color = MakeColor(0, 0, 255);
            TPreviewWork work;
            Bitmap24 image;
            DrawLinePreview(work, s, colors, image);

            // What the line tool paints over a fresh 36 x 36 format.
            TIconImageRec f = SolidFormat(36, 36, ctTrueAlpha);
            Bitmap24 stamp(36, 36), spare(100, 100);
            StampLine(stamp, spare, SizeRect(36, 36), LinePreviewFrom, LinePreviewTo, width, aa);
            PaintStamp(stamp, *f.Bitmap, *f.Mask, f.ColorType, colors.AlphaColor, colors.Color, SizeRect(36, 36));
            // Image pixel p shows format pixel (p + 4) div 3; only 1..98 is shown.
            for (int y = 1; y < 99; ++y)
                for (int x = 1; x < 99; ++x) {
                    const int fx = (x + 4) / 3, fy = (y + 4) / 3;
                    ASSERT_EQ(work.Color.Pixel(x, y), f.Bitmap->Pixel(fx, fy)) << x << "," << y;
                    ASSERT_EQ(work.Mask.Byte0(x, y), f.Mask->Byte0(fx, fy)) << x << "," << y;
                }
            EXPECT_EQ(image.Pixel(99, 99), 0u);
        }
}

TEST(ToolPreviews, TextPreviewCopesWithEmptyHugeAndVeryLongTexts)
{
    TPreviewColors colors;
    colors.Color = 0;
    const TColor face = MakeColor(10, 20, 30);
    struct Case {
        QString text;
        int w, h, angle;
        bool aa;
    };
    const Case cases[] = {
        {QString(), 32, 32, 0, false},
        {QString(10000, QLatin1Char('W')), 32, 32, 0, true},
        {QStringLiteral("Hello"), 1000, 1000, 45, false},
        {QStringLiteral("Hello"), 1000, 4, 0, true},
        {QStringLiteral("Hello"), 252, 252, -30, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text.size() << " chars " << c.w << "x" << c.h);
        TToolSettings s;
        s.TextText = c.text;
        s.TextW = c.w;
        s.TextH = c.h;
        s.TextAngle = c.angle;
        s.TextAntiAlias = c.aa;
        TPreviewWork work;
        Bitmap24 image;
        DrawTextPreview(work, s, colors, face, image);
        ASSERT_EQ(image.Width(), TextPreviewSize);
        // The composition covers the whole picture: the checkerboard shows at the corner.
        EXPECT_TRUE(image.Pixel(0, 0) == GreyColor(220) || image.Pixel(0, 0) == GreyColor(255));
        EXPECT_EQ(work.Color.Width(), PreviewWorkSize);
    }
    // A visible text leaves black in the picture, an empty one none.
    TToolSettings s;
    s.TextText = QStringLiteral("MMMM");
    s.TextW = 60;
    s.TextH = 30;
    TPreviewWork work;
    Bitmap24 image;
    DrawTextPreview(work, s, colors, face, image);
    EXPECT_FALSE(BoundsWhere(image, [](TColor c) { return c == 0; }).IsEmpty());
    s.TextText.clear();
    DrawTextPreview(work, s, colors, face, image);
    EXPECT_TRUE(BoundsWhere(image, [](TColor c) { return c == 0; }).IsEmpty());
}

TEST(ToolPreviews, ShapeSwatchShowsTheFillAndItsCaption)
{
    TToolSettings s;
    TPreviewColors colors;
    TPreviewWork work;
    Bitmap24 swatch;
    const QFont font;
    // The gradient: white at the left, blue at the right, in a black frame.
    DrawShapeSwatch(work, spRect, s, colors, font, swatch);
    ASSERT_EQ(swatch.Width(), 161);
    ASSERT_EQ(swatch.Height(), 25);
    EXPECT_EQ(swatch.Pixel(0, 12), 0u);
    EXPECT_EQ(swatch.Pixel(160, 12), 0u);
    EXPECT_EQ(swatch.Pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(ColorB(swatch.Pixel(159, 1)), 255);
    EXPECT_LT(ColorR(swatch.Pixel(159, 1)), 8);
    EXPECT_EQ(ShapeSwatchCaption(ctTrueAlpha), QStringLiteral("Click to change color"));
    EXPECT_EQ(ShapeSwatchCaption(ctColors256), QStringLiteral("Depend on color panel"));
    // A solid fill: the fill colour, the caption in its inverse.
    s.Rect.Gradient = false;
    s.Rect.FillColor = MakeColor(0, 128, 0);
    DrawShapeSwatch(work, spRect, s, colors, font, swatch);
    EXPECT_EQ(swatch.Pixel(3, 3), MakeColor(0, 128, 0));
    const TColor inverse = MakeColor(0, 128, 0) ^ 0xFFFFFFu;
    EXPECT_FALSE(BoundsWhere(swatch, [inverse](TColor c) { return c == inverse; }).IsEmpty());
    // In a palette the fill is an index shown through the palette.
    TPalette palette;
    LoadDefaultPalette(palette, ctColors16);
    colors.Palette = &palette;
    colors.PanelColorType = ctColors16;
    s.Rect.FillColor = 12;
    DrawShapeSwatch(work, spEllipse, s, colors, font, swatch);
    s.Ellipse.Gradient = false;
    s.Ellipse.FillColor = 12;
    DrawShapeSwatch(work, spEllipse, s, colors, font, swatch);
    EXPECT_EQ(swatch.Pixel(3, 3), PaletteColor(12, &palette));
}

TEST(ToolPreviews, ShapePreviewIsTheShapeOverTheCheckerboard)
{
    TToolSettings s;
    TPreviewColors colors;
    colors.Color = 0; // border black
    TPreviewWork work;
    Bitmap24 preview;
    // Outline only: the checkerboard shows inside, the border at the edge.
    s.Rect.Type = stOutline;
    s.Rect.AntiAlias = false;
    s.GradientMode = gmSolid;
    DrawShapePreview(work, spRect, s, colors, preview);
    ASSERT_EQ(preview.Width(), 70);
    EXPECT_EQ(preview.Pixel(0, 35), 0u);
    EXPECT_EQ(preview.Pixel(35, 35), Checker(35, 35));
    // Fill only with a solid colour: no border, the fill everywhere.
    s.Rect.Type = stFill;
    s.Rect.FillColor = MakeColor(10, 200, 30);
    DrawShapePreview(work, spRect, s, colors, preview);
    EXPECT_EQ(preview.Pixel(0, 35), MakeColor(10, 200, 30));
    EXPECT_EQ(preview.Pixel(35, 35), MakeColor(10, 200, 30));
    // The ellipse leaves the corners to the checkerboard.
    s.Ellipse.Type = stFill;
    s.Ellipse.FillColor = MakeColor(10, 200, 30);
    DrawShapePreview(work, spEllipse, s, colors, preview);
    EXPECT_EQ(preview.Pixel(0, 0), Checker(0, 0));
    EXPECT_EQ(preview.Pixel(35, 35), MakeColor(10, 200, 30));
    // A half-transparent colour lets the checkerboard through.
    colors.AlphaColor = GreyColor(128);
    DrawShapePreview(work, spEllipse, s, colors, preview);
    EXPECT_NE(preview.Pixel(35, 35), MakeColor(10, 200, 30));
    // Vertical gradient: white at the top to blue at the bottom.
    colors.AlphaColor = 0xFFFFFF;
    s.Rect.Type = stOutlineAndFill;
    s.GradientMode = gmVertical;
    DrawShapePreview(work, spRect, s, colors, preview);
    EXPECT_GT(ColorR(preview.Pixel(35, 3)), 200);
    EXPECT_LT(ColorR(preview.Pixel(35, 66)), 40);
}

TEST(ToolPreviews, ThumbnailsFitKeepingTheAspect)
{
    EXPECT_EQ(FitThumbnail(40, 1), QSize(128, 3));
    EXPECT_EQ(FitThumbnail(1, 40), QSize(3, 128));
    EXPECT_EQ(FitThumbnail(256, 256), QSize(128, 128));
    EXPECT_EQ(FitThumbnail(2, 1000), QSize(1, 128)); // never a side of 0
    EXPECT_EQ(FitThumbnail(0, 5), QSize(0, 0));

    // A selection 40 wide and 1 high: a 128 x 3 strip centred, the face around it.
    Bitmap24 color = FilledBitmap(40, 1, MakeColor(255, 0, 0));
    Bitmap24 mask = FilledBitmap(40, 1, 0);
    TPreviewWork work;
    Bitmap24 image;
    const TColor face = MakeColor(1, 2, 3);
    ASSERT_TRUE(DrawThumbnail(work, color, mask, SizeRect(40, 1), nullptr, face, image));
    EXPECT_EQ(ChangedRect(image, face), (Rect{0, 62, 128, 65}));
    EXPECT_EQ(image.Pixel(64, 63), MakeColor(255, 0, 0));
    // Nothing to show: nothing changes.
    EXPECT_FALSE(DrawThumbnail(work, color, mask, Rect{5, 0, 5, 1}, nullptr, face, image));

    const TSelectionLabels labels = SelectionLabels(Rect{3, 4, 43, 5});
    EXPECT_EQ(labels.X, QStringLiteral("X: 3"));
    EXPECT_EQ(labels.Y, QStringLiteral("Y: 4"));
    EXPECT_EQ(labels.W, QStringLiteral("W: 40"));
    EXPECT_EQ(labels.H, QStringLiteral("H: 1"));
}

TEST(ToolPreviews, BucketThumbnailTakesItsRectangleAndMapsThePaletteOnce)
{
    TPalette palette;
    LoadDefaultPalette(palette, ctColors16);
    // Indices in a 16 x 16 trial fill: 4 everywhere, 12 in the lower right quarter.
    Bitmap24 color = FilledBitmap(16, 16, 4);
    for (int y = 8; y < 16; ++y)
        for (int x = 8; x < 16; ++x) color.SetPixel(x, y, 12);
    Bitmap24 mask = FilledBitmap(16, 16, 0);
    TPreviewWork work;
    Bitmap24 image;
    ASSERT_TRUE(DrawThumbnail(work, color, mask, Rect{8, 8, 16, 16}, &palette, 0, image));
    // From the rectangle, not from the origin: all of it is entry 12.
    EXPECT_EQ(image.Pixel(0, 0), PaletteColor(12, &palette));
    EXPECT_EQ(image.Pixel(127, 127), PaletteColor(12, &palette));
}

TEST(ToolPreviews, PickedColourOverTheCheckerboardByAlpha)
{
    Bitmap24 swatch;
    const TColor c = MakeColor(200, 100, 50);
    DrawPickedColour(c, 0, swatch);
    ASSERT_EQ(swatch.Width(), 78);
    for (int y = 0; y < 78; y += 3)
        for (int x = 0; x < 78; x += 5) ASSERT_EQ(swatch.Pixel(x, y), Checker(x, y));
    DrawPickedColour(c, 255, swatch);
    EXPECT_EQ(swatch.Pixel(0, 0), c);
    EXPECT_EQ(swatch.Pixel(4, 0), c);
    DrawPickedColour(c, 128, swatch);
    EXPECT_EQ(swatch.Pixel(0, 0), OverColor(c, GreyColor(220), 127));
    EXPECT_EQ(swatch.Pixel(4, 0), OverColor(c, GreyColor(255), 127));
    DrawPickedColour(c, 999, swatch); // out of range reads as opaque
    EXPECT_EQ(swatch.Pixel(0, 0), c);

    const TPickerLabels labels = PickedColourLabels(c, 17);
    EXPECT_EQ(labels.R, QStringLiteral("R:200"));
    EXPECT_EQ(labels.G, QStringLiteral("G:100"));
    EXPECT_EQ(labels.B, QStringLiteral("B:50"));
    EXPECT_EQ(labels.A, QStringLiteral("A:17"));
}

TEST(ToolPreviews, ShapePreviewIsWhatTheShapeToolsDrawOverA70PixelFormat)
{
    struct Case {
        TShapePage page;
        int type;
        int mode;
        bool aa;
        int border;
        int round;
        int32_t colorType;
    };
    const Case cases[] = {
        {spRect, stOutlineAndFill, gmVertical, true, 1, 0, ctTrueAlpha},
        {spRect, stOutline, gmSolid, false, 5, 12, ctTrueAlpha},
        {spRect, stFill, gmRadial, true, 3, 30, ctTrueColor},
        {spRect, stOutlineAndFill, gmBox, true, 15, 255, ctTrueAlpha},
        {spEllipse, stOutlineAndFill, gmHorizontal, true, 2, 0, ctTrueAlpha},
        {spEllipse, stFill, gmSolid, false, 1, 0, ctTrueColor},
        {spEllipse, stOutline, gmSolid, true, 7, 0, ctTrueAlpha},
        {spRect, stOutline, gmSolid, false, 2, 0, ctColors16},
        {spEllipse, stFill, gmSolid, false, 1, 0, ctColors16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "page " << c.page << " type " << c.type << " mode " << c.mode << " aa "
                                        << c.aa << " colour type " << c.colorType);
        TToolSettings s;
        TShapeOptions& shape = s.Shape(c.page);
        shape.Type = c.type;
        shape.AntiAlias = c.aa;
        shape.BorderSize = c.border;
        shape.Round = c.round;
        shape.FillColor = IsPaletteColorType(c.colorType) ? 11 : MakeColor(20, 180, 90);
        s.GradientMode = c.mode;
        TPalette palette;
        LoadDefaultPalette(palette, c.colorType);
        TPreviewColors colors;
        colors.Color = IsPaletteColorType(c.colorType) ? 9 : MakeColor(200, 10, 10);
        colors.AlphaColor = GreyColor(200);
        colors.PanelColorType = c.colorType;
        colors.Palette = IsPaletteColorType(c.colorType) ? &palette : nullptr;
        TPreviewWork work;
        Bitmap24 preview;
        DrawShapePreview(work, c.page, s, colors, preview);

        TDocumentModel doc;
        doc.Images.Add(SolidFormat(70, 70, c.colorType));
        doc.CurrentIndex = 0;
        doc.TakeBackups();
        TPaintOptions o;
        o.RectType = s.Rect.Type, o.EllipseType = s.Ellipse.Type;
        o.RectAntiAlias = s.Rect.AntiAlias, o.EllipseAntiAlias = s.Ellipse.AntiAlias;
        o.RectBorderSize = s.Rect.BorderSize, o.EllipseBorderSize = s.Ellipse.BorderSize;
        o.RectRound = s.Rect.Round, o.GradientMode = s.GradientMode;
        o.RectFillColor = s.Rect.FillColor, o.EllipseFillColor = s.Ellipse.FillColor;
        o.RectGradientStrip = &s.Rect.Strip, o.EllipseGradientStrip = &s.Ellipse.Strip;
        (c.page == spRect ? DrawRectangle : DrawEllipse)(doc, Point{0, 0}, Point{70, 70}, o,
                                                         TToolColors{colors.Color, colors.AlphaColor});
        const TIconImageRec& f = *doc.CurrentImage();
        for (int y = 0; y < 70; ++y)
            for (int x = 0; x < 70; ++x) {
                ASSERT_EQ(work.Color.Pixel(x, y), f.Bitmap->Pixel(x, y)) << x << "," << y;
                ASSERT_EQ(work.Mask.Byte0(x, y), f.Mask->Byte0(x, y)) << x << "," << y;
            }
    }
}
