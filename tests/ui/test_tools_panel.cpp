// The tools window driven as a person drives it: its furniture and pages, the tool buttons, the
// track bars and their previews, the palette formats' refusals with their messages, the shape
// pages and their swatch clicks, the text page, the readouts and the keys it hands to the document;
// and its place in the program, made on the main window's first show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "imaging/icon_image.h"
#include "model/tool_previews.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/work_area.h"
#include "support/bitmap_checks.h"
#include "support/scripted_dialogs.h"
#include "support/ui_helpers.h"
#include "workspace/peers.h"
#include "workspace/tools_panel.h"

namespace {

// A tools window on its own, with the main window's and the colour window's entries stood in
// for, recording what the window asks of them.
class ToolsPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedFrame_ = FramePeers();
        savedColor_ = ColorPeers();
        savedTools_ = ToolsPeers();
        TFramePeers& frame = FramePeers();
        frame = TFramePeers{};
        frame.ActiveColorType = [this] { return activeType; };
        frame.ToolChanged = [this] { calls << QStringLiteral("ToolChanged"); };
        frame.PaletteChanged = [this] { calls << QStringLiteral("PaletteChanged"); };
        frame.SetTextEditing = [this](bool on) { calls << QStringLiteral("SetTextEditing %1").arg(on); };
        frame.CommitAllTexts = [this] { calls << QStringLiteral("CommitAllTexts"); };
        frame.SetActiveTextFrame = [this](int x, int y, int a, int h, int w) {
            calls << QStringLiteral("SetActiveTextFrame %1 %2 %3 %4 %5").arg(x).arg(y).arg(a).arg(h).arg(w);
        };
        frame.DocumentKeyPress = [this](QKeyEvent* e) { keys << e->key(); };
        TColorPeers& color = ColorPeers();
        color = TColorPeers{};
        color.GetColor = [this] { return panelColor; };
        color.GetAlphaColor = [this] { return alphaColor; };
        color.GetColorType = [this] { return panelType; };
        color.GetPalette = [this]() -> const TPalette* { return IsPaletteColorType(panelType) ? &palette : nullptr; };
        LoadDefaultPalette(palette, ctColors256);
        w = std::make_unique<Tfrm_tools_panel>();
        w->show();
    }
    void TearDown() override
    {
        w.reset();
        FramePeers() = savedFrame_;
        ColorPeers() = savedColor_;
        ToolsPeers() = savedTools_;
    }
    void Click(QToolButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    void ClickBox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }
    // Chooses an item of a type combo as its list does: the item becomes current, then activated.
    void Choose(QComboBox* combo, int item)
    {
        combo->setCurrentIndex(item);
        emit combo->activated(item);
    }
    const Bitmap24& Shown(const QLabel* image) const { return w->PreviewOf(image); }

    ScriptedDialogs dialogs;
    std::unique_ptr<Tfrm_tools_panel> w;
    QStringList calls;
    QList<int> keys;
    int32_t activeType = ctTrueAlpha;
    int32_t panelType = ctTrueAlpha;
    TColor panelColor = MakeColor(200, 0, 0);
    TColor alphaColor = 0xFFFFFF;
    TPalette palette;

private:
    TFramePeers savedFrame_;
    TColorPeers savedColor_;
    TToolsPeers savedTools_;
};

} // namespace

TEST_F(ToolsPanelTest, FurniturePagesAndDefaults)
{
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tools"));
    EXPECT_EQ(w->objectName(), QStringLiteral("frm_tools_panel"));
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w->windowFlags() & Qt::Tool);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_TRUE(w->SnapToEdges);
    EXPECT_EQ(w->pan_XY->text(), QStringLiteral("X:                Y:"));
    EXPECT_FALSE(w->pgc_Tools->tabBar()->isVisible());
    EXPECT_EQ(w->CurrentPage(), w->tab_welcome);
    EXPECT_EQ(w->ToolId(), tiNone);
    // The page titles, in bold.
    const std::pair<QWidget*, const char*> titles[] = {
        {w->tab_pencil, "Pencil"}, {w->tab_brush, "Brush"},     {w->tab_eraser, "Eraser"},       {w->tab_bucket, "Bucket"},
        {w->tab_dropper, "Dropper"}, {w->tab_line, "Line"},     {w->tab_text, "Text"},           {w->tab_rect, "Rectangle"},
        {w->tab_ellipse, "Ellipse"}, {w->tab_RectSelect, "Rect Select"}, {w->tab_FreeSelect, "Lasso Tool"}};
    for (const auto& [page, title] : titles) {
        QStringList texts;
        for (QLabel* l : page->findChildren<QLabel*>())
            if (l->font().bold()) texts << l->text();
        EXPECT_TRUE(texts.contains(QLatin1String(title))) << title;
    }
    QStringList welcome;
    for (QLabel* l : w->tab_welcome->findChildren<QLabel*>()) welcome << l->text();
    EXPECT_TRUE(welcome.contains(QStringLiteral("Welcome to ")));
    EXPECT_TRUE(welcome.contains(QStringLiteral("Tavrin")));
    // Tool buttons: three rows, 32 x 32.
    EXPECT_EQ(w->btn_RectSelect->geometry().top(), w->btn_brush->geometry().top());
    EXPECT_EQ(w->btn_Dropper->geometry().left(), w->btn_RectSelect->geometry().left());
    EXPECT_GT(w->btn_Dropper->geometry().top(), w->btn_RectSelect->geometry().top());
    EXPECT_GT(w->btn_Line->geometry().top(), w->btn_Text->geometry().top());
    EXPECT_EQ(w->btn_Line->size(), QSize(32, 32));
    EXPECT_FALSE(w->btn_pencil->icon().isNull());
    // Defaults shown by the controls.
    EXPECT_EQ(w->trc_BrushSize->Position(), 3);
    EXPECT_EQ(w->spn_BrushGradient->Value(), 32);
    EXPECT_EQ(w->trc_BucketTolerance->maximum(), 255);
    EXPECT_EQ(w->trc_PencilSize->maximum(), 15);
    EXPECT_EQ(w->edt_TextText->text(), QStringLiteral("Hello"));
    EXPECT_EQ(w->spn_TextW->Value(), 32);
    EXPECT_EQ(w->cmb_RectType->currentIndex(), 1);
    EXPECT_EQ(w->cmb_RectType->itemText(2), QStringLiteral("2"));
    EXPECT_TRUE(w->chk_RectAntiAliasing->isChecked());
    EXPECT_TRUE(w->chk_EllipseGradient->isChecked());
    EXPECT_TRUE(w->btn_RectStyle[0]->isChecked());
    EXPECT_FALSE(w->chk_LineAntiAliase->isChecked());
    EXPECT_EQ(w->chk_LineAntiAliase->text(), QStringLiteral("Anti-Aliasing"));
    EXPECT_EQ(w->btn_Font->text(), QStringLiteral("Font"));
    EXPECT_EQ(w->lbl_dropperR->text(), QStringLiteral("R:   "));
    // The peers are served while the window lives, and emptied when it goes.
    ASSERT_TRUE(DocumentPeers().CurrentToolId);
    ASSERT_TRUE(ToolsPeers().RefreshPreviews);
    DocumentPeers().ShowCell(12, 7);
    EXPECT_EQ(w->pan_XY->text(), QStringLiteral("X: 12               Y: 7"));
    w.reset();
    EXPECT_FALSE(DocumentPeers().CurrentToolId);
    EXPECT_FALSE(ToolsPeers().ShowPickedColour);
}

TEST_F(ToolsPanelTest, ToolButtonsChoosePagesAndComeUpAgain)
{
    Click(w->btn_pencil);
    EXPECT_EQ(w->ToolId(), tiPencil);
    EXPECT_EQ(DocumentPeers().CurrentToolId(), tiPencil);
    EXPECT_EQ(w->CurrentPage(), w->tab_pencil);
    EXPECT_TRUE(w->btn_pencil->isChecked());
    Click(w->btn_Ellipse);
    EXPECT_FALSE(w->btn_pencil->isChecked());
    EXPECT_EQ(w->ToolId(), tiEllipse);
    EXPECT_EQ(w->CurrentPage(), w->tab_ellipse);
    // Pressing the down button again raises it: no tool, the welcome page.
    Click(w->btn_Ellipse);
    EXPECT_FALSE(w->btn_Ellipse->isChecked());
    EXPECT_EQ(w->ToolId(), tiNone);
    EXPECT_EQ(w->CurrentPage(), w->tab_welcome);
    const std::pair<QToolButton*, QWidget*> pages[] = {
        {w->btn_RectSelect, w->tab_RectSelect}, {w->btn_FreeSelect, w->tab_FreeSelect}, {w->btn_brush, w->tab_brush},
        {w->btn_Dropper, w->tab_dropper},       {w->btn_eraser, w->tab_eraser},         {w->btn_bucket, w->tab_bucket},
        {w->btn_Rect, w->tab_rect},             {w->btn_Line, w->tab_line},             {w->btn_Text, w->tab_text}};
    for (const auto& [button, page] : pages) {
        Click(button);
        EXPECT_EQ(w->CurrentPage(), page) << button->objectName().toStdString();
    }
    // The text tool takes the lock on and the frame is told; any way out releases it.
    EXPECT_EQ(w->ToolId(), tiText);
    EXPECT_TRUE(calls.contains(QStringLiteral("SetTextEditing 1")));
    EXPECT_EQ(calls.last(), QStringLiteral("PaletteChanged"));
    calls.clear();
    Click(w->btn_pencil);
    EXPECT_TRUE(calls.contains(QStringLiteral("SetTextEditing 0")));
    EXPECT_TRUE(calls.contains(QStringLiteral("ToolChanged")));
    // The dropper's labels are emptied when it is chosen.
    w->ShowPickedColour(MakeColor(1, 2, 3), 4);
    Click(w->btn_Dropper);
    EXPECT_TRUE(w->lbl_dropperR->text().isEmpty());
    EXPECT_TRUE(w->lbl_dropperA->text().isEmpty());
    // Leaving the text tool from the document: no tool, the welcome page, the lock off.
    Click(w->btn_Text);
    calls.clear();
    DocumentPeers().LeaveTextTool();
    EXPECT_EQ(w->ToolId(), tiNone);
    EXPECT_FALSE(w->btn_Text->isChecked());
    EXPECT_EQ(w->CurrentPage(), w->tab_welcome);
    EXPECT_EQ(calls, QStringList{"SetTextEditing 0"});
    // Under another tool it does nothing.
    Click(w->btn_brush);
    DocumentPeers().LeaveTextTool();
    EXPECT_EQ(w->ToolId(), tiBrush);
}

TEST_F(ToolsPanelTest, TrackBarsRedrawTheirPreviewsAndMirrorTheSpinEdits)
{
    Click(w->btn_brush);
    w->trc_BrushSize->setFocus();
    QTest::keyClick(w->trc_BrushSize, Qt::Key_End);
    EXPECT_EQ(w->spn_BrushSize->Value(), 7);
    EXPECT_EQ(ToolSettings().BrushSize, 7);
    // A 15-pixel tip magnified to 45 pixels at (100 - 45) div 2.
    w->trc_BrushGradient->SetPosition(255);
    const Bitmap24& brush = Shown(w->img_Brush);
    ASSERT_EQ(brush.Width(), 100);
    const TColor c = panelColor;
    EXPECT_EQ(BoundsWhere(brush, [c](TColor p) { return p == c; }), (Rect{27, 27, 72, 72}));
    EXPECT_EQ(brush.Pixel(0, 0), 0u);
    // The spin edit's text reaches the track bar; an empty text or one that is no number waits.
    w->spn_PencilSize->SetText(QStringLiteral("9"));
    EXPECT_EQ(w->trc_PencilSize->Position(), 9);
    EXPECT_EQ(ToolSettings().PencilSize, 9);
    w->spn_PencilSize->SetText(QString());
    EXPECT_EQ(w->trc_PencilSize->Position(), 9);
    w->spn_PencilSize->SetText(QStringLiteral("abc"));
    EXPECT_EQ(w->trc_PencilSize->Position(), 9);
    w->spn_PencilSize->SetText(QStringLiteral("99999999999999999999"));
    EXPECT_EQ(w->trc_PencilSize->Position(), 15);
    const Bitmap24& pencil = Shown(w->img_pencil);
    EXPECT_EQ(BoundsWhere(pencil, [c](TColor p) { return p == c; }), (Rect{27, 27, 72, 72}));
    // The line preview follows its size; the bucket has none.
    w->trc_LineSize->SetPosition(4);
    EXPECT_EQ(w->spn_LineSize->Value(), 4);
    EXPECT_FALSE(BoundsWhere(Shown(w->img_Line), [c](TColor p) { return p == c; }).IsEmpty());
    w->trc_BucketTolerance->SetPosition(100);
    EXPECT_EQ(ToolSettings().BucketTolerance, 100);
    EXPECT_EQ(w->spn_BucketTolerance->Value(), 100);
}

// Letters typed or pasted into the six size fields are no number: the value stays, the slider and
// the tool keep it, and the field keeps what was typed until it is a number again.
TEST_F(ToolsPanelTest, LettersInTheSizeFieldsChangeNothing)
{
    struct Field {
        QToolButton* Tool;
        TTrackBar* Track;
        TSpinEdit* Spin;
        int TToolSettings::*Setting;
        int Start;
    };
    const Field fields[] = {
        {w->btn_pencil, w->trc_PencilSize, w->spn_PencilSize, &TToolSettings::PencilSize, 4},
        {w->btn_brush, w->trc_BrushSize, w->spn_BrushSize, &TToolSettings::BrushSize, 5},
        {w->btn_brush, w->trc_BrushGradient, w->spn_BrushGradient, &TToolSettings::BrushGradient, 40},
        {w->btn_eraser, w->trc_EraserSize, w->spn_EraserSize, &TToolSettings::EraserSize, 6},
        {w->btn_bucket, w->trc_BucketTolerance, w->spn_BucketTolerance, &TToolSettings::BucketTolerance, 70},
        {w->btn_Line, w->trc_LineSize, w->spn_LineSize, &TToolSettings::LineSize, 3},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.Spin->objectName().toStdString());
        if (!f.Tool->isChecked()) Click(f.Tool);
        f.Track->SetPosition(f.Start);
        f.Spin->setFocus();
        QTest::keyClick(f.Spin, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(f.Spin, QStringLiteral("abc"));
        EXPECT_EQ(f.Spin->Text(), QStringLiteral("abc"));
        EXPECT_EQ(f.Track->Position(), f.Start);
        EXPECT_EQ(ToolSettings().*f.Setting, f.Start);
        // Leaving the field keeps the letters and the value.
        w->edt_TextText->setFocus();
        EXPECT_EQ(f.Spin->Text(), QStringLiteral("abc"));
        EXPECT_EQ(f.Track->Position(), f.Start);
        // A number typed over them is taken.
        f.Spin->setFocus();
        QTest::keyClick(f.Spin, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(f.Spin, QStringLiteral("2"));
        EXPECT_EQ(f.Track->Position(), 2);
        EXPECT_EQ(ToolSettings().*f.Setting, 2);
    }
    // Pasted text: "x9" is no number either.
    Click(w->btn_pencil);
    w->trc_PencilSize->SetPosition(4);
    QApplication::clipboard()->setText(QStringLiteral("x9"));
    w->spn_PencilSize->setFocus();
    QTest::keyClick(w->spn_PencilSize, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w->spn_PencilSize, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w->spn_PencilSize->Text(), QStringLiteral("x9"));
    SaveShot(w.get(), "tools_pencil_x9");
    EXPECT_EQ(w->trc_PencilSize->Position(), 4);
    EXPECT_EQ(ToolSettings().PencilSize, 4);
}

TEST_F(ToolsPanelTest, PaletteFormatsRefuseWithTheirMessages)
{
    const QString aa = QStringLiteral(
        "Anti Aliasing: Anti Aliasing is not supported in the current color mode, it's only available in 24 bits or 32 bits color.");
    // The active format's colour type decides softness and the line and text anti-aliasing.
    activeType = ctColors256;
    Click(w->btn_brush);
    w->trc_BrushGradient->SetPosition(255);
    w->trc_BrushGradient->SetPosition(100);
    EXPECT_EQ(dialogs.Shown(), QStringList{aa});
    EXPECT_EQ(w->trc_BrushGradient->Position(), 255);
    EXPECT_EQ(w->spn_BrushGradient->Value(), 255);
    EXPECT_EQ(ToolSettings().BrushGradient, 255);
    ClickBox(w->chk_LineAntiAliase);
    EXPECT_FALSE(w->chk_LineAntiAliase->isChecked());
    calls.clear();
    ClickBox(w->chk_TextAntiAliase);
    EXPECT_FALSE(w->chk_TextAntiAliase->isChecked());
    EXPECT_FALSE(ToolSettings().TextAntiAlias);
    EXPECT_EQ(calls, QStringList{"PaletteChanged"});
    EXPECT_EQ(dialogs.Messages.size(), 3);
    EXPECT_EQ(dialogs.Messages.last().Caption, QStringLiteral("Anti Aliasing"));

    // The shape pages ask the colour window.
    dialogs.Messages.clear();
    activeType = ctTrueAlpha;
    panelType = ctColors16;
    LoadDefaultPalette(palette, ctColors16);
    panelColor = 5;
    Click(w->btn_Ellipse);
    EXPECT_FALSE(w->chk_EllipseGradient->isChecked());
    Choose(w->cmb_EllipseType, 1);
    EXPECT_EQ(w->cmb_EllipseType->currentIndex(), 0);
    ClickBox(w->chk_EllipseAntiAliasing);
    EXPECT_FALSE(w->chk_EllipseAntiAliasing->isChecked());
    Choose(w->cmb_EllipseType, 2);
    ClickBox(w->chk_EllipseGradient);
    EXPECT_FALSE(w->chk_EllipseGradient->isChecked());
    QTest::mouseClick(w->img_EllipseGradient, Qt::LeftButton);
    EXPECT_EQ(dialogs.Shown(),
              (QStringList{"Message: The selected type is only supported in 32 or 24 bits color.",
                           "Message: Anti-Aliasing is only supported in 32 or 24 bits color.",
                           "Message: Gradient is only supported in 32 or 24 bits color.",
                           "Message: In 256, 16, or 2 colors mode, the fill color is decided by color panel."}));
    // Fill only takes the colour window's index, shown through its palette.
    EXPECT_EQ(ToolSettings().Ellipse.FillColor, 5u);
    EXPECT_EQ(Shown(w->img_Ellipse).Pixel(35, 35), PaletteColor(5, &palette));
    // The rectangle refuses the type and the gradient silently.
    dialogs.Messages.clear();
    Click(w->btn_Rect);
    Choose(w->cmb_RectType, 2);
    Choose(w->cmb_RectType, 1);
    EXPECT_EQ(w->cmb_RectType->currentIndex(), 0);
    EXPECT_TRUE(dialogs.Messages.isEmpty());

    // In true colour the same controls take effect.
    activeType = ctTrueColor;
    ClickBox(w->chk_LineAntiAliase);
    EXPECT_TRUE(w->chk_LineAntiAliase->isChecked());
    EXPECT_TRUE(ToolSettings().LineAntiAlias);
}

TEST_F(ToolsPanelTest, AnnouncingFormatsAppliesThePaletteRulesAndEndsTheText)
{
    int docA = 0, docB = 0;
    Click(w->btn_Text);
    ClickBox(w->chk_TextAntiAliase);
    ASSERT_TRUE(w->chk_TextAntiAliase->isChecked());
    calls.clear();
    DocumentPeers().ActiveImageChanged(reinterpret_cast<Tfrm_childwin*>(&docA), 0, ctColors256);
    // Silently: no message, the controls show the refused options off.
    EXPECT_TRUE(dialogs.Messages.isEmpty());
    EXPECT_FALSE(w->chk_TextAntiAliase->isChecked());
    EXPECT_EQ(w->trc_BrushGradient->Position(), 255);
    EXPECT_FALSE(w->chk_RectGradient->isChecked());
    EXPECT_EQ(w->cmb_EllipseType->currentIndex(), 0);
    // The text tool ends; another document: every document commits.
    EXPECT_EQ(w->ToolId(), tiNone);
    EXPECT_FALSE(w->btn_Text->isChecked());
    EXPECT_EQ(w->CurrentPage(), w->tab_welcome);
    EXPECT_TRUE(calls.contains(QStringLiteral("SetTextEditing 0")));
    EXPECT_TRUE(calls.contains(QStringLiteral("CommitAllTexts")));
    // The same announcement again does nothing.
    Click(w->btn_Text);
    calls.clear();
    DocumentPeers().ActiveImageChanged(reinterpret_cast<Tfrm_childwin*>(&docA), 0, ctColors256);
    EXPECT_EQ(w->ToolId(), tiText);
    EXPECT_TRUE(calls.isEmpty());
    // Another format of the same document: the text ends without committing every document.
    DocumentPeers().ActiveImageChanged(reinterpret_cast<Tfrm_childwin*>(&docA), 1, ctTrueAlpha);
    EXPECT_EQ(w->ToolId(), tiNone);
    EXPECT_FALSE(calls.contains(QStringLiteral("CommitAllTexts")));
    DocumentPeers().ActiveImageChanged(reinterpret_cast<Tfrm_childwin*>(&docB), 0, ctTrueAlpha);
}

TEST_F(ToolsPanelTest, ShapeSwatchOpensTheGradientEditorOrTheColourDialog)
{
    Click(w->btn_Rect);
    // Gradient checked: the editor; its nodes become the strip.
    int editorRuns = 0;
    bool answer = true;
    ToolsPeers().EditGradient = [&](QWidget*, TNodeArray& nodes) {
        ++editorRuns;
        if (!answer) return false;
        nodes = {TNodeRec{0, MakeColor(255, 0, 0), 1}, TNodeRec{511, MakeColor(0, 255, 0), 1}};
        return true;
    };
    QTest::mouseClick(w->img_RectGradient, Qt::LeftButton);
    EXPECT_EQ(editorRuns, 1);
    EXPECT_EQ(ToolSettings().Rect.Strip.Pixel(0, 0), MakeColor(255, 0, 0));
    EXPECT_EQ(ToolSettings().Rect.Strip.Pixel(511, 0), MakeColor(0, 255, 0));
    EXPECT_EQ(ToolSettings().Ellipse.Strip.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_GT(ColorR(Shown(w->img_RectGradient).Pixel(1, 2)), 240);
    EXPECT_LT(ColorG(Shown(w->img_RectGradient).Pixel(1, 2)), 16);
    EXPECT_GT(ColorG(Shown(w->img_RectGradient).Pixel(159, 2)), 240);
    // Cancel changes nothing.
    answer = false;
    const Bitmap24 before = ToolSettings().Rect.Strip;
    QTest::mouseClick(w->img_RectGradient, Qt::LeftButton);
    EXPECT_EQ(editorRuns, 2);
    EXPECT_TRUE(ToolSettings().Rect.Strip == before);
    // Gradient unchecked: the colour dialog; OK stores the fill, Cancel leaves it.
    ClickBox(w->chk_RectGradient);
    EXPECT_EQ(ToolSettings().GradientMode, gmSolid);
    EXPECT_FALSE(w->btn_RectStyle[0]->isVisible());
    dialogs.ColorAnswers.enqueue(MakeColor(0, 0, 128));
    QTest::mouseClick(w->img_RectGradient, Qt::LeftButton);
    EXPECT_EQ(ToolSettings().Rect.FillColor, MakeColor(0, 0, 128));
    EXPECT_EQ(Shown(w->img_Rect).Pixel(35, 35), MakeColor(0, 0, 128));
    QTest::mouseClick(w->img_RectGradient, Qt::LeftButton);
    EXPECT_EQ(ToolSettings().Rect.FillColor, MakeColor(0, 0, 128));
    EXPECT_EQ(editorRuns, 2);
    // Outline only hides the gradient box, swatch and styles; fill only hides the border.
    Choose(w->cmb_RectType, 0);
    EXPECT_FALSE(w->chk_RectGradient->isVisible());
    EXPECT_FALSE(w->img_RectGradient->isVisible());
    Choose(w->cmb_RectType, 2);
    EXPECT_TRUE(w->img_RectGradient->isVisible());
    EXPECT_FALSE(w->spn_RectBorderSize->isVisible());
    EXPECT_FALSE(w->lbl_RectBorderSize->isVisible());
}

// A shape's solid fill chosen in true colour survives a palette document made current meanwhile;
// the palette document gets the colour window's index, the true-colour one its colour back.
TEST_F(ToolsPanelTest, TrueColourFillSurvivesAPaletteDocument)
{
    int doc24 = 0, doc16 = 0;
    const TColor red = MakeColor(255, 0, 0);
    activeType = panelType = ctTrueColor;
    DocumentPeers().ActiveImageChanged(reinterpret_cast<Tfrm_childwin*>(&doc24), 0, ctTrueColor);
    Click(w->btn_Rect);
    ClickBox(w->chk_RectGradient);
    ASSERT_FALSE(w->chk_RectGradient->isChecked());
    dialogs.ColorAnswers.enqueue(red);
    QTest::mouseClick(w->img_RectGradient, Qt::LeftButton);
    ASSERT_EQ(ToolSettings().Rect.FillColor, red);

    // The 16-colour document becomes current, as the colour window follows it.
    activeType = panelType = ctColors16;
    LoadDefaultPalette(palette, ctColors16);
    panelColor = 0;
    DocumentPeers().ActiveImageChanged(reinterpret_cast<Tfrm_childwin*>(&doc16), 0, ctColors16);
    EXPECT_EQ(ToolSettings().Rect.FillColor, 0u);

    // Back to the 24-bit document; type 1 shows and uses red again, the ellipse its white.
    activeType = panelType = ctTrueColor;
    panelColor = MakeColor(10, 20, 30);
    DocumentPeers().ActiveImageChanged(reinterpret_cast<Tfrm_childwin*>(&doc24), 0, ctTrueColor);
    Choose(w->cmb_RectType, 1);
    EXPECT_EQ(ToolSettings().Rect.FillColor, red);
    EXPECT_EQ(Shown(w->img_Rect).Pixel(35, 35), red);
    EXPECT_EQ(Shown(w->img_RectGradient).Pixel(4, 4), red);
    EXPECT_EQ(ToolSettings().Ellipse.FillColor, 0xFFFFFFu);
    // A colour chosen now is the one kept.
    dialogs.ColorAnswers.enqueue(MakeColor(0, 128, 0));
    QTest::mouseClick(w->img_RectGradient, Qt::LeftButton);
    EXPECT_EQ(ToolSettings().Rect.FillColor, MakeColor(0, 128, 0));
}

TEST_F(ToolsPanelTest, OneGradientModeForBothShapes)
{
    Click(w->btn_Rect);
    Click(w->btn_RectStyle[2]);
    EXPECT_EQ(ToolSettings().GradientMode, gmBox);
    Click(w->btn_Ellipse); // the ellipse page refresh with style 01 down
    EXPECT_EQ(ToolSettings().GradientMode, gmVertical);
    // A border typed as text that is no number changes nothing.
    Click(w->btn_Rect);
    w->spn_RectBorderSize->SetText(QStringLiteral("4"));
    EXPECT_EQ(ToolSettings().Rect.BorderSize, 4);
    w->spn_RectBorderSize->SetText(QStringLiteral("x"));
    EXPECT_EQ(ToolSettings().Rect.BorderSize, 4);
    w->spn_RectRound->SetText(QStringLiteral("12"));
    EXPECT_EQ(ToolSettings().Rect.Round, 12);
}

TEST_F(ToolsPanelTest, TextPageDrivesTheFrameAndThePreview)
{
    Click(w->btn_Text);
    const Bitmap24 hello = Shown(w->img_text);
    calls.clear();
    w->edt_TextText->setFocus();
    QTest::keyClicks(w->edt_TextText, QStringLiteral("!!"));
    EXPECT_EQ(ToolSettings().TextText, QStringLiteral("Hello!!"));
    EXPECT_FALSE(Shown(w->img_text) == hello);
    EXPECT_EQ(calls.last(), QStringLiteral("PaletteChanged"));
    // Keys typed into the line edit stay there, also those it has no use for; Esc always goes to
    // the document.
    QTest::keyClick(w->edt_TextText, Qt::Key_Up);
    QTest::keyClick(w->spn_TextX, Qt::Key_Delete);
    EXPECT_TRUE(keys.isEmpty());
    QTest::keyClick(w->edt_TextText, Qt::Key_Escape);
    EXPECT_EQ(keys, QList<int>{Qt::Key_Escape});
    // The five spin edits place the frame only when all are whole numbers.
    calls.clear();
    w->spn_TextX->SetText(QStringLiteral("5"));
    EXPECT_EQ(calls.first(), QStringLiteral("SetActiveTextFrame 5 0 0 32 32"));
    calls.clear();
    w->spn_TextW->SetText(QStringLiteral("1x"));
    EXPECT_TRUE(calls.isEmpty());
    w->spn_TextW->SetText(QStringLiteral("2000"));
    EXPECT_EQ(calls.first(), QStringLiteral("SetActiveTextFrame 5 0 0 32 1000"));
    // The document mirrors its frame without anything sent back.
    calls.clear();
    ToolsPeers().SetTextPlacement(7, 8, 30, 40, 50);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(w->spn_TextAngle->Value(), 30);
    EXPECT_EQ(w->spn_TextH->Value(), 40);
    EXPECT_EQ(w->spn_TextW->Value(), 50);
    EXPECT_EQ(ToolSettings().TextY, 8);
    // The font window: OK takes its font and text, Cancel nothing; no font window, nothing.
    QFont chosen;
    chosen.setPointSize(20);
    bool ok = true;
    ToolsPeers().ChooseFont = [&](QWidget*, QString& text, QFont& font) {
        EXPECT_EQ(text, QStringLiteral("Hello!!"));
        if (!ok) return false;
        text = QStringLiteral("Font");
        font = chosen;
        return true;
    };
    QTest::mouseClick(w->btn_Font, Qt::LeftButton);
    EXPECT_EQ(ToolSettings().TextFont.pointSize(), 20);
    EXPECT_EQ(w->edt_TextText->text(), QStringLiteral("Font"));
    ok = false;
    ToolSettings().TextText = QStringLiteral("Hello!!");
    QTest::mouseClick(w->btn_Font, Qt::LeftButton);
    EXPECT_EQ(ToolSettings().TextText, QStringLiteral("Hello!!"));
    // Keys no control takes reach the document.
    keys.clear();
    w->activateWindow();
    w->setFocus();
    QTest::keyClick(w.get(), Qt::Key_Delete);
    EXPECT_EQ(keys, QList<int>{Qt::Key_Delete});
}

TEST_F(ToolsPanelTest, ReadoutsOfSelectionBucketAndPicker)
{
    Bitmap24 color = FilledBitmap(40, 1, MakeColor(0, 200, 0));
    Bitmap24 mask = FilledBitmap(40, 1, 0);
    ToolsPeers().ShowRectSelection(Rect{3, 4, 43, 5}, &color, &mask);
    EXPECT_EQ(w->lbl_RectSelectX->text(), QStringLiteral("X: 3"));
    EXPECT_EQ(w->lbl_RectSelectW->text(), QStringLiteral("W: 40"));
    EXPECT_EQ(w->lbl_RectSelectH->text(), QStringLiteral("H: 1"));
    const Bitmap24& thumb = Shown(w->img_RectSelect);
    EXPECT_EQ(BoundsWhere(thumb, [](TColor c) { return c == MakeColor(0, 200, 0); }), (Rect{0, 62, 128, 65}));
    // Nothing selected: the picture clears, the numbers stay.
    ToolsPeers().ShowRectSelection(Rect{}, nullptr, nullptr);
    EXPECT_EQ(w->lbl_RectSelectX->text(), QStringLiteral("X: 3"));
    EXPECT_TRUE(BoundsWhere(Shown(w->img_RectSelect), [](TColor c) { return c == MakeColor(0, 200, 0); }).IsEmpty());
    ToolsPeers().ShowFreeSelection(Rect{0, 0, 20, 40}, &color, &mask);
    EXPECT_EQ(w->lbl_FreeSelectH->text(), QStringLiteral("H: 40"));

    // The bucket's trial fill: indices through the colour window's palette, from its rectangle.
    panelType = ctColors16;
    LoadDefaultPalette(palette, ctColors16);
    Bitmap24 indices = FilledBitmap(8, 8, 3);
    Bitmap24 opaque = FilledBitmap(8, 8, 0);
    ToolsPeers().ShowBucketPreview(indices, opaque, Rect{2, 2, 6, 6});
    EXPECT_EQ(Shown(w->img_bucket).Pixel(64, 64), PaletteColor(3, &palette));

    ToolsPeers().ShowPickedColour(MakeColor(10, 20, 30), 255);
    EXPECT_EQ(w->lbl_dropperR->text(), QStringLiteral("R:10"));
    EXPECT_EQ(w->lbl_dropperG->text(), QStringLiteral("G:20"));
    EXPECT_EQ(w->lbl_dropperB->text(), QStringLiteral("B:30"));
    EXPECT_EQ(w->lbl_dropperA->text(), QStringLiteral("A:255"));
    EXPECT_EQ(Shown(w->img_dropper).Pixel(0, 0), MakeColor(10, 20, 30));
    ToolsPeers().ShowPickedColour(MakeColor(10, 20, 30), 0);
    EXPECT_EQ(Shown(w->img_dropper).Pixel(0, 0), GreyColor(220));
    EXPECT_EQ(Shown(w->img_dropper).Pixel(4, 0), GreyColor(255));
}

TEST_F(ToolsPanelTest, ColourChangesRedrawTheCurrentToolsPreview)
{
    Click(w->btn_pencil);
    ToolsPeers().RefreshPreviews();
    EXPECT_EQ(Shown(w->img_pencil).Pixel(50, 50), MakeColor(200, 0, 0));
    panelColor = MakeColor(0, 0, 250);
    ToolsPeers().RefreshPreviews();
    EXPECT_EQ(Shown(w->img_pencil).Pixel(50, 50), MakeColor(0, 0, 250));
    // The transparent state: the pencil erases nothing of an empty ground, so nothing shows.
    alphaColor = 0;
    ToolsPeers().RefreshPreviews();
    EXPECT_EQ(Shown(w->img_pencil).Pixel(50, 50), GreyColor(((50 ^ 50) & 4) ? 255 : 220));
}

TEST_F(MainWindowTest, ToolsWindowIsMadeOnFirstShowBesideTheMainWindow)
{
    auto* tools = qobject_cast<Tfrm_tools_panel*>(main->ToolsWindow.data());
    ASSERT_NE(tools, nullptr);
    EXPECT_TRUE(tools->isVisible());
    // (A maximized frame covers the work area.)
    const Rect area = WorkAreaOf(main.get());
    const QRect frame =
        main->isMaximized() ? QRect(area.Left, area.Top, area.Width(), area.Height()) : main->frameGeometry();
    EXPECT_EQ(tools->frameGeometry().left(), frame.left() + 5);
    EXPECT_EQ(tools->frameGeometry().top(), frame.top() + 80);
    // A document hears the current tool, and the tools window hears its formats.
    Tfrm_childwin* doc = NewDocument(QStringLiteral("t.ico"), {SolidFormat(16, 16, ctColors16)});
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(ToolSettings().LastColorType, ctColors16);
    EXPECT_EQ(ToolSettings().BrushGradient, 255);
    QTest::mouseClick(tools->btn_Line, Qt::LeftButton);
    EXPECT_EQ(DocumentPeers().CurrentToolId(), tiLine);
    // A closed document is forgotten, so one made later at its address is announced afresh.
    EXPECT_EQ(ToolSettings().LastDocument, static_cast<const void*>(doc));
    QObject* window = doc->parentWidget() ? static_cast<QObject*>(doc->parentWidget()) : doc;
    delete window;
    EXPECT_EQ(ToolSettings().LastDocument, nullptr);
}

// The open list draws the same shapes as the closed box, each item 30 pixels high.
TEST_F(ToolsPanelTest, ShapeTypeListDrawsShapesWhenOpened)
{
    QTest::mouseClick(w->btn_Rect, Qt::LeftButton);
    ASSERT_EQ(w->CurrentPage(), w->tab_rect);
    TShapeTypeCombo* combo = w->cmb_RectType;
    combo->setCurrentIndex(0);
    QTest::mouseClick(combo, Qt::LeftButton);
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->sizeHintForRow(0), TShapeTypeCombo::ItemHeight);
    const QImage shown = list->viewport()->grab().toImage();
    const QRect filled = list->visualRect(combo->model()->index(2, 0));
    const QRect empty = list->visualRect(combo->model()->index(0, 0));
    EXPECT_EQ(filled.height(), TShapeTypeCombo::ItemHeight);
    EXPECT_EQ(shown.pixel(filled.center()), qRgb(0x99, 0x99, 0xFF));
    EXPECT_NE(shown.pixel(empty.center()), qRgb(0x99, 0x99, 0xFF));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(combo->currentIndex(), 1);
}

TEST_F(ToolsPanelTest, ShapeTypeCombosDrawTheirItemsAsShapes)
{
    EXPECT_EQ(w->cmb_RectType->count(), 3);
    for (TShapeTypeCombo* combo : {w->cmb_RectType, w->cmb_EllipseType})
        for (int item = 0; item < 3; ++item)
            for (const bool focused : {false, true}) {
                SCOPED_TRACE(testing::Message() << combo->objectName().toStdString() << " item " << item << " focused "
                                                << focused);
                QImage image(100, 30, QImage::Format_RGB32);
                image.fill(Qt::red);
                {
                    QPainter painter(&image);
                    combo->DrawItem(painter, QRect(0, 0, 100, 30), item, focused);
                }
                const QRgb ground = focused ? qRgb(0xEE, 0xEE, 0xEE) : qRgb(255, 255, 255);
                EXPECT_EQ(image.pixel(1, 1), ground);
                // A square of side 30 - 10 centred: from x 40 to 60, y 5 to 25.
                const QRgb centre = image.pixel(50, 15);
                EXPECT_EQ(centre, item == 0 ? ground : qRgb(0x99, 0x99, 0xFF));
                if (!combo->Ellipse()) {
                    // The rectangle's edge: black for the outlined items, the fill for item 2.
                    EXPECT_EQ(image.pixel(50, 5), item == 2 ? qRgb(0x99, 0x99, 0xFF) : qRgb(0, 0, 0));
                    EXPECT_EQ(image.pixel(38, 15), ground);
                }
            }
}
