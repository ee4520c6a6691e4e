// The gradient editor's window: the bar with its handles, the preset list, the handle controls.
// Every rule is TGradientEditorModel's; this file draws the bar and routes controls and mouse.
#include "workspace/gradient_color.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <algorithm>

#include "imaging/icon_image.h"
#include "platform/small_routines.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form_builder.h"
#include "platform/ui/spin_edit.h"
#include "workspace/peers.h"

Tfrm_GradientColor* frm_GradientColor = nullptr;

namespace {

// ---- the handle pictures ----
// A handle is a pointer (rows 0..6, widening to the body) over a body (columns 1..14, rows 7..37)
// that holds the colour box and, below it, the enable toggle.
constexpr int PointerRows = 7;

bool InHandle(int x, int y)
{
    if (x < 0 || y < 0 || x >= GradientSpriteWidth || y >= GradientSpriteHeight) return false;
    if (y < PointerRows) return x >= 7 - y && x <= 8 + y;
    // The bottom corners are cut off.
    if (y == GradientSpriteHeight - 1) return x >= 2 && x <= 13;
    return x >= 1 && x <= 14;
}

bool OnHandleEdge(int x, int y)
{
    return InHandle(x, y) && (!InHandle(x - 1, y) || !InHandle(x + 1, y) || !InHandle(x, y - 1) || !InHandle(x, y + 1));
}

struct TSpriteLook {
    TColor Face;
    TColor Edge;
    bool Enabled;
};

// Pixels of a handle picture; everything outside the handle stays black.
Bitmap24 MakeSprite(const TSpriteLook& look)
{
    Bitmap24 b(GradientSpriteWidth, GradientSpriteHeight);
    b.Fill(0);
    for (int y = 0; y < GradientSpriteHeight; ++y)
        for (int x = 0; x < GradientSpriteWidth; ++x)
            if (InHandle(x, y)) b.SetPixel(x, y, OnHandleEdge(x, y) ? look.Edge : look.Face);
    // The colour box (4..10 x 15..20) in a black frame; a disabled handle shows it hatched, since
    // its colour takes no part.
    for (int y = 14; y <= 21; ++y)
        for (int x = 3; x <= 11; ++x) {
            const bool frame = x == 3 || x == 11 || y == 14 || y == 21;
            TColor c = 0x202020;
            if (!frame) c = look.Enabled ? 0xFFFFFF : (((x + y) % 3 == 0) ? 0x808080 : 0xD0D0D0);
            b.SetPixel(x, y, c);
        }
    // The toggle (2..11 x 23..33): a box, ticked when the handle is enabled.
    for (int y = 23; y <= 33; ++y)
        for (int x = 2; x <= 11; ++x) {
            const bool frame = x == 2 || x == 11 || y == 23 || y == 33;
            b.SetPixel(x, y, frame ? 0x404040 : (look.Enabled ? 0xFFFFFF : 0xE0E0E0));
        }
    if (look.Enabled) {
        constexpr TColor tick = 0x008000; // dark green
        const int short_[][2] = {{4, 27}, {5, 28}, {6, 29}, {4, 28}, {5, 29}, {6, 30}};
        const int long_[][2] = {{7, 28}, {8, 27}, {9, 26}, {9, 25}, {7, 29}, {8, 28}, {9, 27}};
        for (const auto& p : short_) b.SetPixel(p[0], p[1], tick);
        for (const auto& p : long_) b.SetPixel(p[0], p[1], tick);
    }
    return b;
}

Bitmap24 MakeMask()
{
    Bitmap24 b(GradientSpriteWidth, GradientSpriteHeight);
    for (int y = 0; y < GradientSpriteHeight; ++y)
        for (int x = 0; x < GradientSpriteWidth; ++x)
            if (InHandle(x, y)) b.SetPixel(x, y, 0);
    return b;
}

// (Target AND Mask) OR Sprite over the sprite's rectangle at (x, y), clipped to the target.
void MaskAndPaint(Bitmap24& target, int x, int y, const Bitmap24& mask, const Bitmap24& sprite)
{
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(target.Width(), x + sprite.Width()), y1 = std::min(target.Height(), y + sprite.Height());
    if (x0 >= x1) return;
    for (int ty = y0; ty < y1; ++ty) {
        uint8_t* d = target.Row(ty) + x0 * 3;
        const uint8_t* m = mask.Row(ty - y) + (x0 - x) * 3;
        const uint8_t* s = sprite.Row(ty - y) + (x0 - x) * 3;
        for (int i = 0, n = (x1 - x0) * 3; i < n; ++i) d[i] = uint8_t((d[i] & m[i]) | s[i]);
    }
}

// Draws the preset items of the list's popup.
class TPresetDelegate : public QStyledItemDelegate {
public:
    TPresetDelegate(Bitmap24* presetBitmap, QObject* parent) : QStyledItemDelegate(parent), bitmap_(presetBitmap) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool focused = option.state & (QStyle::State_Selected | QStyle::State_HasFocus);
        TPresetCombo::DrawItem(*painter, option.rect, index.row(), focused, *bitmap_);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {option.rect.width(), TPresetCombo::ItemHeight};
    }

private:
    Bitmap24* bitmap_;
};

} // namespace

const std::array<Bitmap24, gsCount>& GradientHandleSprites()
{
    static const std::array<Bitmap24, gsCount> sprites = {
        MakeSprite({0xE8E8E8, 0x404040, true}),
        MakeSprite({MakeColor(0x30, 0x60, 0xC0), 0x101010, true}),
        MakeSprite({0xA8A8A8, 0x707070, false}),
        MakeSprite({MakeColor(0x70, 0x88, 0xB0), 0x404040, false}),
        MakeMask(),
    };
    return sprites;
}

void DrawGradientHandle(const TGradientHandle& handle, Bitmap24& target)
{
    TGradientHandle h = handle;
    h.UpdateRects();
    const auto& sprites = GradientHandleSprites();
    const int look = h.Enabled ? (h.Selected ? gsEnabledSelected : gsEnabled) : (h.Selected ? gsDisabledSelected : gsDisabled);
    MaskAndPaint(target, h.BodyRect.Left, h.BodyRect.Top, sprites[gsMask], sprites[size_t(look)]);
    if (h.Enabled) FillBitmapRect(target, h.Color, h.ColorBox);
}

// ---- the paint box ----

TGradientBox::TGradientBox(Tfrm_GradientColor* form, QWidget* parent) : QWidget(parent), form_(form)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGradientBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, form_->BarBitmap.ConstImage());
}

void TGradientBox::mousePressEvent(QMouseEvent* event)
{
    const QPoint pt = event->position().toPoint();
    form_->MouseAction(Tfrm_GradientColor::mkDown, pt.x(), pt.y(), event->buttons());
}

void TGradientBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pt = event->position().toPoint();
    form_->MouseAction(Tfrm_GradientColor::mkMove, pt.x(), pt.y(), event->buttons());
}

void TGradientBox::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pt = event->position().toPoint();
    form_->MouseAction(Tfrm_GradientColor::mkUp, pt.x(), pt.y(), event->buttons());
}

void TGradientBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a press as well.
    form_->PaintBox1DblClick();
    mousePressEvent(event);
}

// ---- the preset list ----

TPresetCombo::TPresetCombo(Bitmap24* presetBitmap, QWidget* parent)
    : TOwnerDrawnCombo(parent), presetBitmap_(presetBitmap)
{
}

QAbstractItemDelegate* TPresetCombo::MakeItemDelegate() { return new TPresetDelegate(presetBitmap_, this); }

void TPresetCombo::DrawItem(QPainter& painter, const QRect& rect, int index, bool focused, Bitmap24& presetBitmap)
{
    painter.fillRect(rect, ToQColor(focused ? TColor(0x0000FF) : TColor(0xFFFFFF)));
    const QRect inner = rect.adjusted(4, 3, -4, -3);
    const int w = std::min(inner.width(), presetBitmap.Width());
    const int h = std::min(inner.height(), presetBitmap.Height());
    if (w <= 0 || h <= 0) return;
    TNodeArray nodes = EnabledPresetNodes(index);
    DrawLinearGradient(nodes, Rect{0, 0, w, h}, presetBitmap);
    painter.drawImage(inner.topLeft(), presetBitmap.ConstImage(), QRect(0, 0, w, h));
}

void TPresetCombo::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    if (currentIndex() < 0) return;
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    DrawItem(p, field, currentIndex(), hasFocus(), *presetBitmap_);
}

// ---- the form ----

Tfrm_GradientColor::Tfrm_GradientColor(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_GradientColor"), parent,
                Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                    Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    frm_GradientColor = this;
    setWindowTitle(QStringLiteral("Gradient Color"));
    setFixedSize(ClientWidth, ClientHeight);
    BarBitmap.SetSize(GradientBoxWidth, GradientBoxHeight);
    PresetBitmap.SetSize(220, 20);

    TFormBuilder form(this);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, ClientWidth, 38);
    TFormBuilder top = form.Inside(Panel1);
    top.Label(QStringLiteral("Label1"), QStringLiteral("Preset:"), QRect(12, 8, 44, 22), Qt::AlignVCenter | Qt::AlignLeft);
    ComboBox1 = new TPresetCombo(&PresetBitmap, Panel1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(60, 8, 200, 22);
    ComboBox1->addItems({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")});
    ComboBox1->setCurrentIndex(0);
    BitBtn3 = top.Button(QStringLiteral("BitBtn3"), QStringLiteral("Apply the Preset"), QRect(272, 6, 130, 26));

    PaintBox1 = new TGradientBox(this, this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(12, 44, GradientBoxWidth, GradientBoxHeight);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 106, ClientWidth, 80);
    TFormBuilder handle = form.Inside(Panel2);
    handle.Label(QStringLiteral("Label2"), QStringLiteral("Handle No.:"), QRect(12, 14, 70, 22), Qt::AlignVCenter | Qt::AlignLeft);
    spn_HandleNo = handle.Spin(QStringLiteral("spn_HandleNo"), 0, GradientHandleCount - 1, 0, QRect(84, 14, 50, 22));
    handle.Label(QStringLiteral("Label3"), QStringLiteral("Position:"), QRect(148, 14, 56, 22), Qt::AlignVCenter | Qt::AlignLeft);
    spn_Position = handle.Spin(QStringLiteral("spn_Position"), 0, GradientMaxPosition, 0, QRect(206, 14, 60, 22));
    handle.Label(QStringLiteral("Label4"), QStringLiteral("Handle Color:"), QRect(282, 14, 84, 22), Qt::AlignVCenter | Qt::AlignLeft);
    img_HandleColor = handle.Swatch(QStringLiteral("img_HandleColor"), 0xFFFFFF, QRect(368, 14, 41, 22));
    img_HandleColor->PicksOnClick = false;
    chk_HandleEnabled = handle.Check(QStringLiteral("chk_HandleEnabled"), QStringLiteral("Enabled"), 424, 16, true);
    BitBtn4 = handle.Button(QStringLiteral("BitBtn4"), QStringLiteral("Inverse"), QRect(12, 48, 90, 26));

    const TButtonRow buttons = form.Buttons(QStringLiteral("BitBtn1"), QStringLiteral("BitBtn2"), QString(),
                                            ClientWidth - 2 * (75 + 10), ClientHeight - 38);
    BitBtn1 = buttons.Ok;
    BitBtn2 = buttons.Cancel;

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn3, &QPushButton::clicked, this, &Tfrm_GradientColor::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &Tfrm_GradientColor::BitBtn4Click);
    connect(spn_HandleNo, &TSpinEdit::Changed, this, &Tfrm_GradientColor::spn_HandleNoChange);
    connect(spn_Position, &TSpinEdit::Changed, this, &Tfrm_GradientColor::spn_PositionChange);
    connect(chk_HandleEnabled, &QCheckBox::clicked, this, &Tfrm_GradientColor::chk_HandleEnabledClick);
    connect(img_HandleColor, &QToolButton::clicked, this, &Tfrm_GradientColor::img_HandleColorClick);

    Redraw();
    SelectHandle(Model.SelectedIndex);

    ToolsPeers().EditGradient = [this](QWidget* owner, TNodeArray& nodes) { return Execute(owner, nodes); };
}

Tfrm_GradientColor::~Tfrm_GradientColor()
{
    if (frm_GradientColor != this) return;
    frm_GradientColor = nullptr;
    ToolsPeers().EditGradient = nullptr;
}

bool Tfrm_GradientColor::Execute(QWidget* owner, TNodeArray& nodes)
{
    if (ExecOver(*this, owner) != QDialog::Accepted) return false;
    nodes = Nodes;
    return true;
}

void Tfrm_GradientColor::Redraw()
{
    BarBitmap.Fill(GradientBackground);
    for (int i = GradientHandleCount - 1; i >= 0; --i) DrawGradientHandle(Model.Handles[size_t(i)], BarBitmap);
    Nodes = Model.CollectNodes();
    // The bar's pixel 8 + p shows position p, so each handle points at its own colour.
    DrawLinearGradient(Nodes, GradientBarRect, BarBitmap);
    PaintBox1->update();
}

void Tfrm_GradientColor::SelectHandle(int i)
{
    Model.SelectHandle(i);
    const TGradientHandle& h = Model.Selected();
    syncing_ = true;
    spn_HandleNo->SetValue(Model.SelectedIndex);
    spn_Position->SetValue(h.Position);
    img_HandleColor->SetColor(h.Color);
    chk_HandleEnabled->setChecked(h.Enabled);
    syncing_ = false;
}

void Tfrm_GradientColor::MouseAction(TMouseKind kind, int x, int y, Qt::MouseButtons buttons)
{
    switch (kind) {
    case mkDown:
        if (Model.Press(x, y) >= 0) {
            SelectHandle(Model.SelectedIndex);
            Redraw();
        }
        return;
    case mkMove:
        if (!(buttons & Qt::LeftButton)) return;
        if (Model.Move(x)) {
            Redraw();
            syncing_ = true;
            spn_Position->SetValue(Model.Selected().Position);
            syncing_ = false;
        }
        return;
    case mkUp: {
        const TGradientRelease r = Model.Release(x, y);
        if (r.PickColorOf >= 0) {
            TColor color = Model.Handles[size_t(r.PickColorOf)].Color;
            if (!Dialogs().PickColor(this, color)) return;
            Model.SetHandleColor(r.PickColorOf, color);
            Redraw();
            img_HandleColor->SetColor(Model.Handles[size_t(r.PickColorOf)].Color);
            return;
        }
        if (r.Toggled >= 0 && r.Toggled == Model.SelectedIndex) {
            syncing_ = true;
            chk_HandleEnabled->setChecked(Model.Selected().Enabled);
            syncing_ = false;
        }
        Redraw();
        return;
    }
    }
}

void Tfrm_GradientColor::PaintBox1DblClick() { Model.DoubleClicked = true; }

void Tfrm_GradientColor::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    Tfrm_base::setVisible(visible);
    if (!showing) return;
    Redraw();
    SelectHandle(Model.SelectedIndex);
}

void Tfrm_GradientColor::spn_HandleNoChange()
{
    int handle = 0;
    if (syncing_ || !spn_HandleNo->TypedValue(handle)) return;
    SelectHandle(handle);
    Redraw();
}

void Tfrm_GradientColor::spn_PositionChange()
{
    int position = 0;
    if (syncing_ || !spn_Position->TypedValue(position)) return;
    Model.SetSelectedPosition(position);
    Redraw();
}

void Tfrm_GradientColor::chk_HandleEnabledClick()
{
    if (syncing_) return;
    Model.SetSelectedEnabled(chk_HandleEnabled->isChecked());
    Redraw();
}

void Tfrm_GradientColor::img_HandleColorClick()
{
    TColor color = Model.Selected().Color;
    if (!Dialogs().PickColor(this, color)) return;
    Model.SetHandleColor(Model.SelectedIndex, color);
    img_HandleColor->SetColor(Model.Selected().Color);
    Redraw();
}

void Tfrm_GradientColor::BitBtn3Click()
{
    if (!Model.ApplyPreset(ComboBox1->currentIndex())) return;
    Redraw();
    SelectHandle(0);
}

void Tfrm_GradientColor::BitBtn4Click()
{
    // The selection and the handle controls stay as they were.
    Model.Inverse();
    Redraw();
}
