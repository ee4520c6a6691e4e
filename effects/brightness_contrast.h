#pragma once
// Effect > Brightness / Contrast: the same offset on red, green and blue, then a contrast stretch
// about a fixed pivot; palette formats are computed in true colour and mapped back.
#include "effects/effect_form.h"

class Tfrm_Brightness_Contrast : public Tfrm_Effect {
    Q_OBJECT
public:
    explicit Tfrm_Brightness_Contrast(QWidget* parent = nullptr);
    void ApplyEffect() override;

    TTrackRow Brightness;  // Trc_Brightness / Spn_Brightness
    TTrackRow Contrast;    // Trc_Contrast / Spn_Contrast
    int BrightnessValue = 0;
    int ContrastValue = 0;
};
