// The lasso on a 256 x 256 format in the largest document window: one move of a drag that already
// holds 5,000 corners, from the mouse event to the repainted canvas with its dotted outline, and
// the even-odd mask of that outline. Goals: under 4 ms per move, under 1 ms per mask. The peers
// are Qt's own: a dotted polyline through the same corners drawn by QPainter over the canvas, and
// QPainter's odd-even polygon fill of the same outline into a 256 x 256 image.
#include "bench_main.h"
#include <benchmark/benchmark.h>

#include <random>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include "imaging/imaging_state.h"
#include "model/selection.h"
#include "model/tool_ids.h"
#include "workspace/childwin.h"
#include "workspace/peers.h"

namespace {

constexpr int Side = 256;
constexpr int Corners = 5000;

// A wandering outline of distinct neighbouring grid corners, like a slow hand on the lasso.
std::vector<Point> Wander(int count)
{
    std::mt19937 rng(5);
    std::vector<Point> out{{Side / 2, Side / 2}};
    while (int(out.size()) < count) {
        Point p = out.back();
        switch (rng() % 4) {
        case 0: p.X = std::min(p.X + 1, Side); break;
        case 1: p.X = std::max(p.X - 1, 0); break;
        case 2: p.Y = std::min(p.Y + 1, Side); break;
        default: p.Y = std::max(p.Y - 1, 0); break;
        }
        if (!(p == out.back())) out.push_back(p);
    }
    return out;
}

struct LassoWindow {
    LassoWindow()
    {
        DocumentPeers().CurrentToolId = [] { return int(tiLasso); };
        TIconImageRec rec;
        InitIconImage(rec, Side, Side, ctTrueAlpha, -1);
        doc.resize(Tfrm_childwin::MaxWidth, Tfrm_childwin::MaxHeight);
        doc.show();
        doc.AddImageFormat(rec);
        QApplication::processEvents();
        const std::vector<Point> path = Wander(Corners);
        std::copy(path.begin(), path.end(), doc.Document().Points.begin());
        doc.Document().PointCount = Corners;
        doc.PaintBox1->repaint();
    }
    ~LassoWindow() { DocumentPeers().CurrentToolId = nullptr; }
    ImagingState imaging;
    Tfrm_childwin doc;
};

void BM_LassoMoveWith5000Corners(benchmark::State& state)
{
    LassoWindow w;
    const int z = w.doc.ZoomFactor();
    const Point last = w.doc.Document().Points[Corners - 1];
    // Two corners beside the last one, visited in turn: every move adds a segment.
    const Point to[2] = {{std::min(last.X + 1, Side), last.Y}, {last.X, std::min(last.Y + 1, Side)}};
    int k = 0;
    for (auto _ : state) {
        w.doc.Document().PointCount = Corners;
        const Point p = to[k++ & 1];
        w.doc.DispatchToolMouse(mpMove, p.X * z, Qt::LeftButton, {}, p.Y * z);
        QApplication::processEvents(); // the canvas repaints the changed area
    }
    state.counters["zoom"] = z;
    state.counters["corners"] = w.doc.Document().PointCount;
}
BENCHMARK(BM_LassoMoveWith5000Corners)->Unit(benchmark::kMillisecond);

void BM_PeerQtDottedPolyline5000(benchmark::State& state)
{
    LassoWindow w;
    const int z = w.doc.ZoomFactor();
    QImage canvas(w.doc.PaintBox1->size(), QImage::Format_RGB32);
    canvas.fill(Qt::darkCyan);
    QPolygon line;
    for (int i = 0; i < Corners; ++i) line << QPoint(w.doc.Document().Points[i].X * z, w.doc.Document().Points[i].Y * z);
    for (auto _ : state) {
        QPainter p(&canvas);
        p.setPen(QPen(Qt::white, 0, Qt::DotLine));
        p.drawPolyline(line);
        p.end();
        benchmark::DoNotOptimize(canvas.constBits());
    }
}
BENCHMARK(BM_PeerQtDottedPolyline5000)->Unit(benchmark::kMillisecond);

void BM_EvenOddMask5000(benchmark::State& state)
{
    TDocumentModel doc;
    TIconImageRec rec;
    InitIconImage(rec, Side, Side, ctTrueAlpha, -1);
    doc.AppendFormat(rec);
    doc.CurrentIndex = 0;
    std::vector<Point> path = Wander(Corners);
    path.push_back(path.front());
    std::copy(path.begin(), path.end(), doc.Points.begin());
    doc.PointCount = int(path.size());
    Bitmap24 mask;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RenderSelectionMask(doc, mask));
        benchmark::DoNotOptimize(mask.Bits());
    }
}
BENCHMARK(BM_EvenOddMask5000)->Unit(benchmark::kMicrosecond);

void BM_PeerQtOddEvenFill5000(benchmark::State& state)
{
    const std::vector<Point> path = Wander(Corners);
    QPolygon polygon;
    for (const Point& p : path) polygon << QPoint(p.X, p.Y);
    QImage mask(Side, Side, QImage::Format_RGB888);
    for (auto _ : state) {
        mask.fill(Qt::black);
        QPainter p(&mask);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 255, 255));
        p.drawPolygon(polygon, Qt::OddEvenFill);
        p.end();
        benchmark::DoNotOptimize(mask.constBits());
    }
}
BENCHMARK(BM_PeerQtOddEvenFill5000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
