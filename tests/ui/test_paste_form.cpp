// The paste window driven as a user drives it: Edit > Paste over a document with our own private
// block and with a plain picture from another program, the frame dragged on the view, the fit,
// zoom and ratio controls, the palette variants picked on their panel, the view's zoom for every
// format size and for a 5,000 x 5,000 picture, and clipboards that hold no picture. One test runs
// a private X server: a PNG placed on the clipboard by xclip, another process, is pasted.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "iconfiles/qv_clipboard.h"
#include "support/bitmap_checks.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"
#include "support/x11_session.h"
#include "platform/small_routines.h"
#include "platform/ui/spin_edit.h"
#include "workspace/paste_form.h"

namespace {

constexpr TColor Red = MakeColor(255, 0, 0);
constexpr TColor Green = MakeColor(0, 255, 0);

QClipboard* Clipboard() { return QGuiApplication::clipboard(); }

// A picture with an alpha channel: left half opaque red, right half green at alpha 64, one fully
// transparent pixel in the corner.
QImage AlphaPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, x < w / 2 ? qRgba(255, 0, 0, 255) : qRgba(0, 255, 0, 64));
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    return image;
}

// What the window made of an alpha picture pasted 1:1 over a fully transparent type-5 format.
void ExpectAlphaPicturePasted(const TIconImageRec& f)
{
    const int w = f.Width;
    for (int y = 0; y < f.Height; ++y)
        for (int x = 0; x < w; ++x) {
            if (x == 0 && y == 0) {
                ASSERT_EQ(f.Mask->Byte0(x, y), 255);
                continue;
            }
            const bool left = x < w / 2;
            ASSERT_EQ(f.Bitmap->Pixel(x, y), left ? Red : Green) << x << "," << y;
            ASSERT_NEAR(f.Mask->Byte0(x, y), left ? 0 : 255 - 64, 1) << x << "," << y;
        }
}

class PasteFormTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        paste = std::make_unique<Tfrm_Paste>();
        const auto history = FramePeers().AddSnapshot;
        FramePeers().AddSnapshot = [this, history](TIconImageRec* f, const QString& caption) {
            steps << caption;
            if (history) history(f, caption);
        };
    }
    void TearDown() override
    {
        paste.reset();
        Clipboard()->clear();
        MainWindowTest::TearDown();
    }
    // Edit > Paste as the menu does it, with the window answered by Act from its modal loop.
    void PasteWith(std::function<void(Tfrm_Paste&)> act)
    {
        main->UpdateEditCommands();
        ASSERT_TRUE(main->act_EditPaste->isEnabled());
        steps.clear();
        bool ran = false;
        WhenModal([&](QWidget* modal) {
            ran = true;
            auto* window = qobject_cast<Tfrm_Paste*>(modal);
            if (!window) {
                modal->close();
                return;
            }
            act(*window);
        });
        main->act_EditPaste->trigger();
        EXPECT_TRUE(ran);
    }
    // Shows the window without its modal loop over a format.
    void ShowOver(TIconImageRec& target)
    {
        paste->Target = &target;
        paste->show();
    }
    QImage ViewPixels() const { return paste->PaintBox1->grab().toImage(); }

    std::unique_ptr<Tfrm_Paste> paste;
    QStringList steps;
};

TEST_F(PasteFormTest, PrivateBlockRoundTripThroughEditPaste)
{
    // Copy a 16-colour format through our own block, paste it into a true-colour document.
    const TIconImageRec source = PatternFormat(32, 32, ctColors16, 6);
    TQVClipboard().CopySelection(source, FilledBitmap(32, 32, 0xFFFFFF), SizeRect(32, 32));
    Tfrm_childwin* doc = NewDocument(QStringLiteral("p.ico"), {SolidFormat(32, 32, ctTrueAlpha)});
    PasteWith([](Tfrm_Paste& w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Paste from Clipboard"));
        EXPECT_EQ(w.Paste.ViewZoom, 8);
        QTest::mouseClick(w.btn_FitWidth, Qt::LeftButton);
        EXPECT_EQ(w.Placement->spn_WRatio->Value(), 1000);
        QTest::mouseClick(w.btn_OK, Qt::LeftButton);
    });
    const TIconImageRec& f = doc->Images()[0];
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(f.Mask->Byte0(x, y), source.Mask->Byte0(x, y)) << x << "," << y;
            // Where the copy is fully transparent the format keeps its own colour.
            if (source.Mask->Byte0(x, y) != 255) ASSERT_EQ(f.Bitmap->Pixel(x, y), ShownColor(source, x, y)) << x << "," << y;
        }
    EXPECT_EQ(steps, QStringList{"Paste"});
    // The picture came through the program's one clipboard object.
    EXPECT_EQ(main->QVClipboard()->Bitmap->Bounds(), SizeRect(32, 32));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(doc->windowTitle().endsWith(QStringLiteral(" *")));
}

TEST_F(PasteFormTest, PlainPictureFromAnotherProgramBringsItsAlpha)
{
    Clipboard()->setImage(AlphaPicture(24, 24));
    Tfrm_childwin* doc = NewDocument(QStringLiteral("a.ico"), {SolidFormat(24, 24, ctTrueAlpha)});
    PasteWith([](Tfrm_Paste& w) {
        QTest::mouseClick(w.btn_FitHeight, Qt::LeftButton);
        QTest::mouseClick(w.btn_OK, Qt::LeftButton);
    });
    ExpectAlphaPicturePasted(doc->Images()[0]);
    EXPECT_EQ(steps, QStringList{"Paste"});

    // Cancel writes nothing and stores no step.
    steps.clear();
    const TIconImageRec before = doc->Images()[0].Clone();
    Clipboard()->setImage(AlphaPicture(8, 8).convertToFormat(QImage::Format_RGB32));
    PasteWith([](Tfrm_Paste& w) {
        QTest::mouseClick(w.btn_FitWidth, Qt::LeftButton);
        QTest::mouseClick(w.btn_Cancel, Qt::LeftButton);
    });
    ExpectSameImage(doc->Images()[0], before, "after Cancel");
    EXPECT_TRUE(steps.isEmpty());
}

TEST_F(PasteFormTest, PasteCommitsAnOpenTextFrameFirst)
{
    Clipboard()->setImage(AlphaPicture(8, 8));
    Tfrm_childwin* doc = NewDocument(QStringLiteral("t.ico"), {SolidFormat(16, 16, ctTrueAlpha)});
    doc->Document().LastTool = tiText;
    PasteWith([](Tfrm_Paste& w) { QTest::mouseClick(w.btn_Cancel, Qt::LeftButton); });
    EXPECT_NE(doc->Document().LastTool, tiText);
    EXPECT_EQ(steps, QStringList{"Text"});
}

TEST_F(PasteFormTest, EmptyAndTextOnlyClipboardsOfferNothing)
{
    Tfrm_childwin* doc = NewDocument(QStringLiteral("e.ico"), {PatternFormat(16, 16, ctTrueColor, 2)});
    const TIconImageRec before = doc->Images()[0].Clone();
    Clipboard()->clear();
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_EditPaste->isEnabled());
    Clipboard()->setText(QStringLiteral("only words"));
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_EditPaste->isEnabled());
    Clipboard()->setImage(AlphaPicture(4, 4));
    main->UpdateEditCommands();
    EXPECT_TRUE(main->act_EditPaste->isEnabled());
    Clipboard()->clear();
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_EditPaste->isEnabled());
    // The timer goes by what the clipboard said when it last changed, never asking it itself: a
    // change it was not told of does not show.
    Clipboard()->blockSignals(true);
    Clipboard()->setImage(AlphaPicture(4, 4));
    Clipboard()->blockSignals(false);
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_EditPaste->isEnabled());
    Clipboard()->clear();

    // Opened anyway (a clipboard emptied while the command was on): every control does nothing
    // and OK is a Cancel.
    for (const QString& text : {QString(), QStringLiteral("only words")}) {
        if (!text.isEmpty()) Clipboard()->setText(text);
        bool ok = true;
        WhenModal([&](QWidget*) {
            EXPECT_FALSE(paste->Paste.IsOpen());
            for (QAbstractButton* b : {static_cast<QAbstractButton*>(paste->btn_ZoomIn),
                                       static_cast<QAbstractButton*>(paste->btn_ZoomOut),
                                       static_cast<QAbstractButton*>(paste->btn_FitWidth),
                                       static_cast<QAbstractButton*>(paste->btn_FitHeight),
                                       static_cast<QAbstractButton*>(paste->btn_ActualSize)})
                QTest::mouseClick(b, Qt::LeftButton);
            QTest::mouseClick(paste->Placement->chk_RatioLock, Qt::LeftButton);
            paste->Placement->trc_WRatio->SetPosition(300);
            QTest::mousePress(paste->PaintBox1, Qt::LeftButton, {}, QPoint(5, 5));
            QTest::mouseRelease(paste->PaintBox1, Qt::LeftButton, {}, QPoint(50, 50));
            QTest::mouseClick(paste->btn_OK, Qt::LeftButton);
        });
        ok = paste->Execute(doc, &doc->Images()[0]);
        EXPECT_FALSE(ok);
        ExpectSameImage(doc->Images()[0], before, "no picture");
    }
}

TEST_F(PasteFormTest, BadPrivateBlockFallsBackToThePlainPictureOrGivesNone)
{
    TIconImageRec target = SolidFormat(16, 16, ctTrueAlpha);
    auto* bad = new QMimeData;
    bad->setData(TQVClipboard::PrivateMimeType(), QByteArray("BM not a bitmap at all", 22));
    Clipboard()->setMimeData(bad);
    ShowOver(target);
    EXPECT_FALSE(paste->Paste.IsOpen());
    paste->hide();

    auto* withPlain = new QMimeData;
    withPlain->setData(TQVClipboard::PrivateMimeType(), QByteArray(64, '\xFF'));
    withPlain->setImageData(AlphaPicture(16, 16));
    Clipboard()->setMimeData(withPlain);
    ShowOver(target);
    ASSERT_TRUE(paste->Paste.IsOpen());
    EXPECT_EQ(paste->Paste.ClipRect, SizeRect(16, 16));
    QTest::mouseClick(paste->btn_FitWidth, Qt::LeftButton);
    ASSERT_TRUE(paste->Paste.Commit());
    ExpectAlphaPicturePasted(target);
    paste->hide();
}

TEST_F(PasteFormTest, ViewZoomForEveryFormatSize)
{
    Clipboard()->setImage(AlphaPicture(40, 30));
    for (int side = 1; side <= 256; side += (side < 48 ? 1 : 13)) {
        TIconImageRec target = SolidFormat(side, std::max(1, side / 2), ctTrueColor);
        ShowOver(target);
        ASSERT_TRUE(paste->Paste.IsOpen()) << side;
        const double zoom = paste->Paste.ViewZoom;
        ASSERT_GE(zoom, 1) << side;
        const Rect v = paste->Paste.TargetView;
        ASSERT_TRUE(RectWithin(v, SizeRect(361, 489))) << side;
        // The red outline around the format, the picture in the view's top-left corner (away from
        // the frame's handles).
        const QImage view = ViewPixels();
        ASSERT_EQ(view.pixelColor(v.Left, v.Top), QColor(255, 0, 0)) << side;
        ASSERT_EQ(view.pixelColor(v.Right - 1, v.Bottom - 1), QColor(255, 0, 0)) << side;
        if (!PtInRectXY(12, 12, v)) ASSERT_EQ(view.pixelColor(12, 12), QColor(255, 0, 0)) << side;
        // Zoom In stops at 9 (a window opened above it never zooms in); Zoom Out ends at 0.2.
        QTest::mouseClick(paste->btn_ZoomIn, Qt::LeftButton);
        ASSERT_EQ(paste->Paste.ViewZoom, zoom >= 9 ? zoom : zoom + 1) << side;
        for (int i = 0; i < 300; ++i) QTest::mouseClick(paste->btn_ZoomOut, Qt::LeftButton);
        ASSERT_NEAR(paste->Paste.ViewZoom, 0.2, 1e-9) << side;
        ASSERT_TRUE(RectWithin(paste->Paste.TargetView, SizeRect(361, 489))) << side;
        paste->hide();
    }
}

TEST_F(PasteFormTest, FiveThousandPixelPictureDragsFitsAndCommits)
{
    QImage big(5000, 5000, QImage::Format_RGB32);
    big.fill(QColor(0, 0, 255));
    for (int y = 0; y < 5000; ++y) big.setPixel(y, y, qRgb(255, 255, 0)); // a diagonal
    Clipboard()->setImage(big);
    big = QImage();
    TIconImageRec target = SolidFormat(32, 32, ctTrueAlpha);
    ShowOver(target);
    ASSERT_TRUE(paste->Paste.IsOpen());
    EXPECT_EQ(paste->Paste.ClipRect, SizeRect(5000, 5000));
    EXPECT_EQ(paste->Paste.ViewZoom, 8);
    // The frame fills the view from its corner: a drag from inside it moves it.
    QTest::mousePress(paste->PaintBox1, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(paste->PaintBox1, QPoint(160, 130));
    EXPECT_TRUE(paste->Paste.LayerIsDraft);
    EXPECT_EQ(paste->Placement->spn_X->Value(), 60);
    EXPECT_EQ(paste->Placement->spn_Y->Value(), 30);
    QTest::mouseRelease(paste->PaintBox1, Qt::LeftButton, {}, QPoint(160, 130));
    EXPECT_FALSE(paste->Paste.LayerIsDraft);
    // Fit Width: the whole picture on the format, its diagonal on the format's diagonal.
    QTest::mouseClick(paste->btn_FitWidth, Qt::LeftButton);
    EXPECT_EQ(paste->Placement->trc_WRatio->Position(), 6); // 256 view pixels at zoom 8 of 5,000
    const QImage view = ViewPixels();
    const Rect v = paste->Paste.TargetView;
    EXPECT_EQ(view.pixelColor(v.Left + 100, v.Top + 200), QColor(0, 0, 255));
    ASSERT_TRUE(paste->Paste.Commit());
    EXPECT_EQ(target.Mask->Byte0(10, 10), 0);
    for (int i = 2; i < 30; ++i) {
        const TColor diagonal = target.Bitmap->Pixel(i, i);
        EXPECT_GT(diagonal & 0xFF, 0u) << i; // some yellow averaged in
        EXPECT_EQ(target.Bitmap->Pixel(i, (i + 16) % 32), MakeColor(0, 0, 255)) << i;
    }
    paste->hide();
}

TEST_F(PasteFormTest, RatioControlsAndTheirLock)
{
    Clipboard()->setImage(AlphaPicture(100, 50));
    TIconImageRec target = SolidFormat(32, 32, ctTrueAlpha);
    ShowOver(target);
    EXPECT_TRUE(paste->Placement->chk_RatioLock->isChecked());
    EXPECT_FALSE(paste->Placement->lbl_HRatio->isEnabled());
    EXPECT_FALSE(paste->Placement->trc_HRatio->isEnabled());
    EXPECT_FALSE(paste->Placement->spn_HRatio->isEnabled());
    EXPECT_EQ(paste->Placement->spn_HRatio->MaxValue(), 2000);
    EXPECT_EQ(paste->Placement->trc_HRatio->maximum(), 10000);
    EXPECT_EQ(paste->Placement->trc_WRatio->maximum(), 10000);
    // W ratio 500 with the lock at zoom 8: 400 x 200 view pixels, the height ratio following.
    paste->Placement->spn_WRatio->SetText(QStringLiteral("500"));
    EXPECT_EQ(paste->Placement->trc_WRatio->Position(), 500);
    EXPECT_EQ(paste->Placement->trc_HRatio->Position(), 500);
    EXPECT_EQ(paste->Paste.GetFrameRect(), MakeRect(0, 0, 400, 200));
    // Text that is no whole number is ignored.
    paste->Placement->spn_X->SetText(QStringLiteral("4x"));
    EXPECT_EQ(paste->Paste.GetFrameRect().Left, 0);
    paste->Placement->spn_X->SetText(QStringLiteral("52"));
    EXPECT_EQ(paste->Paste.GetFrameRect(), MakeRect(52, 0, 452, 200));
    // Lock off: the height controls wake and stretch on their own.
    QTest::mouseClick(paste->Placement->chk_RatioLock, Qt::LeftButton);
    EXPECT_TRUE(paste->Placement->trc_HRatio->isEnabled() && paste->Placement->spn_HRatio->isEnabled() && paste->Placement->lbl_HRatio->isEnabled());
    paste->Placement->trc_HRatio->SetPosition(2000);
    EXPECT_EQ(paste->Placement->spn_HRatio->Value(), 2000);
    EXPECT_EQ(paste->Paste.GetFrameRect(), MakeRect(52, 0, 452, 800));
    EXPECT_EQ(paste->Placement->trc_WRatio->Position(), 500);
    // Back on: the height follows the width again.
    QTest::mouseClick(paste->Placement->chk_RatioLock, Qt::LeftButton);
    EXPECT_FALSE(paste->Placement->trc_HRatio->isEnabled());
    EXPECT_EQ(paste->Paste.GetFrameRect(), MakeRect(52, 0, 452, 200));
    // A fit reads back into the controls; the track bar then moves back to a value it showed.
    QTest::mouseClick(paste->btn_FitWidth, Qt::LeftButton);
    EXPECT_EQ(paste->Placement->trc_WRatio->Position(), 320);
    paste->Placement->trc_WRatio->SetPosition(500);
    EXPECT_EQ(paste->Paste.GetFrameRect().Width(), 400);
    // Its placement is kept in its own section of "position.cfg".
    paste->move(40, 30);
    paste->hide();
    const TPlacement kept = ReadPlacement(PositionFilePath(), QStringLiteral("frm_Paste"));
    EXPECT_GT(kept.Width, 0);
    EXPECT_GE(kept.Left, 0);
}

TEST_F(PasteFormTest, PaletteVariantsArePickedOnTheirPanel)
{
    QImage picture(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) picture.setPixel(x, y, qRgb(x * 16, y * 16, 128));
    Clipboard()->setImage(picture);
    Tfrm_childwin* doc = NewDocument(QStringLiteral("v.ico"), {SolidFormat(16, 16, ctColors16, 0, 0)});
    TPalette rebuilt;
    PasteWith([&](Tfrm_Paste& w) {
        EXPECT_TRUE(w.ScrollBar1->isHidden());
        EXPECT_EQ(w.lbl_Effect->text(), QStringLiteral("Please select one of the following effect:"));
        QTest::mouseClick(w.btn_FitWidth, Qt::LeftButton);
        const QImage panel = w.Image1->grab().toImage();
        const PasteGeometry::TVariantLayout& layout = w.Paste.VariantLayout;
        // Each cell shows its variant; the first is framed red.
        for (int i = 0; i < 4; ++i) {
            const Rect cell = layout.Rects[size_t(i)];
            EXPECT_EQ(panel.pixelColor(cell.Left + 3, cell.Top + 3).rgb(),
                      QColor::fromRgb(w.Paste.VariantPreviews[size_t(i)].Pixel(3, 3) & 0xFF,
                                      (w.Paste.VariantPreviews[size_t(i)].Pixel(3, 3) >> 8) & 0xFF,
                                      (w.Paste.VariantPreviews[size_t(i)].Pixel(3, 3) >> 16) & 0xFF).rgb());
        }
        EXPECT_EQ(panel.pixelColor(layout.Rects[8].Left + 1, layout.Rects[8].Top + 1), QColor(255, 0, 0));
        // A drag rebuilds the variants only on release.
        const Bitmap24 before = w.Paste.VariantImage;
        QTest::mousePress(w.PaintBox1, Qt::LeftButton, {}, QPoint(180, 240));
        QTest::mouseMove(w.PaintBox1, QPoint(200, 260));
        EXPECT_EQ(PackedPixels(w.Paste.VariantImage), PackedPixels(before));
        QTest::mouseRelease(w.PaintBox1, Qt::LeftButton, {}, QPoint(200, 260));
        EXPECT_NE(PackedPixels(w.Paste.VariantImage), PackedPixels(before));
        QTest::mouseClick(w.btn_FitWidth, Qt::LeftButton);
        // "Pallte changed" + "Dithered", picked by a click in its cell.
        const Rect cell3 = layout.Rects[3];
        QTest::mouseClick(w.Image1, Qt::LeftButton, {}, QPoint(cell3.Left + 4, cell3.Top + 4));
        EXPECT_EQ(w.Paste.SelectedVariant, 3);
        const QImage picked = w.Image1->grab().toImage();
        EXPECT_EQ(picked.pixelColor(layout.Rects[11].Left + 1, layout.Rects[11].Top + 1), QColor(255, 0, 0));
        EXPECT_NE(picked.pixelColor(layout.Rects[8].Left + 1, layout.Rects[8].Top + 1), QColor(255, 0, 0));
        rebuilt = w.Paste.Variants[3].Palette;
        QTest::mouseClick(w.btn_OK, Qt::LeftButton);
    });
    const TIconImageRec& f = doc->Images()[0];
    EXPECT_EQ(f.Palette.palNumEntries, 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(f.Palette.palPalEntry[size_t(i)], rebuilt.palPalEntry[size_t(i)]) << i;
    EXPECT_NE(EntryColor(f.Palette, 0), EntryColor(f.Palette, 15));
    EXPECT_EQ(steps, QStringList{"Paste"});
}

TEST_F(PasteFormTest, LargePaletteFormatsScrollTheirVariants)
{
    Clipboard()->setImage(AlphaPicture(20, 20));
    TIconImageRec target = SolidFormat(256, 256, ctColors256);
    ShowOver(target);
    ASSERT_TRUE(paste->Paste.IsOpen());
    EXPECT_TRUE(paste->ScrollBar1->isVisible());
    EXPECT_EQ(paste->ScrollBar1->maximum() + paste->ScrollBar1->pageStep(), 1056);
    paste->ScrollBar1->setValue(500);
    EXPECT_EQ(paste->Image1->x(), -500);
    // Coordinates on the picture are its own, wherever it scrolled to.
    const Rect cell2 = paste->Paste.VariantLayout.Rects[2];
    QTest::mouseClick(paste->Image1, Qt::LeftButton, {}, QPoint(cell2.Left + 10, cell2.Top + 10));
    EXPECT_EQ(paste->Paste.SelectedVariant, 2);
    paste->hide();
    // The next showing starts over: first variant, scroll bar back.
    TIconImageRec small = SolidFormat(16, 16, ctColors256);
    ShowOver(small);
    EXPECT_EQ(paste->Paste.SelectedVariant, 0);
    EXPECT_TRUE(paste->ScrollBar1->isHidden());
    EXPECT_EQ(paste->Image1->x(), 0);
    paste->hide();
}

// ---- a real X server and another program ----

TEST(PasteOnX11, PngPlacedByXclipPastesIntoAFormat)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
        FAIL() << "xclip is not installed (scripts/deps.sh installs it)";
    TX11Session x;
    QString why;
    if (!x.Start(why)) GTEST_SKIP() << "no X server could start: " << why.toStdString();
    const TChildRun run = RunChildTest(QStringLiteral("PasteOnX11Child.DISABLED_PasteThePngXclipOffers"), x.Display());
    ASSERT_TRUE(run.Finished) << run.Output.toStdString();
    EXPECT_EQ(run.ExitCode, 0) << run.Output.toStdString();
    EXPECT_TRUE(run.Output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << run.Output.toStdString();
}

// The child's part, run on the X server by the test above: xclip, another process, owns the
// clipboard with a PNG; the paste window takes it with its alpha.
TEST(PasteOnX11Child, DISABLED_PasteThePngXclipOffers)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("from_xclip.png"));
    ASSERT_TRUE(AlphaPicture(20, 20).save(file, "PNG"));
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                          QStringLiteral("image/png"), QStringLiteral("-i"), file});
    ASSERT_TRUE(xclip.waitForFinished(30000));
    ASSERT_EQ(xclip.exitCode(), 0) << xclip.readAllStandardError().toStdString();
    // The clipboard's change notice reaches us through the event loop.
    ASSERT_TRUE(QTest::qWaitFor([] { return TQVClipboard::HasPicture(); }, 30000));
    Tfrm_Paste window;
    TIconImageRec target = SolidFormat(20, 20, ctTrueAlpha);
    WhenModal([&](QWidget*) {
        EXPECT_EQ(window.Paste.ClipRect, SizeRect(20, 20));
        QTest::mouseClick(window.btn_FitWidth, Qt::LeftButton);
        QTest::mouseClick(window.btn_OK, Qt::LeftButton);
    });
    ASSERT_TRUE(window.Execute(nullptr, &target));
    ExpectAlphaPicturePasted(target);
    // Taking the clipboard back lets xclip end.
    QGuiApplication::clipboard()->setText(QStringLiteral("done"));
}

} // namespace
