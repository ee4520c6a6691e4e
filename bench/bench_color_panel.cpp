// The colour window's repaint chain: 100 slider moves followed by the tick that applies them (the
// saturation/value square, the preview, the main window's palette change, the tools previews and,
// for a palette edit, the canvas and strip of a 256 x 256 format at its fitted zoom). The square
// alone is measured too. The peer is QImage's own fill of the same 256 x 256 area.
#include "bench_main.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "bench_frame.h"
#include "model/color_panel_model.h"
#include "platform/ui/spin_edit.h"
#include "workspace/childwin.h"
#include "workspace/color_panel.h"
#include "workspace/main_form.h"

namespace {

// A 256 x 256 format of the colour type in a shown frame, with the colour window's tick settled.
TIconImageRec Format256(int32_t colorType)
{
    TIconImageRec rec;
    InitIconImage(rec, 256, 256, colorType, -1);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            rec.Bitmap->SetPixel(x, y, colorType <= ctColors256 ? MakeColor((x / 16) % 16, 0, 0) : TColor(x * 256 + y));
    rec.Mask->Fill(0);
    return rec;
}

struct Frame : BenchFrame {
    explicit Frame(int32_t colorType) : BenchFrame(Format256(colorType))
    {
        panel = frm_color_panel;
        panel->tmr_reDraw.stop();
        panel->tmr_reDrawTimer();
        QApplication::processEvents();
    }
    Tfrm_color_panel* panel = nullptr;
};

// 100 moves of one slider, then the tick, then the pending paint events.
void Drag(benchmark::State& state, Frame& f, TTrackBar* track, int max)
{
    int base = 0;
    const int before = f.panel->ColorChangedCount();
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) track->SetPosition((base + i) % (max + 1));
        base += 37;
        f.panel->tmr_reDrawTimer();
        QApplication::processEvents();
    }
    state.counters["chains_per_drag"] = double(f.panel->ColorChangedCount() - before) / double(state.iterations());
}

void BM_PaletteEditDrag256(benchmark::State& state)
{
    Frame f(ctColors16);
    f.panel->SetColor(5);
    f.panel->tmr_reDrawTimer();
    Drag(state, f, f.panel->trc_G, 255);
    state.counters["zoom"] = f.doc->ZoomFactor();
}
BENCHMARK(BM_PaletteEditDrag256)->Unit(benchmark::kMillisecond);

void BM_TrueColorHueDrag256(benchmark::State& state)
{
    Frame f(ctTrueAlpha);
    f.panel->trc_S->SetPosition(200);
    f.panel->trc_V->SetPosition(200);
    Drag(state, f, f.panel->trc_H, 359);
}
BENCHMARK(BM_TrueColorHueDrag256)->Unit(benchmark::kMillisecond);

void BM_AlphaDrag256(benchmark::State& state)
{
    Frame f(ctTrueAlpha);
    Drag(state, f, f.panel->trc_A, 255);
    // An alpha move applies no colour change: it repaints the preview and calls the palette change.
    state.counters.erase("chains_per_drag");
}
BENCHMARK(BM_AlphaDrag256)->Unit(benchmark::kMillisecond);

void BM_SVSquare(benchmark::State& state)
{
    Bitmap24 square(256, 256);
    int hue = 0;
    for (auto _ : state) {
        DrawSVArea(square, hue);
        hue = (hue + 1) % 360;
        benchmark::DoNotOptimize(square.Bits());
    }
}
BENCHMARK(BM_SVSquare)->Unit(benchmark::kMicrosecond);

void BM_PeerQImageFill256(benchmark::State& state)
{
    QImage image(256, 256, QImage::Format_BGR888);
    uint32_t c = 0;
    for (auto _ : state) {
        image.fill(QColor::fromRgb(c));
        c += 0x010203;
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_PeerQImageFill256)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
