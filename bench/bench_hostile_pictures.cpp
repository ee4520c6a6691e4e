// Hostile and unusual pictures and icons, each beside a healthy file of the same pixels in the
// same run: PNG images with compressed data after their last row (one and 16 in an icon, and a
// photo), a 250 MB sparse icon whose images sit at its start, top-down BMP photos and frames, and
// pipes and devices named like pictures. Each must open (or be refused) in well under half a
// second and 200 MB; peak_MB is the process's peak, so run one case per process to read it:
//     build/release/bench/bench_hostile_pictures --benchmark_filter='BM_Icon/png_tail_16$'
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "iconfiles/file_access.h"
#include "iconfiles/picture_file.h"
#include "model/photo_frames.h"
#include "tests/support/hostile_files.h"

using namespace HostileFiles;

namespace {

struct Files {
    Files()
    {
        const QByteArray healthyPng = PngWithTail(256, 256, 0);
        // About 200 KB of compressed zeros after the rows, as seen in the wild.
        const QByteArray tailedPng = PngWithTail(256, 256, uint64_t(200) << 20);
        Write("healthy_1.ico", IconOfCopies(healthyPng, 1, 0, 0));
        Write("healthy_16.ico", IconOfCopies(healthyPng, 16, 0, 0));
        Write("png_tail_1.ico", IconOfCopies(tailedPng, 1, 0, 0));
        Write("png_tail_16.ico", IconOfCopies(tailedPng, 16, 0, 0));
        Write("sparse_healthy.ico", IconOfCopies(healthyPng, 16, 0, 0));
        Write("sparse_250MB.ico", IconOfCopies(healthyPng, 16, 0, 0));
        QFile(Path("sparse_250MB.ico")).resize(qint64(250) << 20);
        Write("photo_healthy.png", PngWithTail(2000, 1500, 0));
        Write("photo_tail.png", PngWithTail(2000, 1500, uint64_t(1) << 30));
        for (const int bits : {24, 32}) {
            Write(QStringLiteral("bottom_up_%1.bmp").arg(bits), TopDownBmp(2000, 1500, bits, false));
            Write(QStringLiteral("top_down_%1.bmp").arg(bits), TopDownBmp(2000, 1500, bits, true));
            Write(QStringLiteral("frame_bottom_up_%1.bmp").arg(bits), TopDownBmp(1024, 1024, bits, false));
            Write(QStringLiteral("frame_top_down_%1.bmp").arg(bits), TopDownBmp(1024, 1024, bits, true));
        }
        mkfifo(QFile::encodeName(Path("pipe.ico")).constData(), 0600);
        mkfifo(QFile::encodeName(Path("pipe.png")).constData(), 0600);
        QFile::link(QStringLiteral("/dev/zero"), Path("zero.ico"));
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(Path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(name));
    }
    QTemporaryDir dir;
};

Files& Shared()
{
    static Files files;
    return files;
}

void CountPeak(benchmark::State& state)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
}

// Times read on the named file; read answers whether the outcome was the one expected.
template <class Read>
void TimeReads(benchmark::State& state, const char* name, Read read)
{
    const QString path = Shared().Path(QLatin1String(name));
    for (auto _ : state)
        if (!read(path)) state.SkipWithError("the file did not read as expected");
    CountPeak(state);
}

// An icon file expected to give formatsExpected formats, or (below 0) to be refused.
void BM_Icon(benchmark::State& state, const char* name, int formatsExpected)
{
    TimeReads(state, name, [&](const QString& path) {
        TIconFileAccess access;
        TIconImageArray formats;
        const int32_t result = access.LoadIconFile(path, formats);
        benchmark::DoNotOptimize(formats);
        return formatsExpected < 0 ? result == -1 : result == 0 && formats.Count() == formatsExpected;
    });
}

void BM_Photo(benchmark::State& state, const char* name, bool readable)
{
    TimeReads(state, name, [&](const QString& path) {
        Bitmap24 out;
        const bool read = PictureFile::LoadPicture(path, out);
        benchmark::DoNotOptimize(out);
        return read == readable;
    });
}

void BM_Frame(benchmark::State& state, const char* name)
{
    TimeReads(state, name, [](const QString& path) {
        Bitmap24 out;
        const bool read = TFrameLibrary::LoadFrameFile(path, out);
        benchmark::DoNotOptimize(out);
        return read;
    });
}

} // namespace

BENCHMARK_CAPTURE(BM_Icon, healthy_1, "healthy_1.ico", 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Icon, png_tail_1, "png_tail_1.ico", 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Icon, healthy_16, "healthy_16.ico", 16)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Icon, png_tail_16, "png_tail_16.ico", 16)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Icon, sparse_healthy, "sparse_healthy.ico", 16)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Icon, sparse_250MB, "sparse_250MB.ico", 16)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Photo, png_healthy, "photo_healthy.png", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Photo, png_tail, "photo_tail.png", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Photo, bmp24_bottom_up, "bottom_up_24.bmp", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Photo, bmp24_top_down, "top_down_24.bmp", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Photo, bmp32_bottom_up, "bottom_up_32.bmp", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Photo, bmp32_top_down, "top_down_32.bmp", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Frame, bmp24_bottom_up, "frame_bottom_up_24.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Frame, bmp24_top_down, "frame_top_down_24.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Frame, bmp32_bottom_up, "frame_bottom_up_32.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Frame, bmp32_top_down, "frame_top_down_32.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Icon, fifo, "pipe.ico", -1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Icon, dev_zero, "zero.ico", -1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Photo, fifo_png, "pipe.png", false)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Shared();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
