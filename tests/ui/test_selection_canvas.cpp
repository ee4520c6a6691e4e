// Selecting on a real document window: the rectangle and the lasso dragged with the mouse, the
// dotted outline on the canvas (only while a selection tool is current), the readouts sent to the
// tools window, and the Edit commands of the main window on the selection.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include "iconfiles/qv_clipboard.h"
#include "model/selection.h"
#include "support/bitmap_checks.h"
#include "support/ui_helpers.h"

namespace {

class SelectionCanvasTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        previousSnapshot_ = FramePeers().AddSnapshot;
        previousTools_ = ToolsPeers();
        FramePeers().AddSnapshot = [this](TIconImageRec*, const QString& caption) { snapshots << caption; };
        DocumentPeers().CurrentToolId = [this] { return tool; };
        ToolsPeers().ShowRectSelection = [this](const Rect& b, const Bitmap24* c, const Bitmap24*) {
            readouts << QStringLiteral("rect %1,%2,%3,%4 %5").arg(b.Left).arg(b.Top).arg(b.Width()).arg(b.Height()).arg(c ? "shown" : "cleared");
        };
        ToolsPeers().ShowFreeSelection = [this](const Rect& b, const Bitmap24* c, const Bitmap24*) {
            readouts << QStringLiteral("free %1,%2,%3,%4 %5").arg(b.Left).arg(b.Top).arg(b.Width()).arg(b.Height()).arg(c ? "shown" : "cleared");
        };
    }
    void TearDown() override
    {
        FramePeers().AddSnapshot = previousSnapshot_;
        ToolsPeers() = previousTools_;
        MainWindowTest::TearDown();
    }

    // A document with one black, opaque 16 x 16 format, shown at its zoom.
    Tfrm_childwin* BlackDocument()
    {
        Tfrm_childwin* doc = NewDocument(QStringLiteral("sel.ico"), {SolidFormat(16, 16, ctTrueAlpha, 0, 0)});
        QCoreApplication::processEvents();
        snapshots.clear(); // the format's first step, "New"
        return doc;
    }
    void DragOn(Tfrm_childwin* doc, std::initializer_list<QPoint> points)
    {
        // (A null point would make QTest use the widget's centre.)
        QWidget* canvas = doc->PaintBox1;
        const QPoint* p = points.begin();
        QTest::mousePress(canvas, Qt::LeftButton, {}, *p);
        for (++p; p != points.end(); ++p) QTest::mouseMove(canvas, *p);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, *(points.end() - 1));
        QCoreApplication::processEvents();
    }
    // White canvas pixels along a row of the grabbed canvas between x0 and x1.
    static int WhiteRun(const QImage& shot, int y, int x0, int x1)
    {
        int n = 0;
        for (int x = x0; x <= x1; ++x) n += shot.pixel(x, y) == qRgb(255, 255, 255);
        return n;
    }

    int tool = tiRectSelect;
    QStringList snapshots;
    QStringList readouts;

private:
    std::function<void(TIconImageRec*, const QString&)> previousSnapshot_;
    TToolsPeers previousTools_;
};

} // namespace

TEST_F(SelectionCanvasTest, RectangleDragShowsTheDottedOutlineOnlyWhileASelectionToolIsCurrent)
{
    Tfrm_childwin* doc = BlackDocument();
    const int z = doc->ZoomFactor();
    ASSERT_GE(z, 4);
    DragOn(doc, {QPoint(2 * z + 1, 3 * z), QPoint(6 * z, 6 * z), QPoint(10 * z - 1, 9 * z + 1)});
    ASSERT_TRUE(doc->HasSelection());
    EXPECT_EQ(SelectionBounds(doc->Document()), MakeRect(2, 3, 10, 9));
    EXPECT_EQ(readouts, QStringList{"rect 2,3,8,6 shown"});
    EXPECT_TRUE(snapshots.isEmpty()); // selecting is no edit

    // Every other pixel of the outline is white on the black format, the gaps keep the grid
    // line's grey, and nothing inside is touched.
    QImage shot = doc->PaintBox1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int top = 3 * z, left = 2 * z, right = 10 * z;
    EXPECT_EQ(WhiteRun(shot, top, left, right), (right - left) / 2 + 1);
    EXPECT_EQ(shot.pixel(left + 1, top), qRgb(200, 200, 200));
    EXPECT_EQ(WhiteRun(shot, 5 * z + 1, left + 1, right - 1), 0);

    // Another tool: the outline goes, the selection stays.
    tool = tiPencil;
    doc->ToolChanged();
    QCoreApplication::processEvents();
    shot = doc->PaintBox1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(WhiteRun(shot, top, left, right), 0);
    EXPECT_TRUE(doc->HasSelection());
    tool = tiLasso;
    doc->ToolChanged();
    shot = doc->PaintBox1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(WhiteRun(shot, top, left, right), (right - left) / 2 + 1);
}

TEST_F(SelectionCanvasTest, EditCommandsCopyCutClearAndSelectThroughTheMainWindow)
{
    Tfrm_childwin* doc = BlackDocument();
    const int z = doc->ZoomFactor();
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_EditCopy->isEnabled());
    EXPECT_TRUE(main->act_SelectAll->isEnabled());
    EXPECT_TRUE(main->act_SelectNone->isEnabled());

    // Select All with the lasso current shows the whole format in the lasso's readout.
    tool = tiLasso;
    main->act_SelectAll->trigger();
    EXPECT_EQ(SelectionBounds(doc->Document()), MakeRect(0, 0, 16, 16));
    EXPECT_EQ(readouts.last(), QStringLiteral("free 0,0,16,16 shown"));
    main->UpdateEditCommands();
    ASSERT_TRUE(main->act_EditCopy->isEnabled());
    main->act_EditCopy->trigger();
    EXPECT_TRUE(TQVClipboard::HasPicture());
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(16, 16));
    EXPECT_TRUE(snapshots.isEmpty());
    EXPECT_FALSE(doc->IsModified());

    // Select None clears the readout; the commands go off with the selection.
    main->act_SelectNone->trigger();
    EXPECT_FALSE(doc->HasSelection());
    EXPECT_EQ(readouts.last(), QStringLiteral("free 0,0,0,0 cleared"));
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_EditCut->isEnabled());

    // A lasso triangle, then Cut: one step "Cut", the pixels inside transparent, the rest kept.
    DragOn(doc, {QPoint(1, 1), QPoint(8 * z, 1), QPoint(8 * z, 8 * z)});
    ASSERT_TRUE(doc->HasSelection());
    main->UpdateEditCommands();
    main->act_EditCut->trigger();
    EXPECT_EQ(snapshots, QStringList{"Cut"});
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FALSE(doc->HasSelection());
    const TIconImageRec& f = *doc->CurrentImage();
    EXPECT_EQ(f.Mask->Byte0(6, 1), 255);
    EXPECT_EQ(f.Mask->Byte0(1, 6), 0);
    EXPECT_EQ(f.Mask->Byte0(12, 3), 0);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(8, 8));

    // Clear with the rectangle: "Clear Selected Area".
    tool = tiRectSelect;
    DragOn(doc, {QPoint(12 * z, 12 * z), QPoint(14 * z, 14 * z)});
    main->UpdateEditCommands();
    main->act_EditClear->trigger();
    EXPECT_EQ(snapshots, (QStringList{"Cut", "Clear Selected Area"}));
    EXPECT_TRUE(AreaIs(*f.Mask, MakeRect(12, 12, 14, 14), 0xFFFFFF));
    EXPECT_EQ(f.Mask->Byte0(14, 14), 0);

    // While text is edited Select All and Select None are off, and Delete no longer clears.
    main->SetTextEditing(true);
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_SelectAll->isEnabled());
    EXPECT_FALSE(main->act_SelectNone->isEnabled());
    EXPECT_TRUE(main->act_EditClear->shortcut().isEmpty());
    main->SetTextEditing(false);
    EXPECT_EQ(main->act_EditClear->shortcut(), QKeySequence(Qt::Key_Delete));
}
