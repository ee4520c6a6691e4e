#include "workspace/history_form.h"

#include <QAction>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/small_routines.h"
#include "platform/ui/dialogs.h"
#include "workspace/peers.h"

Tfrm_history* frm_history = nullptr;

namespace {

const QString HistoryCaption = QStringLiteral("Undo History");
constexpr int RowHeight = 32;
constexpr int SerialRole = Qt::UserRole;
constexpr int DoneRole = Qt::UserRole + 1;

QIcon ThumbnailIcon(const Bitmap24& thumbnail, bool grey)
{
    if (!grey) return QIcon(QPixmap::fromImage(thumbnail.ToQImage()));
    Bitmap24 greyCopy;
    GrayscaleByLightness(thumbnail, greyCopy);
    return QIcon(QPixmap::fromImage(greyCopy.ToQImage()));
}

} // namespace

Tfrm_history::Tfrm_history(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_history"), parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    frm_history = this;
    TFramePeers& peers = FramePeers();
    peers.AddSnapshot = [this](TIconImageRec* format, const QString& caption) { AddSnapshot(format, caption); };
    peers.AddOpenedSnapshot = [this](TIconImageRec* format, const TIconImageSource& source) {
        AddOpenedSnapshot(format, source);
    };
    peers.ShowTrackOf = [this](TIconImageRec* format) { ShowTrackOf(format); };
    peers.RemoveTracks = [this](const std::vector<int32_t>& ids) { RemoveTracks(ids); };
    peers.AddToRecycle = [this](TIconImageRec* format) { return AddToRecycle(format); };
    setWindowTitle(HistoryCaption);
    SnapToEdges = true;
    resize(219, 225);

    pgc_History = new QTabWidget(this);
    pgc_History->setObjectName(QStringLiteral("pgc_History"));
    ts1 = new QWidget;
    ts1->setObjectName(QStringLiteral("ts1"));
    ts2 = new QWidget;
    ts2->setObjectName(QStringLiteral("ts2"));
    pgc_History->addTab(ts1, QStringLiteral("Undo History"));
    pgc_History->addTab(ts2, QStringLiteral("Recycle Bin"));

    lsv_History = new QTableWidget(0, 2, ts1);
    lsv_History->setObjectName(QStringLiteral("lsv_History"));
    lsv_History->setHorizontalHeaderLabels({QStringLiteral("Action"), QStringLiteral("Time")});
    lsv_History->setColumnWidth(0, 120);
    lsv_History->setColumnWidth(1, 60);
    lsv_History->horizontalHeader()->setStretchLastSection(true);
    lsv_History->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lsv_History->verticalHeader()->hide();
    lsv_History->verticalHeader()->setMinimumSectionSize(RowHeight);
    lsv_History->verticalHeader()->setDefaultSectionSize(RowHeight);
    lsv_History->setIconSize(QSize(THistoryModel::ThumbnailSide, THistoryModel::ThumbnailSide));
    lsv_History->setShowGrid(true);
    lsv_History->setSelectionBehavior(QAbstractItemView::SelectRows);
    lsv_History->setSelectionMode(QAbstractItemView::SingleSelection);
    lsv_History->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lsv_History->setWordWrap(false);
    QPalette listPalette = lsv_History->palette();
    // The selected row keeps its colours when the window is not focused.
    listPalette.setColor(QPalette::Inactive, QPalette::Highlight, listPalette.color(QPalette::Active, QPalette::Highlight));
    listPalette.setColor(QPalette::All, QPalette::HighlightedText, Qt::white);
    lsv_History->setPalette(listPalette);
    auto* historyLayout = new QVBoxLayout(ts1);
    historyLayout->setContentsMargins(0, 0, 0, 0);
    historyLayout->addWidget(lsv_History);

    lsv_Recycle = new QListWidget(ts2);
    lsv_Recycle->setObjectName(QStringLiteral("lsv_Recycle"));
    lsv_Recycle->setViewMode(QListView::IconMode);
    lsv_Recycle->setIconSize(QSize(THistoryModel::ThumbnailSide, THistoryModel::ThumbnailSide));
    lsv_Recycle->setGridSize(QSize(72, 56));
    lsv_Recycle->setResizeMode(QListView::Adjust);
    lsv_Recycle->setMovement(QListView::Static);
    lsv_Recycle->setSelectionMode(QAbstractItemView::SingleSelection);
    lsv_Recycle->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lsv_Recycle->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* recycleLayout = new QVBoxLayout(ts2);
    recycleLayout->setContentsMargins(0, 0, 0, 0);
    recycleLayout->addWidget(lsv_Recycle);

    pm_Recycle = new QMenu(this);
    pm_Recycle->setObjectName(QStringLiteral("pm_Recycle"));
    Restore1 = pm_Recycle->addAction(QStringLiteral("Restore"));
    Restore1->setObjectName(QStringLiteral("Restore1"));
    Restore1->setToolTip(QStringLiteral("Restore into current icon"));
    Restore1->setStatusTip(QStringLiteral("Restore into current icon"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(pgc_History);
    pgc_History->setCurrentIndex(0);

    connect(lsv_History, &QTableWidget::itemSelectionChanged, this, &Tfrm_history::lsv_HistorySelectionChanged);
    connect(lsv_Recycle, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pm_Recycle->popup(lsv_Recycle->viewport()->mapToGlobal(pos)); });
    connect(Restore1, &QAction::triggered, this, &Tfrm_history::RestoreSelected);
}

Tfrm_history::~Tfrm_history()
{
    if (frm_history != this) return;
    frm_history = nullptr;
    TFramePeers& peers = FramePeers();
    peers.AddSnapshot = nullptr;
    peers.AddOpenedSnapshot = nullptr;
    peers.ShowTrackOf = nullptr;
    peers.RemoveTracks = nullptr;
    peers.AddToRecycle = nullptr;
}

void Tfrm_history::showEvent(QShowEvent* event)
{
    Tfrm_base::showEvent(event);
    if (const auto& shown = FramePeers().HistoryShown) shown(true);
    ShowTrackOf(ActiveImage());
}

void Tfrm_history::hideEvent(QHideEvent* event)
{
    Tfrm_base::hideEvent(event);
    if (const auto& shown = FramePeers().HistoryShown) shown(false);
}

void Tfrm_history::UpdateUndoRedo()
{
    if (const auto& changed = FramePeers().UndoRedoChanged) changed(CanUndo(), CanRedo());
}

void Tfrm_history::AddSnapshot(TIconImageRec* format, const QString& caption)
{
    if (!format) return;
    if (model_.AddSnapshot(format, caption))
        lastWriteFailed_ = false;
    else
        SayStepNotSaved(caption);
    SyncHistoryList();
    UpdateUndoRedo();
}

void Tfrm_history::AddOpenedSnapshot(TIconImageRec* format, const TIconImageSource& source)
{
    if (!format) return;
    // A step kept in memory tells nothing about the folder, so a failure said before stays said.
    const QString caption = QStringLiteral("New");
    if (!model_.AddOpenedSnapshot(format, caption, source)) SayStepNotSaved(caption);
    SyncHistoryList();
    UpdateUndoRedo();
}

void Tfrm_history::SayStepNotSaved(const QString& caption)
{
    // Said once: while the folder stays unwritable every edit would say it again.
    if (lastWriteFailed_) return;
    lastWriteFailed_ = true;
    const QString reason = model_.FolderError().isEmpty() ? model_.LastError() : model_.FolderError();
    MessageBox(this, QStringLiteral("The undo step \"%1\" could not be saved, so it cannot be undone.\n%2").arg(caption, reason),
               HistoryCaption, TMsgButtons::Ok, TMsgIcon::Warning);
}

TIconImageRec* Tfrm_history::ActiveImage() const
{
    const auto& active = FramePeers().ActiveImage;
    return active ? active() : nullptr;
}

void Tfrm_history::DiscardActiveText()
{
    if (const auto& discard = FramePeers().DiscardActiveText) discard();
}

void Tfrm_history::ShowStepResult(THistoryModel::StepResult result)
{
    switch (result) {
    case THistoryModel::StepResult::Restored:
        if (const auto& refresh = FramePeers().RefreshActiveDocument) refresh();
        if (const auto& modified = FramePeers().MarkActiveModified) modified();
        break;
    case THistoryModel::StepResult::Failed:
        MessageBox(this, QStringLiteral("This step cannot be restored; the image stays as it is.\n%1").arg(model_.LastError()),
                   HistoryCaption, TMsgButtons::Ok, TMsgIcon::Warning);
        break;
    case THistoryModel::StepResult::Nothing:
        break;
    }
    SyncHistoryList();
    UpdateUndoRedo();
}

void Tfrm_history::Undo()
{
    if (!CanUndo()) return;
    DiscardActiveText();
    ShowStepResult(model_.Undo(ActiveImage()));
}

void Tfrm_history::Redo()
{
    if (!CanRedo()) return;
    DiscardActiveText();
    ShowStepResult(model_.Redo(ActiveImage()));
}

void Tfrm_history::JumpToRow(int row)
{
    const THistoryTrack* track = model_.ListedTrack();
    if (!track || row < 0 || row >= track->Count() || row == track->Current) return;
    DiscardActiveText();
    ShowStepResult(model_.JumpTo(row, ActiveImage()));
}

void Tfrm_history::lsv_HistorySelectionChanged()
{
    if (!ListEventsOn) return;
    const QList<QTableWidgetSelectionRange> ranges = lsv_History->selectedRanges();
    if (ranges.isEmpty()) return;
    JumpToRow(ranges.first().topRow());
}

void Tfrm_history::ShowTrackOf(const TIconImageRec* format)
{
    if (!format) return;
    model_.ShowTrackOf(format);
    SyncHistoryList();
    UpdateUndoRedo();
}

void Tfrm_history::RemoveTracks(const std::vector<int32_t>& ids)
{
    model_.RemoveTracks(ids);
    SyncHistoryList();
    UpdateUndoRedo();
}

bool Tfrm_history::AddToRecycle(TIconImageRec* format)
{
    if (!format) return false;
    const bool kept = model_.AddToRecycle(format);
    if (!kept) {
        MessageBox(this, QStringLiteral("The image format cannot be kept in the recycle bin, so it is not deleted.\n%1").arg(model_.LastError()),
                   QStringLiteral("Recycle Bin"), TMsgButtons::Ok, TMsgIcon::Warning);
    }
    SyncRecycleList();
    return kept;
}

void Tfrm_history::RestoreSelected()
{
    const int row = lsv_Recycle->currentRow();
    const TFramePeers& peers = FramePeers();
    TIconImageArray* formats = peers.ActiveFormats ? peers.ActiveFormats() : nullptr;
    if (row < 0 || !formats || !peers.AddFormatToActive) return;
    TIconImageRec loaded;
    switch (model_.LoadRecycled(row, *formats, loaded)) {
    case THistoryModel::RecycleResult::Exists:
    case THistoryModel::RecycleResult::Failed:
        MessageBox(this, model_.LastError(), QStringLiteral("Restore image"), TMsgButtons::Ok);
        return;
    case THistoryModel::RecycleResult::Loaded:
        peers.AddFormatToActive(loaded);
        model_.RemoveRecycled(row);
        SyncRecycleList();
        return;
    case THistoryModel::RecycleResult::Nothing:
        return;
    }
}

void Tfrm_history::SyncHistoryList()
{
    ListEventsOn = false;
    const THistoryTrack* track = model_.ListedTrack();
    const int count = track ? track->Count() : 0;
    if (lsv_History->rowCount() != count) lsv_History->setRowCount(count);
    for (int row = 0; row < count; ++row) {
        const THistoryStepItem& step = track->Steps[size_t(row)];
        const bool done = row <= track->Current;
        QTableWidgetItem* action = lsv_History->item(row, 0);
        QTableWidgetItem* time = lsv_History->item(row, 1);
        if (!action) {
            action = new QTableWidgetItem;
            lsv_History->setItem(row, 0, action);
        }
        if (!time) {
            time = new QTableWidgetItem;
            lsv_History->setItem(row, 1, time);
        }
        const bool sameStep = action->data(SerialRole).toULongLong() == step.Serial;
        if (sameStep && action->data(DoneRole).toBool() == done) continue;
        if (!sameStep) {
            action->setData(SerialRole, QVariant::fromValue<qulonglong>(step.Serial));
            action->setText(step.Caption);
            time->setText(step.Time);
        }
        action->setData(DoneRole, done);
        action->setIcon(ThumbnailIcon(model_.StepThumbnail(model_.ActiveTrack(), row), !done));
        const QColor text = done ? QColor(Qt::black) : QColor(0xC0, 0xC0, 0xC0);
        action->setForeground(text);
        time->setForeground(text);
    }
    if (track && track->Current < count) {
        lsv_History->setCurrentCell(track->Current, 0);
        lsv_History->selectRow(track->Current);
    } else {
        lsv_History->clearSelection();
    }
    ListEventsOn = true;
}

void Tfrm_history::SyncRecycleList()
{
    const auto& items = model_.Recycle();
    const int selected = lsv_Recycle->currentRow();
    lsv_Recycle->clear();
    for (const TRecycleItem& item : items) {
        auto* row = new QListWidgetItem(ThumbnailIcon(item.Thumbnail, false), item.Caption());
        lsv_Recycle->addItem(row);
    }
    if (selected >= 0 && selected < lsv_Recycle->count()) lsv_Recycle->setCurrentRow(selected);
}
