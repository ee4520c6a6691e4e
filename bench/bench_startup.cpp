// Start-up time: from process start to the main window shown with one 7-format icon open,
// against a bare Qt program that shows an empty QMainWindow. Both run offscreen as fresh
// processes of this same executable, so both pay the same loading of the program's libraries.
//
//     build/bench/bench_startup
//
// Each iteration spawns one child and waits for it; the child leaves as soon as its window is
// exposed and painted.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QTemporaryDir>

#include "bench_child.h"
#include "iconfiles/file_access.h"
#include "imaging/icon_image.h"
#include "platform/app_paths.h"
#include "app/app_windows.h"
#include "workspace/main_form.h"

namespace {

std::string g_self;
std::string g_icon;
std::string g_settings;

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

void Spawn(benchmark::State& state, const std::vector<std::string>& args)
{
    for (auto _ : state) {
        if (!RunChild(g_self, args).ok) {
            state.SkipWithError("child failed");
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

    QTemporaryDir work;
    if (!PrepareParent(work, g_self)) return 1;
    g_settings = work.path().toStdString();
    g_icon = QDir(work.path()).filePath(QStringLiteral("seven.ico")).toStdString();
    {
        int qtArgc = 1;
        QGuiApplication app(qtArgc, argv);
        if (!WriteSevenFormatIcon(QString::fromStdString(g_icon))) return 1;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
