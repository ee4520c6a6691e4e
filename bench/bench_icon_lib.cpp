// The icon library window's two heavy paths, each with a yardstick run in the same process:
// - opening a module of 2,000 images (500 icons of four formats, about 9 MB) into the window:
//   decoding every image, drawing each thumbnail and filling the list.
//   Goal: under 2 s. Yardstick: the reader alone decoding the same 2,000 images.
// - scrolling the list of those 500 icons from top to bottom, a page at a time, every page drawn.
//   Yardstick: the same list drawn with its captions only, no thumbnails: drawing from the cached
//   thumbnails should cost little more.
// - saving a library of 500 icons (2,000 formats from their working files). Goal: under 1 s.
//   Yardstick: writing the same 2,000 formats into one icon file.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>

#include "bench_formats.h"
#include "iconfiles/file_access.h"
#include "iconfiles/icon_resources.h"
#include "model/icon_library.h"
#include "platform/app_paths.h"
#include "workspace/icon_lib_form.h"

namespace {

constexpr int IconCount = 500;

TIconImageArray IconFormats(int seed)
{
    TIconImageArray formats;
    formats.Add(DrawnFormat(16, ctTrueAlpha, seed));
    formats.Add(DrawnFormat(24, ctColors256, seed));
    formats.Add(DrawnFormat(32, ctTrueAlpha, seed));
    formats.Add(DrawnFormat(48, ctTrueAlpha, seed));
    return formats;
}

struct Fixture {
    Fixture()
    {
        AppPaths::SetBaseDirForTesting(dir.path());
        library = std::make_unique<TIconLibrary>(AppPaths::WorkFolder(QStringLiteral("tmplib")));
        library->NewLibrary();
        for (int i = 0; i < IconCount; ++i) {
            const TIconImageArray formats = IconFormats(i);
            if (library->AddIcon(QStringLiteral("Icon %1").arg(i), formats) < 0) qFatal("cannot add an icon");
            iconFormats.push_back(IconFormats(i));
        }
        // The new library's first icon is its empty placeholder; the module holds the 500 drawn ones.
        library->Icons.erase(library->Icons.begin());
        modulePath = dir.filePath(QStringLiteral("big.icl"));
        if (library->WriteLibraryFile(modulePath) != 0) qFatal("cannot write the module");
    }
    ~Fixture()
    {
        library.reset();
        AppPaths::RemoveWorkFolder(QStringLiteral("tmplib"));
    }
    QTemporaryDir dir;
    std::unique_ptr<TIconLibrary> library;
    std::vector<TIconImageArray> iconFormats;
    QString modulePath;
};

Fixture& Shared()
{
    static Fixture fixture;
    return fixture;
}

void BM_OpenModuleIntoWindow(benchmark::State& state)
{
    const QString path = Shared().modulePath;
    Tfrm_Icon_Lib window;
    for (auto _ : state) {
        if (window.OpenLibrary(path) != 0 || window.lsv_Lib->count() != IconCount) state.SkipWithError("open failed");
        // Every cell drawn once, as the window shows them scrolled through.
        window.lsv_Lib->viewport()->grab();
    }
    state.counters["images"] = double(IconCount) * 4;
}

// Scrolls the window's list page by page to its end, drawing each page.
void ScrollThrough(benchmark::State& state, Tfrm_Icon_Lib& window)
{
    QScrollBar* bar = window.lsv_Lib->verticalScrollBar();
    for (auto _ : state) {
        int pages = 0;
        for (int value = bar->minimum();; value += bar->pageStep()) {
            bar->setValue(value);
            window.lsv_Lib->viewport()->grab();
            ++pages;
            if (value >= bar->maximum()) break;
        }
        state.counters["pages"] = pages;
    }
}

void BM_ScrollListOverCachedThumbnails(benchmark::State& state)
{
    Tfrm_Icon_Lib window;
    window.resize(230, 400);
    if (window.OpenLibrary(Shared().modulePath) != 0) state.SkipWithError("open failed");
    ScrollThrough(state, window);
}

void BM_ScrollListYardstickCaptionsOnly(benchmark::State& state)
{
    Tfrm_Icon_Lib window;
    window.resize(230, 400);
    if (window.OpenLibrary(Shared().modulePath) != 0) state.SkipWithError("open failed");
    for (int i = 0; i < window.lsv_Lib->count(); ++i) window.lsv_Lib->item(i)->setData(Qt::DecorationRole, QVariant());
    ScrollThrough(state, window);
}

void BM_OpenModuleYardstickReaderOnly(benchmark::State& state)
{
    const QString path = Shared().modulePath;
    for (auto _ : state) {
        TIconModuleReader reader;
        if (reader.ReadLibrary(path) != 0 || int(reader.Icons.size()) != IconCount) state.SkipWithError("read failed");
        int read = 0;
        for (int i = 0; i < IconCount; ++i) {
            std::vector<TModuleImage> images;
            reader.ReadIconImages(i, images);
            for (const TModuleImage& image : images) read += image.Read ? 1 : 0;
            benchmark::DoNotOptimize(images);
        }
        if (read != IconCount * 4) state.SkipWithError("images missing");
    }
}

void BM_SaveLibrary500(benchmark::State& state)
{
    const QString path = Shared().dir.filePath(QStringLiteral("saved.icl"));
    for (auto _ : state)
        if (Shared().library->WriteLibraryFile(path) != 0) state.SkipWithError("save failed");
}

void BM_SaveYardstickOneIconFile(benchmark::State& state)
{
    const QString path = Shared().dir.filePath(QStringLiteral("all.ico"));
    TIconImageArray all;
    for (const TIconImageArray& formats : Shared().iconFormats)
        for (int j = 0; j < formats.Count(); ++j) all.Add(formats[j].Clone());
    for (auto _ : state) {
        TIconFileAccess access;
        if (access.SaveIconFile(path, all) != 0) state.SkipWithError("save failed");
    }
}

} // namespace

BENCHMARK(BM_OpenModuleIntoWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_OpenModuleYardstickReaderOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ScrollListOverCachedThumbnails)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ScrollListYardstickCaptionsOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_SaveLibrary500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_SaveYardstickOneIconFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
