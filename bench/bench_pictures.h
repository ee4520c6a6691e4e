#pragma once
// The pictures the benchmarks work on: a file given on the command line, scaled to the size asked
// for, or else a smooth, many-coloured picture with some grain that stands in for a photo.
#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/bitmap24.h"

inline Bitmap24 PhotoLike(int w, int h)
{
    Bitmap24 b(w, h);
    std::mt19937 rng(7);
    std::normal_distribution<double> grain(0.0, 4.0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w, v = double(y) / h;
            const double r = 128 + 90 * std::sin(6.1 * u + 2.3 * v) + 30 * std::cos(17 * u * v);
            const double g = 120 + 80 * std::sin(4.3 * v - 1.1 * u + 1) + 25 * std::sin(23 * u);
            const double bl = 110 + 100 * std::cos(3.7 * u + 5.2 * v * v) + 20 * std::sin(29 * v);
            auto c = [&](double t) { return std::clamp(int(t + grain(rng)), 0, 255); };
            b.SetPixel(x, y, MakeColor(c(r), c(g), c(bl)));
        }
    return b;
}

inline Bitmap24 BenchPicture(const QString& path, int w, int h)
{
    if (!path.isEmpty()) {
        QImage image(path);
        if (!image.isNull()) {
            Bitmap24 b;
            if (image.width() != w || image.height() != h)
                image = image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            b.FromQImage(image);
            return b;
        }
    }
    return PhotoLike(w, h);
}
