// Speed of the effect kernels and the filter engine. The Gaussian blur of an 800 x 800 picture at
// sigma 10 is compared with ImageMagick's "-blur 0x10" by bench/compare_peers.sh; the point effects
// on 256 x 256 should stay well under 5 ms each.
//
//   build/bench/bench_kernels [--image=picture.png] [benchmark flags]
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstring>

#include "bench_pictures.h"

#include "imaging/effect_kernels.h"
#include "imaging/filter_engine.h"
#include "imaging/imaging_state.h"

namespace {

QString g_image;

Bitmap24 Picture(int w, int h) { return BenchPicture(g_image, w, h); }

void BM_GaussianBlur800Sigma10(benchmark::State& state)
{
    const Bitmap24 src = Picture(800, 800);
    Bitmap24 dst(800, 800);
    for (auto _ : state) {
        GaussianBlurRect(src, dst, SizeRect(800, 800), 10.0);
        benchmark::DoNotOptimize(dst.Bits());
    }
}
BENCHMARK(BM_GaussianBlur800Sigma10)->Unit(benchmark::kMillisecond);

void BM_GaussianBlur256(benchmark::State& state)
{
    const Bitmap24 src = Picture(256, 256);
    Bitmap24 dst(256, 256);
    const double sigma = double(state.range(0)) / 20.0;
    for (auto _ : state) {
        GaussianBlurRect(src, dst, SizeRect(256, 256), sigma);
        benchmark::DoNotOptimize(dst.Bits());
    }
}
BENCHMARK(BM_GaussianBlur256)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

// The point effects and the sharpen, each on a 256 x 256 picture.
void BM_Effect256(benchmark::State& state, int which)
{
    const Bitmap24 src = Picture(256, 256);
    Bitmap24 dst(256, 256);
    const Rect all = SizeRect(256, 256);
    for (auto _ : state) {
        switch (which) {
        case 0: ApplyChannelOffsets(src, dst, all, 40, -20, 10); break;
        case 1: ApplyContrast(src, dst, all, 253, 60); break;
        case 2: ApplySaturation(src, dst, all, 60); break;
        default: SharpenRect(src, dst, all, 2.0); break;
        }
        benchmark::DoNotOptimize(dst.Bits());
    }
}
BENCHMARK_CAPTURE(BM_Effect256, ChannelOffsets, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Effect256, Contrast, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Effect256, Saturation, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Effect256, Sharpen, 3)->Unit(benchmark::kMicrosecond);

void BM_Filter256(benchmark::State& state)
{
    const Bitmap24 src = Picture(256, 256);
    Bitmap24 dst(256, 256);
    const TFilterDef& f = FilterPresets[size_t(state.range(0))];
    state.SetLabel(f.Name);
    for (auto _ : state) {
        ApplyFilter(src, dst, f, f.SizeCode, 0, true, true, true);
        benchmark::DoNotOptimize(dst.Bits());
    }
}
BENCHMARK(BM_Filter256)->Arg(5)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_StrokeAndShadow256(benchmark::State& state)
{
    ImagingState imaging;
    TIconImageRec src;
    InitIconImage(src, 256, 256, ctTrueAlpha, 0);
    *src.Bitmap = Picture(256, 256);
    src.Mask->Fill(0xFFFFFF);
    for (int y = 40; y < 216; ++y)
        for (int x = 40 + (y % 30); x < 200; ++x) src.Mask->SetPixel(x, y, 0);
    TIconImageRec dst;
    InitIconImage(dst, 256, 256, ctTrueAlpha, 0);
    const bool stroke = state.range(0) == 0;
    state.SetLabel(stroke ? "stroke size 8" : "shadow sigma 2");
    for (auto _ : state) {
        if (stroke)
            ApplyStroke(src, dst, MakeColor(255, 0, 0), 1, 255, 8);
        else
            ApplyDropShadow(src, dst, 0, 5, 255, 135, 2.0);
        benchmark::DoNotOptimize(dst.Bitmap->Bits());
    }
}
BENCHMARK(BM_StrokeAndShadow256)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--image=", 8) == 0) g_image = QString::fromLocal8Bit(argv[i] + 8);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
