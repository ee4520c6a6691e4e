#pragma once
// Effect > Blur: a Gaussian blur of radius Blur / 20 (0.05 .. 10). The stored value starts at 0,
// below the bar's range, so the bar's first move always applies.
#include "effects/effect_form.h"

class Tfrm_Blur : public Tfrm_Effect {
    Q_OBJECT
public:
    explicit Tfrm_Blur(QWidget* parent = nullptr);
    void ApplyEffect() override;

    TTrackRow Blur;  // trc_Blur / spn_Blur
    int BlurValue = 0;
};
