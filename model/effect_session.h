#pragma once
// What an effect dialog does with the format it edits, apart from its window: it keeps an
// untouched backup of the format (and, for palette formats, a true-colour work copy), recomputes
// the format from them on every change of a parameter and asks its owner to redraw (OnPreview),
// puts the backup back byte for byte on Cancel, and leaves the last result on OK. The dialog
// windows derive from this and add their controls; the rules live here so that they are tested
// without a window.
//
// A recomputation runs synchronously in the change that asks for it, but never inside another:
// changes that arrive while one runs (the owner's redraw may let events through) only ask for one
// more run, which takes the latest values once the running one is done. A slider dragged faster
// than the redraws therefore never queues them; the last value wins. Once the dialog has closed
// nothing recomputes the format any more.
#include <functional>
#include <string>

#include "imaging/effect_dialog_ops.h"
#include "imaging/icon_image.h"

class TEffectSession {
public:
    TEffectSession();
    virtual ~TEffectSession();
    TEffectSession(const TEffectSession&) = delete;
    TEffectSession& operator=(const TEffectSession&) = delete;

    // Fired after each recomputation while the preview is on, and after each restore.
    std::function<void()> OnPreview;
    // The untouched format and, for palette formats, its true-colour copy. Owned by the session.
    TIconImageRec Backup;
    TIconImageRec WorkCopy;
    // The format being edited; null until Begin. Until then changes do nothing.
    TIconImageRec* Target = nullptr;

    // Takes the backup of Image (and its work copy) and makes it the target. False without one.
    bool Begin(TIconImageRec* image);
    // Recomputes Target from the sources with the current values and ends with PreviewStep().
    virtual void ApplyEffect() = 0;
    // A change of a parameter: recompute now, or once more after the run under way.
    void Apply();
    // The user switched the preview. Off puts the backup back into the format and redraws; the
    // values still recompute while it is off, without redrawing. On recomputes.
    void PreviewSwitched(bool on);
    // The dialog closes. OK keeps what the values give: when the format shows the backup because
    // the preview was switched off, or a change still waits behind a running preview, the values
    // are computed once more, quietly (the owner redraws after OK anyway). Cancel puts the backup
    // back and redraws.
    void Finish(bool ok);
    bool Finished() const { return finished_; }
    // Recomputations so far.
    int RunCount() const { return runs_; }

protected:
    // The backup, and the work copy for palette formats.
    TEffectSources Sources() const { return {Backup, WorkCopy}; }
    // Every recomputation ends here: fires OnPreview when the preview is on.
    void PreviewStep();
    // A recomputation threw: the window says so instead of letting it past its event loop.
    virtual void ReportFailure(const std::string& text);

private:
    void RunOnce();
    void Restore();
    bool preview_ = true;
    bool applied_ = false;           // ApplyEffect ran since Begin
    bool restoredByPreview_ = false; // Target holds the backup because the preview was switched off
    bool previewSuppressed_ = false;
    bool running_ = false;  // Apply is under way
    bool pending_ = false;  // a change came in during it: one more run with the latest values
    bool finished_ = false; // closed: nothing recomputes Target any more
    int runs_ = 0;
};
