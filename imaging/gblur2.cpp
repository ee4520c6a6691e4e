#include "imaging/gblur2.h"

#include "imaging/imaging_state.h"

void GaussianBlurBuffer(const uint8_t* src, uint8_t* dst, int width, int height, double sigma,
                        const ProgressTargets& progress)
{
    if (width <= 0 || height <= 0 || !src || !dst) return;
    const TGaussKernel kernel = BuildGaussKernel(sigma);
    const uint8_t& cancel = Imaging().CancelRequested;
    if (cancel) return;
    const int stride = width * 3;
    progress.Caption(QStringLiteral("Blur Row"));
    int pass = 0;
    GaussianBlurPixels24(src, stride, dst, stride, width, height, kernel, [&](int p, int line, int lines) {
        if (cancel) return false;
        if (p != pass) {
            progress.StepTotal();
            progress.Caption(QStringLiteral("Blur Column"));
            pass = p;
        }
        progress.PassAt(line - 1, lines - 1);
        if (p == 1 && line == lines) progress.StepTotal();
        return !cancel;
    });
}
