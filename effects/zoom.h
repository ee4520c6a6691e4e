#pragma once
// Effect > Zoom: enlarges the picture about its centre and crops it to its own size, or shrinks it
// into the centre with a white, transparent border. The percentage is typed or chosen in an
// editable list; only 10 to 259 are taken; anything else is left as typed and shows the picture as the last
// choice from the list left it. Palette
// formats are zoomed on their indices by nearest neighbour, so no index is invented.
#include <QComboBox>

#include "effects/effect_form.h"

class Tfrm_Zoom : public Tfrm_Effect {
    Q_OBJECT
public:
    explicit Tfrm_Zoom(QWidget* parent = nullptr);
    void ApplyEffect() override;

    QComboBox* cbb_zoom = nullptr;
    int Percent = 0;
    // The percentage last chosen from the list (0: none, the picture as it came); a refused text
    // falls back to it.
    int ChosenPercent = 0;

private:
    void cbb_zoomChange(const QString& text);
};
