// A full cartoon render (line layer, colour layer and their composition) with the shipped preset,
// on a photo-like picture of 256 x 256 and of 800 x 800.
#include <benchmark/benchmark.h>

#include <cmath>

#include "imaging/draw_effect.h"
#include "imaging/imaging_state.h"
#include "platform/bitmap24.h"
#include "scripts/cartoon3_preset.h"

namespace {

// Smooth shading, a few hard-edged shapes and a little sensor noise: what a photo gives the
// engine to do (flat areas to merge, edges to trace, texture to ignore).
Bitmap24 PhotoLike(int size)
{
    Bitmap24 b(size, size);
    unsigned noise = 12345;
    const double s = size / 256.0;
    for (int y = 0; y < size; ++y) {
        uint8_t* row = b.Row(y);
        for (int x = 0; x < size; ++x) {
            double r = 90 + 100.0 * x / size, g = 140 - 60.0 * y / size, bl = 200 - 80.0 * (x + y) / (2.0 * size);
            const double d1 = std::hypot(x - 90 * s, y - 110 * s), d2 = std::hypot(x - 180 * s, y - 150 * s);
            if (d1 < 60 * s) {
                r = 220 - d1 / s;
                g = 60 + d1 / (2 * s);
                bl = 40;
            }
            if (d2 < 45 * s) {
                r = 30;
                g = 120 + d2 / s;
                bl = 60;
            }
            if (y > 200 * s && (x / int(12 * s + 1)) % 2 == 0) r = g = bl = 40;
            noise = noise * 1103515245u + 12345u;
            const int n = int((noise >> 16) % 9) - 4;
            row[x * 3 + 0] = uint8_t(std::clamp(int(bl) + n, 0, 255));
            row[x * 3 + 1] = uint8_t(std::clamp(int(g) + n, 0, 255));
            row[x * 3 + 2] = uint8_t(std::clamp(int(r) + n, 0, 255));
        }
    }
    return b;
}

void Render(benchmark::State& state, bool sketch, bool color)
{
    ImagingState imaging;
    const int size = int(state.range(0));
    const Bitmap24 picture = PhotoLike(size);
    TCartoonOptions o = ShippedCartoonPreset();
    o.Source = &picture;
    o.Width = o.Height = size;
    o.DrawSketch = sketch;
    o.DrawColor = color;
    o.ComposeMode = 1;
    TDrawEffect fx;
    fx.SetOptions(o);
    Bitmap24 out(size, size);
    for (auto _ : state) {
        fx.Execute();
        fx.ComposeTo(out);
        benchmark::DoNotOptimize(out.Bits());
    }
}
void BM_CartoonRender(benchmark::State& state) { Render(state, true, true); }
// The two layers on their own, to see where the time goes.
void BM_LineLayer(benchmark::State& state) { Render(state, true, false); }
void BM_ColorLayer(benchmark::State& state) { Render(state, false, true); }
BENCHMARK(BM_CartoonRender)->Arg(256)->Arg(800)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineLayer)->Arg(256)->Arg(800)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorLayer)->Arg(256)->Arg(800)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
