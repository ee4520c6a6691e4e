#include "workspace/preview_form.h"

#include <QAction>
#include <QPixmap>

#include "imaging/compositing.h"
#include "imaging/imaging_state.h"
#include "workspace/peers.h"
#include "workspace/swatch_bar.h"

Tfrm_preview* frm_preview = nullptr;

Rect PreviewTarget(int width, int height)
{
    constexpr int side = Tfrm_preview::PictureSize;
    const int left = (side - width) / 2;
    const int top = (side - height) / 2;
    return MakeRect(left, top, left + width, top + height);
}

Tfrm_preview::Tfrm_preview(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_preview"), parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    frm_preview = this;
    SnapToEdges = true;
    RememberPlacement = true;
    setWindowTitle(QStringLiteral("Preview"));
    setFixedSize(ClientWidth, ClientHeight);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, PictureSize, PictureSize);
    Image2 = new TSwatchBar(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->move(56, 259);
    connect(Image2, &TSwatchBar::Picked, this, &Tfrm_preview::Redraw);

    DocumentPeers().PreviewShowImage = [this](const TIconImageArray* formats, int index) { ShowImage(formats, index); };
    DocumentPeers().PreviewForgetFormats = [this](const TIconImageArray* formats) { ForgetFormats(formats); };
}

Tfrm_preview::~Tfrm_preview()
{
    if (frm_preview != this) return;
    frm_preview = nullptr;
    DocumentPeers().PreviewShowImage = nullptr;
    DocumentPeers().PreviewForgetFormats = nullptr;
}

void Tfrm_preview::ShowImage(const TIconImageArray* formats, int index)
{
    ShownFormats_ = formats;
    ShownIndex_ = index;
    Redraw();
}

void Tfrm_preview::Redraw()
{
    if (!ShownFormats_ || ShownFormats_->IsEmpty()) return;
    // Every edit of the active format lands here; while the window is hidden the picture is only
    // drawn when someone looks at it.
    pictureStale_ = true;
    labelStale_ = true;
    if (isVisible()) ShowPicture();
}

void Tfrm_preview::DrawPicture() const
{
    pictureStale_ = false;
    if (!ShownFormats_ || ShownFormats_->IsEmpty()) return;
    const TIconImageRec* f = ShownFormats_->At(ShownIndex_);
    if (!f) return;
    picture_.Fill(0xFFFFFF);
    DrawIconImage(picture_, PreviewTarget(f->Width, f->Height), Imaging().BackgroundColor, *f);
}

const Bitmap24& Tfrm_preview::Picture() const
{
    if (pictureStale_) DrawPicture();
    return picture_;
}

void Tfrm_preview::PickBackground(int x)
{
    // The swatch bar sets the colour (and asks Redraw when it did); a press past the swatches
    // still redraws.
    Image2->PickAt(x);
    Redraw();
}

void Tfrm_preview::ForgetFormats(const TIconImageArray* formats)
{
    if (!formats || formats != ShownFormats_) return;
    ShownFormats_ = nullptr;
    ShownIndex_ = 0;
    // What stays on screen must not be a picture of an icon that is no longer open.
    pictureStale_ = false;
    picture_.Fill(0xFFFFFF);
    labelStale_ = true;
    if (isVisible()) ShowPicture();
}

void Tfrm_preview::ShowPicture()
{
    labelStale_ = false;
    Image1->setPixmap(QPixmap::fromImage(Picture().ToQImage()));
}

void Tfrm_preview::setVisible(bool visible)
{
    if (visible && labelStale_) ShowPicture();
    Tfrm_base::setVisible(visible);
    if (const auto& shown = FramePeers().PreviewShown) shown(isVisible());
}
