// The main window's frame: its command table, the text-editing lock, the edit-command rule, the
// tool-window layout and the recent-files menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "support/scripted_dialogs.h"
#include "support/test_support.h"
#include "workspace/main_form.h"

namespace {

QStringList MenuTitles(QMenuBar* bar)
{
    QStringList out;
    for (QAction* a : bar->actions()) out << a->text();
    return out;
}

// Item texts of a menu, "-" for a separator.
QStringList Items(QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QMenu* MenuAt(Tfrm_main& w, int index) { return w.menuBar()->actions().at(index)->menu(); }

} // namespace

TEST(MainForm, MenusAreAsTabled)
{
    ScopedAppDir dir;
    Tfrm_main w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavrin"));
    EXPECT_EQ(w.minimumSize(), QSize(450, 530));
    EXPECT_EQ(MenuTitles(w.menuBar()),
              (QStringList{"&File", "&Edit", "View", "Effect", "Icon Creators", "&Window", "&Help"}));
    EXPECT_EQ(Items(MenuAt(w, 0)), (QStringList{"&New", "&Open", "Reopen", "&Save", "Save &As...", "Icon Properties",
                                                "Save to Icon library", "&Close", "-", "E&xit"}));
    EXPECT_EQ(Items(MenuAt(w, 1)), (QStringList{"Cut", "Copy", "Paste", "-", "Clear", "-", "Select All", "Select None",
                                                "-", "Undo", "Redo"}));
    EXPECT_EQ(Items(MenuAt(w, 2)), (QStringList{"Preview Window", "History Window", "Icon Library"}));
    EXPECT_EQ(Items(MenuAt(w, 3)),
              (QStringList{"Filters", "-", "Brightness / Contrast", "Saturation", "Color Balance", "Invert Color", "-",
                           "Blur", "Sharpen", "-", "Shadow", "Stroke", "-", "Flip Horizontal", "Flip Vertical",
                           "Rotate 180", "Rotate 90 CW", "Rotate 90 CCW", "Rotate  Arbitrary ", "Zoom"}));
    EXPECT_EQ(Items(MenuAt(w, 4)), (QStringList{"Photo to Icon", "Icons Mixer", "-", "Load from Icon Library",
                                                "Save to Icon library"}));
    EXPECT_EQ(Items(MenuAt(w, 5)), (QStringList{"&Cascade", "Tile &Horizontal", "Tile &Vertical", "&Minimize All"}));
    EXPECT_EQ(Items(MenuAt(w, 6)), (QStringList{"Help", "&About...", "-", "Home Page"}));

    EXPECT_EQ(w.FileNew1->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(w.act_EditClear->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(w.act_SelectNone->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
    EXPECT_EQ(w.act_EditRedo->shortcut(), QKeySequence(QStringLiteral("Shift+Ctrl+Z")));
    EXPECT_EQ(w.act_help->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(w.FileSaveAs1->shortcut().isEmpty());

    EXPECT_EQ(w.FileSaveAs1->toolTip(), QStringLiteral("Save As"));
    EXPECT_EQ(w.FileSaveAs1->statusTip(), QStringLiteral("Save current file with different name"));
    EXPECT_EQ(w.WindowTileHorizontal1->statusTip(), QStringLiteral("Tile Horizontally"));
    EXPECT_EQ(w.menuBar()->actions().at(0)->statusTip(), QStringLiteral("File related commands"));
    EXPECT_EQ(w.menuBar()->actions().at(6)->statusTip(), QStringLiteral("Help topics"));

    QStringList bar;
    for (QAction* a : w.ToolBar2->actions()) bar << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    EXPECT_EQ(bar, (QStringList{"FileNew1", "FileOpen1", "FileSave1", "-", "act_EditCut", "act_EditCopy",
                                "act_EditPaste", "-", "WindowCascade1", "WindowTileHorizontal1",
                                "WindowTileVertical1"}));
}

TEST(MainForm, TextEditingLocksTheSixteenEffects)
{
    ScopedAppDir dir;
    Tfrm_main w;
    const QList<QAction*> effects = w.EffectActions();
    ASSERT_EQ(effects.size(), 16);
    w.SetTextEditing(true);
    EXPECT_TRUE(w.IsTextEditing());
    for (QAction* a : effects) EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    w.SetTextEditing(false);
    EXPECT_TRUE(w.act_effect_flip_horizontal->isEnabled());
    EXPECT_TRUE(w.act_effect_InvertColor->isEnabled());
    EXPECT_TRUE(w.act_effect_rotate90CCW->isEnabled());
}

TEST(MainForm, EditCommandRule)
{
    EXPECT_EQ(EditCommandStates(false, true, true, false), TEditCommandState{});
    const TEditCommandState sel = EditCommandStates(true, true, false, false);
    EXPECT_TRUE(sel.Cut && sel.Copy && sel.Clear && sel.SelectAll && sel.SelectNone);
    EXPECT_FALSE(sel.Paste);
    const TEditCommandState text = EditCommandStates(true, true, true, true);
    EXPECT_TRUE(text.Cut && text.Copy && text.Clear && text.Paste);
    EXPECT_FALSE(text.SelectAll || text.SelectNone);
}

TEST(MainForm, WithoutDocumentsTheTimerDisablesTheEditCommands)
{
    ScopedAppDir dir;
    Tfrm_main w;
    for (QAction* a : {w.act_EditCut, w.act_EditCopy, w.act_EditPaste, w.act_EditClear, w.act_SelectAll, w.act_SelectNone})
        a->setEnabled(true);
    w.UpdateEditCommands();
    for (QAction* a : {w.act_EditCut, w.act_EditCopy, w.act_EditPaste, w.act_EditClear, w.act_SelectAll, w.act_SelectNone})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(w.Timer1.interval(), 200);
    EXPECT_TRUE(w.Timer1.isActive());
    EXPECT_FALSE(w.act_EditUndo->isEnabled());
    EXPECT_FALSE(w.act_EditRedo->isEnabled());
}

TEST(MainForm, ToolWindowLayout)
{
    const TToolWindowLayout l = LayOutToolWindows(QRect(100, 50, 1000, 700), QSize(60, 400), QSize(200, 300),
                                                  QSize(220, 250), QSize(180, 500));
    EXPECT_EQ(l.Tools, QPoint(105, 130));
    EXPECT_EQ(l.Colors, QPoint(100 + 1000 - 200 - 5, 130));
    EXPECT_EQ(l.History, QPoint(895, 430));
    EXPECT_EQ(l.Library, QPoint(895 - 180, 430));
    EXPECT_EQ(l.LibraryHeight, 250);
    EXPECT_EQ(l.Preview, QPoint(100, 530));

    // Without a colour window the column keeps the history window on the frame.
    const TToolWindowLayout n = LayOutToolWindows(QRect(0, 0, 1000, 700), QSize(), QSize(), QSize(220, 250), QSize());
    EXPECT_EQ(n.History, QPoint(1000 - 220 - 5, 80));
    EXPECT_EQ(n.Preview, QPoint(0, 80));
}

TEST(MainForm, SaveAsNames)
{
    EXPECT_EQ(SaveAsProposal(QStringLiteral("a.ico")), QStringLiteral("a"));
    EXPECT_EQ(SaveAsProposal(QStringLiteral("Icon3")), QStringLiteral("Icon3"));
    EXPECT_EQ(SaveAsProposal(QStringLiteral("my.icon.set.ico")), QStringLiteral("my.icon.set"));
    EXPECT_EQ(WithSaveAsExtension(QStringLiteral("/t/x"), 2), QStringLiteral("/t/x.bmp"));
    EXPECT_EQ(WithSaveAsExtension(QStringLiteral("/t/y.ICO"), 1), QStringLiteral("/t/y.ICO"));
    EXPECT_EQ(WithSaveAsExtension(QStringLiteral("/t/z.png"), 3), QStringLiteral("/t/z.png.jpg"));
    EXPECT_EQ(WithSaveAsExtension(QStringLiteral("/t.d/z"), 5), QStringLiteral("/t.d/z.gif"));
    EXPECT_EQ(SaveAsExtension(4), QStringLiteral(".png"));
}

TEST(MainForm, RecentFilesMenuShowsPathsLiterally)
{
    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    Tfrm_main w;
    w.show();
    ASSERT_NE(w.Reopen(), nullptr);
    w.AddRecentFile(QStringLiteral("/icons/a&b.ico"));
    w.AddRecentFile(QStringLiteral("/icons/c.ico"));
    EXPECT_EQ(Items(w.Mnu_Reopen), (QStringList{"/icons/c.ico", "/icons/a&&b.ico"}));
    w.RemoveRecentFile(QStringLiteral("/icons/c.ico"));
    EXPECT_EQ(Items(w.Mnu_Reopen), (QStringList{"/icons/a&&b.ico"}));
}

TEST(MainForm, LoadFromIconLibraryPicksTheIconFilterAndOpenRemembersIt)
{
    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    Tfrm_main w;
    dialogs.FileAnswers.enqueue([](TFileDialogRequest& r) {
        r.FilterIndex = 3;
        return false;
    });
    w.act_load_icl->trigger();
    ASSERT_EQ(dialogs.FileRequests.size(), 1);
    EXPECT_EQ(dialogs.FileRequests[0].FilterIndex, 2);
    EXPECT_EQ(dialogs.FileRequests[0].Title, QStringLiteral("Open Icons or Images"));
    EXPECT_EQ(dialogs.FileRequests[0].DialogKind, TFileDialogRequest::Kind::OpenMany);
    const QVector<TFileFilter> filters = ParseFileFilter(dialogs.FileRequests[0].Filter);
    ASSERT_EQ(filters.size(), 4);
    EXPECT_EQ(filters[1].Description, QStringLiteral("Icons(*.ico)"));
    EXPECT_EQ(filters[0].Patterns.size(), 11);
    EXPECT_EQ(filters[3].Patterns, (QStringList{"*.exe", "*.dll", "*.icl", "*.cpl", "*.ocx"}));
    // Cancelled: the filter stays what Load from Icon Library set; File > Open starts from it.
    w.FileOpen1->trigger();
    ASSERT_EQ(dialogs.FileRequests.size(), 2);
    EXPECT_EQ(dialogs.FileRequests[1].FilterIndex, 2);
}
