#pragma once
// What the paste window does, without its widgets: it lays the clipboard picture over the current
// format through a move-and-scale frame, shows the result at a view zoom, offers four palette
// versions of it on the palette formats, and writes the chosen result into the format.
//
// Coordinates: image pixels are pixels of the target format; view pixels are pixels of the view
// (ViewBitmap). The frame lives in view pixels; TargetView is where the format is drawn in the
// view. Ratios are thousandths: 1000 puts one clipboard pixel on one image pixel.
//
// The picture may be far larger than any format (a 5,000 x 5,000 plain picture from another
// program): a drag recomposes with a nearest-pixel draft that costs only the format's pixels, and
// every settled state (release, buttons, controls, commit) resamples properly.
#include <array>
#include <cstdint>

#include "imaging/icon_image.h"
#include "model/rotate_frame.h"
#include "platform/bitmap24.h"
#include "platform/rect.h"

namespace PasteGeometry {

constexpr int MinRatio = 1;
constexpr int MaxRatio = 10000;
// The height ratio's spin edit stops well below its track bar.
constexpr int MaxHRatioSpin = 2000;
constexpr int DefaultRatio = 1000;
// Room left around the format when the window opens.
constexpr int ViewMargin = 100;

// The zoom a showing starts from: min((box width - 100) div w, (box height - 100) div h), at
// least 1 (every format fits the view at 1), and 1 for a size of 0 or less.
double InitialZoom(int boxWidth, int boxHeight, int width, int height);
// Where a w x h format is drawn at this zoom, centred in the box (halves rounded to even).
Rect TargetView(int boxWidth, int boxHeight, int width, int height, double zoom);

// The frame the controls ask for: its top-left at (x, y) (each held to +-100000), width
// round(clip width x zoom x wRatio / 1000); with the lock the height keeps the picture's aspect
// (w x clip height div clip width), without it round(clip height x zoom x hRatio / 1000).
Rect FrameFromControls(int x, int y, int wRatio, int hRatio, bool ratioLock, int clipWidth, int clipHeight,
                       double zoom);

// What the controls show for a frame (its placement's centre and size): the top-left corner and
// both ratios round(side x 1000 / zoom / clip side), held to 1..10000.
struct TRatioControls {
    int X = 0;
    int Y = 0;
    int WRatio = DefaultRatio;
    int HRatio = DefaultRatio;
    friend bool operator==(const TRatioControls&, const TRatioControls&) = default;
};
TRatioControls ControlsFromFrame(int centreX, int centreY, int width, int height, int clipWidth, int clipHeight,
                                 double zoom);

// What one composition takes: the part of the picture under the frame's visible part (Source, in
// picture pixels) and where it lands in the format (Dest, in image pixels). Valid is false when
// the frame misses the format or has no size: the result is then the format itself.
struct TComposePlan {
    bool Valid = false;
    Rect Source;
    Rect Dest;
};
TComposePlan PlanCompose(const Rect& frame, const Rect& targetView, int clipWidth, int clipHeight, double zoom);

// The variant panel: cells 0..3, caption boxes 4..7, selection frames 8..11, in the coordinates of
// the variant picture (Image1). True colour: one cell centred in the panel. Palette formats up to
// 48 x 48: a 2 x 2 grid; larger: a row that scrolls.
constexpr int PanelWidth = 369;
constexpr int PanelHeight = 295;
constexpr int VariantImageWidth = 1048;
constexpr int VariantImageHeight = 294;
constexpr int GridLimit = 48;
struct TVariantLayout {
    std::array<Rect, 12> Rects{};
    bool ScrollBarVisible = false;
    // How far the row reaches: (max(w, 100) + 8) x 4.
    int ScrollMax = 0;
};
TVariantLayout LayoutVariants(int32_t colorType, int width, int height);
// The first variant 0..3 whose selection frame holds the point; -1 when none does.
int VariantAt(const TVariantLayout& layout, int x, int y);

} // namespace PasteGeometry

// The four palette versions: palette kept or rebuilt, without or with dithering.
struct TPasteVariant {
    int PaletteMode;
    int Dither;
    const char* Line1;
    const char* Line2;
};
const std::array<TPasteVariant, 4>& PasteVariants();

class TPasteFrame {
public:
    static constexpr int ViewWidth = 361;
    static constexpr int ViewHeight = 489;

    // ---- inputs ----
    // The format to paste into; kept as a pointer, never owned.
    TIconImageRec* Target = nullptr;
    // The clipboard picture and its mask (owned by the clipboard object).
    const Bitmap24* ClipColor = nullptr;
    const Bitmap24* ClipMask = nullptr;
    Rect ClipRect;

    // ---- state ----
    Rect TargetRect;
    Rect TargetView;
    double ViewZoom = 1;
    TRotateFrame Frame;
    int FrameCX = 0, FrameCY = 0, FrameW = 0, FrameH = 0, FrameAngle = 0;
    TIconImageRec TrueColorCopy;
    TIconImageRec Layer;
    Bitmap24 CompositePreview;
    Bitmap24 ViewBitmap;
    int SelectedVariant = 0;
    std::array<TIconImageRec, 4> Variants;
    std::array<Bitmap24, 4> VariantPreviews;
    PasteGeometry::TVariantLayout VariantLayout;
    // The variant picture (Image1) as last drawn.
    Bitmap24 VariantImage;
    // The panel's colour behind the variants.
    TColor PanelColor = 0xF0F0F0;
    // True while Layer holds a drag's nearest-pixel draft rather than a proper resample.
    bool LayerIsDraft = false;

    // Takes the picture and the target and prepares everything, the frame at one clipboard pixel
    // per view pixel in the view's top-left corner. False, with nothing prepared, when there is no
    // picture (none, a mask of another size, a side of 0) or no usable target.
    bool Open(TIconImageRec* target, const Bitmap24* clipColor, const Bitmap24* clipMask, const Rect& clipRect,
              int viewWidth = ViewWidth, int viewHeight = ViewHeight);
    // Frees every working bitmap; the window is empty again.
    void Close();
    bool IsOpen() const { return open_; }

    int ClipWidth() const { return ClipRect.Width(); }
    int ClipHeight() const { return ClipRect.Height(); }
    bool IsPaletteTarget() const { return Target && IsPaletteColorType(Target->ColorType); }
    // Width / height of the picture, the aspect the lock keeps.
    double ClipAspect() const;

    // Places the frame on these corners (view pixels), rotation off.
    void SetFrameRect(const Rect& frame, double aspect);
    // The frame's placement read back as a rectangle; also stores FrameCX .. FrameAngle.
    Rect GetFrameRect();

    // TargetView from ViewZoom, keeping the frame and the controls.
    void LayoutView();
    // Recomposes the result into Layer and CompositePreview, then draws the view. A draft costs
    // only the format's pixels (for drags); otherwise the picture is resampled properly.
    void Compose(bool draft = false);
    // Draws the view: white, the picture in the frame, the result in TargetView, the frame, the red
    // outline of TargetView.
    void DrawView();
    // Quantises the four variants (palette formats) and draws the variant picture.
    void BuildVariants();
    void DrawVariants();
    // A release on the variant picture picks the variant under it; true when the choice changed.
    bool PickVariantAt(int x, int y);

    // The buttons: each places the frame; the caller then syncs its controls and recomposes.
    void FitWidth(bool ratioLock);
    void FitHeight(bool ratioLock);
    void ActualSize();
    // The zoom buttons; false when the zoom stays. TargetView follows; the frame stays in the view.
    bool ZoomIn();
    bool ZoomOut();
    // The frame from the controls (see PasteGeometry::FrameFromControls).
    void ApplyControls(int x, int y, int wRatio, int hRatio, bool ratioLock);
    // The controls for the frame as it is.
    PasteGeometry::TRatioControls Controls();

    // Writes the result into Target: the colours and mask of Layer (true colour) or the selected
    // variant's indices, Layer's mask and that variant's palette entries 0..255. Masks of types 1..4
    // keep only opaque and transparent. False, with the format untouched, when nothing is open.
    bool Commit();

private:
    // True when the frame-sized copies of the picture serve this frame, making them when a drag
    // has kept the frame's size since the last composition. Worth it only for pictures larger than
    // the frame: moves then read a small copy instead of pixels scattered over a large picture.
    bool UseFrameCopy(const Rect& frame);

    bool open_ = false;
    Bitmap24 frameColor_;
    Bitmap24 frameMask_;
    int lastFrameW_ = -1;
    int lastFrameH_ = -1;
};
