#pragma once
#include <QWidget>

#include "platform/color.h"

// The eight 16-pixel background swatches under a strip (white, 0xC8D0D4, 0x808080, black,
// 0xFF0000, 0x808000, 0xA56E3A, and an eighth that asks for any colour). A press, or a move with
// the left button held, sets the shared background colour of thumbnails and previews.
class TSwatchBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int SwatchWidth = 16;
    static constexpr int SwatchCount = 8;
    static constexpr int BarWidth = 130;
    static constexpr int BarHeight = 10;

    explicit TSwatchBar(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(BarWidth, BarHeight); }

    // The colour of swatch i (0..6); the eighth has none of its own.
    static TColor SwatchColor(int index);
    // PickStripBackground: picks the swatch under x. Outside the eight swatches nothing changes
    // and nothing is signalled.
    void PickAt(int x);

signals:
    // A swatch was pressed (also when the colour dialog of the eighth was cancelled): whatever
    // shows the background colour redraws.
    void Picked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int lastIndex_ = -1; // swatch of the last pick of a drag: a drag repeats no colour dialog
};
