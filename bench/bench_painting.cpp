// The painting tools on a real document window, each mouse move measured with the repaint of the
// canvas it causes (the window's posted paint is flushed inside the timed loop):
// - a soft brush of size 15 extending a stroke of 10, 300 and 3,000 points, on 256 x 256 at the
//   window's fit zoom and on 32 x 32 at zoom 8 (the cost must stay flat as the stroke grows);
// - the bucket's hover preview and the brush outline following the mouse without a button;
// - rectangle and ellipse with a radial gradient and an anti-aliased line dragged across 256 x 256;
// - the text frame dragged and turned with an 800-pixel stamp;
// - the flood fill of a whole 256 x 256 format.
// Yardsticks in the same run: one full canvas repaint of the same window, a plain QPainter fill
// of a 256 x 256 image, and for the flood fill a scan-line fill of a QImage.
#include "bench_main.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <utility>
#include <vector>

#include "imaging/flood_fill.h"
#include "imaging/imaging_state.h"
#include "model/tool_ids.h"
#include "model/tool_settings.h"
#include "model/tools/text_tool.h"
#include "workspace/childwin.h"
#include "workspace/paint_controller.h"
#include "workspace/peers.h"

namespace {

TIconImageRec WhiteFormat(int side)
{
    TIconImageRec rec;
    InitIconImage(rec, side, side, ctTrueAlpha, -1);
    rec.Bitmap->Fill(0xFFFFFF);
    rec.Mask->Fill(0);
    return rec;
}

// A document window with one square format and the painting controller serving it. Zoom 0 asks
// for the largest window's fit; otherwise the window is narrowed until the fit gives that zoom.
struct Painting {
    Painting(int side, int zoom)
    {
        DocumentPeers() = TDocumentPeers{};
        controller = std::make_unique<TPaintController>();
        doc.resize(Tfrm_childwin::MaxWidth, Tfrm_childwin::MaxHeight);
        doc.show();
        doc.AddImageFormat(WhiteFormat(side));
        if (zoom > 0)
            for (int w = 200; w < Tfrm_childwin::MaxWidth && doc.ZoomFactor() != zoom; ++w) doc.resize(w, Tfrm_childwin::MaxHeight);
        ToolSettings() = TToolSettings{};
        QApplication::processEvents();
    }
    ~Painting() { controller.reset(); }
    int Z() const { return doc.ZoomFactor(); }
    // A canvas event at the centre of a cell, then the paint it posted.
    void At(int phase, int cx, int cy, bool left, int tool)
    {
        DocumentPeers().ToolMouse(doc, tool, phase, cx * Z() + Z() / 2, cy * Z() + Z() / 2,
                                  left ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    }
    void Flush() { QApplication::processEvents(); }

    ImagingState imaging;
    Tfrm_childwin doc;
    std::unique_ptr<TPaintController> controller;
};

// The cells of a stroke of n points winding over a side x side image.
Point StrokeCell(int i, int side)
{
    const int span = side - 8;
    const int row = (i / span) % (span / 2);
    const int col = i % span;
    return Point{4 + ((row % 2) ? span - 1 - col : col), 4 + 2 * row};
}

void BrushMove(benchmark::State& state, int side, int zoom)
{
    Painting p(side, zoom);
    ToolSettings().BrushSize = 7;       // a tip of 15
    ToolSettings().BrushGradient = 40; // soft
    const int points = int(state.range(0));
    p.At(mpPress, StrokeCell(0, side).X, StrokeCell(0, side).Y, true, tiBrush);
    for (int i = 1; i < points; ++i) p.At(mpMove, StrokeCell(i, side).X, StrokeCell(i, side).Y, true, tiBrush);
    p.Flush();
    const Point last = StrokeCell(points - 1, side);
    const Point ends[2] = {{last.X, last.Y + 1}, {last.X + 1, last.Y + 1}};
    int k = 0;
    for (auto _ : state) {
        // One more point each time; the stroke goes back to its length outside the timing.
        const Point c = ends[k++ & 1];
        p.At(mpMove, c.X, c.Y, true, tiBrush);
        p.Flush();
        state.PauseTiming();
        p.doc.Document().StrokePoints.pop_back();
        state.ResumeTiming();
    }
    state.counters["zoom"] = p.Z();
    state.counters["points"] = double(p.doc.Document().StrokePoints.size());
}
void BM_SoftBrush15Move_256AtFit(benchmark::State& state) { BrushMove(state, 256, 0); }
void BM_SoftBrush15Move_32AtZoom8(benchmark::State& state) { BrushMove(state, 32, 8); }
BENCHMARK(BM_SoftBrush15Move_256AtFit)->Arg(10)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoftBrush15Move_32AtZoom8)->Arg(10)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

void FullRepaint(benchmark::State& state, int side, int zoom)
{
    Painting p(side, zoom);
    for (auto _ : state) {
        p.doc.RenderAll();
        p.Flush();
    }
    state.counters["zoom"] = p.Z();
}
void BM_Yardstick_FullCanvasRepaint_256AtFit(benchmark::State& state) { FullRepaint(state, 256, 0); }
void BM_Yardstick_FullCanvasRepaint_32AtZoom8(benchmark::State& state) { FullRepaint(state, 32, 8); }
BENCHMARK(BM_Yardstick_FullCanvasRepaint_256AtFit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Yardstick_FullCanvasRepaint_32AtZoom8)->Unit(benchmark::kMillisecond);

void BM_Yardstick_QPainterFill256(benchmark::State& state)
{
    QImage image(256, 256, QImage::Format_BGR888);
    int k = 0;
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(0, 0, 256, 256, QColor::fromRgb(k++ & 0xFF, 40, 200));
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Yardstick_QPainterFill256)->Unit(benchmark::kMillisecond);

void BM_FloodFillWhole256(benchmark::State& state)
{
    ImagingState imaging;
    Bitmap24 source(256, 256);
    TFloodFill fill;
    fill.SetSource(&source, 256, 256);
    for (auto _ : state) {
        fill.Fill(128, 128, 0);
        benchmark::DoNotOptimize(fill.Filled(0, 0));
    }
}
BENCHMARK(BM_FloodFillWhole256)->Unit(benchmark::kMillisecond);

// The peer of the flood fill: a textbook scan-line fill on a 32-bit QImage, recolouring the region
// in place (each run alternates the colour so every iteration fills the whole picture again).
void BM_Peer_QImageSpanFill256(benchmark::State& state)
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(0xFF000000u);
    std::vector<std::pair<int, int>> stack;
    uint32_t from = 0xFF000000u, to = 0xFF0000FFu;
    for (auto _ : state) {
        stack.clear();
        stack.push_back({128, 128});
        while (!stack.empty()) {
            const auto [sx, y] = stack.back();
            stack.pop_back();
            auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
            if (row[sx] != from) continue;
            int l = sx, r = sx + 1;
            while (l > 0 && row[l - 1] == from) --l;
            while (r < 256 && row[r] == from) ++r;
            for (int x = l; x < r; ++x) row[x] = to;
            for (const int ny : {y - 1, y + 1}) {
                if (ny < 0 || ny >= 256) continue;
                const auto* n = reinterpret_cast<const uint32_t*>(image.constScanLine(ny));
                bool inRun = false;
                for (int x = l; x < r; ++x) {
                    const bool take = n[x] == from;
                    if (take && !inRun) stack.push_back({x, ny});
                    inRun = take;
                }
            }
        }
        std::swap(from, to);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Peer_QImageSpanFill256)->Unit(benchmark::kMillisecond);

void BM_BucketHover256(benchmark::State& state)
{
    Painting p(256, 0);
    int k = 0;
    for (auto _ : state) {
        p.At(mpMove, 100 + (k++ & 1), 100, false, tiBucket);
        p.Flush();
    }
}
BENCHMARK(BM_BucketHover256)->Unit(benchmark::kMillisecond);

void BM_OutlineHover256(benchmark::State& state)
{
    Painting p(256, 0);
    ToolSettings().BrushSize = 7;
    int k = 0;
    for (auto _ : state) {
        p.At(mpMove, 100 + (k++ & 1), 100, false, tiBrush);
        p.Flush();
    }
    state.counters["zoom"] = p.Z();
}
BENCHMARK(BM_OutlineHover256)->Unit(benchmark::kMillisecond);

void ShapeDrag(benchmark::State& state, int tool)
{
    Painting p(256, 0);
    TToolSettings& s = ToolSettings();
    s.GradientMode = gmRadial;
    s.Rect.Type = s.Ellipse.Type = stOutlineAndFill;
    s.Rect.Round = 20;
    s.LineAntiAlias = true;
    s.LineSize = 9;
    p.At(mpPress, 4, 4, true, tool);
    int k = 0;
    for (auto _ : state) {
        p.At(mpMove, 250 - (k++ & 1), 250, true, tool);
        p.Flush();
    }
}
void BM_GradientRectangleDrag256(benchmark::State& state) { ShapeDrag(state, tiRectangle); }
void BM_GradientEllipseDrag256(benchmark::State& state) { ShapeDrag(state, tiEllipse); }
void BM_AntiAliasedLineDrag256(benchmark::State& state) { ShapeDrag(state, tiLine); }
BENCHMARK(BM_GradientRectangleDrag256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GradientEllipseDrag256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AntiAliasedLineDrag256)->Unit(benchmark::kMillisecond);

// The text frame over 256 x 256 with a box 796 pixels wide: the stamp is 800 pixels square.
void TextFrameDrag(benchmark::State& state, bool turn)
{
    Painting p(256, 0);
    ToolSettings().TextText = QStringLiteral("Tavrin");
    ToolSettings().TextFont.setPointSize(12);
    ToolSettings().ToolId = tiText;
    DocumentPeers().CurrentToolId = [] { return tiText; };
    p.doc.ToolChanged();
    TDocumentModel& d = p.doc.Document();
    p.doc.SetTextFrame(128, 128, 0, 200, 796);
    const TRotateFrame& frame = p.controller->ToolsOf(p.doc).TextFrame;
    const int z = p.Z();
    const TFramePoint start = frame.HandlePoint(turn ? TRotateFrame::fhRotate2 : TRotateFrame::fhCentre);
    const TFramePoint centre = frame.HandlePoint(TRotateFrame::fhCentre);
    DocumentPeers().ToolMouse(p.doc, tiText, mpPress, int(start.X), int(start.Y), Qt::LeftButton, {});
    int k = 0;
    for (auto _ : state) {
        int x = int(start.X), y = int(start.Y);
        if (turn) {
            // The rotation handle swings a few degrees to and fro about the centre.
            const double a = ((k++ & 1) ? 0.1 : -0.1);
            const double dx = start.X - centre.X, dy = start.Y - centre.Y;
            x = int(centre.X + dx * std::cos(a) - dy * std::sin(a));
            y = int(centre.Y + dx * std::sin(a) + dy * std::cos(a));
        } else {
            x += (k++ & 1) ? 2 * z : -2 * z;
        }
        DocumentPeers().ToolMouse(p.doc, tiText, mpMove, x, y, Qt::LeftButton, {});
        p.Flush();
    }
    state.counters["stamp"] = std::max(d.TextW, d.TextH) + 4;
    state.counters["angle"] = d.TextAngle;
}
void BM_TextFrameDrag800Stamp(benchmark::State& state) { TextFrameDrag(state, false); }
void BM_TextFrameTurn800Stamp(benchmark::State& state) { TextFrameDrag(state, true); }
BENCHMARK(BM_TextFrameDrag800Stamp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextFrameTurn800Stamp)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
