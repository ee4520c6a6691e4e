// A handle drag in the gradient editor: each move is a real mouse event on the bar, followed by
// the repaint it causes (the handle moves, the bar is drawn again with its seven handles and the
// gradient, the paint box shows it). The goal is well under 1 ms per move.
//
// Yardsticks, run in the same process: Qt's own QLinearGradient filling the same 512 x 16 bar with
// the same seven stops, and the repaint of a plain widget of the bar's size showing a ready image
// (the least any move that shows something must cost).
#include "bench_main.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include "platform/color.h"
#include "platform/ui/spin_edit.h"
#include "workspace/gradient_color.h"

namespace {

void SendMouse(QWidget* w, QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    const QPointF pos(x, 20);
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Seven enabled handles (the hue circle preset), the middle one dragged to and fro across the bar.
void BM_GradientHandleDrag(benchmark::State& state)
{
    Tfrm_GradientColor form;
    form.show();
    form.ComboBox1->setCurrentIndex(1);
    form.BitBtn3Click();
    QApplication::processEvents();
    QWidget* box = form.PaintBox1;
    const int start = form.Model.Handles[3].Position + 8;
    SendMouse(box, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    int x = start;
    int step = 7;
    int64_t moves = 0;
    for (auto _ : state) {
        x += step;
        if (x > 525 || x < 8) {
            step = -step;
            x += 2 * step;
        }
        SendMouse(box, QEvent::MouseMove, x, Qt::NoButton, Qt::LeftButton);
        // The repaint the move asked for.
        box->repaint();
        ++moves;
    }
    SendMouse(box, QEvent::MouseButtonRelease, x, Qt::LeftButton, Qt::NoButton);
    state.counters["position"] = form.spn_Position->Value();
    state.counters["moves"] = double(moves);
    form.hide();
}
BENCHMARK(BM_GradientHandleDrag)->Unit(benchmark::kMicrosecond);

// The editor's bar without the widget: the ground, seven handles and the gradient.
void BM_GradientBarRedrawPixels(benchmark::State& state)
{
    TGradientEditorModel model;
    model.ApplyPreset(1);
    Bitmap24 bar(GradientBoxWidth, GradientBoxHeight);
    for (auto _ : state) {
        bar.Fill(GradientBackground);
        for (int i = GradientHandleCount - 1; i >= 0; --i) DrawGradientHandle(model.Handles[size_t(i)], bar);
        TNodeArray nodes = model.CollectNodes();
        DrawLinearGradient(nodes, GradientBarRect, bar);
        benchmark::DoNotOptimize(bar.Bits());
    }
}
BENCHMARK(BM_GradientBarRedrawPixels)->Unit(benchmark::kMicrosecond);

// Yardstick: Qt's linear gradient over the same bar and stops.
void BM_PeerQtLinearGradientBar(benchmark::State& state)
{
    QImage image(GradientBoxWidth, GradientBoxHeight, QImage::Format_BGR888);
    QLinearGradient g(8, 0, 520, 0);
    for (const TNodeRec& n : EnabledPresetNodes(1)) g.setColorAt(n.Position / 511.0, ToQColor(n.Color));
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(QRect(8, 0, 512, 16), g);
        p.end();
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_PeerQtLinearGradientBar)->Unit(benchmark::kMicrosecond);

// Yardstick: a widget of the bar's size repainting a ready image.
class TPlainBox : public QWidget {
public:
    QImage Image{GradientBoxWidth, GradientBoxHeight, QImage::Format_BGR888};
    TPlainBox()
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(GradientBoxWidth, GradientBoxHeight);
        Image.fill(Qt::gray);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(0, 0, Image);
    }
};

void BM_PeerPlainRepaint(benchmark::State& state)
{
    TPlainBox box;
    box.show();
    QApplication::processEvents();
    for (auto _ : state) box.repaint();
}
BENCHMARK(BM_PeerPlainRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
