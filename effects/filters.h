#pragma once
// Effect > Filters: one of the 25 convolution and rank presets on the chosen channels. Nothing is
// applied until the user picks a preset or a channel; the name of the preset last applied gives the
// history step its caption. Formats under 7 pixels either way cannot be filtered (the 7 x 7
// presets need the room): the dialog says so and can then only be cancelled.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QString>

#include "effects/effect_form.h"

class Tfrm_Filters : public Tfrm_Effect {
    Q_OBJECT
public:
    explicit Tfrm_Filters(QWidget* parent = nullptr);
    void ApplyEffect() override;

    QComboBox* cbb_filters = nullptr;
    QGroupBox* grp_Channels = nullptr;
    QCheckBox* chk_R = nullptr;
    QCheckBox* chk_G = nullptr;
    QCheckBox* chk_B = nullptr;

    int FilterIndex = 0;
    // The preset last applied; empty while none was.
    QString FilterName;

protected:
    void FormShow() override;

private:
    void cbb_filtersChange(int index);
};
