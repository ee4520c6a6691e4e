// The document's state without its window: canvas fit, rendering, formats, caption, palette.
#include <gtest/gtest.h>

#include <random>

#include "support/format_helpers.h"
#include "support/test_support.h"
#include "iconfiles/file_access.h"
#include "model/document_model.h"

namespace {

// Sets a pixel's colour and transparency (0 opaque .. 255 transparent).
void SetPixel(TIconImageRec& f, int x, int y, TColor color, int transparency)
{
    f.Bitmap->SetPixel(x, y, color);
    f.Mask->SetPixel(x, y, MakeColor(transparency, transparency, transparency));
}

TDocumentModel DocumentWith(TIconImageRec&& rec)
{
    TDocumentModel doc;
    doc.Images.Add(std::move(rec));
    doc.CurrentIndex = 0;
    return doc;
}

} // namespace

TEST(DocumentModel, ZoomLeavesTenPixelsNeverGoesBelowOneAndCentresTheCanvas)
{
    const struct {
        int areaW, areaH, w, h, zoom;
        bool tooSmall;
    } cases[] = {
        {400, 300, 16, 16, 18, false}, // (300 - 10) div 16
        {300, 600, 48, 24, 6, false},  // the width decides
        {266, 266, 256, 256, 1, false}, // one pixel a format pixel, and the margin
        {200, 200, 256, 256, 1, true},
        {3, -40, 16, 16, 1, true}, // smaller than the margin: a negative zoom
    };
    for (const auto& c : cases) {
        const TCanvasFit fit = TDocumentModel::ComputeFit(c.areaW, c.areaH, c.w, c.h);
        EXPECT_EQ(fit.Zoom, c.zoom) << c.areaW << "x" << c.areaH;
        EXPECT_EQ(fit.TooSmall, c.tooSmall) << c.areaW << "x" << c.areaH;
        EXPECT_EQ(QSize(fit.Width, fit.Height), QSize(c.w * c.zoom + 1, c.h * c.zoom + 1));
        EXPECT_EQ(QPoint(fit.Left, fit.Top), QPoint((c.areaW - fit.Width) / 2, (c.areaH - fit.Height) / 2));
    }
}

TEST(DocumentModel, FitCanvasSizesTheBackBufferAndEmptyDocumentsDrawNothing)
{
    TDocumentModel empty;
    empty.ZoomFactor = 5;
    empty.FitCanvas(500, 500);
    EXPECT_EQ(empty.ZoomFactor, 5);
    EXPECT_TRUE(empty.BackBuffer.IsEmpty());
    empty.BackBuffer.SetSize(10, 10);
    empty.BackBuffer.Fill(0x123456);
    EXPECT_TRUE(empty.RenderAll().IsEmpty());
    EXPECT_EQ(empty.BackBuffer.Pixel(5, 5), 0x123456u);

    TDocumentModel doc = DocumentWith(SolidFormat(32, 16, ctTrueAlpha));
    doc.FitCanvas(330, 500);
    EXPECT_EQ(doc.ZoomFactor, 10);
    EXPECT_EQ(doc.BackBuffer.Width(), 321);
    EXPECT_EQ(doc.BackBuffer.Height(), 161);
}

TEST(DocumentModel, RendersCheckerboardGridAndOpaqueWhite)
{
    TIconImageRec f = SolidFormat(16, 16, ctTrueAlpha); // white, fully transparent
    SetPixel(f, 0, 0, 0xFFFFFF, 0);                      // opaque white
    TDocumentModel doc = DocumentWith(std::move(f));
    doc.FitCanvas(16 * 8 + 10, 16 * 8 + 10);
    ASSERT_EQ(doc.ZoomFactor, 8);
    EXPECT_EQ(doc.RenderAll(), doc.CanvasRect());

    const CanvasBuffer& b = doc.BackBuffer;
    // Grid lines on every eighth canvas pixel, the canvas's last row and column included.
    for (QPoint p : {QPoint(0, 5), QPoint(5, 8), QPoint(128, 60), QPoint(60, 128)})
        EXPECT_EQ(b.Pixel(p.x(), p.y()), GridColor) << p.x() << "," << p.y();
    // Opaque white stays white.
    EXPECT_EQ(b.Pixel(3, 3), 0xFFFFFFu);
    // Transparent cells show 4 x 4 checks: light where bit 2 of x and y differ.
    EXPECT_EQ(b.Pixel(9, 9), MakeColor(220, 220, 220));
    EXPECT_EQ(b.Pixel(13, 9), MakeColor(255, 255, 255));
    EXPECT_EQ(b.Pixel(13, 13), MakeColor(220, 220, 220));
    EXPECT_EQ(b.Pixel(9, 14), MakeColor(255, 255, 255));
}

TEST(DocumentModel, NoGridBelowZoomThreeAndTheLastPixelRepeats)
{
    TIconImageRec f = SolidFormat(4, 4, ctTrueColor);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) SetPixel(f, x, y, MakeColor(10 * x, 20 * y, 7), 0);
    TDocumentModel doc = DocumentWith(std::move(f));
    doc.FitCanvas(4 * 2 + 10, 4 * 2 + 10);
    ASSERT_EQ(doc.ZoomFactor, 2);
    ASSERT_EQ(doc.ShowGrid, 1); // asked for, but not drawn
    doc.RenderAll();
    EXPECT_EQ(doc.BackBuffer.Pixel(0, 0), MakeColor(0, 0, 7));
    EXPECT_EQ(doc.BackBuffer.Pixel(3, 5), MakeColor(10, 40, 7));
    // Canvas 9 x 9: the extra column and row repeat the last image pixel.
    EXPECT_EQ(doc.BackBuffer.Pixel(8, 8), MakeColor(30, 60, 7));
    EXPECT_EQ(doc.BackBuffer.Pixel(8, 0), MakeColor(30, 0, 7));
}

TEST(DocumentModel, PaletteFormatsShowTheirPaletteAndPartialAlphaBlends)
{
    TIconImageRec f = SolidFormat(2, 1, ctColors16);
    f.Palette.palPalEntry[3] = TPaletteEntry{1, 2, 3, 0};
    SetPixel(f, 0, 0, MakeColor(0x13, 0, 0), 0); // index 0x13 AND 15 = 3
    SetPixel(f, 1, 0, MakeColor(3, 0, 0), 0);
    TDocumentModel doc = DocumentWith(std::move(f));
    doc.ShowGrid = 0;
    doc.FitCanvas(2 * 4 + 10, 1 * 4 + 10);
    doc.RenderAll();
    EXPECT_EQ(doc.BackBuffer.Pixel(1, 1), MakeColor(1, 2, 3));
    EXPECT_EQ(doc.BackBuffer.Pixel(5, 1), MakeColor(1, 2, 3));

    TIconImageRec g = SolidFormat(1, 1, ctTrueAlpha);
    SetPixel(g, 0, 0, MakeColor(100, 0, 255), 128);
    TDocumentModel alpha = DocumentWith(std::move(g));
    alpha.FitCanvas(1 + 10, 1 + 10);
    alpha.RenderAll();
    // (c x 127 + 220 x 128 + 127) div 255 on the dark check at the origin.
    EXPECT_EQ(alpha.BackBuffer.Pixel(0, 0), MakeColor((100 * 127 + 220 * 128 + 127) / 255, (220 * 128 + 127) / 255,
                                                      (255 * 127 + 220 * 128 + 127) / 255));
}

TEST(DocumentModel, PartialRendersMatchTheFullRender)
{
    std::mt19937 rng(7);
    for (int zoom : {1, 3, 5, 16}) {
        TIconImageRec f = SolidFormat(23, 17, ctTrueAlpha);
        *f.Bitmap = NoiseBitmap(23, 17, 1);
        *f.Mask = NoiseBitmap(23, 17, 2);
        TDocumentModel doc = DocumentWith(std::move(f));
        doc.FitCanvas(23 * zoom + 10, 17 * zoom + 10);
        ASSERT_EQ(doc.ZoomFactor, zoom);
        doc.RenderAll();
        const CanvasBuffer full = doc.BackBuffer;
        for (int i = 0; i < 20; ++i) {
            doc.BackBuffer.Fill(0x123456);
            std::uniform_int_distribution<int> dx(-5, full.Width() + 5), dy(-5, full.Height() + 5);
            // Inverted and out-of-range rectangles are normalised and clipped.
            const Rect drawn = doc.RenderRect(Rect{dx(rng), dy(rng), dx(rng), dy(rng)});
            for (int y = 0; y < full.Height(); ++y)
                for (int x = 0; x < full.Width(); ++x) {
                    const bool inside = x >= drawn.Left && x < drawn.Right && y >= drawn.Top && y < drawn.Bottom;
                    ASSERT_EQ(doc.BackBuffer.Pixel(x, y), inside ? full.Pixel(x, y) : 0x123456u)
                        << "zoom " << zoom << " at " << x << "," << y;
                }
        }
    }
}

// Every canvas pixel worked out on its own, the slow way: the grid, else the cell's colour (through
// the palette) over the check under it. Wide rows and odd widths go through every lane and tail of
// the row routines, whichever vector width the processor gives them.
TEST(DocumentModel, EveryCanvasPixelIsItsCellOverItsCheck)
{
    struct Case {
        int width, height, zoom;
        int32_t type;
        int grid;
    };
    for (const Case c : {Case{256, 40, 3, ctTrueAlpha, 1}, Case{37, 11, 5, ctColors256, 1}, Case{61, 7, 2, ctTrueAlpha, 1},
                         Case{19, 23, 7, ctColors16, 0}, Case{33, 5, 1, ctColors256, 0}}) {
        TIconImageRec f = SolidFormat(c.width, c.height, c.type);
        *f.Bitmap = NoiseBitmap(c.width, c.height, 11);
        *f.Mask = NoiseBitmap(c.width, c.height, 12);
        // Whole opaque and whole transparent cells besides the blends.
        for (int x = 0; x < c.width; x += 5) f.Mask->SetPixel(x, 0, x % 2 ? 0xFFFFFF : 0);
        if (c.type != ctTrueAlpha) {
            std::mt19937 rng(uint32_t(c.width));
            for (int i = 0; i < f.Palette.palNumEntries; ++i)
                f.Palette.palPalEntry[size_t(i)] =
                    TPaletteEntry{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
        }
        const Bitmap24 colours = *f.Bitmap, masks = *f.Mask;
        const TPalette shown = f.Palette;
        const TPalette* palette = c.type != ctTrueAlpha ? &shown : nullptr;
        TDocumentModel doc = DocumentWith(std::move(f));
        doc.ShowGrid = c.grid;
        doc.FitCanvas(c.width * c.zoom + 10, c.height * c.zoom + 10);
        ASSERT_EQ(doc.ZoomFactor, c.zoom);
        doc.RenderAll();
        const bool grid = c.grid == 1 && c.zoom > 2;
        for (int y = 0; y < doc.BackBuffer.Height(); ++y)
            for (int x = 0; x < doc.BackBuffer.Width(); ++x) {
                TColor want = GridColor;
                if (!(grid && (x % c.zoom == 0 || y % c.zoom == 0))) {
                    const int ix = std::min(x / c.zoom, c.width - 1), iy = std::min(y / c.zoom, c.height - 1);
                    const TColor colour = PaletteColor(colours.Pixel(ix, iy), palette);
                    const int m = ColorB(masks.Pixel(ix, iy)); // the first byte of the mask pixel
                    const int ground = ((x >> 2) & 1) != ((y >> 2) & 1) ? 255 : 220;
                    want = MakeColor(CompositeChannel(ColorR(colour), ground, m),
                                     CompositeChannel(ColorG(colour), ground, m),
                                     CompositeChannel(ColorB(colour), ground, m));
                }
                ASSERT_EQ(doc.BackBuffer.Pixel(x, y), want)
                    << c.width << " x " << c.height << " at zoom " << c.zoom << ", canvas " << x << "," << y;
            }
    }
}

TEST(DocumentModel, CaptionShowsTheModifiedMarkAndTheLibraryForm)
{
    TDocumentModel doc;
    doc.FileName = QStringLiteral("Icon1");
    EXPECT_EQ(doc.Caption(), QStringLiteral("Icon1"));
    EXPECT_TRUE(doc.SetModified(true));
    EXPECT_FALSE(doc.SetModified(true));
    EXPECT_EQ(doc.Caption(), QStringLiteral("Icon1 *"));
    doc.LibIconName = QStringLiteral("Star");
    doc.LibName = QStringLiteral("tools.icl");
    EXPECT_EQ(doc.Caption(), QStringLiteral("Star in tools.icl library *"));
    EXPECT_TRUE(doc.SetModified(false));
    EXPECT_EQ(doc.Caption(), QStringLiteral("Star in tools.icl library"));
}

TEST(DocumentModel, AppendCopiesOnlyBitmapsThatCoverTheFormat)
{
    TDocumentModel doc;
    TIconImageRec rec = SolidFormat(8, 8, ctTrueAlpha);
    rec.Id = 42;
    rec.Bitmap = std::make_unique<Bitmap24>(10, 9); // larger: its top-left part is taken
    rec.Bitmap->Fill(0x0000FF);
    rec.Mask = std::make_unique<Bitmap24>(4, 4); // smaller: ignored
    rec.Mask->Fill(0);
    ASSERT_EQ(doc.AppendFormat(rec), 0);
    const TIconImageRec& f = doc.Images[0];
    EXPECT_EQ(f.Id, -1);
    EXPECT_EQ(f.Bitmap->Width(), 8);
    EXPECT_EQ(f.Bitmap->Pixel(7, 7), 0x0000FFu);
    EXPECT_EQ(f.Mask->Width(), 8);
    EXPECT_EQ(f.Mask->Byte0(0, 0), 255); // new bitmaps are white: fully transparent

    // No bitmaps at all: a white, fully transparent format.
    TIconImageRec blank;
    blank.Width = 3;
    blank.Height = 2;
    blank.ColorType = ctColors2;
    LoadDefaultPalette(blank.Palette, ctColors2);
    ASSERT_EQ(doc.AppendFormat(blank), 1);
    EXPECT_EQ(doc.Images[1].Palette.palNumEntries, 2);
    EXPECT_EQ(doc.Images[1].Bitmap->Pixel(2, 1), 0xFFFFFFu);

    // A palette count beyond the record's room is cut to 256.
    TIconImageRec wild = SolidFormat(2, 2, ctColors256);
    wild.Palette.palNumEntries = 300;
    ASSERT_EQ(doc.AppendFormat(wild), 2);
    EXPECT_EQ(doc.Images[2].Palette.palNumEntries, 256);

    // Handing the records over gives the same formats as copying them; a bitmap of exactly the
    // format's size is taken, not copied.
    TIconImageRec exact = PatternFormat(5, 3, ctColors16);
    const Bitmap24* exactBits = exact.Bitmap.get();
    TDocumentModel moved;
    const TIconImageRec* records[] = {&rec, &blank, &wild, &exact};
    for (const TIconImageRec* r : records) {
        doc.AppendFormat(*r);
        TIconImageRec handed = r->Clone();
        if (r == &exact) handed.Bitmap = std::move(exact.Bitmap);
        moved.AppendFormat(std::move(handed));
    }
    for (int i = 0; i < 4; ++i) {
        const TIconImageRec& a = doc.Images[3 + i];
        const TIconImageRec& b = moved.Images[i];
        EXPECT_TRUE(SameFormat(a, b) && a.Id == b.Id) << i;
    }
    EXPECT_EQ(moved.Images[3].Bitmap.get(), exactBits);
    EXPECT_EQ(moved.Images[1].Mask->Byte0(2, 1), 255);

    // Removing keeps the later formats where they are and the current one current.
    TIconImageRec* last = &doc.Images[2];
    doc.Images.SetLength(3);
    doc.CurrentIndex = 2;
    EXPECT_FALSE(doc.RemoveFormat(5));
    EXPECT_TRUE(doc.RemoveFormat(1));
    EXPECT_EQ(&doc.Images[1], last);
    EXPECT_EQ(doc.CurrentIndex, 1);
}

TEST(DocumentModel, PaletteSwitchRuleAndApplying)
{
    TIconImageRec f = SolidFormat(4, 4, ctColors16);
    TPalette panel = f.Palette;
    EXPECT_FALSE(TDocumentModel::PanelNeedsFormatPalette(ctColors16, panel, f));
    EXPECT_TRUE(TDocumentModel::PanelNeedsFormatPalette(ctColors256, panel, f));
    panel.palPalEntry[15].peFlags = 1; // all four bytes count
    EXPECT_TRUE(TDocumentModel::PanelNeedsFormatPalette(ctColors16, panel, f));
    panel.palNumEntries = 2; // a palette of another size is not compared
    EXPECT_FALSE(TDocumentModel::PanelNeedsFormatPalette(ctColors16, panel, f));

    // Applying reports a change only when there is one, and never gives a true-colour format a palette.
    TDocumentModel doc = DocumentWith(std::move(f));
    TPalette edited = doc.Images[0].Palette;
    edited.palPalEntry[5] = TPaletteEntry{9, 8, 7, 0};
    EXPECT_TRUE(doc.ApplyPalette(edited));
    EXPECT_EQ(doc.Images[0].Palette.palPalEntry[5], (TPaletteEntry{9, 8, 7, 0}));
    EXPECT_FALSE(doc.ApplyPalette(edited));
    TDocumentModel trueColor = DocumentWith(SolidFormat(4, 4, ctTrueColor));
    EXPECT_FALSE(trueColor.ApplyPalette(edited));
    EXPECT_EQ(trueColor.Images[0].Palette.palNumEntries, 0);
}

TEST(DocumentModel, SavingMovesTheIconToItsNewPlaceOnlyWhenTheWriteSucceeds)
{
    ScopedAppDir dir;
    TDocumentModel doc = DocumentWith(PatternFormat(16, 16, ctTrueAlpha));
    doc.FileName = QStringLiteral("Icon1");
    doc.SetModified(true);
    QString error;
    // A folder that does not exist: the document keeps its name and its modified mark.
    EXPECT_FALSE(doc.SaveIconTo(dir.FilePath(QStringLiteral("missing/a.ico")), error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(std::tuple(doc.Folder, doc.FileName, int(doc.Modified)), std::tuple(QString(), QStringLiteral("Icon1"), 1));

    ASSERT_TRUE(doc.SaveIconTo(dir.FilePath(QStringLiteral("a.ico")), error));
    EXPECT_EQ(doc.Folder, dir.Path() + QLatin1Char('/'));
    EXPECT_EQ(std::tuple(doc.FileName, int(doc.Modified)), std::tuple(QStringLiteral("a.ico"), 0));
    TIconFileAccess access;
    TIconImageArray back;
    ASSERT_EQ(access.LoadIconFile(dir.FilePath(QStringLiteral("a.ico")), back), 0);
    EXPECT_EQ(back.Count(), 1);
}
