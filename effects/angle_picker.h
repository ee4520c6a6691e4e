#pragma once
// The round angle picker of the rotation and shadow dialogs and the icon mixer: a dial of three
// rings with a blue knob at the chosen direction and the number of degrees in the middle. Angles
// are whole degrees counted counter-clockwise from east (0 right, 90 up, 180 left, 270 down), so a
// click anywhere on the dial picks the direction from the centre to the mouse.
#include <QImage>
#include <QWidget>

class TQV_Angle : public QWidget {
    Q_OBJECT
public:
    explicit TQV_Angle(QWidget* parent = nullptr);

    // 0..359. Read directly; written through SetAngle.
    int Angle() const { return angle_; }
    // Any whole number, brought into 0..359 (-90 is 270, 725 is 5); OnChange fires when the
    // angle differs from the one last announced.
    void SetAngle(int value);

    // The angle a mouse press at (x, y) picks on a dial `width` pixels wide: y grows upwards from
    // the centre, the arc tangent is truncated toward zero, and the centre itself gives 270.
    static int AngleAtPoint(int width, int x, int y);

    // The picture the control paints: its rings, the knob and the number, on the window colour.
    QImage Render() const;

signals:
    // The angle changed (by SetAngle or the mouse); read Angle().
    void OnChange();
    // The mouse button was released over the control.
    void OnMouseUp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void TakeMouse(int x, int y);

    int angle_ = 0;
    int lastNotified_ = 0;
    QImage knob_;
};
