#include "imaging/cartoon_options.h"

#include <algorithm>
#include <array>

#include <QFile>

#include "platform/bytes.h"

TCartoonOptions ReadCartoonOptions(const uint8_t* data, size_t size)
{
    // Padding to the full size first gives a short file its leading bytes and zeros after them,
    // even inside a field that the end of the data cuts in two.
    std::array<uint8_t, CartoonOptionsSize> image{};
    if (data) std::copy_n(data, std::min(size, CartoonOptionsSize), image.begin());
    ByteReader in(image.data(), image.size());

    TCartoonOptions o;
    in.Seek(CartoonOffset::SketchType);
    o.SketchType = in.I32();
    o.Detail = in.I32();
    o.Darkness = in.I32();
    o.SketchSmooth = in.I32();
    o.RidgeWeight = in.I32();
    o.RemainDarkArea = in.U8();
    o.Threshold = in.I32();
    o.Strength = in.I32();
    o.SmoothMode = in.I32();
    o.SmoothRadius = in.I32();
    o.Blur = in.I32();
    o.Brightness = in.I32();
    o.Contrast = in.I32();
    o.Saturation = in.I32();
    o.Red = in.I32();
    o.Green = in.I32();
    o.Blue = in.I32();
    o.DrawSketch = in.U8();
    o.DrawColor = in.U8();
    o.ComposeMode = in.I32();
    o.MixWeight = in.I32();
    o.CutOff = in.I32();
    in.Skip(1);
    o.ColorReducer = in.I32();
    o.ReducerKind = in.I32();
    o.KeepAverage = in.I32();
    o.BandCount = in.I32();
    for (uint8_t& t : o.BandThresholds) t = in.U8();
    return o;
}

TCartoonOptions ReadCartoonOptions(const QByteArray& bytes)
{
    return ReadCartoonOptions(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

std::vector<uint8_t> WriteCartoonOptions(const TCartoonOptions& o)
{
    ByteWriter out;
    out.Zeros(CartoonOffset::SketchType); // source placeholder and region
    out.I32(o.SketchType);
    out.I32(o.Detail);
    out.I32(o.Darkness);
    out.I32(o.SketchSmooth);
    out.I32(o.RidgeWeight);
    out.U8(o.RemainDarkArea);
    out.I32(o.Threshold);
    out.I32(o.Strength);
    out.I32(o.SmoothMode);
    out.I32(o.SmoothRadius);
    out.I32(o.Blur);
    out.I32(o.Brightness);
    out.I32(o.Contrast);
    out.I32(o.Saturation);
    out.I32(o.Red);
    out.I32(o.Green);
    out.I32(o.Blue);
    out.U8(o.DrawSketch);
    out.U8(o.DrawColor);
    out.I32(o.ComposeMode);
    out.I32(o.MixWeight);
    out.I32(o.CutOff);
    out.Zeros(1);
    out.I32(o.ColorReducer);
    out.I32(o.ReducerKind);
    out.I32(o.KeepAverage);
    out.I32(o.BandCount);
    out.Bytes(o.BandThresholds, sizeof o.BandThresholds);
    out.Zeros(CartoonOptionsSize - CartoonOffset::Reserved2);
    return std::move(out.Buffer());
}

bool LoadCartoonOptionsFile(const QString& path, TCartoonOptions& options)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // Only the record's own bytes are read, however long the file is.
    const QByteArray bytes = file.read(qint64(CartoonOptionsSize));
    if (file.error() != QFileDevice::NoError) return false;
    options = ReadCartoonOptions(bytes);
    return true;
}
