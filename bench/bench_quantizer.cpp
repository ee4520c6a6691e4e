// Speed and quality of our colour quantizer. bench/compare_peers.sh runs it next to pngquant on
// the same picture; with --out it also writes the 256-colour result as a PNG and prints its mean
// squared error and the median time of a few runs. BM_Yardstick, measured in the same run, sorts
// the picture's colours: read the quantizer's times as multiples of it, as the machine's speed
// varies from run to run.
//
//   build/bench/bench_quantizer [--image=picture.png] [--out=result.png [--runs=N]] [benchmark flags]
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench_pictures.h"
#include "imaging/icon_image.h"
#include "imaging/quantizer_dither.h"

namespace {

QString g_image;

void BM_Yardstick(benchmark::State& state)
{
    const Bitmap24 src = BenchPicture(g_image, 256, 256);
    std::vector<uint32_t> keys;
    for (auto _ : state) {
        keys.clear();
        for (int y = 0; y < src.Height(); ++y)
            for (int x = 0; x < src.Width(); ++x) keys.push_back(uint32_t(src.Pixel(x, y)));
        std::sort(keys.begin(), keys.end());
        benchmark::DoNotOptimize(keys.data());
    }
    state.SetLabel("sort of the picture's 65536 colours");
}
BENCHMARK(BM_Yardstick)->Unit(benchmark::kMillisecond);

void BM_Quantize256(benchmark::State& state)
{
    const Bitmap24 src = BenchPicture(g_image, 256, 256);
    const int dither = int(state.range(0)), mode = int(state.range(1));
    state.SetLabel((mode == 0 ? std::string("fixed palette") : std::string("computed palette")) +
                   (dither ? ", dithered" : ""));
    Bitmap24 dst;
    for (auto _ : state) {
        TPalette pal;
        LoadDefaultPalette(pal, ctColors256);
        QuantizeToPalette(src, dst, pal, 256, dither, mode);
        benchmark::DoNotOptimize(dst.Bits());
    }
}
BENCHMARK(BM_Quantize256)->Args({0, 2})->Args({1, 2})->Args({1, 0})->Unit(benchmark::kMillisecond);

// A computed palette of `colours` entries without dithering, as the effect previews ask for.
void QuantizeEachRound(benchmark::State& state, const Bitmap24& src, int32_t colorType, int colours)
{
    Bitmap24 dst;
    for (auto _ : state) {
        TPalette pal;
        LoadDefaultPalette(pal, colorType);
        QuantizeToPalette(src, dst, pal, colours, 0, 2);
        benchmark::DoNotOptimize(dst.Bits());
    }
}

// What the effect previews hand over on a 256-colour format: the picture blurred, tens of
// thousands of near colours, quantised with a computed palette and no dithering.
void BM_QuantizePreview(benchmark::State& state)
{
    const Bitmap24 src = BenchPicture(g_image, 256, 256);
    Bitmap24 blurred(src.Width(), src.Height());
    constexpr int R = 2;
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0, count = 0;
                for (int dy = -R; dy <= R; ++dy)
                    for (int dx = -R; dx <= R; ++dx) {
                        const int sx = x + dx, sy = y + dy;
                        if (sx < 0 || sy < 0 || sx >= src.Width() || sy >= src.Height()) continue;
                        sum += src.Row(sy)[sx * 3 + c];
                        ++count;
                    }
                blurred.Row(y)[x * 3 + c] = uint8_t((sum + count / 2) / count);
            }
    QuantizeEachRound(state, blurred, ctColors256, 256);
    state.SetLabel("blurred picture, computed palette");
}
BENCHMARK(BM_QuantizePreview)->Unit(benchmark::kMillisecond);

void BM_Quantize16(benchmark::State& state)
{
    QuantizeEachRound(state, BenchPicture(g_image, 256, 256), ctColors16, 16);
}
BENCHMARK(BM_Quantize16)->Unit(benchmark::kMillisecond);

// Quantizes once more for the record: median time of several runs, the error, and the picture.
int WriteResult(const QString& out, int runs)
{
    const Bitmap24 src = BenchPicture(g_image, 256, 256);
    Bitmap24 dst;
    TPalette pal;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        LoadDefaultPalette(pal, ctColors256);
        QElapsedTimer t;
        t.start();
        QuantizeToPalette(src, dst, pal, 256, 0, 2);
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    Bitmap24 shown(src.Width(), src.Height());
    double sum = 0;
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) {
            const TPaletteEntry& e = pal.palPalEntry[dst.Row(y)[x * 3 + 2]];
            const TColor s = src.Pixel(x, y);
            const int dr = ColorR(s) - e.peRed, dg = ColorG(s) - e.peGreen, db = ColorB(s) - e.peBlue;
            sum += dr * dr + dg * dg + db * db;
            shown.SetPixel(x, y, MakeColor(e.peRed, e.peGreen, e.peBlue));
        }
    const double mse = sum / (3.0 * src.Width() * src.Height());
    std::printf("ours: mse %.3f psnr %.2f dB, median %.2f ms over %zu runs\n", mse,
                10 * std::log10(255.0 * 255.0 / mse), times[times.size() / 2], times.size());
    return shown.ToQImage(QImage::Format_RGB888).save(out) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString out;
    int runs = 15;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0) runs = std::max(1, std::atoi(argv[i] + 7));
        if (std::strncmp(argv[i], "--image=", 8) == 0) g_image = QString::fromLocal8Bit(argv[i] + 8);
        if (std::strncmp(argv[i], "--out=", 6) == 0) out = QString::fromLocal8Bit(argv[i] + 6);
    }
    if (!out.isEmpty()) return WriteResult(out, runs);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
