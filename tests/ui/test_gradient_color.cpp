// The gradient editor driven as a person would: the bar and its handles on screen, dragging and
// toggling handles with the mouse, a double click on a colour box, the handle controls, presets,
// inverse, and the result reaching the tools window through its peer entry.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QPushButton>
#include <QPainter>
#include <QTest>
#include <QWindow>
#include <memory>

#include "platform/ui/form_builder.h"
#include "platform/ui/spin_edit.h"
#include "model/tool_settings.h"
#include "support/scripted_dialogs.h"
#include "support/test_support.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"
#include "workspace/gradient_color.h"
#include "workspace/peers.h"
#include "workspace/tools_panel.h"

namespace {

constexpr TColor White = 0xFFFFFF;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Grey = 0xC8D0D4;

TColor FromQRgb(QRgb c) { return MakeColor(qRed(c), qGreen(c), qBlue(c)); }

class GradientColorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ToolsPeers() = TToolsPeers{};
        form = std::make_unique<Tfrm_GradientColor>();
        form->show();
    }
    void TearDown() override
    {
        form.reset();
        ToolsPeers() = TToolsPeers{};
    }

    // What the paint box shows on screen at (x, y).
    TColor Shown(int x, int y) const { return FromQRgb(form->PaintBox1->grab().toImage().pixel(x, y)); }
    // The bar's colour at position p.
    TColor BarAt(int p) const { return Shown(8 + p, 8); }
    // Points inside handle i's body (on its pointer), colour box and toggle box.
    QPoint Body(int i) const { return {form->Model.Handles[size_t(i)].Position + 8, 18}; }
    QPoint ColorBox(int i) const { return {form->Model.Handles[size_t(i)].Position + 6, 32}; }
    QPoint Toggle(int i) const { return {form->Model.Handles[size_t(i)].Position + 6, 42}; }
    void Type(TSpinEdit* spin, const QString& text)
    {
        spin->findChild<QLineEdit*>()->selectAll();
        if (text.isEmpty()) QTest::keyClick(spin, Qt::Key_Backspace);
        else QTest::keyClicks(spin, text);
    }

    // A double click as the mouse makes it: press, release, double click, release.
    void DoubleClick(const QPoint& pt)
    {
        QTest::mouseClick(form->PaintBox1, Qt::LeftButton, {}, pt);
        QTest::mouseDClick(form->PaintBox1, Qt::LeftButton, {}, pt);
        QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, pt);
    }

    ScopedAppDir appDir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Tfrm_GradientColor> form;
};

} // namespace

TEST_F(GradientColorTest, FirstShowAndLayout)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Gradient Color"));
    EXPECT_EQ(form->size(), QSize(563, 234));
    EXPECT_EQ(form->objectName(), QStringLiteral("frm_GradientColor"));
    EXPECT_EQ(form->PaintBox1->size(), QSize(538, 55));
    EXPECT_EQ(form->BitBtn3->text(), QStringLiteral("Apply the Preset"));
    EXPECT_EQ(form->BitBtn4->text(), QStringLiteral("Inverse"));
    EXPECT_EQ(form->chk_HandleEnabled->text(), QStringLiteral("Enabled"));
    EXPECT_EQ(form->img_HandleColor->size(), QSize(41, 22));
    EXPECT_EQ(form->ComboBox1->count(), 3);
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(form->spn_HandleNo->MaxValue(), 6);
    EXPECT_EQ(form->spn_Position->MaxValue(), 511);

    // The bar runs white to blue; left of it and under it the grey ground.
    EXPECT_EQ(BarAt(0), White);
    EXPECT_EQ(BarAt(511), Blue);
    EXPECT_EQ(BarAt(256), MakeColor(127, 127, 255));
    EXPECT_EQ(Shown(4, 8), Grey);
    EXPECT_EQ(Shown(530, 8), Grey);
    EXPECT_EQ(Shown(300, 54), Grey);
    // Enabled handles show their colour in the colour box; disabled ones do not.
    EXPECT_EQ(Shown(ColorBox(6).x(), ColorBox(6).y()), Blue);
    const TColor disabledBox = Shown(ColorBox(3).x(), ColorBox(3).y());
    EXPECT_NE(disabledBox, form->Model.Handles[3].Color);
    // Handle 0 is selected: its controls show it.
    EXPECT_EQ(form->spn_HandleNo->Value(), 0);
    EXPECT_EQ(form->spn_Position->Value(), 0);
    EXPECT_EQ(form->img_HandleColor->Color(), White);
    EXPECT_TRUE(form->chk_HandleEnabled->isChecked());
    // Its place is kept in its own section of "position.cfg".
    form->hide();
    EXPECT_EQ(ReadPlacement(PositionFilePath(), QStringLiteral("frm_GradientColor")).Width, form->frameGeometry().width());
    form->show();
    // The selected handle looks different from the same handle unselected.
    const TColor selectedFace = Shown(8, 26);
    form->SelectHandle(6);
    form->Redraw();
    EXPECT_NE(Shown(8, 26), selectedFace);
}

TEST_F(GradientColorTest, DragAndToggleHandlesWithTheMouse)
{
    // Press on the last handle and drag it left by 100 pixels.
    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, Body(6));
    EXPECT_EQ(form->Model.SelectedIndex, 6);
    EXPECT_EQ(form->spn_HandleNo->Value(), 6);
    QTest::mouseMove(form->PaintBox1, Body(6) - QPoint(40, 0));
    QTest::mouseMove(form->PaintBox1, QPoint(519 - 100, 18));
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, QPoint(519 - 100, 18));
    EXPECT_EQ(form->Model.Handles[6].Position, 411);
    EXPECT_EQ(form->spn_Position->Value(), 411);
    EXPECT_EQ(BarAt(411), Blue);
    EXPECT_EQ(BarAt(500), Blue); // past the last stop the bar keeps its colour
    EXPECT_EQ(Shown(ColorBox(6).x(), ColorBox(6).y()), Blue);

    // A drag past the right end stops at 511, past the left end at 0.
    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, Body(6));
    QTest::mouseMove(form->PaintBox1, QPoint(537, 18));
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, QPoint(537, 18));
    EXPECT_EQ(form->Model.Handles[6].Position, 511);
    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, QPoint(530, 18));
    QTest::mouseMove(form->PaintBox1, QPoint(0, 18));
    QTest::mouseMove(form->PaintBox1, QPoint(-600, 18));
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, QPoint(-600, 18));
    EXPECT_EQ(form->Model.Handles[6].Position, 0);
    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, QPoint(8, 18));
    QTest::mouseMove(form->PaintBox1, QPoint(537, 18));
    QTest::mouseMove(form->PaintBox1, QPoint(1200, 18));
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, QPoint(1200, 18));
    EXPECT_EQ(form->Model.SelectedIndex, 0); // both at 0: handle 0 is found first
    EXPECT_EQ(form->Model.Handles[0].Position, 511);
    EXPECT_EQ(BarAt(511), White);

    // A press on empty bar space keeps the selection, and the drag moves the selected handle.
    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, QPoint(300, 4));
    EXPECT_EQ(form->Model.SelectedIndex, 0);
    QTest::mouseMove(form->PaintBox1, QPoint(200, 4));
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, QPoint(200, 4));
    EXPECT_EQ(form->Model.Handles[0].Position, 411);

    // A click on handle 3's toggle enables it: the bar passes through its colour there.
    const TColor c3 = form->Model.Handles[3].Color;
    QTest::mouseClick(form->PaintBox1, Qt::LeftButton, {}, Toggle(3));
    EXPECT_TRUE(form->Model.Handles[3].Enabled);
    EXPECT_EQ(form->Model.SelectedIndex, 3); // the press landed on its body
    EXPECT_TRUE(form->chk_HandleEnabled->isChecked());
    EXPECT_EQ(BarAt(256), c3);
    EXPECT_EQ(Shown(ColorBox(3).x(), ColorBox(3).y()), c3);
    // Again: disabled, and the check box follows.
    QTest::mouseClick(form->PaintBox1, Qt::LeftButton, {}, Toggle(3));
    EXPECT_FALSE(form->Model.Handles[3].Enabled);
    EXPECT_FALSE(form->chk_HandleEnabled->isChecked());
    EXPECT_NE(BarAt(256), c3);

    // The right button does not drag.
    const int before = form->Model.Handles[3].Position;
    QTest::mousePress(form->PaintBox1, Qt::RightButton, {}, Body(3));
    QTest::mouseMove(form->PaintBox1, Body(3) + QPoint(30, 0));
    QTest::mouseRelease(form->PaintBox1, Qt::RightButton, {}, Body(3) + QPoint(30, 0));
    EXPECT_EQ(form->Model.Handles[3].Position, before);
}

TEST_F(GradientColorTest, DoubleClickOnAColourBoxAsksForAColour)
{
    dialogs.ColorAnswers.enqueue(MakeColor(0, 200, 0));
    DoubleClick(ColorBox(6));
    EXPECT_EQ(form->Model.Handles[6].Color, MakeColor(0, 200, 0));
    EXPECT_EQ(form->img_HandleColor->Color(), MakeColor(0, 200, 0));
    EXPECT_EQ(BarAt(511), MakeColor(0, 200, 0));
    EXPECT_EQ(Shown(ColorBox(6).x(), ColorBox(6).y()), MakeColor(0, 200, 0));
    // Cancel changes nothing; a double click beside every colour box asks nothing.
    DoubleClick(ColorBox(0));
    EXPECT_EQ(form->Model.Handles[0].Color, White);
    dialogs.ColorAnswers.enqueue(0x123456);
    DoubleClick(QPoint(300, 5));
    EXPECT_EQ(dialogs.ColorAnswers.size(), 1);
    // The double click is used up: the next plain click on a toggle toggles.
    QTest::mouseClick(form->PaintBox1, Qt::LeftButton, {}, Toggle(6));
    EXPECT_FALSE(form->Model.Handles[6].Enabled);
}

TEST_F(GradientColorTest, HandleControls)
{
    // Handle number typed beyond the range selects the last handle; letters are not taken.
    Type(form->spn_HandleNo, QStringLiteral("9"));
    EXPECT_EQ(form->Model.SelectedIndex, 6);
    EXPECT_EQ(form->spn_Position->Value(), 511);
    EXPECT_EQ(form->img_HandleColor->Color(), Blue);
    Type(form->spn_HandleNo, QStringLiteral("x"));
    EXPECT_EQ(form->Model.SelectedIndex, 6);
    Type(form->spn_HandleNo, QStringLiteral("2"));
    EXPECT_EQ(form->Model.SelectedIndex, 2);
    EXPECT_FALSE(form->chk_HandleEnabled->isChecked());

    // Enable it, move it by its position field (beyond the range stops at 511), colour it.
    QTest::mouseClick(form->chk_HandleEnabled, Qt::LeftButton);
    EXPECT_TRUE(form->Model.Handles[2].Enabled);
    EXPECT_EQ(BarAt(170), form->Model.Handles[2].Color);
    Type(form->spn_Position, QStringLiteral("100"));
    EXPECT_EQ(form->Model.Handles[2].Position, 100);
    EXPECT_EQ(BarAt(100), form->Model.Handles[2].Color);
    Type(form->spn_Position, QStringLiteral("600"));
    EXPECT_EQ(form->Model.Handles[2].Position, 511);
    Type(form->spn_Position, QString());
    EXPECT_EQ(form->Model.Handles[2].Position, 511);
    Type(form->spn_Position, QStringLiteral("100"));

    dialogs.ColorAnswers.enqueue(MakeColor(255, 0, 0));
    QTest::mouseClick(form->img_HandleColor, Qt::LeftButton);
    EXPECT_EQ(form->Model.Handles[2].Color, MakeColor(255, 0, 0));
    EXPECT_EQ(form->img_HandleColor->Color(), MakeColor(255, 0, 0));
    EXPECT_EQ(BarAt(100), MakeColor(255, 0, 0));
    QTest::mouseClick(form->img_HandleColor, Qt::LeftButton); // cancelled
    EXPECT_EQ(form->Model.Handles[2].Color, MakeColor(255, 0, 0));

    // Disabling every handle leaves no nodes and the bar grey.
    for (int i = 0; i < 7; ++i) {
        form->SelectHandle(i);
        if (form->chk_HandleEnabled->isChecked()) QTest::mouseClick(form->chk_HandleEnabled, Qt::LeftButton);
    }
    EXPECT_TRUE(form->Nodes.empty());
    EXPECT_EQ(BarAt(0), Grey);
    EXPECT_EQ(BarAt(511), Grey);
}

TEST_F(GradientColorTest, EveryHandleOnOnePosition)
{
    form->ComboBox1->setCurrentIndex(1);
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    for (int i = 0; i < 7; ++i) {
        Type(form->spn_HandleNo, QString::number(i));
        Type(form->spn_Position, QStringLiteral("200"));
    }
    ASSERT_EQ(form->Nodes.size(), 7u);
    for (const TNodeRec& n : form->Nodes) EXPECT_EQ(n.Position, 200);
    // No stretch between them: the first colour up to the place, the last one from there on.
    EXPECT_EQ(BarAt(0), form->Nodes.front().Color);
    EXPECT_EQ(BarAt(199), form->Nodes.front().Color);
    EXPECT_EQ(BarAt(200), form->Nodes.back().Color);
    EXPECT_EQ(BarAt(511), form->Nodes.back().Color);
    // The handles lie on one another; a press picks the first of them.
    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, Body(3));
    EXPECT_EQ(form->Model.SelectedIndex, 0);
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, Body(3));
}

// Opened, the list draws every preset as its gradient, 15 pixels high.
TEST_F(GradientColorTest, PresetListDrawsGradientsWhenOpened)
{
    QTest::mouseClick(form->ComboBox1, Qt::LeftButton);
    QAbstractItemView* list = form->ComboBox1->view();
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->sizeHintForRow(0), TPresetCombo::ItemHeight);
    const QImage shown = list->viewport()->grab().toImage();
    // Preset 1 runs through the hue circle: red at its left end, cyan half-way.
    const QRect item = list->visualRect(form->ComboBox1->model()->index(1, 0));
    EXPECT_EQ(item.height(), TPresetCombo::ItemHeight);
    EXPECT_EQ(FromQRgb(shown.pixel(item.left() + 4, item.top() + 7)), MakeColor(255, 0, 0));
    const int half = (item.width() - 8) / 2;
    EXPECT_EQ(ColorR(FromQRgb(shown.pixel(item.left() + 4 + half, item.top() + 7))), 0);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
}

TEST_F(GradientColorTest, PresetsAndInverse)
{
    // The list draws each preset: the closed box shows preset 0 running white to (nearly) blue.
    const QImage closed = form->ComboBox1->grab().toImage();
    bool sawWhite = false, sawBlue = false;
    for (int x = 0; x < closed.width(); ++x) {
        const TColor c = FromQRgb(closed.pixel(x, closed.height() / 2));
        sawWhite |= c == White;
        sawBlue |= ColorB(c) == 255 && ColorR(c) < 8 && ColorG(c) < 8;
    }
    EXPECT_TRUE(sawWhite && sawBlue);
    QImage item(100, 15, QImage::Format_RGB32);
    {
        QPainter p(&item);
        TPresetCombo::DrawItem(p, item.rect(), 1, true, form->PresetBitmap);
    }
    EXPECT_EQ(FromQRgb(item.pixel(1, 1)), MakeColor(255, 0, 0)); // focused: red behind
    EXPECT_EQ(FromQRgb(item.pixel(4, 7)), MakeColor(255, 0, 0)); // the hue circle starts red
    EXPECT_EQ(FromQRgb(item.pixel(4 + 46, 7)), MakeColor(0, 255, 255)); // cyan half-way

    // Apply preset 1: seven enabled handles through the hue circle, handle 0 selected.
    form->SelectHandle(4);
    form->ComboBox1->setCurrentIndex(1);
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    EXPECT_EQ(form->Nodes.size(), 7u);
    EXPECT_EQ(form->spn_HandleNo->Value(), 0);
    EXPECT_EQ(BarAt(85), MakeColor(255, 255, 0));
    EXPECT_EQ(BarAt(255), MakeColor(0, 255, 255));

    // Preset 2 runs white to black, its disabled nodes only placing handles.
    form->ComboBox1->setCurrentIndex(2);
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    EXPECT_EQ(BarAt(0), White);
    EXPECT_EQ(BarAt(511), 0u);
    EXPECT_EQ(form->Model.Handles[2].Position, 86);
    EXPECT_FALSE(form->Model.Handles[2].Enabled);

    // Inverse mirrors the bar; the selection and its controls stay.
    form->SelectHandle(1);
    QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
    EXPECT_EQ(BarAt(0), 0u);
    EXPECT_EQ(BarAt(511), White);
    EXPECT_EQ(form->Model.SelectedIndex, 1);
    EXPECT_EQ(form->spn_Position->Value(), 511);
    EXPECT_EQ(form->Model.Handles[1].Position, 511 - 344); // handle 5's place, mirrored
    QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
    EXPECT_EQ(BarAt(0), White);
    EXPECT_EQ(form->Model.Handles[1].Position, 511);
}

TEST_F(GradientColorTest, ResultThroughThePeerEntry)
{
    ASSERT_TRUE(ToolsPeers().EditGradient);
    form->hide();
    form->ComboBox1->setCurrentIndex(1);
    form->BitBtn3Click();

    // OK: the enabled handles, sorted by position.
    TNodeArray nodes{{5, 0x111111, 1}};
    // Asked by an always-on-top tool window: the editor stays above it while it runs.
    QWidget owner(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    owner.show();
    WhenModal([this, &owner](QWidget* modal) {
        EXPECT_EQ(modal, form.get());
        EXPECT_EQ(form->windowHandle()->transientParent(), owner.windowHandle());
        // Drag handle 1 past handle 2 before OK.
        QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, Body(1));
        QTest::mouseMove(form->PaintBox1, Body(1) + QPoint(100, 0));
        QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, Body(1) + QPoint(100, 0));
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    });
    ASSERT_TRUE(ToolsPeers().EditGradient(&owner, nodes));
    EXPECT_EQ(form->windowHandle()->transientParent(), nullptr);
    ASSERT_EQ(nodes.size(), 7u);
    EXPECT_EQ(nodes[1], (TNodeRec{170, 0x00FF00, 1}));
    EXPECT_EQ(nodes[2], (TNodeRec{185, 0x00FFFF, 1}));
    for (size_t i = 1; i < nodes.size(); ++i) EXPECT_LE(nodes[i - 1].Position, nodes[i].Position);

    // Cancel: the caller's nodes stay; the editor keeps what was changed for its next showing.
    const TNodeArray kept = nodes;
    WhenModal([this](QWidget*) {
        EXPECT_EQ(form->Model.Handles[1].Position, 185);
        form->SelectHandle(0);
        QTest::mouseClick(form->chk_HandleEnabled, Qt::LeftButton);
        QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    });
    EXPECT_FALSE(ToolsPeers().EditGradient(nullptr, nodes));
    EXPECT_EQ(nodes, kept);
    EXPECT_EQ(form->Nodes.size(), 6u);

    // The entry goes with the window.
    form.reset();
    EXPECT_FALSE(ToolsPeers().EditGradient);
}

TEST(GradientHandleSprites, MaskAndPictures)
{
    const auto& s = GradientHandleSprites();
    // Outside the handle: the mask keeps the bar, the pictures add nothing; inside, the other way.
    for (int k = 0; k < gsMask; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(s[size_t(k)].Width(), 16);
        EXPECT_EQ(s[size_t(k)].Height(), 38);
        for (int y = 0; y < 38; ++y)
            for (int x = 0; x < 16; ++x)
                if (s[gsMask].Pixel(x, y) == White) EXPECT_EQ(s[size_t(k)].Pixel(x, y), 0u);
    }
    EXPECT_EQ(s[gsMask].Pixel(0, 0), White);
    EXPECT_EQ(s[gsMask].Pixel(7, 0), 0u); // the pointer's tip sits over position 0 of the handle
    EXPECT_EQ(s[gsMask].Pixel(8, 30), 0u);
    // A handle at the bar's far right is clipped, not written past the bitmap.
    Bitmap24 bar(538, 55);
    bar.Fill(Grey);
    TGradientHandle h;
    h.Position = 530;
    h.Enabled = true;
    h.Color = Blue;
    DrawGradientHandle(h, bar);
    EXPECT_EQ(bar.Pixel(536, 32), Blue);
    EXPECT_EQ(bar.Pixel(529, 32), Grey);
}

// In the program: the rectangle page's gradient swatch runs this editor, and its OK fills the strip.
TEST_F(MainWindowTest, TheToolsWindowsSwatchRunsTheEditor)
{
    auto* tools = qobject_cast<Tfrm_tools_panel*>(main->ToolsWindow.data());
    ASSERT_NE(tools, nullptr);
    auto editor = std::make_unique<Tfrm_GradientColor>();
    QTest::mouseClick(tools->btn_Rect, Qt::LeftButton);
    ASSERT_TRUE(tools->chk_RectGradient->isChecked());
    WhenModal([&](QWidget* modal) {
        EXPECT_EQ(modal, editor.get());
        editor->ComboBox1->setCurrentIndex(2);
        QTest::mouseClick(editor->BitBtn3, Qt::LeftButton);
        QTest::mouseClick(editor->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(tools->img_RectGradient, Qt::LeftButton);
    EXPECT_EQ(ToolSettings().Rect.Strip.Pixel(0, 0), White);
    EXPECT_EQ(ToolSettings().Rect.Strip.Pixel(511, 0), 0u);
    // Cancel: the strip stays, whatever was done in the editor.
    WhenModal([&](QWidget*) {
        QTest::mouseClick(editor->BitBtn4, Qt::LeftButton);
        QTest::mouseClick(editor->BitBtn2, Qt::LeftButton);
    });
    QTest::mouseClick(tools->img_RectGradient, Qt::LeftButton);
    EXPECT_EQ(ToolSettings().Rect.Strip.Pixel(511, 0), 0u);
    EXPECT_EQ(editor->Model.Handles[5].Color, 0u); // the editor keeps its mirrored handles
    EXPECT_EQ(editor->Model.Handles[5].Position, 0);
    editor.reset();
}
