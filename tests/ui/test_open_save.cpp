// Opening files into documents (command line, drops, the open dialog, Reopen), Save As with its
// exports, the direct effects, and shut-down with modified icons: the main window driven whole.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

#include "iconfiles/file_access.h"
#include "platform/bytes.h"
#include "platform/ui/work_area.h"
#include "support/ui_helpers.h"
#include "workspace/format_strip.h"
#include "workspace/history_form.h"

namespace {

// A true-colour-with-alpha format whose pixel (x, y) has red = x * 8 + y, green = y, blue = 200,
// its first column transparent: every pixel differs.
TIconImageRec GradientFormat(int w, int h)
{
    TIconImageRec rec = SolidFormat(w, h, ctTrueAlpha, 0, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) rec.Bitmap->SetPixel(x, y, MakeColor(x * 8 + y, y, 200));
        rec.Mask->SetPixel(0, y, 0xFFFFFF);
    }
    return rec;
}

void WriteIcon(const QString& path, TIconImageArray formats)
{
    TIconFileAccess access;
    EXPECT_EQ(access.SaveIconFile(path, formats), 0) << access.LastError.toStdString();
}

// An icon of square gradient formats of these sizes.
void WriteIcon(const QString& path, std::initializer_list<int> sizes)
{
    TIconImageArray formats;
    for (int s : sizes) formats.Add(GradientFormat(s, s));
    WriteIcon(path, std::move(formats));
}

class OpenSaveTest : public MainWindowTest {
protected:
    void Drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        main->WMDropFiles(&data);
    }
    // Writes an icon of gradient formats of these sizes and opens it: its window.
    Tfrm_childwin* OpenIcon(const QString& name, std::initializer_list<int> sizes = {16})
    {
        WriteIcon(Path(name), sizes);
        main->OpenFiles({Path(name)});
        Tfrm_childwin* doc = main->ActiveDocument();
        EXPECT_NE(doc, nullptr) << name.toStdString();
        return doc;
    }
    QStringList StepCaptions() const
    {
        QStringList out;
        for (const THistoryStepItem& step : frm_history->Model().ListedTrack()->Steps) out << step.Caption;
        return out;
    }
};

} // namespace

TEST_F(OpenSaveTest, AnIconOpensWithEveryFormatTheLastOneCurrent)
{
    Tfrm_childwin* doc = OpenIcon(QStringLiteral("three.ico"), {16, 32, 48});
    ASSERT_EQ(main->DocumentCount(), 1);
    EXPECT_EQ(doc->Images().Count(), 3);
    EXPECT_EQ(main->ActiveImage(), &doc->Images()[2]);
    EXPECT_EQ(doc->Images()[1].Bitmap->Pixel(3, 2), MakeColor(26, 2, 200));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("three.ico"));
    EXPECT_EQ(doc->FilePath(), Path("three.ico"));
    EXPECT_EQ(Recent(), QStringList{Path("three.ico")});
    EXPECT_TRUE(dialogs.Messages.isEmpty());
}

TEST_F(OpenSaveTest, DropsAndTheCommandLineOpenEachIconOnce)
{
    for (const char* name : {"a.ico", "b.ico", "A.ico"}) WriteIcon(Path(name), {16});
    // A path differing in case is another file.
    Drop({Path("a.ico"), Path("b.ico"), Path("a.ico"), Path("A.ico")});
    EXPECT_EQ(Captions(), (QStringList{"a.ico", "b.ico", "A.ico"}));
    // The second drop of a.ico brings its window to the front.
    Drop({Path("a.ico")});
    EXPECT_EQ(main->DocumentCount(), 3);
    EXPECT_EQ(main->ActiveDocument()->windowTitle(), QStringLiteral("a.ico"));

    // Relative paths are made absolute, so they are the same file.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(appDir.Path()));
    main->OpenCommandLineFiles({QStringLiteral("b.ico"), QStringLiteral("./sub/../a.ico")});
    QDir::setCurrent(saved);
    EXPECT_EQ(main->DocumentCount(), 3);
    EXPECT_EQ(main->ActiveDocument()->windowTitle(), QStringLiteral("a.ico"));
    EXPECT_EQ(Recent(), (QStringList{Path("A.ico"), Path("b.ico"), Path("a.ico")}));
}

TEST_F(OpenSaveTest, FailedOpensSayWhyAndLeaveTheRecentList)
{
    ASSERT_TRUE(WriteBytes(Path("bad.ico"), "this is not an icon"));
    // A header naming one image whose entry points past the end of the file: no format can be
    // read, so the file is as unreadable as any other and says so.
    QByteArray noFormats = QByteArray::fromHex("000001000100") + QByteArray(16, '\0');
    noFormats[6 + 12] = char(0x70);
    ASSERT_TRUE(WriteBytes(Path("empty.ico"), noFormats));
    for (const char* name : {"bad.ico", "other.ico", "notes.txt", "empty.ico"}) main->AddRecentFile(Path(name));

    // Other extensions and empty paths leave silently.
    main->OpenFiles({Path("bad.ico"), Path("missing.ico"), Path("notes.txt"), QString(), Path("empty.ico")});
    EXPECT_EQ(dialogs.Shown(), (QStringList{"Open Icon: The file format is not available.", "Open Icon: File not found.",
                                            "Open Icon: The file format is not available."}));
    EXPECT_EQ(main->DocumentCount(), 0);
    EXPECT_EQ(Recent(), (QStringList{Path("other.ico")}));
    // The Reopen menu follows at once.
    EXPECT_EQ(ActionTexts(main->Mnu_Reopen->actions()), (QStringList{Path("other.ico")}));
}

TEST_F(OpenSaveTest, PipesAndDevicesAreRefusedAsNotRegularFilesWithoutBlocking)
{
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe.ico")).constData(), 0600), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe.png")).constData(), 0600), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe.icl")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), Path("zero.ico")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), Path("zero.bmp")));
    for (const char* name : {"pipe.ico", "pipe.icl", "zero.ico", "other.ico"}) main->AddRecentFile(Path(name));

    const QStringList paths{Path("pipe.ico"), Path("pipe.png"), Path("pipe.icl"), Path("zero.ico"), Path("zero.bmp")};
    main->OpenFiles(paths);
    QStringList said;
    for (const QString& p : paths) said << QStringLiteral("Open Icon: %1 is not a regular file.").arg(p);
    EXPECT_EQ(dialogs.Shown(), said);
    EXPECT_EQ(main->DocumentCount(), 0);
    // Icons and libraries that cannot be read leave the recent list, as unreadable files do.
    EXPECT_EQ(Recent(), (QStringList{Path("other.ico")}));
}

TEST_F(OpenSaveTest, ReopenOpensTheEntryAndKeepsItsPlace)
{
    for (const char* name : {"r1.ico", "r2.ico", "r3.ico"}) {
        WriteIcon(Path(name), {16});
        main->AddRecentFile(Path(name));
    }
    ASSERT_EQ(main->Mnu_Reopen->actions().size(), 3);
    main->Mnu_Reopen->actions()[2]->trigger();
    EXPECT_EQ(Captions(), QStringList{"r1.ico"});
    EXPECT_EQ(Recent(), (QStringList{Path("r3.ico"), Path("r2.ico"), Path("r1.ico")}));

    // A reopen that fails takes the entry out of the menu at once.
    QFile::remove(Path("r2.ico"));
    main->Mnu_Reopen->actions()[1]->trigger();
    EXPECT_EQ(Recent(), (QStringList{Path("r3.ico"), Path("r1.ico")}));
    EXPECT_EQ(main->Mnu_Reopen->actions().size(), 2);
    // So does one stored under another name for the file, as a hand-edited list may hold.
    main->AddRecentFile(QStringLiteral("gone/../relative.ico"));
    main->Mnu_Reopen->actions()[0]->trigger();
    EXPECT_EQ(dialogs.Shown().last(), QStringLiteral("Open Icon: File not found."));
    EXPECT_EQ(Recent(), (QStringList{Path("r3.ico"), Path("r1.ico")}));
}

TEST_F(OpenSaveTest, SettingsThatCannotBeWrittenAtTheEndSaySo)
{
    WriteIcon(Path("r.ico"), {16});
    main->OpenFiles({Path("r.ico")});
    main->ActiveDocument()->move(40, 30); // a placement to keep
    // Both settings files' names now belong to folders.
    ASSERT_TRUE(QDir().mkpath(Path("tavrin.cfg")));
    ASSERT_TRUE(QDir().mkpath(Path("position.cfg")));
    dialogs.Messages.clear();
    AppWindows::FreeAll();
    QStringList said;
    for (const char* name : {"tavrin.cfg", "position.cfg"})
        said << QStringLiteral("Tavrin: The file \"%1\" cannot be saved: it is not a regular file.").arg(Path(name));
    EXPECT_EQ(dialogs.Shown(), said);
}

TEST_F(OpenSaveTest, OpenDialogsHandTheChosenFilesOverAndRememberTheFilter)
{
    // Load from Icon Library starts at the icon filter; cancelled, File > Open starts from it.
    dialogs.FileAnswers.enqueue([](TFileDialogRequest& r) {
        r.FilterIndex = 3;
        return false;
    });
    main->act_load_icl->trigger();
    ASSERT_EQ(dialogs.FileRequests.size(), 1);
    EXPECT_EQ(dialogs.FileRequests[0].FilterIndex, 2);
    EXPECT_EQ(dialogs.FileRequests[0].Title, QStringLiteral("Open Icons or Images"));
    EXPECT_EQ(dialogs.FileRequests[0].DialogKind, TFileDialogRequest::Kind::OpenMany);
    const QVector<TFileFilter> filters = ParseFileFilter(dialogs.FileRequests[0].Filter);
    ASSERT_EQ(filters.size(), 4);
    EXPECT_EQ(filters[1].Description, QStringLiteral("Icons(*.ico)"));
    EXPECT_EQ(filters[0].Patterns.size(), 11);
    EXPECT_EQ(filters[3].Patterns, (QStringList{"*.exe", "*.dll", "*.icl", "*.cpl", "*.ocx"}));

    WriteIcon(Path("o1.ico"), {16});
    WriteIcon(Path("o2.ico"), {16});
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({Path("o1.ico"), Path("o2.ico")}, 4));
    main->FileOpen1->trigger();
    EXPECT_EQ(Captions(), (QStringList{"o1.ico", "o2.ico"}));
    // The filter chosen is where the next File > Open starts.
    main->FileOpen1->trigger();
    ASSERT_EQ(dialogs.FileRequests.size(), 3);
    EXPECT_EQ(dialogs.FileRequests[1].FilterIndex, 2);
    EXPECT_EQ(dialogs.FileRequests[2].FilterIndex, 4);
}

TEST_F(OpenSaveTest, SaveAsExportsTheCurrentFormatAndKeepsTheDocument)
{
    Tfrm_childwin* doc = OpenIcon(QStringLiteral("doc.ico"), {16, 32});
    ASSERT_NE(doc, nullptr);
    doc->SetModified(true);

    const struct {
        int filter;
        const char* ext;
        const char* magic;
    } exports[] = {{2, ".bmp", "BM"}, {3, ".jpg", "\xFF\xD8"}, {4, ".png", "\x89PNG"}, {5, ".gif", "GIF8"}};
    for (const auto& e : exports) {
        dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({Path("x")}, e.filter));
        main->FileSaveAs1->trigger();
        QFile f(Path(QStringLiteral("x") + QLatin1String(e.ext)));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << e.ext;
        EXPECT_TRUE(f.readAll().startsWith(QByteArray(e.magic))) << e.ext;
    }
    ASSERT_EQ(dialogs.FileRequests.size(), 4);
    EXPECT_EQ(dialogs.FileRequests[0].FileName, QStringLiteral("doc"));
    EXPECT_EQ(dialogs.FileRequests[0].DialogKind, TFileDialogRequest::Kind::Save);
    EXPECT_TRUE(dialogs.FileRequests[0].OverwritePrompt);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("doc.ico *"));
    EXPECT_EQ(doc->FilePath(), Path("doc.ico"));
    EXPECT_EQ(Recent(), QStringList{Path("doc.ico")});
    EXPECT_TRUE(dialogs.Messages.isEmpty());
    // The exported PNG is the current (32 x 32) format.
    EXPECT_EQ(QImage(Path("x.png")).size(), QSize(32, 32));
}

TEST_F(OpenSaveTest, SaveAsAnIconRenamesTheDocumentOnlyWhenTheWriteSucceeds)
{
    Tfrm_childwin* doc = OpenIcon(QStringLiteral("first.ico"));
    ASSERT_NE(doc, nullptr);
    doc->SetModified(true);
    // A folder that does not exist: it says so and nothing changes.
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({Path("no-such-folder/f.ico")}, 1));
    main->FileSaveAs1->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Save File"));
    EXPECT_FALSE(dialogs.Messages[0].Text.isEmpty());
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("first.ico *"));
    EXPECT_EQ(doc->FilePath(), Path("first.ico"));
    EXPECT_EQ(Recent(), QStringList{Path("first.ico")});

    // An extension in any case is kept as it is.
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({Path("y.ICO")}, 1));
    main->FileSaveAs1->trigger();
    EXPECT_FALSE(QFile::exists(Path("y.ICO.ico")));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("y.ICO"));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->FilePath(), Path("y.ICO"));
    EXPECT_EQ(Recent(), (QStringList{Path("y.ICO"), Path("first.ico")}));
    TIconImageArray back;
    TIconFileAccess access;
    ASSERT_EQ(access.LoadIconFile(Path("y.ICO"), back), 0);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0].Bitmap->Pixel(5, 3), MakeColor(43, 3, 200));
}

TEST_F(OpenSaveTest, SaveAsAsksBeforeReplacingANameThatGotItsExtensionLate)
{
    ASSERT_NE(OpenIcon(QStringLiteral("d.ico")), nullptr);
    ASSERT_TRUE(WriteBytes(Path("z.png.bmp"), "keep me"));
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({Path("z.png")}, 2));
    dialogs.Answer({TMsgResult::No});
    main->FileSaveAs1->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("z.png.bmp already exists.\nDo you want to replace it?"));
    QFile kept(Path("z.png.bmp"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
    EXPECT_FALSE(QFile::exists(Path("z.png")));
}

TEST_F(OpenSaveTest, CommandsWithoutAFormatDoNothing)
{
    main->FileSave1->trigger();
    main->FileSaveAs1->trigger();
    main->act_effect_flip_horizontal->trigger();
    main->act_effect_InvertColor->trigger();
    EXPECT_TRUE(dialogs.FileRequests.isEmpty());
    EXPECT_TRUE(dialogs.Messages.isEmpty());
    EXPECT_EQ(main->ActiveImage(), nullptr);
    EXPECT_EQ(main->ActiveColorType(), ctTrueAlpha);

    // A current index out of range counts as no format.
    Tfrm_childwin* doc = OpenIcon(QStringLiteral("g.ico"), {16, 32});
    ASSERT_NE(doc, nullptr);
    for (int index : {-1, 2, 1000}) {
        doc->Document().CurrentIndex = index;
        EXPECT_EQ(main->ActiveImage(), nullptr) << index;
        EXPECT_EQ(main->ActiveColorType(), ctTrueAlpha);
        main->act_effect_flip_vertical->trigger();
    }
    doc->Document().CurrentIndex = 1;
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(OpenSaveTest, DirectEffectsChangeTheCurrentFormatWithAStep)
{
    TIconImageArray one;
    one.Add(GradientFormat(32, 16));
    WriteIcon(Path("wide.ico"), std::move(one));
    main->OpenFiles({Path("wide.ico")});
    Tfrm_childwin* doc = main->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    TIconImageRec* f = main->ActiveImage();
    const TColor left = f->Bitmap->Pixel(0, 5);

    main->act_effect_flip_horizontal->trigger();
    EXPECT_EQ(f->Bitmap->Pixel(31, 5), left);
    EXPECT_EQ(f->Mask->Byte0(31, 5), 255);
    EXPECT_EQ(f->Mask->Byte0(0, 5), 0);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("wide.ico *"));
    // A quarter turn of a wide format keeps its size.
    main->act_effect_rotate90CW->trigger();
    EXPECT_EQ(f->Width, 32);
    EXPECT_EQ(f->Height, 16);
    EXPECT_EQ(f->Bitmap->Width(), 32);
    for (QAction* a : {main->act_effect_InvertColor, main->act_effect_flip_vertical, main->act_effect_rotate180,
                       main->act_effect_rotate90CCW})
        a->trigger();
    EXPECT_EQ(StepCaptions(), (QStringList{"New", "Flip Horizontal", "Rotate 90 CW", "Invert Color", "Flip Vertical",
                                           "Rotate 180", "Rotate 90 CCW"}));
    EXPECT_TRUE(main->act_EditUndo->isEnabled());
}

TEST_F(OpenSaveTest, ExitAsksForEveryModifiedIconAndACancelledOrFailedSaveStopsIt)
{
    for (const char* name : {"m1.ico", "m2.ico", "m3.ico"})
        if (Tfrm_childwin* doc = OpenIcon(QString::fromLatin1(name))) doc->SetModified(true);
    auto close = [&](std::initializer_list<TMsgResult> answers) {
        dialogs.Messages.clear();
        dialogs.Answer(answers);
        const bool closed = main->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return closed;
    };
    // m3 first: No; m2: Cancel. The exit stops before any window closes, and m3 keeps its mark.
    EXPECT_FALSE(close({TMsgResult::No, TMsgResult::Cancel}));
    EXPECT_EQ(dialogs.Shown(), (QStringList{"Save Icon: The icon 'm3.ico' has been modified. Do you want to save it?",
                                            "Save Icon: The icon 'm2.ico' has been modified. Do you want to save it?"}));
    EXPECT_EQ(Captions(), (QStringList{"m1.ico *", "m2.ico *", "m3.ico *"}));
    EXPECT_TRUE(main->isVisible());

    // m3: No; m2: Yes, but the file cannot be written: every window stays and the exit stops again.
    QFile::remove(Path("m2.ico"));
    ASSERT_TRUE(QDir().mkdir(Path("m2.ico")));
    EXPECT_FALSE(close({TMsgResult::No, TMsgResult::Yes}));
    ASSERT_EQ(dialogs.Messages.size(), 3);
    EXPECT_EQ(dialogs.Messages[2].Caption, QStringLiteral("Save File"));
    EXPECT_EQ(Captions(), (QStringList{"m1.ico *", "m2.ico *", "m3.ico *"}));

    // No to m3 and Yes to the others with a writable m2: they are saved and the window closes.
    QDir().rmdir(Path("m2.ico"));
    EXPECT_TRUE(close({TMsgResult::No, TMsgResult::Yes, TMsgResult::Yes}));
    EXPECT_EQ(dialogs.Messages.size(), 3);
    EXPECT_EQ(main->DocumentCount(), 0);
    EXPECT_TRUE(QFileInfo(Path("m2.ico")).isFile());
}

TEST(Startup, FirstStartLaysOutTheHistoryAndExitRemembersEveryWindow)
{
    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    QRect historyOuter;
    {
        Tfrm_main main;
        main.show();
        ASSERT_NE(frm_history, nullptr);
        EXPECT_EQ(main.HistoryWindow.data(), frm_history);
        EXPECT_TRUE(frm_history->isVisible());
        EXPECT_TRUE(main.act_History_window->isChecked());
        // The colour window beside the frame's right edge, 80 pixels below its top (a maximized
        // frame covers the work area); the history window under it, at its left edge.
        const Rect area = WorkAreaOf(&main);
        const QRect frame = main.isMaximized() ? QRect(area.Left, area.Top, area.Width(), area.Height())
                                               : main.frameGeometry();
        ASSERT_NE(main.ColorWindow.data(), nullptr);
        const QRect colorsOuter = main.ColorWindow->frameGeometry();
        EXPECT_EQ(colorsOuter.right() + 1, frame.right() + 1 - 5);
        EXPECT_EQ(colorsOuter.top(), frame.top() + 80);
        historyOuter = frm_history->frameGeometry();
        // At the colour window's left edge, unless that runs past the work area's right edge.
        EXPECT_EQ(historyOuter.left(), qMin(colorsOuter.left(), area.Right - historyOuter.width()));
        EXPECT_EQ(historyOuter.top(), colorsOuter.bottom() + 1);

        // View > History Window closes and reopens it.
        main.act_History_window->trigger();
        EXPECT_FALSE(frm_history->isVisible());
        EXPECT_FALSE(main.act_History_window->isChecked());
        main.act_History_window->trigger();
        EXPECT_TRUE(frm_history->isVisible());
        frm_history->move(historyOuter.topLeft() - QPoint(100, 0));
        historyOuter = frm_history->frameGeometry();
        EXPECT_TRUE(main.close());
    }
    const QString file = PositionFilePath();
    const TPlacement mainPlacement = ReadPlacement(file, QStringLiteral("frm_main"));
    EXPECT_EQ(mainPlacement.WindowState, 2);
    EXPECT_GT(mainPlacement.Width, 0);
    EXPECT_EQ(ReadPlacement(file, QStringLiteral("frm_history")),
              (TPlacement{historyOuter.x(), historyOuter.y(), historyOuter.width(), historyOuter.height(), 0}));
    EXPECT_TRUE(ReadShowing(file, QStringLiteral("frm_history"), false));

    // The next start puts the history window where it was left; hidden when it was closed.
    {
        Tfrm_main main;
        main.show();
        EXPECT_EQ(frm_history->frameGeometry(), historyOuter);
        frm_history->close();
        EXPECT_TRUE(main.close());
    }
    EXPECT_FALSE(ReadShowing(file, QStringLiteral("frm_history"), true));
    Tfrm_main main;
    main.show();
    ASSERT_NE(frm_history, nullptr);
    EXPECT_FALSE(frm_history->isVisible());
    EXPECT_FALSE(main.act_History_window->isChecked());
}

TEST(Startup, WindowsAreMadeInOrderAndFreedDocumentsFirstThenInReverse)
{
    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    WriteIcon(dir.FilePath(QStringLiteral("s1.ico")), {16});
    QStringList order;
    WriteIcon(dir.FilePath(QStringLiteral("s2.ico")), {24, 16});
    Tfrm_main* main = AppWindows::CreateApplicationWindows({dir.FilePath(QStringLiteral("s1.ico")),
                                                            dir.FilePath(QStringLiteral("s2.ico"))});
    // The command line is opened on the first show.
    EXPECT_EQ(main->DocumentCount(), 0);
    main->show();
    ASSERT_EQ(main->DocumentCount(), 2);
    EXPECT_EQ(main->ActiveDocument()->windowTitle(), QStringLiteral("s2.ico"));
    EXPECT_EQ(main->ActiveDocument()->Images().Count(), 2);
    // A first start shows the history window and keeps the preview window hidden.
    ASSERT_NE(main->PreviewWindow, nullptr);
    EXPECT_FALSE(main->PreviewWindow->isVisible());
    EXPECT_TRUE(main->HistoryWindow->isVisible());
    for (QMdiSubWindow* sub : main->MdiArea()->subWindowList())
        QObject::connect(sub, &QObject::destroyed, [&order, title = sub->windowTitle()] { order << title; });
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName().startsWith(QStringLiteral("frm_")))
            QObject::connect(w, &QObject::destroyed, [&order, name = w->objectName()] { order << name; });
    EXPECT_TRUE(main->close());
    AppWindows::FreeAll();
    EXPECT_EQ(order, (QStringList{"s2.ico", "s1.ico", "frm_history", "frm_color_panel", "frm_tools_panel", "frm_CartoonOption", "frm_PhotoToIcon", "frm_preview", "frm_DeleIconImage",
                                  "frm_Paste", "frm_Icon_Lib", "frm_font", "frm_GradientColor", "frm_add_new_image", "frm_about", "frm_main"}));
    EXPECT_EQ(frm_main, nullptr);
    EXPECT_EQ(frm_history, nullptr);
}

TEST(Startup, MainShortcutsWorkWhileThePreviewWindowIsActive)
{
    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    WriteIcon(dir.FilePath(QStringLiteral("s1.ico")), {16});
    Tfrm_main* main = AppWindows::CreateApplicationWindows({dir.FilePath(QStringLiteral("s1.ico"))});
    main->show();
    ASSERT_EQ(main->DocumentCount(), 1);
    main->act_effect_flip_horizontal->trigger();
    ASSERT_TRUE(main->act_EditUndo->isEnabled());

    // A click on the preview's swatches leaves the preview the active window; the editor's
    // shortcuts must still reach the main window's commands from there.
    main->PreviewWindow->show();
    main->PreviewWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main->PreviewWindow));
    QTest::keyClick(main->PreviewWindow, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(main->act_EditUndo->isEnabled());
    EXPECT_TRUE(main->act_EditRedo->isEnabled());

    main->ActiveDocument()->Document().Modified = 0;
    EXPECT_TRUE(main->close());
    AppWindows::FreeAll();
}

TEST_F(OpenSaveTest, AManyFormatIconOpensWithoutUndoFilesAndUndoesToItsFormatsAsOpened)
{
    // Forty formats from 16 x 16 to 250 x 250, the larger ones stored as PNG: more pixels than
    // an icon keeps decoded as it opens.
    TIconImageArray made;
    for (int i = 0; i < 40; ++i) made.Add(GradientFormat(16 + 6 * i, 16 + 6 * i));
    const QString path = Path("many.ico");
    WriteIcon(path, std::move(made));
    TIconImageArray asOpened;
    TIconFileAccess access;
    ASSERT_EQ(access.LoadIconFile(path, asOpened), 0);
    const qint64 iconBytes = QFileInfo(path).size();

    main->OpenFiles({path});
    Tfrm_childwin* doc = main->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->Images().Count(), 40);
    EXPECT_EQ(main->ActiveImage(), &doc->Images()[39]);
    // Every format has its own track of one step "New"; the last one's is listed, with its picture.
    const THistoryModel& model = frm_history->Model();
    ASSERT_EQ(model.Tracks().size(), 40u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(model.Tracks()[size_t(i)].Id, doc->Images()[i].Id) << i;
        EXPECT_EQ(model.Tracks()[size_t(i)].Count(), 1) << i;
    }
    EXPECT_EQ(StepCaptions(), QStringList{QStringLiteral("New")});
    ASSERT_EQ(frm_history->lsv_History->rowCount(), 1);
    EXPECT_FALSE(frm_history->lsv_History->item(0, 0)->icon().isNull());
    EXPECT_FALSE(main->act_EditUndo->isEnabled());
    // Opening wrote next to nothing into the history folder.
    qint64 historyBytes = 0;
    for (const QString& file : QviFilesUnder(model.HistoryDir())) historyBytes += QFileInfo(file).size();
    EXPECT_LE(historyBytes, 2 * iconBytes);

    // Only the format shown has its pixels; the others, their thumbnails drawn, wait parked.
    QTest::qWait(50);
    for (int i = 0; i < 39; ++i) EXPECT_TRUE(doc->Images()[i].Bitmap->IsParked()) << i;
    EXPECT_FALSE(doc->Images()[39].Bitmap->IsParked());
    ExpectSameImage(doc->Images()[39], asOpened[39], "shown");
    // A strip of every cell, drawn from the parked formats, is the one drawn from decoded ones.
    TFormatStrip fromParked, fromDecoded;
    fromParked.DrawFormats(doc->Images(), 39, false);
    fromDecoded.DrawFormats(asOpened, 39, false);
    EXPECT_TRUE(fromParked.Canvas() == fromDecoded.Canvas());
    EXPECT_TRUE(doc->Images()[0].IsParked());

    // The format before the last, edited through the window; the file on disk is then replaced.
    doc->setFocus();
    QTest::keyClick(doc, Qt::Key_Left);
    ASSERT_EQ(main->ActiveImage(), &doc->Images()[38]);
    ExpectSameImage(doc->Images()[38], asOpened[38], "shown second");
    main->act_effect_InvertColor->trigger();
    EXPECT_EQ(StepCaptions(), (QStringList{"New", "Invert Color"}));
    WriteIcon(path, {16});
    ASSERT_TRUE(main->act_EditUndo->isEnabled());
    main->act_EditUndo->trigger();
    ExpectSameImage(doc->Images()[38], asOpened[38], "after undo");
    EXPECT_TRUE(main->act_EditRedo->isEnabled());
    EXPECT_TRUE(dialogs.Messages.isEmpty());
}

TEST_F(OpenSaveTest, AnIconOfHundredsOfTinyFormatsKeepsItsBytesForUndoAndClosesWithItsTracks)
{
    // 300 formats of 1 x 1: the file's headers outweigh the pixels, but not the snapshots that
    // would be written instead, one file each.
    TIconImageArray made;
    for (int i = 0; i < 300; ++i) made.Add(SolidFormat(1, 1, ctTrueAlpha, MakeColor(i % 256, i / 256, 7), 0));
    const QString path = Path("tiny.ico");
    WriteIcon(path, std::move(made));

    main->OpenFiles({path});
    Tfrm_childwin* doc = main->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->Images().Count(), 300);
    THistoryModel& model = frm_history->Model();
    ASSERT_EQ(model.Tracks().size(), 300u);
    EXPECT_TRUE(QviFilesUnder(model.HistoryDir()).isEmpty());
    // The listed track is the last format's, past those given a thumbnail at once: its picture
    // was made as it was shown.
    // (A 1 x 1 format is drawn at its size, in the middle of the thumbnail.)
    EXPECT_EQ(model.Tracks()[0].Steps[0].Thumbnail.Pixel(15, 15), MakeColor(0, 0, 7));
    EXPECT_EQ(model.Tracks()[299].Steps[0].Thumbnail.Pixel(15, 15), MakeColor(299 % 256, 1, 7));
    EXPECT_TRUE(model.Tracks()[298].Steps[0].Thumbnail.IsEmpty());
    EXPECT_EQ(model.StepThumbnail(298, 0).Pixel(15, 15), MakeColor(298 % 256, 1, 7));


    // Another icon stays open with its track listed while this one closes.
    Tfrm_childwin* other = NewDocument(QStringLiteral("other.ico"), {SolidFormat(4, 4, ctTrueAlpha, 0x123456)});
    const int32_t otherId = other->Images()[0].Id;
    doc->Document().Modified = 0;
    QPointer<Tfrm_childwin> guard(doc);
    Activate(doc);
    main->MdiArea()->closeActiveSubWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(guard.isNull());
    ASSERT_EQ(model.Tracks().size(), 1u);
    EXPECT_EQ(model.Tracks()[0].Id, otherId);
    EXPECT_EQ(QviFilesUnder(model.HistoryDir()), QStringList{model.StepFile(otherId, 0)});
    EXPECT_TRUE(dialogs.Messages.isEmpty());
}

TEST_F(OpenSaveTest, AnIconPaddedWithUnreadableBlocksKeepsNoCopyOfThemForUndo)
{
    // One 16 x 16 format and an entry pointing at 300 KB that is no image: the bytes read are
    // far more than the format's snapshot, so the step keeps the snapshot's bytes, not the file's.
    TIconImageArray one;
    one.Add(GradientFormat(16, 16));
    TIconFileAccess access;
    QByteArray built;
    ASSERT_TRUE(access.BuildIconData(one, built));
    const QByteArray block = built.mid(6 + 16);
    const QByteArray junk(300 * 1024, 'x');
    ByteWriter w;
    w.U16(0);
    w.U16(1);
    w.U16(2);
    w.Bytes(built.constData() + 6, 12); // the format's entry, but for its offset
    w.U32(6 + 2 * 16);
    w.Zeros(6);
    w.U16(32);
    w.U32(uint32_t(junk.size()));
    w.U32(uint32_t(6 + 2 * 16 + block.size()));
    ASSERT_TRUE(WriteBytes(Path("padded.ico"), w.ToByteArray() + block + junk));

    main->OpenFiles({Path("padded.ico")});
    Tfrm_childwin* doc = main->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->Images().Count(), 1);
    EXPECT_EQ(StepCaptions(), QStringList{QStringLiteral("New")});
    EXPECT_TRUE(QviFilesUnder(frm_history->Model().HistoryDir()).isEmpty());
    const THistoryStepItem& step = frm_history->Model().Tracks()[0].Steps[0];
    EXPECT_EQ(step.Source, nullptr);
    EXPECT_LT(step.Kept.size(), 4 * 1024);
    main->act_effect_InvertColor->trigger();
    main->act_EditUndo->trigger();
    EXPECT_EQ(doc->Images()[0].Bitmap->Pixel(3, 2), MakeColor(26, 2, 200));
}
