// The undo history and recycle bin without their window: tracks, steps and their files.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "imaging/imaging_state.h"
#include "support/test_support.h"
#include "workspace/history_model.h"

namespace {

TIconImageRec MakeFormat(int w, int h, int colorType)
{
    TIconImageRec rec;
    InitIconImage(rec, w, h, colorType, -1);
    return rec;
}

// An "edit": paints the format's first pixel.
void Paint(TIconImageRec& f, TColor color)
{
    f.Bitmap->SetPixel(0, 0, color);
    f.Mask->SetPixel(0, 0, 0);
}

QStringList Captions(const THistoryTrack& track)
{
    QStringList out;
    for (const auto& step : track.Steps) out << step.Caption;
    return out;
}

QStringList QviFilesUnder(const QString& dir)
{
    QStringList out;
    QDirIterator it(dir, {QStringLiteral("*.qvi")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) out << it.next();
    return out;
}

class HistoryModelTest : public ::testing::Test {
protected:
    ScopedAppDir appDir;
    ImagingState imaging;
};

} // namespace

TEST_F(HistoryModelTest, EditAfterUndoCutsTheUndoneStepsAndTheirFiles)
{
    THistoryModel history;
    TIconImageRec f = MakeFormat(16, 16, ctTrueAlpha);
    ASSERT_TRUE(history.AddSnapshot(&f, QStringLiteral("New")));
    EXPECT_EQ(f.Id, 0);
    for (int i = 1; i <= 3; ++i) {
        Paint(f, MakeColor(i, 0, 0));
        ASSERT_TRUE(history.AddSnapshot(&f, QStringLiteral("Pencil %1").arg(i)));
    }
    ASSERT_EQ(history.Undo(&f), THistoryModel::StepResult::Restored);
    ASSERT_EQ(history.Undo(&f), THistoryModel::StepResult::Restored);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), MakeColor(1, 0, 0));
    EXPECT_TRUE(history.CanRedo());

    Paint(f, MakeColor(9, 0, 0));
    ASSERT_TRUE(history.AddSnapshot(&f, QStringLiteral("Brush")));
    const THistoryTrack* track = history.ListedTrack();
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(Captions(*track), (QStringList{"New", "Pencil 1", "Brush"}));
    EXPECT_EQ(track->Current, 2);
    EXPECT_FALSE(history.CanRedo());
    // Files exist for the steps there are, and no more.
    for (int s = 0; s < 3; ++s) EXPECT_TRUE(QFileInfo::exists(history.StepFile(0, s))) << s;
    EXPECT_FALSE(QFileInfo::exists(history.StepFile(0, 3)));
    EXPECT_EQ(QFileInfo(history.StepFile(0, 1)).fileName(), QStringLiteral("~0-1.qvi"));

    // The new step's file holds the new pixels, not those of the step it replaced.
    ASSERT_EQ(history.Undo(&f), THistoryModel::StepResult::Restored);
    ASSERT_EQ(history.Redo(&f), THistoryModel::StepResult::Restored);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), MakeColor(9, 0, 0));
}

TEST_F(HistoryModelTest, UndoAndRedoOnlyWherePossibleAndOnlyForTheListedFormat)
{
    THistoryModel history;
    TIconImageRec f = MakeFormat(8, 8, ctTrueColor);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.Undo(&f), THistoryModel::StepResult::Nothing);
    history.AddSnapshot(&f, QStringLiteral("New"));
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.Undo(&f), THistoryModel::StepResult::Nothing);

    Paint(f, 0x00FF00);
    history.AddSnapshot(&f, QStringLiteral("Pencil"));
    // Another format than the listed track's is never overwritten.
    TIconImageRec other = MakeFormat(8, 8, ctTrueColor);
    other.Id = 77;
    EXPECT_EQ(history.Undo(&other), THistoryModel::StepResult::Nothing);
    EXPECT_EQ(history.Undo(nullptr), THistoryModel::StepResult::Nothing);
    EXPECT_EQ(history.ListedTrack()->Current, 1);
    EXPECT_EQ(other.Bitmap->Pixel(0, 0), 0xFFFFFFu);
}

TEST_F(HistoryModelTest, JumpToTheFirstStepThenRedo)
{
    THistoryModel history;
    TIconImageRec f = MakeFormat(4, 4, ctColors16);
    history.AddSnapshot(&f, QStringLiteral("New"));
    for (int i = 1; i <= 4; ++i) {
        Paint(f, MakeColor(i, 0, 0));
        history.AddSnapshot(&f, QStringLiteral("Step"));
    }
    ASSERT_EQ(history.JumpTo(0, &f), THistoryModel::StepResult::Restored);
    EXPECT_EQ(history.ListedTrack()->Current, 0);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(f.Mask->Byte0(0, 0), 255);
    EXPECT_TRUE(history.CanRedo());
    EXPECT_EQ(history.ListedTrack()->Count(), 5);
    ASSERT_EQ(history.Redo(&f), THistoryModel::StepResult::Restored);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), MakeColor(1, 0, 0));
    // Jumping to the step already shown does nothing.
    EXPECT_EQ(history.JumpTo(1, &f), THistoryModel::StepResult::Nothing);
    EXPECT_EQ(history.JumpTo(9, &f), THistoryModel::StepResult::Nothing);
}

TEST_F(HistoryModelTest, RestoreKeepsTheFormatAndItsRecordInPlace)
{
    THistoryModel history;
    TIconImageRec f = MakeFormat(16, 16, ctTrueAlpha);
    history.AddSnapshot(&f, QStringLiteral("New"));
    Paint(f, 0x123456);
    history.AddSnapshot(&f, QStringLiteral("Pencil"));
    const Bitmap24* bitmap = f.Bitmap.get();
    const int32_t id = f.Id;
    ASSERT_EQ(history.Undo(&f), THistoryModel::StepResult::Restored);
    EXPECT_EQ(f.Bitmap.get(), bitmap);
    EXPECT_EQ(f.Id, id);
    EXPECT_EQ(f.Width, 16);
}

TEST_F(HistoryModelTest, AFailedLoadChangesNeitherFormatNorStep)
{
    THistoryModel history;
    TIconImageRec f = MakeFormat(8, 8, ctTrueAlpha);
    history.AddSnapshot(&f, QStringLiteral("New"));
    Paint(f, 0x0000FF);
    history.AddSnapshot(&f, QStringLiteral("Pencil"));
    Paint(f, 0x00FF00);
    history.AddSnapshot(&f, QStringLiteral("Brush"));

    // A damaged step file.
    QFile damaged(history.StepFile(f.Id, 1));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("not a snapshot");
    damaged.close();
    EXPECT_EQ(history.Undo(&f), THistoryModel::StepResult::Failed);
    EXPECT_FALSE(history.LastError().isEmpty());
    EXPECT_EQ(history.ListedTrack()->Current, 2);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), 0x00FF00u);

    // A missing one.
    QFile::remove(history.StepFile(f.Id, 0));
    EXPECT_EQ(history.JumpTo(0, &f), THistoryModel::StepResult::Failed);
    EXPECT_TRUE(history.LastError().contains(QStringLiteral("~0-0.qvi")));
    EXPECT_EQ(history.ListedTrack()->Current, 2);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), 0x00FF00u);
}

TEST_F(HistoryModelTest, AFailedWriteKeepsTheTrackAsItWas)
{
    THistoryModel history;
    TIconImageRec f = MakeFormat(8, 8, ctTrueAlpha);
    history.AddSnapshot(&f, QStringLiteral("New"));
    Paint(f, 0x0000FF);
    history.AddSnapshot(&f, QStringLiteral("Pencil"));
    ASSERT_EQ(history.Undo(&f), THistoryModel::StepResult::Restored);

    // The folder is replaced by a file: nothing can be written into it.
    const QString dir = history.HistoryDir();
    ASSERT_TRUE(QDir(dir).removeRecursively());
    QFile blocker(dir);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(history.AddSnapshot(&f, QStringLiteral("Brush")));
    EXPECT_FALSE(history.LastError().isEmpty());
    EXPECT_EQ(Captions(*history.ListedTrack()), (QStringList{"New", "Pencil"}));
    EXPECT_EQ(history.ListedTrack()->Current, 0);
    EXPECT_TRUE(history.CanRedo());
    QFile::remove(dir);
}

TEST_F(HistoryModelTest, TrackNumbersGrowAndRemovedTracksKeepTheListedOne)
{
    THistoryModel history;
    TIconImageRec a = MakeFormat(8, 8, ctTrueAlpha), b = MakeFormat(8, 8, ctTrueAlpha), c = MakeFormat(8, 8, ctTrueAlpha);
    history.AddSnapshot(&a, QStringLiteral("New"));
    history.AddSnapshot(&b, QStringLiteral("New"));
    history.AddSnapshot(&c, QStringLiteral("New"));
    EXPECT_EQ(a.Id, 0);
    EXPECT_EQ(b.Id, 1);
    EXPECT_EQ(c.Id, 2);
    // The first track made became the listed one.
    EXPECT_EQ(history.ListedTrack()->Id, 0);

    history.ShowTrackOf(&c);
    Paint(c, 0x010203);
    history.AddSnapshot(&c, QStringLiteral("Pencil"));
    history.RemoveTrack(&a);
    ASSERT_NE(history.ListedTrack(), nullptr);
    EXPECT_EQ(history.ListedTrack()->Id, 2);
    EXPECT_TRUE(history.CanUndo());
    EXPECT_FALSE(QFileInfo::exists(history.StepFile(0, 0)));

    history.RemoveTrack(&c);
    EXPECT_EQ(history.ListedTrack(), nullptr);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.Undo(&c), THistoryModel::StepResult::Nothing);

    // Numbers are never given out twice in a run.
    TIconImageRec d = MakeFormat(8, 8, ctTrueAlpha);
    history.AddSnapshot(&d, QStringLiteral("New"));
    EXPECT_EQ(d.Id, 3);
    // A format without a track lists nothing.
    TIconImageRec e = MakeFormat(8, 8, ctTrueAlpha);
    history.ShowTrackOf(&e);
    EXPECT_EQ(history.ListedTrack(), nullptr);
    history.ShowTrackOf(nullptr);
    EXPECT_EQ(history.ListedTrack(), nullptr);
}

TEST_F(HistoryModelTest, RecycleAndRestore)
{
    THistoryModel history;
    TIconImageRec deleted = MakeFormat(16, 16, ctColors16);
    deleted.Bitmap->SetPixel(3, 4, MakeColor(5, 0, 0));
    deleted.Palette.palPalEntry[5] = TPaletteEntry{1, 2, 3, 4};
    ASSERT_TRUE(history.AddToRecycle(&deleted));
    EXPECT_EQ(deleted.Id, 0);
    ASSERT_EQ(history.Recycle().size(), 1u);
    EXPECT_EQ(history.Recycle()[0].Caption(), QStringLiteral("16x16:4 "));
    EXPECT_EQ(QFileInfo(history.Recycle()[0].FileName).fileName(), QStringLiteral("~0.qvi"));

    // An icon that has a 16 x 16 16-colour format refuses it.
    TIconImageArray icon;
    icon.Add(MakeFormat(32, 32, ctTrueAlpha));
    icon.Add(MakeFormat(16, 16, ctColors16));
    TIconImageRec out;
    EXPECT_EQ(history.LoadRecycled(0, icon, out), THistoryModel::RecycleResult::Exists);
    EXPECT_EQ(history.LastError(), QStringLiteral("The image format \"16x16 : 4 bits\" is alreay exists in this icon."));

    icon.Delete(1);
    ASSERT_EQ(history.LoadRecycled(0, icon, out), THistoryModel::RecycleResult::Loaded);
    EXPECT_EQ(out.Width, 16);
    EXPECT_EQ(out.ColorType, ctColors16);
    EXPECT_EQ(out.Bitmap->Pixel(3, 4), MakeColor(5, 0, 0));
    EXPECT_EQ(out.Palette.palPalEntry[5], (TPaletteEntry{1, 2, 3, 4}));
    EXPECT_EQ(history.LoadRecycled(4, icon, out), THistoryModel::RecycleResult::Nothing);

    const QString file = history.Recycle()[0].FileName;
    history.RemoveRecycled(0);
    EXPECT_TRUE(history.Recycle().empty());
    EXPECT_FALSE(QFileInfo::exists(file));

    // A damaged recycle file is reported and the entry stays.
    TIconImageRec second = MakeFormat(24, 24, ctTrueColor);
    ASSERT_TRUE(history.AddToRecycle(&second));
    QFile::remove(history.Recycle()[0].FileName);
    EXPECT_EQ(history.LoadRecycled(0, icon, out), THistoryModel::RecycleResult::Failed);
    EXPECT_EQ(history.Recycle().size(), 1u);
}

TEST_F(HistoryModelTest, NoSnapshotFileOutlivesTheHistory)
{
    QString historyDir, recycleDir;
    {
        THistoryModel history;
        historyDir = history.HistoryDir();
        recycleDir = history.RecycleDir();
        TIconImageRec f = MakeFormat(8, 8, ctTrueAlpha);
        history.AddSnapshot(&f, QStringLiteral("New"));
        history.AddSnapshot(&f, QStringLiteral("Pencil"));
        TIconImageRec g = MakeFormat(8, 8, ctTrueAlpha);
        history.AddToRecycle(&g);
        EXPECT_EQ(QviFilesUnder(appDir.Path()).size(), 3);
    }
    EXPECT_TRUE(QviFilesUnder(appDir.Path()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(historyDir));
    EXPECT_FALSE(QFileInfo::exists(recycleDir));
}

TEST_F(HistoryModelTest, StepsCarryTimeAndThumbnail)
{
    EXPECT_EQ(THistoryModel::FormatTime(QTime(0, 5)), QStringLiteral("12:05 am"));
    EXPECT_EQ(THistoryModel::FormatTime(QTime(9, 41)), QStringLiteral("09:41 am"));
    EXPECT_EQ(THistoryModel::FormatTime(QTime(12, 30)), QStringLiteral("12:30 pm"));
    EXPECT_EQ(THistoryModel::FormatTime(QTime(23, 7)), QStringLiteral("11:07 pm"));

    THistoryModel history;
    history.SetClockForTesting(QTime(13, 7));
    TIconImageRec f = MakeFormat(16, 16, ctTrueAlpha);
    f.Bitmap->Fill(0x0000FF);
    f.Mask->Fill(0);
    history.AddSnapshot(&f, QStringLiteral("New"));
    const THistoryStepItem& step = history.ListedTrack()->Steps[0];
    EXPECT_EQ(step.Time, QStringLiteral("01:07 pm"));
    ASSERT_EQ(step.Thumbnail.Width(), 32);
    // A 16 x 16 format sits 1:1 in the middle of the 32 x 32 thumbnail, on white.
    EXPECT_EQ(step.Thumbnail.Pixel(8, 8), 0x0000FFu);
    EXPECT_EQ(step.Thumbnail.Pixel(23, 23), 0x0000FFu);
    EXPECT_EQ(step.Thumbnail.Pixel(7, 7), 0xFFFFFFu);
}
