// Effect > Stroke (see the header).
#include "effects/stroke.h"

#include <QLabel>
#include <QPixmap>
#include <algorithm>

#include "platform/ui/spin_edit.h"

Tfrm_Stroke::Tfrm_Stroke(QWidget* parent)
    : Tfrm_Effect(QStringLiteral("frm_Stroke"), QStringLiteral("Stroke"), parent)
{
    TFormBuilder form(this);
    Size = form.TrackRow(QStringLiteral("Size"), QStringLiteral("Size"), 1, 200, 1, QRect(16, 30, 250, 26), 280, false);
    NameRow(Size, QStringLiteral("trc_Size"), QStringLiteral("spn_Size"));
    Opacity = form.TrackRow(QStringLiteral("Opacity"), QStringLiteral("Opacity"), 0, 255, 255, QRect(16, 80, 250, 26),
                            280, false);
    NameRow(Opacity, QStringLiteral("trc_Opacity"), QStringLiteral("spn_Opacity"));
    // The position choice is part of the design but not offered: strokes always lie outside.
    lbl_Position = form.Label(QStringLiteral("lbl_Position"), QStringLiteral("Position"), 16, 118);
    cbb_Position = new QComboBox(this);
    cbb_Position->setObjectName(QStringLiteral("cbb_Position"));
    cbb_Position->addItems({QStringLiteral("Outer"), QStringLiteral("Inner"), QStringLiteral("Middle")});
    cbb_Position->setGeometry(80, 114, 100, 24);
    cbb_Position->setCurrentIndex(0);
    lbl_Position->hide();
    cbb_Position->hide();
    lbl_Color = form.Label(QStringLiteral("lbl_Color"), QStringLiteral("Color"), 16, 124);
    img_Color = form.Swatch(QStringLiteral("img_Color"), 0, QRect(80, 120, 90, 20));
    clrbx_color = new QComboBox(this);
    clrbx_color->setObjectName(QStringLiteral("clrbx_color"));
    clrbx_color->setGeometry(80, 118, 150, 24);
    clrbx_color->setMaxVisibleItems(16);
    clrbx_color->hide();
    BindPair(Size, SizeValue);
    BindPair(Opacity, OpacityValue);
    connect(cbb_Position, &QComboBox::currentIndexChanged, this, &Tfrm_Stroke::cbb_PositionChange);
    connect(img_Color, &TColorSwatch::Changed, this, &Tfrm_Stroke::img_ColorChange);
    connect(clrbx_color, &QComboBox::currentIndexChanged, this, &Tfrm_Stroke::clrbx_colorChange);
    FinishLayout(352, 150);
}

void Tfrm_Stroke::FormShow()
{
    if (!Target) return;
    const bool palette = IsPaletteColorType(Backup.ColorType);
    Opacity.Track->setEnabled(!palette);
    Opacity.Spin->setEnabled(!palette);
    img_Color->setVisible(!palette);
    clrbx_color->setVisible(palette);
    if (palette) {
        const QSignalBlocker quiet(clrbx_color);
        clrbx_color->clear();
        const int count = std::min<int>(Backup.Palette.palNumEntries, 256);
        for (int i = 0; i < count; ++i) {
            const TPaletteEntry& e = Backup.Palette.palPalEntry[size_t(i)];
            QPixmap chip(14, 14);
            chip.fill(QColor(e.peRed, e.peGreen, e.peBlue));
            clrbx_color->addItem(QIcon(chip), QStringLiteral("Color %1").arg(i + 1));
        }
        // The stroke takes index 0 until the user chooses, so the list shows that entry: showing
        // another (the first black one) would name a colour the stroke does not paint.
        clrbx_color->setCurrentIndex(count > 0 ? 0 : -1);
    }
    Apply();
}

void Tfrm_Stroke::cbb_PositionChange(int index)
{
    if (!Target || index < 0 || index == Position) return;
    Position = index;
    Apply();
}

void Tfrm_Stroke::img_ColorChange(TColor color)
{
    if (!Target || color == Color) return;
    Color = color;
    Apply();
}

void Tfrm_Stroke::clrbx_colorChange(int index)
{
    if (!Target || index < 0) return;
    const TColor value = TColor(index + 1);
    if (value == Color) return;
    Color = value;
    Apply();
}

void Tfrm_Stroke::ApplyEffect()
{
    static constexpr int PositionCodes[3] = {1, -1, 0};
    const int code = PositionCodes[std::clamp(Position, 0, 2)];
    // Palette formats are stroked with the chosen entry's own index, the 256th included.
    const TColor color = IsPaletteColorType(Backup.ColorType) ? (Color > 0 ? Color - 1 : 0) : Color;
    ApplyStrokeEffect(Sources(), *Target, color, code, OpacityValue, SizeValue);
    PreviewStep();
}
