// The undo history and recycle bin without their window: tracks, steps and their files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "imaging/imaging_state.h"
#include "support/format_helpers.h"
#include "support/test_support.h"
#include "model/document_model.h"
#include "model/history_model.h"

namespace {

using Result = THistoryModel::StepResult;

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

class HistoryModelTest : public ::testing::Test {
protected:
    // A track for `f` with "New" and then one painted step for each colour.
    void Steps(TIconImageRec& f, std::initializer_list<TColor> colors)
    {
        ASSERT_TRUE(history.AddSnapshot(&f, QStringLiteral("New")));
        int i = 0;
        for (TColor c : colors) {
            Paint(f, c);
            ASSERT_TRUE(history.AddSnapshot(&f, QStringLiteral("Pencil %1").arg(++i)));
        }
    }

    ScopedAppDir appDir;
    ImagingState imaging;
    THistoryModel history;
};

} // namespace

TEST_F(HistoryModelTest, EditAfterUndoCutsTheUndoneStepsAndTheirFiles)
{
    TIconImageRec f = SolidFormat(16, 16, ctTrueAlpha);
    Steps(f, {MakeColor(1, 0, 0), MakeColor(2, 0, 0), MakeColor(3, 0, 0)});
    EXPECT_EQ(f.Id, 0);
    ASSERT_EQ(history.Undo(&f), Result::Restored);
    ASSERT_EQ(history.Undo(&f), Result::Restored);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), MakeColor(1, 0, 0));
    EXPECT_TRUE(history.CanRedo());

    Paint(f, MakeColor(9, 0, 0));
    ASSERT_TRUE(history.AddSnapshot(&f, QStringLiteral("Brush")));
    ASSERT_NE(history.ListedTrack(), nullptr);
    EXPECT_EQ(Captions(*history.ListedTrack()), (QStringList{"New", "Pencil 1", "Brush"}));
    EXPECT_EQ(history.ListedTrack()->Current, 2);
    EXPECT_FALSE(history.CanRedo());
    // Files exist for the steps there are, and no more.
    for (int s = 0; s < 3; ++s) EXPECT_TRUE(QFileInfo::exists(history.StepFile(0, s))) << s;
    EXPECT_FALSE(QFileInfo::exists(history.StepFile(0, 3)));
    EXPECT_EQ(QFileInfo(history.StepFile(0, 1)).fileName(), QStringLiteral("~0-1.qvi"));

    // The new step's file holds the new pixels, not those of the step it replaced.
    ASSERT_EQ(history.Undo(&f), Result::Restored);
    ASSERT_EQ(history.Redo(&f), Result::Restored);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), MakeColor(9, 0, 0));
}

TEST_F(HistoryModelTest, StepsMoveOnlyWherePossibleOnlyForTheListedFormatAndInPlace)
{
    TIconImageRec f = SolidFormat(8, 8, ctTrueColor);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.Undo(&f), Result::Nothing);
    Steps(f, {});
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.Undo(&f), Result::Nothing);

    Paint(f, 0x00FF00);
    history.AddSnapshot(&f, QStringLiteral("Pencil"));
    // Another format than the listed track's is never overwritten.
    TIconImageRec other = SolidFormat(8, 8, ctTrueColor);
    other.Id = 77;
    EXPECT_EQ(history.Undo(&other), Result::Nothing);
    EXPECT_EQ(history.Undo(nullptr), Result::Nothing);
    EXPECT_EQ(history.ListedTrack()->Current, 1);
    EXPECT_EQ(other.Bitmap->Pixel(0, 0), 0xFFFFFFu);

    // A restore writes into the same record and bitmap: dialogs may hold them.
    const Bitmap24* bitmap = f.Bitmap.get();
    ASSERT_EQ(history.JumpTo(0, &f), Result::Restored);
    EXPECT_EQ(f.Bitmap.get(), bitmap);
    EXPECT_EQ(f.Id, 0);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(f.Mask->Byte0(0, 0), 255);
    // Jumping to the step shown, or past the last, does nothing.
    EXPECT_EQ(history.JumpTo(0, &f), Result::Nothing);
    EXPECT_EQ(history.JumpTo(9, &f), Result::Nothing);
}

TEST_F(HistoryModelTest, AFailedLoadChangesNeitherFormatNorStep)
{
    TIconImageRec f = SolidFormat(8, 8, ctTrueAlpha);
    Steps(f, {0x0000FF, 0x00FF00});
    // A damaged step file.
    ASSERT_TRUE(WriteBytes(history.StepFile(f.Id, 1), "not a snapshot"));
    EXPECT_EQ(history.Undo(&f), Result::Failed);
    EXPECT_FALSE(history.LastError().isEmpty());
    EXPECT_EQ(history.ListedTrack()->Current, 2);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), 0x00FF00u);
    // A missing one.
    QFile::remove(history.StepFile(f.Id, 0));
    EXPECT_EQ(history.JumpTo(0, &f), Result::Failed);
    EXPECT_TRUE(history.LastError().contains(QStringLiteral("~0-0.qvi")));
    EXPECT_EQ(history.ListedTrack()->Current, 2);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), 0x00FF00u);
}

TEST_F(HistoryModelTest, AFailedWriteKeepsTheTrackAsItWas)
{
    TIconImageRec f = SolidFormat(8, 8, ctTrueAlpha);
    Steps(f, {0x0000FF});
    ASSERT_EQ(history.Undo(&f), Result::Restored);
    // The folder is replaced by a file: nothing can be written into it.
    const QString dir = history.HistoryDir();
    ASSERT_TRUE(QDir(dir).removeRecursively());
    ASSERT_TRUE(WriteBytes(dir, {}));
    EXPECT_FALSE(history.AddSnapshot(&f, QStringLiteral("Brush")));
    EXPECT_FALSE(history.LastError().isEmpty());
    EXPECT_EQ(Captions(*history.ListedTrack()), (QStringList{"New", "Pencil 1"}));
    EXPECT_EQ(history.ListedTrack()->Current, 0);
    EXPECT_TRUE(history.CanRedo());
    QFile::remove(dir);
}

TEST_F(HistoryModelTest, AHistoryFolderDeletedDuringTheRunIsMadeAgainAtTheNextEdit)
{
    TIconImageRec old = SolidFormat(8, 8, ctTrueAlpha);
    Steps(old, {0x0000FF});
    const QString base = QFileInfo(history.HistoryDir()).absolutePath();
    ASSERT_TRUE(QDir(base).removeRecursively());

    // A format made now, two edits, two undos: every step comes back.
    TIconImageRec f = SolidFormat(8, 8, ctTrueAlpha);
    history.ShowTrackOf(&f);
    Steps(f, {0x00FF00, 0xFF0000});
    EXPECT_TRUE(QFileInfo(history.HistoryDir()).isDir());
    EXPECT_TRUE(history.FolderError().isEmpty());
    history.ShowTrackOf(&f);
    ASSERT_EQ(history.Undo(&f), Result::Restored);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), 0x00FF00u);
    ASSERT_EQ(history.Undo(&f), Result::Restored);
    EXPECT_EQ(f.Bitmap->Pixel(0, 0), 0xFFFFFFu);

    // The older format's edits get their steps again; only the steps whose files went with the
    // folder cannot come back, and trying changes nothing.
    history.ShowTrackOf(&old);
    Paint(old, 0x123456);
    ASSERT_TRUE(history.AddSnapshot(&old, QStringLiteral("Pencil 2")));
    Paint(old, 0x654321);
    ASSERT_TRUE(history.AddSnapshot(&old, QStringLiteral("Pencil 3")));
    ASSERT_EQ(history.Undo(&old), Result::Restored);
    EXPECT_EQ(old.Bitmap->Pixel(0, 0), 0x123456u);
    EXPECT_EQ(history.Undo(&old), Result::Failed);
    EXPECT_EQ(old.Bitmap->Pixel(0, 0), 0x123456u);

    // Deleted formats still reach the recycle bin after its folder went too.
    ASSERT_TRUE(QDir(QFileInfo(history.RecycleDir()).absolutePath()).removeRecursively());
    EXPECT_TRUE(history.AddToRecycle(&old)) << history.LastError().toStdString();
}

TEST_F(HistoryModelTest, TrackNumbersGrowAndRemovedTracksKeepTheListedOne)
{
    TIconImageRec a = SolidFormat(8, 8, ctTrueAlpha), b = a.Clone(), c = a.Clone();
    for (TIconImageRec* f : {&a, &b, &c}) history.AddSnapshot(f, QStringLiteral("New"));
    EXPECT_EQ(QList<int>({a.Id, b.Id, c.Id}), QList<int>({0, 1, 2}));
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
    EXPECT_EQ(history.Undo(&c), Result::Nothing);

    // Numbers are never given out twice in a run.
    TIconImageRec d = SolidFormat(8, 8, ctTrueAlpha);
    history.AddSnapshot(&d, QStringLiteral("New"));
    EXPECT_EQ(d.Id, 3);
    // A format without a track lists nothing.
    TIconImageRec e = SolidFormat(8, 8, ctTrueAlpha);
    history.ShowTrackOf(&e);
    EXPECT_EQ(history.ListedTrack(), nullptr);

    // A closing icon's tracks go at once; the others keep their order, files and lookups.
    std::vector<TIconImageRec> more;
    for (int i = 0; i < 6; ++i) more.push_back(SolidFormat(8, 8, ctTrueAlpha, MakeColor(i, 0, 0)));
    for (TIconImageRec& f : more) ASSERT_TRUE(history.AddSnapshot(&f, QStringLiteral("New")));
    history.ShowTrackOf(&more[3]);
    Paint(more[3], 0x0A0B0C);
    ASSERT_TRUE(history.AddSnapshot(&more[3], QStringLiteral("Pencil")));
    history.RemoveTracks({more[0].Id, more[2].Id, d.Id, 999});
    QList<int> left;
    for (const THistoryTrack& t : history.Tracks()) left << t.Id;
    EXPECT_EQ(left, QList<int>({b.Id, more[1].Id, more[3].Id, more[4].Id, more[5].Id}));
    EXPECT_FALSE(QFileInfo::exists(history.StepFile(more[2].Id, 0)));
    EXPECT_TRUE(QFileInfo::exists(history.StepFile(more[4].Id, 0)));
    ASSERT_NE(history.ListedTrack(), nullptr);
    EXPECT_EQ(history.ListedTrack()->Id, more[3].Id);
    ASSERT_EQ(history.Undo(&more[3]), Result::Restored);
    EXPECT_EQ(more[3].Bitmap->Pixel(0, 0), MakeColor(3, 0, 0));
    history.ShowTrackOf(&more[5]);
    ASSERT_TRUE(history.AddSnapshot(&more[5], QStringLiteral("Pencil")));
    EXPECT_EQ(history.Tracks()[4].Count(), 2);
    history.RemoveTracks({more[5].Id});
    EXPECT_EQ(history.ListedTrack(), nullptr);
}

TEST_F(HistoryModelTest, RecycledFormatsComeBackWhole)
{
    TIconImageRec deleted = SolidFormat(16, 16, ctColors16);
    deleted.Bitmap->SetPixel(3, 4, MakeColor(5, 0, 0));
    deleted.Palette.palPalEntry[5] = TPaletteEntry{1, 2, 3, 4};
    ASSERT_TRUE(history.AddToRecycle(&deleted));
    EXPECT_EQ(deleted.Id, 0);
    ASSERT_EQ(history.Recycle().size(), 1u);
    EXPECT_EQ(QFileInfo(history.Recycle()[0].FileName).fileName(), QStringLiteral("~0.qvi"));

    TIconImageArray icon;
    icon.Add(SolidFormat(32, 32, ctTrueAlpha));
    TIconImageRec out;
    ASSERT_EQ(history.LoadRecycled(0, icon, out), THistoryModel::RecycleResult::Loaded);
    EXPECT_EQ(out.Width, 16);
    EXPECT_EQ(out.ColorType, ctColors16);
    EXPECT_EQ(out.Bitmap->Pixel(3, 4), MakeColor(5, 0, 0));
    EXPECT_EQ(out.Palette.palPalEntry[5], (TPaletteEntry{1, 2, 3, 4}));
    EXPECT_EQ(history.LoadRecycled(4, icon, out), THistoryModel::RecycleResult::Nothing);

    // A damaged recycle file is reported and the entry stays.
    QFile::remove(history.Recycle()[0].FileName);
    EXPECT_EQ(history.LoadRecycled(0, icon, out), THistoryModel::RecycleResult::Failed);
    EXPECT_FALSE(history.LastError().isEmpty());
    EXPECT_EQ(history.Recycle().size(), 1u);
}

TEST_F(HistoryModelTest, StepsCarryTimeAndThumbnail)
{
    const struct {
        QTime time;
        const char* text;
    } times[] = {{QTime(0, 5), "12:05 am"}, {QTime(9, 41), "09:41 am"}, {QTime(12, 30), "12:30 pm"}, {QTime(23, 7), "11:07 pm"}};
    for (const auto& t : times) EXPECT_EQ(THistoryModel::FormatTime(t.time), QLatin1String(t.text));

    history.SetClockForTesting(QTime(13, 7));
    TIconImageRec f = SolidFormat(16, 16, ctTrueAlpha, 0x0000FF, 0);
    history.AddSnapshot(&f, QStringLiteral("New"));
    const THistoryStepItem& step = history.ListedTrack()->Steps[0];
    EXPECT_EQ(step.Time, QStringLiteral("01:07 pm"));
    ASSERT_EQ(step.Thumbnail.Width(), 32);
    // A 16 x 16 format sits 1:1 in the middle of the 32 x 32 thumbnail, on white.
    EXPECT_EQ(step.Thumbnail.Pixel(8, 8), 0x0000FFu);
    EXPECT_EQ(step.Thumbnail.Pixel(23, 23), 0x0000FFu);
    EXPECT_EQ(step.Thumbnail.Pixel(7, 7), 0xFFFFFFu);
}

namespace {

// Formats of every colour type, the largest stored as PNG, read back from an icon file.
struct OpenedIcon {
    // Parked, the formats come without their pixels, as those of a large icon do.
    explicit OpenedIcon(const QString& path, bool parked = false)
    {
        TIconImageArray made;
        made.Add(PatternFormat(16, 16, ctColors2, 1));
        made.Add(PatternFormat(24, 24, ctColors16, 2));
        made.Add(PatternFormat(32, 32, ctColors256, 3));
        made.Add(PatternFormat(48, 48, ctTrueColor, 4));
        made.Add(PatternFormat(256, 256, ctTrueAlpha, 5));
        TIconFileAccess access;
        EXPECT_EQ(access.SaveIconFile(path, made), 0);
        if (parked) access.KeepDecodedPixels = 0;
        EXPECT_EQ(access.LoadIconFile(path, Formats, &Sources), 0);
        EXPECT_EQ(access.LoadIconFile(path, Copies), 0);
    }
    TIconImageArray Formats; // handed to the document
    std::vector<TIconImageSource> Sources;
    TIconImageArray Copies; // what the formats were when opened
};

} // namespace

TEST_F(HistoryModelTest, OpenedFormatsKeepTheirFirstStepInMemoryAndUndoToItAsOpened)
{
    const QString path = appDir.FilePath(QStringLiteral("opened.ico"));
    OpenedIcon icon(path);
    ASSERT_EQ(icon.Formats.Count(), 5);
    ASSERT_EQ(icon.Sources.size(), 5u);
    // The same formats given their first step the ordinary way, to compare with.
    TDocumentModel written;
    for (int i = 0; i < icon.Copies.Count(); ++i) {
        const int index = written.AppendFormat(icon.Copies[i]);
        ASSERT_TRUE(history.AddSnapshot(&written.Images[index], QStringLiteral("New")));
    }
    const int before = QviFilesUnder(history.HistoryDir()).size();
    TDocumentModel opened;
    for (int i = 0; i < icon.Formats.Count(); ++i) {
        const int index = opened.AppendFormat(std::move(icon.Formats[i]));
        ASSERT_TRUE(history.AddOpenedSnapshot(&opened.Images[index], QStringLiteral("New"), icon.Sources[size_t(i)]));
    }
    // Nothing was written for them.
    EXPECT_EQ(QviFilesUnder(history.HistoryDir()).size(), before);
    ASSERT_EQ(history.Tracks().size(), 10u);
    // The file on disk changes; the steps do not depend on it.
    ASSERT_TRUE(WriteBytes(path, QByteArray("not an icon any more")));

    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        TIconImageRec& a = opened.Images[i];
        TIconImageRec& b = written.Images[i];
        EXPECT_EQ(a.Id, 5 + i);
        const int ta = 5 + i;
        EXPECT_EQ(Captions(history.Tracks()[size_t(ta)]), QStringList{QStringLiteral("New")});
        // The thumbnail is the one a written step has.
        EXPECT_EQ(history.StepThumbnail(ta, 0), history.Tracks()[size_t(i)].Steps[0].Thumbnail);

        // Edit both, then undo to "New" and jump back and forth: the same results either way.
        for (TIconImageRec* f : {&a, &b}) {
            history.ShowTrackOf(f);
            Paint(*f, MakeColor(1, 2, 3));
            f->Palette.palVersion = 0x123; // a palette change travels with the step
            ASSERT_TRUE(history.AddSnapshot(f, QStringLiteral("Pencil")));
            ASSERT_EQ(history.Undo(f), Result::Restored);
        }
        EXPECT_TRUE(SameFormat(a, b));
        EXPECT_EQ(a.Palette.palVersion, b.Palette.palVersion);
        ExpectSameImage(a, icon.Copies[i], "undo to New");
        history.ShowTrackOf(&a);
        ASSERT_EQ(history.Redo(&a), Result::Restored);
        EXPECT_EQ(a.Bitmap->Pixel(0, 0), MakeColor(1, 2, 3));
        ASSERT_EQ(history.JumpTo(0, &a), Result::Restored);
        ExpectSameImage(a, icon.Copies[i], "jump to New");
        EXPECT_EQ(Captions(*history.ListedTrack()), (QStringList{"New", "Pencil"}));
    }
    // Only the edits wrote files.
    EXPECT_EQ(QviFilesUnder(history.HistoryDir()).size(), before + 10);

    // A closed document's tracks go, files and kept steps alike.
    for (int i = 0; i < 5; ++i) history.RemoveTrack(&opened.Images[i]);
    EXPECT_EQ(history.Tracks().size(), 5u);
    EXPECT_EQ(QviFilesUnder(history.HistoryDir()).size(), before + 5);
    EXPECT_TRUE(history.StepThumbnail(7, 0).IsEmpty());
}

TEST_F(HistoryModelTest, AnOpenedStepWithoutSourceBytesKeepsItsSnapshotInMemory)
{
    // What a file whose bytes are not worth keeping gives its formats: no file, and undo and
    // thumbnails exactly as a written first step gives them.
    TIconImageRec palette = SolidFormat(16, 16, ctColors16, 3, 0);
    palette.Palette.palVersion = 0x300;
    TIconImageRec truecolour = SolidFormat(32, 32, ctTrueAlpha, MakeColor(9, 8, 7), 0);
    for (TIconImageRec* f : {&palette, &truecolour}) {
        SCOPED_TRACE(f->Width);
        const TIconImageRec asOpened = f->Clone();
        TIconImageRec written = f->Clone();
        ASSERT_TRUE(history.AddSnapshot(&written, QStringLiteral("New")));
        const Bitmap24 thumbnail = history.Tracks().back().Steps[0].Thumbnail;
        const int files = QviFilesUnder(history.HistoryDir()).size();

        ASSERT_TRUE(history.AddOpenedSnapshot(f, QStringLiteral("New"), TIconImageSource{}));
        EXPECT_EQ(QviFilesUnder(history.HistoryDir()).size(), files);
        EXPECT_FALSE(history.Tracks().back().Steps[0].Kept.isEmpty());
        EXPECT_EQ(history.StepThumbnail(int(history.Tracks().size()) - 1, 0), thumbnail);
        for (TIconImageRec* g : {f, &written}) {
            history.ShowTrackOf(g);
            Paint(*g, 0x000001);
            g->Palette.palVersion = 0x123;
            ASSERT_TRUE(history.AddSnapshot(g, QStringLiteral("Pencil")));
            ASSERT_EQ(history.Undo(g), Result::Restored);
        }
        EXPECT_TRUE(SameFormat(*f, written));
        EXPECT_EQ(f->Palette.palVersion, written.Palette.palVersion);
        ExpectSameImage(*f, asOpened, "undo to New");
        // Closing the icon deletes the edit's file and nothing else.
        history.RemoveTracks({f->Id});
        EXPECT_EQ(QviFilesUnder(history.HistoryDir()).size(), files + 1);
    }
}

TEST_F(HistoryModelTest, AnOpenedStepsThumbnailIsMadeFromItsPixelsOrOnFirstShowWhenParked)
{
    OpenedIcon kept(appDir.FilePath(QStringLiteral("kept.ico")));
    OpenedIcon parked(appDir.FilePath(QStringLiteral("parked.ico")), true);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        TIconImageRec written = kept.Copies[i].Clone();
        ASSERT_TRUE(history.AddSnapshot(&written, QStringLiteral("New")));
        const Bitmap24 expected = history.Tracks().back().Steps[0].Thumbnail;
        ASSERT_FALSE(expected.IsEmpty());

        ASSERT_FALSE(kept.Formats[i].IsParked());
        ASSERT_TRUE(history.AddOpenedSnapshot(&kept.Formats[i], QStringLiteral("New"), kept.Sources[size_t(i)]));
        EXPECT_EQ(history.Tracks().back().Steps[0].Thumbnail, expected);

        ASSERT_TRUE(parked.Formats[i].IsParked());
        ASSERT_TRUE(history.AddOpenedSnapshot(&parked.Formats[i], QStringLiteral("New"), parked.Sources[size_t(i)]));
        EXPECT_TRUE(history.Tracks().back().Steps[0].Thumbnail.IsEmpty());
        EXPECT_TRUE(parked.Formats[i].IsParked());
        EXPECT_EQ(history.StepThumbnail(int(history.Tracks().size()) - 1, 0), expected);
        EXPECT_TRUE(parked.Formats[i].IsParked());
    }
}

TEST_F(HistoryModelTest, AnOpenedFormatThatAlreadyHasATrackGetsAnOrdinaryStep)
{
    OpenedIcon icon(appDir.FilePath(QStringLiteral("again.ico")));
    TIconImageRec& f = icon.Formats[0];
    ASSERT_TRUE(history.AddOpenedSnapshot(&f, QStringLiteral("New"), icon.Sources[0]));
    EXPECT_FALSE(QFileInfo::exists(history.StepFile(f.Id, 0)));
    ASSERT_TRUE(history.AddOpenedSnapshot(&f, QStringLiteral("Again"), icon.Sources[0]));
    EXPECT_TRUE(QFileInfo::exists(history.StepFile(f.Id, 1)));
    EXPECT_EQ(Captions(*history.ListedTrack()), (QStringList{"New", "Again"}));
}
