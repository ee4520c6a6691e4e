// Start-up time: from process start to the main window shown with one 7-format icon open,
// against a bare Qt program that shows an empty QMainWindow, and the same start over a 50 MB
// "position.cfg" full of impossible values. All run offscreen as fresh processes of this same
// executable, so all pay the same loading of the program's libraries. The last rows give what
// each window made at every start costs to make, in this process: those hidden at start, then
// the three tool windows the main window's first show makes and shows.
//
//     build/bench/bench_startup
//
// Each iteration spawns one child and waits for it; the child leaves as soon as its window is
// exposed and painted. The child's settings folder gets the program's read-only assets, as a
// build places them next to the executable; a child that has not ended after a minute (a window
// waiting for an answer nobody gives) is killed and the run fails.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTemporaryDir>

#include "bench/bench_child.h"
#include "creators/cartoon_option_form.h"
#include "creators/photo_to_icon_form.h"
#include "iconfiles/file_access.h"
#include "imaging/icon_image.h"
#include "platform/app_paths.h"
#include "app/app_windows.h"
#include "workspace/dialogs/about_form.h"
#include "workspace/dialogs/add_new_image_form.h"
#include "workspace/dialogs/dele_icon_image_form.h"
#include "workspace/color_panel.h"
#include "workspace/font_form.h"
#include "workspace/gradient_color.h"
#include "workspace/history_form.h"
#include "workspace/icon_lib_form.h"
#include "workspace/main_form.h"
#include "workspace/paste_form.h"
#include "workspace/preview_form.h"
#include "workspace/tools_panel.h"


namespace {

std::string g_self;
std::string g_icon;
std::string g_settings;
std::string g_hostileSettings;
std::string g_windowSettings;
char* g_argv0 = nullptr;

int RunTavrin(int argc, char** argv, const char* settings, const char* icon)
{
    QApplication app(argc, argv);
    AppPaths::SetBaseDirForTesting(QString::fromLocal8Bit(settings));
    Tfrm_main* main = AppWindows::CreateApplicationWindows({QString::fromLocal8Bit(icon)});
    main->show();
    WaitShown(*main);
    if (main->DocumentCount() != 1) return 2;
    std::fflush(nullptr);
    std::_Exit(0); // only the start is measured
}

int RunBare(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.show();
    WaitShown(window);
    std::_Exit(0);
}

// The bare window shows no text, so it never sets up fonts; this one shows a menu bar and a line
// of text, as any editor's window does, and so pays for fontconfig and a font engine too.
int RunWithText(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("With text"));
    for (const char* title : {"&File", "&Edit", "&View", "&Help"}) window.menuBar()->addMenu(QString::fromLatin1(title));
    window.setCentralWidget(new QLabel(QStringLiteral("Ready")));
    window.show();
    WaitShown(window);
    std::_Exit(0);
}

void Spawn(benchmark::State& state, const std::vector<std::string>& args)
{
    for (auto _ : state) {
        if (!RunChild(g_self, args).ok) {
            state.SkipWithError("the child failed, or still ran after 60 s (killed)");
            return;
        }
    }
}

void BM_StartTavrinWithSevenFormatIcon(benchmark::State& state)
{
    Spawn(state, {g_self, "--child-tavrin", g_settings, g_icon});
}
BENCHMARK(BM_StartTavrinWithSevenFormatIcon)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_StartBareQtMainWindow(benchmark::State& state) { Spawn(state, {g_self, "--child-bare"}); }
BENCHMARK(BM_StartBareQtMainWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_StartQtMainWindowWithMenusAndText(benchmark::State& state) { Spawn(state, {g_self, "--child-text"}); }
BENCHMARK(BM_StartQtMainWindowWithMenusAndText)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// A damaged or hostile "position.cfg" costs no more than a sound one.
void BM_StartTavrinOver50MBPositionFile(benchmark::State& state)
{
    Spawn(state, {g_self, "--child-tavrin", g_hostileSettings, g_icon});
}
BENCHMARK(BM_StartTavrinOver50MBPositionFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The windows made at start, each made and freed again and again in this process; the first one
// made (untimed) pays for the style, the fonts and the shared tables.
template <class Window>
void BM_MakeWindow(benchmark::State& state)
{
    static int argc = 1;
    static QApplication* app = [] {
        auto* a = new QApplication(argc, &g_argv0);
        AppPaths::SetBaseDirForTesting(QString::fromStdString(g_windowSettings));
        return a;
    }();
    (void)app;
    delete new Window;
    for (auto _ : state) {
        auto* window = new Window;
        state.PauseTiming();
        delete window;
        state.ResumeTiming();
    }
}
#define WINDOW_ROW(Window) \
    BENCHMARK(BM_MakeWindow<Window>)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40)
// In the order the program makes them: hidden at start, then shown at start.
WINDOW_ROW(Tfrm_about);
WINDOW_ROW(Tfrm_add_new_image);
WINDOW_ROW(Tfrm_GradientColor);
WINDOW_ROW(Tfrm_font);
WINDOW_ROW(Tfrm_Icon_Lib);
WINDOW_ROW(Tfrm_Paste);
WINDOW_ROW(Tfrm_DeleIconImage);
WINDOW_ROW(Tfrm_preview);
WINDOW_ROW(Tfrm_PhotoToIcon);
WINDOW_ROW(Tfrm_CartoonOption);
WINDOW_ROW(Tfrm_tools_panel);
WINDOW_ROW(Tfrm_color_panel);
WINDOW_ROW(Tfrm_history);

// 50 MB: every window's section with the largest values, then junk.
bool WriteHostilePositionFile(const QString& path)
{
    QByteArray text;
    for (const char* section : {"frm_main", "frm_tools_panel", "frm_color_panel", "frm_history", "frm_Icon_Lib", "frm_preview"})
        text += QByteArray("[") + section +
                "]\nleft=2147483647\ntop=2147483647\nwidth=2147483647\nheight=2147483647\nWindowState=0\nshowing=1\n";
    text += QByteArray(50 * 1024 * 1024, ';');
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// The icon the editor opens: 16, 24, 32, 48, 64, 128 and 256 pixels, true colour with alpha.
bool WriteSevenFormatIcon(const QString& path)
{
    TIconImageArray formats;
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        TIconImageRec& f = formats.Add();
        InitIconImage(f, side, side, ctTrueAlpha, -1);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                f.Bitmap->SetPixel(x, y, MakeColor(x * 255 / side, y * 255 / side, 128));
                const int d = (x - side / 2) * (x - side / 2) + (y - side / 2) * (y - side / 2);
                f.Mask->SetPixel(x, y, d < side * side / 5 ? 0 : 0xFFFFFF);
            }
    }
    TIconFileAccess access;
    return access.SaveIconFile(path, formats) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc >= 4 && std::strcmp(argv[1], "--child-tavrin") == 0) {
        int qtArgc = 1;
        return RunTavrin(qtArgc, argv, argv[2], argv[3]);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--child-bare") == 0) {
        int qtArgc = 1;
        return RunBare(qtArgc, argv);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--child-text") == 0) {
        int qtArgc = 1;
        return RunWithText(qtArgc, argv);
    }

    QTemporaryDir work;
    if (!work.isValid()) return 1;
    g_self = SelfPath();
    if (g_self.empty()) return 1;
    const QString sound = QDir(work.path()).filePath(QStringLiteral("sound"));
    const QString hostile = QDir(work.path()).filePath(QStringLiteral("hostile"));
    const QString windows = QDir(work.path()).filePath(QStringLiteral("windows"));
    g_settings = sound.toStdString();
    g_hostileSettings = hostile.toStdString();
    g_windowSettings = windows.toStdString();
    g_argv0 = argv[0];
    g_icon = QDir(work.path()).filePath(QStringLiteral("seven.ico")).toStdString();
    {
        int qtArgc = 1;
        QGuiApplication app(qtArgc, argv);
        for (const QString& folder : {sound, hostile, windows})
            if (!QDir().mkpath(folder) || !CopyAssets(folder)) return 1;
        if (!WriteHostilePositionFile(QDir(hostile).filePath(QStringLiteral("position.cfg")))) return 1;
        if (!WriteSevenFormatIcon(QString::fromStdString(g_icon))) return 1;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
