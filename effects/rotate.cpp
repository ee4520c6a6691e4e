// Effect > Rotate Arbitrary (see the header). The picker holds the angle; a typed number reaches it
// through SetAngle, which brings it into 0..359.
#include "effects/rotate.h"

#include "platform/small_routines.h"

Tfrm_Rotate::Tfrm_Rotate(QWidget* parent)
    : Tfrm_Effect(QStringLiteral("frm_Rotate"), QStringLiteral("Rotate Arbitrary"), parent)
{
    TFormBuilder form(this);
    form.Label(QStringLiteral("lbl_Angle"), QStringLiteral("Angle"), 16, 12);
    ang_angle = new TQV_Angle(this);
    ang_angle->setObjectName(QStringLiteral("ang_angle"));
    ang_angle->move(16, 32);
    spn_Angle = form.Spin(QStringLiteral("spn_Angle"), 0, 360, 0, QRect(100, 53, 56, 24));
    connect(spn_Angle, &TSpinEdit::Changed, this, &Tfrm_Rotate::spn_AngleChange);
    connect(ang_angle, &TQV_Angle::OnChange, this, &Tfrm_Rotate::ang_angleChange);
    FinishLayout(272, 106);
}

void Tfrm_Rotate::spn_AngleChange()
{
    if (!IsIntegerText(spn_Angle->Text())) return;
    const int v = spn_Angle->Value();
    if (v != Angle) ang_angle->SetAngle(v);
}

void Tfrm_Rotate::ang_angleChange()
{
    if (!Target) return;
    const int a = ang_angle->Angle();
    if (a == Angle) return;
    Angle = a;
    spn_Angle->SetValue(a);
    Apply();
}

void Tfrm_Rotate::ApplyEffect()
{
    ApplyRotateEffect(Sources(), *Target, Angle);
    PreviewStep();
}
