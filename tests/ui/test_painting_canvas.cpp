// Painting on a real document window: QTest mouse events on the canvas reach each tool through
// the painting controller, and the format's pixels, the canvas, the history steps, the caption
// and the colour window show the result. Screenshots of each tool's result go to the folder
// TAVRIN_SHOTS names, when it is set.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include "model/tool_ids.h"
#include "platform/rounding.h"
#include "model/tool_settings.h"
#include "model/tools/freehand_tool.h"
#include "model/tools/tool_options.h"
#include "platform/ui/spin_edit.h"
#include "support/bitmap_checks.h"
#include "support/scripted_dialogs.h"
#include "support/ui_helpers.h"
#include "workspace/color_panel.h"
#include "workspace/format_strip.h"
#include "workspace/history_form.h"
#include "workspace/paint_controller.h"
#include "workspace/tools_panel.h"
#include "workspace/peers.h"

namespace {

constexpr TColor Red = MakeColor(220, 20, 30);
constexpr TColor Blue = MakeColor(10, 40, 230);

class PaintingCanvasTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        controller = new TPaintController(main.get());
        settings = ToolSettings();
        ToolSettings().ToolId = tiNone;
        DocumentPeers().CurrentToolId = [] { return ToolSettings().ToolId; };
        doc = NewDocument(QStringLiteral("paint.ico"), {SolidFormat(32, 32, ctTrueColor, 0xFFFFFF, 0)});
        doc->SetModified(false);
        ColorPeers().SetColor(Red);
        ColorPeers().SetAlpha(255);
    }
    void TearDown() override
    {
        ToolSettings() = settings;
        MainWindowTest::TearDown();
    }

    void Choose(int tool)
    {
        ToolSettings().ToolId = tool;
        doc->ToolChanged();
    }
    QWidget* Canvas() { return doc->PaintBox1; }
    int Zoom() { return doc->ZoomFactor(); }
    QPoint At(int cx, int cy) { return QPoint(cx * Zoom() + Zoom() / 2, cy * Zoom() + Zoom() / 2); }
    void Click(int cx, int cy)
    {
        QTest::mouseMove(Canvas(), At(cx, cy));
        QTest::mousePress(Canvas(), Qt::LeftButton, {}, At(cx, cy));
        QTest::mouseRelease(Canvas(), Qt::LeftButton, {}, At(cx, cy));
    }
    void Drag(std::initializer_list<Point> cells)
    {
        const Point first = *cells.begin();
        QTest::mouseMove(Canvas(), At(first.X, first.Y));
        QTest::mousePress(Canvas(), Qt::LeftButton, {}, At(first.X, first.Y));
        Point last = first;
        for (const Point& c : cells) {
            QTest::mouseMove(Canvas(), At(c.X, c.Y));
            last = c;
        }
        QTest::mouseRelease(Canvas(), Qt::LeftButton, {}, At(last.X, last.Y));
    }
    // A move with no button held, sent to the canvas itself (the test's cursor may lie over
    // another top-level window).
    void Hover(QPoint p)
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(Canvas()->mapToGlobal(p)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(Canvas(), &e);
    }
    TIconImageRec& Format() { return *doc->CurrentImage(); }
    TColor PixelAt(int x, int y) { return Format().Bitmap->Pixel(x, y); }
    // The canvas as the screen shows it, at the centre of a cell.
    TColor Shown(int cx, int cy)
    {
        const QColor c = Canvas()->grab().toImage().pixelColor(At(cx, cy));
        return MakeColor(c.red(), c.green(), c.blue());
    }
    const THistoryTrack& Track()
    {
        const auto& tracks = static_cast<Tfrm_history*>(main->HistoryWindow.data())->Model().Tracks();
        for (const THistoryTrack& t : tracks)
            if (t.Id == Format().Id) return t;
        static THistoryTrack none;
        ADD_FAILURE() << "no track";
        return none;
    }
    QString LastStep() { return Track().Steps.empty() ? QString() : Track().Steps.back().Caption; }
    void Shot(const QString& name)
    {
        const QString dir = qEnvironmentVariable("TAVRIN_SHOTS");
        if (!dir.isEmpty()) doc->grab().save(QDir(dir).filePath(name));
    }

    TPaintController* controller = nullptr;
    TToolSettings settings;
    Tfrm_childwin* doc = nullptr;
};

} // namespace

TEST_F(PaintingCanvasTest, EveryToolPaintsThroughTheCanvasAndRecordsItsStep)
{
    ASSERT_GE(Zoom(), 4);
    EXPECT_EQ(ColorPeers().GetColor(), Red);

    Choose(tiPencil);
    Click(3, 3);
    EXPECT_EQ(PixelAt(3, 3), Red);
    EXPECT_EQ(PixelAt(4, 3), 0xFFFFFFu);
    EXPECT_EQ(Shown(3, 3), Red);
    EXPECT_EQ(LastStep(), QStringLiteral("Pencil"));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("paint.ico *"));
    Shot(QStringLiteral("pencil.png"));

    Choose(tiBrush);
    ToolSettings().BrushGradient = 255;
    Drag({{2, 10}, {6, 10}, {12, 10}});
    for (int x = 2; x <= 12; ++x) EXPECT_EQ(PixelAt(x, 10), Red) << x;
    EXPECT_EQ(PixelAt(7, 14), 0xFFFFFFu);
    EXPECT_EQ(LastStep(), QStringLiteral("Brush"));
    EXPECT_EQ(Shown(8, 10), Red);
    Shot(QStringLiteral("brush.png"));

    Choose(tiEraser);
    Click(3, 3);
    EXPECT_EQ(Format().Mask->Byte0(3, 3), 255);
    EXPECT_EQ(LastStep(), QStringLiteral("Eraser"));

    Choose(tiLine);
    ColorPeers().SetColor(Blue);
    Drag({{1, 20}, {5, 22}, {10, 25}});
    EXPECT_EQ(PixelAt(1, 20), Blue);
    EXPECT_EQ(PixelAt(10, 25), Blue);
    EXPECT_EQ(LastStep(), QStringLiteral("Line"));
    Shot(QStringLiteral("line.png"));

    Choose(tiRectangle);
    ToolSettings().Rect.Type = stOutline;
    ToolSettings().Rect.AntiAlias = false;
    // Solid fills: the pages' gradient boxes off, so no page refresh brings a gradient back.
    ToolSettings().Rect.Gradient = ToolSettings().Ellipse.Gradient = false;
    ToolSettings().GradientMode = gmSolid;
    Drag({{14, 2}, {18, 5}, {22, 8}});
    EXPECT_EQ(PixelAt(14, 2), Blue);
    EXPECT_EQ(PixelAt(18, 5), 0xFFFFFFu); // an outline only
    EXPECT_EQ(LastStep(), QStringLiteral("Rectangle"));

    Choose(tiEllipse);
    ToolSettings().Ellipse.Type = stFill;
    ToolSettings().Ellipse.AntiAlias = false;
    ToolSettings().Ellipse.FillColor = Red;
    Drag({{20, 14}, {25, 20}, {30, 26}});
    EXPECT_EQ(PixelAt(25, 20), Red);
    EXPECT_EQ(PixelAt(20, 14), 0xFFFFFFu); // the corner lies outside the ellipse
    EXPECT_EQ(LastStep(), QStringLiteral("Ellipse"));
    Shot(QStringLiteral("shapes.png"));

    Choose(tiBucket);
    ColorPeers().SetColor(MakeColor(0, 160, 0));
    ToolSettings().BucketTolerance = 0;
    Click(17, 4); // inside the rectangle's outline
    EXPECT_EQ(PixelAt(17, 4), MakeColor(0, 160, 0));
    EXPECT_EQ(PixelAt(20, 6), MakeColor(0, 160, 0));
    EXPECT_EQ(PixelAt(21, 7), Blue); // the outline bounds the fill
    EXPECT_EQ(PixelAt(12, 4), 0xFFFFFFu); // outside the outline
    EXPECT_EQ(LastStep(), QStringLiteral("Bucket"));
    Shot(QStringLiteral("bucket.png"));

    // The picker takes the colour under the mouse and records nothing.
    Choose(tiPicker);
    const int steps = Track().Count();
    Click(5, 10);
    EXPECT_EQ(ColorPeers().GetColor(), Red);
    EXPECT_EQ(Track().Count(), steps);
}

TEST_F(PaintingCanvasTest, TextFrameMovesWithTheMouseAndCommitsAsOneStep)
{
    ToolSettings().TextText = QStringLiteral("Ab");
    ToolSettings().TextFont.setPointSize(8);
    const int steps = Track().Count();
    Choose(tiText);
    TDocumentModel& d = doc->Document();
    ASSERT_EQ(d.LastTool, tiText);
    EXPECT_EQ(d.TextX, 16);
    EXPECT_GT(CountPixels(*Format().Bitmap, Red), 0);
    Shot(QStringLiteral("text_open.png"));

    // Drag the frame by its centre three cells left and two up.
    const TFramePoint c = controller->ToolsOf(*doc).TextFrame.HandlePoint(0);
    const QPoint centre(int(c.X), int(c.Y));
    QTest::mouseMove(Canvas(), centre);
    QTest::mousePress(Canvas(), Qt::LeftButton, {}, centre);
    QTest::mouseMove(Canvas(), centre + QPoint(-3 * Zoom(), -2 * Zoom()));
    QTest::mouseRelease(Canvas(), Qt::LeftButton, {}, centre + QPoint(-3 * Zoom(), -2 * Zoom()));
    EXPECT_EQ(d.TextX, RoundInt(c.X / Zoom() - 3));
    EXPECT_EQ(d.TextY, RoundInt(c.Y / Zoom() - 2));
    EXPECT_EQ(Track().Count(), steps); // no step while the frame is open
    Shot(QStringLiteral("text_moved.png"));

    // A new zoom lays the frame over the same image pixels.
    const int zoom = Zoom();
    doc->parentWidget()->resize(doc->parentWidget()->width() - 120, doc->parentWidget()->height() - 120);
    ASSERT_NE(Zoom(), zoom);
    const TFramePlacement placed = controller->ToolsOf(*doc).TextFrame.GetPlacement(Zoom());
    EXPECT_EQ(placed.CentreX, d.TextX);
    EXPECT_EQ(placed.CentreY, d.TextY);
    EXPECT_NEAR(controller->ToolsOf(*doc).TextFrame.HandlePoint(0).X, c.X / zoom * Zoom() - 3 * Zoom(), Zoom());

    // Another tool commits the text: one step "Text".
    const std::vector<uint8_t> rendered = PackedPixels(*Format().Bitmap);
    Choose(tiPencil);
    EXPECT_EQ(d.LastTool, tiPencil);
    EXPECT_EQ(Track().Count(), steps + 1);
    EXPECT_EQ(LastStep(), QStringLiteral("Text"));
    EXPECT_EQ(PackedPixels(*Format().Bitmap), rendered);
    EXPECT_TRUE(doc->IsModified());

    // Escape drops a new frame: the format is as it was.
    Choose(tiText);
    EXPECT_NE(PackedPixels(*Format().Bitmap), rendered);
    doc->setFocus();
    QTest::keyClick(doc, Qt::Key_Escape);
    EXPECT_EQ(PackedPixels(*Format().Bitmap), rendered);
    EXPECT_EQ(Track().Count(), steps + 1);
}

TEST_F(PaintingCanvasTest, ATextCommittedWithoutTouchingItsFrameReachesTheStripThumbnail)
{
    ToolSettings().TextText = QStringLiteral("Ab");
    Choose(tiText);
    EXPECT_EQ(CountPixels(doc->FormatStrip->Canvas(), Red), 0);
    Choose(tiPencil);
    EXPECT_EQ(LastStep(), QStringLiteral("Text"));
    EXPECT_GT(CountPixels(doc->FormatStrip->Canvas(), Red), 0);
}

TEST_F(PaintingCanvasTest, ClosingWithATextFrameOpenPlacesTheTextAndAsks)
{
    // The icon was untouched: only the open frame holds the person's text.
    ScriptedDialogs dialogs;
    ToolSettings().TextText = QStringLiteral("Ab");
    Choose(tiText);
    ASSERT_FALSE(doc->IsModified());
    const std::vector<uint8_t> typed = PackedPixels(*Format().Bitmap);

    dialogs.Answer({TMsgResult::Cancel});
    EXPECT_FALSE(doc->close());
    ASSERT_EQ(dialogs.Shown(),
              QStringList{QStringLiteral("Save Icon: The icon 'paint.ico' has been modified. Do you want to save it?")});
    // Cancel keeps the window with the text placed as one step, as another tool would place it.
    EXPECT_EQ(doc->Document().LastTool, tiNone);
    EXPECT_EQ(LastStep(), QStringLiteral("Text"));
    EXPECT_EQ(PackedPixels(*Format().Bitmap), typed);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(PaintingCanvasTest, DelDiscardsAnOpenTextFrameBeforeTheMenusShortcutSeesIt)
{
    // The shortcut map asks the focus widget first: a window that takes the override keeps the
    // key from the menu's Clear.
    const auto takesDel = [this] {
        QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Delete, Qt::NoModifier);
        override.ignore();
        QCoreApplication::sendEvent(doc, &override);
        return override.isAccepted();
    };
    const std::vector<uint8_t> before = PackedPixels(*Format().Bitmap);
    EXPECT_FALSE(takesDel());
    Choose(tiText);
    ASSERT_NE(PackedPixels(*Format().Bitmap), before);
    EXPECT_TRUE(takesDel());
    doc->setFocus();
    QTest::keyClick(doc, Qt::Key_Delete);
    EXPECT_EQ(doc->Document().LastTool, tiNone);
    EXPECT_EQ(PackedPixels(*Format().Bitmap), before);
    EXPECT_FALSE(takesDel());
}

TEST_F(PaintingCanvasTest, ASecondButtonDuringAStrokeNeitherEndsNorRestartsIt)
{
    Choose(tiPencil);
    const int steps = Track().Count();
    QTest::mouseMove(Canvas(), At(2, 2));
    QTest::mousePress(Canvas(), Qt::LeftButton, {}, At(2, 2));
    QTest::mouseMove(Canvas(), At(4, 2));
    QTest::mousePress(Canvas(), Qt::RightButton, Qt::NoModifier, At(4, 2));
    QTest::mouseRelease(Canvas(), Qt::RightButton, {}, At(4, 2));
    EXPECT_EQ(Track().Count(), steps); // still drawing
    QTest::mouseMove(Canvas(), At(8, 2));
    QTest::mouseRelease(Canvas(), Qt::LeftButton, {}, At(8, 2));
    EXPECT_EQ(Track().Count(), steps + 1);
    for (int x = 2; x <= 8; ++x) EXPECT_EQ(PixelAt(x, 2), Red) << x;

    // A press of another button paints, but only the left button drags.
    QTest::mouseMove(Canvas(), At(2, 6));
    QTest::mousePress(Canvas(), Qt::RightButton, {}, At(2, 6));
    QTest::mouseMove(Canvas(), At(6, 6));
    QTest::mouseRelease(Canvas(), Qt::RightButton, {}, At(6, 6));
    EXPECT_EQ(PixelAt(2, 6), Red);
    EXPECT_EQ(PixelAt(5, 6), 0xFFFFFFu);
    EXPECT_EQ(Track().Count(), steps + 2);
}

TEST_F(PaintingCanvasTest, TheBrushOutlineFollowsTheMouseWithoutAButton)
{
    Choose(tiBrush);
    ToolSettings().BrushSize = 2; // a tip of 5
    Hover(At(10, 10));
    const Rect first = doc->Document().OutlineRect;
    ASSERT_FALSE(first.IsEmpty());
    EXPECT_LE(first.Left, 8 * Zoom());
    EXPECT_GE(first.Right, 13 * Zoom());
    Hover(At(20, 12));
    const Rect second = doc->Document().OutlineRect;
    EXPECT_EQ(second.Left - first.Left, 10 * Zoom());
    // The outline is drawn over the canvas, the format stays white.
    const QImage shown = Canvas()->grab().toImage();
    int dark = 0;
    for (int y = second.Top; y < second.Bottom; ++y)
        for (int x = second.Left; x < second.Right; ++x) dark += qGray(shown.pixel(x, y)) < 128;
    EXPECT_GT(dark, 0);
    EXPECT_EQ(CountPixels(*Format().Bitmap, 0xFFFFFF), 32 * 32);
    Shot(QStringLiteral("outline.png"));
    // Another tool takes the outline away.
    Choose(tiPicker);
    EXPECT_TRUE(doc->Document().OutlineRect.IsEmpty());
}

TEST_F(PaintingCanvasTest, AnOutlineLeftOnADocumentGoesWhenAnotherIsActivated)
{
    Choose(tiBrush);
    ToolSettings().BrushSize = 2;
    Hover(At(10, 10));
    ASSERT_FALSE(doc->Document().OutlineRect.IsEmpty());
    const QImage before = Canvas()->grab().toImage();
    // Another icon comes to the front and the tool changes there; back on the first icon, its
    // canvas shows the format alone, as it does once the outline is erased.
    Tfrm_childwin* other = NewDocument(QStringLiteral("other.ico"), {SolidFormat(32, 32, ctTrueColor, 0xFFFFFF, 0)});
    ASSERT_EQ(main->ActiveDocument(), other);
    ToolSettings().ToolId = tiRectangle;
    other->ToolChanged();
    Activate(doc);
    ASSERT_EQ(main->ActiveDocument(), doc);
    EXPECT_TRUE(doc->Document().OutlineRect.IsEmpty());
    const QImage after = Canvas()->grab().toImage();
    EXPECT_FALSE(after == before);
    int dark = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) dark += qGray(after.pixel(x, y)) < 128;
    EXPECT_EQ(dark, 0);
}

TEST_F(PaintingCanvasTest, AFinishedBrushStrokeEqualsTheStrokeRedrawnWhole)
{
    Choose(tiBrush);
    ToolSettings().BrushSize = 4; // a tip of 9
    ToolSettings().BrushGradient = 30;
    Drag({{3, 3}, {9, 5}, {15, 4}, {20, 12}, {12, 20}, {5, 28}, {27, 27}, {28, 2}});
    EXPECT_EQ(LastStep(), QStringLiteral("Brush"));

    // The same stroke drawn at once from the blank format.
    TDocumentModel whole;
    whole.Images.Add(SolidFormat(32, 32, ctTrueColor, 0xFFFFFF, 0));
    whole.CurrentIndex = 0;
    whole.TakeBackups();
    whole.StrokePoints = {{3, 3}, {9, 5}, {15, 4}, {20, 12}, {12, 20}, {5, 28}, {27, 27}, {28, 2}};
    TToolSession session;
    RedrawStroke(session, whole,
                 FreehandParams(fkBrush, PaintOptionsOf(ToolSettings()), TToolColors{Red, ColorPeers().GetAlphaColor()}));
    EXPECT_EQ(PackedPixels(*Format().Bitmap), PackedPixels(*whole.CurrentImage()->Bitmap));
    EXPECT_EQ(PackedPixels(*Format().Mask), PackedPixels(*whole.CurrentImage()->Mask));
    EXPECT_GT(CountPixels(*Format().Bitmap, Red), 50); // the core of the stroke
}

TEST_F(PaintingCanvasTest, TheToolsWindowChoosesTheTextToolAndMirrorsItsFrame)
{
    Tfrm_tools_panel* tools = frm_tools_panel;
    ASSERT_NE(tools, nullptr);
    ToolSettings().TextText = QStringLiteral("Hi");
    // The text button reaches the document through the main window's tool change.
    QTest::mouseClick(tools->btn_Text, Qt::LeftButton);
    ASSERT_EQ(ToolSettings().ToolId, tiText);
    TDocumentModel& d = doc->Document();
    ASSERT_EQ(d.LastTool, tiText);
    EXPECT_GT(CountPixels(*Format().Bitmap, Red), 0);
    EXPECT_EQ(tools->spn_TextX->Text(), QString::number(d.TextX));
    EXPECT_EQ(tools->spn_TextW->Text(), QString::number(d.TextW));

    // The frame dragged on the canvas: the fields follow.
    const TFramePoint c = controller->ToolsOf(*doc).TextFrame.HandlePoint(0);
    const QPoint centre(int(c.X), int(c.Y));
    QTest::mousePress(Canvas(), Qt::LeftButton, {}, centre);
    QTest::mouseMove(Canvas(), centre + QPoint(0, 4 * Zoom()));
    QTest::mouseRelease(Canvas(), Qt::LeftButton, {}, centre + QPoint(0, 4 * Zoom()));
    EXPECT_EQ(tools->spn_TextY->Text(), QString::number(d.TextY));

    // A field typed in the tools window moves the frame and the text.
    const std::vector<uint8_t> before = PackedPixels(*Format().Bitmap);
    tools->spn_TextX->SetText(QStringLiteral("8"));
    EXPECT_EQ(d.TextX, 8);
    EXPECT_EQ(controller->ToolsOf(*doc).TextFrame.GetPlacement(Zoom()).CentreX, 8);
    EXPECT_NE(PackedPixels(*Format().Bitmap), before);

    // The cell readout follows the mouse.
    Hover(At(7, 9));
    EXPECT_EQ(tools->pan_XY->text(), QStringLiteral("X: 7               Y: 9"));
    Shot(QStringLiteral("text_from_tools_window.png"));
}

TEST_F(PaintingCanvasTest, HoverReadoutsOfPickerAndBucketReachTheToolsWindowAndLeaveTheFormat)
{
    Tfrm_tools_panel* tools = frm_tools_panel;
    ASSERT_NE(tools, nullptr);
    Choose(tiPencil);
    Click(6, 6);
    Format().Mask->SetPixel(6, 6, MakeColor(55, 55, 55)); // alpha 200
    const std::vector<uint8_t> pixels = PackedPixels(*Format().Bitmap);
    const int steps = Track().Count();

    Choose(tiPicker);
    // The pencil's click left the mouse on this cell, and tools see only moves that change the
    // cell: come from the next one.
    Hover(At(7, 6));
    Hover(At(6, 6));
    EXPECT_EQ(tools->lbl_dropperR->text(), QStringLiteral("R:220"));
    EXPECT_EQ(tools->lbl_dropperG->text(), QStringLiteral("G:20"));
    EXPECT_EQ(tools->lbl_dropperA->text(), QStringLiteral("A:200"));
    // Off the pixels (the canvas's extra row) nothing is read.
    Hover(QPoint(Zoom(), 32 * Zoom()));
    EXPECT_EQ(tools->lbl_dropperR->text(), QStringLiteral("R:220"));

    Choose(tiBucket);
    const qint64 before = tools->img_bucket->pixmap().cacheKey();
    Hover(At(20, 20));
    EXPECT_NE(tools->img_bucket->pixmap().cacheKey(), before);
    EXPECT_EQ(PackedPixels(*Format().Bitmap), pixels);
    EXPECT_EQ(Track().Count(), steps);
}
