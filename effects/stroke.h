#pragma once
// Effect > Stroke: a band of colour along the edge of the picture. True colour chooses any colour
// and an opacity; palette formats choose one of their own entries from a list and are stroked on
// their indices. The default stroke shows as soon as the dialog opens and stays on OK.
#include <QComboBox>

#include "effects/effect_form.h"

class Tfrm_Stroke : public Tfrm_Effect {
    Q_OBJECT
public:
    explicit Tfrm_Stroke(QWidget* parent = nullptr);
    void ApplyEffect() override;

    TTrackRow Size;     // trc_Size / spn_Size
    TTrackRow Opacity;  // trc_Opacity / spn_Opacity
    QLabel* lbl_Position = nullptr;
    QComboBox* cbb_Position = nullptr;
    QLabel* lbl_Color = nullptr;
    TColorSwatch* img_Color = nullptr;
    QComboBox* clrbx_color = nullptr;

    int SizeValue = 1;
    int OpacityValue = 255;
    int Position = 0;
    // True colour: the colour. Palette formats: the chosen entry's number counted from 1 (0: none
    // chosen yet, which strokes with index 0).
    TColor Color = 0;

protected:
    void FormShow() override;

private:
    void cbb_PositionChange(int index);
    void img_ColorChange(TColor color);
    void clrbx_colorChange(int index);
};
