#pragma once
// Effect > Color Balance: an offset per channel. Palette formats move their palette entries and
// keep every pixel's index.
#include "effects/effect_form.h"

class Tfrm_Color_Balance : public Tfrm_Effect {
    Q_OBJECT
public:
    explicit Tfrm_Color_Balance(QWidget* parent = nullptr);
    void ApplyEffect() override;

    TTrackRow R;  // trc_R / spn_R
    TTrackRow G;  // trc_G / spn_G
    TTrackRow B;  // trc_B / spn_B
    int Red = 0;
    int Green = 0;
    int Blue = 0;
};
