#pragma once
// Effect > Sharpen: each pixel pushed away from the one above it by Sharpen / 25 (0 .. 4).
#include "effects/effect_form.h"

class Tfrm_Sharpen : public Tfrm_Effect {
    Q_OBJECT
public:
    explicit Tfrm_Sharpen(QWidget* parent = nullptr);
    void ApplyEffect() override;

    TTrackRow Sharpen;  // trc_Sharpen / spn_Sharpen
    int SharpenValue = 0;
};
