#pragma once
// Long passes report progress through an optional callback: minimum, maximum and position
// (0, 100 and row * 100 / height in most passes). An empty function means no report.
#include <functional>

using ProgressCallback = std::function<void(int min, int max, int position)>;
