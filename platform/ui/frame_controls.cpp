// The frame's numeric controls and their rules; see frame_controls.h.
#include "platform/ui/frame_controls.h"

#include <QCheckBox>
#include <QLabel>

#include "platform/small_routines.h"
#include "platform/ui/spin_edit.h"

void TFrameControls::Connect()
{
    connect(spn_X, &TSpinEdit::Changed, this, [this] {
        if (EventsEnabled && IsIntegerText(spn_X->Text())) emit Apply();
    });
    connect(spn_Y, &TSpinEdit::Changed, this, [this] {
        if (EventsEnabled && IsIntegerText(spn_Y->Text())) emit Apply();
    });
    connect(trc_WRatio, &TTrackBar::Changed, this, [this] {
        const int position = trc_WRatio->Position();
        if (!EventsEnabled || position == LastWRatio) return;
        LastWRatio = position;
        spn_WRatio->SetValue(position);
        if (Locked()) {
            LastHRatio = position;
            trc_HRatio->SetPosition(position);
            spn_HRatio->SetValue(position);
        }
        emit Apply();
    });
    connect(trc_HRatio, &TTrackBar::Changed, this, [this] {
        const int position = trc_HRatio->Position();
        if (!EventsEnabled || position == LastHRatio) return;
        LastHRatio = position;
        spn_HRatio->SetValue(position);
        emit Apply();
    });
    connect(spn_WRatio, &TSpinEdit::Changed, this, [this] {
        if (EventsEnabled && IsIntegerText(spn_WRatio->Text()) && spn_WRatio->Value() != LastWRatio)
            trc_WRatio->SetPosition(spn_WRatio->Value());
    });
    connect(spn_HRatio, &TSpinEdit::Changed, this, [this] {
        if (EventsEnabled && IsIntegerText(spn_HRatio->Text()) && spn_HRatio->Value() != LastHRatio)
            trc_HRatio->SetPosition(spn_HRatio->Value());
    });
    connect(chk_RatioLock, &QCheckBox::clicked, this, [this] {
        SetHeightEnabled(!Locked());
        emit Apply();
    });
}

bool TFrameControls::Locked() const { return chk_RatioLock->isChecked(); }

void TFrameControls::SetHeightEnabled(bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(lbl_HRatio), static_cast<QWidget*>(trc_HRatio),
                       static_cast<QWidget*>(spn_HRatio)})
        w->setEnabled(enabled);
}

void TFrameControls::Reset(int ratio)
{
    EventsEnabled = false;
    spn_WRatio->SetValue(ratio);
    spn_HRatio->SetValue(ratio);
    trc_WRatio->SetPosition(ratio);
    trc_HRatio->SetPosition(ratio);
    chk_RatioLock->setChecked(true);
    SetHeightEnabled(false);
    LastWRatio = trc_WRatio->Position();
    LastHRatio = trc_HRatio->Position();
    EventsEnabled = true;
}

void TFrameControls::SetCorner(int x, int y)
{
    EventsEnabled = false;
    spn_X->SetValue(x);
    spn_Y->SetValue(y);
    EventsEnabled = true;
}

void TFrameControls::Show(int x, int y, int wRatio, int hRatio)
{
    EventsEnabled = false;
    spn_X->SetValue(x);
    spn_Y->SetValue(y);
    trc_WRatio->SetPosition(wRatio);
    spn_WRatio->SetValue(trc_WRatio->Position());
    trc_HRatio->SetPosition(hRatio);
    spn_HRatio->SetValue(trc_HRatio->Position());
    LastWRatio = trc_WRatio->Position();
    LastHRatio = trc_HRatio->Position();
    EventsEnabled = true;
}
