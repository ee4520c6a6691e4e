// Ending the program. File > Exit and a quit request from outside (as the desktop session sends
// when it ends) take the main window's way out: every modified icon is asked about before any
// window closes, the settings are written, and the event loop ends with tool windows showing.
// The real program, started on an X server of its own, ends on Alt+F, x and on the close box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "app/app_windows.h"
#include "iconfiles/file_access.h"
#include "model/reopen_list.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"
#include "support/x11_session.h"
#include "workspace/dialogs/add_new_image_form.h"
#include "workspace/base_form.h"

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#define TAVRIN_HAVE_XLIB 1
#endif

namespace {

// Runs the application's event loop with Act as its first event. The loop's result, or -1 when
// it was still running a minute later (it is then ended, so a fault fails instead of hanging).
int RunEventLoop(const std::function<void()>& act)
{
    QTimer::singleShot(0, qApp, act);
    bool stuck = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&stuck] {
        stuck = true;
        QCoreApplication::exit(-1);
    });
    watchdog.start(60000);
    const int result = QApplication::exec();
    return stuck ? -1 : result;
}

void WriteIcon(const QString& path)
{
    TIconImageArray formats;
    formats.Add(PatternFormat(16, 16, ctTrueAlpha));
    TIconFileAccess access;
    ASSERT_EQ(access.SaveIconFile(path, formats), 0) << access.LastError.toStdString();
}

class QuitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteIcon(dir.FilePath(QStringLiteral("a.ico")));
        WriteIcon(dir.FilePath(QStringLiteral("b.ico")));
        main = AppWindows::CreateApplicationWindows({dir.FilePath(QStringLiteral("a.ico")), dir.FilePath(QStringLiteral("b.ico"))});
        main->show();
        ASSERT_EQ(main->DocumentCount(), 2);
        // Every tool window on screen.
        for (QAction* a : {main->act_Preview_window, main->act_icon_lib})
            if (!a->isChecked()) a->trigger();
        for (QWidget* w : ToolWindows()) ASSERT_TRUE(w && w->isVisible()) << (w ? w->objectName().toStdString() : "");
        // The older icon is edited (a history step and its working file), the newer one is not.
        main->MdiArea()->setActiveSubWindow(main->MdiArea()->subWindowList(QMdiArea::CreationOrder).first());
        main->act_effect_flip_horizontal->trigger();
        ASSERT_EQ(main->Documents()[0]->windowTitle(), QStringLiteral("a.ico *"));
        dialogs.Messages.clear();
    }
    void TearDown() override
    {
        if (frm_main)
            for (Tfrm_childwin* doc : frm_main->Documents()) doc->Document().Modified = 0;
        AppWindows::FreeAll();
    }
    QList<QWidget*> ToolWindows() const
    {
        return {main->ToolsWindow, main->ColorWindow, main->HistoryWindow, main->LibraryWindow, main->PreviewWindow};
    }
    bool AllOpen() const
    {
        for (QWidget* w : ToolWindows())
            if (!w->isVisible()) return false;
        return main->isVisible() && main->DocumentCount() == 2;
    }

    ScopedAppDir dir;
    ScriptedDialogs dialogs;
    Tfrm_main* main = nullptr;
};

const QString AQuestion = QStringLiteral("Save Icon: The icon 'a.ico' has been modified. Do you want to save it?");

TEST_F(QuitTest, FileExitAsksEndsTheEventLoopAndKeepsTheSettingsCancelKeepsEverything)
{
    bool cancelKeptAll = false;
    bool loopWentOn = false;
    const int result = RunEventLoop([&] {
        dialogs.Answer({TMsgResult::Cancel});
        main->FileExit1->trigger();
        cancelKeptAll = AllOpen() && main->Documents()[0]->IsModified();
        QTimer::singleShot(10, qApp, [&] {
            loopWentOn = true;
            dialogs.Answer({TMsgResult::No});
            main->FileExit1->trigger();
        });
    });
    EXPECT_TRUE(cancelKeptAll);
    EXPECT_TRUE(loopWentOn);
    EXPECT_EQ(result, 0);
    // Asked once per attempt, about the modified icon only; the untouched one closed quietly.
    EXPECT_EQ(dialogs.Shown(), (QStringList{AQuestion, AQuestion}));
    EXPECT_EQ(main->DocumentCount(), 0);
    for (QWidget* w : ToolWindows()) EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
    EXPECT_FALSE(main->isVisible());

    AppWindows::FreeAll();
    EXPECT_EQ(frm_main, nullptr);
    // What the next run needs: the recent files, the windows' places and which were showing.
    TReopenList recent(dir.FilePath(QStringLiteral("tavrin.cfg")));
    ASSERT_EQ(recent.Count(), 2);
    EXPECT_EQ(recent.Get(0), dir.FilePath(QStringLiteral("b.ico")));
    EXPECT_EQ(recent.Get(1), dir.FilePath(QStringLiteral("a.ico")));
    const QString position = dir.FilePath(QStringLiteral("position.cfg"));
    EXPECT_GT(ReadPlacement(position, QStringLiteral("frm_main")).Width, 0);
    for (const char* shown : {"frm_history", "frm_Icon_Lib", "frm_preview"})
        EXPECT_TRUE(ReadShowing(position, QString::fromLatin1(shown), false)) << shown;
    // The edit's working files went with the run, and the icon answered No is as it was on disk.
    EXPECT_TRUE(QviFilesUnder(dir.Path()).isEmpty());
    TIconImageArray onDisk;
    TIconFileAccess access;
    ASSERT_EQ(access.LoadIconFile(dir.FilePath(QStringLiteral("a.ico")), onDisk), 0);
    ExpectSameImage(onDisk[0], PatternFormat(16, 16, ctTrueAlpha), "a.ico");
}

TEST_F(QuitTest, AQuitRequestFromOutsideTakesTheSameWayOut)
{
    // As the desktop session ends: the quit is refused while an answer keeps an icon, then a Yes
    // saves it and the run ends.
    bool refused = false;
    const int result = RunEventLoop([&] {
        dialogs.Answer({TMsgResult::Cancel});
        QCoreApplication::quit();
        refused = AllOpen();
        QTimer::singleShot(10, qApp, [&] {
            dialogs.Answer({TMsgResult::Yes});
            QCoreApplication::quit();
        });
    });
    EXPECT_TRUE(refused);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dialogs.Shown(), (QStringList{AQuestion, AQuestion}));
    EXPECT_EQ(main->DocumentCount(), 0);
    TIconImageArray onDisk;
    TIconFileAccess access;
    ASSERT_EQ(access.LoadIconFile(dir.FilePath(QStringLiteral("a.ico")), onDisk), 0);
    EXPECT_FALSE(SameFormat(onDisk[0], PatternFormat(16, 16, ctTrueAlpha))); // flipped and saved
}

TEST_F(QuitTest, ANewIconAsksOnceItHoldsWork)
{
    auto fileNew = [this] {
        WhenModal([](QWidget* modal) {
            auto* dlg = qobject_cast<Tfrm_add_new_image*>(modal);
            ASSERT_TRUE(dlg);
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        });
        main->FileNew1->trigger();
        return qobject_cast<QMdiSubWindow*>(main->ActiveDocument()->parentWidget());
    };
    // Untouched, it goes quietly.
    EXPECT_TRUE(fileNew()->close());
    EXPECT_TRUE(dialogs.Messages.isEmpty());
    // Painted on, it is asked about like any modified icon.
    QMdiSubWindow* painted = fileNew();
    main->act_effect_InvertColor->trigger();
    EXPECT_EQ(painted->windowTitle(), QStringLiteral("Icon3 *"));
    dialogs.Answer({TMsgResult::Cancel});
    EXPECT_FALSE(painted->close());
    EXPECT_EQ(dialogs.Shown(), (QStringList{"Save Icon: The icon 'Icon3' has been modified. Do you want to save it?"}));
}

#ifdef TAVRIN_HAVE_XLIB
#ifdef TAVRIN_PROGRAM

// The few Xlib and XTest calls a test needs, loaded at run time so the test binary links neither.
class TXClient {
public:
    TXClient() = default;
    TXClient(const TXClient&) = delete;
    TXClient& operator=(const TXClient&) = delete;
    ~TXClient()
    {
        if (display_) closeDisplay_(display_);
    }

    bool Open(const QString& name, QString& why)
    {
        void* x11 = dlopen("libX11.so.6", RTLD_NOW);
        void* xtest = dlopen("libXtst.so.6", RTLD_NOW);
        if (!x11 || !xtest) {
            why = QStringLiteral("libX11 or libXtst is missing");
            return false;
        }
        bool ok = true;
        auto load = [&ok](void* lib, auto& fn, const char* symbol) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, symbol));
            ok = ok && fn;
        };
        load(x11, openDisplay_, "XOpenDisplay");
        load(x11, closeDisplay_, "XCloseDisplay");
        load(x11, queryTree_, "XQueryTree");
        load(x11, fetchName_, "XFetchName");
        load(x11, free_, "XFree");
        load(x11, attributes_, "XGetWindowAttributes");
        load(x11, setFocus_, "XSetInputFocus");
        load(x11, keycode_, "XKeysymToKeycode");
        load(x11, internAtom_, "XInternAtom");
        load(x11, sendEvent_, "XSendEvent");
        load(x11, sync_, "XSync");
        load(xtest, fakeKey_, "XTestFakeKeyEvent");
        if (!ok) {
            why = QStringLiteral("an Xlib or XTest call is missing");
            return false;
        }
        display_ = openDisplay_(name.toLocal8Bit().constData());
        if (!display_) why = QStringLiteral("cannot open the display");
        return display_ != nullptr;
    }

    // The largest viewable top-level window of that name, or 0.
    Window FindWindow(const char* title)
    {
        Window root = 0, parent = 0, *children = nullptr, best = 0;
        unsigned count = 0;
        long bestArea = 0;
        if (!queryTree_(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) return 0;
        for (unsigned i = 0; i < count; ++i) {
            char* name = nullptr;
            XWindowAttributes a;
            if (!fetchName_(display_, children[i], &name) || !name) continue;
            const bool named = qstrcmp(name, title) == 0;
            free_(name);
            if (!named || !attributes_(display_, children[i], &a) || a.map_state != IsViewable) continue;
            if (long(a.width) * a.height > bestArea) bestArea = long(a.width) * a.height, best = children[i];
        }
        if (children) free_(children);
        return best;
    }

    // Key presses as the keyboard sends them, into the window given the focus.
    void Keys(Window focus, std::initializer_list<std::pair<KeySym, bool>> keys)
    {
        setFocus_(display_, focus, RevertToParent, CurrentTime);
        for (const auto& [sym, withAlt] : keys) {
            const unsigned alt = keycode_(display_, XK_Alt_L), key = keycode_(display_, sym);
            if (withAlt) fakeKey_(display_, alt, True, 0);
            fakeKey_(display_, key, True, 0);
            fakeKey_(display_, key, False, 0);
            if (withAlt) fakeKey_(display_, alt, False, 0);
            sync_(display_, False);
        }
    }

    // What a window manager sends when the close box or Alt+F4 is used.
    void AskToClose(Window window)
    {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = window;
        e.xclient.message_type = internAtom_(display_, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(internAtom_(display_, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        sendEvent_(display_, window, False, NoEventMask, &e);
        sync_(display_, False);
    }

private:
    Display* display_ = nullptr;
    Display* (*openDisplay_)(const char*) = nullptr;
    int (*closeDisplay_)(Display*) = nullptr;
    Status (*queryTree_)(Display*, Window, Window*, Window*, Window**, unsigned*) = nullptr;
    Status (*fetchName_)(Display*, Window, char**) = nullptr;
    int (*free_)(void*) = nullptr;
    Status (*attributes_)(Display*, Window, XWindowAttributes*) = nullptr;
    int (*setFocus_)(Display*, Window, int, Time) = nullptr;
    KeyCode (*keycode_)(Display*, KeySym) = nullptr;
    Atom (*internAtom_)(Display*, const char*, Bool) = nullptr;
    Status (*sendEvent_)(Display*, Window, Bool, long, XEvent*) = nullptr;
    int (*sync_)(Display*, Bool) = nullptr;
    int (*fakeKey_)(Display*, unsigned, Bool, unsigned long) = nullptr;
};

// The program and its assets copied into a folder of their own, where it keeps its settings.
bool CopyProgram(const QString& to, QString& program)
{
    const QFileInfo built(QString::fromUtf8(TAVRIN_PROGRAM));
    program = QDir(to).filePath(built.fileName());
    if (!QFile::copy(built.filePath(), program)) return false;
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
    // Without its assets the program would greet the run with a message box.
    QFile::copy(built.dir().filePath(QStringLiteral("cartoon3.set")), QDir(to).filePath(QStringLiteral("cartoon3.set")));
    return true;
}

// Starts the program, waits for its windows, does End, and tells whether it was gone 10 s later
// with exit code 0 and its settings written.
void ExpectProgramEnds(const std::function<void(TXClient&, Window)>& end)
{
    TX11Session x;
    QString why;
    if (!x.Start(why)) GTEST_SKIP() << "no X server could start: " << why.toStdString();
    TXClient client;
    if (!client.Open(x.Display(), why)) GTEST_SKIP() << why.toStdString();
    QTemporaryDir folder;
    QString program;
    ASSERT_TRUE(CopyProgram(folder.path(), program));

    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x.Display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(program, {});
    ASSERT_TRUE(run.waitForStarted(30000));

    // The main window and, made on its first show, the tools window.
    Window main = 0;
    for (QDeadlineTimer up(60000); !up.hasExpired() && run.state() == QProcess::Running; run.waitForFinished(100))
        if (client.FindWindow("Tools") && (main = client.FindWindow("Tavrin"))) break;
    ASSERT_NE(main, 0u) << "the program showed no main window: " << run.readAll().toStdString();

    end(client, main);
    const bool ended = run.waitForFinished(10000);
    if (!ended) run.kill(), run.waitForFinished(5000);
    EXPECT_TRUE(ended) << "the program was still running 10 s after it was told to end";
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), 0) << run.readAll().toStdString();
    for (const char* file : {"tavrin.cfg", "position.cfg"})
        EXPECT_TRUE(QFileInfo::exists(QDir(folder.path()).filePath(QString::fromLatin1(file)))) << file;
}

TEST(QuitProgram, FileExitByKeyboardEndsTheProcess)
{
    ExpectProgramEnds([](TXClient& client, Window main) { client.Keys(main, {{XK_f, true}, {XK_x, false}}); });
}

TEST(QuitProgram, TheCloseBoxEndsTheProcess)
{
    ExpectProgramEnds([](TXClient& client, Window main) { client.AskToClose(main); });
}

#endif
#endif

} // namespace
