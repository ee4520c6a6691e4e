#pragma once
// The current tool and every tool option, without the window that shows them. The tools window
// edits one instance (ToolSettings()); the document window and the painting tools read it live at
// each mouse event and keep no copy, so an option changed in the window acts on the very next
// press. The rules that decide what a change does (ranges, the palette formats' refusals, the
// text tool's lock, the shape pages' layout) live here so that they can be tested without widgets.
#include <array>
#include <cstdint>

#include <QFont>
#include <QString>

#include "imaging/gradient_shapes.h"
#include "imaging/paint.h"
#include "model/tool_ids.h"
#include "platform/bitmap24.h"
#include "platform/color.h"

// A numeric option's range and its value in a new settings object.
struct TOptionRange {
    int Min;
    int Max;
    int Default;
    constexpr int Clamp(int value) const { return value < Min ? Min : (value > Max ? Max : value); }
};

namespace ToolRange {
constexpr TOptionRange PencilSize{1, 15, 1};
constexpr TOptionRange BrushSize{1, 7, 3};
// Brush softness: 255 is a hard edge.
constexpr TOptionRange BrushGradient{1, 255, 32};
constexpr TOptionRange EraserSize{1, 15, 1};
constexpr TOptionRange BucketTolerance{0, 255, 32};
constexpr TOptionRange LineSize{1, 15, 1};
// The text frame's centre and angle have no range of their own; these keep the geometry sane.
constexpr TOptionRange TextPosition{-100000, 100000, 0};
constexpr TOptionRange TextSize{4, 1000, 32};
constexpr TOptionRange TextAngle{-100000, 100000, 0};
constexpr TOptionRange ShapeType{0, 2, 1};
constexpr TOptionRange BorderSize{1, 15, 1};
constexpr TOptionRange RectRound{0, 255, 0};
constexpr TOptionRange GradientStyle{1, 4, 1};
// The font window's point size.
constexpr TOptionRange FontSize{3, 999, 8};
} // namespace ToolRange

// The text tool's text in a new settings object.
inline const QString DefaultToolText = QStringLiteral("Hello");

// The tool ids that can be current (the gaps of TToolId are never stored).
bool IsToolId(int id);

// The six track bars of the option pages, whose last-seen positions decide whether a change acts.
enum TToolTrack : int {
    ttPencilSize = 0,
    ttBrushSize,
    ttBrushGradient,
    ttEraserSize,
    ttBucketTolerance,
    ttLineSize,
    ttTrackCount
};
const TOptionRange& TrackRange(TToolTrack track);

// Shape types of the rectangle and ellipse tools (the items of the type combos) are the shape
// renderer's: stOutline, stOutlineAndFill, stFill.
// The shape renderer's fill modes; styles 1..4 of the pages give modes 1..4.
enum TGradientMode : int { gmSolid = 0, gmVertical = 1, gmHorizontal = 2, gmBox = 3, gmRadial = 4 };

// The width of the gradient strips the shape renderer samples.
constexpr int GradientStripWidth = 512;

// One shape page: the rectangle's or the ellipse's options.
struct TShapeOptions {
    int Type = ToolRange::ShapeType.Default;
    bool AntiAlias = true;
    int BorderSize = ToolRange::BorderSize.Default;
    // Corner radius; the rectangle's only.
    int Round = ToolRange::RectRound.Default;
    bool Gradient = true;
    // The style button that is down, 1..4.
    int Style = ToolRange::GradientStyle.Default;
    // A colour value; a palette index in the palette colour types.
    TColor FillColor = 0xFFFFFF;
    // While FillColor holds a palette index, the true-colour fill it stands in for, which comes
    // back when a true-colour format is current again.
    TColor TrueColorFill = 0xFFFFFF;
    bool FillIsIndex = false;
    // 512 x 1: the gradient of the page's gradient fills.
    Bitmap24 Strip{GradientStripWidth, 1};
};
enum TShapePage : int { spRect = 0, spEllipse = 1 };

// Which controls of a shape page are visible after a refresh.
struct TShapePageLayout {
    bool GradientBoxVisible = false;
    bool SwatchVisible = false;
    bool StylesVisible = false;
    bool BorderVisible = true;
    friend bool operator==(const TShapePageLayout&, const TShapePageLayout&) = default;
};

// A change of tool: where it came from and what the text-editing lock has to do.
struct TToolChange {
    int From = tiNone;
    int To = tiNone;
    bool TextLockOn = false;
    bool TextLockOff = false;
};

// What announcing a current format did.
struct TImageChange {
    // The same document, format and colour type as last time: nothing happened.
    bool Ignored = false;
    // A palette format: hard brush, no anti-aliasing, the shapes' palette rule applied.
    bool PaletteRulesApplied = false;
    // The text tool was left (tool 0, welcome page, text lock off).
    bool TextToolEnded = false;
    // Another document: every open document commits its pending text.
    bool CommitAllTexts = false;
};

// What moving one of the six track bars did.
struct TTrackOutcome {
    // The position equalled the last-seen one: nothing happened.
    bool Ignored = false;
    // The palette formats refuse soft brushes: the track bar goes back to 255 (message shown).
    bool Refused = false;
    // The page's preview is drawn again (every track bar but the bucket's).
    bool RedrawPreview = false;
};

class TToolSettings {
public:
    // Every option at its default; both gradient strips rendered from the first preset.
    TToolSettings();

    // ---- the current tool ----
    int ToolId = tiNone;
    // A tool button was clicked and is now down (or up): the tool becomes its id (or none).
    TToolChange ToolButtonClicked(int buttonId, bool nowDown);
    // Leaves the text tool without committing; does nothing under another tool.
    TToolChange EndTextTool();

    // ---- stroke tools ----
    int PencilSize = ToolRange::PencilSize.Default;
    int BrushSize = ToolRange::BrushSize.Default;
    int BrushGradient = ToolRange::BrushGradient.Default;
    int EraserSize = ToolRange::EraserSize.Default;
    int BucketTolerance = ToolRange::BucketTolerance.Default;
    int LineSize = ToolRange::LineSize.Default;
    bool LineAntiAlias = false;

    int Track(TToolTrack track) const;
    // Stores a value clamped to the track bar's range.
    void SetTrack(TToolTrack track, int value);
    // The last position each track bar was handled at; the window seeds them on its first show.
    std::array<int, ttTrackCount> LastSeen{};
    void SeedLastSeen();
    // A track bar moved to Position; ActiveColorType is the active format's colour type (5 when
    // no document is open), which decides whether a soft brush is refused.
    TTrackOutcome TrackMoved(TToolTrack track, int position, int32_t activeColorType);

    // ---- text tool ----
    QString TextText = DefaultToolText;
    QFont TextFont;
    bool TextAntiAlias = false;
    // The text frame's centre in image pixels, its size and its angle in degrees.
    int TextX = ToolRange::TextPosition.Default;
    int TextY = ToolRange::TextPosition.Default;
    int TextW = ToolRange::TextSize.Default;
    int TextH = ToolRange::TextSize.Default;
    int TextAngle = ToolRange::TextAngle.Default;
    // The document mirrors its frame here (values clamped to their ranges).
    void SetTextPlacement(int x, int y, int angle, int height, int width);
    // The five spin edits' texts (x, y, width, height, angle): taken only when every one is a whole
    // number; false (nothing changed) otherwise.
    bool ApplyTextPlacement(const QString& x, const QString& y, const QString& width, const QString& height,
                            const QString& angle);

    // ---- shape tools ----
    TShapeOptions Rect;
    TShapeOptions Ellipse;
    // The fill mode for both shapes: whichever page was refreshed last decides it.
    int GradientMode = gmVertical;
    TShapeOptions& Shape(TShapePage page) { return page == spRect ? Rect : Ellipse; }
    const TShapeOptions& Shape(TShapePage page) const { return page == spRect ? Rect : Ellipse; }
    // The option rules a page refresh applies before drawing: under a palette colour type of the
    // colour window no gradient, no anti-aliasing and no outline-and-fill, and a fill-only shape
    // takes the panel's colour (its palette index); then GradientMode and the page's layout.
    TShapePageLayout RefreshShapePage(TShapePage page, int32_t panelColorType, TColor panelColor);
    // A gradient chosen in the gradient editor: rendered into the page's strip. An empty list
    // leaves the strip as it was.
    void SetShapeGradient(TShapePage page, TNodeArray nodes);

    // ---- the current format ----
    // Identity of the document last announced (any pointer; null at creation), its format index
    // and colour type (-1 at creation).
    const void* LastDocument = nullptr;
    int LastFormatIndex = -1;
    int32_t LastColorType = -1;
    // A document made a format current. PanelColor is the colour window's colour, which a palette
    // format's fill-only shapes take (as an index into its palette).
    TImageChange ActiveImageChanged(const void* document, int index, int32_t colorType, TColor panelColor);
    // The document went away: a new document at the same address counts as another document.
    void ForgetDocument(const void* document);

    // The fill of each colour type is kept apart: a palette index written into a shape's fill
    // keeps the true-colour fill aside, and a true-colour type takes it back.
    static void SetPaletteFill(TShapeOptions& shape, TColor index);
    static void UseTrueColorFill(TShapeOptions& shape);

private:
    // The palette rule of the shape pages, applied to one page.
    void ApplyPaletteShapeRule(TShapeOptions& shape, TColor panelColor);
};

// The instance the program uses: the tools window shows and edits it, the tools read it.
TToolSettings& ToolSettings();

// ---- the palette formats' refusals ----

// The controls whose changes a palette format (colour types 1 to 3) may refuse.
enum TOptionControl : int {
    ocBrushGradient = 0, // value: the new softness
    ocLineAntiAlias,     // value: 1 when being checked
    ocTextAntiAlias,
    ocEllipseType,       // value: the item chosen
    ocRectType,
    ocEllipseGradient,   // value: 1 when being checked
    ocRectGradient,
    ocEllipseAntiAlias,
    ocRectAntiAlias,
    ocRectSwatch,        // value: ignored (a click)
    ocEllipseSwatch,
};

// Where a control asks for the colour type: the active format (the main window's ActiveColorType:
// brush softness, line and text anti-aliasing) or the colour window (the shape pages).
enum TColorTypeSource : int { csActiveFormat = 0, csColorPanel = 1 };
TColorTypeSource ColorTypeSourceOf(TOptionControl control);

// What happens after a refusal.
enum TRefusalAfter : int {
    raNone = 0,
    // Track bar and spin edit back to 255 without running their handlers; last-seen 255.
    raSoftnessBack255,
    // The box is unchecked again (no preview redraw).
    raUncheck,
    // The box is unchecked, then the main window's PaletteChanged runs.
    raUncheckThenPaletteChanged,
    // The page refresh undoes the change.
    raPageRefresh,
    // Only the message.
    raNothingElse,
};

struct TRefusal {
    bool Refused = false;
    // Empty for the silent refusals.
    QString Message;
    QString Caption;
    TRefusalAfter After = raNone;
};

// The refusal, if any, of changing Control to Value under ColorType (asked from the control's
// source). True-colour types refuse nothing.
TRefusal CheckOptionChange(TOptionControl control, int32_t colorType, int value);

// The message texts, as the user sees them.
extern const QString AntiAliasRefusalText;      // caption "Anti Aliasing"
extern const QString ShapeTypeRefusalText;      // caption "Message"
extern const QString ShapeGradientRefusalText;  // caption "Message"
extern const QString ShapeAntiAliasRefusalText; // caption "Message"
extern const QString SwatchRefusalText;         // caption "Message"

// A spin edit's text read as the program reads spin edits: a whole number, saturating, clamped
// to the range; anything else gives the range's minimum.
int SpinTextValue(const QString& text, const TOptionRange& range);
