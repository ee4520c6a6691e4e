#pragma once
// The geometry of photo-to-icon's view: the red icon square, the crop frame laid over the picture
// and the rectangles a render takes from them. Everything is in view pixels unless named
// otherwise; the frame never rotates, so a frame is its rectangle.
#include "platform/rect.h"

namespace PhotoCrop {

// The reference format whose size sets the icon square (48 x Zoom view pixels).
constexpr int ReferenceSize = 48;
constexpr double MaxZoom = 9;
// Ratios of the crop controls, per mille of the picture's width and height.
constexpr int MinRatio = 1;
constexpr int MaxRatio = 2000;
constexpr int DefaultRatio = 1000;
// Rule E: the unlimited spin edits hold at most this much either way.
constexpr int SpinLimit = 100000;

// The zoom a reset starts from: (min(box width, box height) div 48) div 2, at least 1 in a tiny box.
double InitialZoom(int boxWidth, int boxHeight);
// "Zoom In": +1 while the zoom is below 9.
double ZoomIn(double zoom);
// "Zoom Out": nothing at 0.3 or less; -1 above 1, else -0.1, in extended precision, so from 3
// the steps are 2, 1, 0.9, ... 0.4, a hair above 0.3, and 0.2 is the last.
double ZoomOut(double zoom);

// The square of side 48 x zoom centred in the box (halves rounded to even).
Rect IconRect(int boxWidth, int boxHeight, double zoom);
// The picture at one view pixel per picture pixel, centred on the square of side 48 x zoom.
Rect ResetFrame(const Rect& iconRect, double zoom, int pictureWidth, int pictureHeight);
// The frame of "Fit Width", "Fit Height" and "Actual Size".
Rect FitWidth(const Rect& iconRect, int pictureWidth, int pictureHeight);
Rect FitHeight(const Rect& iconRect, int pictureWidth, int pictureHeight);
Rect ActualSize(const Rect& iconRect, int pictureWidth, int pictureHeight);

// The frame the crop controls ask for: at (x, y), width ratio wRatio of the picture's width and,
// with the lock, the picture's aspect; without it height ratio hRatio of its height.
Rect FrameFromControls(int x, int y, int wRatio, int hRatio, bool ratioLock, int pictureWidth, int pictureHeight);

// What the crop controls show for a frame (placement centre, width and height as the frame
// reports them): X and Y of its top-left corner and both ratios, clamped to 1..2000.
struct TCropControls {
    int X = 0;
    int Y = 0;
    int WRatio = DefaultRatio;
    int HRatio = DefaultRatio;
    friend bool operator==(const TCropControls&, const TCropControls&) = default;
};
TCropControls ControlsFromFrame(int centreX, int centreY, int width, int height, int pictureWidth, int pictureHeight);
// The frame rectangle of a placement: (cx - w div 2, cy - h div 2) and the size.
Rect FrameRect(int centreX, int centreY, int width, int height);

// What a render takes: the visible part of the frame in picture pixels (SourceRect), that part
// relative to the square (VisibleInIcon) and where it lies in a 256 x 256 icon (CropDest).
// Valid is false when the frame misses the square or has no size: nothing is rendered then.
struct TCropPlan {
    bool Valid = false;
    Rect SourceRect;
    Rect VisibleInIcon;
    Rect CropDest;
};
TCropPlan PlanCrop(const Rect& frame, const Rect& iconRect, int pictureWidth, int pictureHeight, int masterSize = 256);

} // namespace PhotoCrop
