#pragma once
// The rectangle and ellipse tools' renderer: one filled, bordered shape drawn straight into a
// format's colour and mask bitmaps, pixel by pixel. A rectangle may have rounded corners; both
// shapes have a border of a given width, anti-aliased edge bands, and a solid or gradient fill read
// from a 512 x 1 colour strip. How a covered pixel is written depends on the format's colour type:
// opaque on palette and 24-bit formats, composited by alpha on 32-bit ones.
//
// The tools (and the tools window's previews) make one object per mouse move, set the input
// fields, call Render and drop it. Every pixel goes through one virtual PixelRegion call, so the
// ellipse only has to say which pixels it covers; filling and writing are shared.
//
// Geometry is kept in plain ints and doubles on purpose: the region rules below compare real
// distances against the border width, and the tests pin the exact pixels they give.
#include <array>
#include <cstdint>

#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

// What PixelRegion says of a pixel, with its transparency t (0 fully covered .. 255 not covered).
enum : int {
    rgOutside = 1,   // not covered, t 255
    rgInterior = 2,  // inside the border, t 0
    rgBorder = 3,    // on the border, t 0
    rgOuterBand = 4, // anti-aliased band on the outer side of an edge, t 0..255
    rgInnerBand = 5, // anti-aliased band on the inner side of an edge, t 0..255
};

// Shape types and fill modes as the tools window numbers them.
enum : int32_t { stOutline = 0, stOutlineAndFill = 1, stFill = 2 };
enum : int32_t { fmSolid = 0, fmVertical = 1, fmHorizontal = 2, fmBox = 3, fmRadial = 4 };

class TGradientRect {
public:
    TGradientRect() = default;
    virtual ~TGradientRect() = default;
    TGradientRect(const TGradientRect&) = delete;
    TGradientRect& operator=(const TGradientRect&) = delete;

    // Draws the shape into ColorBitmap and MaskBitmap. Nothing happens when either is missing.
    virtual void Render();
    // Classifies one pixel (image coordinates); t receives its transparency.
    virtual int PixelRegion(int x, int y, int& t) const;

    // Region of a pixel in a corner zone, from the corner circle of the given centre.
    int CornerRegion(int x, int y, Point centre, int& t) const;
    // Shades one pixel of the clipped rectangle with the given fill colour (channels 0..255).
    // maskRow and colorRow are the rows y of the two bitmaps.
    void ShadePixel(int x, int y, uint8_t* maskRow, uint8_t* colorRow, int fillB, int fillG, int fillR) const;
    // Lays colour c (blue, green, red) with transparency g over a 32-bit pixel, by Opacity.
    void CompositeOver(const uint8_t c[3], int g, uint8_t* colorPixel, uint8_t* maskPixel) const;

    // One routine per fill mode; each visits the clipped rectangle row by row.
    void FillSolid();
    void FillVertical();
    void FillHorizontal();
    void FillBox();
    void FillRadial();

    // Inputs, set by the caller.
    Rect ShapeRect{0, 0, 0, 0};    // image pixels, right and bottom exclusive; may be inverted
    int32_t ColorType = 5;         // the target format's colour type
    int32_t ShapeType = stOutline; // outline, outline and fill, fill
    int32_t FillMode = fmSolid;    // any value but 0..4 draws nothing
    int32_t BorderWidth = 0;       // 0 = no border band at all
    int32_t CornerRadius = 0;      // 0 = square corners
    TColor FillColor = 0xFFFFFF;   // colour of a solid fill
    TColor AlphaColor = 0;         // alpha as a grey colour value; 0 = transparent
    TColor Color = 0;              // border colour; palette formats carry the index in red
    uint8_t AntiAlias = 0;         // 1 keeps partial coverage in the bands
    const Bitmap24* GradientStrip = nullptr; // 512 x 1 (blue, green, red), not owned
    Bitmap24* ColorBitmap = nullptr;         // the format's bitmaps, not owned
    Bitmap24* MaskBitmap = nullptr;

    // Worked out by Render from the inputs (the clipped rectangle).
    int32_t CentreX = 0, CentreY = 0;
    int32_t InnerTop = 0, InnerBottom = 0, InnerLeft = 0, InnerRight = 0;
    // Top-left, top-right, bottom-left, bottom-right.
    std::array<Point, 4> CornerCentre{};
    std::array<Rect, 4> CornerZone{};
    int32_t BorderR = 0, BorderG = 0, BorderB = 0;
    int32_t Opacity = 0;
    double HalfBorder = 0;
    int64_t RadiusSq = 0;

protected:
    // Normalises ShapeRect (left <= right, top <= bottom) in place.
    void NormaliseShapeRect();

private:
    template <typename FillAt> void FillWith(FillAt fillAt);
    // Fill colour of strip index i (clamped into the strip) as blue, green, red.
    void StripColor(int64_t i, int& b, int& g, int& r) const;
    bool HasStrip() const;
};

class TGradientEllipse : public TGradientRect {
public:
    // Fixes the ellipse's geometry from the unclipped rectangle, then renders as the rectangle does,
    // so an ellipse partly outside the image keeps its shape.
    void Render() override;
    int PixelRegion(int x, int y, int& t) const override;

    double EllipseCX = 0, EllipseCY = 0;
    double SemiA = 0, SemiB = 0;
    double SemiASq = 0, SemiBSq = 0;
};
