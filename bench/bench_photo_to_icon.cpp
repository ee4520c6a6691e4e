// Photo to icon's three speed goals, each next to its yardstick in the same run:
//   - decoding a 4000 x 3000 JPEG for the window, against libjpeg-turbo called in the same process
//     on the same bytes, and djpeg (its own tool, run on the same file, its output thrown away);
//   - one drag move on the view of a 24-megapixel photo (redraw of the view), against a full
//     stretch of that photo to the view's size;
//   - the render of every output format (16, 32, 48, 256, true colour) on release, with the
//     cartoon passes off and with line drawing and colour on, next to the cartoon engine alone on
//     the same sizes.
// Needs djpeg (Debian package libjpeg-turbo-progs) for the first yardstick.
#include "bench_main.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "bench/bench_pictures.h"
#include "creators/cartoon_option_form.h"
#include "creators/photo_to_icon_form.h"
#include "iconfiles/jpeg_codec.h"
#include "iconfiles/picture_file.h"
#include "imaging/draw_effect.h"
#include "imaging/resample.h"
#include "model/cartoon_render.h"
#include "platform/bytes.h"

#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace {

QString JpegFile()
{
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        std::vector<uint8_t> bytes;
        EncodeJpeg(PhotoLike(4000, 3000), 90, bytes);
        path = dir.filePath(QStringLiteral("photo.jpg"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    }
    return path;
}

void DecodeJpegForWindow(benchmark::State& state)
{
    const QString path = JpegFile();
    for (auto _ : state) {
        Bitmap24 out;
        benchmark::DoNotOptimize(PictureFile::LoadPicture(path, out));
    }
}
BENCHMARK(DecodeJpegForWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// The in-process yardstick: libjpeg-turbo decoding the same file's bytes, already in memory, into
// a fresh buffer it fills row by row (as plain and fast a use of the library as there is).
void LibjpegInProcess(benchmark::State& state)
{
    QFile file(JpegFile());
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    for (auto _ : state) {
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()), (unsigned long)bytes.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        const size_t stride = size_t(cinfo.output_width) * 3;
        auto pixels = std::make_unique_for_overwrite<unsigned char[]>(stride * cinfo.output_height);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.get() + size_t(cinfo.output_scanline) * stride;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.get());
    }
}
BENCHMARK(LibjpegInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void Djpeg(benchmark::State& state)
{
    const QString path = JpegFile();
    for (auto _ : state) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral("djpeg"), {QStringLiteral("-bmp"), path});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            state.SkipWithError("djpeg is not installed");
            return;
        }
    }
}
BENCHMARK(Djpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window over a 6000 x 4000 picture, made once.
Tfrm_PhotoToIcon& Window()
{
    static Tfrm_CartoonOption* options = new Tfrm_CartoonOption(
        nullptr, QStringLiteral(TAVRIN_SOURCE_DIR) + QStringLiteral("/assets/cartoon3.set"));
    static Tfrm_PhotoToIcon* w = [] {
        auto* window = new Tfrm_PhotoToIcon;
        window->Photo = PhotoLike(6000, 4000);
        window->show();
        return window;
    }();
    Q_UNUSED(options);
    return *w;
}

void DragMoveOn24Megapixels(benchmark::State& state)
{
    Tfrm_PhotoToIcon& w = Window();
    const Rect square = w.IconRect;
    const int cx = (square.Left + square.Right) / 2, cy = (square.Top + square.Bottom) / 2;
    w.ViewMouse(2, cx, cy, Qt::LeftButton, {});
    int step = 0;
    for (auto _ : state) {
        const int dx = (step++ % 40) - 20;
        w.ViewMouse(3, cx + dx, cy, Qt::LeftButton, {});
    }
    w.ViewMouse(1, cx, cy, Qt::NoButton, {});
}
BENCHMARK(DragMoveOn24Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();

void StretchWhole24MegapixelsToView(benchmark::State& state)
{
    const Bitmap24& photo = Window().Photo;
    Bitmap24 view(353, 377);
    for (auto _ : state) ShrinkAreaAverage(photo, view, photo.Bounds(), view.Bounds());
}
BENCHMARK(StretchWhole24MegapixelsToView)->Unit(benchmark::kMillisecond)->UseRealTime();

void RenderFormats(benchmark::State& state, bool cartoon)
{
    TCartoonRender render;
    render.Preset = ReadCartoonOptions([] {
        QFile f(QStringLiteral(TAVRIN_SOURCE_DIR) + QStringLiteral("/assets/cartoon3.set"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }());
    TIconImageArray formats;
    for (int side : {16, 32, 48, 256}) InitIconImage(formats.Add(), side, side, ctTrueColor, -1);
    const Bitmap24 master = PhotoLike(256, 256);
    TCartoonSettings s;
    s.DrawSketch = true;
    s.DrawColor = true;
    for (auto _ : state) render.RenderIconImages(formats, master, Rect{0, 0, 256, 256}, cartoon, s);
}
BENCHMARK_CAPTURE(RenderFormats, CartoonOff, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RenderFormats, LinesAndColour, true)->Unit(benchmark::kMillisecond);

// The engine alone: the colour pass on the master and a line pass on each format's size.
void CartoonEngineSameSizes(benchmark::State& state)
{
    TCartoonOptions preset = ReadCartoonOptions([] {
        QFile f(QStringLiteral(TAVRIN_SOURCE_DIR) + QStringLiteral("/assets/cartoon3.set"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }());
    const Bitmap24 master = PhotoLike(256, 256);
    for (auto _ : state) {
        TDrawEffect colour;
        TCartoonOptions o = preset;
        o.Source = &master;
        o.Width = o.Height = 256;
        o.DrawColor = 1;
        o.DrawSketch = 0;
        colour.SetOptions(o);
        colour.Execute();
        for (int side : {16, 32, 48, 256}) {
            TDrawEffect line;
            TCartoonOptions l = preset;
            l.Source = &master;
            l.Width = l.Height = side;
            l.DrawSketch = 1;
            l.DrawColor = 0;
            line.SetOptions(l);
            line.Execute();
        }
    }
}
BENCHMARK(CartoonEngineSameSizes)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
