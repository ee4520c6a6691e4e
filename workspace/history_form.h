#pragma once
// The floating "Undo History" window: the steps of the active format's track, with Undo, Redo
// and jumps to any step, and the recycle bin of deleted formats with Restore. The history itself
// lives in THistoryModel; this window shows it and carries out what it decides.
#include <cstdint>
#include <vector>

#include <QString>

#include "workspace/base_form.h"
#include "model/history_model.h"

class QAction;
class QListWidget;
class QMenu;
class QTableWidget;
class QTabWidget;
class QWidget;
struct TIconImageRec;

class Tfrm_history : public Tfrm_base {
    Q_OBJECT
public:
    explicit Tfrm_history(QWidget* parent = nullptr);
    ~Tfrm_history() override;

    THistoryModel& Model() { return model_; }
    const THistoryModel& Model() const { return model_; }

    // ---- services ----
    // Records a step of the format after an edit changed it (caption: the edit's name).
    void AddSnapshot(TIconImageRec* format, const QString& caption);
    // The step "New" of a format just read from an icon file, kept as its source in memory.
    void AddOpenedSnapshot(TIconImageRec* format, const TIconImageSource& source);
    void Undo();
    void Redo();
    bool CanUndo() const { return model_.CanUndo(); }
    bool CanRedo() const { return model_.CanRedo(); }
    // Lists the format's track (none: the list empties). Null changes nothing.
    void ShowTrackOf(const TIconImageRec* format);
    void RemoveTracks(const std::vector<int32_t>& ids);
    // Keeps a format that is being deleted; false (after saying why) when it could not be kept.
    bool AddToRecycle(TIconImageRec* format);
    // The main window's Undo and Redo commands follow CanUndo and CanRedo.
    void UpdateUndoRedo();
    // Restores the selected recycle entry into the active icon (the pop-up item "Restore").
    void RestoreSelected();
    // Jumps to a row of the list, as a click on it does.
    void JumpToRow(int row);

    // ---- controls ----
    QTabWidget* pgc_History = nullptr;
    QWidget* ts1 = nullptr;
    QWidget* ts2 = nullptr;
    QTableWidget* lsv_History = nullptr;
    QListWidget* lsv_Recycle = nullptr;
    QMenu* pm_Recycle = nullptr;
    QAction* Restore1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The message for a step that could not be written, once until a write succeeds again.
    void SayStepNotSaved(const QString& caption);
    // Makes the rows match the listed track: only rows whose step or state changed are touched.
    void SyncHistoryList();
    void SyncRecycleList();
    void lsv_HistorySelectionChanged();
    void ShowStepResult(THistoryModel::StepResult result);
    // Leaves an open text frame of the active document without committing it.
    void DiscardActiveText();
    TIconImageRec* ActiveImage() const;

    THistoryModel model_;
    bool ListEventsOn = true;
    bool lastWriteFailed_ = false;
};

// The one history window while it exists.
extern Tfrm_history* frm_history;
