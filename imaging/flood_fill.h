#pragma once
// The bucket tool's region finder: the 4-connected pixels around a seed whose red, green and blue
// each lie within a tolerance of the seed's, returned as a mask (black where filled, white
// elsewhere) that the tool paints through. Palette formats are searched on their indices (the red
// byte), compared as numbers; transparency takes no part.
//
// One instance lives as long as its document window: the visited map and the mask are kept
// between fills, so a fill allocates nothing. The search runs span by span along the rows, never
// recursive, so a whole 256 x 256 picture of one colour costs one pass and no stack.
#include <cstdint>
#include <vector>

#include "platform/bitmap24.h"

class TFloodFill {
public:
    static constexpr int MaxSide = 256;

    TFloodFill();

    // The picture searched (not owned) and the size of the area searched, held to the picture
    // and to 256 x 256.
    void SetSource(const Bitmap24* source, int width, int height);
    // The region around (x, y) with the tolerance 0..255 (held to that range). The mask is white
    // over the searched area first, so a seed outside it (negative ones included) leaves it white.
    void Fill(int x, int y, int tolerance);
    // Copies the mask over (0, 0, FillWidth, FillHeight) onto the same rectangle of the target
    // (as far as the target reaches).
    void ApplyMask(Bitmap24& target) const;

    const Bitmap24& ResultMask() const { return ResultMask_; }
    int FillWidth() const { return FillWidth_; }
    int FillHeight() const { return FillHeight_; }
    // Whether (x, y) is in the region of the last fill.
    bool Filled(int x, int y) const;

private:
    void FillFrom(int x, int y);

    // What Visited_ holds for each pixel of the area.
    static constexpr uint8_t Outside = 0;  // not within the tolerance
    static constexpr uint8_t Open = 1;     // within it, not reached yet
    static constexpr uint8_t Taken = 2;    // in the region

    const Bitmap24* Source_ = nullptr;
    Bitmap24 ResultMask_{MaxSide, MaxSide};
    int FillWidth_ = 0;
    int FillHeight_ = 0;
    std::vector<uint8_t> Visited_;
    // The seeds still to grow, kept to spare allocations.
    std::vector<int32_t> current_;
};
