// A selection change in a picture dialog: the preview of a 24-megapixel JPEG (decoded scaled by
// libjpeg to what the pane shows) against Qt's own JPEG reader decoding it whole, the stacked
// preview of an icon of seven sizes, a burst of twenty selection changes as a held arrow key makes
// them, and the hostile icon of 65,535 entries. Goals: JPEG under 150 ms, icon under 30 ms, the
// burst about one decode.
//
//     build/bench/bench/bench_picture_dialogs
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QTemporaryDir>

#include "bench_pictures.h"
#include "iconfiles/file_access.h"
#include "iconfiles/jpeg_codec.h"
#include "imaging/icon_image.h"
#include "platform/bytes.h"
#include "workspace/dialogs/picture_dialog.h"

namespace {

QTemporaryDir* g_dir = nullptr;

QString Photo(int copy)
{
    const QString path = g_dir->filePath(QStringLiteral("photo%1.jpg").arg(copy));
    if (QFile::exists(path)) return path;
    const QString first = g_dir->filePath(QStringLiteral("photo0.jpg"));
    if (copy > 0 && QFile::exists(first)) {
        QFile::copy(first, path);
        return path;
    }
    std::vector<uint8_t> bytes;
    EncodeJpeg(PhotoLike(6000, 4000), 90, bytes);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    return path;
}

QString Icon(int copy)
{
    const QString path = g_dir->filePath(QStringLiteral("icon%1.ico").arg(copy));
    if (QFile::exists(path)) return path;
    TIconImageArray formats;
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        TIconImageRec& f = formats.Add();
        InitIconImage(f, side, side, ctTrueAlpha, -1);
        f.Bitmap->FromQImage(PhotoLike(side, side).ToQImage());
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) f.Mask->SetPixel(x, y, ((x + y) & 7) ? 0 : 0xFFFFFF);
    }
    TIconFileAccess access;
    access.SaveIconFile(path, formats);
    return path;
}

QString ManyEntries()
{
    const QString path = g_dir->filePath(QStringLiteral("many.ico"));
    if (QFile::exists(path)) return path;
    TIconImageArray one;
    InitIconImage(one.Add(), 16, 16, ctTrueAlpha, -1);
    QByteArray data;
    TIconFileAccess access;
    access.BuildIconData(one, data);
    ByteReader in(data);
    in.Seek(14);
    const uint32_t size = in.U32(), offset = in.U32();
    ByteWriter out;
    out.U16(0);
    out.U16(1);
    out.U16(65535);
    for (int i = 0; i < 65535; ++i) {
        out.U8(16), out.U8(16), out.U8(0), out.U8(0), out.U16(1), out.U16(32), out.U32(size);
        out.U32(6 + 16u * 65535u);
    }
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(out.ToByteArray() + data.mid(qsizetype(offset), qsizetype(size)));
    return path;
}

// A shown desktop dialog with the pane, the way the program shows it.
struct Pane {
    QFileDialog dialog;
    TOpenPictureDialogEx picture;
    Pane()
    {
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        picture.BuildPane(dialog);
        dialog.setDirectory(g_dir->path());
        dialog.show();
        QCoreApplication::processEvents();
    }
};

// Selecting two files in turn, so each selection loads.
void Select(benchmark::State& state, const QString& a, const QString& b)
{
    Pane pane;
    bool flip = false;
    for (auto _ : state) {
        pane.picture.UpdatePreview(flip ? a : b);
        flip = !flip;
        if (!pane.picture.Preview().Ok) state.SkipWithError("no preview");
    }
    state.counters["shown_w"] = pane.picture.Preview().Picture.Width();
}

void BM_SelectJpeg24MP(benchmark::State& state) { Select(state, Photo(0), Photo(1)); }

// The peer: Qt's JPEG reader decoding the whole picture.
void BM_QtReadJpeg24MP(benchmark::State& state)
{
    const QString path = Photo(0);
    for (auto _ : state) {
        QImageReader reader(path);
        reader.setAllocationLimit(0);
        QImage image = reader.read();
        if (image.isNull()) state.SkipWithError("Qt could not read it");
        benchmark::DoNotOptimize(image.bits());
    }
}

void BM_SelectIcon7Sizes(benchmark::State& state) { Select(state, Icon(0), Icon(1)); }

void BM_SelectIcon65535Entries(benchmark::State& state)
{
    const QString a = ManyEntries();
    const QString b = g_dir->filePath(QStringLiteral("many2.ico"));
    if (!QFile::exists(b)) QFile::copy(a, b);
    Select(state, a, b);
}

// Twenty selection changes in a burst over the photos right after a load: one photo is decoded,
// where the selection rests (loads = 2 with the icon before), after the settling pause.
void BM_ArrowBurstOverPhotos(benchmark::State& state)
{
    QStringList files;
    for (int i = 0; i < 20; ++i) files << Photo(i);
    Pane pane;
    int loads = 0;
    for (auto _ : state) {
        const int before = pane.picture.LoadCount();
        pane.picture.UpdatePreview(Icon(0)); // a load has just finished, as while arrowing
        for (const QString& f : files) pane.picture.SelectionChange(f);
        while (pane.picture.PreviewPending()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        loads = pane.picture.LoadCount() - before;
        pane.picture.SavedFileName.clear();
    }
    state.counters["loads"] = loads;
}

} // namespace

BENCHMARK(BM_SelectJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtReadJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SelectIcon7Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SelectIcon65535Entries)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArrowBurstOverPhotos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
