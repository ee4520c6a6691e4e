#include "workspace/paste_form.h"

#include <QFrame>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>

#include "platform/small_routines.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form_builder.h"
#include "platform/ui/spin_edit.h"
#include "workspace/peers.h"

Tfrm_Paste* frm_Paste = nullptr;

namespace {

// Shows a bitmap of the window's model and hands its mouse events back.
class TPasteImage : public QWidget {
public:
    TPasteImage(const Bitmap24& picture, std::function<void(int kind, QMouseEvent* e)> mouse, QWidget* parent)
        : QWidget(parent), picture_(picture), mouse_(std::move(mouse))
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        if (picture_.IsEmpty())
            p.fillRect(rect(), palette().window());
        else
            p.drawImage(0, 0, picture_.ConstImage());
    }
    void mousePressEvent(QMouseEvent* e) override { mouse_(2, e); }
    void mouseMoveEvent(QMouseEvent* e) override { mouse_(3, e); }
    void mouseReleaseEvent(QMouseEvent* e) override { mouse_(1, e); }

private:
    const Bitmap24& picture_;
    std::function<void(int, QMouseEvent*)> mouse_;
};

QIcon ThemeIcon(const char* name) { return QIcon::fromTheme(QLatin1String(name)); }

} // namespace

Tfrm_Paste::Tfrm_Paste(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_Paste"), parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    frm_Paste = this;
    setWindowTitle(QStringLiteral("Paste from Clipboard"));
    setFixedSize(ClientWidth, ClientHeight);
    MakeControls();
    DocumentPeers().PasteDialog = [this](QWidget* parent, TIconImageRec& target) { return Execute(parent, &target); };
}

Tfrm_Paste::~Tfrm_Paste()
{
    if (frm_Paste != this) return;
    frm_Paste = nullptr;
    DocumentPeers().PasteDialog = nullptr;
}

void Tfrm_Paste::MakeControls()
{
    TFormBuilder form(this);
    auto* view = new TPasteImage(
        Paste.ViewBitmap,
        [this](int kind, QMouseEvent* e) {
            ViewMouse(kind, int(e->position().x()), int(e->position().y()), e->buttons());
        },
        this);
    view->setObjectName(QStringLiteral("PaintBox1"));
    view->setGeometry(8, 8, TPasteFrame::ViewWidth, TPasteFrame::ViewHeight);
    PaintBox1 = view;

    // ---- zoom and fit, under the view ----
    const int by = 8 + TPasteFrame::ViewHeight + 8;
    btn_ZoomIn = form.ToolButton(QStringLiteral("btn_ZoomIn"), QStringLiteral("Zoom In"), ThemeIcon("zoom-in"),
                                 QRect(8, by, 30, 26));
    btn_ZoomOut = form.ToolButton(QStringLiteral("btn_ZoomOut"), QStringLiteral("Zoom Out"), ThemeIcon("zoom-out"),
                                  QRect(42, by, 30, 26));
    // Without an icon theme the buttons still say what they do.
    if (btn_ZoomIn->icon().isNull()) btn_ZoomIn->setText(QStringLiteral("+"));
    if (btn_ZoomOut->icon().isNull()) btn_ZoomOut->setText(QStringLiteral("-"));
    btn_FitWidth = form.Button(QStringLiteral("btn_FitWidth"), QStringLiteral("Fit Width"), QRect(80, by, 90, 26));
    btn_FitHeight = form.Button(QStringLiteral("btn_FitHeight"), QStringLiteral("Fit Height"), QRect(174, by, 90, 26));
    btn_ActualSize = form.Button(QStringLiteral("btn_ActualSize"), QStringLiteral("Actual Size"), QRect(268, by, 101, 26));
    connect(btn_ZoomIn, &QToolButton::clicked, this, &Tfrm_Paste::btn_ZoomInClick);
    connect(btn_ZoomOut, &QToolButton::clicked, this, &Tfrm_Paste::btn_ZoomOutClick);
    connect(btn_FitWidth, &QPushButton::clicked, this, &Tfrm_Paste::btn_FitWidthClick);
    connect(btn_FitHeight, &QPushButton::clicked, this, &Tfrm_Paste::btn_FitHeightClick);
    connect(btn_ActualSize, &QPushButton::clicked, this, &Tfrm_Paste::btn_ActualSizeClick);

    // ---- placement and ratios, right top ----
    const int right = 392;
    Placement = new TFrameControls(this);
    TFrameControls& c = *Placement;
    form.Label(QStringLiteral("lbl_X"), QStringLiteral("X:"), right, 14);
    c.spn_X = form.Spin(QStringLiteral("spn_X"), 0, 0, 0, QRect(right + 20, 10, 70, 22));
    form.Label(QStringLiteral("lbl_Y"), QStringLiteral("Y:"), right + 104, 14);
    c.spn_Y = form.Spin(QStringLiteral("spn_Y"), 0, 0, 0, QRect(right + 124, 10, 70, 22));
    c.chk_RatioLock = form.Check(QStringLiteral("chk_RatioLock"), QStringLiteral("Ratio Lock"), right + 216, 12, true);
    const TTrackRow w = form.TrackRow(QStringLiteral("WRatio"), QString(), PasteGeometry::MinRatio,
                                      PasteGeometry::MaxRatio, PasteGeometry::DefaultRatio,
                                      QRect(right + 64, 44, 240, 24), right + 310, false);
    const TTrackRow h = form.TrackRow(QStringLiteral("HRatio"), QString(), PasteGeometry::MinRatio,
                                      PasteGeometry::MaxRatio, PasteGeometry::DefaultRatio,
                                      QRect(right + 64, 74, 240, 24), right + 310, false);
    form.Label(QStringLiteral("lbl_WRatio"), QStringLiteral("W Ratio:"), QRect(right, 44, 62, 24),
               Qt::AlignLeft | Qt::AlignVCenter);
    c.lbl_HRatio = form.Label(QStringLiteral("lbl_HRatio"), QStringLiteral("H Ratio:"), QRect(right, 74, 62, 24),
                              Qt::AlignLeft | Qt::AlignVCenter);
    c.trc_WRatio = w.Track;
    c.spn_WRatio = w.Spin;
    c.trc_HRatio = h.Track;
    c.spn_HRatio = h.Spin;
    c.trc_WRatio->setObjectName(QStringLiteral("trc_WRatio"));
    c.spn_WRatio->setObjectName(QStringLiteral("spn_WRatio"));
    c.trc_HRatio->setObjectName(QStringLiteral("trc_HRatio"));
    c.spn_HRatio->setObjectName(QStringLiteral("spn_HRatio"));
    c.spn_HRatio->SetRange(PasteGeometry::MinRatio, PasteGeometry::MaxHRatioSpin);
    c.Connect();
    c.Reset(PasteGeometry::DefaultRatio);
    connect(Placement, &TFrameControls::Apply, this, &Tfrm_Paste::ApplyControls);

    const TButtonRow buttons = form.Buttons(QStringLiteral("btn_OK"), QStringLiteral("btn_Cancel"), QString(),
                                            ClientWidth - 8 - 160, 112);
    btn_OK = buttons.Ok;
    btn_Cancel = buttons.Cancel;
    connect(btn_OK, &QPushButton::clicked, this, &Tfrm_Paste::btn_OKClick);

    // ---- the variants, right below ----
    lbl_Effect = form.Label(QStringLiteral("lbl_Effect"), QStringLiteral("Please select one of the following effect:"),
                            right, 176);
    Panel1 = form.Bevel(QStringLiteral("Panel1"), QRect(right, 196, PasteGeometry::PanelWidth, PasteGeometry::PanelHeight));
    Panel1->setFrameShape(QFrame::NoFrame);
    auto* variants = new TPasteImage(
        Paste.VariantImage,
        [this](int kind, QMouseEvent* e) {
            if (kind == 1 && e->button() == Qt::LeftButton)
                Image1MouseUp(int(e->position().x()), int(e->position().y()));
        },
        Panel1);
    variants->setObjectName(QStringLiteral("Image1"));
    variants->setGeometry(0, 0, PasteGeometry::VariantImageWidth, PasteGeometry::VariantImageHeight);
    Image1 = variants;
    ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setGeometry(right, 196 + PasteGeometry::PanelHeight + 4, PasteGeometry::PanelWidth, 17);
    ScrollBar1->setPageStep(PasteGeometry::PanelWidth);
    ScrollBar1->hide();
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int position) { Image1->move(-position, 0); });
}

bool Tfrm_Paste::Execute(QWidget* parent, TIconImageRec* target)
{
    Target = target;
    if (!target) return false;
    const auto& mainWindow = FramePeers().MainWindow;
    QWidget* over = mainWindow && mainWindow() ? mainWindow() : parent;
    if (over && !shownOnce_) {
        const QRect r = over->frameGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    const bool ok = exec() == QDialog::Accepted;
    Target = nullptr;
    return ok;
}

void Tfrm_Paste::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    Tfrm_base::setVisible(visible);
    if (showing) FormShow();
    if (!visible) {
        // Every working bitmap goes with the window; the clipboard's own stay with it.
        Paste.Close();
        Dragging = false;
    }
}

void Tfrm_Paste::FormShow()
{
    Bitmap24* colour = nullptr;
    Bitmap24* mask = nullptr;
    Rect rect;
    // The program's clipboard object holds the picture; without a main window, the window's own.
    const auto& shared = FramePeers().QVClipboard;
    TQVClipboard* clipboard = shared ? shared() : nullptr;
    bool open = false;
    try {
        (clipboard ? clipboard : &clipboard_)->Paste(colour, mask, rect);
        open = Paste.Open(Target, colour, mask, rect);
    } catch (const std::exception& e) {
        // A picture too large for the memory left: the window opens without it and says why.
        Paste.Close();
        MessageBox(this, QString::fromLocal8Bit(e.what()), QStringLiteral("Tavrin"), TMsgButtons::Ok, TMsgIcon::Error);
    }
    ResetControls();
    if (open) SyncControls();
    LayoutVariantPanel();
    PaintBox1->update();
    Image1->update();
}

void Tfrm_Paste::ResetControls()
{
    // The controls start over without placing the frame: it already sits at one clipboard pixel
    // per view pixel.
    Placement->SetCorner(0, 0);
    Placement->Reset(PasteGeometry::DefaultRatio);
}

void Tfrm_Paste::LayoutVariantPanel()
{
    const PasteGeometry::TVariantLayout& layout = Paste.VariantLayout;
    if (Paste.IsOpen() && layout.ScrollBarVisible) {
        ScrollBar1->setRange(0, std::max(0, layout.ScrollMax - PasteGeometry::PanelWidth));
        ScrollBar1->setValue(0);
        ScrollBar1->show();
    } else {
        ScrollBar1->hide();
        ScrollBar1->setValue(0);
    }
    Image1->move(0, 0);
}

void Tfrm_Paste::SyncControls()
{
    if (!Paste.IsOpen()) return;
    const PasteGeometry::TRatioControls c = Paste.Controls();
    Placement->Show(c.X, c.Y, c.WRatio, c.HRatio);
}

void Tfrm_Paste::Refresh(bool draft)
{
    Paste.Compose(draft);
    if (!draft) Paste.BuildVariants();
    PaintBox1->update();
    Image1->update();
}

void Tfrm_Paste::ApplyControls()
{
    if (!Paste.IsOpen()) return;
    const TFrameControls& c = *Placement;
    Paste.ApplyControls(c.spn_X->Value(), c.spn_Y->Value(), c.trc_WRatio->Position(), c.trc_HRatio->Position(),
                        c.Locked());
    Refresh(false);
}

void Tfrm_Paste::AfterFrameButton()
{
    SyncControls();
    Refresh(false);
}

void Tfrm_Paste::btn_FitWidthClick()
{
    if (!Paste.IsOpen()) return;
    Paste.FitWidth(Placement->Locked());
    AfterFrameButton();
}

void Tfrm_Paste::btn_FitHeightClick()
{
    if (!Paste.IsOpen()) return;
    Paste.FitHeight(Placement->Locked());
    AfterFrameButton();
}

void Tfrm_Paste::btn_ActualSizeClick()
{
    if (!Paste.IsOpen()) return;
    Paste.ActualSize();
    AfterFrameButton();
}

void Tfrm_Paste::btn_ZoomInClick()
{
    if (Paste.ZoomIn()) Refresh(false);
}

void Tfrm_Paste::btn_ZoomOutClick()
{
    if (Paste.ZoomOut()) Refresh(false);
}

void Tfrm_Paste::btn_OKClick()
{
    if (Dragging) return;
    // With no picture there is nothing to write: OK closes as Cancel does.
    if (!Target || !Paste.IsOpen() || !Paste.Commit()) {
        reject();
        return;
    }
    accept();
}

void Tfrm_Paste::ViewMouse(int kind, int x, int y, Qt::MouseButtons buttons)
{
    if (!Paste.IsOpen()) return;
    if (kind == 2) {
        Paste.Frame.MouseEvent(TRotateFrame::mkPress, x, y, buttons);
        Dragging = (buttons & Qt::LeftButton) != 0;
        return;
    }
    if (kind == 3) {
        if (Dragging && !(buttons & Qt::LeftButton)) {
            // The release went elsewhere: the drag is over.
            EndDrag();
            return;
        }
        if (Paste.Frame.MouseEvent(TRotateFrame::mkMove, x, y, buttons) >= 0) {
            SyncControls();
            Refresh(true);
        }
        return;
    }
    if (Dragging) EndDrag();
}

void Tfrm_Paste::EndDrag()
{
    Dragging = false;
    // The drag's draft is replaced by a proper resample, and the variants follow once.
    Refresh(false);
}

void Tfrm_Paste::Image1MouseUp(int x, int y)
{
    if (Paste.PickVariantAt(x, y)) Image1->update();
}
