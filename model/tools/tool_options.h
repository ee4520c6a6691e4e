#pragma once
// The tool options as one mouse event reads them from the settings the tools window edits.
#include "model/tool_settings.h"
#include "model/tools/text_tool.h"
#include "model/tools/tool_host.h"

// Sizes, softness, tolerance and the shape pages' options; the gradient strips point into the
// settings and stay valid while they live.
TPaintOptions PaintOptionsOf(const TToolSettings& settings);
// The text page's text, font and anti-aliasing.
TTextOptions TextOptionsOf(const TToolSettings& settings);
