// The tools window's hot paths: one move of a track bar on the pencil, brush, eraser and line pages
// (the handler, the preview and the picture), a refresh of each shape page, and a keystroke in the
// text field (text preview, then the main window's palette change, which re-renders the open text
// frame; here the frame is stood in for by the stamp of an 800-pixel frame painted into a 256 x 256
// format, the work the document does for it). Yardsticks in the same run: QImage's own fill of a
// 256 x 256 picture, and one full canvas composition of a 256 x 256 format at zoom 2.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QKeyEvent>

#include "imaging/compositing.h"
#include "imaging/imaging_state.h"
#include "imaging/paint.h"
#include "platform/ui/spin_edit.h"
#include "workspace/peers.h"
#include "workspace/tools_panel.h"

namespace {

void TrackDrag(benchmark::State& state, int toolId, TTrackBar* Tfrm_tools_panel::*track)
{
    Tfrm_tools_panel w;
    w.show();
    ToolSettings().ToolId = toolId;
    TTrackBar* bar = w.*track;
    const int lo = bar->minimum(), span = bar->maximum() - bar->minimum() + 1;
    int i = 0;
    for (auto _ : state) {
        bar->SetPosition(lo + (i++ % span));
        QApplication::processEvents();
    }
}

void BM_TrackMovePencil(benchmark::State& s) { TrackDrag(s, tiPencil, &Tfrm_tools_panel::trc_PencilSize); }
void BM_TrackMoveBrushSize(benchmark::State& s) { TrackDrag(s, tiBrush, &Tfrm_tools_panel::trc_BrushSize); }
void BM_TrackMoveBrushSoftness(benchmark::State& s) { TrackDrag(s, tiBrush, &Tfrm_tools_panel::trc_BrushGradient); }
void BM_TrackMoveEraser(benchmark::State& s) { TrackDrag(s, tiEraser, &Tfrm_tools_panel::trc_EraserSize); }
void BM_TrackMoveLine(benchmark::State& s) { TrackDrag(s, tiLine, &Tfrm_tools_panel::trc_LineSize); }
BENCHMARK(BM_TrackMovePencil)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackMoveBrushSize)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackMoveBrushSoftness)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackMoveEraser)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackMoveLine)->Unit(benchmark::kMicrosecond);

void BM_ShapePageRefresh(benchmark::State& state)
{
    Tfrm_tools_panel w;
    w.show();
    const bool ellipse = state.range(0) != 0;
    for (auto _ : state) {
        if (ellipse)
            w.DrawEllipsePreview();
        else
            w.DrawRectPreview();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ShapePageRefresh)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_TextKeystroke(benchmark::State& state)
{
    Tfrm_tools_panel w;
    w.show();
    TIconImageRec format;
    InitIconImage(format, 256, 256, ctTrueAlpha, -1);
    // The open frame, 796 x 796 (its stamp 800 pixels), rendered again on each palette change.
    const auto saved = FramePeers().PaletteChanged;
    FramePeers().PaletteChanged = [&format] {
        const TToolSettings& s = ToolSettings();
        Rect stamp;
        RenderTextStamp(Imaging().TextScratchBitmap(), s.TextText, s.TextFont, stamp, s.TextAntiAlias, s.TextAngle, 796,
                        796);
        PaintStamp(Imaging().TextScratchBitmap(), *format.Bitmap, *format.Mask, format.ColorType, 0xFFFFFF, 0,
                   SizeRect(256, 256));
    };
    ToolSettings().TextAntiAlias = state.range(0) != 0;
    w.edt_TextText->setFocus();
    int i = 0;
    for (auto _ : state) {
        if (w.edt_TextText->text().size() > 12) w.edt_TextText->setText(QStringLiteral("Hello"));
        const char c = char('a' + (i++ % 26));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (c - 'a'), Qt::NoModifier, QString(QLatin1Char(c)));
        QApplication::sendEvent(w.edt_TextText, &press);
        QApplication::processEvents();
    }
    FramePeers().PaletteChanged = saved;
}
BENCHMARK(BM_TextKeystroke)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The text preview alone, and the stand-in frame's render alone.
void BM_TextPreviewOnly(benchmark::State& state)
{
    Tfrm_tools_panel w;
    w.show();
    for (auto _ : state) w.DrawTextPreview();
}
BENCHMARK(BM_TextPreviewOnly)->Unit(benchmark::kMillisecond);

void BM_TextFrame800Only(benchmark::State& state)
{
    const TToolSettings s;
    TIconImageRec format;
    InitIconImage(format, 256, 256, ctTrueAlpha, -1);
    for (auto _ : state) {
        Rect stamp;
        RenderTextStamp(Imaging().TextScratchBitmap(), s.TextText, s.TextFont, stamp, false, 0, 796, 796);
        PaintStamp(Imaging().TextScratchBitmap(), *format.Bitmap, *format.Mask, format.ColorType, 0xFFFFFF, 0,
                   SizeRect(256, 256));
    }
}
BENCHMARK(BM_TextFrame800Only)->Unit(benchmark::kMillisecond);

// ---- yardsticks ----

void BM_Yardstick_QImageFill256(benchmark::State& state)
{
    QImage image(256, 256, QImage::Format_RGB32);
    uint v = 0;
    for (auto _ : state) {
        image.fill(v++);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Yardstick_QImageFill256)->Unit(benchmark::kMicrosecond);

void BM_Yardstick_CanvasCompose256Zoom2(benchmark::State& state)
{
    TIconImageRec format;
    InitIconImage(format, 256, 256, ctTrueAlpha, -1);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) format.Bitmap->SetPixel(x, y, TColor(x * 256 + y));
    format.Mask->Fill(0x404040);
    Bitmap24 canvas(512, 512);
    for (auto _ : state) {
        DrawIconImage(canvas, SizeRect(512, 512), 0xFFFFFF, format);
        benchmark::DoNotOptimize(canvas.Bits());
    }
}
BENCHMARK(BM_Yardstick_CanvasCompose256Zoom2)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ImagingState imaging;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
