// Opening files into documents (command line, drops, the open dialog, Reopen), Save As with its
// exports, the direct effects, and shut-down with modified icons: the main window driven whole.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "iconfiles/file_access.h"
#include "platform/ui/work_area.h"
#include "support/scripted_dialogs.h"
#include "support/test_support.h"
#include "workspace/app_windows.h"
#include "workspace/childwin.h"
#include "workspace/history_form.h"
#include "workspace/main_form.h"

namespace {

// A format whose pixel (x, y) has red = x * 8 + y, green = y, blue = 200: every pixel differs.
TIconImageRec PatternFormat(int w, int h, int colorType = ctTrueAlpha)
{
    TIconImageRec rec;
    InitIconImage(rec, w, h, colorType, -1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            rec.Bitmap->SetPixel(x, y, MakeColor(x * 8 + y, y, 200));
            rec.Mask->SetPixel(x, y, x == 0 ? 0xFFFFFF : 0);
        }
    return rec;
}

// Writes an icon file of the given sizes (each a true-colour-with-alpha pattern).
QString WriteIcon(const QString& path, std::initializer_list<int> sizes)
{
    TIconImageArray formats;
    for (int s : sizes) formats.Add(PatternFormat(s, s));
    TIconFileAccess access;
    EXPECT_EQ(access.SaveIconFile(path, formats), 0) << access.LastError.toStdString();
    return path;
}

class OpenSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main = std::make_unique<Tfrm_main>();
        main->show();
    }
    void TearDown() override
    {
        for (Tfrm_childwin* doc : main->Documents()) doc->Document().Modified = 0;
        main.reset();
    }
    QString Path(const QString& name) const { return dir.FilePath(name); }
    QStringList Recent() const
    {
        QStringList out;
        for (int i = 0; i < main->Reopen()->Count(); ++i) out << main->Reopen()->Get(i);
        return out;
    }
    QStringList Captions() const
    {
        QStringList out;
        for (Tfrm_childwin* doc : main->Documents()) out << doc->windowTitle();
        return out;
    }
    void Drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        main->WMDropFiles(&data);
    }

    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Tfrm_main> main;
};

} // namespace

TEST_F(OpenSaveTest, AnIconOpensWithEveryFormatTheLastOneCurrent)
{
    WriteIcon(Path("three.ico"), {16, 32, 48});
    main->OpenFiles({Path("three.ico")});
    ASSERT_EQ(main->DocumentCount(), 1);
    Tfrm_childwin* doc = main->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->Images().Count(), 3);
    EXPECT_EQ(doc->CurrentIndex(), 2);
    EXPECT_EQ(main->ActiveImage(), &doc->Images()[2]);
    EXPECT_EQ(main->ActiveColorType(), ctTrueAlpha);
    EXPECT_EQ(doc->Images()[1].Bitmap->Pixel(3, 2), MakeColor(26, 2, 200));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("three.ico"));
    EXPECT_EQ(doc->FilePath(), Path("three.ico"));
    EXPECT_EQ(Recent(), QStringList{Path("three.ico")});
    EXPECT_TRUE(dialogs.Messages.isEmpty());
}

TEST_F(OpenSaveTest, DropsAndTheCommandLineOpenEachIconOnce)
{
    WriteIcon(Path("a.ico"), {16});
    WriteIcon(Path("b.ico"), {32});
    Drop({Path("a.ico"), Path("b.ico"), Path("a.ico")});
    EXPECT_EQ(Captions(), (QStringList{"a.ico", "b.ico"}));
    // The second drop of a.ico brings its window to the front.
    Drop({Path("a.ico")});
    EXPECT_EQ(main->DocumentCount(), 2);
    EXPECT_EQ(main->ActiveDocument()->windowTitle(), QStringLiteral("a.ico"));

    // Relative paths are made absolute, so they are the same file.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.Path()));
    main->OpenCommandLineFiles({QStringLiteral("b.ico"), QStringLiteral("./sub/../a.ico")});
    QDir::setCurrent(saved);
    EXPECT_EQ(main->DocumentCount(), 2);
    EXPECT_EQ(main->ActiveDocument()->windowTitle(), QStringLiteral("a.ico"));
    EXPECT_EQ(Recent(), (QStringList{Path("b.ico"), Path("a.ico")}));
}

TEST_F(OpenSaveTest, APathDifferingInCaseIsAnotherFile)
{
    WriteIcon(Path("x.ico"), {16});
    WriteIcon(Path("X.ico"), {16});
    main->OpenFiles({Path("x.ico"), Path("X.ico")});
    EXPECT_EQ(main->DocumentCount(), 2);
}

TEST_F(OpenSaveTest, TheCommandLineIsOpenedOnFirstShow)
{
    main.reset();
    WriteIcon(Path("c1.ico"), {16});
    WriteIcon(Path("c2.ico"), {24, 16});
    main = std::make_unique<Tfrm_main>();
    main->CommandLine = QStringList{Path("c1.ico"), Path("c2.ico")};
    EXPECT_EQ(main->DocumentCount(), 0);
    main->show();
    EXPECT_EQ(Captions(), (QStringList{"c1.ico", "c2.ico"}));
    EXPECT_EQ(main->ActiveDocument()->Images().Count(), 2);
}

TEST_F(OpenSaveTest, AnUnreadableIconSaysWhyAndLeavesTheRecentList)
{
    QFile bad(Path("bad.ico"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("this is not an icon");
    bad.close();
    main->AddRecentFile(Path("bad.ico"));
    main->AddRecentFile(Path("other.ico"));
    main->OpenFiles({Path("bad.ico"), Path("missing.ico")});
    ASSERT_EQ(dialogs.Messages.size(), 2);
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Open Icon"));
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("The file format is not available."));
    EXPECT_EQ(dialogs.Messages[1].Caption, QStringLiteral("Open Icon"));
    EXPECT_EQ(dialogs.Messages[1].Text, QStringLiteral("File not found."));
    EXPECT_EQ(main->DocumentCount(), 0);
    EXPECT_EQ(Recent(), QStringList{Path("other.ico")});
    // The Reopen menu follows at once.
    ASSERT_EQ(main->Mnu_Reopen->actions().size(), 1);
    EXPECT_EQ(main->Mnu_Reopen->actions()[0]->text(), Path("other.ico"));
}

TEST_F(OpenSaveTest, AnIconWithoutReadableFormatsOpensNoWindowButIsRemembered)
{
    // A header naming one image whose entry points past the end of the file.
    QByteArray data = QByteArray::fromHex("000001000100") + QByteArray(16, '\0');
    data[6 + 12] = char(0x70);
    QFile f(Path("empty.ico"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();
    main->OpenFiles({Path("empty.ico")});
    EXPECT_EQ(main->DocumentCount(), 0);
    EXPECT_TRUE(dialogs.Messages.isEmpty());
    EXPECT_EQ(Recent(), QStringList{Path("empty.ico")});
}

TEST_F(OpenSaveTest, OtherExtensionsLeaveTheRecentListSilently)
{
    main->AddRecentFile(Path("notes.txt"));
    main->OpenFiles({Path("notes.txt"), QString()});
    EXPECT_TRUE(Recent().isEmpty());
    EXPECT_TRUE(dialogs.Messages.isEmpty());
    EXPECT_EQ(main->DocumentCount(), 0);
}

TEST_F(OpenSaveTest, ReopenOpensTheEntryAndKeepsItsPlace)
{
    WriteIcon(Path("r1.ico"), {16});
    WriteIcon(Path("r2.ico"), {16});
    WriteIcon(Path("r3.ico"), {16});
    main->AddRecentFile(Path("r1.ico"));
    main->AddRecentFile(Path("r2.ico"));
    main->AddRecentFile(Path("r3.ico"));
    ASSERT_EQ(main->Mnu_Reopen->actions().size(), 3);
    main->Mnu_Reopen->actions()[2]->trigger();
    EXPECT_EQ(Captions(), QStringList{"r1.ico"});
    EXPECT_EQ(Recent(), (QStringList{Path("r3.ico"), Path("r2.ico"), Path("r1.ico")}));

    // A reopen that fails takes the entry out of the menu at once.
    QFile::remove(Path("r2.ico"));
    main->Mnu_Reopen->actions()[1]->trigger();
    EXPECT_EQ(Recent(), (QStringList{Path("r3.ico"), Path("r1.ico")}));
    EXPECT_EQ(main->Mnu_Reopen->actions().size(), 2);
}

TEST_F(OpenSaveTest, FileOpenHandsTheChosenFilesOver)
{
    WriteIcon(Path("o1.ico"), {16});
    WriteIcon(Path("o2.ico"), {16});
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({Path("o1.ico"), Path("o2.ico")}, 2));
    main->FileOpen1->trigger();
    EXPECT_EQ(Captions(), (QStringList{"o1.ico", "o2.ico"}));
    // The filter chosen is where the next File > Open starts.
    main->FileOpen1->trigger();
    ASSERT_EQ(dialogs.FileRequests.size(), 2);
    EXPECT_EQ(dialogs.FileRequests[1].FilterIndex, 2);
}

TEST_F(OpenSaveTest, SaveAsExportsTheCurrentFormatAndKeepsTheDocument)
{
    WriteIcon(Path("doc.ico"), {16, 32});
    main->OpenFiles({Path("doc.ico")});
    Tfrm_childwin* doc = main->ActiveDocument();
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
        const QString written = Path(QStringLiteral("x") + QLatin1String(e.ext));
        QFile f(written);
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
    QImage png(Path("x.png"));
    EXPECT_EQ(png.size(), QSize(32, 32));
}

TEST_F(OpenSaveTest, SaveAsAnIconRenamesTheDocument)
{
    WriteIcon(Path("first.ico"), {16});
    main->OpenFiles({Path("first.ico")});
    Tfrm_childwin* doc = main->ActiveDocument();
    doc->SetModified(true);
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({Path("y.ICO")}, 1));
    main->FileSaveAs1->trigger();
    EXPECT_TRUE(QFile::exists(Path("y.ICO")));
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
    WriteIcon(Path("d.ico"), {16});
    main->OpenFiles({Path("d.ico")});
    QFile existing(Path("z.png.bmp"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({Path("z.png")}, 2));
    dialogs.MessageAnswers.enqueue(TMsgResult::No);
    main->FileSaveAs1->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("z.png.bmp already exists.\nDo you want to replace it?"));
    QFile kept(Path("z.png.bmp"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
    EXPECT_FALSE(QFile::exists(Path("z.png")));
}

TEST_F(OpenSaveTest, AFailedSaveAsSaysSoAndChangesNothing)
{
    WriteIcon(Path("e.ico"), {16});
    main->OpenFiles({Path("e.ico")});
    Tfrm_childwin* doc = main->ActiveDocument();
    doc->SetModified(true);
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({Path("no-such-folder/f.ico")}, 1));
    main->FileSaveAs1->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Save File"));
    EXPECT_FALSE(dialogs.Messages[0].Text.isEmpty());
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("e.ico *"));
    EXPECT_EQ(doc->FilePath(), Path("e.ico"));
    EXPECT_EQ(Recent(), QStringList{Path("e.ico")});
}

TEST_F(OpenSaveTest, CommandsWithoutADocumentDoNothing)
{
    main->FileSave1->trigger();
    main->FileSaveAs1->trigger();
    main->act_effect_flip_horizontal->trigger();
    main->act_effect_InvertColor->trigger();
    EXPECT_TRUE(dialogs.FileRequests.isEmpty());
    EXPECT_TRUE(dialogs.Messages.isEmpty());
    EXPECT_EQ(main->ActiveImage(), nullptr);
    EXPECT_EQ(main->ActiveColorType(), ctTrueAlpha);
}

TEST_F(OpenSaveTest, ActiveImageIsNoneForAnyIndexOutOfRange)
{
    WriteIcon(Path("g.ico"), {16, 32});
    main->OpenFiles({Path("g.ico")});
    Tfrm_childwin* doc = main->ActiveDocument();
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
    one.Add(PatternFormat(32, 16));
    TIconFileAccess access;
    ASSERT_EQ(access.SaveIconFile(Path("wide.ico"), one), 0);
    main->OpenFiles({Path("wide.ico")});
    Tfrm_childwin* doc = main->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    TIconImageRec* f = main->ActiveImage();
    const TColor left = f->Bitmap->Pixel(0, 5);

    main->act_effect_flip_horizontal->trigger();
    EXPECT_EQ(f->Bitmap->Pixel(31, 5), left);
    EXPECT_EQ(f->Mask->Byte0(31, 5), 255);
    EXPECT_EQ(f->Mask->Byte0(0, 5), 0);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("wide.ico *"));

    main->act_effect_rotate90CW->trigger();
    EXPECT_EQ(f->Width, 32);
    EXPECT_EQ(f->Height, 16);
    EXPECT_EQ(f->Bitmap->Width(), 32);

    main->act_effect_InvertColor->trigger();
    main->act_effect_flip_vertical->trigger();
    main->act_effect_rotate180->trigger();
    main->act_effect_rotate90CCW->trigger();

    ASSERT_NE(frm_history, nullptr);
    const THistoryTrack* track = frm_history->Model().ListedTrack();
    ASSERT_NE(track, nullptr);
    QStringList captions;
    for (const THistoryStepItem& step : track->Steps) captions << step.Caption;
    EXPECT_EQ(captions, (QStringList{"New", "Flip Horizontal", "Rotate 90 CW", "Invert Color", "Flip Vertical",
                                     "Rotate 180", "Rotate 90 CCW"}));
    EXPECT_TRUE(main->act_EditUndo->isEnabled());
}

TEST_F(OpenSaveTest, QuarterTurnsOfASquareFormatAreExact)
{
    WriteIcon(Path("sq.ico"), {16});
    main->OpenFiles({Path("sq.ico")});
    TIconImageRec* f = main->ActiveImage();
    const TIconImageRec before = f->Clone();
    main->act_effect_rotate90CCW->trigger();
    // A counter-clockwise quarter turn takes pixel (x, y) to (y, 15 - x).
    EXPECT_EQ(f->Bitmap->Pixel(3, 15 - 5), before.Bitmap->Pixel(5, 3));
    main->act_effect_rotate90CW->trigger();
    EXPECT_TRUE(*f->Bitmap == *before.Bitmap);
    EXPECT_TRUE(*f->Mask == *before.Mask);
    main->act_effect_rotate180->trigger();
    main->act_effect_rotate180->trigger();
    EXPECT_TRUE(*f->Bitmap == *before.Bitmap);
}

TEST_F(OpenSaveTest, InvertOfAPaletteFormatInvertsItsPalette)
{
    TIconImageArray one;
    TIconImageRec rec;
    InitIconImage(rec, 16, 16, ctColors16, -1);
    rec.Mask->Fill(0);
    one.Add(std::move(rec));
    TIconFileAccess access;
    ASSERT_EQ(access.SaveIconFile(Path("pal.ico"), one), 0);
    main->OpenFiles({Path("pal.ico")});
    TIconImageRec* f = main->ActiveImage();
    ASSERT_EQ(f->Palette.palNumEntries, 16);
    const TPaletteEntry first = f->Palette.palPalEntry[0];
    const Bitmap24 pixels = *f->Bitmap;
    main->act_effect_InvertColor->trigger();
    EXPECT_EQ(f->Palette.palPalEntry[0].peRed, 255 - first.peRed);
    EXPECT_TRUE(*f->Bitmap == pixels);
}

TEST_F(OpenSaveTest, TheTextLockDisablesTheEffectsAndTheTimerFollowsTheDocument)
{
    WriteIcon(Path("t.ico"), {16});
    main->OpenFiles({Path("t.ico")});
    Tfrm_childwin* doc = main->ActiveDocument();
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_EditCut->isEnabled());
    doc->Document().PointCount = 3;
    main->UpdateEditCommands();
    EXPECT_TRUE(main->act_EditCut->isEnabled());
    EXPECT_TRUE(main->act_EditCopy->isEnabled());
    EXPECT_TRUE(main->act_EditClear->isEnabled());
    main->SetTextEditing(true);
    main->UpdateEditCommands();
    EXPECT_TRUE(main->act_EditCut->isEnabled());
    EXPECT_FALSE(main->act_SelectAll->isEnabled());
    EXPECT_FALSE(main->act_effect_flip_horizontal->isEnabled());
    main->SetTextEditing(false);
    doc->Document().PointCount = 0;
    main->UpdateEditCommands();
    EXPECT_FALSE(main->act_EditCut->isEnabled());
}

TEST_F(OpenSaveTest, ExitAsksForEveryModifiedIconAndACancelledSaveStopsIt)
{
    WriteIcon(Path("m1.ico"), {16});
    WriteIcon(Path("m2.ico"), {16});
    WriteIcon(Path("m3.ico"), {16});
    main->OpenFiles({Path("m1.ico"), Path("m2.ico"), Path("m3.ico")});
    for (Tfrm_childwin* doc : main->Documents()) doc->SetModified(true);
    // m3 first: No; m2: Cancel. The exit stops, m1 and m2 stay.
    dialogs.Answer({TMsgResult::No, TMsgResult::Cancel});
    EXPECT_FALSE(main->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(dialogs.Messages.size(), 2);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("The icon 'm3.ico' has been modified. Do you want to save it?"));
    EXPECT_EQ(dialogs.Messages[1].Text, QStringLiteral("The icon 'm2.ico' has been modified. Do you want to save it?"));
    EXPECT_EQ(Captions(), (QStringList{"m1.ico *", "m2.ico *"}));
    EXPECT_TRUE(main->isVisible());

    // m2: Yes, but the file cannot be written: its window stays and the exit stops again.
    QFile::remove(Path("m2.ico"));
    ASSERT_TRUE(QDir().mkdir(Path("m2.ico")));
    dialogs.Messages.clear();
    dialogs.Answer({TMsgResult::Yes});
    EXPECT_FALSE(main->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(dialogs.Messages.size(), 2);
    EXPECT_EQ(dialogs.Messages[1].Caption, QStringLiteral("Save File"));
    EXPECT_EQ(Captions(), (QStringList{"m1.ico *", "m2.ico *"}));

    // Yes to both with a writable m2: everything is saved and the window closes.
    QDir().rmdir(Path("m2.ico"));
    dialogs.Messages.clear();
    dialogs.Answer({TMsgResult::Yes, TMsgResult::Yes});
    EXPECT_TRUE(main->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(dialogs.Messages.size(), 2);
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
        // Beside the frame's right edge, 80 pixels below its top (a maximized frame covers the
        // work area).
        const Rect area = WorkAreaOf(&main);
        const QRect frame = main.isMaximized() ? QRect(area.Left, area.Top, area.Width(), area.Height())
                                               : main.frameGeometry();
        historyOuter = frm_history->frameGeometry();
        EXPECT_EQ(historyOuter.right() + 1, frame.right() + 1 - 5);
        EXPECT_EQ(historyOuter.top(), frame.top() + 80);

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
    {
        Tfrm_main main;
        main.show();
        ASSERT_NE(frm_history, nullptr);
        EXPECT_FALSE(frm_history->isVisible());
        EXPECT_FALSE(main.act_History_window->isChecked());
    }
}

TEST(Startup, WindowsAreMadeInOrderAndFreedDocumentsFirstThenInReverse)
{
    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    WriteIcon(dir.FilePath(QStringLiteral("s1.ico")), {16});
    WriteIcon(dir.FilePath(QStringLiteral("s2.ico")), {16});
    QStringList order;
    Tfrm_main* main = AppWindows::CreateApplicationWindows({dir.FilePath(QStringLiteral("s1.ico")),
                                                            dir.FilePath(QStringLiteral("s2.ico"))});
    main->show();
    ASSERT_EQ(main->DocumentCount(), 2);
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
    EXPECT_EQ(order, (QStringList{"s2.ico", "s1.ico", "frm_history", "frm_preview", "frm_DeleIconImage",
                                  "frm_add_new_image", "frm_about", "frm_main"}));
    EXPECT_EQ(frm_main, nullptr);
    EXPECT_EQ(frm_history, nullptr);
}

TEST(DirectEffects, TurnsLeaveTwoLevelMasksOutsideTrueColourWithAlpha)
{
    // Width and height differ by one, so a quarter turn's centre falls between pixels and blends.
    for (int32_t colorType : {ctColors16, ctTrueColor, ctTrueAlpha}) {
        TIconImageRec f;
        InitIconImage(f, 17, 16, colorType, -1);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 17; ++x) f.Mask->SetPixel(x, y, (x + y) % 2 ? 0xFFFFFF : 0);
        EXPECT_EQ(ApplyDirectEffect(f, TDirectEffect::Rotate90CW), QStringLiteral("Rotate 90 CW"));
        EXPECT_EQ(f.Width, 17);
        bool twoLevel = true;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 17; ++x) {
                const uint8_t m = f.Mask->Byte0(x, y);
                twoLevel = twoLevel && (m == 0 || m == 255);
            }
        EXPECT_EQ(twoLevel, colorType != ctTrueAlpha) << colorType;
    }
}
