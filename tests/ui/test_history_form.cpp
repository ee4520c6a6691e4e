// The history window inside the running frame: Undo and Redo through the main window's commands,
// jumps by row, greyed rows, tracks per format, the recycle bin with Restore, and the files.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>

#include "support/ui_helpers.h"
#include "workspace/history_form.h"

namespace {

class HistoryFormTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        history = frm_history;
        ASSERT_NE(history, nullptr);
    }
    // A document "a.ico" with one 16 x 16 format, or with these formats.
    Tfrm_childwin* Doc(std::initializer_list<TIconImageRec> formats = {SolidFormat(16, 16, ctTrueAlpha)})
    {
        return NewDocument(QStringLiteral("a.ico"), formats);
    }
    // An edit as a tool makes it: pixels change, then a step, then the mark.
    void Edit(Tfrm_childwin* doc, TColor color, const QString& caption = QStringLiteral("Pencil"))
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
    // One letter a row: 'g' greyed (undone), 'n' normal; upper case for the selected row.
    QString RowStates() const
    {
        QString out;
        const auto ranges = history->lsv_History->selectedRanges();
        const int selected = ranges.isEmpty() ? -1 : ranges.first().topRow();
        for (int r = 0; r < history->lsv_History->rowCount(); ++r) {
            const bool grey = history->lsv_History->item(r, 0)->foreground().color() == QColor(0xC0, 0xC0, 0xC0);
            const QChar c = grey ? QLatin1Char('g') : QLatin1Char('n');
            out += r == selected ? c.toUpper() : c;
        }
        return out;
    }
    void ClickRow(int row)
    {
        const QRect r = history->lsv_History->visualItemRect(history->lsv_History->item(row, 0));
        QTest::mouseClick(history->lsv_History->viewport(), Qt::LeftButton, {}, r.center());
    }
    TColor FirstPixel(Tfrm_childwin* doc) const { return doc->CurrentImage()->Bitmap->Pixel(0, 0); }

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

    Tfrm_childwin* doc = Doc();
    EXPECT_FALSE(main->act_EditUndo->isEnabled());
    Edit(doc, 0x0000FF);
    EXPECT_EQ(Rows(), (QStringList{"New", "Pencil"}));
    EXPECT_TRUE(main->act_EditUndo->isEnabled());
    EXPECT_FALSE(main->act_EditRedo->isEnabled());
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("a.ico *"));

    doc->SetModified(false);
    main->act_EditUndo->trigger();
    EXPECT_EQ(FirstPixel(doc), 0xFFFFFFu);
    EXPECT_EQ(doc->CurrentImage()->Mask->Byte0(0, 0), 255);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(RowStates(), QStringLiteral("Ng"));
    EXPECT_FALSE(main->act_EditUndo->isEnabled());
    EXPECT_TRUE(main->act_EditRedo->isEnabled());
    // Undo with nothing to undo does nothing.
    main->act_EditUndo->trigger();
    EXPECT_EQ(history->Model().ListedTrack()->Current, 0);

    main->act_EditRedo->trigger();
    EXPECT_EQ(FirstPixel(doc), 0x0000FFu);
    EXPECT_EQ(RowStates(), QStringLiteral("nN"));
    // The canvas shows the restored pixel.
    const int z = doc->ZoomFactor();
    EXPECT_EQ(doc->Document().BackBuffer.Pixel(z / 2 + 1, z / 2 + 1), 0x0000FFu);
}

TEST_F(HistoryFormTest, ClickingARowJumpsThereAndAnEditCutsTheGreyedRows)
{
    Tfrm_childwin* doc = Doc();
    for (int i = 1; i <= 4; ++i) Edit(doc, MakeColor(i, 0, 0));
    ClickRow(0);
    EXPECT_EQ(history->Model().ListedTrack()->Current, 0);
    EXPECT_EQ(FirstPixel(doc), 0xFFFFFFu);
    EXPECT_EQ(RowStates(), QStringLiteral("Ngggg"));
    main->act_EditRedo->trigger();
    EXPECT_EQ(FirstPixel(doc), MakeColor(1, 0, 0));
    ClickRow(3);
    EXPECT_EQ(FirstPixel(doc), MakeColor(3, 0, 0));
    EXPECT_EQ(RowStates(), QStringLiteral("nnnNg"));

    Edit(doc, 0x000009, QStringLiteral("Eraser"));
    EXPECT_EQ(Rows(), (QStringList{"New", "Pencil", "Pencil", "Pencil", "Eraser"}));
    EXPECT_EQ(RowStates(), QStringLiteral("nnnnN"));
    EXPECT_FALSE(main->act_EditRedo->isEnabled());
}

TEST_F(HistoryFormTest, AFailedRestoreSaysSoAndKeepsTheStep)
{
    Tfrm_childwin* doc = Doc();
    Edit(doc, 0x00FF00);
    QFile::remove(history->Model().StepFile(doc->CurrentImage()->Id, 0));
    main->act_EditUndo->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Undo History"));
    EXPECT_EQ(FirstPixel(doc), 0x00FF00u);
    EXPECT_EQ(RowStates(), QStringLiteral("nN"));
    EXPECT_TRUE(main->act_EditUndo->isEnabled());
}

TEST_F(HistoryFormTest, EachFormatListsItsOwnTrack)
{
    Tfrm_childwin* doc = Doc({SolidFormat(16, 16, ctTrueAlpha), SolidFormat(32, 32, ctTrueAlpha)});
    Edit(doc, 0x000001);
    EXPECT_EQ(Rows(), (QStringList{"New", "Pencil"}));
    QTest::keyClick(doc, Qt::Key_Left);
    EXPECT_EQ(Rows(), (QStringList{"New"}));
    EXPECT_FALSE(main->act_EditUndo->isEnabled());

    // A step of a format whose track is not listed leaves the list alone.
    Tfrm_childwin* other = NewDocument(QStringLiteral("b.ico"), {SolidFormat(24, 24, ctTrueColor)});
    EXPECT_EQ(Rows(), (QStringList{"New"}));
    history->AddSnapshot(&doc->Images()[1], QStringLiteral("Flip Horizontal"));
    EXPECT_EQ(Rows(), (QStringList{"New"}));
    EXPECT_EQ(history->Model().ListedTrack()->Id, other->Images()[0].Id);

    // Back in the first document: its current format's track.
    Activate(doc);
    EXPECT_EQ(history->Model().ListedTrack()->Id, doc->Images()[0].Id);
    QTest::keyClick(doc, Qt::Key_Right);
    EXPECT_EQ(Rows(), (QStringList{"New", "Pencil", "Flip Horizontal"}));
}

TEST_F(HistoryFormTest, RecycleAndRestoreIntoTheActiveIcon)
{
    Tfrm_childwin* doc = Doc({SolidFormat(32, 32, ctTrueAlpha), SolidFormat(16, 16, ctColors16)});
    doc->CurrentImage()->Bitmap->SetPixel(2, 2, MakeColor(7, 0, 0));
    DocumentPeers().ConfirmDeleteFormat = [](QWidget*, const TIconImageRec&) { return true; };
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    ASSERT_EQ(history->lsv_Recycle->count(), 1);
    EXPECT_EQ(history->lsv_Recycle->item(0)->text(), QStringLiteral("16x16:4 "));
    EXPECT_EQ(history->Restore1->text(), QStringLiteral("Restore"));
    const QString recycleFile = history->Model().Recycle()[0].FileName;
    EXPECT_TRUE(QFileInfo::exists(recycleFile));

    // An icon with a 16 x 16 16-colour format refuses it.
    Tfrm_childwin* other = NewDocument(QStringLiteral("b.ico"), {SolidFormat(16, 16, ctColors16)});
    history->lsv_Recycle->setCurrentRow(0);
    history->Restore1->trigger();
    EXPECT_EQ(dialogs.Shown(), QStringList{"Restore image: The image format \"16x16 : 4 bits\" is alreay exists in this icon."});
    EXPECT_EQ(other->Images().Count(), 1);
    EXPECT_EQ(history->lsv_Recycle->count(), 1);

    // The first icon takes it back: current, with a track of its own, modified.
    Activate(doc);
    doc->SetModified(false);
    history->lsv_Recycle->setCurrentRow(0);
    history->Restore1->trigger();
    ASSERT_EQ(doc->Images().Count(), 2);
    EXPECT_EQ(doc->CurrentIndex(), 1);
    EXPECT_EQ(doc->Images()[1].ColorType, ctColors16);
    EXPECT_EQ(doc->Images()[1].Bitmap->Pixel(2, 2), MakeColor(7, 0, 0));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(Rows(), (QStringList{"New"}));
    EXPECT_EQ(history->lsv_Recycle->count(), 0);
    EXPECT_FALSE(QFileInfo::exists(recycleFile));
}

TEST_F(HistoryFormTest, ClosingTheLastDocumentDisablesUndoAndCtrlZDoesNothing)
{
    // A format deleted from the icon before it closes: its steps go with the icon too; the
    // deleted format itself stays in the recycle bin.
    Tfrm_childwin* doc = Doc({SolidFormat(16, 16, ctTrueAlpha), SolidFormat(32, 32, ctTrueColor)});
    Edit(doc, 0x000002);
    DocumentPeers().ConfirmDeleteFormat = [](QWidget*, const TIconImageRec&) { return true; };
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    ASSERT_EQ(doc->Images().Count(), 1);
    Edit(doc, 0x000001);
    EXPECT_TRUE(main->act_EditUndo->isEnabled());
    dialogs.Answer({TMsgResult::No});
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
    EXPECT_TRUE(QviFilesUnder(history->Model().HistoryDir()).isEmpty());
    EXPECT_EQ(QviFilesUnder(history->Model().RecycleDir()).size(), 1);
}

TEST_F(HistoryFormTest, NoSnapshotFileIsLeftAfterExit)
{
    Tfrm_childwin* doc = Doc({SolidFormat(16, 16, ctTrueAlpha), SolidFormat(32, 32, ctTrueColor)});
    Edit(doc, 0x000001);
    DocumentPeers().ConfirmDeleteFormat = [](QWidget*, const TIconImageRec&) { return true; };
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    EXPECT_FALSE(QviFilesUnder(appDir.Path()).isEmpty());
    doc->Document().Modified = 0;
    AppWindows::FreeAll();
    EXPECT_TRUE(QviFilesUnder(appDir.Path()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(appDir.FilePath(QStringLiteral("history"))));
    EXPECT_FALSE(QFileInfo::exists(appDir.FilePath(QStringLiteral("recycle"))));
}
