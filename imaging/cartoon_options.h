#pragma once
// The parameter record of the cartoon rendering and its 133-byte file image ("cartoon3.set").
// The record holds a live reference to the source bitmap, so it is never copied to or from bytes
// as a block: every field is read and written at its own offset, little-endian.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>

class Bitmap24;

struct TCartoonOptions {
    // Set by the client before every run; the file's four placeholder bytes are never used.
    const Bitmap24* Source = nullptr;
    // The region of Source to process; set before every run, the file's values are never used.
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    // Line layer.
    int32_t SketchType = 0;   // 1 threshold, 2 inverted with cut-off, other values: the raw edge map
    int32_t Detail = 0;       // subtracted from the scaled edge sum
    int32_t Darkness = 0;     // multiplier of the edge sum (divided by 32)
    int32_t SketchSmooth = 0; // pre-blur sigma in twentieths
    int32_t RidgeWeight = 0;  // weight of the thin-line terms in fifths
    uint8_t RemainDarkArea = 0;
    int32_t Threshold = 0;
    int32_t Strength = 0;
    // Colour layer.
    int32_t SmoothMode = 0;   // 0 median, other values maximum
    int32_t SmoothRadius = 0;
    int32_t Blur = 0;         // sigma in twentieths
    int32_t Brightness = 0;
    int32_t Contrast = 0;
    int32_t Saturation = 0;
    int32_t Red = 0;
    int32_t Green = 0;
    int32_t Blue = 0;
    // Composition.
    uint8_t DrawSketch = 0;
    uint8_t DrawColor = 0;
    int32_t ComposeMode = 0;  // 1 multiply, 2 mix, other values write nothing
    int32_t MixWeight = 0;    // percent of the line layer in mix mode
    int32_t CutOff = 0;
    // Colour reduction.
    int32_t ColorReducer = 0; // step
    int32_t ReducerKind = 0;  // 0 by step, other values by bands
    int32_t KeepAverage = 0;
    int32_t BandCount = 0;
    uint8_t BandThresholds[5] = {};

    friend bool operator==(const TCartoonOptions&, const TCartoonOptions&) = default;
};

// Size of the file image, and the offset of every field in it.
constexpr size_t CartoonOptionsSize = 133;
namespace CartoonOffset {
constexpr size_t Source = 0, Left = 4, Top = 8, Width = 12, Height = 16, SketchType = 20, Detail = 24,
                 Darkness = 28, SketchSmooth = 32, RidgeWeight = 36, RemainDarkArea = 40, Threshold = 41,
                 Strength = 45, SmoothMode = 49, SmoothRadius = 53, Blur = 57, Brightness = 61, Contrast = 65,
                 Saturation = 69, Red = 73, Green = 77, Blue = 81, DrawSketch = 85, DrawColor = 86,
                 ComposeMode = 87, MixWeight = 91, CutOff = 95, Reserved1 = 99, ColorReducer = 100,
                 ReducerKind = 104, KeepAverage = 108, BandCount = 112, BandThresholds = 116, Reserved2 = 121;
} // namespace CartoonOffset

// Reads a file image. Data shorter than 133 bytes fills only the leading bytes, the rest counting
// as zero (a field cut in two keeps the bytes that are there). Source and the region are never
// taken from the bytes: they stay null and 0.
TCartoonOptions ReadCartoonOptions(const uint8_t* data, size_t size);
TCartoonOptions ReadCartoonOptions(const QByteArray& bytes);

// The 133-byte file image. The source placeholder, the region and the reserved bytes are written
// as zeros.
std::vector<uint8_t> WriteCartoonOptions(const TCartoonOptions& options);

// Reads a preset file. False when it cannot be opened or read; the record is then left as it was.
bool LoadCartoonOptionsFile(const QString& path, TCartoonOptions& options);
