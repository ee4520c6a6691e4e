// The move, scale and rotate frame: handle geometry, hit tests (handles, inside, turned frames),
// drags of every handle kind, rotation and its sense, degenerate frames and the overlay drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include <QImage>
#include <QPainter>

#include "model/rotate_frame.h"
#include "platform/rounding.h"

namespace {

// An unturned frame from (100, 50) to (200, 110), rotation on, free resizing.
TRotateFrame Unturned()
{
    TRotateFrame f;
    f.SetFrame(true, 100, 50, 200, 110, 0.0, 0.0);
    return f;
}

void ExpectPoint(const TRotateFrame& f, int handle, double x, double y, double tolerance = 1e-9)
{
    EXPECT_NEAR(f.Handles[size_t(handle)].X, x, tolerance) << "handle " << handle;
    EXPECT_NEAR(f.Handles[size_t(handle)].Y, y, tolerance) << "handle " << handle;
}

} // namespace

TEST(RotateFrame, CreationAndDerivedHandles)
{
    TRotateFrame fresh;
    EXPECT_EQ(fresh.HandleHalfSize, 5);
    EXPECT_EQ(fresh.ActiveHandle, -1);
    EXPECT_EQ(fresh.AspectRatio, 0);
    EXPECT_TRUE(fresh.RotateEnabled);
    for (const TFrameHandle& h : fresh.Handles) EXPECT_TRUE(h.Visible);

    TRotateFrame f = Unturned();
    const double expected[11][2] = {{150, 80},  {100, 50}, {200, 50}, {200, 110}, {100, 110}, {150, 50},
                                    {200, 80},  {150, 110}, {100, 80}, {0, 0},     {0, 0}};
    for (int i = 0; i <= 8; ++i) ExpectPoint(f, i, expected[i][0], expected[i][1]);
    EXPECT_DOUBLE_EQ(f.Radius, 30);
    // Rotation handles on the diagonal, Radius from the centre.
    const double diag = std::hypot(100.0, 60.0);
    ExpectPoint(f, 9, 150 - 30 * 100 / diag, 80 - 30 * 60 / diag);
    ExpectPoint(f, 10, 150 + 30 * 100 / diag, 80 + 30 * 60 / diag);
    EXPECT_EQ(f.Handles[1].HitRect, (Rect{95, 45, 106, 56}));

    // A frame of no size: radius 0, both rotation handles on the centre.
    f.SetFrame(true, 40, 40, 40, 40, 0.3, 0);
    EXPECT_EQ(f.Radius, 0);
    ExpectPoint(f, 9, 40, 40);
    ExpectPoint(f, 10, 40, 40);

    // The rotation handles follow the rotate flag; SetFrameDegrees leaves them alone.
    f.SetFrame(false, 0, 0, 10, 10, 0, 0);
    EXPECT_FALSE(f.Handles[9].Visible);
    EXPECT_FALSE(f.Handles[10].Visible);
    f.SetFrameDegrees(0, 0, 10, 10, 45);
    EXPECT_FALSE(f.Handles[10].Visible);
}

TEST(RotateFrame, HitTest)
{
    const TRotateFrame f = Unturned();
    struct Case {
        int x, y, handle;
    };
    const std::vector<Case> cases = {
        {150, 80, 0},  // the centre hits the move handle though it is not drawn
        {95, 50, 1},   // 5 left of corner p1
        {94, 50, -1},  // 6 left
        {105, 55, 1},  // the hit square's last pixel
        {106, 56, 0},  // just past it: inside the frame
        {200, 80, 6}, {150, 110, 7}, {100, 80, 8}, {150, 50, 5},
        {100, 70, -1},  // on the left edge's line: the strict test says outside
        {101, 70, 0},
        {250, 80, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(f.HitTest({c.x, c.y}), c.handle) << c.x << "," << c.y;

    // Turned 30 degrees about its centre: inside is the strip between the lines of p1-p2 and p4-p3,
    // also beyond the short edges.
    TRotateFrame t;
    const double a = 30 * std::numbers::pi / 180;
    const double cx = 300, cy = 300;
    // p1 = centre - 60 u - 20 v, p3 = centre + 60 u + 20 v.
    const double ux = std::cos(a), uy = std::sin(a), vx = -uy, vy = ux;
    t.SetFrame(false, cx - 60 * ux - 20 * vx, cy - 60 * uy - 20 * vy, cx + 60 * ux + 20 * vx, cy + 60 * uy + 20 * vy,
               a, 0);
    auto at = [&](double along, double across) {
        return Point{int(std::lround(cx + along * ux + across * vx)), int(std::lround(cy + along * uy + across * vy))};
    };
    EXPECT_EQ(t.HitTest(at(30, 10)), 0);
    EXPECT_EQ(t.HitTest(at(90, 10)), 0);   // beyond edge p2-p3, still between the long edges
    EXPECT_EQ(t.HitTest(at(-90, -10)), 0); // beyond edge p1-p4
    EXPECT_EQ(t.HitTest(at(30, 25)), -1);  // past edge p4-p3
    EXPECT_EQ(t.HitTest(at(30, -25)), -1); // past edge p1-p2

    // A quarter turn set in degrees: float noise in the cosine must not break the inside test.
    TRotateFrame q;
    q.SetFrameDegrees(100, 100, 140, 20, 90);
    EXPECT_NEAR(q.CosA, 0, 1e-12);
    EXPECT_EQ(q.HitTest({130, 50}), 0);
    EXPECT_EQ(q.HitTest({150, 50}), -1);

    // However small a turn, it is a turn: a press left of the frame, between the lines of its long
    // edges, is inside. Whole quarter turns given in radians stay axis-parallel.
    for (double degrees : {0.0000001, -0.0000001, 0.00000001, 1e-10, 90.0000001}) {
        TRotateFrame s;
        s.SetFrameDegrees(100, 50, 200, 110, degrees);
        const bool quarter = degrees > 45;
        EXPECT_EQ(s.HitTest({quarter ? 150 : 20, quarter ? 5 : 80}), 0) << degrees;
    }
    for (int quarters = 0; quarters < 4; ++quarters) {
        TRotateFrame s;
        const double a = quarters * std::numbers::pi / 2;
        s.SetFrame(false, 100, 50, 100 + 100 * std::cos(a) - 60 * std::sin(a), 50 + 100 * std::sin(a) + 60 * std::cos(a), a, 0);
        const TFramePoint c = s.HandlePoint(TRotateFrame::fhCentre);
        EXPECT_EQ(s.HitTest({int(std::lround(c.X)) + 1, int(std::lround(c.Y)) + 1}), 0) << quarters;
        // Far along either axis from the centre is outside the box, whichever axis the long edges follow.
        EXPECT_EQ(s.HitTest({int(std::lround(c.X)) + 400, int(std::lround(c.Y))}), -1) << quarters;
        EXPECT_EQ(s.HitTest({int(std::lround(c.X)), int(std::lround(c.Y)) + 400}), -1) << quarters;
    }
}

TEST(RotateFrame, DragHandles)
{
    struct Case {
        const char* name;
        double aspect;
        int handle, x, y;
        double p1x, p1y, p3x, p3y;
    };
    // From the unturned frame (100, 50)-(200, 110); the last mouse point is (150, 80).
    const std::vector<Case> cases = {
        {"move", 0, 0, 160, 70, 110, 40, 210, 100},
        {"corner p1 free", 0, 1, 90, 40, 90, 40, 200, 110},
        {"corner p2 free keeps p4", 0, 2, 220, 30, 100, 30, 220, 110},
        {"corner p3 free", 0, 3, 250, 150, 100, 50, 250, 150},
        {"corner p4 free keeps p2", 0, 4, 80, 130, 80, 50, 200, 130},
        {"edge 5 moves the top only", 0, 5, 170, 20, 100, 20, 200, 110},
        {"edge 6 moves the right only", 0, 6, 240, 0, 100, 50, 240, 110},
        {"edge 7 moves the bottom only", 0, 7, 0, 150, 100, 50, 200, 150},
        {"edge 8 moves the left only", 0, 8, 60, 300, 60, 50, 200, 110},
        {"handle 11 changes nothing", 0, 11, 0, 0, 100, 50, 200, 110},
        {"aspect 2: corner 3 by x", 2, 3, 300, 999, 100, 50, 300, 150},
        {"aspect 2: corner 4 by y", 2, 4, 0, 90, 100, 50, 180, 90},
        {"aspect 2: corner 1 keeps p3", 2, 1, 0, 0, 0, 10, 200, 110},
        {"aspect 2: edge 5 by y", 2, 5, 0, 30, 40, 30, 200, 110},
    };
    for (const Case& c : cases) {
        TRotateFrame f = Unturned();
        f.AspectRatio = c.aspect;
        f.LastPoint = {150, 80};
        f.DragHandle(c.handle, c.x, c.y);
        ExpectPoint(f, 1, c.p1x, c.p1y);
        ExpectPoint(f, 3, c.p3x, c.p3y);
        SCOPED_TRACE(c.name);
    }

    // The Part's example: aspect 2, p1 at the origin, corner 3 dragged to x = 100.
    TRotateFrame g;
    g.SetFrame(false, 0, 0, 40, 20, 0, 2);
    g.DragHandle(3, 100, 7);
    ExpectPoint(g, 3, 100, 50);

    // A turned frame's free edge drag slides the corner along its own edge line.
    TRotateFrame t;
    t.SetFrameDegrees(100, 100, 60, 200, -90); // u = (0, 1), v = (-1, 0)
    t.DragHandle(6, 75, 300);
    ExpectPoint(t, 3, 60, 300, 1e-9);
    ExpectPoint(t, 1, 100, 100, 1e-9);
}

TEST(RotateFrame, IntersectLines)
{
    TFramePoint at;
    EXPECT_TRUE(TRotateFrame::IntersectLines({0, 0}, {1, 1}, {10, 0}, {-1, 1}, at));
    EXPECT_DOUBLE_EQ(at.X, 5);
    EXPECT_DOUBLE_EQ(at.Y, 5);
    EXPECT_TRUE(TRotateFrame::IntersectLines({3, 0}, {0, 1}, {0, 7}, {2, 0}, at)); // vertical and horizontal
    EXPECT_DOUBLE_EQ(at.X, 3);
    EXPECT_DOUBLE_EQ(at.Y, 7);
    EXPECT_FALSE(TRotateFrame::IntersectLines({0, 0}, {0, 1}, {5, 0}, {0, -3}, at)); // both vertical
    EXPECT_FALSE(TRotateFrame::IntersectLines({0, 0}, {2, 1}, {5, 0}, {4, 2}, at));
    EXPECT_FALSE(TRotateFrame::IntersectLines({0, 0}, {0, 0}, {5, 0}, {4, 2}, at));
    EXPECT_DOUBLE_EQ(TRotateFrame::Distance({0, 0}, {3, 4}), 5);
}

TEST(RotateFrame, RotationSenseAndPlacement)
{
    // SetFrameDegrees gives its angle back; SetFrame turns the other way.
    for (int angle : {0, 30, -45, 90, 179, -179}) {
        TRotateFrame f;
        f.SetFrameDegrees(0, 0, 40, 20, angle);
        EXPECT_EQ(f.GetPlacement(1).Angle, angle);
        f.SetFrame(true, 0, 0, 40, 20, angle * std::numbers::pi / 180, 0);
        EXPECT_EQ(f.GetPlacement(1).Angle, angle == 0 ? 0 : -angle);
    }

    // Placement in image pixels at zoom 4; a zoom of 0 counts as 1.
    TRotateFrame f = Unturned();
    const TFramePlacement p = f.GetPlacement(4);
    EXPECT_EQ(p.CentreX, 38); // 37.5 rounds to even
    EXPECT_EQ(p.CentreY, 20);
    EXPECT_EQ(p.Width, 25);
    EXPECT_EQ(p.Height, 15);
    EXPECT_EQ(f.GetPlacement(0).Width, 100);

    // A clockwise quarter turn on the screen of handle 10, in small steps, lowers the angle by
    // about 90; each step rounds p1 and p3 to whole pixels, so over 30 steps the size drifts a little.
    f.SetFrame(true, 100, 60, 200, 100, 0, 0); // centre (150, 80), radius 20
    f.MouseEvent(TRotateFrame::mkPress, RoundInt(f.Handles[10].X), RoundInt(f.Handles[10].Y), Qt::LeftButton);
    ASSERT_EQ(f.ActiveHandle, 10);
    const double start = std::atan2(f.Handles[10].Y - 80, f.Handles[10].X - 150);
    for (int step = 1; step <= 30; ++step) {
        const double a = start + step * (std::numbers::pi / 2) / 30;
        EXPECT_EQ(f.MouseEvent(TRotateFrame::mkMove, RoundInt(150 + 40 * std::cos(a)), RoundInt(80 + 40 * std::sin(a)),
                               Qt::LeftButton),
                  10);
    }
    const TFramePlacement turned = f.GetPlacement(1);
    EXPECT_NEAR(turned.Angle, -90, 3);
    EXPECT_NEAR(turned.Width, 100, 4);
    EXPECT_NEAR(turned.Height, 40, 4);
    EXPECT_NEAR(f.Handles[0].X, 150, 1.5);
    EXPECT_NEAR(f.Handles[0].Y, 80, 1.5);

    // The mouse on the centre, or a frame of no size, turns nothing (and makes no NaN).
    const double sinBefore = f.SinA;
    f.DragHandle(10, RoundInt(f.Handles[0].X), RoundInt(f.Handles[0].Y));
    EXPECT_EQ(f.SinA, sinBefore);
    TRotateFrame dot;
    dot.SetFrame(true, 5, 5, 5, 5, 0, 0);
    dot.DragHandle(9, 50, 60);
    EXPECT_EQ(dot.SinA, 0);
    EXPECT_EQ(dot.CosA, 1);
}

TEST(RotateFrame, MouseEvents)
{
    TRotateFrame f = Unturned();
    EXPECT_EQ(f.MouseEvent(TRotateFrame::mkPress, 150, 80, Qt::LeftButton), -1);
    EXPECT_EQ(f.ActiveHandle, 0);
    // Moves without the left button do nothing but follow the mouse.
    EXPECT_EQ(f.MouseEvent(TRotateFrame::mkMove, 160, 80, Qt::RightButton), -1);
    ExpectPoint(f, 1, 100, 50);
    EXPECT_EQ(f.MouseEvent(TRotateFrame::mkMove, 165, 83, Qt::LeftButton), 0);
    ExpectPoint(f, 1, 105, 53);
    EXPECT_EQ(f.MouseEvent(TRotateFrame::mkRelease, 165, 83, Qt::NoButton), -1);
    EXPECT_EQ(f.ActiveHandle, 0); // kept until the next press
    EXPECT_EQ(f.MouseEvent(TRotateFrame::mkPress, 0, 0, Qt::LeftButton), -1);
    EXPECT_EQ(f.ActiveHandle, -1);
    EXPECT_EQ(f.MouseEvent(TRotateFrame::mkMove, 10, 10, Qt::LeftButton), -1);
    ExpectPoint(f, 1, 105, 53);
}

TEST(RotateFrame, DrawsOutlineCircleAndHandles)
{
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 0));
    TRotateFrame f = Unturned();
    {
        QPainter painter(&image);
        f.Draw(painter, QColor(0, 0, 255));
    }
    auto colour = [&](int x, int y) { return image.pixelColor(x, y); };
    // Handle dots in the handle colour with a black rim; none at the centre.
    EXPECT_EQ(colour(100, 50), QColor(0, 0, 255));
    EXPECT_EQ(colour(200, 80), QColor(0, 0, 255));
    EXPECT_EQ(colour(150, 80), QColor(0, 0, 0));
    // The dotted outline is white and dotted: along the top edge between handles, some pixels are
    // white and some are left alone.
    int white = 0, dark = 0;
    for (int x = 110; x < 140; ++x) (colour(x, 50) == QColor(255, 255, 255) ? white : dark)++;
    EXPECT_GT(white, 5);
    EXPECT_GT(dark, 5);
    // The rotation circle (radius 30 about (150, 80)) passes its leftmost point (120, 80).
    bool circle = false;
    for (int y = 76; y <= 84; ++y)
        for (int x = 119; x <= 121; ++x) circle |= colour(x, y) == QColor(255, 255, 255);
    EXPECT_TRUE(circle);
    // Without rotation no circle and no rotation handles.
    image.fill(QColor(0, 0, 0));
    f.SetFrame(false, 100, 50, 200, 110, 0, 0);
    {
        QPainter painter(&image);
        f.Draw(painter, QColor(0, 0, 255));
    }
    EXPECT_EQ(colour(RoundInt(f.Handles[10].X), RoundInt(f.Handles[10].Y)), QColor(0, 0, 0));
    EXPECT_EQ(colour(120, 80), QColor(0, 0, 0));
}
