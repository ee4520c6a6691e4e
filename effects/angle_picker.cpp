// The round angle picker. The dial is painted into an image of its own so that the knob can be
// laid on with a plain AND of the bytes: the knob's white corners then leave the rings alone and
// only its disc darkens what lies under it, whatever the platform's window surface supports.
#include "effects/angle_picker.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <numbers>

namespace {
constexpr int KnobSize = 10;
constexpr int DialSize = 66;

// A rectangle given by its edges, right and bottom exclusive, as an ellipse's bounding box.
QRectF EdgeBox(int left, int top, int right, int bottom)
{
    return QRectF(left, top, right - left - 1, bottom - top - 1);
}
} // namespace

TQV_Angle::TQV_Angle(QWidget* parent) : QWidget(parent)
{
    setFixedSize(DialSize, DialSize);
    knob_ = QImage(KnobSize, KnobSize, QImage::Format_RGB32);
    knob_.fill(Qt::white);
    QPainter p(&knob_);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(QColor(13, 13, 243));
    p.setPen(QColor(239, 239, 243));
    p.drawEllipse(EdgeBox(0, 0, 9, 9));
    p.setPen(QColor(135, 135, 243));
    p.drawEllipse(EdgeBox(1, 1, 8, 8));
}

void TQV_Angle::SetAngle(int value)
{
    int a = value % 360;
    if (a < 0) a += 360;
    angle_ = a;
    if (angle_ == lastNotified_) return;
    update();
    lastNotified_ = angle_;
    emit OnChange();
}

int TQV_Angle::AngleAtPoint(int width, int x, int y)
{
    const int c = width / 2;
    const int dx = x - c;
    const int dy = c - y;
    int a;
    if (dx == 0) {
        a = dy > 0 ? 90 : 270;
    } else {
        a = int(std::atan(double(dy) / double(dx)) * 180.0 / std::numbers::pi);
        if (dx < 0) a += 180;
    }
    return (a + 360) % 360;
}

void TQV_Angle::TakeMouse(int x, int y)
{
    const int a = AngleAtPoint(width(), x, y);
    if (a == angle_) return;
    angle_ = a;
    update();
    lastNotified_ = a;
    emit OnChange();
}

void TQV_Angle::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    TakeMouse(pos.x(), pos.y());
}

void TQV_Angle::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint pos = event->position().toPoint();
    TakeMouse(pos.x(), pos.y());
}

void TQV_Angle::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    emit OnMouseUp();
}

QImage TQV_Angle::Render() const
{
    const int w = width();
    const int h = height();
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(palette().color(QPalette::Window));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    p.drawEllipse(EdgeBox(0, 0, w - 1, h - 1));
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(EdgeBox(1, 1, w - 2, h - 2));
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    p.drawEllipse(EdgeBox(2, 2, w - 3, h - 3));

    const int c = w / 2;
    const int r = c - 8;
    const double t = angle_ / 180.0 * std::numbers::pi;
    const int kx = c + int(r * std::cos(t)) - KnobSize / 2;
    const int ky = c - int(r * std::sin(t)) - KnobSize / 2;
    p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p.drawImage(kx, ky, knob_);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    const QString text = QString::number(angle_);
    const QFontMetrics fm(font());
    const int tw = fm.horizontalAdvance(text);
    const int th = fm.height();
    p.drawText(QRect(c - tw / 2, c - th / 2, tw, th), Qt::AlignLeft | Qt::AlignTop, text);
    return img;
}

void TQV_Angle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, Render());
}
