// The history window inside the running frame: Undo and Redo through the main window's commands,
// jumps by row, greyed rows, tracks per format, the recycle bin with Restore, and the files.
#include <gtest/gtest.h>

#include <QAction>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "support/scripted_dialogs.h"
#include "support/test_support.h"
#include "workspace/app_windows.h"
#include "workspace/childwin.h"
#include "workspace/history_form.h"
#include "workspace/main_form.h"

namespace {

TIconImageRec MakeFormat(int w, int h, int colorType)
{
    TIconImageRec rec;
    InitIconImage(rec, w, h, colorType, 0);
    return rec;
}

QStringList QviFilesUnder(const QString& dir)
{
    QStringList out;
    QDirIterator it(dir, {QStringLiteral("*.qvi")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) out << it.next();
    return out;
}

class HistoryFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DocumentPeers() = TDocumentPeers{};
        main = std::make_unique<Tfrm_main>();
        main->show();
        history = frm_history;
        ASSERT_NE(history, nullptr);
    }
    void TearDown() override
    {
        for (Tfrm_childwin* doc : main->Documents()) doc->Document().Modified = 0;
        AppWindows::FreeAll();
        main.reset();
        DocumentPeers() = TDocumentPeers{};
    }

    Tfrm_childwin* NewDocument(const QString& name, std::initializer_list<TIconImageRec> formats)
    {
        Tfrm_childwin* doc = main->CreateDocumentWindow();
        doc->Document().FileName = name;
        for (const TIconImageRec& f : formats) doc->AddImageFormat(f);
        doc->UpdateCaption();
        main->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
        return doc;
    }
    // An edit as a tool makes it: pixels change, then a step, then the mark.
    void Edit(Tfrm_childwin* doc, TColor color, const QString& caption)
    {
        TIconImageRec* f = doc->CurrentImage();
        f->Bitmap->SetPixel(0, 0, color);
        f->Mask->SetPixel(0, 0, 0);
        history->AddSnapshot(f, caption);
        doc->SetModified(true);
    }
    QStringList Rows() const
    {
        QStringList out;
        for (int r = 0; r < history->lsv_History->rowCount(); ++r) out << history->lsv_History->item(r, 0)->text();
        return out;
    }
    bool RowGreyed(int row) const
    {
        return history->lsv_History->item(row, 0)->foreground().color() == QColor(0xC0, 0xC0, 0xC0);
    }
    int SelectedRow() const
    {
        const auto ranges = history->lsv_History->selectedRanges();
        return ranges.isEmpty() ? -1 : ranges.first().topRow();
    }
    void ClickRow(int row)
    {
        const QRect r = history->lsv_History->visualItemRect(history->lsv_History->item(row, 0));
        QTest::mouseClick(history->lsv_History->viewport(), Qt::LeftButton, {}, r.center());
    }

    ScopedAppDir appDir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Tfrm_main> main;
    Tfrm_history* history = nullptr;
};

} // namespace

TEST_F(HistoryFormTest, UndoAndRedoThroughTheMainWindow)
{
    EXPECT_EQ(history->windowTitle(), QStringLiteral("Undo History"));
    EXPECT_EQ(history->pgc_History->tabText(0), QStringLiteral("Undo History"));
    EXPECT_EQ(history->pgc_History->tabText(1), QStringLiteral("Recycle Bin"));
    EXPECT_EQ(history->lsv_History->horizontalHeaderItem(0)->text(), QStringLiteral("Action"));
    EXPECT_EQ(history->lsv_History->horizontalHeaderItem(1)->text(), QStringLiteral("Time"));

    Tfrm_childwin* doc = NewDocument(QStringLiteral("a.ico"), {MakeFormat(16, 16, ctTrueAlpha)});
    EXPECT_FALSE(main->act_EditUndo->isEnabled());
    Edit(doc, 0x0000FF, QStringLiteral("Pencil"));
    EXPECT_EQ(Rows(), (QStringList{"New", "Pencil"}));
    EXPECT_TRUE(main->act_EditUndo->isEnabled());
    EXPECT_FALSE(main->act_EditRedo->isEnabled());
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("a.ico *"));

    doc->SetModified(false);
    main->act_EditUndo->trigger();
    EXPECT_EQ(doc->CurrentImage()->Bitmap->Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(doc->CurrentImage()->Mask->Byte0(0, 0), 255);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_FALSE(RowGreyed(0));
    EXPECT_TRUE(RowGreyed(1));
    EXPECT_FALSE(main->act_EditUndo->isEnabled());
    EXPECT_TRUE(main->act_EditRedo->isEnabled());
    // Undo with nothing to undo does nothing.
    main->act_EditUndo->trigger();
    EXPECT_EQ(history->Model().ListedTrack()->Current, 0);

    main->act_EditRedo->trigger();
    EXPECT_EQ(doc->CurrentImage()->Bitmap->Pixel(0, 0), 0x0000FFu);
    EXPECT_FALSE(RowGreyed(1));
    EXPECT_EQ(SelectedRow(), 1);
    // The canvas shows the restored pixel.
    const int z = doc->ZoomFactor();
    EXPECT_EQ(doc->Document().BackBuffer.Pixel(z / 2 + 1, z / 2 + 1), 0x0000FFu);
}

TEST_F(HistoryFormTest, EditAfterUndoCutsTheRedoRows)
{
    Tfrm_childwin* doc = NewDocument(QStringLiteral("a.ico"), {MakeFormat(16, 16, ctTrueAlpha)});
    Edit(doc, 0x000001, QStringLiteral("Pencil"));
    Edit(doc, 0x000002, QStringLiteral("Brush"));
    Edit(doc, 0x000003, QStringLiteral("Line"));
    main->act_EditUndo->trigger();
    main->act_EditUndo->trigger();
    EXPECT_TRUE(RowGreyed(2));
    EXPECT_TRUE(RowGreyed(3));
    Edit(doc, 0x000009, QStringLiteral("Eraser"));
    EXPECT_EQ(Rows(), (QStringList{"New", "Pencil", "Eraser"}));
    for (int r = 0; r < 3; ++r) EXPECT_FALSE(RowGreyed(r)) << r;
    EXPECT_EQ(SelectedRow(), 2);
    EXPECT_FALSE(main->act_EditRedo->isEnabled());
}

TEST_F(HistoryFormTest, ClickingARowJumpsThere)
{
    Tfrm_childwin* doc = NewDocument(QStringLiteral("a.ico"), {MakeFormat(16, 16, ctTrueAlpha)});
    for (int i = 1; i <= 4; ++i) Edit(doc, MakeColor(i, 0, 0), QStringLiteral("Pencil"));
    ClickRow(0);
    EXPECT_EQ(history->Model().ListedTrack()->Current, 0);
    EXPECT_EQ(doc->CurrentImage()->Bitmap->Pixel(0, 0), 0xFFFFFFu);
    for (int r = 1; r <= 4; ++r) EXPECT_TRUE(RowGreyed(r)) << r;
    EXPECT_TRUE(main->act_EditRedo->isEnabled());
    main->act_EditRedo->trigger();
    EXPECT_EQ(doc->CurrentImage()->Bitmap->Pixel(0, 0), MakeColor(1, 0, 0));
    ClickRow(3);
    EXPECT_EQ(doc->CurrentImage()->Bitmap->Pixel(0, 0), MakeColor(3, 0, 0));
    EXPECT_TRUE(RowGreyed(4));
    EXPECT_FALSE(RowGreyed(3));
}

TEST_F(HistoryFormTest, AFailedRestoreSaysSoAndKeepsTheStep)
{
    Tfrm_childwin* doc = NewDocument(QStringLiteral("a.ico"), {MakeFormat(16, 16, ctTrueAlpha)});
    Edit(doc, 0x00FF00, QStringLiteral("Pencil"));
    QFile::remove(history->Model().StepFile(doc->CurrentImage()->Id, 0));
    main->act_EditUndo->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Undo History"));
    EXPECT_EQ(doc->CurrentImage()->Bitmap->Pixel(0, 0), 0x00FF00u);
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_FALSE(RowGreyed(1));
    EXPECT_TRUE(main->act_EditUndo->isEnabled());
}

TEST_F(HistoryFormTest, EachFormatListsItsOwnTrack)
{
    Tfrm_childwin* doc = NewDocument(QStringLiteral("a.ico"), {MakeFormat(16, 16, ctTrueAlpha), MakeFormat(32, 32, ctTrueAlpha)});
    Edit(doc, 0x000001, QStringLiteral("Pencil"));
    EXPECT_EQ(Rows(), (QStringList{"New", "Pencil"}));
    QTest::keyClick(doc, Qt::Key_Left);
    EXPECT_EQ(Rows(), (QStringList{"New"}));
    EXPECT_FALSE(main->act_EditUndo->isEnabled());

    // A step of a format whose track is not listed leaves the list alone.
    Tfrm_childwin* other = NewDocument(QStringLiteral("b.ico"), {MakeFormat(24, 24, ctTrueColor)});
    EXPECT_EQ(Rows(), (QStringList{"New"}));
    history->AddSnapshot(&doc->Images()[1], QStringLiteral("Flip Horizontal"));
    EXPECT_EQ(Rows(), (QStringList{"New"}));
    EXPECT_EQ(history->Model().ListedTrack()->Id, other->Images()[0].Id);

    // Back in the first document: its current format's track.
    main->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
    EXPECT_EQ(history->Model().ListedTrack()->Id, doc->Images()[0].Id);
    QTest::keyClick(doc, Qt::Key_Right);
    EXPECT_EQ(Rows(), (QStringList{"New", "Pencil", "Flip Horizontal"}));
}

TEST_F(HistoryFormTest, RecycleAndRestoreIntoTheActiveIcon)
{
    Tfrm_childwin* doc = NewDocument(QStringLiteral("a.ico"), {MakeFormat(32, 32, ctTrueAlpha), MakeFormat(16, 16, ctColors16)});
    doc->CurrentImage()->Bitmap->SetPixel(2, 2, MakeColor(7, 0, 0));
    DocumentPeers().ConfirmDeleteFormat = [](QWidget*, const TIconImageRec&) { return true; };
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    ASSERT_EQ(history->lsv_Recycle->count(), 1);
    EXPECT_EQ(history->lsv_Recycle->item(0)->text(), QStringLiteral("16x16:4 "));
    EXPECT_EQ(history->Restore1->text(), QStringLiteral("Restore"));
    const QString recycleFile = history->Model().Recycle()[0].FileName;
    EXPECT_TRUE(QFileInfo::exists(recycleFile));

    // An icon with a 16 x 16 16-colour format refuses it.
    Tfrm_childwin* other = NewDocument(QStringLiteral("b.ico"), {MakeFormat(16, 16, ctColors16)});
    history->lsv_Recycle->setCurrentRow(0);
    history->Restore1->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("The image format \"16x16 : 4 bits\" is alreay exists in this icon."));
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Restore image"));
    EXPECT_EQ(other->Images().Count(), 1);
    EXPECT_EQ(history->lsv_Recycle->count(), 1);

    // The first icon takes it back: current, with a track of its own, modified.
    main->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
    doc->SetModified(false);
    history->lsv_Recycle->setCurrentRow(0);
    history->Restore1->trigger();
    ASSERT_EQ(doc->Images().Count(), 2);
    EXPECT_EQ(doc->CurrentIndex(), 1);
    const TIconImageRec& restored = doc->Images()[1];
    EXPECT_EQ(restored.ColorType, ctColors16);
    EXPECT_EQ(restored.Bitmap->Pixel(2, 2), MakeColor(7, 0, 0));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(Rows(), (QStringList{"New"}));
    EXPECT_EQ(history->lsv_Recycle->count(), 0);
    EXPECT_FALSE(QFileInfo::exists(recycleFile));
}

TEST_F(HistoryFormTest, ClosingTheLastDocumentDisablesUndoAndCtrlZDoesNothing)
{
    Tfrm_childwin* doc = NewDocument(QStringLiteral("a.ico"), {MakeFormat(16, 16, ctTrueAlpha)});
    Edit(doc, 0x000001, QStringLiteral("Pencil"));
    EXPECT_TRUE(main->act_EditUndo->isEnabled());
    dialogs.MessageAnswers.enqueue(TMsgResult::No);
    main->MdiArea()->closeActiveSubWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main->Documents().isEmpty());
    EXPECT_EQ(history->Model().ListedTrack(), nullptr);
    EXPECT_EQ(history->lsv_History->rowCount(), 0);
    EXPECT_FALSE(main->act_EditUndo->isEnabled());
    EXPECT_FALSE(main->act_EditRedo->isEnabled());
    QTest::keyClick(main.get(), Qt::Key_Z, Qt::ControlModifier);
    main->act_EditUndo->trigger();
    EXPECT_TRUE(history->Model().Tracks().empty());
}

TEST_F(HistoryFormTest, NoSnapshotFileIsLeftAfterExit)
{
    Tfrm_childwin* doc = NewDocument(QStringLiteral("a.ico"), {MakeFormat(16, 16, ctTrueAlpha), MakeFormat(32, 32, ctTrueColor)});
    Edit(doc, 0x000001, QStringLiteral("Pencil"));
    DocumentPeers().ConfirmDeleteFormat = [](QWidget*, const TIconImageRec&) { return true; };
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    EXPECT_FALSE(QviFilesUnder(appDir.Path()).isEmpty());
    doc->Document().Modified = 0;
    AppWindows::FreeAll();
    EXPECT_TRUE(QviFilesUnder(appDir.Path()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(appDir.FilePath(QStringLiteral("history"))));
    EXPECT_FALSE(QFileInfo::exists(appDir.FilePath(QStringLiteral("recycle"))));
}
