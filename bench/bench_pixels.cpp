// Pixel routines against Qt's own smooth scaling and transformation, in the same run.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QTransform>

#include "imaging/compositing.h"
#include "imaging/imaging_state.h"
#include "imaging/resample.h"
#include "imaging/transforms.h"
#include "platform/canvas_ops.h"

namespace {

Bitmap24 Noise(int w, int h)
{
    Bitmap24 b(w, h);
    unsigned s = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) {
            s = s * 1103515245u + 12345u;
            b.Row(y)[x] = uint8_t(s >> 16);
        }
    return b;
}

// Qt's fastest path: 32-bit pixels.
QImage PeerImage(int w, int h) { return Noise(w, h).ToQImage(QImage::Format_RGB32); }

void Ours_Resample(benchmark::State& state, int sw, int dw)
{
    const Bitmap24 src = Noise(sw, sw);
    Bitmap24 dst(dw, dw);
    for (auto _ : state) {
        ResampleBitmap(src, dst, sw, sw, dw, dw);
        benchmark::DoNotOptimize(dst.Bits());
    }
}
void Qt_Resample(benchmark::State& state, int sw, int dw)
{
    const QImage src = PeerImage(sw, sw);
    for (auto _ : state) {
        QImage out = src.scaled(dw, dw, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
}

void BM_Ours_Shrink256To48(benchmark::State& s) { Ours_Resample(s, 256, 48); }
void BM_Qt_Shrink256To48(benchmark::State& s) { Qt_Resample(s, 256, 48); }
void BM_Ours_Enlarge16To256(benchmark::State& s) { Ours_Resample(s, 16, 256); }
void BM_Qt_Enlarge16To256(benchmark::State& s) { Qt_Resample(s, 16, 256); }

void BM_Ours_Rotate256By30(benchmark::State& state)
{
    const Bitmap24 src = Noise(256, 256);
    Bitmap24 b = src;
    for (auto _ : state) {
        RotateRectBilinear(b, SizeRect(256, 256), 30);
        benchmark::DoNotOptimize(b.Bits());
    }
}
void BM_Ours_RotateNearest256By30(benchmark::State& state)
{
    const Bitmap24 src = Noise(256, 256);
    Bitmap24 dst(256, 256);
    for (auto _ : state) {
        RotateBitmapNearest(src, dst, SizeRect(256, 256), 30);
        benchmark::DoNotOptimize(dst.Bits());
    }
}
void BM_Qt_Rotate256By30(benchmark::State& state)
{
    const QImage src = PeerImage(256, 256);
    QTransform t;
    t.rotate(30);
    for (auto _ : state) {
        QImage out = src.transformed(t, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
}

TIconImageRec Format256()
{
    TIconImageRec rec;
    InitIconImage(rec, 256, 256, ctTrueAlpha, -1);
    *rec.Bitmap = Noise(256, 256);
    *rec.Mask = Noise(256, 256);
    return rec;
}

// A 256 x 256 format composited over a colour and shown at zoom 8, smoothly...
void BM_Ours_DrawIconImageZoom8(benchmark::State& state)
{
    ImagingState imaging;
    const TIconImageRec rec = Format256();
    Bitmap24 canvas(2048, 2048);
    for (auto _ : state) {
        DrawIconImage(canvas, SizeRect(2048, 2048), 0xFFFFFF, rec);
        benchmark::DoNotOptimize(canvas.Bits());
    }
}
void BM_Qt_SmoothZoom8(benchmark::State& state)
{
    const QImage src = PeerImage(256, 256);
    for (auto _ : state) {
        QImage out = src.scaled(2048, 2048, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
}
// ...and pixel by pixel, composite then nearest-pixel stretch.
void BM_Ours_CompositeNearestZoom8(benchmark::State& state)
{
    const TIconImageRec rec = Format256();
    Bitmap24 composite(256, 256), canvas(2048, 2048);
    for (auto _ : state) {
        CompositeOnColor(*rec.Bitmap, *rec.Mask, &rec.Palette, composite, 0xFFFFFF, SizeRect(256, 256));
        StretchCopyNearest(composite, SizeRect(256, 256), canvas, SizeRect(2048, 2048));
        benchmark::DoNotOptimize(canvas.Bits());
    }
}
void BM_Qt_FastZoom8(benchmark::State& state)
{
    const QImage src = PeerImage(256, 256);
    for (auto _ : state) {
        QImage out = src.scaled(2048, 2048, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
}

} // namespace

BENCHMARK(BM_Ours_Shrink256To48);
BENCHMARK(BM_Qt_Shrink256To48);
BENCHMARK(BM_Ours_Enlarge16To256);
BENCHMARK(BM_Qt_Enlarge16To256);
BENCHMARK(BM_Ours_Rotate256By30);
BENCHMARK(BM_Ours_RotateNearest256By30);
BENCHMARK(BM_Qt_Rotate256By30);
BENCHMARK(BM_Ours_DrawIconImageZoom8);
BENCHMARK(BM_Qt_SmoothZoom8);
BENCHMARK(BM_Ours_CompositeNearestZoom8);
BENCHMARK(BM_Qt_FastZoom8);
BENCHMARK_MAIN();
