// Opening an icon into a shown main window, against decoding the same file alone, for icons of
// 16, 64 and 256 formats: opening should cost a constant factor over decoding (linear in the
// format count), with the 256-format icon of 256 x 256 within 3x its decode time.
//
//     build/bench/bench_open_formats
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMdiArea>
#include <QTemporaryDir>

#include "iconfiles/file_access.h"
#include "imaging/icon_image.h"
#include "platform/app_paths.h"
#include "platform/ui/dialogs.h"
#include "workspace/main_form.h"

namespace {

QTemporaryDir* g_dir = nullptr;

// An icon of `count` true-colour-with-alpha formats of side `side`, written once per shape.
QString IconFile(int count, int side)
{
    const QString path = g_dir->filePath(QStringLiteral("i%1_%2.ico").arg(count).arg(side));
    if (QFile::exists(path)) return path;
    TIconImageArray formats;
    for (int i = 0; i < count; ++i) {
        TIconImageRec& f = formats.Add();
        InitIconImage(f, side, side, ctTrueAlpha, -1);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                f.Bitmap->SetPixel(x, y, MakeColor((x + i) & 255, (y * 3) & 255, (x ^ y) & 255));
                const int t = (x * 7 + y) & 255;
                f.Mask->SetPixel(x, y, MakeColor(t, t, t));
            }
    }
    TIconFileAccess access;
    access.SaveIconFile(path, formats);
    return path;
}

void BM_Decode(benchmark::State& state)
{
    const QString path = IconFile(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        TIconFileAccess access;
        TIconImageArray formats;
        if (access.LoadIconFile(path, formats) != 0) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(formats.Count());
    }
}

void BM_OpenIntoShownWindow(benchmark::State& state)
{
    const QString path = IconFile(int(state.range(0)), int(state.range(1)));
    Tfrm_main main;
    main.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        main.OpenFiles({path});
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (main.DocumentCount() != 1) state.SkipWithError("open failed");
        // Closing asks nothing: a freshly opened icon is not modified.
        main.MdiArea()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

void Shapes(benchmark::internal::Benchmark* b)
{
    for (const auto& [count, side] : {std::pair{16, 256}, std::pair{64, 256}, std::pair{256, 256}, std::pair{256, 32}})
        b->Args({count, side});
}

} // namespace

BENCHMARK(BM_Decode)->Apply(Shapes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenIntoShownWindow)->Apply(Shapes)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    AppPaths::SetBaseDirForTesting(dir.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
