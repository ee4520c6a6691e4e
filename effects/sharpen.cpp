// Effect > Sharpen (see the header).
#include "effects/sharpen.h"

Tfrm_Sharpen::Tfrm_Sharpen(QWidget* parent)
    : Tfrm_Effect(QStringLiteral("frm_Sharpen"), QStringLiteral("Sharpen"), parent)
{
    TFormBuilder form(this);
    Sharpen = form.TrackRow(QStringLiteral("Sharpen"), QStringLiteral("SharPen:"), 0, 100, 0, QRect(16, 30, 250, 26),
                            280, false);
    NameRow(Sharpen, QStringLiteral("trc_Sharpen"), QStringLiteral("spn_Sharpen"));
    BindPair(Sharpen, SharpenValue);
    FinishLayout(352, 66);
}

void Tfrm_Sharpen::ApplyEffect()
{
    ApplySharpenEffect(Sources(), *Target, SharpenValue);
    PreviewStep();
}
