#pragma once
// The brush outline that follows the mouse over the canvas while no button is held: the closed
// edge of the footprint a dab of the current size would paint, snapped to the zoomed pixel grid.
// The footprints are traced from MakeBrushTip's own stamps when the object is made, so the
// outline and the dab can never disagree, whatever the tip's rule becomes.
#include <array>
#include <vector>

#include "platform/color.h"
#include "platform/rect.h"

class QPainter;

class TVectCursor {
public:
    static constexpr int MaxSize = 15;

    TVectCursor();

    // Outline of size 1..15: point 0 is the offset added to every vertex, points 1.. the vertices
    // in image pixels relative to the cell, clockwise on the screen. Empty for other sizes.
    const std::vector<Point>& Outline(int size) const;

    // The canvas area the outline of that size at canvas point (x, y) touches, grown by one pixel
    // on every side; (0, 0, 0, 0) for a size outside 1..15 or a zoom below 1.
    Rect OutlineRect(int x, int y, int zoom, int size) const;

    // Draws the outline around the image cell under canvas point (x, y) with PenColor, keeping
    // the painter's pen otherwise as it was; Out becomes OutlineRect's area.
    void DrawOutline(int x, int y, Rect& out, QPainter& canvas, int zoom, int size) const;

    TColor PenColor = 0x666666;

private:
    std::array<std::vector<Point>, MaxSize> Outlines;
};

// The pixels (i, j) (0 .. size-1 each way, from the footprint's top-left corner) that a hard
// brush tip of that size paints, read from MakeBrushTip's stamp.
std::vector<std::vector<bool>> BrushFootprint(int size);
