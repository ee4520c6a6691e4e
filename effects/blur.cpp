// Effect > Blur (see the header).
#include "effects/blur.h"

Tfrm_Blur::Tfrm_Blur(QWidget* parent) : Tfrm_Effect(QStringLiteral("frm_Blur"), QStringLiteral("Blur"), parent)
{
    TFormBuilder form(this);
    Blur = form.TrackRow(QStringLiteral("Blur"), QStringLiteral("Blur:"), 1, 200, 1, QRect(16, 30, 250, 26), 280,
                         false);
    NameRow(Blur, QStringLiteral("trc_Blur"), QStringLiteral("spn_Blur"));
    BindPair(Blur, BlurValue);
    FinishLayout(352, 66);
}

void Tfrm_Blur::ApplyEffect()
{
    ApplyBlurEffect(Sources(), *Target, BlurValue);
    PreviewStep();
}
