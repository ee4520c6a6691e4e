#pragma once
// Gaussian blur of a packed 24-bit buffer (rows top first, 3 bytes per pixel, no row padding) with
// the cartoon engine's progress: "Blur Row", then "Blur Column", one step of the total bar after
// each. The kernel is the program's one Gaussian kernel (imaging/gauss_kernel.h).
#include <cstdint>

#include "imaging/gauss_kernel.h"
#include "platform/progress.h"

// src and dst may be the same buffer. A sigma that is not above 0 copies. Stops where it is when
// CancelRequested is set (dst may then be partly written).
void GaussianBlurBuffer(const uint8_t* src, uint8_t* dst, int width, int height, double sigma,
                        const ProgressTargets& progress = {});
