#pragma once
// The floating "Preview" window: the current format of the active icon at its real size over
// the shared background colour, which the swatches under the picture choose. The document
// windows feed it; View > Preview Window shows and hides it.
#include <QLabel>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "workspace/base_form.h"

class TSwatchBar;

// Where a format of that size sits in the 256 x 256 picture: centred, its own size.
Rect PreviewTarget(int width, int height);

class Tfrm_preview : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 257;
    static constexpr int ClientHeight = 272;
    static constexpr int PictureSize = 256;

    explicit Tfrm_preview(QWidget* parent = nullptr);
    ~Tfrm_preview() override;

    // Shows format Index of Formats (a document's own array, not copied) from now on.
    void ShowImage(const TIconImageArray* formats, int index);
    // Draws the stored format again; nothing when there is none or the index is not in the array.
    void Redraw();
    // A press on the swatches at x.
    void PickBackground(int x);
    // The document that owns Formats is going away: nothing is drawn from it any more.
    void ForgetFormats(const TIconImageArray* formats);

    const TIconImageArray* ShownFormats() const { return ShownFormats_; }
    int ShownIndex() const { return ShownIndex_; }
    // The picture of the stored format as it is now (drawn here when the hidden window put it off).
    const Bitmap24& Picture() const;

    void setVisible(bool visible) override;

    QLabel* Image1 = nullptr;
    TSwatchBar* Image2 = nullptr;

private:
    void DrawPicture() const;
    void ShowPicture();

    const TIconImageArray* ShownFormats_ = nullptr;
    int ShownIndex_ = 0;
    mutable Bitmap24 picture_{PictureSize, PictureSize};
    mutable bool pictureStale_ = false; // a redraw put off while hidden
    bool labelStale_ = true;            // the picture on screen is not yet picture_
};

// The one preview window while it exists.
extern Tfrm_preview* frm_preview;
