#pragma once
// Effect > Saturation: from grey (-127) to stronger colours (127); palette formats are computed in
// true colour and mapped back.
#include "effects/effect_form.h"

class Tfrm_Saturation : public Tfrm_Effect {
    Q_OBJECT
public:
    explicit Tfrm_Saturation(QWidget* parent = nullptr);
    void ApplyEffect() override;

    TTrackRow Saturation;  // trc_Saturation / spn_Saturation
    int SaturationValue = 0;
};
