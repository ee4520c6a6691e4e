#pragma once
// The base of the ten adjustment dialogs of the Effect menu: the window around an effect
// session (model/effect_session.h), which holds the backup, the recomputation on every change,
// the preview and the restore on Cancel. The dialogs know nothing of documents or history: the
// main window runs them and stores the snapshot.
//
// Every numeric parameter is a track bar with a spin edit of the same range, and the dialog keeps
// the parameter's value in a field of its own. The track bar is the value: it acts only when its
// position differs from the stored value; the spin edit passes a whole number that differs from
// the stored value on to the track bar (which clamps it). Handlers stay idle until Execute.
#include <QCheckBox>
#include <QFrame>
#include <QPushButton>

#include "model/effect_session.h"
#include "platform/ui/form_builder.h"
#include "workspace/base_form.h"

class Tfrm_Effect : public Tfrm_base, public TEffectSession {
    Q_OBJECT
public:
    // Modal results of Execute.
    enum : int { mrOk = 1, mrCancel = 2 };

    Tfrm_Effect(const QString& formName, const QString& caption, QWidget* parent = nullptr);
    ~Tfrm_Effect() override;

    // Runs the dialog modally on Image: mrOk or mrCancel.
    int Execute(TIconImageRec* image);

    QPushButton* btn_Ok = nullptr;
    QPushButton* btn_Cancel = nullptr;
    QFrame* bvl5 = nullptr;
    QFrame* bvl6 = nullptr;
    QCheckBox* chk_preview = nullptr;

    void done(int result) override;

protected:
    // Wires a track-bar row to its stored value by the parameter-pair rule.
    void BindPair(const TTrackRow& row, int& stored);
    // Names the row's controls as the form's design does.
    static void NameRow(const TTrackRow& row, const QString& track, const QString& spin, const QString& label = {});
    // Lays out the shared controls below a content area of this size and fixes the window size.
    void FinishLayout(int width, int contentHeight);
    // Called when the dialog becomes visible, after the placement was restored.
    virtual void FormShow() {}
    void showEvent(QShowEvent* event) override;

    void ReportFailure(const std::string& text) override;

private:
    void chk_previewClick(bool checked);
};
