// Effect > Color Balance (see the header). Each spin edit is compared with its own stored value,
// so typing a green value that equals the red one still moves the green bar.
#include "effects/color_balance.h"

Tfrm_Color_Balance::Tfrm_Color_Balance(QWidget* parent)
    : Tfrm_Effect(QStringLiteral("frm_Color_Balance"), QStringLiteral("Color Balance"), parent)
{
    TFormBuilder form(this);
    R = form.TrackRow(QStringLiteral("R"), QStringLiteral("Red:"), -255, 255, 0, QRect(16, 30, 250, 26), 280, false);
    NameRow(R, QStringLiteral("trc_R"), QStringLiteral("spn_R"));
    G = form.TrackRow(QStringLiteral("G"), QStringLiteral("Green:"), -255, 255, 0, QRect(16, 80, 250, 26), 280, false);
    NameRow(G, QStringLiteral("trc_G"), QStringLiteral("spn_G"));
    B = form.TrackRow(QStringLiteral("B"), QStringLiteral("Blue:"), -255, 255, 0, QRect(16, 130, 250, 26), 280, false);
    NameRow(B, QStringLiteral("trc_B"), QStringLiteral("spn_B"));
    BindPair(R, Red);
    BindPair(G, Green);
    BindPair(B, Blue);
    FinishLayout(352, 166);
}

void Tfrm_Color_Balance::ApplyEffect()
{
    ApplyColorBalanceEffect(Sources(), *Target, Red, Green, Blue);
    PreviewStep();
}
