// A session as a person works it, on the whole program as it starts: a new icon in true colour
// and in 16 colours, each painting tool chosen in the tools window and dragged on the canvas, a
// colour typed in the colour window, select + copy + paste, undo and redo, save and reopen, and
// a module opened in the icon library. Screenshots go to the folder TAVRIN_SHOTS names.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "app/app_windows.h"
#include "effects/brightness_contrast.h"
#include "workspace/dialogs/add_new_image_form.h"
#include <QRadioButton>
#include "platform/ui/spin_edit.h"
#include "support/when_modal.h"
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include "model/tool_ids.h"
#include "model/tool_settings.h"
#include "support/ui_helpers.h"
#include "model/color_panel_model.h"
#include "workspace/color_panel.h"
#include "workspace/icon_lib_form.h"
#include "workspace/peers.h"
#include "workspace/tools_panel.h"

namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main = AppWindows::CreateApplicationWindows({});
        main->show();
        tools = qobject_cast<Tfrm_tools_panel*>(main->ToolsWindow.data());
        colors = qobject_cast<Tfrm_color_panel*>(main->ColorWindow.data());
        ASSERT_NE(tools, nullptr);
        ASSERT_NE(colors, nullptr);
        // The test binary lies apart from the program's data files, which the cartoon options
        // read at creation; their message is not this session's concern.
        dialogs.Messages.clear();
    }
    void TearDown() override
    {
        if (main)
            for (Tfrm_childwin* d : main->Documents()) d->Document().Modified = 0;
        AppWindows::FreeAll();
    }
    // File > New: the add-format dialog, 32 x 32 in the given colour depth, OK.
    Tfrm_childwin* NewIcon(int32_t type)
    {
        const int before = main->DocumentCount();
        WhenModal([type](QWidget* modal) {
            auto* dlg = qobject_cast<Tfrm_add_new_image*>(modal);
            if (!dlg) {
                modal->close();
                return;
            }
            dlg->rad_32x32->click();
            QRadioButton* depth = type == ctTrueColor ? dlg->rad_24bits : type == ctColors16 ? dlg->rad_4bits : dlg->rad_32bits;
            depth->click();
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        });
        main->FileNew1->trigger();
        EXPECT_EQ(main->DocumentCount(), before + 1);
        Tfrm_childwin* d = main->ActiveDocument();
        EXPECT_EQ(d->CurrentImage()->ColorType, type);
        EXPECT_EQ(d->CurrentImage()->Width, 32);
        return d;
    }
    void TypeColour(const QString& html)
    {
        colors->edt_htmlCode->selectAll();
        QTest::keyClicks(colors->edt_htmlCode, html);
        QTest::keyClick(colors->edt_htmlCode, Qt::Key_Return);
        colors->tmr_reDrawTimer(); // the window's redraw tick
    }
    // A palette cell clicked in the colour window's grid.
    void PickCell(int index)
    {
        QWidget* grid = colors->img_Palette;
        const int count = colors->GetPalette()->palNumEntries;
        for (int y = 0; y < grid->height(); ++y)
            for (int x = 0; x < grid->width(); ++x)
                if (PaletteCellAt(x, y, grid->width(), grid->height(), count) == index) {
                    QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(x + 2, y + 2));
                    return;
                }
        ADD_FAILURE() << "no cell " << index;
    }
    // A colour as a person picks it: typed as an HTML code, or its cell in a palette format.
    // Returns what the format's pixels hold for it.
    TColor Use(TColor rgb, int cell)
    {
        if (IsPaletteColorType(doc->CurrentImage()->ColorType)) {
            PickCell(cell);
            return TColor(cell);
        }
        TypeColour(QString::asprintf("%02X%02X%02X", ColorR(rgb), ColorG(rgb), ColorB(rgb)));
        return rgb;
    }
    void Tool(QToolButton* button, int id)
    {
        if (tools->ToolId() != id) QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(tools->ToolId(), id);
    }
    QWidget* Canvas() { return doc->PaintBox1; }
    QPoint At(int cx, int cy)
    {
        const int z = doc->ZoomFactor();
        return QPoint(cx * z + z / 2, cy * z + z / 2);
    }
    void Drag(Point a, Point b)
    {
        QTest::mouseMove(Canvas(), At(a.X, a.Y));
        QTest::mousePress(Canvas(), Qt::LeftButton, {}, At(a.X, a.Y));
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(Canvas(), At(a.X + (b.X - a.X) * i / 4, a.Y + (b.Y - a.Y) * i / 4));
        QTest::mouseRelease(Canvas(), Qt::LeftButton, {}, At(b.X, b.Y));
    }
    void Click(int cx, int cy) { Drag({cx, cy}, {cx, cy}); }
    TColor PixelAt(int x, int y) { return doc->CurrentImage()->Bitmap->Pixel(x, y); }
    void ShotAll(const QString& name)
    {
        const QString dir = qEnvironmentVariable("TAVRIN_SHOTS");
        if (dir.isEmpty()) return;
        main->grab().save(dir + "/" + name + "_main.png");
        tools->grab().save(dir + "/" + name + "_tools.png");
        colors->grab().save(dir + "/" + name + "_colors.png");
        doc->grab().save(dir + "/" + name + "_doc.png");
    }

    ScopedAppDir appDir;
    ScriptedDialogs dialogs;
    Tfrm_main* main = nullptr;
    Tfrm_tools_panel* tools = nullptr;
    Tfrm_color_panel* colors = nullptr;
    Tfrm_childwin* doc = nullptr;
};

} // namespace

TEST_F(SessionTest, PaintEveryToolInTrueColourAnd16Colours)
{
    for (int32_t type : {ctTrueColor, ctColors16}) {
        doc = NewIcon(type);
        const QString tag = type == ctTrueColor ? "tc" : "c16";
        SCOPED_TRACE(tag.toStdString());
        const TColor white = PixelAt(0, 0);

        const TColor red = Use(MakeColor(255, 0, 0), 9);
        EXPECT_EQ(ColorPeers().GetColor(), red);
        Tool(tools->btn_pencil, tiPencil);
        Drag({1, 1}, {8, 1});
        EXPECT_EQ(PixelAt(4, 1), red) << "pencil";
        EXPECT_TRUE(main->act_EditUndo->isEnabled());
        EXPECT_TRUE(doc->windowTitle().endsWith(" *")) << doc->windowTitle().toStdString();

        const TColor blue = Use(MakeColor(0, 0, 255), 12);
        Tool(tools->btn_brush, tiBrush);
        Drag({1, 4}, {8, 4});
        EXPECT_EQ(PixelAt(4, 4), blue) << "brush";

        Tool(tools->btn_eraser, tiEraser);
        Drag({1, 1}, {8, 1});
        EXPECT_NE(PixelAt(4, 1), red) << "eraser";

        const TColor green = Use(MakeColor(0, 255, 0), 10);
        Tool(tools->btn_Line, tiLine);
        Drag({1, 8}, {12, 8});
        EXPECT_EQ(PixelAt(6, 8), green) << "line";

        Tool(tools->btn_Rect, tiRectangle);
        Drag({14, 1}, {20, 6});
        EXPECT_EQ(PixelAt(14, 3), green) << "rect";

        Tool(tools->btn_Ellipse, tiEllipse);
        ShotAll(tag + "_ellipse_page");
        QTest::mouseClick(tools->btn_EllipseStyle[3], Qt::LeftButton);
        Drag({14, 14}, {28, 28});
        ShotAll(tag + "_ellipse");
        EXPECT_NE(PixelAt(20, 15), white) << "ellipse border";
        // Palette formats draw the outline only; true colour fills it with the gradient.
        if (type == ctTrueColor) EXPECT_NE(PixelAt(16, 21), white) << "ellipse fill";

        const TColor yellow = Use(MakeColor(255, 255, 0), 11);
        Tool(tools->btn_bucket, tiBucket);
        Click(2, 20);
        EXPECT_EQ(PixelAt(2, 20), yellow) << "bucket";

        Tool(tools->btn_Dropper, tiPicker);
        Click(4, 4);
        EXPECT_EQ(ColorPeers().GetColor(), blue) << "picker";

        Tool(tools->btn_Text, tiText);
        ShotAll(tag + "_text");
        Tool(tools->btn_pencil, tiPencil);
        ShotAll(tag + "_done");

        // Undo to the start, then redo everything.
        int undos = 0;
        while (main->act_EditUndo->isEnabled() && undos < 50) {
            main->act_EditUndo->trigger();
            ++undos;
        }
        EXPECT_EQ(PixelAt(4, 4), white);
        EXPECT_EQ(PixelAt(2, 30), white);
        ShotAll(tag + "_undone");
        while (main->act_EditRedo->isEnabled() && undos-- > 0) main->act_EditRedo->trigger();
        EXPECT_EQ(PixelAt(4, 4), blue);
        EXPECT_EQ(PixelAt(2, 30), yellow);
        ShotAll(tag + "_redone");
    }
}

TEST_F(SessionTest, SelectCopyPasteEffectSaveReopenAndLibrary)
{
    doc = NewIcon(ctTrueAlpha);
    const TColor red = Use(MakeColor(255, 0, 0), 9);
    Tool(tools->btn_Rect, tiRectangle);
    Drag({2, 2}, {10, 10});
    ASSERT_EQ(PixelAt(2, 5), red);

    // A rectangle selected over the red square, copied with Ctrl+C.
    Tool(tools->btn_RectSelect, tiRectSelect);
    Drag({0, 0}, {12, 12});
    main->UpdateEditCommands();
    EXPECT_TRUE(main->act_EditCopy->isEnabled());
    EXPECT_TRUE(main->act_EditCut->isEnabled());
    ShotAll("sel");
    main->act_EditCopy->trigger();
    main->UpdateEditCommands();
    EXPECT_TRUE(main->act_EditPaste->isEnabled());

    // Paste: the paste window opens over the format; OK writes the picture.
    bool ran = false;
    WhenModal([&](QWidget* modal) {
        ran = true;
        const QString dir = qEnvironmentVariable("TAVRIN_SHOTS");
        if (!dir.isEmpty()) modal->grab().save(dir + "/paste_window.png");
        EXPECT_EQ(modal->objectName(), QStringLiteral("frm_Paste"));
        auto* ok = modal->findChild<QPushButton*>(QStringLiteral("btn_OK"));
        if (ok) QTest::mouseClick(ok, Qt::LeftButton);
        else modal->close();
    });
    main->act_EditPaste->trigger();
    EXPECT_TRUE(ran);
    ShotAll("pasted");
    EXPECT_TRUE(doc->windowTitle().endsWith(" *"));

    // An effect dialog: Brightness / Contrast, brightness down, OK.
    ran = false;
    WhenModal([&](QWidget* modal) {
        ran = true;
        auto* d = qobject_cast<Tfrm_Brightness_Contrast*>(modal);
        ASSERT_NE(d, nullptr);
        const QString dir = qEnvironmentVariable("TAVRIN_SHOTS");
        d->Brightness.Track->SetPosition(-100);
        if (!dir.isEmpty()) modal->grab().save(dir + "/brightness.png");
        QTest::mouseClick(d->btn_Ok, Qt::LeftButton);
    });
    main->act_effect_Contrast_Brightness->trigger();
    EXPECT_TRUE(ran);
    const TColor darker = PixelAt(2, 5);
    EXPECT_NE(darker, red);
    EXPECT_LT(ColorR(darker), 255);
    ShotAll("effect");

    // Undo the effect, redo it.
    main->act_EditUndo->trigger();
    EXPECT_EQ(PixelAt(2, 5), red);
    main->act_EditRedo->trigger();
    EXPECT_EQ(PixelAt(2, 5), darker);

    // Save As, then reopen.
    const QString path = appDir.FilePath("saved.ico");
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({path}, 1));
    main->FileSaveAs1->trigger();
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("saved.ico"));
    EXPECT_TRUE(dialogs.Shown().isEmpty()) << dialogs.Shown().join("\n").toStdString();
    main->FileClose1->trigger();
    EXPECT_EQ(main->DocumentCount(), 0);
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({path}, 1));
    main->FileOpen1->trigger();
    ASSERT_EQ(main->DocumentCount(), 1);
    doc = main->ActiveDocument();
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("saved.ico"));
    EXPECT_EQ(PixelAt(2, 5), darker);
    EXPECT_EQ(doc->CurrentImage()->ColorType, ctTrueAlpha);
    ShotAll("reopened");

    // A module opened through File > Open lands in the icon library.
    const QString module = TestDataPath(QStringLiteral("modules/icons_x64.dll"));
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({module}));
    main->FileOpen1->trigger();
    ASSERT_NE(main->IconLib, nullptr);
    EXPECT_TRUE(main->IconLib->isVisible());
    EXPECT_EQ(main->IconLib->windowTitle(), QStringLiteral("Icon Library - icons_x64.dll"));
    EXPECT_GT(main->IconLib->lsv_Lib->count(), 0);
    const QString dir = qEnvironmentVariable("TAVRIN_SHOTS");
    if (!dir.isEmpty()) main->IconLib->grab().save(dir + "/library.png");
    EXPECT_TRUE(dialogs.Shown().isEmpty()) << dialogs.Shown().join("\n").toStdString();
}

TEST_F(SessionTest, TheOpenTextFrameFollowsTheTextFieldAndTheColour)
{
    doc = NewIcon(ctTrueColor);
    const auto inked = [this](TColor colour) {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) n += PixelAt(x, y) == colour;
        return n;
    };
    const TColor black = Use(MakeColor(0, 0, 0), 0);
    Tool(tools->btn_Text, tiText);
    ASSERT_EQ(tools->edt_TextText->text(), QStringLiteral("Hello"));
    const int hello = inked(black);
    ASSERT_GT(hello, 20);

    // Typed over the field, the frame shows the new text at once, stretched over the frame.
    const QImage before = Canvas()->grab().toImage();
    tools->edt_TextText->selectAll();
    QTest::keyClicks(tools->edt_TextText, QStringLiteral("I"));
    ShotAll("text_typed");
    const int typed = inked(black);
    EXPECT_GT(typed, 0);
    EXPECT_NE(typed, hello);
    EXPECT_NE(Canvas()->grab().toImage(), before);

    // A colour chosen while the frame is open colours the text.
    const TColor red = Use(MakeColor(255, 0, 0), 9);
    EXPECT_EQ(inked(black), 0);
    EXPECT_EQ(inked(red), typed);

    // Leaving the tool keeps what the frame showed.
    Tool(tools->btn_pencil, tiPencil);
    EXPECT_EQ(inked(red), typed);
    EXPECT_TRUE(doc->windowTitle().endsWith(" *"));
}

TEST_F(SessionTest, ANewIconShowsNoSelectionOfTheDocumentBefore)
{
    doc = NewIcon(ctTrueAlpha);
    Tool(tools->btn_RectSelect, tiRectSelect);
    Drag({2, 3}, {10, 11});
    ASSERT_TRUE(doc->HasSelection());
    ASSERT_EQ(tools->lbl_RectSelectX->text(), QStringLiteral("X: 2"));
    const QImage selected = tools->img_RectSelect->grab().toImage();

    doc = NewIcon(ctTrueAlpha);
    EXPECT_FALSE(doc->HasSelection());
    ShotAll("new_after_selection");
    EXPECT_EQ(tools->lbl_RectSelectX->text(), QStringLiteral("X:"));
    EXPECT_EQ(tools->lbl_RectSelectY->text(), QStringLiteral("Y:"));
    EXPECT_EQ(tools->lbl_RectSelectW->text(), QStringLiteral("W:"));
    EXPECT_EQ(tools->lbl_RectSelectH->text(), QStringLiteral("H:"));
    // The thumbnail is gone: the picture is one colour.
    const QImage none = tools->img_RectSelect->grab().toImage();
    EXPECT_NE(none, selected);
    const QRect inside = none.rect().adjusted(4, 4, -4, -4);
    bool plain = true;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) plain = plain && none.pixel(x, y) == none.pixel(inside.center());
    EXPECT_TRUE(plain);
}
