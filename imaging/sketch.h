#pragma once
// The line layer of the cartoon rendering: a grey value per pixel, where low values are lines.
// Across every horizontal and vertical pair of neighbours the difference of each channel is
// credited to the darker pixel; one-pixel dark lines get an extra "ridge" credit; the sums are
// then scaled and mapped to the layer.
#include <cstdint>
#include <vector>

#include "platform/progress.h"

class Bitmap24;

class TSketch {
public:
    void SetProgress(const ProgressTargets& targets) { progress_ = targets; }

    // Fills Data with the inverted region (255 minus every byte) and clears Result. The region is
    // clipped to the source.
    void LoadInverted(const Bitmap24& source, int left, int top, int width, int height);

    // Adds to the edge sum at (column, row), saturating instead of wrapping; nothing outside.
    void AddEdge(int column, int row, long long amount);

    // Computes the line layer into Result. The ridge weight is given in fifths (the record's own
    // unit), so that every ridge term is exact integer arithmetic and rounds alike everywhere.
    void Draw(int sketchType, int detail, int darkness, int cutOff, int threshold, int strength,
              int remainDarkArea, double preBlurSigma, int ridgeWeightFifths);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Packed inverted picture, rows top first, 3 bytes per pixel blue, green, red.
    const std::vector<uint8_t>& Data() const { return data_; }
    // Width x Height values, rows top first: edge sums while Draw runs, then the layer (0..255).
    const std::vector<int32_t>& Result() const { return result_; }

private:
    ProgressTargets progress_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> data_;
    std::vector<int32_t> result_;
};
