#pragma once
// The undo history of every format of every open icon, and the recycle bin of deleted formats,
// apart from any window. Each format has a track of steps; every step is a whole snapshot of the
// format in a file of this run's "history" folder, with a caption, a time and a 32 x 32
// thumbnail in memory. The first step of a format just read from an icon file is the one
// exception: it stays in memory as the image block it was read from (the icon's own compressed
// bytes, shared by the file's formats), or as its snapshot's bytes when the file's bytes are not
// worth keeping, so opening an icon writes nothing, and the step is decoded again only when it
// is restored or its thumbnail is first shown. Deleted formats go to files of this run's "recycle" folder. Every file is
// deleted when the model goes away.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include <QString>
#include <QTime>

#include "iconfiles/file_access.h"
#include "imaging/icon_image.h"
#include "platform/bitmap24.h"

struct THistoryStepItem {
    uint64_t Serial = 0; // unique within the run: tells a step from one that replaced it
    QString Caption;
    QString Time; // "hh:mm am" / "hh:mm pm"
    // For a step kept in memory whose format was parked, empty until first asked for
    // (THistoryModel::StepThumbnail).
    Bitmap24 Thumbnail;
    // Set for a step kept in memory: it has no file and is decoded from here.
    std::shared_ptr<const TIconImageSource> Source;
    // Or the bytes its snapshot file would hold, for the first step of a format read from a file
    // whose own bytes are not worth keeping (IconBytesWorthKeeping): kept in memory, never more
    // than that file's bytes in all.
    QByteArray Kept;
    bool InMemory() const { return Source || !Kept.isEmpty(); }
};

struct THistoryTrack {
    int32_t Id = -1;     // the Id of the format the track belongs to
    int32_t Current = 0; // the step the format now shows
    std::vector<THistoryStepItem> Steps;
    int32_t Count() const { return int32_t(Steps.size()); }
};

struct TRecycleItem {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t ColorType = 0;
    QString FileName; // full path of the recycle file
    Bitmap24 Thumbnail;
    // "16x16:4 " and the like.
    QString Caption() const;
};

class THistoryModel {
public:
    static constexpr int ThumbnailSide = 32;
    // Opened steps past this many tracks get their thumbnails when first shown.
    static constexpr size_t ThumbnailsMadeAtOpen = 256;

    // Uses this run's working folders "history" and "recycle", creating them, and again at a
    // write when they have gone.
    THistoryModel();
    ~THistoryModel();
    THistoryModel(const THistoryModel&) = delete;
    THistoryModel& operator=(const THistoryModel&) = delete;

    const QString& HistoryDir() const { return historyDir_; }
    const QString& RecycleDir() const { return recycleDir_; }
    QString StepFile(int32_t id, int32_t step) const;
    QString RecycleFile(int32_t id) const;
    // Empty unless a working folder could not be created.
    QString FolderError() const;

    const std::vector<THistoryTrack>& Tracks() const { return tracks_; }
    // Index into Tracks() of the listed track, -1 for none.
    int ActiveTrack() const { return activeTrack_; }
    const THistoryTrack* ListedTrack() const;
    int32_t NextId() const { return nextId_; }
    const std::vector<TRecycleItem>& Recycle() const { return recycle_; }
    // The text of the last failure.
    const QString& LastError() const { return lastError_; }

    // Records a new step of the format's track (giving the format a track number when it has
    // none), after cutting the steps that were undone. Nothing happens for a null format. When
    // the snapshot cannot be written the track is left as it was and false is returned.
    bool AddSnapshot(TIconImageRec* format, const QString& caption);
    // The first step of a format read from an icon file, given the format's source: the step
    // "New" of a new track, kept in memory instead of a file. A source without bytes keeps the
    // snapshot's bytes instead. A format that already has a track gets an ordinary step.
    bool AddOpenedSnapshot(TIconImageRec* format, const QString& caption, const TIconImageSource& source);
    // The thumbnail of a step of a track, made on first use for a step kept in memory; an empty
    // bitmap for a step that does not exist (or whose source cannot be decoded).
    const Bitmap24& StepThumbnail(int track, int step);

    bool CanUndo() const;
    bool CanRedo() const;

    enum class StepResult {
        Nothing,  // not possible, or the format is not the listed track's
        Restored, // the format now shows the step
        Failed,   // the step could not be read; format and track are unchanged (LastError says why)
    };
    // Move the listed track one step back or forward, or to a step, loading that step's snapshot
    // into the format, which must be the one the listed track belongs to.
    StepResult Undo(TIconImageRec* format);
    StepResult Redo(TIconImageRec* format);
    StepResult JumpTo(int32_t step, TIconImageRec* format);

    // Makes the format's track the listed one (none when it has no track). Null changes nothing.
    void ShowTrackOf(const TIconImageRec* format);
    // Deletes the format's track and its files. The listed track stays listed (or becomes none
    // when it was the one removed).
    void RemoveTrack(const TIconImageRec* format);
    // The same for the tracks of these format Ids at once, in one pass over the tracks: a closing
    // icon of thousands of formats would otherwise move the tracks after each one, once a format.
    void RemoveTracks(const std::vector<int32_t>& ids);

    // Keeps a deleted format in the recycle bin. False (and LastError) when it cannot be written.
    bool AddToRecycle(TIconImageRec* format);

    enum class RecycleResult {
        Nothing, // no such entry
        Exists,  // the icon already has a format of that size and colour type (LastError: message)
        Failed,  // the file could not be read (LastError says why)
        Loaded,  // the format was read into the record
    };
    // Reads recycle entry `index` into `out` for restoring into an icon with the given formats.
    RecycleResult LoadRecycled(int index, const TIconImageArray& target, TIconImageRec& out);
    // Removes a recycle entry and its file.
    void RemoveRecycled(int index);

    // "hh:mm am/pm" with hours 01..12.
    static QString FormatTime(const QTime& time);
    // Tests fix the clock; an invalid time restores the real one.
    void SetClockForTesting(const QTime& time) { fixedTime_ = time; }

private:
    int FindTrack(int32_t id) const;
    void IndexTracks();
    // Deletes the files of a track's steps; steps kept in memory have none.
    void DeleteTrackFiles(const THistoryTrack& track);
    static void EnsureFolder(QString& dir, const QString& name);
    void DeleteStepFile(int32_t id, int32_t step);
    StepResult RestoreStep(int32_t step, TIconImageRec* format);
    // Reads a step, from its file or its source, into a record of its own.
    bool ReadStep(const THistoryTrack& track, int32_t step, TIconImageRec& into, QString& error);
    void MakeThumbnail(const TIconImageRec& format, Bitmap24& thumbnail) const;
    void RemoveEverything();

    QString historyDir_;
    QString recycleDir_;
    std::vector<THistoryTrack> tracks_;
    // Where each format's track is in tracks_: an icon of thousands of formats looks up a track
    // for every one of them as it opens.
    std::unordered_map<int32_t, int> trackOf_;
    int activeTrack_ = -1;
    int32_t nextId_ = 0;
    uint64_t nextSerial_ = 1;
    std::vector<TRecycleItem> recycle_;
    QString lastError_;
    QTime fixedTime_;
};
