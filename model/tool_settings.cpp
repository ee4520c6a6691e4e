// The tools' options and the rules that decide what changing them does; see tool_settings.h.
#include "model/tool_settings.h"

#include <limits>

#include "imaging/icon_image.h"
#include "model/tool_settings_gradient.h"
#include "platform/small_routines.h"

const QString AntiAliasRefusalText = QStringLiteral(
    "Anti Aliasing is not supported in the current color mode, it's only available in 24 bits or 32 bits color.");
const QString ShapeTypeRefusalText = QStringLiteral("The selected type is only supported in 32 or 24 bits color.");
const QString ShapeGradientRefusalText = QStringLiteral("Gradient is only supported in 32 or 24 bits color.");
const QString ShapeAntiAliasRefusalText = QStringLiteral("Anti-Aliasing is only supported in 32 or 24 bits color.");
const QString SwatchRefusalText =
    QStringLiteral("In 256, 16, or 2 colors mode, the fill color is decided by color panel.");

bool IsToolId(int id)
{
    switch (id) {
    case tiNone:
    case tiRectSelect:
    case tiLasso:
    case tiPencil:
    case tiBrush:
    case tiText:
    case tiBucket:
    case tiPicker:
    case tiEraser:
    case tiRectangle:
    case tiEllipse:
    case tiLine:
        return true;
    default:
        return false;
    }
}

const TOptionRange& TrackRange(TToolTrack track)
{
    static const TOptionRange ranges[ttTrackCount] = {ToolRange::PencilSize,    ToolRange::BrushSize,
                                                      ToolRange::BrushGradient, ToolRange::EraserSize,
                                                      ToolRange::BucketTolerance, ToolRange::LineSize};
    const int i = (track >= 0 && track < ttTrackCount) ? int(track) : 0;
    return ranges[i];
}

int SpinTextValue(const QString& text, const TOptionRange& range)
{
    const QString t = text.trimmed();
    if (!IsIntegerText(t)) return range.Min;
    // Digits beyond what fits saturate: the value is clamped to the range anyway.
    long long v = 0;
    bool negative = false;
    for (const QChar c : t) {
        if (c == u'-') {
            negative = true;
            continue;
        }
        if (c == u'+') continue;
        if (v < 1000000000000LL) v = v * 10 + (c.unicode() - u'0');
    }
    if (negative) v = -v;
    if (v < range.Min) return range.Min;
    if (v > range.Max) return range.Max;
    return int(v);
}

TToolSettings::TToolSettings()
{
    // The strips start as the gradient editor's first preset: white to blue.
    const TNodeArray first = EnabledPresetNodes(0);
    SetShapeGradient(spRect, first);
    SetShapeGradient(spEllipse, first);
    SeedLastSeen();
}

TToolSettings& ToolSettings()
{
    static TToolSettings settings;
    return settings;
}

// ---- tools ----

TToolChange TToolSettings::ToolButtonClicked(int buttonId, bool nowDown)
{
    TToolChange change;
    change.From = ToolId;
    ToolId = (nowDown && IsToolId(buttonId)) ? buttonId : tiNone;
    change.To = ToolId;
    change.TextLockOn = change.To == tiText && change.From != tiText;
    // Every way out of the text tool releases the lock, also when no document is open to do it.
    change.TextLockOff = change.From == tiText && change.To != tiText;
    return change;
}

TToolChange TToolSettings::EndTextTool()
{
    TToolChange change;
    change.From = change.To = ToolId;
    if (ToolId != tiText) return change;
    ToolId = tiNone;
    change.To = tiNone;
    change.TextLockOff = true;
    return change;
}

// ---- track bars ----

int TToolSettings::Track(TToolTrack track) const
{
    switch (track) {
    case ttPencilSize: return PencilSize;
    case ttBrushSize: return BrushSize;
    case ttBrushGradient: return BrushGradient;
    case ttEraserSize: return EraserSize;
    case ttBucketTolerance: return BucketTolerance;
    case ttLineSize: return LineSize;
    default: return 0;
    }
}

void TToolSettings::SetTrack(TToolTrack track, int value)
{
    const int v = TrackRange(track).Clamp(value);
    switch (track) {
    case ttPencilSize: PencilSize = v; break;
    case ttBrushSize: BrushSize = v; break;
    case ttBrushGradient: BrushGradient = v; break;
    case ttEraserSize: EraserSize = v; break;
    case ttBucketTolerance: BucketTolerance = v; break;
    case ttLineSize: LineSize = v; break;
    default: break;
    }
}

void TToolSettings::SeedLastSeen()
{
    for (int t = 0; t < ttTrackCount; ++t) LastSeen[size_t(t)] = Track(TToolTrack(t));
}

TTrackOutcome TToolSettings::TrackMoved(TToolTrack track, int position, int32_t activeColorType)
{
    TTrackOutcome out;
    if (track < 0 || track >= ttTrackCount) {
        out.Ignored = true;
        return out;
    }
    const int p = TrackRange(track).Clamp(position);
    int& last = LastSeen[size_t(track)];
    if (p == last) {
        out.Ignored = true;
        return out;
    }
    if (track == ttBrushGradient && CheckOptionChange(ocBrushGradient, activeColorType, p).Refused) {
        BrushGradient = 255;
        last = 255;
        out.Refused = true;
        return out;
    }
    SetTrack(track, p);
    last = p;
    out.RedrawPreview = track != ttBucketTolerance;
    return out;
}

// ---- text ----

void TToolSettings::SetTextPlacement(int x, int y, int angle, int height, int width)
{
    TextX = ToolRange::TextPosition.Clamp(x);
    TextY = ToolRange::TextPosition.Clamp(y);
    TextAngle = ToolRange::TextAngle.Clamp(angle);
    TextH = ToolRange::TextSize.Clamp(height);
    TextW = ToolRange::TextSize.Clamp(width);
}

bool TToolSettings::ApplyTextPlacement(const QString& x, const QString& y, const QString& width,
                                       const QString& height, const QString& angle)
{
    for (const QString* t : {&x, &y, &width, &height, &angle})
        if (!IsIntegerText(t->trimmed())) return false;
    TextX = SpinTextValue(x, ToolRange::TextPosition);
    TextY = SpinTextValue(y, ToolRange::TextPosition);
    TextW = SpinTextValue(width, ToolRange::TextSize);
    TextH = SpinTextValue(height, ToolRange::TextSize);
    TextAngle = SpinTextValue(angle, ToolRange::TextAngle);
    return true;
}

// ---- shapes ----

TShapePageLayout TToolSettings::RefreshShapePage(TShapePage page, int32_t panelColorType, TColor panelColor)
{
    TShapeOptions& s = Shape(page);
    if (IsPaletteColorType(panelColorType)) {
        s.Gradient = false;
        s.AntiAlias = false;
        if (s.Type == stOutlineAndFill) s.Type = stOutline;
        if (s.Type == stFill) SetPaletteFill(s, panelColor);
    } else {
        UseTrueColorFill(s);
    }
    if (!s.Gradient)
        GradientMode = gmSolid;
    else
        GradientMode = ToolRange::GradientStyle.Clamp(s.Style);

    TShapePageLayout layout;
    layout.StylesVisible = s.Gradient;
    if (s.Type != stOutline) {
        layout.GradientBoxVisible = true;
        layout.SwatchVisible = true;
        if (!s.Gradient) {
            layout.StylesVisible = false;
            GradientMode = gmSolid;
        }
    } else {
        layout.GradientBoxVisible = false;
        layout.SwatchVisible = false;
        layout.StylesVisible = false;
    }
    layout.BorderVisible = s.Type != stFill;
    return layout;
}

void TToolSettings::SetShapeGradient(TShapePage page, TNodeArray nodes)
{
    // Nothing to draw leaves the strip as it was, as an empty list draws nothing.
    if (nodes.empty()) return;
    TShapeOptions& s = Shape(page);
    if (s.Strip.Width() != GradientStripWidth || s.Strip.Height() != 1) s.Strip.SetSize(GradientStripWidth, 1);
    DrawLinearGradient(nodes, SizeRect(GradientStripWidth, 1), s.Strip);
}

void TToolSettings::ApplyPaletteShapeRule(TShapeOptions& shape, TColor panelColor)
{
    shape.Gradient = false;
    shape.AntiAlias = false;
    if (shape.Type == stOutlineAndFill) shape.Type = stOutline;
    SetPaletteFill(shape, panelColor);
}

void TToolSettings::SetPaletteFill(TShapeOptions& shape, TColor index)
{
    if (!shape.FillIsIndex) shape.TrueColorFill = shape.FillColor;
    shape.FillIsIndex = true;
    shape.FillColor = index;
}

void TToolSettings::UseTrueColorFill(TShapeOptions& shape)
{
    if (!shape.FillIsIndex) return;
    shape.FillColor = shape.TrueColorFill;
    shape.FillIsIndex = false;
}

// ---- the current format ----

TImageChange TToolSettings::ActiveImageChanged(const void* document, int index, int32_t colorType, TColor panelColor)
{
    TImageChange out;
    // The colour type counts too: a format deleted and replaced at the same index must still get
    // the refusals of its own type.
    if (document == LastDocument && index == LastFormatIndex && colorType == LastColorType) {
        out.Ignored = true;
        return out;
    }
    if (IsPaletteColorType(colorType)) {
        BrushGradient = 255;
        LastSeen[ttBrushGradient] = 255;
        LineAntiAlias = false;
        TextAntiAlias = false;
        // The shapes follow at once, silently: a shape drawn right after the switch would
        // otherwise write gradient colours where the format holds palette indices. The index is
        // kept inside the format's palette until the colour window follows the format.
        const int count = colorType == ctColors2 ? 2 : (colorType == ctColors16 ? 16 : 256);
        const TColor index = panelColor & TColor(count - 1);
        ApplyPaletteShapeRule(Rect, index);
        ApplyPaletteShapeRule(Ellipse, index);
        GradientMode = gmSolid;
        out.PaletteRulesApplied = true;
    } else {
        UseTrueColorFill(Rect);
        UseTrueColorFill(Ellipse);
    }
    if (ToolId == tiText) {
        ToolId = tiNone;
        out.TextToolEnded = true;
        out.CommitAllTexts = document != LastDocument;
    }
    LastDocument = document;
    LastFormatIndex = index;
    LastColorType = colorType;
    return out;
}

void TToolSettings::ForgetDocument(const void* document)
{
    if (document && document == LastDocument) {
        LastDocument = nullptr;
        LastFormatIndex = -1;
        LastColorType = -1;
    }
}

// ---- refusals ----

TColorTypeSource ColorTypeSourceOf(TOptionControl control)
{
    switch (control) {
    case ocBrushGradient:
    case ocLineAntiAlias:
    case ocTextAntiAlias:
        return csActiveFormat;
    default:
        return csColorPanel;
    }
}

TRefusal CheckOptionChange(TOptionControl control, int32_t colorType, int value)
{
    TRefusal r;
    if (!IsPaletteColorType(colorType)) return r;
    const QString message = QStringLiteral("Message");
    switch (control) {
    case ocBrushGradient:
        if (value == 255) return r;
        r = {true, AntiAliasRefusalText, QStringLiteral("Anti Aliasing"), raSoftnessBack255};
        break;
    case ocLineAntiAlias:
        if (!value) return r;
        r = {true, AntiAliasRefusalText, QStringLiteral("Anti Aliasing"), raUncheck};
        break;
    case ocTextAntiAlias:
        if (!value) return r;
        r = {true, AntiAliasRefusalText, QStringLiteral("Anti Aliasing"), raUncheckThenPaletteChanged};
        break;
    case ocEllipseType:
        if (value != stOutlineAndFill) return r;
        r = {true, ShapeTypeRefusalText, message, raPageRefresh};
        break;
    case ocRectType:
        if (value != stOutlineAndFill) return r;
        r = {true, QString(), QString(), raPageRefresh};
        break;
    case ocEllipseGradient:
        if (!value) return r;
        r = {true, ShapeGradientRefusalText, message, raPageRefresh};
        break;
    case ocRectGradient:
        if (!value) return r;
        r = {true, QString(), QString(), raPageRefresh};
        break;
    case ocEllipseAntiAlias:
    case ocRectAntiAlias:
        if (!value) return r;
        r = {true, ShapeAntiAliasRefusalText, message, raPageRefresh};
        break;
    case ocRectSwatch:
    case ocEllipseSwatch:
        r = {true, SwatchRefusalText, message, raNothingElse};
        break;
    }
    return r;
}
