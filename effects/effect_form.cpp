// The effect dialog framework (see the header).
#include "effects/effect_form.h"

#include <QLabel>
#include <QShowEvent>
#include <exception>

#include "platform/small_routines.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/spin_edit.h"

Tfrm_Effect::Tfrm_Effect(const QString& formName, const QString& caption, QWidget* parent)
    : Tfrm_base(formName, parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                      Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(caption);
    setModal(true);
    Backup.Bitmap = std::make_unique<Bitmap24>();
    Backup.Mask = std::make_unique<Bitmap24>();
    WorkCopy.Bitmap = std::make_unique<Bitmap24>();
    WorkCopy.Mask = std::make_unique<Bitmap24>();
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
    if (!image) return mrCancel;
    CopyIconImage(image, &Backup);
    if (IsPaletteColorType(image->ColorType)) MakeTrueColorWorkCopy(*image, WorkCopy);
    Target = image;
    applied_ = false;
    restoredByPreview_ = false;
    pending_ = false;
    finished_ = false;
    return exec() == QDialog::Accepted ? mrOk : mrCancel;
}

void Tfrm_Effect::PreviewStep()
{
    applied_ = true;
    restoredByPreview_ = false;
    if (!previewSuppressed_ && chk_preview && chk_preview->isChecked() && OnPreview) OnPreview();
}

void Tfrm_Effect::Apply()
{
    if (!Target || finished_) return;
    if (running_) {
        pending_ = true;
        return;
    }
    running_ = true;
    do {
        pending_ = false;
        RunOnce();
    } while (pending_ && !finished_);
    running_ = false;
}

void Tfrm_Effect::RunOnce()
{
    ++runs_;
    try {
        ApplyEffect();
    } catch (const std::exception& e) {
        MessageBox(this, QString::fromUtf8(e.what()), windowTitle(), TMsgButtons::Ok, TMsgIcon::Error);
    } catch (...) {
        MessageBox(this, QStringLiteral("Unknown error."), windowTitle(), TMsgButtons::Ok, TMsgIcon::Error);
    }
}

void Tfrm_Effect::chk_previewClick(bool checked)
{
    if (!Target) return;
    if (checked) {
        Apply();
        return;
    }
    CopyIconImage(&Backup, Target);
    restoredByPreview_ = true;
    if (OnPreview) OnPreview();
}

void Tfrm_Effect::done(int result)
{
    if (Target && !finished_) {
        if (result == QDialog::Accepted) {
            // Unchecking Preview put the backup back, or a change is still waiting behind the running
            // preview; OK keeps the dialog's values, so compute them once more, quietly: the owner
            // redraws after OK anyway.
            if ((restoredByPreview_ && applied_) || pending_) {
                previewSuppressed_ = true;
                RunOnce();
                previewSuppressed_ = false;
            }
        } else {
            CopyIconImage(&Backup, Target);
            if (OnPreview) OnPreview();
        }
        // A run under way when the dialog closes must not compute again over what was kept.
        pending_ = false;
        finished_ = true;
    }
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
