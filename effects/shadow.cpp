// Effect > Shadow (see the header).
#include "effects/shadow.h"

#include <QLabel>

#include "platform/ui/spin_edit.h"

Tfrm_Shadow::Tfrm_Shadow(QWidget* parent)
    : Tfrm_Effect(QStringLiteral("frm_Shadow"), QStringLiteral("Shadow"), parent)
{
    TFormBuilder form(this);
    // The blur size is part of the design but not offered: the shadow keeps its default softness.
    Size = form.TrackRow(QStringLiteral("Size"), QStringLiteral("Size"), 1, 200, 40, QRect(16, 30, 250, 26), 280, false);
    NameRow(Size, QStringLiteral("trc_Size"), QStringLiteral("spn_Size"));
    for (QWidget* w : {static_cast<QWidget*>(Size.Caption), static_cast<QWidget*>(Size.Track),
                       static_cast<QWidget*>(Size.Spin)})
        w->hide();
    Opacity = form.TrackRow(QStringLiteral("Opacity"), QStringLiteral("Opacity"), 0, 255, 255, QRect(16, 30, 250, 26),
                            280, false);
    NameRow(Opacity, QStringLiteral("trc_Opacity"), QStringLiteral("spn_Opacity"));
    Offset = form.TrackRow(QStringLiteral("offset"), QStringLiteral("Offset"), 1, 255, 5, QRect(16, 80, 250, 26), 280,
                           false);
    NameRow(Offset, QStringLiteral("trc_offset"), QStringLiteral("spn_offset"));
    form.Label(QStringLiteral("lbl_Angle"), QStringLiteral("Angle"), 16, 118);
    ang_angle = new TQV_Angle(this);
    ang_angle->setObjectName(QStringLiteral("ang_angle"));
    ang_angle->move(16, 136);
    ang_angle->SetAngle(135);
    form.Label(QStringLiteral("lbl_Color"), QStringLiteral("Color"), 120, 118);
    img_Color = form.Swatch(QStringLiteral("img_Color"), 0, QRect(120, 136, 90, 20));
    BindPair(Size, SizeValue);
    BindPair(Opacity, OpacityValue);
    BindPair(Offset, OffsetValue);
    connect(ang_angle, &TQV_Angle::OnChange, this, &Tfrm_Shadow::ang_angleChange);
    connect(img_Color, &TColorSwatch::Changed, this, &Tfrm_Shadow::img_ColorChange);
    FinishLayout(352, 210);
}

void Tfrm_Shadow::FormShow()
{
    if (!Target) return;
    const bool palette = IsPaletteColorType(Backup.ColorType);
    Opacity.Track->setEnabled(!palette);
    Opacity.Spin->setEnabled(!palette);
    img_Color->SetColor(Color);
    Apply();
}

void Tfrm_Shadow::ang_angleChange()
{
    if (!Target) return;
    const int a = ang_angle->Angle();
    if (a == Angle) return;
    Angle = a;
    Apply();
}

void Tfrm_Shadow::img_ColorChange(TColor color)
{
    if (!Target || color == Color) return;
    Color = color;
    Apply();
}

void Tfrm_Shadow::ApplyEffect()
{
    ApplyShadowEffect(Sources(), *Target, Color, OffsetValue, OpacityValue, Angle, SizeValue);
    PreviewStep();
}
