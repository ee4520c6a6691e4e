// Canvas repaints of the document window: a whole 256 x 256 format at the largest zoom the
// window allows, and one changed cell at zoom 16. Each is rendered into the back buffer and painted
// on the (offscreen) screen, as an edit does. The peer is Qt's own way to show a magnified image:
// QPainter::drawImage of the composited format scaled with nearest-pixel sampling.
#include "bench_main.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include "imaging/imaging_state.h"
#include "workspace/childwin.h"

namespace {

TIconImageRec NoiseFormat(int side)
{
    TIconImageRec rec;
    InitIconImage(rec, side, side, ctTrueAlpha, -1);
    uint32_t state = 12345;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            state = state * 1103515245u + 12345u;
            rec.Bitmap->SetPixel(x, y, state >> 8);
            rec.Mask->SetPixel(x, y, MakeColor(int(state >> 24), 0, 0));
        }
    return rec;
}

// A document window at the given size holding one square format.
struct Window {
    Window(int side, int width, int height)
    {
        doc.resize(width, height);
        doc.show();
        doc.AddImageFormat(NoiseFormat(side));
        QApplication::processEvents();
    }
    ImagingState imaging;
    Tfrm_childwin doc;
};

void BM_FullRepaint256AtLargestZoom(benchmark::State& state)
{
    Window w(256, Tfrm_childwin::MaxWidth, Tfrm_childwin::MaxHeight);
    for (auto _ : state) {
        w.doc.RenderAll();
        w.doc.PaintBox1->repaint();
    }
    state.counters["zoom"] = w.doc.ZoomFactor();
    state.counters["canvas_px"] = double(w.doc.PaintBox1->width()) * w.doc.PaintBox1->height();
}
BENCHMARK(BM_FullRepaint256AtLargestZoom)->Unit(benchmark::kMillisecond);

void BM_PeerQtScaledDraw256(benchmark::State& state)
{
    // Same zoom and canvas as the window gives, drawn by Qt from an already composited image.
    Window w(256, Tfrm_childwin::MaxWidth, Tfrm_childwin::MaxHeight);
    const int zoom = w.doc.ZoomFactor();
    QImage source(256, 256, QImage::Format_RGB32);
    source.fill(Qt::darkCyan);
    QImage target(256 * zoom + 1, 256 * zoom + 1, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRect(0, 0, 256 * zoom, 256 * zoom), source);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["zoom"] = zoom;
}
BENCHMARK(BM_PeerQtScaledDraw256)->Unit(benchmark::kMillisecond);

void BM_OneCellRepaintAtZoom16(benchmark::State& state)
{
    // 32 x 32 at zoom 16: the free area is 522 to 553 pixels wide (the window 10 more).
    Window w(32, 545, 900);
    const int zoom = w.doc.ZoomFactor();
    const Rect cell{5 * zoom, 7 * zoom, 6 * zoom + 1, 8 * zoom + 1};
    for (auto _ : state) {
        // The cell rendered into the back buffer, then painted at once (an edit asks for the
        // repaint, which the event loop does in the same way).
        w.doc.Document().RenderRect(cell);
        w.doc.PaintBox1->repaint(QRect(cell.Left, cell.Top, cell.Width(), cell.Height()));
    }
    state.counters["zoom"] = zoom;
}
BENCHMARK(BM_OneCellRepaintAtZoom16)->Unit(benchmark::kMicrosecond);

void BM_PeerQtScaledDrawOneCell(benchmark::State& state)
{
    QImage source(32, 32, QImage::Format_RGB32);
    source.fill(Qt::darkCyan);
    QImage target(32 * 16 + 1, 32 * 16 + 1, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        p.drawImage(QRect(5 * 16, 7 * 16, 16, 16), source, QRect(5, 7, 1, 1));
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PeerQtScaledDrawOneCell)->Unit(benchmark::kMicrosecond);

// The same cell shown the way a Qt program shows a magnified image in a widget: a repaint of the
// cell's rectangle whose paint event draws it from the image with QPainter::drawImage. Both sides
// then pay Qt's repaint of a widget region.
class MagnifiedImageWidget : public QWidget {
public:
    MagnifiedImageWidget() : source_(32, 32, QImage::Format_RGB32)
    {
        source_.fill(Qt::darkCyan);
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(32 * 16 + 1, 32 * 16 + 1);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        const QRect r = event->rect();
        const QRect cells(r.left() / 16, r.top() / 16, (r.right() / 16) - r.left() / 16 + 1, (r.bottom() / 16) - r.top() / 16 + 1);
        p.drawImage(QRect(cells.left() * 16, cells.top() * 16, cells.width() * 16, cells.height() * 16), source_, cells);
    }

private:
    QImage source_;
};

void BM_PeerQtWidgetRepaintOneCell(benchmark::State& state)
{
    MagnifiedImageWidget widget;
    widget.show();
    QApplication::processEvents();
    for (auto _ : state) widget.repaint(QRect(5 * 16, 7 * 16, 17, 17));
}
BENCHMARK(BM_PeerQtWidgetRepaintOneCell)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
