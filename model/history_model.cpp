#include "model/history_model.h"

#include <unordered_set>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "iconfiles/file_access.h"
#include "imaging/compositing.h"
#include "platform/app_paths.h"
#include "model/document_model.h"

namespace {

const QString HistoryFolderName = QStringLiteral("history");
const QString RecycleFolderName = QStringLiteral("recycle");

bool WriteSnapshot(const TIconImageRec& format, const QString& path, QString& error)
{
    TIconFileAccess access;
    if (access.SaveSnapshot(format, path) == 0) return true;
    error = access.LastError;
    return false;
}

// Reads a snapshot into a record of its own, so a failed read changes nothing the caller holds.
bool ReadSnapshot(TIconImageRec& into, const QString& path, QString& error)
{
    if (!QFileInfo::exists(path)) {
        error = QStringLiteral("The snapshot file \"%1\" does not exist.").arg(QDir::toNativeSeparators(path));
        return false;
    }
    into.Bitmap = NewBitmap24(1, 1);
    into.Mask = NewBitmap24(1, 1);
    TIconFileAccess access;
    if (access.LoadSnapshot(into, path) == 0) return true;
    error = access.LastError.isEmpty()
                ? QStringLiteral("The snapshot file \"%1\" cannot be read.").arg(QDir::toNativeSeparators(path))
                : access.LastError;
    return false;
}

// Parses a snapshot's bytes kept in memory into a record of its own.
bool ReadKept(TIconImageRec& into, const QByteArray& snapshot, QString& error)
{
    into.Bitmap = NewBitmap24(1, 1);
    into.Mask = NewBitmap24(1, 1);
    TIconFileAccess access;
    if (access.ParseSnapshotData(snapshot, into) == 0) return true;
    error = access.LastError.isEmpty() ? QStringLiteral("The first step cannot be read again.") : access.LastError;
    return false;
}

// Decodes a step kept in memory into a record of its own, exactly as its snapshot file would
// have read back: the snapshot's bytes are made and parsed, so what is kept and what is dropped
// (the palette of a true-colour format, say) is the same either way.
bool ReadSource(TIconImageRec& into, const TIconImageSource& source, int32_t id, QString& error)
{
    TIconFileAccess access;
    TIconImageRec decoded;
    decoded.Id = -1;
    QByteArray data;
    if (access.ReadIconImageSource(source, decoded) == 0) {
        decoded.Id = id;
        if (access.BuildSnapshotData(decoded, data)) return ReadKept(into, data, error);
    }
    error = access.LastError.isEmpty() ? QStringLiteral("The first step cannot be read again.") : access.LastError;
    return false;
}

// Puts a loaded snapshot into a format in place: the record and its bitmap objects stay where
// they are, so whoever holds them keeps valid references.
void TakeLoaded(TIconImageRec& format, const TIconImageRec& loaded)
{
    const int32_t id = format.Id;
    if (!format.Bitmap) format.Bitmap = NewBitmap24(1, 1);
    if (!format.Mask) format.Mask = NewBitmap24(1, 1);
    CopyIconImage(&loaded, &format);
    format.Id = id;
}

} // namespace

QString TRecycleItem::Caption() const
{
    return QStringLiteral("%1x%2:%3").arg(Width).arg(Height).arg(DepthLabel(ColorType));
}

THistoryModel::THistoryModel()
    : historyDir_(AppPaths::WorkFolder(HistoryFolderName)), recycleDir_(AppPaths::WorkFolder(RecycleFolderName))
{
}

THistoryModel::~THistoryModel()
{
    RemoveEverything();
    AppPaths::RemoveWorkFolder(HistoryFolderName);
    AppPaths::RemoveWorkFolder(RecycleFolderName);
}

QString THistoryModel::StepFile(int32_t id, int32_t step) const
{
    return QDir(historyDir_).filePath(QString::asprintf("~%d-%d.qvi", id, step));
}

QString THistoryModel::RecycleFile(int32_t id) const
{
    return QDir(recycleDir_).filePath(QString::asprintf("~%d.qvi", id));
}

QString THistoryModel::FolderError() const
{
    for (const QString& dir : {historyDir_, recycleDir_}) {
        if (!QFileInfo(dir).isDir())
            return QStringLiteral("The folder \"%1\" cannot be created.").arg(QDir::toNativeSeparators(dir));
    }
    return QString();
}

const THistoryTrack* THistoryModel::ListedTrack() const
{
    if (activeTrack_ < 0 || activeTrack_ >= int(tracks_.size())) return nullptr;
    return &tracks_[size_t(activeTrack_)];
}

int THistoryModel::FindTrack(int32_t id) const
{
    const auto it = trackOf_.find(id);
    return it == trackOf_.end() ? -1 : it->second;
}

void THistoryModel::IndexTracks()
{
    trackOf_.clear();
    for (size_t i = 0; i < tracks_.size(); ++i) trackOf_.emplace(tracks_[i].Id, int(i));
}

void THistoryModel::DeleteTrackFiles(const THistoryTrack& track)
{
    for (int32_t i = track.Count() - 1; i >= 0; --i)
        if (!track.Steps[size_t(i)].InMemory()) DeleteStepFile(track.Id, i);
}

void THistoryModel::EnsureFolder(QString& dir, const QString& name)
{
    // The folder (or its lock) may have been deleted while the program runs, by hand or by a
    // cleaner of old files; both are made again at the next write, so later edits keep their
    // steps and no other run sweeps the folder as left behind. Two stat calls when all is well.
    dir = AppPaths::WorkFolder(name);
}

void THistoryModel::DeleteStepFile(int32_t id, int32_t step) { QFile::remove(StepFile(id, step)); }

void THistoryModel::MakeThumbnail(const TIconImageRec& format, Bitmap24& thumbnail) const
{
    thumbnail.SetSize(ThumbnailSide, ThumbnailSide);
    DrawIconImageFitted(format, thumbnail);
}

QString THistoryModel::FormatTime(const QTime& time)
{
    const int hour = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QString::asprintf("%02d:%02d %s", hour, time.minute(), time.hour() < 12 ? "am" : "pm");
}

bool THistoryModel::AddOpenedSnapshot(TIconImageRec* format, const QString& caption, const TIconImageSource& source)
{
    if (!format) return false;
    if (format->Id != -1 && FindTrack(format->Id) >= 0) return AddSnapshot(format, caption);
    if (format->Id == -1) format->Id = nextId_++;
    tracks_.push_back(THistoryTrack{format->Id, 0, {}});
    trackOf_.emplace(format->Id, int(tracks_.size()) - 1);
    THistoryStepItem item;
    item.Serial = nextSerial_++;
    item.Caption = caption;
    item.Time = FormatTime(fixedTime_.isValid() ? fixedTime_ : QTime::currentTime());
    if (source.Data.isEmpty()) {
        TIconFileAccess access;
        if (!access.BuildSnapshotData(*format, item.Kept)) {
            tracks_.pop_back();
            trackOf_.erase(format->Id);
            lastError_ = access.LastError;
            return false;
        }
    } else {
        item.Source = std::make_shared<const TIconImageSource>(source);
    }
    // A format that kept its pixels from the read shows exactly what the source decodes to: its
    // thumbnail costs no decode. A parked one waits until its thumbnail is first shown, and so
    // does every one past the first few hundred tracks: an icon of thousands of formats would
    // otherwise hold some 3 KB a format of thumbnails that may never be looked at.
    if (!format->IsParked() && tracks_.size() <= ThumbnailsMadeAtOpen) MakeThumbnail(*format, item.Thumbnail);
    THistoryTrack& track = tracks_.back();
    track.Steps.push_back(std::move(item));
    track.Current = 0;
    if (activeTrack_ == -1) activeTrack_ = int(tracks_.size()) - 1;
    return true;
}

const Bitmap24& THistoryModel::StepThumbnail(int t, int step)
{
    static const Bitmap24 none;
    if (t < 0 || t >= int(tracks_.size())) return none;
    THistoryTrack& track = tracks_[size_t(t)];
    if (step < 0 || step >= track.Count()) return none;
    THistoryStepItem& item = track.Steps[size_t(step)];
    if (item.Thumbnail.IsEmpty() && item.InMemory()) {
        TIconImageRec decoded;
        QString error;
        if (ReadStep(track, step, decoded, error)) MakeThumbnail(decoded, item.Thumbnail);
    }
    return item.Thumbnail;
}

bool THistoryModel::ReadStep(const THistoryTrack& track, int32_t step, TIconImageRec& into, QString& error)
{
    const THistoryStepItem& item = track.Steps[size_t(step)];
    if (item.Source) return ReadSource(into, *item.Source, track.Id, error);
    if (!item.Kept.isEmpty()) return ReadKept(into, item.Kept, error);
    return ReadSnapshot(into, StepFile(track.Id, step), error);
}

bool THistoryModel::AddSnapshot(TIconImageRec* format, const QString& caption)
{
    if (!format) return false;
    if (format->Id == -1) format->Id = nextId_++;
    int t = FindTrack(format->Id);
    const int32_t step = t < 0 ? 0 : tracks_[size_t(t)].Current + 1;

    EnsureFolder(historyDir_, HistoryFolderName);
    // The file is written before the track changes: a failed write (which leaves any file of a
    // redo step at that name as it was) keeps the track exactly as it was.
    if (!WriteSnapshot(*format, StepFile(format->Id, step), lastError_)) return false;

    if (t < 0) {
        tracks_.push_back(THistoryTrack{format->Id, 0, {}});
        t = int(tracks_.size()) - 1;
        trackOf_.emplace(format->Id, t);
    }
    THistoryTrack& track = tracks_[size_t(t)];
    // Cut the undone steps; the file of the first of them now holds the new step.
    for (int32_t i = track.Count() - 1; i > step; --i) DeleteStepFile(track.Id, i);
    track.Steps.resize(size_t(step));

    THistoryStepItem item;
    item.Serial = nextSerial_++;
    item.Caption = caption;
    item.Time = FormatTime(fixedTime_.isValid() ? fixedTime_ : QTime::currentTime());
    MakeThumbnail(*format, item.Thumbnail);
    track.Steps.push_back(std::move(item));
    track.Current = track.Count() - 1;

    if (activeTrack_ == -1) activeTrack_ = t;
    return true;
}

bool THistoryModel::CanUndo() const
{
    const THistoryTrack* track = ListedTrack();
    return track && track->Current >= 1;
}

bool THistoryModel::CanRedo() const
{
    const THistoryTrack* track = ListedTrack();
    return track && track->Current < track->Count() - 1;
}

THistoryModel::StepResult THistoryModel::RestoreStep(int32_t step, TIconImageRec* format)
{
    THistoryTrack* track = activeTrack_ >= 0 && activeTrack_ < int(tracks_.size()) ? &tracks_[size_t(activeTrack_)] : nullptr;
    if (!track || !format || format->Id != track->Id) return StepResult::Nothing;
    if (step < 0 || step >= track->Count() || step == track->Current) return StepResult::Nothing;
    TIconImageRec loaded;
    if (!ReadStep(*track, step, loaded, lastError_)) return StepResult::Failed;
    TakeLoaded(*format, loaded);
    track->Current = step;
    return StepResult::Restored;
}

THistoryModel::StepResult THistoryModel::Undo(TIconImageRec* format)
{
    if (!CanUndo()) return StepResult::Nothing;
    return RestoreStep(ListedTrack()->Current - 1, format);
}

THistoryModel::StepResult THistoryModel::Redo(TIconImageRec* format)
{
    if (!CanRedo()) return StepResult::Nothing;
    return RestoreStep(ListedTrack()->Current + 1, format);
}

THistoryModel::StepResult THistoryModel::JumpTo(int32_t step, TIconImageRec* format) { return RestoreStep(step, format); }

void THistoryModel::ShowTrackOf(const TIconImageRec* format)
{
    if (!format) return;
    activeTrack_ = FindTrack(format->Id);
}

void THistoryModel::RemoveTrack(const TIconImageRec* format)
{
    if (format) RemoveTracks({format->Id});
}

void THistoryModel::RemoveTracks(const std::vector<int32_t>& ids)
{
    std::unordered_set<int32_t> gone;
    for (int32_t id : ids)
        if (FindTrack(id) >= 0) gone.insert(id);
    if (gone.empty()) return;
    const int32_t listedId = activeTrack_ >= 0 ? tracks_[size_t(activeTrack_)].Id : -1;
    size_t kept = 0;
    for (size_t i = 0; i < tracks_.size(); ++i) {
        if (gone.count(tracks_[i].Id)) {
            DeleteTrackFiles(tracks_[i]);
            continue;
        }
        if (kept != i) tracks_[kept] = std::move(tracks_[i]);
        ++kept;
    }
    tracks_.resize(kept);
    IndexTracks();
    // Keep the listed track the same track; none when it was one of those removed.
    activeTrack_ = listedId == -1 ? -1 : FindTrack(listedId);
}

bool THistoryModel::AddToRecycle(TIconImageRec* format)
{
    if (!format) return false;
    if (format->Id == -1) format->Id = nextId_++;
    EnsureFolder(recycleDir_, RecycleFolderName);
    const QString path = RecycleFile(format->Id);
    if (!WriteSnapshot(*format, path, lastError_)) return false;
    TRecycleItem item;
    item.Width = format->Width;
    item.Height = format->Height;
    item.ColorType = format->ColorType;
    item.FileName = path;
    MakeThumbnail(*format, item.Thumbnail);
    recycle_.push_back(std::move(item));
    return true;
}

THistoryModel::RecycleResult THistoryModel::LoadRecycled(int index, const TIconImageArray& target, TIconImageRec& out)
{
    if (index < 0 || index >= int(recycle_.size())) return RecycleResult::Nothing;
    const TRecycleItem& item = recycle_[size_t(index)];
    for (int i = 0; i < target.Count(); ++i) {
        const TIconImageRec& f = target[i];
        if (f.Width == item.Width && f.Height == item.Height && f.ColorType == item.ColorType) {
            lastError_ = QStringLiteral("The image format \"%1x%2 : %3 bits\" is alreay exists in this icon.")
                             .arg(item.Width)
                             .arg(item.Height)
                             .arg(DepthBits(item.ColorType));
            return RecycleResult::Exists;
        }
    }
    TIconImageRec loaded;
    if (!ReadSnapshot(loaded, item.FileName, lastError_)) return RecycleResult::Failed;
    out = std::move(loaded);
    return RecycleResult::Loaded;
}

void THistoryModel::RemoveRecycled(int index)
{
    if (index < 0 || index >= int(recycle_.size())) return;
    const QString path = recycle_[size_t(index)].FileName;
    recycle_.erase(recycle_.begin() + index);
    QFile::remove(path);
}

void THistoryModel::RemoveEverything()
{
    for (const THistoryTrack& track : tracks_) DeleteTrackFiles(track);
    tracks_.clear();
    trackOf_.clear();
    activeTrack_ = -1;
    for (int i = int(recycle_.size()) - 1; i >= 0; --i) QFile::remove(recycle_[size_t(i)].FileName);
    recycle_.clear();
}
