// The effect dialog framework (see the header).
#include "effects/effect_form.h"

#include <QLabel>
#include <QShowEvent>

#include "platform/small_routines.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/spin_edit.h"

Tfrm_Effect::Tfrm_Effect(const QString& formName, const QString& caption, QWidget* parent)
    : Tfrm_base(formName, parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                      Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(caption);
    setModal(true);
}

Tfrm_Effect::~Tfrm_Effect() = default;

void Tfrm_Effect::FinishLayout(int width, int contentHeight)
{
    TFormBuilder form(this);
    bvl5 = form.Bevel(QStringLiteral("bvl5"), QRect(8, contentHeight + 4, width - 16, 2), true);
    bvl6 = form.Bevel(QStringLiteral("bvl6"), QRect(8, contentHeight + 6, width - 16, 2), true);
    chk_preview = form.Check(QStringLiteral("chk_preview"), QStringLiteral("Preview"), 12, contentHeight + 20, true);
    const TButtonRow buttons =
        form.Buttons(QStringLiteral("btn_Ok"), QStringLiteral("btn_Cancel"), QString(), width - 170, contentHeight + 16);
    btn_Ok = buttons.Ok;
    btn_Cancel = buttons.Cancel;
    connect(btn_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(chk_preview, &QCheckBox::clicked, this, &Tfrm_Effect::chk_previewClick);
    setFixedSize(width, contentHeight + 52);
}

int Tfrm_Effect::Execute(TIconImageRec* image)
{
    if (!Begin(image)) return mrCancel;
    return exec() == QDialog::Accepted ? mrOk : mrCancel;
}

void Tfrm_Effect::ReportFailure(const std::string& text)
{
    MessageBox(this, text.empty() ? QStringLiteral("Unknown error.") : QString::fromStdString(text), windowTitle(),
               TMsgButtons::Ok, TMsgIcon::Error);
}

void Tfrm_Effect::chk_previewClick(bool checked) { PreviewSwitched(checked); }

void Tfrm_Effect::done(int result)
{
    Finish(result == QDialog::Accepted);
    Tfrm_base::done(result);
}

void Tfrm_Effect::showEvent(QShowEvent* event)
{
    Tfrm_base::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void Tfrm_Effect::NameRow(const TTrackRow& row, const QString& track, const QString& spin, const QString& label)
{
    row.Track->setObjectName(track);
    row.Spin->setObjectName(spin);
    if (row.Caption && !label.isEmpty()) row.Caption->setObjectName(label);
}

void Tfrm_Effect::BindPair(const TTrackRow& row, int& stored)
{
    TTrackBar* track = row.Track;
    TSpinEdit* spin = row.Spin;
    int* value = &stored;
    connect(track, &TTrackBar::Changed, this, [this, track, spin, value] {
        if (!Target) return;
        if (track->Position() == *value) return;
        *value = track->Position();
        spin->SetValue(*value);
        Apply();
    });
    connect(spin, &TSpinEdit::Changed, this, [track, spin, value] {
        const QString text = spin->Text();
        if (!IsIntegerText(text)) return;
        const int v = spin->Value();
        if (v != *value) track->SetPosition(v);
    });
}
