#pragma once
// The move, scale and rotate frame laid over a canvas: the text tool's text box, the paste window's
// pasted picture and photo-to-icon's crop frame all use it. It keeps a possibly rotated rectangle
// with eleven handles, says which handle a press hits, changes the rectangle as the mouse drags
// and reports the placement back in image pixels. It does no image work: the owner redraws its
// canvas and reads GetPlacement after each change.
//
// Coordinates are canvas coordinates (image pixel times the owner's zoom) as doubles; only the
// owner converts from and to image pixels. Canvas y grows downwards.
//
// How an owner uses it:
//   TRotateFrame frame;
//   frame.SetFrame(false, x1, y1, x3, y3, 0.0, 0.0);      // or SetFrameDegrees for the text tool
//   // in the canvas's mouse handlers, with the mouse in canvas pixels:
//   if (frame.MouseEvent(TRotateFrame::mkMove, x, y, buttons) >= 0) {
//       const TFramePlacement p = frame.GetPlacement(zoom); // centre, size, angle in image pixels
//       ... redraw ...
//   }
//   // in the canvas's paint handler, after the picture:
//   frame.Draw(painter, handleColour);
//
// The geometry is defined by corners p1 and p3 (handles 1 and 3) and the angle (SinA, CosA);
// Update derives every other handle from them. Handles, in order: 0 centre (hit but never drawn);
// 1..4 corners p1, p2, p3, p4 going round; 5..8 the midpoints of p1-p2, p2-p3, p3-p4, p1-p4;
// 9 and 10 the rotation handles where the diagonal p1-p3 crosses the rotation circle.
#include <array>
#include <cstdint>

#include <QColor>
#include <Qt>

#include "platform/rect.h"

class QPainter;

struct TFramePoint {
    double X = 0;
    double Y = 0;
};

struct TFrameHandle {
    double X = 0;
    double Y = 0;
    Rect HitRect;        // right and bottom exclusive
    bool Visible = true;
};

// The frame's placement in image pixels, each value rounded (halves to even).
struct TFramePlacement {
    int CentreX = 0;
    int CentreY = 0;
    int Width = 0;   // |p1 p2|
    int Height = 0;  // |p2 p3|
    int Angle = 0;   // degrees, positive anticlockwise on the screen, -180..180
};

class TRotateFrame {
public:
    // Kinds of MouseEvent.
    enum MouseKind : int { mkPress = 2, mkMove = 3, mkRelease = 4 };
    // Handle indices.
    enum : int {
        fhNone = -1,
        fhCentre = 0,
        fhP1 = 1, fhP2 = 2, fhP3 = 3, fhP4 = 4,
        fhEdge12 = 5, fhEdge23 = 6, fhEdge34 = 7, fhEdge14 = 8,
        fhRotate1 = 9, fhRotate2 = 10,
        HandleCount = 11,
    };

    TRotateFrame() = default;

    // Corners p1 and p3 and an angle in degrees, positive turning the frame anticlockwise on the
    // screen (the text tool's sense). Keeps RotateEnabled, AspectRatio and the handles' visibility.
    void SetFrameDegrees(double x1, double y1, double x3, double y3, double angleDegrees);
    // Corners p1 and p3 and an angle in radians, positive turning the frame clockwise on the screen
    // (the opposite sense to SetFrameDegrees); aspect = width / height kept while resizing, 0 or less
    // for free resizing. The rotation handles show exactly when rotation is enabled.
    void SetFrame(bool rotateEnabled, double x1, double y1, double x3, double y3, double angleRadians,
                  double aspectRatio);
    // Derives p2, p4, the centre, the midpoints, the radius, the rotation handles and every hit
    // square from p1, p3 and the angle.
    void Update();

    // The placement in image pixels at the given zoom (a zoom of 0 or less counts as 1).
    TFramePlacement GetPlacement(double zoom) const;

    // Feeds one mouse event in canvas pixels. A press picks the handle to drag (or none) and gives
    // -1; a move with the left button held drags it and gives its index; anything else gives -1.
    // The owner redraws and reads GetPlacement when the result is 0 or more.
    int MouseEvent(int kind, int x, int y, Qt::MouseButtons buttons);
    // The handle under a point: the first visible handle whose hit square holds it (the centre
    // first), else 0 when the point is inside the frame (a move), else -1.
    int HitTest(Point p) const;
    // Drags a handle to (x, y); LastPoint is the previous mouse position. Indices outside 0..10
    // change nothing.
    void DragHandle(int handle, int x, int y);

    // Draws the white dotted outline, the rotation circle when rotation is enabled and the visible
    // handles 1..10 filled with handleColour and outlined in black.
    void Draw(QPainter& painter, const QColor& handleColour) const;

    static double Distance(TFramePoint a, TFramePoint b);
    // Where line 1 (through p1, direction d1) meets line 2 (through p2, direction d2); false when
    // they are parallel (or a direction is zero).
    static bool IntersectLines(TFramePoint p1, TFramePoint d1, TFramePoint p2, TFramePoint d2, TFramePoint& at);

    TFramePoint HandlePoint(int i) const { return {Handles[size_t(i)].X, Handles[size_t(i)].Y}; }

    int32_t HandleHalfSize = 5;
    double SinA = 0;
    double CosA = 0;
    double Radius = 0;
    std::array<TFrameHandle, HandleCount> Handles{};
    int32_t ActiveHandle = fhNone;
    Point LastPoint;
    bool RotateEnabled = true;
    double AspectRatio = 0;

private:
    void SetHandlePoint(int i, TFramePoint p);
    void Rotate(int handle, int x, int y);
};
