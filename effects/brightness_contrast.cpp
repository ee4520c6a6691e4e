// Effect > Brightness / Contrast (see the header).
#include "effects/brightness_contrast.h"

Tfrm_Brightness_Contrast::Tfrm_Brightness_Contrast(QWidget* parent)
    : Tfrm_Effect(QStringLiteral("frm_Brightness_Contrast"), QStringLiteral("Brightness / Contrast"), parent)
{
    TFormBuilder form(this);
    Brightness = form.TrackRow(QStringLiteral("Brightness"), QStringLiteral("Brightness:"), -255, 255, 0,
                               QRect(16, 30, 250, 26), 280, false);
    NameRow(Brightness, QStringLiteral("Trc_Brightness"), QStringLiteral("Spn_Brightness"));
    Contrast = form.TrackRow(QStringLiteral("Contrast"), QStringLiteral("Contrast:"), -255, 255, 0,
                             QRect(16, 80, 250, 26), 280, false);
    NameRow(Contrast, QStringLiteral("Trc_Contrast"), QStringLiteral("Spn_Contrast"));
    BindPair(Brightness, BrightnessValue);
    BindPair(Contrast, ContrastValue);
    FinishLayout(352, 116);
}

void Tfrm_Brightness_Contrast::ApplyEffect()
{
    ApplyBrightnessContrastEffect(Sources(), *Target, BrightnessValue, ContrastValue);
    PreviewStep();
}
