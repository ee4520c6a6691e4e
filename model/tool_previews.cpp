// The tools window's previews, composed in its working bitmaps; see tool_previews.h.
#include "model/tool_previews.h"

#include <algorithm>
#include <memory>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "imaging/compositing.h"
#include "imaging/gradient_shapes.h"
#include "imaging/imaging_state.h"
#include "imaging/paint.h"
#include "model/tools/line_tool.h"
#include "platform/canvas_ops.h"

namespace {

constexpr TColor White = 0xFFFFFF;
constexpr TColor Black = 0;

// The 100 x 100 stroke previews show their inside; the outermost pixels are the frame.
constexpr Rect StrokeInner{1, 1, StrokePreviewSize - 1, StrokePreviewSize - 1};

void EnsureSize(Bitmap24& bitmap, int width, int height)
{
    if (bitmap.Width() != width || bitmap.Height() != height) bitmap.SetSize(width, height);
}

// Paints the colour through a stamp that Scratch2 holds in the preview's own coordinates into the
// inner rectangle of the working colour and mask, and lays the result over the checkerboard.
void PaintAndCompose(TPreviewWork& work, const Bitmap24& stamp, int32_t colorType, uint32_t mode, TColor color,
                     const TPalette* palette)
{
    // PaintStamp reads the stamp from the rectangle's corner: hand it the stamp from there.
    Bitmap24& shifted = Imaging().ScratchBitmap1();
    CopyBitmapRect(stamp, StrokeInner, shifted, 0, 0);
    PaintStamp(shifted, work.Color, work.Mask, colorType, mode, color, StrokeInner);
    DrawPreviewChecker(work.Ground, StrokeInner);
    CompositeOnBitmap(work.Color, work.Mask, work.Ground, work.Result, StrokeInner, palette);
}

// The stroke previews' frame: white with a black outline, the composed inside copied in.
void FrameStrokePreview(const TPreviewWork& work, Bitmap24& image)
{
    EnsureSize(image, StrokePreviewSize, StrokePreviewSize);
    image.Fill(White);
    for (int i = 0; i < StrokePreviewSize; ++i) {
        image.SetPixel(i, 0, Black);
        image.SetPixel(i, StrokePreviewSize - 1, Black);
        image.SetPixel(0, i, Black);
        image.SetPixel(StrokePreviewSize - 1, i, Black);
    }
    CopyBitmapRect(work.Result, StrokeInner, image, StrokeInner.Left, StrokeInner.Top);
}

TColor Grey(int level)
{
    const int v = std::clamp(level, 0, 255);
    return MakeColor(v, v, v);
}

} // namespace

void DrawPreviewChecker(Bitmap24& bitmap, const Rect& rect)
{
    // No colour at all over the checks: the bare ground.
    DrawCheckerSwatch(rect, 0, White, bitmap);
}

// ---- footprints ----

TFootprint FootprintOf(int toolId, const TToolSettings& settings, const TPreviewColors& colors)
{
    TFootprint f;
    switch (toolId) {
    case tiBrush:
        f.Size = 2 * ToolRange::BrushSize.Clamp(settings.BrushSize) + 1;
        f.Softness = ToolRange::BrushGradient.Clamp(settings.BrushGradient);
        f.Color = colors.Color;
        f.Mode = colors.AlphaColor;
        break;
    case tiEraser:
        f.Size = ToolRange::EraserSize.Clamp(settings.EraserSize);
        f.Color = White;
        f.Mode = StampErase;
        f.Eraser = true;
        break;
    default:
        f.Size = ToolRange::PencilSize.Clamp(settings.PencilSize);
        f.Color = colors.Color;
        f.Mode = colors.AlphaColor;
        break;
    }
    return f;
}

void DrawFootprintPreview(TPreviewWork& work, int toolId, const TToolSettings& settings, const TPreviewColors& colors,
                          Bitmap24& image)
{
    const TFootprint f = FootprintOf(toolId, settings, colors);
    FillBitmapRect(work.Color, f.Eraser ? EraserGroundColor : White, StrokeInner);
    FillBitmapRect(work.Mask, f.Eraser ? EraserGroundMask : White, StrokeInner);

    // The tip exactly as a dab of the tool makes it, then every tip pixel as a 3 x 3 block.
    Bitmap24& tip = Imaging().ScratchBitmap2();
    FillBitmapRect(tip, White, SizeRect(f.Size, f.Size));
    MakeBrushTip(tip, f.Size, f.Softness);
    const int side = PreviewMagnification * f.Size;
    const int at = (StrokePreviewSize - side) / 2;
    Bitmap24& stamp = Imaging().TextScratchBitmap();
    FillBitmapRect(stamp, White, SizeRect(StrokePreviewSize, StrokePreviewSize));
    StretchCopyNearest(tip, SizeRect(f.Size, f.Size), stamp, Rect{at, at, at + side, at + side});

    PaintAndCompose(work, stamp, colors.ActiveColorType, f.Mode, f.Color, colors.Palette);
    FrameStrokePreview(work, image);
}

void DrawLinePreview(TPreviewWork& work, const TToolSettings& settings, const TPreviewColors& colors, Bitmap24& image)
{
    // The line as the line tool draws it over a 36 x 36 format, magnified onto a 108-pixel square
    // centred on the image, so that it overhangs the image by 4 pixels on every side.
    constexpr int Source = 36;
    constexpr int Side = Source * PreviewMagnification;
    constexpr int At = (StrokePreviewSize - Side) / 2;
    Bitmap24& line = Imaging().TextScratchBitmap();
    StampLine(line, Imaging().ScratchBitmap2(), SizeRect(Source, Source), LinePreviewFrom, LinePreviewTo,
              ToolRange::LineSize.Clamp(settings.LineSize), settings.LineAntiAlias);
    Bitmap24& stamp = Imaging().ScratchBitmap2();
    FillBitmapRect(stamp, White, SizeRect(StrokePreviewSize, StrokePreviewSize));
    StretchCopyNearest(line, SizeRect(Source, Source), stamp, Rect{At, At, At + Side, At + Side});

    FillBitmapRect(work.Color, White, StrokeInner);
    FillBitmapRect(work.Mask, White, StrokeInner);
    PaintAndCompose(work, stamp, colors.ActiveColorType, colors.AlphaColor, colors.Color, colors.Palette);
    FrameStrokePreview(work, image);
}

void DrawTextPreview(TPreviewWork& work, const TToolSettings& settings, const TPreviewColors& colors, TColor face,
                     Bitmap24& image)
{
    Bitmap24& text = Imaging().TextScratchBitmap();
    Rect stampRect;
    RenderTextStamp(text, settings.TextText, settings.TextFont, stampRect, settings.TextAntiAlias,
                    ToolRange::TextAngle.Clamp(settings.TextAngle), ToolRange::TextSize.Clamp(settings.TextW),
                    ToolRange::TextSize.Clamp(settings.TextH));
    // What the scratch bitmap holds of the stamp; a frame larger than the working bitmaps is
    // shown reduced to fit them.
    const int rendered = std::clamp(std::min({stampRect.Width(), text.Width(), text.Height()}), 1, 800);
    const Bitmap24* stamp = &text;
    int side = rendered;
    if (rendered > PreviewWorkSize) {
        side = PreviewWorkSize;
        Bitmap24& reduced = Imaging().ScratchBitmap1();
        StretchCopyNearest(text, SizeRect(rendered, rendered), reduced, SizeRect(side, side));
        stamp = &reduced;
    }
    const Rect area = SizeRect(side, side);
    FillBitmapRect(work.Color, White, area);
    FillBitmapRect(work.Mask, White, area);
    PaintStamp(*stamp, work.Color, work.Mask, colors.ActiveColorType, colors.AlphaColor, colors.Color, area);
    DrawPreviewChecker(work.Ground, area);
    CompositeOnBitmap(work.Color, work.Mask, work.Ground, work.Result, area, colors.Palette);

    EnsureSize(image, TextPreviewSize, TextPreviewSize);
    image.Fill(face);
    StretchCopyNearest(work.Result, area, image, SizeRect(TextPreviewSize, TextPreviewSize));
}

// ---- shape pages ----

QString ShapeSwatchCaption(int32_t panelColorType)
{
    return IsPaletteColorType(panelColorType) ? QStringLiteral("Depend on color panel")
                                              : QStringLiteral("Click to change color");
}

void DrawShapeSwatch(TPreviewWork& work, TShapePage page, const TToolSettings& settings, const TPreviewColors& colors,
                     const QFont& font, Bitmap24& swatch)
{
    const TShapeOptions& s = settings.Shape(page);
    const Rect area = SizeRect(ShapeSwatchWidth, ShapeSwatchHeight);
    FillBitmapRect(work.Color, White, area);
    FillBitmapRect(work.Mask, White, area);
    TGradientRect r;
    r.ShapeRect = area;
    r.ShapeType = stOutlineAndFill;
    r.FillMode = s.Gradient ? fmHorizontal : fmSolid;
    r.BorderWidth = 1;
    r.CornerRadius = 0;
    r.FillColor = s.FillColor;
    r.AlphaColor = White;
    r.Color = Black;
    r.AntiAlias = 0;
    r.GradientStrip = &s.Strip;
    r.ColorType = ctTrueAlpha;
    r.ColorBitmap = &work.Color;
    r.MaskBitmap = &work.Mask;
    r.Render();
    ExpandPaletteIndices(work.Color, area, colors.Palette);
    {
        QImage canvas = work.Color.Image();
        QPainter painter(&canvas);
        painter.setFont(font);
        painter.setPen(ToQColor(PaletteColor(s.FillColor, colors.Palette) ^ White));
        const QString caption = ShapeSwatchCaption(colors.PanelColorType);
        const QFontMetrics metrics(font);
        const int x = (ShapeSwatchWidth - metrics.horizontalAdvance(caption)) / 2;
        const int y = (ShapeSwatchHeight - metrics.height()) / 2;
        painter.drawText(x, y + metrics.ascent(), caption);
    }
    EnsureSize(swatch, ShapeSwatchWidth, ShapeSwatchHeight);
    CopyBitmapRect(work.Color, area, swatch, 0, 0);
}

void DrawShapePreview(TPreviewWork& work, TShapePage page, const TToolSettings& settings, const TPreviewColors& colors,
                      Bitmap24& preview)
{
    const TShapeOptions& s = settings.Shape(page);
    const Rect area = SizeRect(ShapePreviewSize, ShapePreviewSize);
    DrawPreviewChecker(work.Ground, area);
    FillBitmapRect(work.Color, White, area);
    FillBitmapRect(work.Mask, White, area);
    std::unique_ptr<TGradientRect> r =
        page == spRect ? std::make_unique<TGradientRect>() : std::make_unique<TGradientEllipse>();
    r->ShapeRect = area;
    r->ShapeType = s.Type;
    r->FillMode = settings.GradientMode;
    r->BorderWidth = s.BorderSize;
    r->CornerRadius = page == spRect ? s.Round : 0;
    r->FillColor = s.FillColor;
    r->ColorType = colors.PanelColorType;
    r->AntiAlias = s.AntiAlias ? 1 : 0;
    r->AlphaColor = colors.AlphaColor;
    r->Color = colors.Color;
    r->GradientStrip = &s.Strip;
    r->ColorBitmap = &work.Color;
    r->MaskBitmap = &work.Mask;
    r->Render();
    CompositeOnBitmap(work.Color, work.Mask, work.Ground, work.Result, area, colors.Palette);
    EnsureSize(preview, ShapePreviewSize, ShapePreviewSize);
    CopyBitmapRect(work.Result, area, preview, 0, 0);
}

// ---- readouts ----

QSize FitThumbnail(int width, int height)
{
    if (width < 1 || height < 1) return QSize(0, 0);
    int64_t tw = ThumbnailSize, th = ThumbnailSize;
    if (height < width)
        th = int64_t(height) * ThumbnailSize / width;
    else
        tw = int64_t(width) * ThumbnailSize / height;
    // A very flat or very thin area still shows one row or column.
    return QSize(int(std::max<int64_t>(tw, 1)), int(std::max<int64_t>(th, 1)));
}

bool DrawThumbnail(TPreviewWork& work, const Bitmap24& color, const Bitmap24& mask, const Rect& source,
                   const TPalette* palette, TColor face, Bitmap24& image)
{
    const QSize fit = FitThumbnail(source.Width(), source.Height());
    if (fit.isEmpty()) return false;
    const Rect thumb = SizeRect(fit.width(), fit.height());
    // Parts of the source beyond the bitmaps show as transparent.
    FillBitmapRect(work.Color, White, thumb);
    FillBitmapRect(work.Mask, White, thumb);
    StretchCopyNearest(color, source, work.Color, thumb);
    StretchCopyNearest(mask, source, work.Mask, thumb);
    DrawPreviewChecker(work.Ground, thumb);
    CompositeOnBitmap(work.Color, work.Mask, work.Ground, work.Result, thumb, palette);
    EnsureSize(image, ThumbnailSize, ThumbnailSize);
    image.Fill(face);
    CopyBitmapRect(work.Result, thumb, image, (ThumbnailSize - fit.width()) / 2, (ThumbnailSize - fit.height()) / 2);
    return true;
}

TSelectionLabels SelectionLabels(const Rect& bounds)
{
    const int64_t w = int64_t(bounds.Right) - bounds.Left, h = int64_t(bounds.Bottom) - bounds.Top;
    return {QStringLiteral("X: %1").arg(bounds.Left), QStringLiteral("Y: %1").arg(bounds.Top),
            QStringLiteral("W: %1").arg(w), QStringLiteral("H: %1").arg(h)};
}

void DrawPickedColour(TColor color, int alpha, Bitmap24& swatch)
{
    EnsureSize(swatch, PickerSwatchSize, PickerSwatchSize);
    // The checkerboard shows through by 255 - alpha.
    DrawCheckerSwatch(SizeRect(PickerSwatchSize, PickerSwatchSize), color, Grey(255 - std::clamp(alpha, 0, 255)),
                      swatch);
}

TPickerLabels PickedColourLabels(TColor color, int alpha)
{
    return {QStringLiteral("R:%1").arg(ColorR(color)), QStringLiteral("G:%1").arg(ColorG(color)),
            QStringLiteral("B:%1").arg(ColorB(color)), QStringLiteral("A:%1").arg(alpha)};
}
