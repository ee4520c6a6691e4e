#pragma once
// A rectangle with left and top inclusive, right and bottom exclusive. It may be empty or
// inverted; the routines that use it normalise and clip it. (QRect's right() is inclusive.)
struct Rect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

constexpr Rect MakeRect(int left, int top, int right, int bottom) { return Rect{left, top, right, bottom}; }
constexpr Rect SizeRect(int width, int height) { return Rect{0, 0, width, height}; }

// Rect limited to (0, 0, Width, Height) without normalising it, so an inverted rectangle stays
// empty, as the routines that take their rectangles unchanged expect.
constexpr Rect LimitRect(const Rect& rect, int width, int height)
{
    return Rect{rect.Left > 0 ? rect.Left : 0, rect.Top > 0 ? rect.Top : 0, rect.Right < width ? rect.Right : width,
                rect.Bottom < height ? rect.Bottom : height};
}

struct Point {
    int X = 0;
    int Y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};
