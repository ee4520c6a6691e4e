// Effect > Saturation (see the header).
#include "effects/saturation.h"

Tfrm_Saturation::Tfrm_Saturation(QWidget* parent)
    : Tfrm_Effect(QStringLiteral("frm_Saturation"), QStringLiteral("Saturation"), parent)
{
    TFormBuilder form(this);
    Saturation = form.TrackRow(QStringLiteral("Saturation"), QStringLiteral("Saturation:"), -127, 127, 0,
                               QRect(16, 30, 250, 26), 280, false);
    NameRow(Saturation, QStringLiteral("trc_Saturation"), QStringLiteral("spn_Saturation"));
    BindPair(Saturation, SaturationValue);
    FinishLayout(352, 66);
}

void Tfrm_Saturation::ApplyEffect()
{
    ApplySaturationEffect(Sources(), *Target, SaturationValue);
    PreviewStep();
}
