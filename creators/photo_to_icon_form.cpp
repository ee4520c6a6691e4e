// The photo-to-icon window; see photo_to_icon_form.h.
#include "creators/photo_to_icon_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "iconfiles/picture_file.h"
#include "imaging/compositing.h"
#include "imaging/imaging_state.h"
#include "imaging/resample.h"
#include "imaging/view_stretch.h"
#include "model/cartoon_render.h"
#include "model/document_model.h"
#include "model/photo_formats.h"
#include "platform/app_paths.h"
#include "platform/small_routines.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form_builder.h"
#include "platform/ui/frame_controls.h"
#include "platform/ui/spin_edit.h"
#include "workspace/format_strip.h"
#include "workspace/peers.h"
#include "workspace/swatch_bar.h"

// The view of the picture, the crop frame and the icon square; it shows ViewBitmap and hands
// the mouse to the window.
class TPhotoView : public QWidget {
public:
    explicit TPhotoView(Tfrm_PhotoToIcon* owner, QWidget* parent) : QWidget(parent), owner_(owner)
    {
        setObjectName(QStringLiteral("PaintBox1"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        if (owner_->ViewBitmap.IsEmpty())
            p.fillRect(rect(), Qt::white);
        else
            p.drawImage(0, 0, owner_->ViewBitmap.ConstImage());
    }
    void mousePressEvent(QMouseEvent* e) override { Forward(2, e); }
    void mouseMoveEvent(QMouseEvent* e) override { Forward(3, e); }
    void mouseReleaseEvent(QMouseEvent* e) override { Forward(1, e); }

private:
    void Forward(int kind, QMouseEvent* e)
    {
        owner_->ViewMouse(kind, int(e->position().x()), int(e->position().y()), e->buttons(), e->modifiers());
    }
    Tfrm_PhotoToIcon* owner_;
};

namespace {

// A swatch that opens the colour dialog on release, as the frame colour's shape does.
class TColorShape : public QToolButton {
public:
    TColor Color = 0;
    std::function<void()> Released;
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), ToQColor(Color));
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        QToolButton::mouseReleaseEvent(e);
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && Released) Released();
    }
};

void SetEnabled(std::initializer_list<QWidget*> widgets, bool enabled)
{
    for (QWidget* w : widgets) w->setEnabled(enabled);
}

// Draws a plus or minus glyph for the zoom and add/delete buttons.
QIcon SignGlyph(bool plus, bool magnifier)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, magnifier);
    QPen pen(QColor(0, 0, 128));
    pen.setWidth(2);
    p.setPen(pen);
    if (magnifier) {
        p.drawEllipse(QRectF(1.5, 1.5, 10, 10));
        p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        p.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
        if (plus) p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
    } else {
        p.drawLine(3, 8, 13, 8);
        if (plus) p.drawLine(8, 3, 8, 13);
    }
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

Tfrm_PhotoToIcon::Tfrm_PhotoToIcon(QWidget* parent) : Tfrm_base(QStringLiteral("frm_PhotoToIcon"), parent)
{
    setWindowTitle(QStringLiteral("Photo To Icon"));
    setFixedSize(ClientWidth, ClientHeight);
    Photo = Bitmap24(1, 1);
    Master = Bitmap24(MasterSize, MasterSize);
    Formats = PhotoFormats::DefaultFormats();
    FramesFolder = AppPaths::AssetPath(QStringLiteral("frames"));
    MakeControls();
    CartoonPeers().UpdateIconImages = [this] { UpdateIconImages(); };
}

Tfrm_PhotoToIcon::~Tfrm_PhotoToIcon() { CartoonPeers().UpdateIconImages = nullptr; }

void Tfrm_PhotoToIcon::MakeControls()
{
    TFormBuilder form(this);
    PaintBox1 = new TPhotoView(this, this);
    PaintBox1->setGeometry(8, 8, ViewWidth, ViewHeight);

    // ---- zoom and fit (Panel1) ----
    btn_ZoomIn = form.ToolButton(QStringLiteral("btn_ZoomIn"), QStringLiteral("Zoom In"), SignGlyph(true, true),
                                 QRect(8, 392, 26, 26));
    btn_ZoomOut = form.ToolButton(QStringLiteral("btn_ZoomOut"), QStringLiteral("Zoom Out"), SignGlyph(false, true),
                                  QRect(38, 392, 26, 26));
    btn_FitWidth = form.Button(QStringLiteral("btn_FitWidth"), QStringLiteral("Fit Width"), QRect(72, 392, 90, 26));
    btn_FitHeight = form.Button(QStringLiteral("btn_FitHeight"), QStringLiteral("Fit Height"), QRect(166, 392, 90, 26));
    btn_ActualSize = form.Button(QStringLiteral("btn_ActualSize"), QStringLiteral("Actual Size"), QRect(260, 392, 100, 26));
    connect(btn_ZoomIn, &QToolButton::clicked, this, &Tfrm_PhotoToIcon::btn_ZoomInClick);
    connect(btn_ZoomOut, &QToolButton::clicked, this, &Tfrm_PhotoToIcon::btn_ZoomOutClick);
    connect(btn_FitWidth, &QPushButton::clicked, this, &Tfrm_PhotoToIcon::btn_FitWidthClick);
    connect(btn_FitHeight, &QPushButton::clicked, this, &Tfrm_PhotoToIcon::btn_FitHeightClick);
    connect(btn_ActualSize, &QPushButton::clicked, this, &Tfrm_PhotoToIcon::btn_ActualSizeClick);

    // ---- crop controls (Panel8) ----
    form.Bevel(QStringLiteral("Panel8"), QRect(8, 424, ViewWidth, 94));
    form.Label(QStringLiteral("lbl_X"), QStringLiteral("X:"), 16, 434);
    spn_X = form.Spin(QStringLiteral("spn_X"), 0, 0, 0, QRect(34, 430, 70, 22));
    form.Label(QStringLiteral("lbl_Y"), QStringLiteral("Y:"), 116, 434);
    spn_Y = form.Spin(QStringLiteral("spn_Y"), 0, 0, 0, QRect(134, 430, 70, 22));
    chk_RatioLock = form.Check(QStringLiteral("chk_RatioLock"), QStringLiteral("Ratio Lock"), 230, 432, true);
    const TTrackRow w = form.TrackRow(QStringLiteral("WRatio"), QString(), PhotoCrop::MinRatio, PhotoCrop::MaxRatio,
                                      PhotoCrop::DefaultRatio, QRect(80, 460, 200, 24), 286, false);
    const TTrackRow h = form.TrackRow(QStringLiteral("HRatio"), QString(), PhotoCrop::MinRatio, PhotoCrop::MaxRatio,
                                      PhotoCrop::DefaultRatio, QRect(80, 488, 200, 24), 286, false);
    form.Label(QStringLiteral("lbl_WRatio"), QStringLiteral("W Ratio:"), QRect(12, 460, 64, 24),
               Qt::AlignLeft | Qt::AlignVCenter);
    lbl_HRatio = form.Label(QStringLiteral("lbl_HRatio"), QStringLiteral("H Ratio:"), QRect(12, 488, 64, 24),
                            Qt::AlignLeft | Qt::AlignVCenter);
    trc_WRatio = w.Track;
    spn_WRatio = w.Spin;
    trc_HRatio = h.Track;
    spn_HRatio = h.Spin;
    trc_WRatio->setObjectName(QStringLiteral("trc_WRatio"));
    spn_WRatio->setObjectName(QStringLiteral("spn_WRatio"));
    trc_HRatio->setObjectName(QStringLiteral("trc_HRatio"));
    spn_HRatio->setObjectName(QStringLiteral("spn_HRatio"));
    Placement = new TFrameControls(this);
    Placement->spn_X = spn_X;
    Placement->spn_Y = spn_Y;
    Placement->chk_RatioLock = chk_RatioLock;
    Placement->lbl_HRatio = lbl_HRatio;
    Placement->trc_WRatio = trc_WRatio;
    Placement->spn_WRatio = spn_WRatio;
    Placement->trc_HRatio = trc_HRatio;
    Placement->spn_HRatio = spn_HRatio;
    Placement->Connect();
    Placement->Reset(PhotoCrop::DefaultRatio);
    connect(Placement, &TFrameControls::Apply, this, &Tfrm_PhotoToIcon::ApplyFrameControls);

    // ---- open and reset (Panel4), OK and Cancel ----
    btn_OpenFile = form.Button(QStringLiteral("btn_OpenFile"), QStringLiteral("Open a Photo"), QRect(8, 528, 110, 26));
    btn_reset = form.Button(QStringLiteral("btn_reset"), QStringLiteral("Reset"), QRect(124, 528, 75, 26));
    connect(btn_OpenFile, &QPushButton::clicked, this, &Tfrm_PhotoToIcon::btn_OpenFileClick);
    connect(btn_reset, &QPushButton::clicked, this, &Tfrm_PhotoToIcon::btn_resetClick);
    const TButtonRow buttons = form.Buttons(QStringLiteral("btn_OK"), QStringLiteral("btn_Cancel"), QString(), 604, 528);
    btn_OK = buttons.Ok;
    btn_Cancel = buttons.Cancel;
    connect(btn_OK, &QPushButton::clicked, this, &QDialog::accept);

    // ---- output formats (Panel5) ----
    const int right = 378;
    FormatStrip = new TFormatStrip(this);
    FormatStrip->setObjectName(QStringLiteral("Panel5"));
    FormatStrip->setGeometry(right, 8, 2 * TFormatStrip::ButtonWidth + 337, 106);
    FormatStrip->Panel()->setObjectName(QStringLiteral("Panel3"));
    connect(FormatStrip, &TFormatStrip::CellPressed, this, &Tfrm_PhotoToIcon::SelectFormatAt);
    Image1 = new TSwatchBar(this);
    Image1->move(right, 120);
    connect(Image1, &TSwatchBar::Picked, this, &Tfrm_PhotoToIcon::DrawFormatStrip);
    btn_AddImage = form.ToolButton(QStringLiteral("btn_AddImage"), QStringLiteral("Add a new image format"),
                                   SignGlyph(true, false), QRect(right + 315, 116, 24, 24));
    btn_deleImage = form.ToolButton(QStringLiteral("btn_deleImage"), QStringLiteral("Delete the image format"),
                                    SignGlyph(false, false), QRect(right + 343, 116, 24, 24));
    connect(btn_AddImage, &QToolButton::clicked, this, &Tfrm_PhotoToIcon::btn_AddImageClick);
    connect(btn_deleImage, &QToolButton::clicked, this, &Tfrm_PhotoToIcon::btn_deleImageClick);

    // ---- compact cartoon controls (Panel2) ----
    form.Bevel(QStringLiteral("Panel2"), QRect(right, 146, 371, 200));
    chk_CartoonLike = form.Check(QStringLiteral("chk_CartoonLike"), QStringLiteral("Cartoon-like"), right + 8, 152);
    btn_CartoonMore = form.Button(QStringLiteral("btn_CartoonMore"), QStringLiteral("More Options"),
                                  QRect(right + 262, 150, 100, 25));
    Chk_DrawSketch = form.Check(QStringLiteral("Chk_DrawSketch"), QStringLiteral("Line Drawing"), right + 20, 178);
    const auto compactRow = [&](const QString& suffix, const QString& caption, int min, int max, int trackValue,
                                int spinValue, int y, QLabel*& label, TTrackBar*& track, TSpinEdit*& spin,
                                const QString& trackName, const QString& spinName) {
        const TTrackRow row = form.TrackRow(suffix, QString(), min, max, trackValue, QRect(right + 110, y, 180, 24),
                                            right + 298, false);
        label = form.Label(QStringLiteral("lbl_") + suffix, caption, QRect(right + 32, y, 74, 24),
                           Qt::AlignLeft | Qt::AlignVCenter);
        track = row.Track;
        spin = row.Spin;
        track->setObjectName(trackName);
        spin->setObjectName(spinName);
        spin->SetValue(spinValue);
    };
    compactRow(QStringLiteral("Detail"), QStringLiteral("Detail:"), 0, 1024, 115, 115, 200, lbl_Detail, Trc_Detail,
               Spn_Detail, QStringLiteral("Trc_Detail"), QStringLiteral("Spn_Detail"));
    compactRow(QStringLiteral("Darkness"), QStringLiteral("Darkness:"), 1, 256, 68, 68, 228, lbl_Darkness,
               Trc_Darkness, Spn_Darkness, QStringLiteral("Trc_Darkness"), QStringLiteral("Spn_Darkness"));
    Chk_Remain = form.Check(QStringLiteral("Chk_Remain"), QStringLiteral("Remain Dark Area"), right + 20, 258);
    compactRow(QStringLiteral("Threshold"), QStringLiteral("Threshold:"), 0, 254, 0, 0, 280, lbl_Threshold,
               Trc_Threshold, Spn_Threshold, QStringLiteral("Trc_Threshold"), QStringLiteral("Spn_Threshold"));
    chk_DrawColor = form.Check(QStringLiteral("chk_DrawColor"), QStringLiteral("Color"), right + 20, 298);
    compactRow(QStringLiteral("Reducer"), QStringLiteral("Reducer:"), 1, 254, 10, 1, 318, lbl_Reducer,
               trc_ColorReducer, Spn_ColorReducer, QStringLiteral("trc_ColorReducer"), QStringLiteral("Spn_ColorReducer"));
    // Off until "Cartoon-like" and their own boxes turn them on.
    SetEnabled({Chk_DrawSketch, Chk_Remain, chk_DrawColor, btn_CartoonMore, lbl_Detail, Trc_Detail, Spn_Detail,
                lbl_Darkness, Trc_Darkness, Spn_Darkness, lbl_Threshold, Trc_Threshold, Spn_Threshold, lbl_Reducer,
                trc_ColorReducer, Spn_ColorReducer},
               false);

    connect(chk_CartoonLike, &QCheckBox::toggled, this, [this] { chk_CartoonLikeClick(); });
    connect(Chk_DrawSketch, &QCheckBox::toggled, this, [this] { Chk_DrawSketchClick(); });
    connect(Chk_Remain, &QCheckBox::toggled, this, [this] { Chk_RemainClick(); });
    connect(chk_DrawColor, &QCheckBox::toggled, this, [this] { chk_DrawColorClick(); });
    connect(btn_CartoonMore, &QPushButton::clicked, this, &Tfrm_PhotoToIcon::btn_CartoonMoreClick);
    connect(Trc_Detail, &TTrackBar::Changed, this,
            [this] { CompactTrackChanged(Trc_Detail, Spn_Detail, LastDetail, TCartoonControl::Detail); });
    connect(Trc_Darkness, &TTrackBar::Changed, this,
            [this] { CompactTrackChanged(Trc_Darkness, Spn_Darkness, LastDarkness, TCartoonControl::Darkness); });
    connect(Trc_Threshold, &TTrackBar::Changed, this,
            [this] { CompactTrackChanged(Trc_Threshold, Spn_Threshold, LastThreshold, TCartoonControl::Threshold); });
    connect(trc_ColorReducer, &TTrackBar::Changed, this,
            [this] { CompactTrackChanged(trc_ColorReducer, Spn_ColorReducer, LastReducer, TCartoonControl::Reducer); });
    // The reducer takes only whole numbers; the others any text that is not empty (a text that is
    // no number standing for the minimum), as the options window does.
    connect(Spn_ColorReducer, &TSpinEdit::Changed, this, [this] {
        if (IsIntegerText(Spn_ColorReducer->Text()) && Spn_ColorReducer->Value() != trc_ColorReducer->Position())
            trc_ColorReducer->SetPosition(Spn_ColorReducer->Value());
    });
    for (auto [track, spin] : {std::pair{Trc_Detail, Spn_Detail}, std::pair{Trc_Darkness, Spn_Darkness},
                               std::pair{Trc_Threshold, Spn_Threshold}}) {
        connect(spin, &TSpinEdit::Changed, this, [track, spin] {
            if (!spin->Text().trimmed().isEmpty() && spin->Value() != track->Position()) track->SetPosition(spin->Value());
        });
    }

    // ---- frames (Panel6) ----
    form.Bevel(QStringLiteral("Panel6"), QRect(right, 352, 371, 166));
    chk_PhotoFrame = form.Check(QStringLiteral("chk_PhotoFrame"), QStringLiteral("Frame"), right + 8, 358);
    Label1 = form.Label(QStringLiteral("Label1"), QStringLiteral("Color:"), right + 100, 360);
    auto* shape = new TColorShape(this);
    shape->setObjectName(QStringLiteral("shp_FrameColor"));
    shape->setGeometry(right + 146, 358, 33, 17);
    shape->Color = FrameColor;
    shape->Released = [this] { shp_FrameColorClick(); };
    shp_FrameColor = shape;
    FramesStrip = new TFormatStrip(this);
    FramesStrip->setObjectName(QStringLiteral("FramesStrip"));
    FramesStrip->setGeometry(right, 384, 2 * TFormatStrip::ButtonWidth + 337, 106);
    FramesStrip->Panel()->setObjectName(QStringLiteral("Panel7"));
    FramesStrip->ScrollLeftButton()->setObjectName(QStringLiteral("SpeedButton8"));
    FramesStrip->ScrollRightButton()->setObjectName(QStringLiteral("SpeedButton9"));
    FramesStrip->StripImage()->setObjectName(QStringLiteral("img_frames"));
    connect(FramesStrip, &TFormatStrip::CellPressed, this, &Tfrm_PhotoToIcon::SelectFrameAt);
    connect(chk_PhotoFrame, &QCheckBox::clicked, this, [this] { UpdateIconImages(); });
}

// ---- picture ----

bool Tfrm_PhotoToIcon::LoadPicture(const QString& path)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Bitmap24 picture;
    const bool ok = PictureFile::IsPictureExtension(path) && PictureFile::LoadPicture(path, picture);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        MessageBox(this, path + QStringLiteral(" open failed."), QStringLiteral("Tavrin"));
        return false;
    }
    Photo = std::move(picture);
    return true;
}

bool Tfrm_PhotoToIcon::Execute() { return exec() == QDialog::Accepted; }

double Tfrm_PhotoToIcon::PictureAspect() const
{
    return Photo.Height() > 0 ? double(Photo.Width()) / Photo.Height() : 0;
}

// ---- reset and the crop frame ----

void Tfrm_PhotoToIcon::ResetDialog()
{
    FrameLoaded = false;
    LoadFrames();

    Chk_DrawSketch->setChecked(true);
    if (const auto& state = CartoonPeers().State) {
        const TCartoonControlState s = state();
        // "Color" is kept from one use to the next, as "Cartoon-like" and the options window are.
        chk_DrawColor->setChecked(s.DrawColor);
        Chk_Remain->setChecked(s.Remain);
        Trc_Detail->SetPosition(s.DetailPosition);
        Trc_Darkness->SetPosition(s.DarknessPosition);
        Trc_Threshold->SetPosition(s.ThresholdPosition);
        trc_ColorReducer->SetPosition(s.ReducerPosition);
    }

    Zoom = PhotoCrop::InitialZoom(ViewWidth, ViewHeight);
    ViewBitmap = Bitmap24(ViewWidth, ViewHeight);
    ResetFrame();

    Placement->Reset(PhotoCrop::DefaultRatio);

    DrawView();
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::ResetFrame()
{
    IconRect = PhotoCrop::IconRect(ViewWidth, ViewHeight, Zoom);
    const Rect frame = PhotoCrop::ResetFrame(IconRect, Zoom, Photo.Width(), Photo.Height());
    Placement->SetCorner(frame.Left, frame.Top);
    SetCropFrame(frame, PictureAspect());
}

void Tfrm_PhotoToIcon::SetCropFrame(const Rect& frame, double aspect)
{
    // The crop frame never turns: rotation stays off.
    CropFrame.SetFrame(false, frame.Left, frame.Top, frame.Right, frame.Bottom, 0.0, aspect);
}

Rect Tfrm_PhotoToIcon::GetFrameRect() const
{
    const TFramePlacement p = CropFrame.GetPlacement(1);
    return PhotoCrop::FrameRect(p.CentreX, p.CentreY, p.Width, p.Height);
}

void Tfrm_PhotoToIcon::SyncFrameControls()
{
    const TFramePlacement p = CropFrame.GetPlacement(1);
    FrameCentreX = p.CentreX;
    FrameCentreY = p.CentreY;
    FrameWidth = p.Width;
    FrameHeight = p.Height;
    FrameAngle = p.Angle;
    const PhotoCrop::TCropControls c =
        PhotoCrop::ControlsFromFrame(p.CentreX, p.CentreY, p.Width, p.Height, Photo.Width(), Photo.Height());
    Placement->Show(c.X, c.Y, c.WRatio, c.HRatio);
}

void Tfrm_PhotoToIcon::ApplyFrameControls()
{
    const bool lock = chk_RatioLock->isChecked();
    const Rect frame = PhotoCrop::FrameFromControls(spn_X->Value(), spn_Y->Value(), trc_WRatio->Position(),
                                                    trc_HRatio->Position(), lock, Photo.Width(), Photo.Height());
    SetCropFrame(frame, lock ? PictureAspect() : 0);
    DrawView();
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::ZoomChanged()
{
    IconRect = PhotoCrop::IconRect(ViewWidth, ViewHeight, Zoom);
    DrawView();
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::btn_ZoomInClick()
{
    Zoom = PhotoCrop::ZoomIn(Zoom);
    ZoomChanged();
}

void Tfrm_PhotoToIcon::btn_ZoomOutClick()
{
    const double before = Zoom;
    Zoom = PhotoCrop::ZoomOut(Zoom);
    if (Zoom != before) ZoomChanged();
}

void Tfrm_PhotoToIcon::AfterFrameButton()
{
    SyncFrameControls();
    DrawView();
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::btn_FitWidthClick()
{
    SetCropFrame(PhotoCrop::FitWidth(IconRect, Photo.Width(), Photo.Height()),
                 chk_RatioLock->isChecked() ? PictureAspect() : 0);
    AfterFrameButton();
}

void Tfrm_PhotoToIcon::btn_FitHeightClick()
{
    SetCropFrame(PhotoCrop::FitHeight(IconRect, Photo.Width(), Photo.Height()),
                 chk_RatioLock->isChecked() ? PictureAspect() : 0);
    AfterFrameButton();
}

void Tfrm_PhotoToIcon::btn_ActualSizeClick()
{
    SetCropFrame(PhotoCrop::ActualSize(IconRect, Photo.Width(), Photo.Height()), 0);
    AfterFrameButton();
}

void Tfrm_PhotoToIcon::btn_resetClick()
{
    ResetFrame();
    DrawView();
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::btn_OpenFileClick()
{
    const auto& open = FramePeers().OpenPictureDialog;
    QString path;
    if (!open || !open(this, path)) return;
    LoadPicture(path);
    // Also after a failed load: the previous picture starts over.
    ResetDialog();
}

// ---- the view ----

void Tfrm_PhotoToIcon::ViewMouse(int kind, int x, int y, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    if (kind == 2) {
        CropFrame.MouseEvent(TRotateFrame::mkPress, x, y, buttons);
        NotDragging = false;
        return;
    }
    if (kind == 3) {
        if (!NotDragging && !(buttons & Qt::LeftButton)) {
            // The release went elsewhere: the drag is over.
            EndDrag();
            return;
        }
        if (CropFrame.MouseEvent(TRotateFrame::mkMove, x, y, buttons) >= 0) {
            SyncFrameControls();
            DrawView();
        }
        return;
    }
    if (!NotDragging) EndDrag();
}

void Tfrm_PhotoToIcon::EndDrag()
{
    NotDragging = true;
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::DrawView()
{
    if (ViewBitmap.IsEmpty()) return;
    ViewBitmap.Fill(0xFFFFFF);
    StretchNearestClipped(Photo, ViewBitmap, GetFrameRect());
    {
        QImage image = ViewBitmap.Image();
        QPainter p(&image);
        CropFrame.Draw(p, QColor(Qt::white));
        p.setPen(QPen(ToQColor(0x0000FF), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(IconRect.Left, IconRect.Top, IconRect.Width() - 1, IconRect.Height() - 1);
    }
    PaintBox1->update();
}

// ---- rendering ----

void Tfrm_PhotoToIcon::UpdateIconImages()
{
    const PhotoCrop::TCropPlan plan = PhotoCrop::PlanCrop(GetFrameRect(), IconRect, Photo.Width(), Photo.Height(), MasterSize);
    if (plan.Valid) {
        SourceRect = plan.SourceRect;
        VisibleInIcon = plan.VisibleInIcon;
        CropDest = plan.CropDest;
        // A master cleared each time: nothing of an earlier crop shows around this one.
        Master.Fill(0xFFFFFF);
        ResampleRect(Photo, Master, SourceRect, CropDest);
        if (const auto& render = CartoonPeers().Render)
            render(&Formats, &Master, CropDest, chk_CartoonLike->isChecked());
        const Bitmap24* frame = FrameFiles.Frame(SelectedFrame);
        if (chk_PhotoFrame->isChecked() && FrameLoaded && frame)
            for (int i = 0; i < Formats.Count(); ++i) ApplyPhotoFrame(*frame, FrameColor, Formats[i], frameScratch_);
    }
    DrawFormatStrip();
}

// ---- output formats ----

void Tfrm_PhotoToIcon::DrawFormatStrip() { FormatStrip->DrawFormats(Formats, SelectedFormat); }

void Tfrm_PhotoToIcon::SelectFormatAt(int stripX)
{
    const int i = stripX < 0 ? -1 : stripX / TFormatStrip::CellWidth;
    if (i < 0 || i >= Formats.Count() || Formats.IsEmpty() || i == SelectedFormat) return;
    SelectedFormat = i;
    FormatStrip->GlideToCell(i);
    DrawFormatStrip();
}

void Tfrm_PhotoToIcon::btn_AddImageClick()
{
    const auto& dialog = DocumentPeers().AddFormatDialog;
    const TIconImageRec* rec = dialog ? dialog(this, Formats, SelectedFormat) : nullptr;
    if (rec) {
        const int existing = FindImageFormat(Formats, rec->Width, rec->Height, rec->ColorType);
        if (existing >= 0) {
            if (MessageBox(this, SwitchFormatQuestion(rec->Width, rec->Height, rec->ColorType),
                           QStringLiteral("Add a new image format"), TMsgButtons::OkCancel) == TMsgResult::Ok)
                SelectFormatAt(existing * TFormatStrip::CellWidth);
        } else {
            const int index = PhotoFormats::AppendFormat(Formats, *rec);
            DrawFormatStrip();
            SelectFormatAt(index * TFormatStrip::CellWidth);
        }
    }
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::btn_deleImageClick()
{
    if (Formats.Count() < 2) {
        MessageBox(this, QString::fromLatin1(PhotoFormats::KeepOneMessage), QStringLiteral("Error"));
    } else if (const TIconImageRec* f = Formats.At(SelectedFormat)) {
        const auto& confirm = DocumentPeers().ConfirmDeleteFormat;
        if (confirm && confirm(this, *f)) {
            PhotoFormats::DeleteFormat(Formats, SelectedFormat);
            DrawFormatStrip();
            SelectFormatAt(0);
            if (SelectedFormat >= Formats.Count()) SelectedFormat = 0;
        }
    }
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Left && SelectedFormat > 0) {
        SelectFormatAt((SelectedFormat - 1) * TFormatStrip::CellWidth);
        return;
    }
    if (event->key() == Qt::Key_Right && SelectedFormat < Formats.Count() - 1) {
        SelectFormatAt((SelectedFormat + 1) * TFormatStrip::CellWidth);
        return;
    }
    Tfrm_base::keyPressEvent(event);
}

// ---- compact cartoon controls ----

void Tfrm_PhotoToIcon::chk_CartoonLikeClick()
{
    SetEnabled({chk_DrawColor, Chk_DrawSketch, Chk_Remain, btn_CartoonMore}, chk_CartoonLike->isChecked());
    Chk_DrawSketchClick();
    Chk_RemainClick();
    chk_DrawColorClick();
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::Chk_DrawSketchClick()
{
    const bool on = Chk_DrawSketch->isEnabled() && Chk_DrawSketch->isChecked();
    SetEnabled({lbl_Detail, lbl_Darkness, Trc_Detail, Spn_Detail, Trc_Darkness, Spn_Darkness, Trc_Threshold,
                Spn_Threshold, Chk_Remain},
               on);
    Chk_RemainClick();
    if (const auto& write = CartoonPeers().Write) write(TCartoonControl::DrawSketch, Chk_DrawSketch->isChecked());
}

void Tfrm_PhotoToIcon::Chk_RemainClick()
{
    const bool on = Chk_Remain->isEnabled() && Chk_Remain->isChecked();
    SetEnabled({lbl_Threshold, Trc_Threshold, Spn_Threshold}, on);
    if (const auto& write = CartoonPeers().Write) write(TCartoonControl::Remain, Chk_Remain->isChecked());
}

void Tfrm_PhotoToIcon::chk_DrawColorClick()
{
    const bool on = chk_DrawColor->isEnabled() && chk_DrawColor->isChecked();
    SetEnabled({lbl_Reducer, Spn_ColorReducer, trc_ColorReducer}, on);
    if (const auto& write = CartoonPeers().Write) write(TCartoonControl::DrawColor, chk_DrawColor->isChecked());
}

void Tfrm_PhotoToIcon::CompactTrackChanged(TTrackBar* track, TSpinEdit* spin, int& last, TCartoonControl control)
{
    const int position = track->Position();
    if (position != last) {
        spin->SetValue(position);
        last = position;
    }
    // The options window's control of the same name renders through its own handler.
    if (const auto& write = CartoonPeers().Write) write(control, position);
}

void Tfrm_PhotoToIcon::btn_CartoonMoreClick()
{
    if (const auto& show = CartoonPeers().ShowModal) show(&Formats);
    SyncCartoonControls();
    // The options window rendered the shared formats on its own, without the decorative frame,
    // which only this dialog lays: render them once more so the frame is on them again.
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::SyncCartoonControls()
{
    const auto& state = CartoonPeers().State;
    if (!state) return;
    const TCartoonControlState s = state();
    chk_DrawColor->setChecked(s.DrawColor);
    Spn_ColorReducer->SetValue(s.ReducerValue);
    trc_ColorReducer->SetPosition(s.ReducerPosition);
    Chk_DrawSketch->setChecked(s.DrawSketch);
    Spn_Detail->SetValue(s.DetailValue);
    Spn_Darkness->SetValue(s.DarknessValue);
    Trc_Detail->setEnabled(s.DetailEnabled);
    Trc_Darkness->setEnabled(s.DarknessEnabled);
    Trc_Threshold->setEnabled(s.ThresholdEnabled);
    Spn_Threshold->SetValue(s.ThresholdValue);
    Chk_Remain->setChecked(s.Remain);
    const TCartoonControlState after = state();
    Trc_Threshold->setEnabled(after.ThresholdEnabled);
    Spn_Threshold->SetValue(after.ThresholdValue);
}

// ---- frames ----

void Tfrm_PhotoToIcon::LoadFrames()
{
    FrameLoaded = false;
    FrameFiles.Scan(FramesFolder);
    const int count = FrameFiles.Count();
    FramesStrip->SetCellCount(count);
    Bitmap24& canvas = FramesStrip->Canvas();
    canvas.Fill(0xFFFFFF);
    TIconImageRec thumb;
    InitIconImage(thumb, 48, 48, ctTrueColor, -1);
    Bitmap24 scratch;
    for (int i = 0; i < count; ++i) {
        thumb.Bitmap->Fill(0xFFFFFF);
        thumb.Mask->Fill(0);
        const bool selected = i == SelectedFrame;
        if (const Bitmap24* frame = FrameFiles.Frame(i)) ApplyPhotoFrame(*frame, FrameColor, thumb, scratch);
        if (selected) FrameLoaded = true;
        {
            QImage image = canvas.Image();
            QPainter p(&image);
            QPen pen(ToQColor(selected ? 0x0000FF : 0x800000));
            pen.setWidth(3);
            p.setPen(pen);
            p.setBrush(ToQColor(Imaging().BackgroundColor));
            p.drawRoundedRect(QRectF(i * TFormatStrip::CellWidth + 5, 7, 64, 64), 7.5, 7.5);
        }
        const int x = i * TFormatStrip::CellWidth;
        DrawIconImage(canvas, MakeRect(x + 10, 12, x + 65, 67), Imaging().BackgroundColor, thumb);
    }
    FramesStrip->Changed();
}

void Tfrm_PhotoToIcon::SelectFrameAt(int stripX)
{
    const int count = FrameFiles.Count();
    const int i = stripX < 0 ? -1 : stripX / TFormatStrip::CellWidth;
    if (i < 0 || i >= count || count == 0 || i == SelectedFrame) return;
    SelectedFrame = i;
    FramesStrip->GlideToCell(i);
    LoadFrames();
    UpdateIconImages();
}

void Tfrm_PhotoToIcon::shp_FrameColorClick()
{
    TColor color = FrameColor;
    if (!Dialogs().PickColor(this, color)) return;
    FrameColor = color;
    static_cast<TColorShape*>(shp_FrameColor)->Color = color;
    shp_FrameColor->update();
    LoadFrames();
    UpdateIconImages();
}

// ---- showing and closing ----

void Tfrm_PhotoToIcon::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    Tfrm_base::setVisible(visible);
    if (showing) ResetDialog();
    if (!visible) ViewBitmap = Bitmap24();
}

void Tfrm_PhotoToIcon::done(int result)
{
    // No closing in the middle of a drag.
    if (!NotDragging) return;
    Tfrm_base::done(result);
}

void Tfrm_PhotoToIcon::closeEvent(QCloseEvent* event)
{
    if (!NotDragging) {
        event->ignore();
        return;
    }
    Tfrm_base::closeEvent(event);
}

void Tfrm_PhotoToIcon::changeEvent(QEvent* event)
{
    Tfrm_base::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && !NotDragging) EndDrag();
}
