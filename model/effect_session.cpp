// The rules of an effect dialog's edit (see the header).
#include "model/effect_session.h"

#include <exception>
#include <memory>

TEffectSession::TEffectSession()
{
    Backup.Bitmap = std::make_unique<Bitmap24>();
    Backup.Mask = std::make_unique<Bitmap24>();
    WorkCopy.Bitmap = std::make_unique<Bitmap24>();
    WorkCopy.Mask = std::make_unique<Bitmap24>();
}

TEffectSession::~TEffectSession() = default;

bool TEffectSession::Begin(TIconImageRec* image)
{
    if (!image) return false;
    CopyIconImage(image, &Backup);
    if (IsPaletteColorType(image->ColorType)) MakeTrueColorWorkCopy(*image, WorkCopy);
    Target = image;
    applied_ = false;
    restoredByPreview_ = false;
    pending_ = false;
    finished_ = false;
    return true;
}

void TEffectSession::PreviewStep()
{
    applied_ = true;
    restoredByPreview_ = false;
    if (!previewSuppressed_ && preview_ && OnPreview) OnPreview();
}

void TEffectSession::Apply()
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

void TEffectSession::RunOnce()
{
    ++runs_;
    try {
        ApplyEffect();
    } catch (const std::exception& e) {
        ReportFailure(e.what());
    } catch (...) {
        ReportFailure({});
    }
}

void TEffectSession::ReportFailure(const std::string&) {}

void TEffectSession::Restore()
{
    CopyIconImage(&Backup, Target);
    if (OnPreview) OnPreview();
}

void TEffectSession::PreviewSwitched(bool on)
{
    preview_ = on;
    if (!Target || finished_) return;
    if (on) {
        Apply();
        return;
    }
    Restore();
    restoredByPreview_ = true;
}

void TEffectSession::Finish(bool ok)
{
    if (!Target || finished_) return;
    if (ok) {
        if ((restoredByPreview_ && applied_) || pending_) {
            previewSuppressed_ = true;
            RunOnce();
            previewSuppressed_ = false;
        }
    } else {
        Restore();
    }
    // A run under way when the dialog closes must not compute again over what was kept.
    pending_ = false;
    finished_ = true;
}
