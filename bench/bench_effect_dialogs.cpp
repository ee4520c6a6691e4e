// The live preview of each effect dialog: one slider move (or picker, list or zoom-text change) at
// the dialog's heaviest setting on a 256 x 256 format, in true colour and in 256 colours (which are
// re-quantised), with the main window's redraw and the canvas's paint event included. The
// yardstick, measured in the same run, is one full repaint of the same canvas (render and paint).
// Each dialog runs for real inside its modal loop, through the main window's Effect command.
#include "bench_main.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <functional>
#include <string>

#include "bench_frame.h"
#include "effects/angle_picker.h"
#include "effects/blur.h"
#include "effects/brightness_contrast.h"
#include "effects/color_balance.h"
#include "effects/filters.h"
#include "effects/rotate.h"
#include "effects/saturation.h"
#include "effects/shadow.h"
#include "effects/sharpen.h"
#include "effects/stroke.h"
#include "effects/zoom.h"
#include "platform/ui/spin_edit.h"

namespace {

// A busy 256 x 256 format of the colour type: a disc of colours (or indices) on transparent white.
TIconImageRec BusyFormat(int32_t colorType)
{
    TIconImageRec rec;
    InitIconImage(rec, 256, 256, colorType, -1);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const bool inside = (x - 128) * (x - 128) + (y - 128) * (y - 128) < 100 * 100;
            const TColor c = colorType == ctColors256 ? TColor((x / 8 + y / 8 * 7) % 256) : MakeColor(x, y, (x * y) & 255);
            rec.Bitmap->SetPixel(x, y, inside ? c : (colorType == ctColors256 ? 0 : 0xFFFFFF));
            rec.Mask->SetPixel(x, y, inside ? 0 : 0xFFFFFF);
        }
    return rec;
}

// Puts the dialog at its heaviest setting; `move(i)` then makes the i-th change, each differing
// from the one before, so every call recomputes.
struct DialogDrive {
    std::function<void(Tfrm_Effect&)> prepare;
    std::function<void(Tfrm_Effect&, int)> move;
};

// Runs the Effect command; inside the dialog's modal loop, times one change plus the paint events
// it leaves, then cancels.
void RunDialog(benchmark::State& state, int32_t colorType, QAction* Tfrm_main::*action, const DialogDrive& drive)
{
    BenchFrame f(BusyFormat(colorType));
    bool ran = false;
    auto* timer = new QTimer;
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<Tfrm_Effect*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        timer->stop();
        ran = true;
        if (drive.prepare) drive.prepare(*dialog);
        QApplication::processEvents();
        const int runsBefore = dialog->RunCount();
        int i = 0;
        for (auto _ : state) {
            drive.move(*dialog, i++);
            QApplication::processEvents();
        }
        state.counters["runs_per_move"] = double(dialog->RunCount() - runsBefore) / double(state.iterations());
        dialog->reject();
    });
    timer->start();
    (f.main->*action)->trigger();
    delete timer;
    if (!ran) state.SkipWithError("the dialog did not show");
    state.counters["zoom"] = f.doc->ZoomFactor();
}

// Two neighbouring positions of a track bar at its heavy end.
template <class Dialog>
DialogDrive Track(TTrackRow Dialog::*row, int high)
{
    return {nullptr, [row, high](Tfrm_Effect& e, int i) { (static_cast<Dialog&>(e).*row).Track->SetPosition(high - (i & 1)); }};
}

void BM_CanvasRepaint(benchmark::State& state, int32_t colorType)
{
    BenchFrame f(BusyFormat(colorType));
    for (auto _ : state) {
        f.doc->FormPaint();
        QApplication::processEvents();
    }
    state.counters["zoom"] = f.doc->ZoomFactor();
}

void RegisterAll()
{
    struct Entry {
        const char* name;
        QAction* Tfrm_main::*action;
        DialogDrive drive;
    };
    const std::vector<Entry> entries = {
        {"BrightnessContrast", &Tfrm_main::act_effect_Contrast_Brightness,
         {[](Tfrm_Effect& e) { static_cast<Tfrm_Brightness_Contrast&>(e).Contrast.Track->SetPosition(255); },
          Track(&Tfrm_Brightness_Contrast::Brightness, 255).move}},
        {"ColorBalance", &Tfrm_main::act_effect_ColorBalance,
         {[](Tfrm_Effect& e) {
              auto& d = static_cast<Tfrm_Color_Balance&>(e);
              d.G.Track->SetPosition(-255);
              d.B.Track->SetPosition(128);
          },
          Track(&Tfrm_Color_Balance::R, 255).move}},
        {"Saturation", &Tfrm_main::act_effect_Saturation, Track(&Tfrm_Saturation::Saturation, 127)},
        {"Blur", &Tfrm_main::act_effect_blur, Track(&Tfrm_Blur::Blur, 200)},
        {"Sharpen", &Tfrm_main::act_effect_Sharpen, Track(&Tfrm_Sharpen::Sharpen, 100)},
        // The two 7 x 7 presets, "Bartlett Blur" and "Gaussian Blur", in turn.
        {"Filters7x7", &Tfrm_main::act_effect_filters,
         {nullptr, [](Tfrm_Effect& e, int i) { static_cast<Tfrm_Filters&>(e).cbb_filters->setCurrentIndex(6 + (i & 1)); }}},
        {"Rotate", &Tfrm_main::act_effect_rotate,
         {nullptr, [](Tfrm_Effect& e, int i) { static_cast<Tfrm_Rotate&>(e).ang_angle->SetAngle(45 - (i & 1)); }}},
        {"Stroke", &Tfrm_main::act_effect_Stroke, Track(&Tfrm_Stroke::Size, 200)},
        {"Shadow", &Tfrm_main::act_effect_Shadow, Track(&Tfrm_Shadow::Offset, 255)},
        {"Zoom259", &Tfrm_main::act_effect_zoom,
         {nullptr, [](Tfrm_Effect& e, int i) {
              static_cast<Tfrm_Zoom&>(e).cbb_zoom->setEditText((i & 1) ? QStringLiteral("258%") : QStringLiteral("259%"));
          }}},
    };
    for (const auto& [type, suffix] : {std::pair<int32_t, const char*>{ctTrueAlpha, "TrueColor"}, {ctColors256, "Colors256"}}) {
        const int32_t t = type;
        benchmark::RegisterBenchmark((std::string("BM_CanvasRepaint/") + suffix).c_str(),
                                     [t](benchmark::State& s) { BM_CanvasRepaint(s, t); })
            ->Unit(benchmark::kMillisecond);
        for (const Entry& e : entries) {
            const DialogDrive drive = e.drive;
            QAction* Tfrm_main::*action = e.action;
            benchmark::RegisterBenchmark((std::string("BM_Preview_") + e.name + "/" + suffix).c_str(),
                                         [t, action, drive](benchmark::State& s) { RunDialog(s, t, action, drive); })
                ->Unit(benchmark::kMillisecond);
        }
    }
}

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv, RegisterAll); }
