// The angle picker: normalising set angles, the angle a click or a drag picks, when it announces a
// change, and where it paints its knob.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "effects/angle_picker.h"

TEST(AnglePicker, SetAngleNormalisesAndAnnouncesOnlyChanges)
{
    TQV_Angle dial;
    EXPECT_EQ(dial.size(), QSize(66, 66));
    EXPECT_EQ(dial.Angle(), 0);
    QSignalSpy changes(&dial, &TQV_Angle::OnChange);
    const struct {
        int set, angle, announcements;
    } cases[] = {{-90, 270, 1}, {270, 270, 1}, {360, 0, 2}, {725, 5, 3}, {5, 5, 3}, {-720, 0, 4}, {-1, 359, 5}};
    for (const auto& c : cases) {
        dial.SetAngle(c.set);
        EXPECT_EQ(dial.Angle(), c.angle) << c.set;
        EXPECT_EQ(changes.count(), c.announcements) << c.set;
    }
}

TEST(AnglePicker, APressPicksTheDirectionFromTheCentre)
{
    TQV_Angle dial;
    dial.show();
    const int c = 33;
    const struct {
        QPoint at;
        Qt::MouseButton button;
        int angle;
    } cases[] = {
        {{c - 10, c - 1}, Qt::LeftButton, 175},  // left of the centre, a little above
        {{c + 20, c + 1}, Qt::LeftButton, 358},  // right, a little below
        {{c, c - 20}, Qt::LeftButton, 90},       // straight above
        {{c, c + 20}, Qt::RightButton, 270},     // straight below, any button
        {{c + 20, c}, Qt::MiddleButton, 0},      // east
        {{c - 20, c}, Qt::LeftButton, 180},      // west
        {{c, c}, Qt::LeftButton, 270},           // the centre itself
        {{c + 10, c - 10}, Qt::RightButton, 45},
        {{c - 10, c + 10}, Qt::LeftButton, 225},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(TQV_Angle::AngleAtPoint(66, k.at.x(), k.at.y()), k.angle) << k.at.x() << "," << k.at.y();
        dial.SetAngle(k.angle == 1 ? 2 : 1);
        QTest::mousePress(&dial, k.button, {}, k.at);
        QTest::mouseRelease(&dial, k.button, {}, k.at);
        EXPECT_EQ(dial.Angle(), k.angle) << k.at.x() << "," << k.at.y();
    }
}

TEST(AnglePicker, DraggingAnnouncesOnlyWhenTheTruncatedAngleChanges)
{
    TQV_Angle dial;
    dial.show();
    QSignalSpy changes(&dial, &TQV_Angle::OnChange);
    QSignalSpy ups(&dial, &TQV_Angle::OnMouseUp);
    QTest::mousePress(&dial, Qt::LeftButton, {}, QPoint(60, 33)); // 0: no change from 0
    EXPECT_EQ(changes.count(), 0);
    auto drag = [&](QPoint p) {
        QMouseEvent move(QEvent::MouseMove, p, dial.mapToGlobal(p), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dial, &move);
    };
    drag({61, 33}); // still 0
    EXPECT_EQ(changes.count(), 0);
    drag({60, 23}); // atan(10/27) = 20.3 -> 20
    EXPECT_EQ(dial.Angle(), 20);
    EXPECT_EQ(changes.count(), 1);
    drag({60, 23});
    drag({59, 23}); // 21.03 -> 21
    EXPECT_EQ(dial.Angle(), 21);
    EXPECT_EQ(changes.count(), 2);
    QTest::mouseRelease(&dial, Qt::LeftButton, {}, QPoint(59, 23));
    EXPECT_EQ(ups.count(), 1);
    // Moving without the left button changes nothing.
    QMouseEvent hover(QEvent::MouseMove, QPointF(33, 10), dial.mapToGlobal(QPointF(33, 10)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&dial, &hover);
    EXPECT_EQ(dial.Angle(), 21);
}

TEST(AnglePicker, TheKnobSitsOnTheDialAtTheAngle)
{
    TQV_Angle dial;
    const QColor window = dial.palette().color(QPalette::Window);
    // Knob boxes: angle 0 at (53, 28), 90 at (28, 3), 180 at (3, 28).
    const struct {
        int angle;
        QPoint knobCentre;
    } cases[] = {{0, {57, 32}}, {90, {32, 7}}, {180, {7, 32}}};
    for (const auto& c : cases) {
        dial.SetAngle(c.angle);
        const QImage img = dial.Render();
        const QColor centre = img.pixelColor(c.knobCentre);
        EXPECT_LT(centre.red(), 40) << c.angle;
        EXPECT_GT(centre.blue(), 200) << c.angle;
        // The knob's white corner left the ground under it alone.
        const QPoint corner = c.knobCentre - QPoint(4, 4);
        if (c.angle == 0) EXPECT_EQ(img.pixelColor(corner), window);
    }
    // The rings are drawn at the rim; the middle shows the number, the ground elsewhere.
    dial.SetAngle(135);
    const QImage img = dial.Render();
    if (qEnvironmentVariableIsSet("TAVRIN_SHOTS")) img.scaled(264, 264).save(qEnvironmentVariable("TAVRIN_SHOTS") + "/angle.png");
    int dark = 0;
    for (int y = 0; y < 4; ++y) dark += img.pixelColor(33, y).lightness() < 140;
    EXPECT_GE(dark, 2);
    EXPECT_EQ(img.pixelColor(20, 20), window);
}
