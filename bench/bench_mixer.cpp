// A re-mix in the icon mixer after a layer change: five documents, each of 16, 24, 32, 48 and 256
// pixels at 32 bits, every layer turned, zoomed and moved. The mixing alone (the rules), and the
// dialog's whole redraw of its view, after each kind of change (a shift, a turn, a fade, a new
// order, and every layer made afresh), against copying the same sources once (the floor any mix
// costs). Goal: the redraw under 30 ms.
//
//     build/bench/bench/bench_mixer
#include "bench_main.h"
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench_pictures.h"
#include "creators/icon_mixer_form.h"
#include "imaging/icon_image.h"
#include "model/icon_mixer.h"
#include "platform/canvas_ops.h"

namespace {

std::vector<TIconImageArray> Documents()
{
    std::vector<TIconImageArray> docs(5);
    for (int d = 0; d < 5; ++d)
        for (int side : {16, 24, 32, 48, 256}) {
            TIconImageRec& f = docs[size_t(d)].Add();
            InitIconImage(f, side, side, ctTrueAlpha, -1);
            *f.Bitmap = PhotoLike(side, side);
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x) {
                    const int t = ((x * (d + 3) + y * 5) & 255);
                    f.Mask->SetPixel(x, y, MakeColor(t, t, t));
                }
        }
    return docs;
}

void Settle(TIconMixer& mixer)
{
    for (size_t i = 0; i < mixer.Items.size(); ++i) {
        TMixerItem& it = mixer.Items[i];
        it.Angle = int(15 * i + 10);
        it.Zoom = int(i % 2 ? 2 : -2);
        it.OffsetX = int(i);
        it.OffsetY = -int(i);
        it.FlipHorizontal = uint8_t(i & 1);
        it.Opacity = 200;
    }
}

// The layer changes the dialog re-mixes after; each iteration makes one.
enum Change { Shift, Turn, Fade, Reorder, Everything };

void MakeChange(TIconMixer& mixer, int change, int64_t n)
{
    switch (change) {
    case Shift: ++mixer.Items[0].OffsetX; break;
    case Turn: mixer.Items[2].Angle = int((mixer.Items[2].Angle + 7) % 360); break;
    case Fade: mixer.Items[3].Opacity = int(100 + n % 100); break;
    case Reorder: mixer.MoveLayer(1, 2); break;
    default: // every layer made afresh: what each re-mix cost before layers kept their pictures
        ++mixer.Items[0].OffsetX;
        mixer.ForgetPictures();
        break;
    }
}

void SetChangeLabel(benchmark::State& state)
{
    static const char* const names[] = {"shift", "turn", "fade", "reorder", "everything"};
    state.SetLabel(names[state.range(0)]);
}

void BM_MixAllSizes(benchmark::State& state)
{
    const auto docs = Documents();
    TIconMixer mixer;
    for (const auto& d : docs) mixer.AddItem(QStringLiteral("doc"), d);
    mixer.FindCommonSizes();
    Settle(mixer);
    for (int k = 0; k < mixer.SizeCount(); ++k) mixer.MixSize(k, mixer.MixView);
    int64_t n = 0;
    for (auto _ : state) {
        MakeChange(mixer, int(state.range(0)), n++);
        for (int k = 0; k < mixer.SizeCount(); ++k) mixer.MixSize(k, mixer.MixView);
    }
    state.counters["sizes"] = mixer.SizeCount();
    SetChangeLabel(state);
}

void BM_DialogRedraw(benchmark::State& state)
{
    const auto docs = Documents();
    Tfrm_icon_mixer dialog;
    for (const auto& d : docs) dialog.AddDocument(QStringLiteral("doc"), d);
    dialog.FormShow();
    Settle(dialog.Mixer());
    dialog.DrawMix();
    int64_t n = 0;
    for (auto _ : state) {
        MakeChange(dialog.Mixer(), int(state.range(0)), n++);
        dialog.DrawMix();
    }
    SetChangeLabel(state);
}

// The floor: copying every layer of every size once.
void BM_CopySourcesOnly(benchmark::State& state)
{
    const auto docs = Documents();
    Bitmap24 work(800, 800);
    for (auto _ : state)
        for (const auto& d : docs)
            for (int i = 0; i < d.Count(); ++i) {
                CopyBitmapRect(*d[i].Bitmap, SizeRect(d[i].Width, d[i].Height), work, 0, 0);
                CopyBitmapRect(*d[i].Mask, SizeRect(d[i].Width, d[i].Height), work, 0, 0);
            }
}

} // namespace

BENCHMARK(BM_MixAllSizes)->DenseRange(Shift, Everything)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DialogRedraw)->DenseRange(Shift, Everything)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopySourcesOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
