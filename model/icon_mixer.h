#pragma once
// The rules of the icon mixer, without widgets: every open icon is one layer; each layer can be
// moved, flipped, turned, zoomed and faded; the mix is made for every size that all layers share,
// the first layer in front. The dialog only shows these and routes the user's clicks here.
//
// All working pictures live in 800 x 800 bitmaps made once per mixer, and every layer keeps its
// transformed picture of each size, so a re-mix after a click allocates nothing and transforms
// only the layer that changed.
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <QString>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "platform/color.h"

// A layer's picture of one shared size as last made, with the settings it was made from, so a
// re-mix redoes only what a change touched: nothing for an unchanged layer, the shift alone when
// only the offsets moved. Held while the documents stay unchanged (the mixer is modal).
struct TMixerLayerPicture {
    const TIconImageRec* Source = nullptr;
    int32_t Width = 0;
    int32_t Height = 0;
    uint8_t FlipVertical = 0;
    uint8_t FlipHorizontal = 0;
    int32_t Angle = 0;
    int32_t Zoom = 0;
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
    bool Turned = false; // TurnedColour/TurnedMask: flipped, turned and zoomed
    bool Placed = false; // Layer: the turned picture shifted by the offsets
    // Names this Layer among every picture the mixer has made; a new picture, a new stamp.
    uint64_t Stamp = 0;
    Bitmap24 TurnedColour;
    Bitmap24 TurnedMask;
    TIconImageRec Layer;
};

// One layer: a document's formats (not owned) and the user's settings for it.
struct TMixerItem {
    QString Name;
    const TIconImageArray* Images = nullptr;
    // 32 x 32 picture for the list; null for a document without formats.
    std::unique_ptr<Bitmap24> Thumbnail;
    // Per shared size, the index in Images of the format used.
    std::vector<int32_t> Selection;
    int32_t OffsetX = 0;   // -256..256
    int32_t OffsetY = 0;   // -256..256, down positive
    uint8_t FlipVertical = 0;
    uint8_t FlipHorizontal = 0;
    int32_t Angle = 0;     // 0..359, counter-clockwise
    int32_t Zoom = 0;      // pixels added to each side; negative removes
    int32_t Opacity = 255; // 0..255
    // Per shared size, the layer's ready picture; travels with the layer when the order changes.
    std::vector<TMixerLayerPicture> Pictures;
};

// Texts the mixer shows.
inline const char* const MixerCaption = "Icons Mixer";
inline const char* const MixerTooFewText = "At least two icons opening.";
inline const char* const MixerNoSizeText = "No same size in icons, can not be mixed!";
// The file name of the mixed document.
inline const char* const MixerFileName = "qv mixer icon";

// A layer's name: the file name, else the library icon's name, else "QV Icon".
QString MixerItemName(const QString& fileName, const QString& libIconName);
// The format a layer's thumbnail shows (-1 for none): 32 x 32 when there is one, else the first
// larger size, else the first of at least 24, else the first format's place; among that size the
// first 32-bit, else the last 24-bit, 256-, 16-colour one.
int ChooseThumbnailImage(const TIconImageArray& images);
// The first format of exactly W x H with the highest colour type; -1 when there is none.
int BestImageOfSize(const TIconImageArray& images, int width, int height);

// The opacity bar's picture: a 4-pixel checkerboard fading from light at the left to black at the
// right.
Bitmap24 MakeOpacityBar(int width, int height);
// The opacity a press at X on a bar Width wide gives (clamped to 0..255); -1 when X < 0 (no change).
int OpacityAtBar(int x, int width);
// Where the bar's marker stands for opacity V.
int OpacityMarkerLeft(int v, int width);

class TIconMixer {
public:
    static constexpr int WorkSide = 800;

    TIconMixer();

    std::vector<TMixerItem> Items;

    // Adds a layer for a document; its thumbnail is drawn at once.
    TMixerItem& AddItem(const QString& name, const TIconImageArray& images);
    void Clear()
    {
        Items.clear();
        steps_.clear();
    }

    // Lists the sizes every layer holds, in the first layer's order, and fills each layer's
    // Selection with its best format of each. False when there are two or more layers and no
    // size is shared (the caller says so); with fewer layers nothing is done and true comes back.
    bool FindCommonSizes();
    int SizeCount() const;
    // Width and height of shared size K.
    int SizeWidth(int k) const;
    int SizeHeight(int k) const;
    // Height of the view that shows every mix: the sum of (height + 22).
    int ViewHeight() const;

    // Mixes shared size K into Target (whose bitmaps must be at least that size): white and fully
    // transparent, then each layer in list order laid behind what is already there.
    void MixSize(int k, TIconImageRec& target);
    // The mix of size K as a format of its own, 32 bits, W x H.
    TIconImageRec MixedFormat(int k);
    // Forgets every layer's ready pictures and the mixes made of them; the next mix transforms and
    // lays all layers afresh.
    void ForgetPictures();

    // Moves layer From to To (one step up or down), keeping every layer's data together. False
    // when the move is not possible.
    bool MoveLayer(int from, int to);

    // The layer settings the tool buttons change; each is false when nothing changed (no such
    // item, or a bound reached).
    bool MoveUp(int item);
    bool MoveDown(int item);
    bool MoveLeft(int item);
    bool MoveRight(int item);
    bool ToggleFlipHorizontal(int item);
    bool ToggleFlipVertical(int item);
    bool Rotate90CCW(int item);
    bool Rotate90CW(int item);
    bool SetAngle(int item, int angle);
    bool ZoomIn(int item);
    bool ZoomOut(int item);
    bool SetOpacity(int item, int opacity);

    // "Mixer Icon(" + each layer's name and a blank + ")".
    QString MixCaption() const;

    // The working records; MixView receives each mix for display.
    TIconImageRec MixView;
    TIconImageRec MixLayer;
    Bitmap24 MixScratch;

private:
    // One size's mix as it stood after each layer was laid, with the picture and opacity of every
    // layer laid so far: a change to a layer lays again only that layer and the ones behind it.
    struct TMixSteps {
        int Width = 0;
        int Height = 0;
        std::vector<std::pair<uint64_t, int32_t>> Laid; // picture stamp, opacity
        std::vector<Bitmap24> Colour;
        std::vector<Bitmap24> Mask;
    };
    std::vector<TMixSteps> steps_;
    uint64_t lastStamp_ = 0;

    TMixerItem* At(int item);
    // The layer transform: the layer picture in MixLayer (W x H at the origin) by an item's
    // settings, in the order flip vertical, flip horizontal, rotate, zoom. Its last step, the
    // shift, is done where the layer is placed, on the kept copy, so that moving a layer does not
    // transform it again.
    void TransformLayer(const TMixerItem& item, int width, int height);
    void ZoomLayer(int zoom, int width, int height);
    // Item's picture of shared size K from format F, W x H, made again only where its settings
    // differ from the ones it was made with.
    const TMixerLayerPicture& LayerPicture(TMixerItem& item, int k, const TIconImageRec& f, int width, int height);
};
