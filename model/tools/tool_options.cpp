// Tool options read from the tool settings.
#include "model/tools/tool_options.h"

TPaintOptions PaintOptionsOf(const TToolSettings& s)
{
    TPaintOptions o;
    o.PencilSize = s.PencilSize;
    o.BrushSize = s.BrushSize;
    o.BrushGradient = s.BrushGradient;
    o.EraserSize = s.EraserSize;
    o.BucketTolerance = s.BucketTolerance;
    o.LineSize = s.LineSize;
    o.LineAntiAlias = s.LineAntiAlias;
    o.RectType = s.Rect.Type;
    o.EllipseType = s.Ellipse.Type;
    o.RectAntiAlias = s.Rect.AntiAlias;
    o.EllipseAntiAlias = s.Ellipse.AntiAlias;
    o.RectBorderSize = s.Rect.BorderSize;
    o.EllipseBorderSize = s.Ellipse.BorderSize;
    o.RectRound = s.Rect.Round;
    o.GradientMode = s.GradientMode;
    o.RectFillColor = s.Rect.FillColor;
    o.EllipseFillColor = s.Ellipse.FillColor;
    o.RectGradientStrip = &s.Rect.Strip;
    o.EllipseGradientStrip = &s.Ellipse.Strip;
    return o;
}

TTextOptions TextOptionsOf(const TToolSettings& s)
{
    return TTextOptions{s.TextText, s.TextFont, s.TextAntiAlias};
}
