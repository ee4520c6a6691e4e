#pragma once
// The base of the ten adjustment dialogs of the Effect menu. A dialog edits one format in place
// with a live preview: Execute keeps an untouched backup of the format (and, for palette formats,
// a true-colour work copy), every change of a parameter recomputes the format from them and asks
// the owner to redraw (OnPreview), Cancel puts the backup back byte for byte, and OK leaves the
// last result. The dialogs know nothing of documents or history: the main window runs them and
// stores the snapshot.
//
// Every numeric parameter is a track bar with a spin edit of the same range, and the dialog keeps
// the parameter's value in a field of its own. The track bar is the value: it acts only when its
// position differs from the stored value; the spin edit passes a whole number that differs from
// the stored value on to the track bar (which clamps it). Handlers stay idle until Execute.
//
// A recomputation runs synchronously in the change handler, but never inside another: changes
// that arrive while one runs (the owner's redraw may let events through) only store their values
// and ask for one more run, which takes the latest values once the running one is done. A slider
// dragged faster than the redraws therefore never queues them; the last value wins.
#include <QCheckBox>
#include <QFrame>
#include <QPushButton>
#include <functional>

#include "imaging/effect_dialog_ops.h"
#include "imaging/icon_image.h"
#include "platform/ui/form_builder.h"
#include "workspace/base_form.h"

class Tfrm_Effect : public Tfrm_base {
    Q_OBJECT
public:
    // Modal results of Execute.
    enum : int { mrOk = 1, mrCancel = 2 };

    Tfrm_Effect(const QString& formName, const QString& caption, QWidget* parent = nullptr);
    ~Tfrm_Effect() override;

    // Fired after each recomputation while Preview is checked, and after each restore.
    std::function<void()> OnPreview;
    // The untouched format and, for palette formats, its true-colour copy. Owned by the dialog.
    TIconImageRec Backup;
    TIconImageRec WorkCopy;
    // The format being edited; null until Execute.
    TIconImageRec* Target = nullptr;

    // Runs the dialog modally on Image: mrOk or mrCancel.
    int Execute(TIconImageRec* image);

    // Recomputes Target from the sources with the dialog's values and ends with PreviewStep().
    virtual void ApplyEffect() = 0;

    QPushButton* btn_Ok = nullptr;
    QPushButton* btn_Cancel = nullptr;
    QFrame* bvl5 = nullptr;
    QFrame* bvl6 = nullptr;
    QCheckBox* chk_preview = nullptr;

    void done(int result) override;
    // Recomputations so far.
    int RunCount() const { return runs_; }

protected:
    // The backup, and the work copy for palette formats.
    TEffectSources Sources() const { return {Backup, WorkCopy}; }
    // Every recomputation ends here: fires OnPreview when Preview is checked.
    void PreviewStep();
    // Runs ApplyEffect when there is a target, showing what it throws instead of passing it on.
    // Called while a run is under way, it only asks for one more run after it.
    void Apply();
    // Wires a track-bar row to its stored value by the parameter-pair rule.
    void BindPair(const TTrackRow& row, int& stored);
    // Names the row's controls as the form's design does.
    static void NameRow(const TTrackRow& row, const QString& track, const QString& spin, const QString& label = {});
    // Lays out the shared controls below a content area of this size and fixes the window size.
    void FinishLayout(int width, int contentHeight);
    // Called when the dialog becomes visible, after the placement was restored.
    virtual void FormShow() {}
    void showEvent(QShowEvent* event) override;

private:
    void chk_previewClick(bool checked);
    void RunOnce();
    bool applied_ = false;           // ApplyEffect ran since Execute
    bool restoredByPreview_ = false; // Target holds the backup because Preview was unchecked
    bool previewSuppressed_ = false;
    bool running_ = false;  // Apply is under way
    bool pending_ = false;  // a change came in during it: one more run with the latest values
    bool finished_ = false; // the dialog closed: nothing recomputes Target any more
    int runs_ = 0;
};
