// The main window's rules that need no window: the direct effects of the Effect menu (flips, turns,
// colour inversion), the first-show layout of the tool windows and the Save As names.
#include <gtest/gtest.h>

#include <set>

#include "model/main_commands.h"
#include "support/format_helpers.h"
#include "support/test_support.h"

TEST(DirectEffects, TurnsGoTheNamedWayAndComeBackExactly)
{
    TIconImageRec f = SolidFormat(16, 16, ctTrueAlpha);
    *f.Bitmap = NoiseBitmap(16, 16, 3);
    const TIconImageRec before = f.Clone();
    EXPECT_EQ(ApplyDirectEffect(f, TDirectEffect::Rotate90CCW), QStringLiteral("Rotate 90 CCW"));
    // A counter-clockwise quarter turn takes pixel (x, y) to (y, 15 - x).
    EXPECT_EQ(f.Bitmap->Pixel(3, 15 - 5), before.Bitmap->Pixel(5, 3));
    EXPECT_EQ(ApplyDirectEffect(f, TDirectEffect::Rotate90CW), QStringLiteral("Rotate 90 CW"));
    EXPECT_TRUE(*f.Bitmap == *before.Bitmap);
    EXPECT_EQ(ApplyDirectEffect(f, TDirectEffect::Rotate180), QStringLiteral("Rotate 180"));
    EXPECT_EQ(f.Bitmap->Pixel(15 - 5, 15 - 3), before.Bitmap->Pixel(5, 3));
    ApplyDirectEffect(f, TDirectEffect::Rotate180);
    EXPECT_TRUE(*f.Bitmap == *before.Bitmap);
}

TEST(DirectEffects, TurnsLeaveTwoLevelMasksOutsideTrueColourWithAlpha)
{
    // Width and height differ by one, so a quarter turn's centre falls between pixels and blends.
    for (int32_t colorType : {ctColors16, ctTrueColor, ctTrueAlpha}) {
        TIconImageRec f = SolidFormat(17, 16, colorType);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 17; ++x) f.Mask->SetPixel(x, y, (x + y) % 2 ? 0xFFFFFF : 0);
        ApplyDirectEffect(f, TDirectEffect::Rotate90CW);
        EXPECT_EQ(f.Width, 17);
        bool twoLevel = true;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 17; ++x) twoLevel = twoLevel && f.Mask->Byte0(x, y) % 255 == 0;
        EXPECT_EQ(twoLevel, colorType != ctTrueAlpha) << colorType;
    }
}

// A quarter turn of a palette format whose sides differ by an odd number lands between pixels;
// the indices must come through unmixed, and the mask must stay two-level.
TEST(DirectEffects, QuarterTurnOfOddSidedPaletteFormatKeepsItsIndices)
{
    TIconImageRec f;
    InitIconImage(f, 15, 8, ctColors16, -1);
    std::set<TColor> used;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 15; ++x) {
            const TColor index = (x + y) % 2 ? 12 : 3; // any blend of the two is another index
            f.Bitmap->SetPixel(x, y, index);
            f.Mask->SetPixel(x, y, (x + y) % 4 == 0 ? 0xFFFFFF : 0);
            used.insert(index);
        }
    for (TDirectEffect e : {TDirectEffect::Rotate90CW, TDirectEffect::Rotate90CCW, TDirectEffect::Rotate180}) {
        TIconImageRec turned = f.Clone();
        ApplyDirectEffect(turned, e);
        EXPECT_EQ(turned.Width, 15);
        EXPECT_EQ(turned.Height, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 15; ++x) {
                const uint8_t mask = turned.Mask->Byte0(x, y);
                EXPECT_TRUE(mask == 0 || mask == 255);
                if (mask == 255) continue; // uncovered corners are transparent
                EXPECT_TRUE(used.count(turned.Bitmap->Pixel(x, y) & 0xFF)) << x << "," << y;
                EXPECT_EQ(turned.Bitmap->Pixel(x, y) >> 8, 0u) << "only the red byte holds the index";
            }
    }
}

TEST(DirectEffects, InvertingAPaletteFormatInvertsThePaletteNotTheIndices)
{
    TIconImageRec f = SolidFormat(16, 16, ctColors16, 0x05, 0);
    const TIconImageRec before = f.Clone();
    EXPECT_EQ(ApplyDirectEffect(f, TDirectEffect::InvertColor), QStringLiteral("Invert Color"));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(f.Palette.palPalEntry[i].peRed, 255 - before.Palette.palPalEntry[i].peRed) << i;
    EXPECT_TRUE(*f.Bitmap == *before.Bitmap);
}

TEST(MainCommands, ToolWindowLayoutKeepsTheWindowsApartAndOnTheWorkArea)
{
    const QRect area(0, 0, 1280, 1000);
    // Outer sizes, title bars of 24 pixels included.
    const QSize tools(60, 424), colors(200, 324), history(220, 274), library(180, 524), preview(150, 200);
    const TToolWindowLayout l = LayOutToolWindows(QRect(100, 50, 1000, 700), area, tools, colors, history, library, preview);
    EXPECT_EQ(l.Tools, QRect(QPoint(105, 130), tools));
    EXPECT_EQ(l.Colors, QRect(QPoint(100 + 1000 - 200 - 5, 130), colors));
    // Under the colour window's frame, at its left edge.
    EXPECT_EQ(l.History, QRect(QPoint(895, 130 + 324), history));
    EXPECT_EQ(l.Library, QRect(895 - 180, 454, 180, 274));
    EXPECT_EQ(l.Preview, QRect(QPoint(100, 130 + 424), preview));

    // A maximized frame on a small screen: the history and library windows end at its bottom,
    // and no two windows overlap; all lie on the work area.
    const QRect small(0, 0, 800, 600);
    const TToolWindowLayout m = LayOutToolWindows(small, small, tools, colors, history, library, preview);
    const QRect all[] = {m.Tools, m.Colors, m.History, m.Library, m.Preview};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(small.contains(all[i])) << i;
        for (int j = i + 1; j < 5; ++j) EXPECT_FALSE(all[i].intersects(all[j])) << i << " " << j;
    }
    EXPECT_EQ(m.History.bottom(), 599);
    EXPECT_EQ(m.Library.height(), m.History.height());

    // A maximized frame: the history window, wider than the colour window, ends at the work
    // area's right edge instead of past it.
    const TToolWindowLayout full = LayOutToolWindows(area, area, tools, colors, history, library, preview);
    EXPECT_EQ(full.History, QRect(QPoint(1280 - 220, 80 + 324), history));
    EXPECT_EQ(full.Colors.right(), 1280 - 5 - 1);

    // A frame far off to the right: the column comes back onto the work area.
    const TToolWindowLayout off = LayOutToolWindows(QRect(1000, 0, 1000, 700), area, tools, colors, history, library, preview);
    EXPECT_LE(off.History.right(), area.right());
    EXPECT_LE(off.Colors.right(), area.right());

    // Without a colour window the column keeps the history window on the frame.
    const TToolWindowLayout n = LayOutToolWindows(QRect(0, 0, 1000, 700), area, QSize(), QSize(), QSize(220, 250),
                                                  QSize(), QSize());
    EXPECT_EQ(n.History.topLeft(), QPoint(1000 - 220 - 5, 80));
    EXPECT_EQ(n.Preview.topLeft(), QPoint(0, 80));
}

TEST(MainCommands, SaveAsNames)
{
    EXPECT_EQ(SaveAsProposal(QStringLiteral("Icon3")), QStringLiteral("Icon3"));
    EXPECT_EQ(SaveAsProposal(QStringLiteral("my.icon.set.ico")), QStringLiteral("my.icon.set"));
    // A dot in a folder's name is no extension.
    EXPECT_EQ(WithSaveAsExtension(QStringLiteral("/t.d/z"), 5), QStringLiteral("/t.d/z.gif"));
}
