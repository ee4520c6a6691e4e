#include "workspace/swatch_bar.h"

#include <QMouseEvent>
#include <QPainter>

#include "imaging/imaging_state.h"
#include "platform/ui/dialogs.h"

namespace {

constexpr TColor FixedSwatches[TSwatchBar::SwatchCount - 1] = {0xFFFFFF, 0xC8D0D4, 0x808080, 0x000000,
                                                               0xFF0000, 0x808000, 0xA56E3A};

} // namespace

TSwatchBar::TSwatchBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Image1"));
    setFixedSize(BarWidth, BarHeight);
    setCursor(Qt::PointingHandCursor);
}

TColor TSwatchBar::SwatchColor(int index)
{
    return index >= 0 && index < SwatchCount - 1 ? FixedSwatches[index] : 0xFFFFFF;
}

void TSwatchBar::PickAt(int x)
{
    if (x < 0 || x >= SwatchCount * SwatchWidth) return;
    const int index = x / SwatchWidth;
    lastIndex_ = index;
    if (index < SwatchCount - 1) {
        Imaging().BackgroundColor = FixedSwatches[index];
    } else {
        TColor color = Imaging().BackgroundColor;
        if (Dialogs().PickColor(this, color)) Imaging().BackgroundColor = color;
    }
    emit Picked();
}

void TSwatchBar::mousePressEvent(QMouseEvent* event)
{
    lastIndex_ = -1;
    PickAt(int(event->position().x()));
}

void TSwatchBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) return;
    const int x = int(event->position().x());
    // Sliding along the bar picks each swatch once; staying on one picks nothing again.
    if (x >= 0 && x / SwatchWidth == lastIndex_) return;
    PickAt(x);
}

void TSwatchBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    for (int i = 0; i < SwatchCount - 1; ++i)
        p.fillRect(QRect(i * SwatchWidth, 0, SwatchWidth - 1, BarHeight), ToQColor(FixedSwatches[i]));
    // The eighth swatch asks for any colour: a small spectrum.
    const QRect last((SwatchCount - 1) * SwatchWidth, 0, SwatchWidth - 1, BarHeight);
    QLinearGradient spectrum(last.topLeft(), last.topRight());
    spectrum.setColorAt(0.0, Qt::red);
    spectrum.setColorAt(0.33, Qt::green);
    spectrum.setColorAt(0.66, Qt::blue);
    spectrum.setColorAt(1.0, Qt::magenta);
    p.fillRect(last, spectrum);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < SwatchCount; ++i) p.drawRect(QRect(i * SwatchWidth, 0, SwatchWidth - 2, BarHeight - 1));
}
