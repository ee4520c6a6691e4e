// The icon mixer's window: layout, the layer list, the tool buttons, the opacity bar and the view.
#include "creators/icon_mixer_form.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "effects/angle_picker.h"
#include "imaging/compositing.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form_builder.h"


namespace {

enum class GlyphKind { Up, Down, Left, Right, FlipH, FlipV, RotateLeft, RotateRight, ZoomIn, ZoomOut, OrderUp, OrderDown };

// The tool buttons' pictures, drawn here: 16 x 16, dark strokes on a clear ground.
QIcon MixerGlyph(GlyphKind kind)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor ink(40, 40, 40);
    const QColor accent(30, 90, 200);
    p.setPen(QPen(ink, 1.5));
    auto triangle = [&](QPointF a, QPointF b, QPointF c, const QColor& colour) {
        QPainterPath path;
        path.moveTo(a);
        path.lineTo(b);
        path.lineTo(c);
        path.closeSubpath();
        p.fillPath(path, colour);
    };
    switch (kind) {
    case GlyphKind::Up: triangle({8, 3}, {14, 12}, {2, 12}, ink); break;
    case GlyphKind::Down: triangle({8, 13}, {14, 4}, {2, 4}, ink); break;
    case GlyphKind::Left: triangle({3, 8}, {12, 2}, {12, 14}, ink); break;
    case GlyphKind::Right: triangle({13, 8}, {4, 2}, {4, 14}, ink); break;
    case GlyphKind::OrderUp:
        triangle({8, 2}, {14, 9}, {2, 9}, accent);
        p.drawLine(QPointF(3, 13), QPointF(13, 13));
        break;
    case GlyphKind::OrderDown:
        triangle({8, 14}, {14, 7}, {2, 7}, accent);
        p.drawLine(QPointF(3, 3), QPointF(13, 3));
        break;
    case GlyphKind::FlipH:
        triangle({1, 8}, {7, 3}, {7, 13}, ink);
        triangle({15, 8}, {9, 3}, {9, 13}, accent);
        break;
    case GlyphKind::FlipV:
        triangle({8, 1}, {3, 7}, {13, 7}, ink);
        triangle({8, 15}, {3, 9}, {13, 9}, accent);
        break;
    case GlyphKind::RotateLeft:
    case GlyphKind::RotateRight: {
        const bool left = kind == GlyphKind::RotateLeft;
        p.drawArc(QRectF(3, 3, 10, 10), left ? 0 : 180 * 16, 270 * 16 * (left ? 1 : -1) / 1);
        if (left)
            triangle({13, 4}, {15.5, 9}, {10.5, 9}, accent);
        else
            triangle({3, 4}, {5.5, 9}, {0.5, 9}, accent);
        break;
    }
    case GlyphKind::ZoomIn:
    case GlyphKind::ZoomOut:
        p.drawEllipse(QRectF(2, 2, 9, 9));
        p.drawLine(QPointF(10, 10), QPointF(14, 14));
        p.drawLine(QPointF(4.5, 6.5), QPointF(8.5, 6.5));
        if (kind == GlyphKind::ZoomIn) p.drawLine(QPointF(6.5, 4.5), QPointF(6.5, 8.5));
        break;
    }
    p.end();
    return QIcon(pm);
}

// The opacity marker: a small red pointer; black is its transparent colour.
QPixmap MarkerPicture()
{
    QImage img(5, 20, QImage::Format_RGB32);
    img.fill(Qt::black);
    for (int y = 0; y < 20; ++y) img.setPixel(2, y, qRgb(200, 0, 0));
    for (int x = 0; x < 5; ++x) {
        img.setPixel(x, 0, qRgb(200, 0, 0));
        img.setPixel(x, 19, qRgb(200, 0, 0));
    }
    img.setPixel(1, 1, qRgb(200, 0, 0));
    img.setPixel(3, 1, qRgb(200, 0, 0));
    img.setPixel(1, 18, qRgb(200, 0, 0));
    img.setPixel(3, 18, qRgb(200, 0, 0));
    QPixmap pm = QPixmap::fromImage(img);
    pm.setMask(pm.createMaskFromColor(Qt::black));
    return pm;
}

QPixmap ThumbnailPixmap(const Bitmap24* thumbnail)
{
    if (!thumbnail) {
        QPixmap empty(32, 32);
        empty.fill(Qt::white);
        return empty;
    }
    return QPixmap::fromImage(thumbnail->ToQImage());
}

} // namespace

Tfrm_icon_mixer::Tfrm_icon_mixer(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_icon_mixer"), parent,
                Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                    Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QString::fromLatin1(MixerCaption));
    setFixedSize(ClientWidth, ClientHeight);
    TFormBuilder form(this);

    // ---- layers
    grp_icons = form.Group(QStringLiteral("grp_icons"), QStringLiteral("Icons"), QRect(8, 4, 200, 196));
    TFormBuilder icons = form.Inside(grp_icons);
    pnl1 = icons.Bevel(QStringLiteral("pnl1"), QRect(8, 18, 184, 26));
    pnl1->setFrameStyle(QFrame::NoFrame);
    TFormBuilder order = icons.Inside(pnl1);
    btn_orderUp = order.ToolButton(QStringLiteral("btn_orderUp"), QStringLiteral("Forward Order"),
                                   MixerGlyph(GlyphKind::OrderUp), QRect(0, 1, 24, 24));
    btn_orverDown = order.ToolButton(QStringLiteral("btn_orverDown"), QStringLiteral("Backward Order"),
                                     MixerGlyph(GlyphKind::OrderDown), QRect(26, 1, 24, 24));
    lsv_Icon = new QListWidget(grp_icons);
    lsv_Icon->setObjectName(QStringLiteral("lsv_Icon"));
    lsv_Icon->setGeometry(8, 46, 184, 142);
    lsv_Icon->setViewMode(QListView::IconMode);
    lsv_Icon->setIconSize(QSize(32, 32));
    lsv_Icon->setMovement(QListView::Static);
    lsv_Icon->setResizeMode(QListView::Adjust);
    lsv_Icon->setWordWrap(true);
    lsv_Icon->setGridSize(QSize(84, 64));
    lsv_Icon->setSelectionMode(QAbstractItemView::SingleSelection);
    lsv_Icon->setEditTriggers(QAbstractItemView::NoEditTriggers);
    {
        // The selection stays visible when the list loses the focus.
        QPalette pal = lsv_Icon->palette();
        pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
        lsv_Icon->setPalette(pal);
    }

    // ---- tools
    grp_tools = form.Group(QStringLiteral("grp_tools"), QStringLiteral("Tools"), QRect(8, 204, 200, 214));
    TFormBuilder tools = form.Inside(grp_tools);
    tools.Label(QString(), QStringLiteral(" Position "), 8, 20);
    btn_up = tools.ToolButton(QStringLiteral("btn_up"), QStringLiteral("Up"), MixerGlyph(GlyphKind::Up), QRect(32, 38, 24, 24));
    btn_left = tools.ToolButton(QStringLiteral("btn_left"), QStringLiteral("Left"), MixerGlyph(GlyphKind::Left), QRect(8, 62, 24, 24));
    btn_right = tools.ToolButton(QStringLiteral("btn_right"), QStringLiteral("Right"), MixerGlyph(GlyphKind::Right), QRect(56, 62, 24, 24));
    btn_down = tools.ToolButton(QStringLiteral("btn_down"), QStringLiteral("Down"), MixerGlyph(GlyphKind::Down), QRect(32, 86, 24, 24));
    tools.Label(QString(), QStringLiteral(" Flip "), 100, 20);
    btn_flipH = tools.ToolButton(QStringLiteral("btn_flipH"), QStringLiteral("Filp Horizintal"),
                                 MixerGlyph(GlyphKind::FlipH), QRect(104, 38, 24, 24));
    btn_flipV = tools.ToolButton(QStringLiteral("btn_flipV"), QStringLiteral("Filp Vertical"),
                                 MixerGlyph(GlyphKind::FlipV), QRect(132, 38, 24, 24));
    tools.Label(QString(), QStringLiteral(" Zoom "), 100, 68);
    btn_zoomIn = tools.ToolButton(QStringLiteral("btn_zoomIn"), QStringLiteral("Zoom In"), MixerGlyph(GlyphKind::ZoomIn),
                                  QRect(104, 86, 24, 24));
    btn_zoomOut = tools.ToolButton(QStringLiteral("btn_zoomOut"), QStringLiteral("Zoom Out"),
                                   MixerGlyph(GlyphKind::ZoomOut), QRect(132, 86, 24, 24));
    tools.Label(QString(), QStringLiteral(" Rotate "), 8, 120);
    btn_rotateLeft = tools.ToolButton(QStringLiteral("btn_rotateLeft"), QStringLiteral("Rotate 90 CCW"),
                                      MixerGlyph(GlyphKind::RotateLeft), QRect(8, 140, 24, 24));
    btn_rotateRight = tools.ToolButton(QStringLiteral("btn_rotateRight"), QStringLiteral("Rotate 90 CW"),
                                       MixerGlyph(GlyphKind::RotateRight), QRect(8, 168, 24, 24));
    ang_angle = new TQV_Angle(grp_tools);
    ang_angle->setObjectName(QStringLiteral("ang_angle"));
    ang_angle->setGeometry(48, 136, 66, 66);

    // ---- view, opacity, buttons
    scrlbx_view = new QScrollArea(this);
    scrlbx_view->setObjectName(QStringLiteral("scrlbx_view"));
    scrlbx_view->setGeometry(216, 8, 367, 338);
    scrlbx_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrlbx_view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrlbx_view->setWidgetResizable(false);
    img_view = new QLabel;
    img_view->setObjectName(QStringLiteral("img_view"));
    img_view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrlbx_view->setWidget(img_view);

    form.Label(QString(), QStringLiteral("Opacity"), 216, 358);
    pnl2 = form.Bevel(QStringLiteral("pnl2"), QRect(270, 354, BarWidth + 2, BarHeight + 2));
    img_transparent = new QLabel(pnl2);
    img_transparent->setObjectName(QStringLiteral("img_transparent"));
    img_transparent->setGeometry(1, 1, BarWidth, BarHeight);
    img_transparent->installEventFilter(this);
    img_arrow = new QLabel(pnl2);
    img_arrow->setObjectName(QStringLiteral("img_arrow"));
    img_arrow->setGeometry(1, 1, 5, BarHeight);
    img_arrow->setPixmap(MarkerPicture());
    img_arrow->hide();
    img_arrow->installEventFilter(this);
    lab_A = form.Label(QStringLiteral("lab_A"), QStringLiteral("..."), 414, 358);
    lab_A->setMinimumWidth(30);

    const TButtonRow buttons = form.Buttons(QStringLiteral("btn_Ok"), QStringLiteral("Btn_Cancel"), QString(), 423, 392);
    btn_Ok = buttons.Ok;
    Btn_Cancel = buttons.Cancel;
    btn_seleceAll = form.Button(QStringLiteral("btn_seleceAll"), QStringLiteral("Select All"), QRect(216, 392, 75, 25));
    btn_Clean = form.Button(QStringLiteral("btn_Clean"), QStringLiteral("Clelan"), QRect(296, 392, 75, 25));
    btn_seleceAll->hide();
    btn_Clean->hide();

    connect(btn_Ok, &QPushButton::clicked, this, [this] {
        btn_OkClick();
        accept();
    });
    connect(btn_orderUp, &QToolButton::clicked, this, [this] { MoveSelected(-1); });
    connect(btn_orverDown, &QToolButton::clicked, this, [this] { MoveSelected(+1); });
    connect(btn_up, &QToolButton::clicked, this, [this] { ChangeSelected([this](int i) { return mixer_.MoveUp(i); }); });
    connect(btn_down, &QToolButton::clicked, this, [this] { ChangeSelected([this](int i) { return mixer_.MoveDown(i); }); });
    connect(btn_left, &QToolButton::clicked, this, [this] { ChangeSelected([this](int i) { return mixer_.MoveLeft(i); }); });
    connect(btn_right, &QToolButton::clicked, this, [this] { ChangeSelected([this](int i) { return mixer_.MoveRight(i); }); });
    connect(btn_flipH, &QToolButton::clicked, this,
            [this] { ChangeSelected([this](int i) { return mixer_.ToggleFlipHorizontal(i); }); });
    connect(btn_flipV, &QToolButton::clicked, this,
            [this] { ChangeSelected([this](int i) { return mixer_.ToggleFlipVertical(i); }); });
    connect(btn_zoomIn, &QToolButton::clicked, this, [this] { ChangeSelected([this](int i) { return mixer_.ZoomIn(i); }); });
    connect(btn_zoomOut, &QToolButton::clicked, this, [this] { ChangeSelected([this](int i) { return mixer_.ZoomOut(i); }); });
    auto rotate = [this](bool ccw) {
        const int i = SelectedItem();
        if (i < 0) return;
        if (ccw)
            mixer_.Rotate90CCW(i);
        else
            mixer_.Rotate90CW(i);
        DrawMix();
        SetPickerAngle(mixer_.Items[size_t(i)].Angle);
    };
    connect(btn_rotateLeft, &QToolButton::clicked, this, [rotate] { rotate(true); });
    connect(btn_rotateRight, &QToolButton::clicked, this, [rotate] { rotate(false); });
    // The picker follows the mouse while the button is down; the mix changes on release.
    connect(ang_angle, &TQV_Angle::OnMouseUp, this, [this] { AngleReleased(); });
    connect(lsv_Icon, &QListWidget::itemSelectionChanged, this, [this] { ListSelectionChanged(); });
}

Tfrm_icon_mixer::~Tfrm_icon_mixer() = default;

void Tfrm_icon_mixer::AddDocument(const QString& name, const TIconImageArray& images)
{
    sources_.push_back(Source{name, &images});
}

int Tfrm_icon_mixer::SelectedItem() const
{
    const QList<QListWidgetItem*> selected = lsv_Icon->selectedItems();
    if (selected.isEmpty()) return -1;
    const int row = lsv_Icon->row(selected.first());
    return row >= 0 && row < int(mixer_.Items.size()) ? row : -1;
}

void Tfrm_icon_mixer::setVisible(bool visible)
{
    if (visible && !isVisible() && !shown_) {
        shown_ = true;
        FormShow();
    }
    Tfrm_base::setVisible(visible);
}

void Tfrm_icon_mixer::FormShow()
{
    lsv_Icon->clear();
    mixer_.Clear();
    for (const Source& s : sources_) mixer_.AddItem(s.Name, *s.Images);
    for (const TMixerItem& item : mixer_.Items) {
        auto* row = new QListWidgetItem(QIcon(ThumbnailPixmap(item.Thumbnail.get())), item.Name, lsv_Icon);
        row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        row->setToolTip(item.Name);
    }
    if (!mixer_.FindCommonSizes())
        MessageBox(this, QString::fromLatin1(MixerNoSizeText), QString::fromLatin1(MixerCaption));
    DrawMix();
    DrawOpacityBar();
}

void Tfrm_icon_mixer::DrawMix()
{
    // The view's frame (its height, the ground, the size labels) follows the shared sizes alone;
    // a layer setting only changes the mixes, so then only their squares are drawn again.
    std::vector<QSize> layout;
    for (int k = 0; k < mixer_.SizeCount(); ++k)
        layout.emplace_back(std::min(mixer_.SizeWidth(k), int(TIconMixer::WorkSide)),
                            std::min(mixer_.SizeHeight(k), int(TIconMixer::WorkSide)));
    if (!framed_ || layout != framedSizes_ || MixBackground != framedBackground_) DrawViewFrame(layout);
    int y = 4;
    for (int k = 0; k < mixer_.SizeCount(); ++k) {
        mixer_.MixSize(k, mixer_.MixView);
        const int w = mixer_.MixView.Width, h = mixer_.MixView.Height;
        DrawIconImage(view_, MakeRect(4, y, 4 + w, y + h), MixBackground, mixer_.MixView);
        y += h + 20;
    }
    img_view->setPixmap(QPixmap::fromImage(view_.ToQImage()));
}

void Tfrm_icon_mixer::DrawViewFrame(const std::vector<QSize>& sizes)
{
    const int height = std::max(mixer_.ViewHeight(), 1);
    img_view->setFixedSize(ViewWidth, height);
    view_.SetSize(ViewWidth, height);
    view_.Fill(MixBackground);
    {
        QImage canvas = view_.Image();
        QPainter text(&canvas);
        text.setPen(Qt::black);
        int y = 4;
        for (const QSize& s : sizes) {
            text.drawText(QRect(4, y + s.height() + 2, ViewWidth - 8, 16), Qt::AlignLeft | Qt::AlignTop,
                          QString::asprintf("%dx%d 32b", s.width(), s.height()));
            y += s.height() + 20;
        }
    }
    QPalette pal = scrlbx_view->palette();
    pal.setColor(QPalette::Window, ToQColor(MixBackground));
    scrlbx_view->setPalette(pal);
    scrlbx_view->viewport()->setPalette(pal);
    scrlbx_view->viewport()->setAutoFillBackground(true);
    framed_ = true;
    framedSizes_ = sizes;
    framedBackground_ = MixBackground;
}

void Tfrm_icon_mixer::DrawOpacityBar()
{
    img_transparent->setPixmap(QPixmap::fromImage(MakeOpacityBar(BarWidth, BarHeight).ToQImage()));
}

void Tfrm_icon_mixer::ShowOpacity(int v)
{
    img_arrow->move(img_transparent->x() + OpacityMarkerLeft(v, BarWidth), img_transparent->y());
    img_arrow->show();
    img_arrow->raise();
    lab_A->setText(QString::number(v));
}

void Tfrm_icon_mixer::OpacityAt(int x, int y)
{
    const int i = SelectedItem();
    // A point further down than the bar is wide counts as off the bar.
    if (i < 0 || x < 0 || y > BarWidth) return;
    const int opacity = OpacityAtBar(x, BarWidth);
    if (opacity < 0) return;
    // Dragging along the bar repeats the same value many times; the mix changes only with it.
    if (mixer_.Items[size_t(i)].Opacity != opacity) {
        mixer_.SetOpacity(i, opacity);
        DrawMix();
    }
    ShowOpacity(mixer_.Items[size_t(i)].Opacity);
}

bool Tfrm_icon_mixer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == img_transparent || watched == img_arrow) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(event);
            const bool press = event->type() == QEvent::MouseButtonPress;
            if (press || (me->buttons() & Qt::LeftButton)) {
                QPoint p = me->position().toPoint();
                if (watched == img_arrow) p += img_arrow->pos() - img_transparent->pos();
                OpacityAt(p.x(), p.y());
            }
            return true;
        }
    }
    return Tfrm_base::eventFilter(watched, event);
}

template <class Change>
void Tfrm_icon_mixer::ChangeSelected(Change change)
{
    const int i = SelectedItem();
    if (i < 0) return;
    if (change(i)) DrawMix();
}

void Tfrm_icon_mixer::MoveSelected(int step)
{
    const int i = SelectedItem();
    const int n = int(mixer_.Items.size());
    if (i < 0 || n < 2) return;
    if (!mixer_.MoveLayer(i, i + step)) return;
    RelayItems();
    QListWidgetItem* moved = lsv_Icon->item(i + step);
    lsv_Icon->setCurrentItem(moved);
    moved->setSelected(true);
    lsv_Icon->scrollToItem(moved);
    DrawMix();
}

void Tfrm_icon_mixer::RelayItems()
{
    for (int r = 0; r < lsv_Icon->count() && r < int(mixer_.Items.size()); ++r) {
        const TMixerItem& item = mixer_.Items[size_t(r)];
        QListWidgetItem* row = lsv_Icon->item(r);
        row->setText(item.Name);
        row->setToolTip(item.Name);
        row->setIcon(QIcon(ThumbnailPixmap(item.Thumbnail.get())));
    }
    // The view repaints only where each row's new caption lies, and a shorter caption than the
    // one before would leave the old one's last line on screen.
    lsv_Icon->viewport()->update();
}

void Tfrm_icon_mixer::ListSelectionChanged()
{
    const int i = SelectedItem();
    if (i < 0) return;
    SetPickerAngle(mixer_.Items[size_t(i)].Angle);
    ShowOpacity(mixer_.Items[size_t(i)].Opacity);
}

void Tfrm_icon_mixer::SetPickerAngle(int angle)
{
    ang_angle->SetAngle(angle);
}

void Tfrm_icon_mixer::AngleReleased()
{
    const int i = SelectedItem();
    if (i < 0 || mixer_.Items[size_t(i)].Angle == ang_angle->Angle()) return;
    mixer_.SetAngle(i, ang_angle->Angle());
    DrawMix();
}

void Tfrm_icon_mixer::btn_OkClick()
{
    Result.Clear();
    ResultCaption.clear();
    if (mixer_.SizeCount() == 0) return;
    for (int k = 0; k < mixer_.SizeCount(); ++k) Result.Add(mixer_.MixedFormat(k));
    ResultCaption = mixer_.MixCaption();
}
