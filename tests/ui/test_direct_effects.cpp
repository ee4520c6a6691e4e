#include <gtest/gtest.h>

#include <set>

#include "imaging/icon_image.h"
#include "workspace/main_form.h"

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
