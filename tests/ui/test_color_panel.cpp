// The colour window inside the frame: its furniture, the square, hue bar, HTML field, transparent
// button, library and history reaching the colour services; one repaint per tick; and a palette
// edit reaching the active 16-colour format's canvas and marking the document modified.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "platform/small_routines.h"
#include "platform/ui/spin_edit.h"
#include "support/ui_helpers.h"
#include "workspace/color_panel.h"
#include "workspace/peers.h"

namespace {

class ColorPanelTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        panel = frm_color_panel;
        ASSERT_NE(panel, nullptr);
        // The timer is driven by hand, so a tick is exactly where the test says.
        panel->tmr_reDraw.stop();
        panel->tmr_reDrawTimer();
    }
    void Press(QWidget* w, QPoint p) { QTest::mousePress(w, Qt::LeftButton, {}, p); QTest::mouseRelease(w, Qt::LeftButton, {}, p); }
    QColor PreviewAt(int x, int y) { return panel->img_color->grab().toImage().pixelColor(x, y); }
    // Saves what the window shows when TAVRIN_SHOTS names a folder (for looking at it).
    void Shot(const QString& name, QWidget* w = nullptr)
    {
        const QString dir = qEnvironmentVariable("TAVRIN_SHOTS");
        if (!dir.isEmpty()) (w ? w : panel)->grab().save(QDir(dir).filePath(name));
    }

    Tfrm_color_panel* panel = nullptr;
};

} // namespace

TEST_F(ColorPanelTest, TrueColourSourcesReachTheServices)
{
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Colors"));
    EXPECT_EQ(panel->size(), QSize(211, 487));
    EXPECT_EQ(panel->objectName(), QStringLiteral("frm_color_panel"));
    EXPECT_TRUE(panel->SnapToEdges);
    EXPECT_TRUE(panel->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(panel->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(panel->isVisible());
    ASSERT_EQ(panel->pgc_Color->count(), 3);
    EXPECT_EQ(panel->pgc_Color->tabText(0), QStringLiteral("Picker"));
    EXPECT_EQ(panel->pgc_Color->tabText(1), QStringLiteral("Libraries"));
    EXPECT_EQ(panel->pgc_Color->tabText(2), QStringLiteral("History"));
    EXPECT_EQ(panel->lab_html->text(), QStringLiteral("HTML Code:  #"));
    EXPECT_EQ(panel->lab_A->text(), QStringLiteral("A:"));
    EXPECT_TRUE(panel->trc_A->isVisible());
    EXPECT_FALSE(panel->img_Palette->isVisible());
    EXPECT_EQ(panel->edt_htmlCode->text(), QStringLiteral("000000"));
    Shot(QStringLiteral("color_panel_true_color.png"));

    // The square: saturation across, value down; the hue bar: hue down.
    Press(panel->img_hArea, QPoint(5, 97)); // 97 * 359 / 194 = 179
    Press(panel->img_svArea, QPoint(86, 194 - 1)); // S 127, V 253
    EXPECT_EQ(panel->trc_H->Position(), 179);
    EXPECT_EQ(panel->spn_H->Value(), 179);
    EXPECT_EQ(panel->trc_S->Position(), 86 * 255 / 172);
    EXPECT_EQ(panel->trc_V->Position(), 193 * 255 / 194);
    int r = 0, g = 0, b = 0;
    HsvToRgb(179, 86 * 255 / 172, 193 * 255 / 194, b, g, r);
    EXPECT_EQ(panel->trc_R->Position(), r);
    EXPECT_EQ(panel->trc_G->Position(), g);
    EXPECT_EQ(panel->trc_B->Position(), b);
    panel->tmr_reDrawTimer();
    EXPECT_EQ(ColorPeers().GetColor(), MakeColor(r, g, b));
    EXPECT_EQ(ColorPeers().GetAlphaColor(), 0xFFFFFFu);
    EXPECT_EQ(PreviewAt(10, 10), QColor(r, g, b));
    EXPECT_EQ(panel->edt_htmlCode->text(), FormatHtmlColor(r, g, b));
    // The square shows the hue: its bottom-right block is full saturation and value.
    int hr = 0, hg = 0, hb = 0;
    HsvToRgb(179, 254, 254, hb, hg, hr);
    EXPECT_EQ(panel->SVBitmap().Pixel(255, 255), MakeColor(hr, hg, hb));

    // Ten slider moves within one tick repaint once.
    const int before = panel->ColorChangedCount();
    for (int i = 1; i <= 10; ++i) panel->trc_G->SetPosition(i * 20);
    panel->tmr_reDrawTimer();
    panel->tmr_reDrawTimer();
    EXPECT_EQ(panel->ColorChangedCount(), before + 1);
    EXPECT_EQ(ColorPeers().GetColor() >> 8 & 0xFF, 200u);

    // The HTML field keeps hexadecimal digits, upper-cased, and drops the rest.
    QApplication::setActiveWindow(panel);
    panel->edt_htmlCode->setFocus();
    ASSERT_TRUE(panel->edt_htmlCode->hasFocus());
    panel->edt_htmlCode->selectAll();
    QTest::keyClicks(panel->edt_htmlCode, QStringLiteral("f#f 8x0g00"));
    EXPECT_EQ(panel->edt_htmlCode->text(), QStringLiteral("FF8000"));
    panel->tmr_reDrawTimer();
    EXPECT_EQ(ColorPeers().GetColor(), MakeColor(255, 128, 0));
    EXPECT_EQ(panel->spn_R->Value(), 255);
    // A partial code reads as a number: "3" is blue 3.
    panel->edt_htmlCode->selectAll();
    QTest::keyClicks(panel->edt_htmlCode, QStringLiteral("3"));
    panel->tmr_reDrawTimer();
    EXPECT_EQ(ColorPeers().GetColor(), MakeColor(0, 0, 3));
    EXPECT_EQ(panel->edt_htmlCode->text(), QStringLiteral("3")); // not rewritten while typed in
    // A press on the square leaves the focus in the field, which follows the new colour all the same.
    Press(panel->img_svArea, QPoint(86, 100));
    panel->tmr_reDrawTimer();
    ASSERT_TRUE(panel->edt_htmlCode->hasFocus());
    EXPECT_NE(ColorPeers().GetColor(), MakeColor(0, 0, 3));
    EXPECT_EQ(panel->edt_htmlCode->text(), FormatHtmlColor(panel->spn_R->Value(), panel->spn_G->Value(), panel->spn_B->Value()));
    panel->edt_htmlCode->selectAll();
    QTest::keyClicks(panel->edt_htmlCode, QStringLiteral("3"));
    panel->tmr_reDrawTimer();
    panel->edt_htmlCode->clearFocus();

    // Alpha shows over the checkerboard; a typed spin value beyond the range clamps.
    panel->spn_A->SetText(QStringLiteral("999"));
    EXPECT_EQ(panel->trc_A->Position(), 255);
    panel->spn_A->SetText(QStringLiteral("128"));
    panel->tmr_reDrawTimer();
    EXPECT_EQ(ColorPeers().GetAlphaColor(), 0x808080u);
    // (0,0) is on a 220 checker square, (4,0) on a white one.
    EXPECT_EQ(PreviewAt(0, 0), QColor(CompositeChannel(0, 220, 127), CompositeChannel(0, 220, 127), CompositeChannel(3, 220, 127)));

    // The transparent button: both services give 0 and the preview is the bare checkerboard,
    // until the next colour change.
    Press(panel->img_A, QPoint(50, 7));
    EXPECT_EQ(ColorPeers().GetColor(), 0u);
    EXPECT_EQ(ColorPeers().GetAlphaColor(), 0u);
    EXPECT_EQ(PreviewAt(0, 0), QColor(220, 220, 220));
    EXPECT_EQ(PreviewAt(4, 0), QColor(255, 255, 255));
    panel->trc_A->SetPosition(200);
    panel->tmr_reDrawTimer();
    EXPECT_EQ(ColorPeers().GetColor(), 0u); // the alpha alone does not end it
    panel->trc_B->SetPosition(40);
    panel->tmr_reDrawTimer();
    EXPECT_EQ(ColorPeers().GetColor(), MakeColor(0, 0, 40));

    // Library cell 2 is red; history cells are the painted colours, oldest first.
    panel->pgc_Color->setCurrentIndex(1);
    Press(panel->img_lib, QPoint(2 * 12 + 5, 50));
    EXPECT_EQ(ColorPeers().GetColor(), 0x0000FFu);
    Shot(QStringLiteral("color_panel_library.png"));
    Press(panel->img_lib, QPoint(8 * 12 + 5, 150)); // cell 24: nothing there
    EXPECT_EQ(ColorPeers().GetColor(), 0x0000FFu);
    ColorPeers().AddToHistory(0x123456);
    ColorPeers().AddToHistory(0x00FF00);
    ColorPeers().AddToHistory(0x123456);
    EXPECT_EQ(panel->Model().HistoryCount, 2);
    panel->pgc_Color->setCurrentIndex(2);
    Press(panel->img_HistoryArea, QPoint(16 + 8, 8));
    EXPECT_EQ(ColorPeers().GetColor(), 0x00FF00u);
    EXPECT_EQ(panel->HistoryBitmap().Pixel(16 + 7, 7), 0xFFFFFFu); // the mark
    Shot(QStringLiteral("color_panel_history.png"));
    Press(panel->img_HistoryArea, QPoint(2 * 16 + 8, 8)); // unused cell
    EXPECT_EQ(ColorPeers().GetColor(), 0x00FF00u);

    // The picker's services: a colour and an alpha below 16 show on the sliders.
    ColorPeers().SetColor(0x336699);
    ColorPeers().SetAlpha(0x10F);
    panel->tmr_reDrawTimer();
    EXPECT_EQ(ColorPeers().GetColor(), 0x336699u);
    EXPECT_EQ(panel->trc_A->Position(), 15);
    EXPECT_EQ(ColorPeers().GetAlphaColor(), 0x0F0F0Fu);
}

TEST_F(ColorPanelTest, PaletteEditReachesTheFormatAndMarksTheDocument)
{
    TIconImageRec f = SolidFormat(32, 32, ctColors16, MakeColor(5, 0, 0), 0);
    f.Bitmap->SetPixel(0, 0, MakeColor(3, 0, 0));
    Tfrm_childwin* doc = NewDocument(QStringLiteral("pal.ico"), {std::move(f), SolidFormat(32, 32, ctTrueColor, 0x00FF00, 0)});
    doc->Document().CurrentIndex = 0;
    doc->ActivateCurrentFormat();
    panel->tmr_reDrawTimer();
    doc->SetModified(false);
    const TIconImageRec& shown = doc->Images()[0];
    const TPalette original = shown.Palette;
    EXPECT_EQ(ColorPeers().GetColorType(), ctColors16);
    ASSERT_NE(ColorPeers().GetPalette(), nullptr);
    EXPECT_EQ(ColorPeers().GetPalette()->palNumEntries, 16);
    EXPECT_TRUE(panel->img_Palette->isVisible());
    EXPECT_FALSE(panel->img_svArea->isVisible());
    EXPECT_FALSE(panel->trc_A->isVisible());
    EXPECT_EQ(panel->trc_A->Position(), 255);
    EXPECT_EQ(doc->Document().Modified, 0);

    // A press on cell 5 selects it and loads its colour without writing it.
    Press(panel->img_Palette, QPoint(5 * 12 + 6, 6));
    panel->tmr_reDrawTimer();
    EXPECT_EQ(ColorPeers().GetColor(), 5u);
    EXPECT_EQ(panel->trc_R->Position(), original.palPalEntry[5].peRed);
    EXPECT_EQ(panel->PaletteBitmap().Pixel(5 * 12 + 5, 5), 0xFFFFFFu);
    EXPECT_EQ(panel->PaletteBitmap().Pixel(5 * 12 + 3, 3), 0u);
    EXPECT_EQ(shown.Palette, original);
    EXPECT_EQ(doc->Document().Modified, 0);
    Press(panel->img_Palette, QPoint(100, 100)); // row 8 of 1: no entry
    Press(panel->img_Palette, QPoint(-3, 5));
    EXPECT_EQ(ColorPeers().GetColor(), 5u);
    Shot(QStringLiteral("color_panel_palette.png"));

    // Dragging green edits entry 5: the format shows it at every pixel of index 5.
    for (int gv = 10; gv <= 200; gv += 10) panel->trc_G->SetPosition(gv);
    panel->tmr_reDrawTimer();
    EXPECT_EQ(shown.Palette.palPalEntry[5].peGreen, 200);
    EXPECT_EQ(shown.Palette.palPalEntry[3], original.palPalEntry[3]);
    EXPECT_EQ(doc->Document().Modified, 1);
    EXPECT_TRUE(doc->windowTitle().endsWith(QStringLiteral(" *")));
    const int z = doc->ZoomFactor();
    const QColor canvas = doc->PaintBox1->grab().toImage().pixelColor(z * 16 + z / 2, z * 16 + z / 2);
    EXPECT_EQ(canvas.green(), 200);
    Shot(QStringLiteral("color_panel_edited.png"));
    Shot(QStringLiteral("color_panel_edited_document.png"), main.get());
    EXPECT_EQ(ColorPeers().GetPalette()->palPalEntry[5].peGreen, 200);

    // In palette mode the transparent button leaves the index; a library colour selects the
    // nearest entry and edits none.
    Press(panel->img_A, QPoint(5, 5));
    EXPECT_EQ(ColorPeers().GetColor(), 5u);
    const TPalette edited = shown.Palette;
    panel->pgc_Color->setCurrentIndex(1);
    Press(panel->img_lib, QPoint(22 * 12 - 16 * 12 + 5, 150)); // cell 22, white
    panel->tmr_reDrawTimer();
    EXPECT_EQ(ColorPeers().GetColor(), TColor(NearestPaletteIndex(&edited, 0xFFFFFF)));
    EXPECT_EQ(shown.Palette, edited);

    // The format's palette changed behind the window (an effect re-quantised it without a redraw):
    // the window's next change that edits no entry leaves the newer palette alone.
    doc->Document().CurrentImage()->Palette.palPalEntry[7] = TPaletteEntry{1, 2, 3, 0};
    const TPalette newer = shown.Palette;
    Press(panel->img_lib, QPoint(5, 150));
    panel->tmr_reDrawTimer();
    EXPECT_EQ(shown.Palette, newer);
    EXPECT_NE(*ColorPeers().GetPalette(), newer);

    // The true-colour format brings the square back with the alpha row hidden (type 4).
    doc->Document().CurrentIndex = 1;
    doc->ActivateCurrentFormat();
    panel->pgc_Color->setCurrentIndex(0);
    EXPECT_EQ(ColorPeers().GetPalette(), nullptr);
    EXPECT_TRUE(panel->img_svArea->isVisible());
    EXPECT_FALSE(panel->trc_A->isVisible());
    Shot(QStringLiteral("color_panel_true_color_24.png"));
}
