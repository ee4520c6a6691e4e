#pragma once
// Effect > Shadow: a blurred, coloured copy of the picture's outline laid under it, moved by Offset
// towards Angle. 24-bit formats are then flattened over white with a two-valued mask; palette
// formats are computed in true colour and mapped back. The default shadow shows as soon as the
// dialog opens and stays on OK.
#include "effects/angle_picker.h"
#include "effects/effect_form.h"

class Tfrm_Shadow : public Tfrm_Effect {
    Q_OBJECT
public:
    explicit Tfrm_Shadow(QWidget* parent = nullptr);
    void ApplyEffect() override;

    TTrackRow Size;     // trc_Size / spn_Size (hidden)
    TTrackRow Opacity;  // trc_Opacity / spn_Opacity
    TTrackRow Offset;   // trc_offset / spn_offset
    TQV_Angle* ang_angle = nullptr;
    TColorSwatch* img_Color = nullptr;

    int SizeValue = 40;
    int OpacityValue = 255;
    int OffsetValue = 5;
    TColor Color = 0;
    int Angle = 135;

protected:
    void FormShow() override;

private:
    void ang_angleChange();
    void img_ColorChange(TColor color);
};
