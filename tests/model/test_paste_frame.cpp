// The paste window's rules without its widgets: view zoom and target placement for every format
// size, the frame from and to the controls, the fit and zoom buttons, the composition, the
// variant layouts and the commit into each colour type, and pictures that must be refused.
#include <gtest/gtest.h>

#include "imaging/icon_image.h"
#include "imaging/view_stretch.h"
#include "model/paste_frame.h"
#include "platform/rounding.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"
#include "support/test_support.h"

using namespace PasteGeometry;

namespace {

constexpr TColor White = 0xFFFFFF;
constexpr TColor Red = MakeColor(255, 0, 0);

// A picture as the clipboard hands it: colour and mask of one size.
struct TClip {
    Bitmap24 Color;
    Bitmap24 Mask;
    Rect Bounds() const { return SizeRect(Color.Width(), Color.Height()); }
};

TClip SolidClip(int w, int h, TColor color, int transparency = 0)
{
    return {FilledBitmap(w, h, color), FilledBitmap(w, h, GreyColor(transparency))};
}

// Puts the picture's top-left on image pixel (x, y) at one picture pixel per image pixel.
void PlaceAt(TPasteFrame& paste, int x, int y)
{
    const Rect v = paste.TargetView;
    paste.ApplyControls(v.Left + int(x * paste.ViewZoom), v.Top + int(y * paste.ViewZoom), DefaultRatio,
                        DefaultRatio, true);
    paste.Compose();
    paste.BuildVariants();
}

// ---- view zoom and placement ----

TEST(PasteGeometry, ViewZoomAndTargetPlacementForEveryFormatSize)
{
    EXPECT_EQ(InitialZoom(361, 489, 32, 32), 8);
    EXPECT_EQ(TargetView(361, 489, 32, 32, 8), MakeRect(52, 116, 308, 372));
    EXPECT_EQ(InitialZoom(361, 489, 256, 256), 1);
    EXPECT_EQ(InitialZoom(361, 489, 16, 16), 16);
    // Every format up to 256 each way opens at a zoom of at least 1 and lies inside the view.
    for (int w = 1; w <= 256; w += 5)
        for (int h : {1, 17, 48, 100, 255, 256}) {
            const double z = InitialZoom(361, 489, w, h);
            ASSERT_GE(z, 1) << w << "x" << h;
            const Rect v = TargetView(361, 489, w, h, z);
            ASSERT_TRUE(RectWithin(v, SizeRect(361, 489))) << w << "x" << h;
            ASSERT_EQ(v.Width(), int(w * z)) << w << "x" << h;
        }
    // Sizes of nothing and boxes too small divide by nothing.
    EXPECT_EQ(InitialZoom(361, 489, 0, 32), 1);
    EXPECT_EQ(InitialZoom(361, 489, 32, -4), 1);
    EXPECT_EQ(InitialZoom(50, 50, 256, 256), 1);
}

TEST(PasteGeometry, FrameFollowsTheRatioControls)
{
    // A 100 x 50 picture at W ratio 500 with the lock at zoom 8: 400 x 200 view pixels.
    EXPECT_EQ(FrameFromControls(10, 20, 500, 1000, true, 100, 50, 8), MakeRect(10, 20, 410, 220));
    // Without the lock, H ratio 2000 stretches it to twice its height.
    EXPECT_EQ(FrameFromControls(0, 0, 1000, 2000, false, 100, 50, 1), MakeRect(0, 0, 100, 100));
    // The lock ignores the height ratio and keeps the aspect, truncating.
    EXPECT_EQ(FrameFromControls(0, 0, 1000, 7, true, 3, 2, 1), MakeRect(0, 0, 3, 2));
    EXPECT_EQ(FrameFromControls(0, 0, 333, 7, true, 3, 2, 1), MakeRect(0, 0, 1, 0));
    // X and Y are held to +-100000; a picture without a side gives an empty frame.
    EXPECT_EQ(FrameFromControls(5000000, -5000000, 1000, 1000, true, 10, 10, 1), MakeRect(100000, -100000, 100010, -99990));
    EXPECT_TRUE(FrameFromControls(0, 0, 1000, 1000, true, 0, 10, 1).IsEmpty());
    // The largest ratio of a 5,000-pixel picture at zoom 9 stays in range.
    const Rect huge = FrameFromControls(0, 0, MaxRatio, MaxRatio, false, 5000, 5000, 9);
    EXPECT_EQ(huge.Width(), 450000);
}

TEST(PasteGeometry, ControlsReadTheFrameBack)
{
    // The 400 x 200 frame above reads back as ratio 500 both ways.
    EXPECT_EQ(ControlsFromFrame(210, 120, 400, 200, 100, 50, 8), (TRatioControls{10, 20, 500, 500}));
    // Ratios are held to the track bars' range; a zoom or picture side of 0 gives the default.
    EXPECT_EQ(ControlsFromFrame(0, 0, 0, 1000000, 10, 10, 1).WRatio, MinRatio);
    EXPECT_EQ(ControlsFromFrame(0, 0, 0, 1000000, 10, 10, 1).HRatio, MaxRatio);
    EXPECT_EQ(ControlsFromFrame(0, 0, 10, 10, 0, 0, 1).WRatio, DefaultRatio);
    EXPECT_EQ(ControlsFromFrame(0, 0, 10, 10, 10, 10, 0).HRatio, DefaultRatio);
    EXPECT_EQ(ControlsFromFrame(900000, -900000, 2, 2, 1, 1, 1).X, 100000);
}

TEST(PasteGeometry, ComposePlanTakesOnlyTheVisiblePart)
{
    // A 64 x 64 picture at zoom 4 covering the format's top-left 8 x 8 image pixels, half of it
    // hanging outside the format to the left and above.
    const Rect view{100, 100, 228, 228}; // 32 x 32 at zoom 4
    const TComposePlan plan = PlanCompose(MakeRect(84, 84, 116, 116), view, 64, 64, 4);
    ASSERT_TRUE(plan.Valid);
    EXPECT_EQ(plan.Source, MakeRect(32, 32, 64, 64));
    EXPECT_EQ(plan.Dest, MakeRect(0, 0, 4, 4));
    EXPECT_FALSE(PlanCompose(MakeRect(0, 0, 50, 50), view, 64, 64, 4).Valid);   // misses the format
    EXPECT_FALSE(PlanCompose(MakeRect(110, 110, 110, 150), view, 64, 64, 4).Valid); // no width
    EXPECT_FALSE(PlanCompose(MakeRect(110, 110, 150, 150), view, 0, 64, 4).Valid);
}

TEST(PasteGeometry, VariantLayouts)
{
    // True colour: one cell centred in the panel, its frame 5 pixels larger.
    const TVariantLayout one = LayoutVariants(ctTrueAlpha, 32, 32);
    EXPECT_EQ(one.Rects[0], MakeRect(168, 131, 200, 163));
    EXPECT_EQ(one.Rects[8], MakeRect(163, 126, 205, 168));
    EXPECT_TRUE(one.Rects[1].IsEmpty() && one.Rects[9].IsEmpty());
    EXPECT_FALSE(one.ScrollBarVisible);
    // 16 x 16 palette: a 2 x 2 grid around (100, 66), (269, 66), (100, 176), (269, 176).
    const TVariantLayout grid = LayoutVariants(ctColors16, 16, 16);
    EXPECT_EQ(grid.Rects[0], MakeRect(92, 58, 108, 74));
    EXPECT_EQ(grid.Rects[3], MakeRect(261, 168, 277, 184));
    EXPECT_EQ(grid.Rects[4], MakeRect(62, 79, 138, 109));
    EXPECT_EQ(grid.Rects[8], MakeRect(47, 43, 153, 124));
    EXPECT_FALSE(grid.ScrollBarVisible);
    EXPECT_EQ(VariantAt(grid, 100, 66), 0);
    EXPECT_EQ(VariantAt(grid, 269, 176), 3);
    EXPECT_EQ(VariantAt(grid, 5, 5), -1);
    // Larger palette formats: a row that scrolls.
    const TVariantLayout row = LayoutVariants(ctColors256, 64, 64);
    EXPECT_TRUE(row.ScrollBarVisible);
    EXPECT_EQ(row.ScrollMax, (100 + 8) * 4);
    EXPECT_EQ(row.Rects[1], MakeRect(72, 96, 136, 160));
    EXPECT_EQ(row.Rects[8].Right, 100);
    const TVariantLayout wide = LayoutVariants(ctColors2, 256, 256);
    EXPECT_EQ(wide.ScrollMax, 1056);
    EXPECT_EQ(wide.Rects[3].Right, VariantImageWidth);
    EXPECT_EQ(VariantAt(wide, 800, 100), 3);
}

// ---- the window's state ----

TEST(PasteFrame, RefusesWhatIsNoPictureAndOpensTheSmallest)
{
    TIconImageRec target = SolidFormat(32, 32, ctTrueAlpha);
    const TClip clip = SolidClip(10, 10, Red);
    TPasteFrame paste;
    EXPECT_FALSE(paste.Open(&target, nullptr, nullptr, Rect{}));
    EXPECT_FALSE(paste.Open(&target, &clip.Color, nullptr, clip.Bounds()));
    EXPECT_FALSE(paste.Open(&target, &clip.Color, &clip.Mask, MakeRect(0, 0, 0, 10)));
    EXPECT_FALSE(paste.Open(&target, &clip.Color, &clip.Mask, MakeRect(0, 0, 11, 10)));
    const Bitmap24 smallMask = FilledBitmap(9, 10, 0);
    EXPECT_FALSE(paste.Open(&target, &clip.Color, &smallMask, clip.Bounds()));
    EXPECT_FALSE(paste.Open(nullptr, &clip.Color, &clip.Mask, clip.Bounds()));
    TIconImageRec blank;
    blank.Width = blank.Height = 16;
    blank.ColorType = ctTrueColor;
    EXPECT_FALSE(paste.Open(&blank, &clip.Color, &clip.Mask, clip.Bounds()));
    EXPECT_FALSE(paste.IsOpen());
    // Nothing open: every operation leaves the format alone.
    paste.Compose();
    paste.FitWidth(true);
    EXPECT_FALSE(paste.ZoomIn());
    EXPECT_FALSE(paste.Commit());

    const TClip dot = SolidClip(1, 1, Red);
    ASSERT_TRUE(paste.Open(&target, &dot.Color, &dot.Mask, dot.Bounds()));
    paste.FitWidth(true);
    paste.Compose();
    ASSERT_TRUE(paste.Commit());
    EXPECT_TRUE(AreaIs(*target.Bitmap, SizeRect(32, 32), Red));
    EXPECT_TRUE(AreaIs(*target.Mask, SizeRect(32, 32), 0));
}

TEST(PasteFrame, OpensWithTheFrameOnePicturePixelPerViewPixelAndZoomsWithinLimits)
{
    TIconImageRec target = SolidFormat(32, 32, ctTrueColor);
    const TClip clip = SolidClip(100, 50, Red);
    TPasteFrame paste;
    ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
    EXPECT_EQ(paste.ViewZoom, 8);
    EXPECT_EQ(paste.TargetView, MakeRect(52, 116, 308, 372));
    EXPECT_EQ(paste.GetFrameRect(), MakeRect(0, 0, 100, 50));
    EXPECT_DOUBLE_EQ(paste.Frame.AspectRatio, 2.0);
    EXPECT_FALSE(paste.Frame.RotateEnabled);

    // Zoom In stops at 9; Zoom Out goes 9, 8, ... 1, 0.9, ... and ends at 0.2.
    EXPECT_TRUE(paste.ZoomIn());
    EXPECT_EQ(paste.ViewZoom, 9);
    EXPECT_FALSE(paste.ZoomIn());
    std::vector<double> steps;
    while (paste.ZoomOut()) steps.push_back(paste.ViewZoom);
    ASSERT_EQ(steps.size(), 16u);
    EXPECT_EQ(steps[7], 1);
    EXPECT_NEAR(steps[8], 0.9, 1e-9);
    EXPECT_NEAR(steps.back(), 0.2, 1e-9);
    // The frame keeps its place in the view; the format shrinks around the view's centre.
    EXPECT_EQ(paste.GetFrameRect(), MakeRect(0, 0, 100, 50));
    EXPECT_EQ(paste.TargetView.Width(), RoundInt(32 * steps.back()));

    // A format that opens at 16 cannot zoom in.
    TIconImageRec small = SolidFormat(16, 16, ctTrueColor);
    ASSERT_TRUE(paste.Open(&small, &clip.Color, &clip.Mask, clip.Bounds()));
    EXPECT_EQ(paste.ViewZoom, 16);
    EXPECT_FALSE(paste.ZoomIn());
    EXPECT_TRUE(paste.ZoomOut());
    EXPECT_EQ(paste.ViewZoom, 15);
}

TEST(PasteFrame, FitButtonsAndRatioLock)
{
    TIconImageRec target = SolidFormat(32, 32, ctTrueAlpha);
    const TClip clip = SolidClip(64, 32, Red); // 2 : 1
    TPasteFrame paste;
    ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
    // Fit Width at zoom 8: 256 x 128 view pixels, centred vertically on the format.
    paste.FitWidth(true);
    EXPECT_EQ(paste.GetFrameRect(), MakeRect(52, 180, 308, 308));
    EXPECT_DOUBLE_EQ(paste.Frame.AspectRatio, 2.0);
    EXPECT_EQ(paste.Controls(), (TRatioControls{52, 180, 500, 500}));
    paste.FitWidth(false);
    EXPECT_DOUBLE_EQ(paste.Frame.AspectRatio, 0);
    // Fit Height: as high as the format, centred across.
    paste.FitHeight(true);
    EXPECT_EQ(paste.GetFrameRect(), MakeRect(-76, 116, 436, 372));
    // Actual Size: one picture pixel per view pixel from the format's corner, resized freely.
    paste.ActualSize();
    EXPECT_EQ(paste.GetFrameRect(), MakeRect(52, 116, 116, 148));
    EXPECT_DOUBLE_EQ(paste.Frame.AspectRatio, 0);
    // The controls: with the lock the height follows the width.
    paste.ApplyControls(60, 120, 250, 3000, true);
    EXPECT_EQ(paste.GetFrameRect(), MakeRect(60, 120, 188, 184));
    paste.ApplyControls(60, 120, 250, 3000, false);
    EXPECT_EQ(paste.GetFrameRect(), MakeRect(60, 120, 188, 888));
    EXPECT_EQ(paste.Controls(), (TRatioControls{60, 120, 250, 3000}));
    // A corner drag with the lock keeps the picture's aspect.
    paste.ApplyControls(60, 120, 250, 250, true);
    paste.Frame.MouseEvent(TRotateFrame::mkPress, 188, 184, Qt::LeftButton);
    ASSERT_GE(paste.Frame.MouseEvent(TRotateFrame::mkMove, 252, 200, Qt::LeftButton), 0);
    const Rect dragged = paste.GetFrameRect();
    EXPECT_NEAR(double(dragged.Width()) / dragged.Height(), 2.0, 0.05);
}

TEST(PasteFrame, ComposesOverTheFormatAndCommitsTrueColour)
{
    TIconImageRec target = PatternFormat(16, 16, ctTrueAlpha, 3);
    const TIconImageRec before = target.Clone();
    TClip clip = SolidClip(4, 4, Red);
    clip.Mask.SetPixel(3, 3, GreyColor(255)); // one transparent corner
    TPasteFrame paste;
    ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
    PlaceAt(paste, 2, 5);
    // Before OK the format is untouched; the preview already shows the result.
    ExpectSameImage(target, before, "before OK");
    EXPECT_EQ(paste.CompositePreview.Pixel(2, 5), Red);
    ASSERT_TRUE(paste.Commit());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 5 && y < 9 && !(x == 5 && y == 8);
            if (inside) {
                ASSERT_EQ(target.Bitmap->Pixel(x, y), Red) << x << "," << y;
                ASSERT_EQ(target.Mask->Byte0(x, y), 0) << x << "," << y;
            } else {
                ASSERT_EQ(target.Bitmap->Pixel(x, y), before.Bitmap->Pixel(x, y)) << x << "," << y;
                ASSERT_EQ(target.Mask->Byte0(x, y), before.Mask->Byte0(x, y)) << x << "," << y;
            }
        }
}

TEST(PasteFrame, FrameOffTheFormatPastesNothing)
{
    TIconImageRec target = PatternFormat(24, 24, ctTrueColor, 5);
    const TIconImageRec before = target.Clone();
    const TClip clip = SolidClip(8, 8, Red);
    TPasteFrame paste;
    ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
    paste.ApplyControls(0, 0, 1000, 1000, true); // the view's corner, away from the format
    paste.Compose();
    ASSERT_TRUE(paste.Commit());
    ExpectSameImage(target, before, "frame off the format");
}

TEST(PasteFrame, PartialAlphaStaysOnlyInTrueColourWithAlpha)
{
    const TClip clip = SolidClip(8, 8, Red, 128);
    for (int32_t type : {ctTrueAlpha, ctTrueColor, ctColors256}) {
        TIconImageRec target = SolidFormat(8, 8, type, White, 255);
        TPasteFrame paste;
        ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
        PlaceAt(paste, 0, 0);
        ASSERT_TRUE(paste.Commit());
        const int m = target.Mask->Byte0(4, 4);
        if (type == ctTrueAlpha)
            EXPECT_NEAR(m, 128, 1);
        else
            EXPECT_EQ(m, 0) << "type " << type;
        EXPECT_EQ(target.Mask->Pixel(4, 4), GreyColor(m));
    }
}

TEST(PasteFrame, DragDraftIsReplacedByAProperResampleOnCommit)
{
    TIconImageRec target = SolidFormat(32, 32, ctTrueAlpha);
    TClip clip{NoiseBitmap(300, 300, 9), FilledBitmap(300, 300, 0)};
    TPasteFrame paste;
    ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
    paste.FitWidth(true);
    paste.Compose();
    const Bitmap24 proper = *paste.Layer.Bitmap;
    paste.Compose(true);
    EXPECT_TRUE(paste.LayerIsDraft);
    EXPECT_NE(PackedPixels(*paste.Layer.Bitmap), PackedPixels(proper));
    ASSERT_TRUE(paste.Commit());
    EXPECT_EQ(PackedPixels(*target.Bitmap), PackedPixels(proper));
}

TEST(PasteFrame, MovesOfALargePictureReadAFrameSizedCopyThatShowsTheSame)
{
    TIconImageRec target = SolidFormat(32, 32, ctTrueAlpha);
    TClip clip{NoiseBitmap(700, 700, 12), NoiseBitmap(700, 700, 13)};
    TPasteFrame paste;
    ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
    // A frame over the format's top-left part, reaching past it into the view's corner.
    paste.SetFrameRect(MakeRect(0, 0, 300, 300), 1);
    // A move: the first draft reads the picture, the next ones (same size) the copy.
    paste.Compose(true);
    const Bitmap24 firstDraft = *paste.Layer.Bitmap;
    const Bitmap24 firstMask = *paste.Layer.Mask;
    paste.Compose(true);
    EXPECT_EQ(PackedPixels(*paste.Layer.Bitmap), PackedPixels(firstDraft));
    EXPECT_EQ(PackedPixels(*paste.Layer.Mask), PackedPixels(firstMask));
    // The view shows exactly the picture stretched into the frame.
    const Rect frame = paste.GetFrameRect();
    Bitmap24 expected(TPasteFrame::ViewWidth, TPasteFrame::ViewHeight);
    StretchNearestClipped(clip.Color, expected, frame);
    // Outside the format, where the view shows the picture itself.
    const Rect inside{frame.Left + 8, frame.Top + 8, paste.TargetView.Left - 8, paste.TargetView.Top - 6};
    for (int y = inside.Top; y < inside.Bottom; y += 7)
        for (int x = inside.Left; x < inside.Right; x += 3)
            ASSERT_EQ(paste.ViewBitmap.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
    // Moved by whole image pixels, the copy gives what the picture gives.
    paste.SetFrameRect(MakeRect(frame.Left + 16, frame.Top + 8, frame.Right + 16, frame.Bottom + 8), 1);
    paste.Compose(true);
    const Bitmap24 fromCopy = *paste.Layer.Bitmap;
    paste.Close();
    ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
    paste.SetFrameRect(MakeRect(frame.Left + 16, frame.Top + 8, frame.Right + 16, frame.Bottom + 8), 1);
    paste.Compose(true);
    EXPECT_EQ(PackedPixels(*paste.Layer.Bitmap), PackedPixels(fromCopy));
}

TEST(PasteFrame, PaletteVariantsAndTheirCommit)
{
    TIconImageRec target = PatternFormat(16, 16, ctColors16, 4);
    TClip clip{NoiseBitmap(16, 16, 11), FilledBitmap(16, 16, 0)};
    TPasteFrame paste;
    ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
    EXPECT_FALSE(paste.VariantLayout.ScrollBarVisible);
    PlaceAt(paste, 0, 0);
    // The kept-palette variants keep the palette; the rebuilt ones differ from it.
    EXPECT_EQ(paste.Variants[0].Palette, target.Palette);
    EXPECT_EQ(paste.Variants[1].Palette, target.Palette);
    EXPECT_NE(paste.Variants[2].Palette, target.Palette);
    EXPECT_EQ(paste.Variants[3].Palette.palNumEntries, 16);
    // Every variant's preview is its indices through its palette.
    for (size_t i = 0; i < 4; ++i)
        for (int y = 0; y < 16; y += 5)
            for (int x = 0; x < 16; x += 3)
                ASSERT_EQ(paste.VariantPreviews[i].Pixel(x, y),
                          EntryColor(paste.Variants[i].Palette, int(paste.Variants[i].Bitmap->Pixel(x, y) & 0xFF)));
    // The selection frame is drawn red around the chosen cell.
    const Rect frame0 = paste.VariantLayout.Rects[8];
    EXPECT_EQ(paste.VariantImage.Pixel(frame0.Left + 1, frame0.Top + 1), Red);
    // A release on the fourth picks it; "Pallte changed" + "Dithered" then commits its palette.
    const Rect cell3 = paste.VariantLayout.Rects[3];
    EXPECT_TRUE(paste.PickVariantAt(cell3.Left + 2, cell3.Top + 2));
    EXPECT_EQ(paste.SelectedVariant, 3);
    EXPECT_FALSE(paste.PickVariantAt(cell3.Left + 2, cell3.Top + 2));
    EXPECT_FALSE(paste.PickVariantAt(0, 0));
    const TPalette rebuilt = paste.Variants[3].Palette;
    const Bitmap24 indices = *paste.Variants[3].Bitmap;
    ASSERT_TRUE(paste.Commit());
    EXPECT_EQ(target.Palette.palNumEntries, 16);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(target.Palette.palPalEntry[size_t(i)], rebuilt.palPalEntry[size_t(i)]) << i;
    EXPECT_EQ(PackedPixels(*target.Bitmap), PackedPixels(indices));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_LT(int(target.Bitmap->Pixel(x, y) & 0xFF), 16);
    EXPECT_TRUE(AreaIs(*target.Mask, SizeRect(16, 16), 0));
}

TEST(PasteFrame, CloseFreesEverythingAndReopenStartsOver)
{
    TIconImageRec target = SolidFormat(64, 64, ctColors256);
    const TClip clip = SolidClip(20, 30, Red);
    TPasteFrame paste;
    ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
    EXPECT_TRUE(paste.VariantLayout.ScrollBarVisible);
    paste.PickVariantAt(paste.VariantLayout.Rects[2].Left, paste.VariantLayout.Rects[2].Top);
    paste.ZoomOut();
    paste.Close();
    paste.Close(); // twice is harmless
    EXPECT_FALSE(paste.IsOpen());
    EXPECT_TRUE(paste.ViewBitmap.IsEmpty());
    EXPECT_EQ(paste.Layer.Bitmap, nullptr);
    EXPECT_EQ(paste.Variants[0].Bitmap, nullptr);
    ASSERT_TRUE(paste.Open(&target, &clip.Color, &clip.Mask, clip.Bounds()));
    EXPECT_EQ(paste.SelectedVariant, 0);
    EXPECT_EQ(paste.ViewZoom, 4);
}

} // namespace
