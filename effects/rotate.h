#pragma once
// Effect > Rotate Arbitrary: turns the format about its centre by whole degrees chosen on the
// angle picker or typed. True colour is turned bilinearly; palette formats are turned on their
// indices by nearest neighbour, with index 0 and transparency where nothing lands.
#include "effects/angle_picker.h"
#include "effects/effect_form.h"
#include "platform/ui/spin_edit.h"

class Tfrm_Rotate : public Tfrm_Effect {
    Q_OBJECT
public:
    explicit Tfrm_Rotate(QWidget* parent = nullptr);
    void ApplyEffect() override;

    TQV_Angle* ang_angle = nullptr;
    TSpinEdit* spn_Angle = nullptr;
    int Angle = 0;

private:
    void spn_AngleChange();
    void ang_angleChange();
};
