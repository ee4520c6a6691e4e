// The document window driven as a person would: formats, strip, canvas, grid, swatches, adding
// and deleting formats, caption, saving and closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>

#include "iconfiles/file_access.h"
#include "imaging/imaging_state.h"
#include "support/ui_helpers.h"
#include "workspace/format_strip.h"
#include "workspace/history_form.h"
#include "workspace/swatch_bar.h"

namespace {

class ChildwinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DocumentPeers() = TDocumentPeers{};
        doc = new Tfrm_childwin;
        doc->resize(Tfrm_childwin::DesignWidth, Tfrm_childwin::DesignHeight);
        doc->show();
    }
    void TearDown() override
    {
        if (doc) {
            doc->Document().Modified = 0;
            delete doc;
        }
        DocumentPeers() = TDocumentPeers{};
    }
    // The strip picture's x of a format cell's middle.
    static int CellX(int index) { return index * TFormatStrip::CellWidth + 40; }
    void ClickStrip(int index)
    {
        // The picture's own coordinates are strip coordinates, whatever its scroll position.
        QTest::mouseClick(doc->FormatStrip->StripImage(), Qt::LeftButton, {}, QPoint(CellX(index), 40));
    }
    // Runs the strip's timer until it stops gliding or scrolling.
    void RunStrip(int mode = TFormatStrip::Idle)
    {
        if (mode != TFormatStrip::Idle) doc->FormatStrip->StartScroll(TFormatStrip::Mode(mode));
        for (int i = 0; i < 2000 && doc->FormatStrip->StripMode() != TFormatStrip::Idle; ++i) doc->FormatStrip->TimerTick();
    }
    // Marks the icon modified as an edit would, with a name and an unwritable folder.
    void ModifiedInMissingFolder()
    {
        doc->Document().Folder = appDir.FilePath(QStringLiteral("missing")) + QLatin1Char('/');
        doc->Document().FileName = QStringLiteral("x.ico");
        doc->AddImageFormat(SolidFormat(16, 16, ctTrueAlpha));
        doc->SetModified(true);
    }

    ScopedAppDir appDir;
    ImagingState imaging;
    ScriptedDialogs dialogs;
    Tfrm_history history;
    Tfrm_childwin* doc = nullptr;
};

} // namespace

TEST_F(ChildwinTest, CanvasFitsTheWindowAndATooSmallWindowSaysSo)
{
    doc->AddImageFormat(SolidFormat(16, 16, ctTrueAlpha));
    // The fit is the one for the canvas area's size (its rules are the model's test).
    const QSize free = doc->CanvasArea->size();
    const TCanvasFit fit = TDocumentModel::ComputeFit(free.width(), free.height(), 16, 16);
    const int zoom = fit.Zoom;
    EXPECT_EQ(doc->ZoomFactor(), zoom);
    EXPECT_EQ(doc->PaintBox1->geometry(), QRect(fit.Left, fit.Top, fit.Width, fit.Height));
    EXPECT_TRUE(dialogs.Messages.isEmpty());
    // The canvas follows the window's size.
    doc->resize(900, 900);
    EXPECT_GT(doc->ZoomFactor(), zoom);
    EXPECT_EQ(doc->PaintBox1->width(), 16 * doc->ZoomFactor() + 1);

    // Too small for a 256 x 256 format: it says so and draws at zoom 1, never less.
    doc->resize(300, 400);
    doc->AddImageFormat(SolidFormat(256, 256, ctTrueAlpha, 0x00FF00, 0));
    ASSERT_FALSE(dialogs.Messages.isEmpty());
    EXPECT_EQ(dialogs.Shown().first(), QStringLiteral("Error: The window is too small, make it bigger."));
    EXPECT_EQ(doc->ZoomFactor(), 1);
    EXPECT_EQ(doc->PaintBox1->size(), QSize(257, 257));
    EXPECT_EQ(doc->PaintBox1->grab().toImage().pixelColor(100, 100), QColor(0, 255, 0));
}

TEST_F(ChildwinTest, GridToggleNeedsThreePixelsPerCell)
{
    doc->resize(Tfrm_childwin::MinWidth, Tfrm_childwin::MinHeight);
    doc->AddImageFormat(SolidFormat(128, 128, ctTrueAlpha, 0x0000FF, 0));
    ASSERT_EQ(doc->ZoomFactor(), 2);
    dialogs.Messages.clear();
    QTest::mouseClick(doc->btn_ShowGrid, Qt::LeftButton);
    EXPECT_EQ(dialogs.Shown(), QStringList{"Show Grid: Grid size less than 3 pixels, can not show grid."});
    EXPECT_EQ(doc->Document().ShowGrid, 1);

    doc->resize(Tfrm_childwin::DesignWidth, Tfrm_childwin::DesignHeight + 300);
    doc->AddImageFormat(SolidFormat(16, 16, ctTrueAlpha, 0x0000FF, 0));
    ASSERT_GE(doc->ZoomFactor(), 3);
    EXPECT_EQ(doc->Document().BackBuffer.Pixel(0, 5), GridColor);
    QTest::mouseClick(doc->btn_ShowGrid, Qt::LeftButton);
    EXPECT_EQ(doc->Document().ShowGrid, 0);
    EXPECT_EQ(doc->Document().BackBuffer.Pixel(0, 5), 0x0000FFu);
    EXPECT_EQ(doc->PaintBox1->grab().toImage().pixelColor(0, 5), QColor(255, 0, 0));
}

TEST_F(ChildwinTest, StripPressSelectsAndGlides)
{
    for (int i = 0; i < 3; ++i) doc->AddImageFormat(SolidFormat(16 + 8 * i, 16 + 8 * i, ctTrueAlpha));
    RunStrip();
    ClickStrip(0);
    EXPECT_EQ(doc->CurrentIndex(), 0);
    EXPECT_EQ(history.Model().ListedTrack()->Id, doc->Images()[0].Id);
    // Three cells fit the panel: the strip stays at its start.
    EXPECT_EQ(doc->FormatStrip->StripMode(), TFormatStrip::Gliding);
    EXPECT_EQ(doc->FormatStrip->StripTarget(), 0);
    RunStrip();

    // A press beyond the last cell, and one on the current cell, change nothing and do not scroll.
    ClickStrip(7);
    ClickStrip(0);
    EXPECT_EQ(doc->CurrentIndex(), 0);
    EXPECT_EQ(doc->FormatStrip->StripMode(), TFormatStrip::Idle);

    // Keys walk the formats.
    QTest::keyClick(doc, Qt::Key_Right);
    EXPECT_EQ(doc->CurrentIndex(), 1);
    QTest::keyClick(doc, Qt::Key_Left);
    QTest::keyClick(doc, Qt::Key_Left);
    EXPECT_EQ(doc->CurrentIndex(), 0);

    // A glide brings the current cell to the middle of the panel, within the strip's ends.
    EXPECT_EQ(TFormatStrip::GlideTarget(2, 3, 394), 0);
    EXPECT_EQ(TFormatStrip::GlideTarget(19, 20, 394), 394 - 1600);
    EXPECT_EQ(TFormatStrip::GlideTarget(10, 20, 394), 197 - 800);
    EXPECT_EQ(TFormatStrip::GlideTarget(0, 20, 394), 0);
}

TEST_F(ChildwinTest, EveryOfManyFormatsCanBeReachedAndPicked)
{
    // More cells than a 4000-pixel picture holds.
    constexpr int count = 52;
    for (int i = 0; i < count - 1; ++i) doc->Document().AppendFormat(SolidFormat(1 + i, 1 + i, ctTrueColor));
    doc->AddImageFormat(SolidFormat(count, count, ctTrueColor));
    RunStrip();
    const int panel = doc->FormatStrip->PanelWidth();
    // The last added is current: the strip's right end meets the panel's right edge.
    EXPECT_EQ(doc->FormatStrip->StripLeft(), panel - count * TFormatStrip::CellWidth);
    EXPECT_GE(doc->FormatStrip->StripImage()->width(), count * TFormatStrip::CellWidth);
    // The last cell is drawn: its frame is red.
    EXPECT_EQ(doc->FormatStrip->Canvas().Pixel((count - 1) * TFormatStrip::CellWidth + 6, 40), 0x0000FFu);
    ClickStrip(count - 2);
    EXPECT_EQ(doc->CurrentIndex(), count - 2);

    // Holding the left arrow scrolls back to the first cell, and no further.
    RunStrip(TFormatStrip::ScrollingLeft);
    EXPECT_EQ(doc->FormatStrip->StripLeft(), 0);
    RunStrip(TFormatStrip::ScrollingRight);
    EXPECT_EQ(doc->FormatStrip->StripLeft(), panel - count * TFormatStrip::CellWidth);
}

// Where a strip cell lies on the screen.
static QRect CellOnScreen(const TFormatStrip& strip, int index)
{
    return QRect(strip.StripImage()->mapToGlobal(QPoint(index * TFormatStrip::CellWidth, 0)),
                 QSize(TFormatStrip::CellWidth, TFormatStrip::ImageHeight));
}

static QRect PanelOnScreen(const TFormatStrip& strip)
{
    const QWidget* clip = strip.StripImage()->parentWidget();
    return QRect(clip->mapToGlobal(QPoint(0, 0)), clip->size());
}

TEST_F(ChildwinTest, TheCurrentCellStaysInViewAfterDeletingAddingAndResizing)
{
    doc->move(0, 0);
    doc->resize(1000, 700);
    // The tools window lies over the strip's left arrow and first two cells, as it does over a
    // maximized document.
    QWidget tools(nullptr, Qt::Tool);
    const QRect panel = PanelOnScreen(*doc->FormatStrip);
    tools.setGeometry(0, 0, panel.left() + 150, 500);
    tools.show();
    QApplication::processEvents();
    auto inView = [&](int index) {
        const QRect cell = CellOnScreen(*doc->FormatStrip, index);
        return PanelOnScreen(*doc->FormatStrip).contains(cell) &&
               !(tools.isVisible() && cell.intersects(tools.frameGeometry()));
    };

    TIconImageArray formats;
    for (int size : {16, 48, 256}) formats.Add(SolidFormat(size, size, ctTrueAlpha));
    doc->AddImageFormats(formats);
    RunStrip();
    EXPECT_TRUE(inView(2));
    // Deleting the current 256 x 256 makes the 16 x 16 current; its cell comes out from under the
    // tools window.
    DocumentPeers().ConfirmDeleteFormat = [](QWidget*, const TIconImageRec&) { return true; };
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    ASSERT_EQ(doc->CurrentIndex(), 0);
    RunStrip();
    EXPECT_TRUE(inView(0));

    // An added format shows too, however many there are.
    TIconImageRec wanted;
    DocumentPeers().AddFormatDialog = [&](QWidget*, TIconImageArray&, int) -> const TIconImageRec* { return &wanted; };
    for (int i = 0; i < 14; ++i) {
        wanted = SolidFormat(20 + i, 20 + i, ctTrueColor);
        QTest::mouseClick(doc->btn_AddImage, Qt::LeftButton);
    }
    RunStrip();
    ASSERT_EQ(doc->CurrentIndex(), 15);
    EXPECT_TRUE(inView(15));

    // Narrowing the window (a maximized document restored) keeps the last cell in view, and once
    // the tools window is gone the strip no longer leaves room for it.
    doc->resize(600, 700);
    EXPECT_TRUE(inView(15));
    tools.hide();
    ClickStrip(0);
    RunStrip();
    EXPECT_EQ(doc->FormatStrip->StripLeft(), 0);
    doc->resize(500, 700);
    EXPECT_TRUE(inView(0));
    EXPECT_EQ(doc->FormatStrip->StripLeft(), 0);
}

TEST_F(ChildwinTest, ASwatchRedrawsTheStripOnItsNewBackground)
{
    doc->AddImageFormat(SolidFormat(16, 16, ctTrueAlpha));
    // Inside the cell's frame, outside its thumbnail box.
    EXPECT_EQ(doc->FormatStrip->Canvas().Pixel(10, 40), 0xFFFFFFu);
    QTest::mouseClick(doc->Image1, Qt::LeftButton, {}, QPoint(6 * 16 + 1, 5));
    EXPECT_EQ(imaging.BackgroundColor, 0xA56E3Au);
    EXPECT_EQ(doc->FormatStrip->Canvas().Pixel(10, 40), 0xA56E3Au);
}

TEST_F(ChildwinTest, AddingAnExistingFormatOffersToSwitchInstead)
{
    doc->AddImageFormat(SolidFormat(32, 32, ctColors256));
    doc->AddImageFormat(SolidFormat(16, 16, ctTrueAlpha));
    TIconImageRec wanted = SolidFormat(32, 32, ctColors256);
    int shownWith = -1;
    DocumentPeers().AddFormatDialog = [&](QWidget*, TIconImageArray& formats, int current) -> const TIconImageRec* {
        EXPECT_EQ(&formats, &doc->Images());
        shownWith = current;
        return &wanted;
    };
    dialogs.Answer({TMsgResult::Cancel});
    QTest::mouseClick(doc->btn_AddImage, Qt::LeftButton);
    EXPECT_EQ(shownWith, 1);
    EXPECT_EQ(dialogs.Shown(), QStringList{"Add a new image format: The image format \"32x32 : 8bits\" is alreay exists "
                                           "in this icon. Switch to this format?"});
    EXPECT_EQ(dialogs.Messages[0].Buttons, TMsgButtons::OkCancel);
    EXPECT_EQ(doc->Images().Count(), 2);
    EXPECT_EQ(doc->CurrentIndex(), 1);

    dialogs.Answer({TMsgResult::Ok});
    QTest::mouseClick(doc->btn_AddImage, Qt::LeftButton);
    EXPECT_EQ(doc->Images().Count(), 2);
    EXPECT_EQ(doc->CurrentIndex(), 0);
    EXPECT_FALSE(doc->IsModified());

    // A new size is added, made current and marks the icon modified.
    doc->Document().FileName = QStringLiteral("a.ico");
    wanted = SolidFormat(24, 24, ctColors16, MakeColor(3, 0, 0), 0);
    QTest::mouseClick(doc->btn_AddImage, Qt::LeftButton);
    ASSERT_EQ(doc->Images().Count(), 3);
    EXPECT_EQ(doc->CurrentIndex(), 2);
    EXPECT_EQ(doc->Images()[2].Bitmap->Pixel(5, 5), MakeColor(3, 0, 0));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("a.ico *"));
}

TEST_F(ChildwinTest, DeletingFormats)
{
    doc->AddImageFormat(SolidFormat(16, 16, ctColors16));
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    EXPECT_EQ(dialogs.Shown(), QStringList{"Error: At least one icon image should be reserved."});
    EXPECT_EQ(doc->Images().Count(), 1);

    doc->AddImageFormat(SolidFormat(24, 24, ctTrueColor));
    doc->AddImageFormat(SolidFormat(32, 32, ctTrueAlpha));
    const TIconImageRec* first = &doc->Images()[0];
    const TIconImageRec* second = &doc->Images()[1];
    // The question is asked about the current format (its answers are the delete dialog's test).
    const TIconImageRec* asked = nullptr;
    DocumentPeers().ConfirmDeleteFormat = [&](QWidget*, const TIconImageRec& f) {
        asked = &f;
        return true;
    };
    // Deleting the current last format makes the first current; the others stay where they are.
    const TIconImageRec* current = doc->CurrentImage();
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    EXPECT_EQ(asked, current);
    ASSERT_EQ(doc->Images().Count(), 2);
    EXPECT_EQ(doc->CurrentIndex(), 0);
    EXPECT_EQ(&doc->Images()[0], first);
    EXPECT_EQ(&doc->Images()[1], second);
    EXPECT_TRUE(doc->IsModified());
    ASSERT_EQ(history.Model().Recycle().size(), 1u);
    EXPECT_EQ(history.Model().Recycle()[0].Caption(), QStringLiteral("32x32:32"));
    EXPECT_EQ(history.Model().ListedTrack()->Id, first->Id);

    // Deleting the first makes the next one first and current.
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    ASSERT_EQ(doc->Images().Count(), 1);
    EXPECT_EQ(&doc->Images()[0], second);
    EXPECT_EQ(doc->CurrentIndex(), 0);
    EXPECT_EQ(history.Model().ListedTrack()->Id, second->Id);
}

TEST_F(ChildwinTest, SaveWritesTheIconAndClearsTheMark)
{
    doc->Document().FileName = QStringLiteral("Icon1");
    doc->AddImageFormat(SolidFormat(16, 16, ctTrueAlpha, 0x0000FF, 0));
    doc->AddImageFormat(SolidFormat(32, 32, ctColors16));
    doc->SetModified(true);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Icon1 *"));

    // Never saved: the dialog asks for a name; Cancel saves nothing.
    EXPECT_FALSE(doc->Save());
    ASSERT_EQ(dialogs.FileRequests.size(), 1);
    EXPECT_EQ(dialogs.FileRequests[0].FileName, QStringLiteral("Icon1"));
    EXPECT_EQ(dialogs.FileRequests[0].DefaultExt, QStringLiteral("ico"));
    EXPECT_TRUE(doc->IsModified());

    const QString target = appDir.FilePath(QStringLiteral("saved.ico"));
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({target}));
    ASSERT_TRUE(doc->Save());
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("saved.ico"));
    EXPECT_EQ(doc->FilePath(), QFileInfo(target).absoluteFilePath());
    TIconImageArray read;
    TIconFileAccess access;
    ASSERT_EQ(access.LoadIconFile(target, read), 0);
    ASSERT_EQ(read.Count(), 2);
    EXPECT_EQ(read[0].Bitmap->Pixel(3, 3), 0x0000FFu);
    EXPECT_EQ(read[1].ColorType, ctColors16);

    // Saved before: written in place, no dialog.
    doc->SetModified(true);
    ASSERT_TRUE(doc->Save());
    EXPECT_EQ(dialogs.FileRequests.size(), 2);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(ChildwinTest, ClosingAModifiedIconAsksAndAFailedSaveKeepsTheWindow)
{
    ModifiedInMissingFolder();
    dialogs.Answer({TMsgResult::Cancel});
    EXPECT_FALSE(doc->close());
    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(dialogs.Shown()[0], QStringLiteral("Save Icon: The icon 'x.ico' has been modified. Do you want to save it?"));
    EXPECT_EQ(dialogs.Messages[0].Buttons, TMsgButtons::YesNoCancel);

    // Yes, but the save fails: it says why and the window stays, still modified.
    dialogs.Answer({TMsgResult::Yes});
    EXPECT_FALSE(doc->close());
    ASSERT_EQ(dialogs.Messages.size(), 3);
    EXPECT_EQ(dialogs.Messages[2].Caption, QStringLiteral("Save File"));
    EXPECT_FALSE(dialogs.Messages[2].Text.isEmpty());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("x.ico *"));

    // Yes with a good folder saves and closes.
    QDir().mkpath(appDir.FilePath(QStringLiteral("missing")));
    dialogs.Answer({TMsgResult::Yes});
    QPointer<Tfrm_childwin> guard(doc);
    EXPECT_TRUE(doc->close());
    EXPECT_TRUE(QFileInfo::exists(appDir.FilePath(QStringLiteral("missing/x.ico"))));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    doc = nullptr;
    // Its format's track went with it.
    EXPECT_EQ(history.Model().Tracks().size(), 0u);
}

class StripInFrameTest : public MainWindowTest {};

TEST_F(StripInFrameTest, AMaximizedOrNewlyActiveDocumentShowsItsCurrentCellBesideTheToolsWindow)
{
    main->setGeometry(40, 40, 1200, 800);
    QApplication::processEvents();
    Tfrm_childwin* a = NewDocument(QStringLiteral("a.ico"), {SolidFormat(16, 16, ctTrueAlpha), SolidFormat(32, 32, ctTrueAlpha)});
    Tfrm_childwin* b = NewDocument(QStringLiteral("b.ico"), {SolidFormat(16, 16, ctTrueAlpha), SolidFormat(32, 32, ctTrueAlpha)});
    // The tools window over the frame's left part, where it starts out.
    QWidget tools(nullptr, Qt::Tool);
    tools.setGeometry(QRect(main->MdiArea()->mapToGlobal(QPoint(0, 0)), QSize(184, 600)));
    tools.show();
    const auto shown = [&](Tfrm_childwin* doc) {
        // The strip glides on its timer: give it time, and it ends up where it will stay.
        for (int i = 0; i < 200 && doc->FormatStrip->StripMode() != TFormatStrip::Idle; ++i) QTest::qWait(10);
        QApplication::processEvents();
        const QRect cell = CellOnScreen(*doc->FormatStrip, doc->CurrentIndex());
        return PanelOnScreen(*doc->FormatStrip).contains(cell) && !cell.intersects(tools.frameGeometry());
    };
    ASSERT_EQ(a->CurrentIndex(), 1);
    ASSERT_EQ(b->CurrentIndex(), 1);

    auto* subA = qobject_cast<QMdiSubWindow*>(a->parentWidget());
    Activate(a);
    subA->showMaximized();
    QTest::qWait(20);
    EXPECT_TRUE(shown(a));
    // The other document, maximized in its turn as it comes to the front.
    Activate(b);
    QTest::qWait(20);
    ASSERT_TRUE(qobject_cast<QMdiSubWindow*>(b->parentWidget())->isMaximized());
    EXPECT_TRUE(shown(b));
    Activate(a);
    QTest::qWait(20);
    EXPECT_TRUE(shown(a));
}

TEST_F(ChildwinTest, ToolEventsReachTheCurrentToolOnCellChanges)
{
    doc->AddImageFormat(SolidFormat(16, 16, ctTrueAlpha));
    int tool = tiNone;
    struct Event {
        int tool, phase, x, y;
    };
    std::vector<Event> events;
    DocumentPeers().CurrentToolId = [&] { return tool; };
    DocumentPeers().ToolMouse = [&](Tfrm_childwin& d, int t, int phase, int x, int y, Qt::MouseButtons, Qt::KeyboardModifiers) {
        EXPECT_EQ(&d, doc);
        events.push_back({t, phase, x, y});
    };
    const int z = doc->ZoomFactor();
    QTest::mousePress(doc->PaintBox1, Qt::LeftButton, {}, QPoint(z + 1, z + 1));
    QTest::mouseRelease(doc->PaintBox1, Qt::LeftButton, {}, QPoint(z + 1, z + 1));
    EXPECT_TRUE(events.empty()); // no tool
    tool = tiPencil;
    QTest::mouseMove(doc->PaintBox1, QPoint(z + 1, z + 1));
    events.clear();
    QTest::mousePress(doc->PaintBox1, Qt::LeftButton, {}, QPoint(z + 1, z + 1));
    QTest::mouseMove(doc->PaintBox1, QPoint(z + 2, z + 1)); // same cell: not passed on
    QTest::mouseMove(doc->PaintBox1, QPoint(2 * z + 1, z + 1));
    QTest::mouseRelease(doc->PaintBox1, Qt::LeftButton, {}, QPoint(2 * z + 1, z + 1));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].phase, mpPress);
    EXPECT_EQ(events[1].phase, mpMove);
    EXPECT_EQ(events[1].x, 2 * z + 1);
    EXPECT_EQ(events[2].phase, mpRelease);
    EXPECT_EQ(events[2].tool, tiPencil);
}

TEST_F(ChildwinTest, TextFrameCommitsBeforeSwitchingAndDiscardsOnEscape)
{
    doc->Document().FileName = QStringLiteral("t.ico");
    doc->AddImageFormat(SolidFormat(16, 16, ctTrueAlpha));
    doc->AddImageFormat(SolidFormat(32, 32, ctTrueAlpha));
    int tool = tiText;
    int framesStarted = 0;
    DocumentPeers().CurrentToolId = [&] { return tool; };
    DocumentPeers().StartTextFrame = [&](Tfrm_childwin& d) {
        ++framesStarted;
        d.Document().TakeBackups();
        d.CurrentImage()->Bitmap->SetPixel(1, 1, 0x00FF00); // the rendered text
    };
    DocumentPeers().LeaveTextTool = [&] {
        tool = tiPencil;
        doc->ToolChanged();
    };
    doc->ToolChanged();
    EXPECT_EQ(framesStarted, 1);
    EXPECT_EQ(doc->Document().LastTool, tiText);
    // A new zoom places the open frame again.
    int placed = 0;
    DocumentPeers().PlaceTextFrame = [&](Tfrm_childwin&) { ++placed; };
    doc->resize(doc->width() + 300, doc->height() + 300);
    EXPECT_EQ(placed, 1);

    // Switching format commits: a step "Text" on the format the text was on.
    ClickStrip(0);
    EXPECT_EQ(doc->Document().LastTool, tiNone);
    EXPECT_TRUE(doc->IsModified());
    const THistoryTrack& second = history.Model().Tracks()[1];
    EXPECT_EQ(second.Steps.back().Caption, QStringLiteral("Text"));
    EXPECT_EQ(doc->Images()[1].Bitmap->Pixel(1, 1), 0x00FF00u);

    // Escape drops the frame: the pixels go back, no step.
    doc->SetModified(false);
    doc->Document().LastTool = tiNone;
    doc->ToolChanged();
    EXPECT_EQ(doc->CurrentImage()->Bitmap->Pixel(1, 1), 0x00FF00u);
    QTest::keyClick(doc, Qt::Key_Escape);
    EXPECT_EQ(doc->Document().LastTool, tiPencil);
    EXPECT_EQ(doc->CurrentImage()->Bitmap->Pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(history.Model().Tracks()[0].Count(), 1);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(ChildwinTest, ThumbnailsOfManyFormatsShowAsTheyAreScrolledIntoView)
{
    // Each format its own colour: what the panel shows at a cell's middle is that cell's thumbnail.
    constexpr int count = 60;
    const auto colourOf = [](int i) { return MakeColor(40 + 3 * i, 200 - 2 * i, (i * 53) & 0xFF); };
    TIconImageArray formats;
    for (int i = 0; i < count; ++i) formats.Add(SolidFormat(16 + i % 3, 16, ctTrueColor, colourOf(i), 0));
    doc->AddImageFormats(formats);
    TFormatStrip& strip = *doc->FormatStrip;
    const auto expectShown = [&](const char* where) {
        SCOPED_TRACE(where);
        const QImage shown = strip.Panel()->grab().toImage();
        const int panel = strip.PanelWidth();
        int checked = 0;
        for (int i = 0; i < count; ++i) {
            const QPoint middle = strip.StripImage()->mapTo(strip.Panel(), QPoint(i * TFormatStrip::CellWidth + 37, 39));
            const int x = middle.x() - strip.Panel()->contentsRect().left();
            if (x < 0 || x >= panel) continue;
            EXPECT_EQ(QColor(shown.pixel(middle)), ToQColor(colourOf(i))) << "cell " << i;
            ++checked;
        }
        EXPECT_GE(checked, panel / TFormatStrip::CellWidth - 1);
    };
    RunStrip();
    expectShown("at the last format");
    // Held left arrow: back to the first cells, every cell in between passing through the panel.
    QTest::mousePress(strip.ScrollLeftButton(), Qt::LeftButton);
    for (int i = 0; i < 2000 && strip.StripLeft() < 0; ++i) strip.TimerTick();
    QTest::mouseRelease(strip.ScrollLeftButton(), Qt::LeftButton);
    EXPECT_EQ(strip.StripLeft(), 0);
    expectShown("after scrolling to the first");
    // A click far along glides there, showing each cell it passes.
    ClickStrip(40);
    RunStrip();
    EXPECT_LT(strip.StripLeft(), -30 * TFormatStrip::CellWidth);
    expectShown("after gliding to a far cell");
    // Drawn whole on demand, the picture is the one a strip drawing every cell at once makes.
    TFormatStrip whole;
    whole.DrawFormats(doc->Document().Images, doc->CurrentIndex(), true);
    EXPECT_TRUE(strip.Canvas() == whole.Canvas());
    EXPECT_EQ(strip.Canvas().Pixel((count - 1) * TFormatStrip::CellWidth + 37, 39), colourOf(count - 1));
}

TEST(FormatStripTest, AStripWiderThanABitmapCanBeDrawnShowsEveryCellItScrollsTo)
{
    // 900 cells: 72000 pixels, more than one bitmap may be wide.
    ImagingState imaging;
    TIconImageArray formats;
    for (int i = 0; i < 900; ++i) formats.Add(SolidFormat(40, 40, ctTrueColor, MakeColor(i & 0xFF, 7, 9), 0));
    TFormatStrip strip;
    strip.resize(600, 106);
    strip.show();
    strip.ShowFormats(formats, 899);
    // Painting the whole picture at once draws what fits and nothing outside the bitmap.
    const QImage whole = strip.StripImage()->grab().toImage();
    EXPECT_EQ(whole.width(), 900 * TFormatStrip::CellWidth);
    for (const int cell : {0, 850, 899}) {
        strip.SetStripLeft(-cell * TFormatStrip::CellWidth);
        const QImage shown = strip.Panel()->grab().toImage();
        const QPoint middle = strip.StripImage()->mapTo(strip.Panel(), QPoint(cell * TFormatStrip::CellWidth + 37, 39));
        EXPECT_EQ(QColor(shown.pixel(middle)), ToQColor(MakeColor(cell & 0xFF, 7, 9))) << cell;
    }
}
