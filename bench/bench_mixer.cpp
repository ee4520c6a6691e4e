// A re-mix in the icon mixer after a layer change: five documents, each of 16, 24, 32, 48 and 256
// pixels at 32 bits, every layer turned, zoomed and moved. The mixing alone (the rules), and the
// dialog's whole redraw of its view, against copying the same sources once (the floor any mix
// costs). Goal: the redraw under 30 ms.
//
//     build/bench/bench/bench_mixer
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

void BM_MixAllSizes(benchmark::State& state)
{
    const auto docs = Documents();
    TIconMixer mixer;
    for (const auto& d : docs) mixer.AddItem(QStringLiteral("doc"), d);
    mixer.FindCommonSizes();
    Settle(mixer);
    for (auto _ : state) {
        ++mixer.Items[0].OffsetX;
        for (int k = 0; k < mixer.SizeCount(); ++k) mixer.MixSize(k, mixer.MixView);
    }
    state.counters["sizes"] = mixer.SizeCount();
}

void BM_DialogRedraw(benchmark::State& state)
{
    const auto docs = Documents();
    Tfrm_icon_mixer dialog;
    for (const auto& d : docs) dialog.AddDocument(QStringLiteral("doc"), d);
    dialog.FormShow();
    Settle(dialog.Mixer());
    for (auto _ : state) {
        ++dialog.Mixer().Items[0].OffsetX;
        dialog.DrawMix();
    }
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

BENCHMARK(BM_MixAllSizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DialogRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopySourcesOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
