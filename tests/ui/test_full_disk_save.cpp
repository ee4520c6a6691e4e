// File > Save (Ctrl+S) onto a disk that takes no more bytes, and edits after the run's history
// folder was deleted, driven through the whole program: the message a person reads, the caption's
// modified mark, the file on disk, and the undo steps.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include "iconfiles/file_access.h"
#include "platform/save_file.h"
#include "support/full_disk.h"
#include "support/ui_helpers.h"
#include "workspace/history_form.h"

namespace {

QByteArray FileBytes(const QString& path)
{
    QByteArray bytes;
    ReadWholeFile(path, bytes);
    return bytes;
}

class FullDiskTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (main)
            for (Tfrm_childwin* doc : main->Documents()) doc->Document().Modified = 0;
        AppWindows::FreeAll();
    }

    // The whole program with an icon of three formats open from `path`.
    void OpenIcon(const QString& path)
    {
        TIconImageArray formats;
        // A few KB: small enough that a buffered writer would hold all of it until its commit.
        formats.Add(PatternFormat(16, 16, ctColors16, 1));
        formats.Add(PatternFormat(32, 32, ctTrueColor, 2));
        TIconImageRec large = SolidFormat(256, 256, ctTrueAlpha, MakeColor(30, 60, 90), 0);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 100; ++x) large.Bitmap->SetPixel(x, y, MakeColor(200, 10, 10));
        formats.Add(std::move(large));
        TIconFileAccess access;
        ASSERT_EQ(access.SaveIconFile(path, formats), 0) << access.LastError.toStdString();
        main = AppWindows::CreateApplicationWindows({path});
        dialogs.Messages.clear(); // what start-up says about missing assets
        main->show();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
        ASSERT_EQ(main->DocumentCount(), 1);
    }
    void PressCtrlS() { QTest::keyClick(main, Qt::Key_S, Qt::ControlModifier); }

    // An edit, then a Ctrl+S that fails in `press`: the message names the file and the reason,
    // and the file, the caption's mark and the modified flag stay as they were.
    void EditAndFailToSave(const QString& path, const QString& reason, const std::function<void()>& press)
    {
        Tfrm_childwin* doc = main->ActiveDocument();
        const QByteArray before = FileBytes(path);
        main->act_effect_flip_horizontal->trigger();
        ASSERT_EQ(doc->windowTitle(), QFileInfo(path).fileName() + QStringLiteral(" *"));

        press();
        EXPECT_EQ(dialogs.Shown().join(QLatin1Char('\n')).toStdString(),
                  QStringLiteral("Save File: The file \"%1\" cannot be saved: %2.").arg(QDir::toNativeSeparators(path), reason).toStdString());
        EXPECT_EQ(doc->windowTitle(), QFileInfo(path).fileName() + QStringLiteral(" *"));
        EXPECT_EQ(doc->Document().Modified, 1);
        EXPECT_EQ(FileBytes(path), before);
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList({QStringLiteral("*.ico*")}, QDir::Files | QDir::Hidden),
                  QStringList{QFileInfo(path).fileName()});
    }

    ScopedAppDir appDir;
    ScriptedDialogs dialogs;
    Tfrm_main* main = nullptr;
};

} // namespace

TEST_F(FullDiskTest, CtrlSPastAFileSizeLimitSaysWhyAndKeepsTheFileAndTheModifiedMark)
{
    const QString path = appDir.FilePath(QStringLiteral("big.ico"));
    OpenIcon(path);
    EditAndFailToSave(path, QString::fromLocal8Bit(std::strerror(EFBIG)), [this] {
        FileSizeLimit limit;
        ASSERT_TRUE(limit.Ok());
        PressCtrlS();
    });

    // Once the disk takes the bytes again, the same key saves the edit.
    PressCtrlS();
    EXPECT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(main->ActiveDocument()->windowTitle(), QStringLiteral("big.ico"));
    QByteArray expected;
    ASSERT_TRUE(TIconFileAccess().BuildIconData(main->ActiveDocument()->Images(), expected));
    EXPECT_EQ(FileBytes(path), expected);
}

TEST_F(FullDiskTest, CtrlSOnAFullTmpfsSaysNoSpaceAndKeepsTheFileAndTheModifiedMark)
{
    const QString disk = appDir.FilePath(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkpath(disk));
    SmallTmpfs tmpfs(disk, "size=1m");
    if (!tmpfs.Mounted()) GTEST_SKIP() << tmpfs.Why();
    const QString path = disk + QStringLiteral("/full.ico");
    OpenIcon(path);
    ASSERT_TRUE(tmpfs.Fill());
    EditAndFailToSave(path, QString::fromLocal8Bit(std::strerror(ENOSPC)), [this] { PressCtrlS(); });
    main->ActiveDocument()->Document().Modified = 0;
    AppWindows::FreeAll();
    main = nullptr;
}

TEST_F(FullDiskTest, EditsAfterTheHistoryFolderWasDeletedKeepTheirUndoSteps)
{
    main = AppWindows::CreateApplicationWindows({});
    dialogs.Messages.clear(); // what start-up says about missing assets
    main->show();
    ASSERT_NE(frm_history, nullptr);
    const QString base = QFileInfo(frm_history->Model().HistoryDir()).absolutePath();
    ASSERT_TRUE(QDir(base).removeRecursively());

    const QString path = appDir.FilePath(QStringLiteral("a.ico"));
    TIconImageArray formats;
    formats.Add(PatternFormat(16, 16, ctTrueColor, 3));
    TIconFileAccess access;
    ASSERT_EQ(access.SaveIconFile(path, formats), 0);
    main->OpenFiles({path});
    Tfrm_childwin* doc = main->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    const TIconImageRec original = doc->Images()[0].Clone();

    main->act_effect_flip_horizontal->trigger();
    main->act_effect_flip_vertical->trigger();
    EXPECT_TRUE(dialogs.Shown().isEmpty()) << dialogs.Shown().join(QLatin1Char('\n')).toStdString();
    main->act_EditUndo->trigger();
    main->act_EditUndo->trigger();
    EXPECT_TRUE(dialogs.Shown().isEmpty()) << dialogs.Shown().join(QLatin1Char('\n')).toStdString();
    ExpectSameImage(doc->Images()[0], original, "after two undos");
    EXPECT_FALSE(main->act_EditUndo->isEnabled());

    // A folder that cannot be made is said once; the edits still happen, and get their steps
    // again as soon as the folder can be made.
    ASSERT_TRUE(QDir(base).removeRecursively());
    ASSERT_TRUE(WriteBytes(base, "in the way"));
    main->act_effect_flip_horizontal->trigger();
    main->act_effect_flip_horizontal->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(dialogs.Shown()[0].toStdString(),
              QStringLiteral("Undo History: The undo step \"Flip Horizontal\" could not be saved, so it cannot be undone.\n"
                             "The folder \"%1\" cannot be created.")
                  .arg(QDir::toNativeSeparators(frm_history->Model().HistoryDir()))
                  .toStdString());
    ExpectSameImage(doc->Images()[0], original, "flipped twice");
    ASSERT_TRUE(QFile::remove(base));
    main->act_effect_flip_vertical->trigger();
    main->act_effect_flip_horizontal->trigger();
    main->act_effect_flip_vertical->trigger();
    main->act_EditUndo->trigger();
    main->act_EditUndo->trigger();
    EXPECT_EQ(dialogs.Messages.size(), 1) << dialogs.Shown().join(QLatin1Char('\n')).toStdString();
    // Back to the first of the three: the original upside down.
    const TIconImageRec& now = doc->Images()[0];
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(now.Bitmap->Pixel(x, y), original.Bitmap->Pixel(x, 15 - y)) << x << "," << y;
}
