// The main window's frame: its command table, the edit commands and the text-editing lock, the
// tool-window layout, Save As names and the recent-files menu.
#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "support/ui_helpers.h"

TEST_F(MainWindowTest, MenusAreAsTabled)
{
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Tavrin"));
    EXPECT_EQ(main->minimumSize(), QSize(450, 530));
    const QList<QAction*> bar = main->menuBar()->actions();
    EXPECT_EQ(ActionTexts(bar), (QStringList{"&File", "&Edit", "View", "Effect", "Icon Creators", "&Window", "&Help"}));
    auto items = [&](int menu) { return ActionTexts(bar.at(menu)->menu()->actions()); };
    EXPECT_EQ(items(0), (QStringList{"&New", "&Open", "Reopen", "&Save", "Save &As...", "Icon Properties",
                                     "Save to Icon library", "&Close", "-", "E&xit"}));
    EXPECT_EQ(items(1), (QStringList{"Cut", "Copy", "Paste", "-", "Clear", "-", "Select All", "Select None", "-", "Undo",
                                     "Redo"}));
    EXPECT_EQ(items(2), (QStringList{"Preview Window", "History Window", "Icon Library"}));
    EXPECT_EQ(items(3), (QStringList{"Filters", "-", "Brightness / Contrast", "Saturation", "Color Balance",
                                     "Invert Color", "-", "Blur", "Sharpen", "-", "Shadow", "Stroke", "-",
                                     "Flip Horizontal", "Flip Vertical", "Rotate 180", "Rotate 90 CW", "Rotate 90 CCW",
                                     "Rotate  Arbitrary ", "Zoom"}));
    EXPECT_EQ(items(4), (QStringList{"Photo to Icon", "Icons Mixer", "-", "Load from Icon Library",
                                     "Save to Icon library"}));
    EXPECT_EQ(items(5), (QStringList{"&Cascade", "Tile &Horizontal", "Tile &Vertical", "&Minimize All"}));
    EXPECT_EQ(items(6), (QStringList{"Help", "&About...", "-", "Home Page"}));

    EXPECT_EQ(main->FileNew1->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(main->act_EditClear->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(main->act_SelectNone->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
    EXPECT_EQ(main->act_EditRedo->shortcut(), QKeySequence(QStringLiteral("Shift+Ctrl+Z")));
    EXPECT_EQ(main->act_help->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(main->FileSaveAs1->shortcut().isEmpty());

    EXPECT_EQ(main->FileSaveAs1->toolTip(), QStringLiteral("Save As"));
    EXPECT_EQ(main->FileSaveAs1->statusTip(), QStringLiteral("Save current file with different name"));
    EXPECT_EQ(main->WindowTileHorizontal1->statusTip(), QStringLiteral("Tile Horizontally"));
    EXPECT_EQ(bar.at(0)->statusTip(), QStringLiteral("File related commands"));
    EXPECT_EQ(bar.at(6)->statusTip(), QStringLiteral("Help topics"));

    QStringList tools;
    for (QAction* a : main->ToolBar2->actions()) tools << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    EXPECT_EQ(tools, (QStringList{"FileNew1", "FileOpen1", "FileSave1", "-", "act_EditCut", "act_EditCopy",
                                  "act_EditPaste", "-", "WindowCascade1", "WindowTileHorizontal1",
                                  "WindowTileVertical1"}));
}

TEST_F(MainWindowTest, EditCommandsFollowTheSelectionAndTextEditingLocksTheEffects)
{
    // Without a document the timer's update disables every edit command.
    const QList<QAction*> edits{main->act_EditCut,   main->act_EditCopy,  main->act_EditPaste,
                                main->act_EditClear, main->act_SelectAll, main->act_SelectNone};
    for (QAction* a : edits) a->setEnabled(true);
    main->UpdateEditCommands();
    for (QAction* a : edits) EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(main->Timer1.interval(), 200);
    EXPECT_TRUE(main->Timer1.isActive());
    EXPECT_FALSE(main->act_EditUndo->isEnabled());
    EXPECT_FALSE(main->act_EditRedo->isEnabled());

    Tfrm_childwin* doc = NewDocument(QStringLiteral("t.ico"), {SolidFormat(16, 16, ctTrueAlpha)});
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_EditCut->isEnabled());
    doc->Document().PointCount = 3; // a selection
    main->UpdateEditCommands();
    for (QAction* a : {main->act_EditCut, main->act_EditCopy, main->act_EditClear}) EXPECT_TRUE(a->isEnabled());

    // Editing text keeps cutting (of the text) but locks selecting and the sixteen effects.
    const QList<QAction*> effects = main->EffectActions();
    ASSERT_EQ(effects.size(), 16);
    main->SetTextEditing(true);
    main->UpdateEditCommands();
    EXPECT_TRUE(main->IsTextEditing());
    EXPECT_TRUE(main->act_EditCut->isEnabled());
    EXPECT_FALSE(main->act_SelectAll->isEnabled());
    for (QAction* a : effects) EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    main->SetTextEditing(false);
    for (QAction* a : {main->act_effect_flip_horizontal, main->act_effect_InvertColor, main->act_effect_rotate90CCW})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    doc->Document().PointCount = 0;
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_EditCut->isEnabled());
}

TEST_F(MainWindowTest, RecentFilesMenuShowsPathsLiterally)
{
    main->AddRecentFile(QStringLiteral("/icons/a&b.ico"));
    main->AddRecentFile(QStringLiteral("/icons/c.ico"));
    EXPECT_EQ(ActionTexts(main->Mnu_Reopen->actions()), (QStringList{"/icons/c.ico", "/icons/a&&b.ico"}));
    main->RemoveRecentFile(QStringLiteral("/icons/c.ico"));
    EXPECT_EQ(ActionTexts(main->Mnu_Reopen->actions()), (QStringList{"/icons/a&&b.ico"}));
}
