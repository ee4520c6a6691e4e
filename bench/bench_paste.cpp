// The paste window's speed goals, each next to its yardstick in the same run:
//   - one drag move of the frame over a 256 x 256 format, the view repainted on screen, with a
//     256 x 256 picture and with a 5,000 x 5,000 one (goal: under 8 ms a move for both), against
//     one merge of a 256 x 256 format over another (the least a move must do) and against a proper
//     resample of the whole 5,000 x 5,000 picture onto the format (what a move would cost if it
//     did not draft);
//   - the four palette variants built on release over a 256 x 256, 256-colour format (goal: under
//     200 ms), against one quantisation of that picture with a rebuilt palette and dithering.
#include "bench_main.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>

#include "bench/bench_pictures.h"
#include "imaging/compositing.h"
#include "imaging/quantizer_dither.h"
#include "imaging/resample.h"
#include "workspace/paste_form.h"

namespace {

// A window over a 256 x 256 format of this colour type with a picture of this side on the
// clipboard, shown, its frame fitted to the format's width, the mouse pressed on the frame.
struct TPasteBench {
    TIconImageRec Target;
    Tfrm_Paste Window;
    int CentreX = 0;
    int CentreY = 0;

    TPasteBench(int pictureSide, int32_t colorType)
    {
        QApplication::clipboard()->setImage(PhotoLike(pictureSide, pictureSide).ToQImage(QImage::Format_RGB32));
        InitIconImage(Target, 256, 256, colorType, -1);
        Window.Target = &Target;
        Window.show();
        Window.btn_FitWidthClick();
        const Rect v = Window.Paste.TargetView;
        CentreX = (v.Left + v.Right) / 2;
        CentreY = (v.Top + v.Bottom) / 2;
    }
};

void DragMove(benchmark::State& state)
{
    TPasteBench bench(int(state.range(0)), ctTrueAlpha);
    Tfrm_Paste& w = bench.Window;
    if (!w.Paste.IsOpen()) {
        state.SkipWithError("the picture did not reach the window");
        return;
    }
    w.ViewMouse(2, bench.CentreX, bench.CentreY, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        const int dx = (step++ % 40) - 20;
        w.ViewMouse(3, bench.CentreX + dx, bench.CentreY + dx / 2, Qt::LeftButton);
        w.PaintBox1->repaint();
    }
    w.ViewMouse(1, bench.CentreX, bench.CentreY, Qt::NoButton);
}
BENCHMARK(DragMove)->Arg(256)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

void MergeFormatOverFormat(benchmark::State& state)
{
    TIconImageRec a;
    TIconImageRec b;
    InitIconImage(a, 256, 256, ctTrueAlpha, -1);
    InitIconImage(b, 256, 256, ctTrueAlpha, -1);
    *b.Bitmap = PhotoLike(256, 256);
    b.Mask->Fill(0);
    for (auto _ : state) {
        a.Mask->Fill(0x808080);
        MergeIconImageOver(a, b, SizeRect(256, 256), 255);
    }
}
BENCHMARK(MergeFormatOverFormat)->Unit(benchmark::kMillisecond)->UseRealTime();

void ResampleWhole5000ToFormat(benchmark::State& state)
{
    const Bitmap24 picture = PhotoLike(5000, 5000);
    Bitmap24 format(256, 256);
    for (auto _ : state) ResampleRect(picture, format, picture.Bounds(), format.Bounds());
}
BENCHMARK(ResampleWhole5000ToFormat)->Unit(benchmark::kMillisecond)->UseRealTime();

void VariantsOnRelease(benchmark::State& state)
{
    TPasteBench bench(256, ctColors256);
    Tfrm_Paste& w = bench.Window;
    if (!w.Paste.IsOpen()) {
        state.SkipWithError("the picture did not reach the window");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        // One whole drag: press, one move, and the release that builds the variants.
        const int dx = (step++ % 2) ? 3 : -3;
        w.ViewMouse(2, bench.CentreX, bench.CentreY, Qt::LeftButton);
        w.ViewMouse(3, bench.CentreX + dx, bench.CentreY, Qt::LeftButton);
        w.ViewMouse(1, bench.CentreX + dx, bench.CentreY, Qt::NoButton);
        w.Image1->repaint();
    }
}
BENCHMARK(VariantsOnRelease)->Unit(benchmark::kMillisecond)->UseRealTime();

void QuantizeOnceRebuiltDithered(benchmark::State& state)
{
    const Bitmap24 picture = PhotoLike(256, 256);
    TPalette palette;
    LoadDefaultPalette(palette, ctColors256);
    Bitmap24 out;
    for (auto _ : state) QuantizeToPalette(picture, out, palette, 256, 1, 2);
}
BENCHMARK(QuantizeOnceRebuiltDithered)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
