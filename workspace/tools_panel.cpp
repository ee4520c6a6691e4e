// The tools window: its controls, the tool buttons, the option handlers with the palette formats'
// refusals, the text page and the peers it offers while it lives. Previews and shape pages are in
// tools_panel_previews.cpp.
#include "workspace/tools_panel.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "imaging/gradient_shapes.h"
#include "platform/small_routines.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form_builder.h"
#include "platform/ui/spin_edit.h"
#include "workspace/peers.h"

Tfrm_tools_panel* frm_tools_panel = nullptr;

namespace {

constexpr TColor ShapeSampleFill = 0xFF9999; // as a colour value: red 0x99, green 0x99, blue 0xFF

// The item delegate of the shape-type combos: every item 30 pixels high, drawn by the combo.
class TShapeTypeDelegate : public QStyledItemDelegate {
public:
    explicit TShapeTypeDelegate(TShapeTypeCombo* combo) : QStyledItemDelegate(combo), combo_(combo) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool focused = option.state & (QStyle::State_HasFocus | QStyle::State_Selected);
        combo_->DrawItem(*painter, option.rect, index.row(), focused);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return QSize(option.rect.width(), TShapeTypeCombo::ItemHeight);
    }

private:
    TShapeTypeCombo* combo_;
};

// A gradient style button's glyph: the shape renderer's own fill of that mode over a small square,
// white to blue as the first preset.
QIcon StyleGlyph(int mode, bool ellipse)
{
    constexpr int side = 22;
    Bitmap24 color(side, side), mask(side, side);
    // One settings object for the eight glyphs: its strips are the first preset.
    static const TToolSettings fresh;
    std::unique_ptr<TGradientRect> r = ellipse ? std::make_unique<TGradientEllipse>() : std::make_unique<TGradientRect>();
    r->ShapeRect = SizeRect(side, side);
    r->ShapeType = stOutlineAndFill;
    r->FillMode = mode;
    r->BorderWidth = 1;
    r->AlphaColor = 0xFFFFFF;
    r->Color = 0x404040;
    r->AntiAlias = 1;
    r->ColorType = ctTrueAlpha;
    r->GradientStrip = &fresh.Rect.Strip;
    r->ColorBitmap = &color;
    r->MaskBitmap = &mask;
    r->Render();
    QImage image(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const TColor c = color.Pixel(x, y);
            image.setPixel(x, y, qRgba(ColorR(c), ColorG(c), ColorB(c), 255 - mask.Byte0(x, y)));
        }
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

// ---- TShapeTypeCombo ----------------------------------------------------------------------

TShapeTypeCombo::TShapeTypeCombo(bool ellipse, QWidget* parent) : TOwnerDrawnCombo(parent), ellipse_(ellipse)
{
    addItems({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")});
}

QAbstractItemDelegate* TShapeTypeCombo::MakeItemDelegate() { return new TShapeTypeDelegate(this); }

void TShapeTypeCombo::DrawItem(QPainter& painter, const QRect& rect, int index, bool focused) const
{
    painter.save();
    painter.fillRect(rect, focused ? QColor(0xEE, 0xEE, 0xEE) : QColor(Qt::white));
    const int side = std::max(0, std::min(rect.width(), rect.height()) - 10);
    const QRect square(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2, side, side);
    const QColor fill = ToQColor(ShapeSampleFill);
    painter.setPen(index == 2 ? QPen(Qt::NoPen) : QPen(Qt::black, ellipse_ ? 1 : 2));
    // The outline-only item is filled with the item's own background.
    painter.setBrush(index == 0 ? (focused ? QColor(0xEE, 0xEE, 0xEE) : QColor(Qt::white)) : fill);
    if (ellipse_)
        painter.drawEllipse(square);
    else
        painter.drawRect(square);
    painter.restore();
}

void TShapeTypeCombo::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() >= 0) DrawItem(painter, field, currentIndex(), false);
}

// ---- creation -----------------------------------------------------------------------------

Tfrm_tools_panel::Tfrm_tools_panel(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_tools_panel"), parent,
                Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    frm_tools_panel = this;
    setWindowTitle(QStringLiteral("Tools"));
    setFixedSize(ClientWidth, ClientHeight);
    // It joins the topmost band beside the frame without taking the focus from it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // A new window starts from every default: no tool, white fills, both strips the first preset.
    ToolSettings() = TToolSettings();
    CreateControls();
    ShowSettings();
    ShowPage(tab_welcome);
    // Esc reaches the document from every control; the swatches take clicks.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
    SnapToEdges = true;
    RegisterPeers();
}

Tfrm_tools_panel::~Tfrm_tools_panel()
{
    UnregisterPeers();
    if (frm_tools_panel == this) frm_tools_panel = nullptr;
}

void Tfrm_tools_panel::CreateControls()
{
    CreateToolButtons();
    TFormBuilder form(this);
    pan_XY = form.Label(QStringLiteral("pan_XY"), QStringLiteral("X:                Y:"), QRect(4, 108, ClientWidth - 8, 20),
                        Qt::AlignLeft | Qt::AlignVCenter);
    pan_XY->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pan_XY->setIndent(4);

    pgc_Tools = new QTabWidget(this);
    pgc_Tools->setObjectName(QStringLiteral("pgc_Tools"));
    pgc_Tools->setGeometry(4, 132, ClientWidth - 8, ClientHeight - 136);
    pgc_Tools->setTabPosition(QTabWidget::South);
    // The page selectors stay hidden: only the tool buttons switch pages.
    pgc_Tools->tabBar()->setFixedHeight(1);
    pgc_Tools->tabBar()->setVisible(false);
    pgc_Tools->setDocumentMode(true);

    CreateStrokePages();
    CreateReadoutPages();
    CreateTextPage();
    tab_rect = AddPage(QStringLiteral("tab_rect"), QStringLiteral("Rectangle"));
    rect_.Page = spRect;
    rect_.Styles = btn_RectStyle;
    CreateShapePage(rect_, tab_rect, QStringLiteral("Rect"));
    tab_ellipse = AddPage(QStringLiteral("tab_ellipse"), QStringLiteral("Ellipse"));
    ellipse_.Page = spEllipse;
    ellipse_.Styles = btn_EllipseStyle;
    CreateShapePage(ellipse_, tab_ellipse, QStringLiteral("Ellipse"));
    CreateWelcomePage();
    // The selection pages: a thumbnail of the selection and its place and size.
    tab_RectSelect = AddPage(QStringLiteral("tab_RectSelect"), QStringLiteral("Rect Select"));
    tab_FreeSelect = AddPage(QStringLiteral("tab_FreeSelect"), QStringLiteral("Lasso Tool"));
    auto selectionPage = [this](QWidget* page, const QString& suffix, QLabel*& image, QLabel* (&labels)[4]) {
        TFormBuilder p(page);
        image = AddPicture(page, QStringLiteral("img_") + suffix, QRect(24, 30, 128, 128), true);
        const char* const names[4] = {"X", "Y", "W", "H"};
        for (int i = 0; i < 4; ++i)
            labels[i] = p.Label(QStringLiteral("lbl_%1%2").arg(suffix, QLatin1String(names[i])),
                                QStringLiteral("%1:").arg(QLatin1String(names[i])), 24 + (i % 2) * 70, 170 + (i / 2) * 22);
    };
    QLabel* rl[4];
    selectionPage(tab_RectSelect, QStringLiteral("RectSelect"), img_RectSelect, rl);
    lbl_RectSelectX = rl[0], lbl_RectSelectY = rl[1], lbl_RectSelectW = rl[2], lbl_RectSelectH = rl[3];
    QLabel* fl[4];
    selectionPage(tab_FreeSelect, QStringLiteral("FreeSelect"), img_FreeSelect, fl);
    lbl_FreeSelectX = fl[0], lbl_FreeSelectY = fl[1], lbl_FreeSelectW = fl[2], lbl_FreeSelectH = fl[3];
}

void Tfrm_tools_panel::CreateToolButtons()
{
    TFormBuilder form(this);
    struct Def {
        QToolButton** Button;
        const char* Name;
        const char* Hint;
        const char* Glyph;
        int Id;
        int Row, Column;
    };
    const Def defs[] = {
        {&btn_RectSelect, "btn_RectSelect", "Rect Select", "tool_rect_select", tiRectSelect, 0, 0},
        {&btn_FreeSelect, "btn_FreeSelect", "Lasso Tool", "tool_lasso", tiLasso, 0, 1},
        {&btn_pencil, "btn_pencil", "Pencil", "tool_pencil", tiPencil, 0, 2},
        {&btn_brush, "btn_brush", "Brush", "tool_brush", tiBrush, 0, 3},
        {&btn_Dropper, "btn_Dropper", "Dropper", "tool_dropper", tiPicker, 1, 0},
        {&btn_eraser, "btn_eraser", "Eraser", "tool_eraser", tiEraser, 1, 1},
        {&btn_bucket, "btn_bucket", "Bucket", "tool_bucket", tiBucket, 1, 2},
        {&btn_Text, "btn_Text", "Text", "tool_text", tiText, 1, 3},
        {&btn_Rect, "btn_Rect", "Rectangle", "tool_rectangle", tiRectangle, 2, 0},
        {&btn_Ellipse, "btn_Ellipse", "Ellipse", "tool_ellipse", tiEllipse, 2, 1},
        {&btn_Line, "btn_Line", "Line", "tool_line", tiLine, 2, 2},
    };
    constexpr int left = (ClientWidth - 4 * 34) / 2;
    for (const Def& d : defs) {
        QToolButton* b = form.ToolButton(QLatin1String(d.Name), QLatin1String(d.Hint),
                                         QIcon(QStringLiteral(":/glyphs/%1.png").arg(QLatin1String(d.Glyph))),
                                         QRect(left + d.Column * 34, 4 + d.Row * 34, 32, 32));
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setIconSize(QSize(24, 24));
        b->setFocusPolicy(Qt::NoFocus);
        *d.Button = b;
        const int id = d.Id;
        connect(b, &QToolButton::clicked, this, [this, b, id] { ToolButtonClick(b, id); });
    }
}

QWidget* Tfrm_tools_panel::AddPage(const QString& name, const QString& title)
{
    auto* page = new QWidget;
    page->setObjectName(name);
    // The page selectors are never seen, so they go untitled: each page added lays all of them
    // out again, measuring every title.
    pgc_Tools->addTab(page, QString());
    if (name != QLatin1String("tab_welcome")) {
        TFormBuilder p(page);
        p.Label(QStringLiteral("lbl_") + name.mid(4) + QStringLiteral("Title"), title, 8, 6, true);
    }
    return page;
}

QLabel* Tfrm_tools_panel::AddPicture(QWidget* page, const QString& name, const QRect& geometry, bool sunken)
{
    TFormBuilder p(page);
    QWidget* holder = page;
    QRect at = geometry;
    if (sunken) {
        QFrame* panel = p.Bevel(QStringLiteral("pnl_") + name.mid(4), geometry.adjusted(-2, -2, 2, 2));
        holder = panel;
        at = QRect(2, 2, geometry.width(), geometry.height());
    }
    auto* image = new QLabel(holder);
    image->setObjectName(name);
    image->setGeometry(at);
    image->setScaledContents(false);
    pictures_.emplace_back(image, Bitmap24(geometry.width(), geometry.height()));
    return image;
}

void Tfrm_tools_panel::CreateStrokePages()
{
    struct Row {
        TTrackBar** Track;
        TSpinEdit** Spin;
        TToolTrack Which;
        const char* Suffix;
        const char* Caption;
        int Y;
    };
    auto makeRows = [this](QWidget* page, std::initializer_list<Row> rows) {
        TFormBuilder p(page);
        for (const Row& r : rows) {
            const TOptionRange& range = TrackRange(r.Which);
            const TTrackRow row = p.TrackRow(QLatin1String(r.Suffix), QLatin1String(r.Caption), range.Min, range.Max,
                                             range.Default, QRect(4, r.Y, 112, 24), 116, false);
            row.Track->setObjectName(QStringLiteral("trc_") + QLatin1String(r.Suffix));
            row.Spin->setObjectName(QStringLiteral("spn_") + QLatin1String(r.Suffix));
            row.Spin->setGeometry(116, r.Y, 52, 24);
            *r.Track = row.Track;
            *r.Spin = row.Spin;
            const TToolTrack which = r.Which;
            connect(row.Track, &TTrackBar::Changed, this, [this, which] { TrackChanged(which); });
            connect(row.Spin, &TSpinEdit::Changed, this, [this, which] { TrackSpinChanged(which); });
        }
    };
    tab_pencil = AddPage(QStringLiteral("tab_pencil"), QStringLiteral("Pencil"));
    img_pencil = AddPicture(tab_pencil, QStringLiteral("img_pencil"), QRect(38, 30, 100, 100), false);
    makeRows(tab_pencil, {{&trc_PencilSize, &spn_PencilSize, ttPencilSize, "PencilSize", "Size:", 160}});

    tab_brush = AddPage(QStringLiteral("tab_brush"), QStringLiteral("Brush"));
    img_Brush = AddPicture(tab_brush, QStringLiteral("img_Brush"), QRect(38, 30, 100, 100), false);
    makeRows(tab_brush, {{&trc_BrushSize, &spn_BrushSize, ttBrushSize, "BrushSize", "Size:", 160},
                         {&trc_BrushGradient, &spn_BrushGradient, ttBrushGradient, "BrushGradient", "Gradient:", 206}});

    tab_eraser = AddPage(QStringLiteral("tab_eraser"), QStringLiteral("Eraser"));
    img_Eraser = AddPicture(tab_eraser, QStringLiteral("img_Eraser"), QRect(38, 30, 100, 100), false);
    makeRows(tab_eraser, {{&trc_EraserSize, &spn_EraserSize, ttEraserSize, "EraserSize", "Size:", 160}});

    tab_bucket = AddPage(QStringLiteral("tab_bucket"), QStringLiteral("Bucket"));
    img_bucket = AddPicture(tab_bucket, QStringLiteral("img_bucket"), QRect(24, 30, 128, 128), true);
    makeRows(tab_bucket,
             {{&trc_BucketTolerance, &spn_BucketTolerance, ttBucketTolerance, "BucketTolerance", "Tolerance:", 188}});

    tab_line = AddPage(QStringLiteral("tab_line"), QStringLiteral("Line"));
    img_Line = AddPicture(tab_line, QStringLiteral("img_Line"), QRect(38, 30, 100, 100), false);
    makeRows(tab_line, {{&trc_LineSize, &spn_LineSize, ttLineSize, "LineSize", "Size:", 160}});
    TFormBuilder line(tab_line);
    chk_LineAntiAliase = line.Check(QStringLiteral("chk_LineAntiAliase"), QStringLiteral("Anti-Aliasing"), 4, 194);
    connect(chk_LineAntiAliase, &QCheckBox::clicked, this, &Tfrm_tools_panel::chk_LineAntiAliaseClick);
}

void Tfrm_tools_panel::CreateReadoutPages()
{
    tab_dropper = AddPage(QStringLiteral("tab_dropper"), QStringLiteral("Dropper"));
    img_dropper = AddPicture(tab_dropper, QStringLiteral("img_dropper"), QRect(49, 30, 78, 78), true);
    TFormBuilder p(tab_dropper);
    lbl_dropperR = p.Label(QStringLiteral("lbl_dropperR"), QStringLiteral("R:   "), 40, 122);
    lbl_dropperG = p.Label(QStringLiteral("lbl_dropperG"), QStringLiteral("G:   "), 100, 122);
    lbl_dropperB = p.Label(QStringLiteral("lbl_dropperB"), QStringLiteral("B:   "), 40, 144);
    lbl_dropperA = p.Label(QStringLiteral("lbl_dropperA"), QStringLiteral("A:   "), 100, 144);
    for (QLabel* l : {lbl_dropperR, lbl_dropperG, lbl_dropperB, lbl_dropperA}) l->setMinimumWidth(56);
}

void Tfrm_tools_panel::CreateTextPage()
{
    tab_text = AddPage(QStringLiteral("tab_text"), QStringLiteral("Text"));
    img_text = AddPicture(tab_text, QStringLiteral("img_text"), QRect(24, 28, 128, 128), true);
    TFormBuilder p(tab_text);
    p.Label(QStringLiteral("lbl_TextText"), QStringLiteral("Text:"), 4, 166);
    edt_TextText = new QLineEdit(tab_text);
    edt_TextText->setObjectName(QStringLiteral("edt_TextText"));
    edt_TextText->setGeometry(40, 162, 128, 22);
    edt_TextText->setText(ToolSettings().TextText);
    connect(edt_TextText, &QLineEdit::textChanged, this, &Tfrm_tools_panel::edt_TextTextChange);
    btn_Font = p.Button(QStringLiteral("btn_Font"), QStringLiteral("Font"), QRect(40, 188, 75, 24));
    connect(btn_Font, &QPushButton::clicked, this, &Tfrm_tools_panel::btn_FontClick);
    struct Place {
        TSpinEdit** Spin;
        const char* Name;
        const char* Caption;
        TOptionRange Range;
        int X, Y;
    };
    const Place places[] = {
        {&spn_TextX, "spn_TextX", "X:", ToolRange::TextPosition, 4, 220},
        {&spn_TextY, "spn_TextY", "Y:", ToolRange::TextPosition, 88, 220},
        {&spn_TextW, "spn_TextW", "W:", ToolRange::TextSize, 4, 248},
        {&spn_TextH, "spn_TextH", "H:", ToolRange::TextSize, 88, 248},
        {&spn_TextAngle, "spn_TextAngle", "Angle:", ToolRange::TextAngle, 4, 276},
    };
    for (const Place& pl : places) {
        const QString caption = QLatin1String(pl.Caption);
        QLabel* label = p.Label(QString(), caption, pl.X, pl.Y + 4);
        const int x = pl.X + label->sizeHint().width() + 4;
        // The frame's centre and angle have no limits of their own (0..0 is unlimited).
        const bool limited = pl.Range.Min == ToolRange::TextSize.Min;
        *pl.Spin = p.Spin(QLatin1String(pl.Name), limited ? pl.Range.Min : 0, limited ? pl.Range.Max : 0,
                          pl.Range.Default, QRect(x, pl.Y, 56, 24));
        connect(*pl.Spin, &TSpinEdit::Changed, this, &Tfrm_tools_panel::ApplyTextPlacement);
    }
    chk_TextAntiAliase = p.Check(QStringLiteral("chk_TextAntiAliase"), QStringLiteral("Anti-Aliasing"), 4, 306);
    connect(chk_TextAntiAliase, &QCheckBox::clicked, this, &Tfrm_tools_panel::chk_TextAntiAliaseClick);
}

void Tfrm_tools_panel::CreateShapePage(TShapePageControls& c, QWidget* page, const QString& suffix)
{
    const bool rect = c.Page == spRect;
    TFormBuilder p(page);
    c.Preview = AddPicture(page, QStringLiteral("img_") + suffix, QRect(4, 30, 70, 70), false);
    c.Type = new TShapeTypeCombo(!rect, page);
    c.Type->setObjectName(QStringLiteral("cmb_%1Type").arg(suffix));
    c.Type->setGeometry(82, 30, 88, 34);
    connect(c.Type, &QComboBox::activated, this,
            [this, &c, rect](int item) { ShapeOptionChanged(c, rect ? ocRectType : ocEllipseType, item); });
    const QString aaName = rect ? QStringLiteral("chk_RectAntiAliasing") : QStringLiteral("chk_EllipseAntiAliasing");
    c.BorderLabel = p.Label(QStringLiteral("lbl_%1BorderSize").arg(suffix), QStringLiteral("Border:"), 82, rect ? 98 : 74);
    c.Border = p.Spin(QStringLiteral("spn_%1BorderSize").arg(suffix), ToolRange::BorderSize.Min, ToolRange::BorderSize.Max,
                      ToolRange::BorderSize.Default, QRect(126, rect ? 94 : 70, 44, 24));
    connect(c.Border, &TSpinEdit::Changed, this, [this, &c] { ShapeSpinChange(c, c.Border); });
    c.AntiAlias = p.Check(aaName, QStringLiteral("Anti-Aliasing"), 82, rect ? 72 : 100);
    connect(c.AntiAlias, &QCheckBox::clicked, this, [this, &c, rect](bool checked) {
        ShapeOptionChanged(c, rect ? ocRectAntiAlias : ocEllipseAntiAlias, checked ? 1 : 0);
    });
    if (rect) {
        p.Label(QStringLiteral("lbl_RectRound"), QStringLiteral("Round:"), 82, 124);
        c.Round = p.Spin(QStringLiteral("spn_RectRound"), ToolRange::RectRound.Min, ToolRange::RectRound.Max,
                         ToolRange::RectRound.Default, QRect(126, 120, 44, 24));
        connect(c.Round, &TSpinEdit::Changed, this, [this, &c] { ShapeSpinChange(c, c.Round); });
    }
    c.Gradient = p.Check(QStringLiteral("chk_%1Gradient").arg(suffix), QStringLiteral("Gradient"), 4, 150);
    connect(c.Gradient, &QCheckBox::clicked, this, [this, &c, rect](bool checked) {
        ShapeOptionChanged(c, rect ? ocRectGradient : ocEllipseGradient, checked ? 1 : 0);
    });
    c.Swatch = AddPicture(page, QStringLiteral("img_%1Gradient").arg(suffix), QRect(6, 174, ShapeSwatchWidth, ShapeSwatchHeight), false);
    c.Swatch->setCursor(Qt::PointingHandCursor);
    c.StyleGroup = new QButtonGroup(page);
    c.StyleGroup->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        QToolButton* b = p.ToolButton(QStringLiteral("btn_%1Style0%2").arg(suffix).arg(i + 1),
                                      QStringLiteral("Style %1").arg(i + 1), StyleGlyph(i + 1, !rect),
                                      QRect(6 + i * 40, 206, 30, 30));
        b->setCheckable(true);
        b->setIconSize(QSize(22, 22));
        b->setFocusPolicy(Qt::NoFocus);
        c.Styles[i] = b;
        c.StyleGroup->addButton(b, i + 1);
        const int style = i + 1;
        connect(b, &QToolButton::clicked, this, [this, &c, style] { ShapeStyleClick(c, style); });
    }
    c.Styles[0]->setChecked(true);
    if (rect) {
        img_Rect = c.Preview, img_RectGradient = c.Swatch, cmb_RectType = c.Type, chk_RectAntiAliasing = c.AntiAlias;
        lbl_RectBorderSize = c.BorderLabel, spn_RectBorderSize = c.Border, spn_RectRound = c.Round;
        chk_RectGradient = c.Gradient;
    } else {
        img_Ellipse = c.Preview, img_EllipseGradient = c.Swatch, cmb_EllipseType = c.Type;
        chk_EllipseAntiAliasing = c.AntiAlias, lbl_EllipseBorderSize = c.BorderLabel;
        spn_EllipseBorderSize = c.Border, chk_EllipseGradient = c.Gradient;
    }
}

void Tfrm_tools_panel::CreateWelcomePage()
{
    tab_welcome = AddPage(QStringLiteral("tab_welcome"), QStringLiteral("Welcome"));
    TFormBuilder p(tab_welcome);
    p.Label(QStringLiteral("lbl_welcome1"), QStringLiteral("Welcome to "), 8, 8, true);
    QLabel* name = p.Label(QStringLiteral("lbl_welcome2"), QStringLiteral("Tavrin"), 8, 28, true);
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    name->setFont(big);
    name->adjustSize();
    QPalette blue = name->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    name->setPalette(blue);
    img_welcome = new QLabel(tab_welcome);
    img_welcome->setObjectName(QStringLiteral("img_welcome"));
    img_welcome->setGeometry(8, 64, 160, 160);
    img_welcome->setPixmap(ProgramIcon().pixmap(160, 160));
}

// ---- peers --------------------------------------------------------------------------------

void Tfrm_tools_panel::RegisterPeers()
{
    TToolsPeers& tools = ToolsPeers();
    tools.RefreshPreviews = [this] { RefreshToolPreview(); };
    tools.ShowToolPage = [this](int id) { ShowToolPage(id); };
    tools.SetTextPlacement = [this](int x, int y, int angle, int height, int width) {
        SetTextPlacement(x, y, angle, height, width);
    };
    tools.ShowRectSelection = [this](const Rect& b, const Bitmap24* c, const Bitmap24* m) { ShowRectSelection(b, c, m); };
    tools.ShowFreeSelection = [this](const Rect& b, const Bitmap24* c, const Bitmap24* m) { ShowFreeSelection(b, c, m); };
    tools.ShowBucketPreview = [this](const Bitmap24& c, const Bitmap24& m, const Rect& r) { ShowBucketPreview(c, m, r); };
    tools.ShowPickedColour = [this](TColor color, int alpha) { ShowPickedColour(color, alpha); };
    TDocumentPeers& docs = DocumentPeers();
    docs.CurrentToolId = [] { return ToolSettings().ToolId; };
    docs.ActiveImageChanged = [this](Tfrm_childwin* doc, int index, int32_t colorType) {
        ActiveImageChanged(doc, index, colorType);
    };
    docs.LeaveTextTool = [this] { EndTextTool(); };
    docs.ShowCell = [this](int x, int y) { ShowCell(x, y); };
    peersRegistered_ = true;
}

void Tfrm_tools_panel::UnregisterPeers()
{
    if (!peersRegistered_) return;
    peersRegistered_ = false;
    TToolsPeers& tools = ToolsPeers();
    tools.RefreshPreviews = nullptr;
    tools.ShowToolPage = nullptr;
    tools.SetTextPlacement = nullptr;
    tools.ShowRectSelection = nullptr;
    tools.ShowFreeSelection = nullptr;
    tools.ShowBucketPreview = nullptr;
    tools.ShowPickedColour = nullptr;
    TDocumentPeers& docs = DocumentPeers();
    docs.CurrentToolId = nullptr;
    docs.ActiveImageChanged = nullptr;
    docs.LeaveTextTool = nullptr;
    docs.ShowCell = nullptr;
}

void Tfrm_tools_panel::SetTextEditing(bool on)
{
    if (const auto& lock = FramePeers().SetTextEditing) lock(on);
}

void Tfrm_tools_panel::CallToolChanged()
{
    if (const auto& changed = FramePeers().ToolChanged) changed();
}

void Tfrm_tools_panel::CallPaletteChanged()
{
    if (const auto& changed = FramePeers().PaletteChanged) changed();
}

int32_t Tfrm_tools_panel::ActiveColorType()
{
    const auto& type = FramePeers().ActiveColorType;
    return type ? type() : ctTrueAlpha;
}

int32_t Tfrm_tools_panel::PanelColorType()
{
    const auto& type = ColorPeers().GetColorType;
    return type ? type() : ctTrueAlpha;
}

TPreviewColors Tfrm_tools_panel::PreviewColors()
{
    TPreviewColors c;
    const TColorPeers& colors = ColorPeers();
    if (colors.GetColor) c.Color = colors.GetColor();
    if (colors.GetAlphaColor) c.AlphaColor = colors.GetAlphaColor();
    if (colors.GetPalette) c.Palette = colors.GetPalette();
    c.PanelColorType = PanelColorType();
    c.ActiveColorType = ActiveColorType();
    return c;
}

// ---- showing ------------------------------------------------------------------------------

void Tfrm_tools_panel::showEvent(QShowEvent* event)
{
    Tfrm_base::showEvent(event);
    if (firstShowDone_) return;
    firstShowDone_ = true;
    ToolSettings().SeedLastSeen();
    ShowPage(tab_welcome);
}

void Tfrm_tools_panel::closeEvent(QCloseEvent* event)
{
    // The window lives until the program ends; it has no close button, and Alt+F4 does nothing.
    event->ignore();
}

void Tfrm_tools_panel::keyPressEvent(QKeyEvent* event)
{
    // Keys no control of this window took act on the active document (Esc, Delete, Left, Right);
    // never a key typed into a text or number field, which would edit the icon unseen.
    event->accept();
    for (QWidget* w = focusWidget(); w && w != this; w = w->parentWidget())
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w)) return;
    if (const auto& forward = FramePeers().DocumentKeyPress) forward(event);
}

bool Tfrm_tools_panel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == img_RectGradient) {
            ShapeSwatchClick(rect_);
            return true;
        }
        if (watched == img_EllipseGradient) {
            ShapeSwatchClick(ellipse_);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Esc always reaches the document, whichever control has the focus.
        if (const auto& forward = FramePeers().DocumentKeyPress) forward(static_cast<QKeyEvent*>(event));
        return true;
    }
    return Tfrm_base::eventFilter(watched, event);
}

QWidget* Tfrm_tools_panel::CurrentPage() const { return pgc_Tools->currentWidget(); }

void Tfrm_tools_panel::ShowPage(QWidget* page)
{
    if (page && pgc_Tools->currentWidget() != page) pgc_Tools->setCurrentWidget(page);
}

void Tfrm_tools_panel::SetPicture(QLabel* image, const Bitmap24& bitmap)
{
    for (auto& p : pictures_)
        if (p.first == image) p.second = bitmap;
    image->setPixmap(QPixmap::fromImage(bitmap.ConstImage()));
}

const Bitmap24& Tfrm_tools_panel::PreviewOf(const QLabel* image) const
{
    for (const auto& p : pictures_)
        if (p.first == image) return p.second;
    static const Bitmap24 none;
    return none;
}

void Tfrm_tools_panel::ShowCell(int cellX, int cellY)
{
    pan_XY->setText(QStringLiteral("X: %1               Y: %2").arg(cellX).arg(cellY));
}

void Tfrm_tools_panel::ShowSettings()
{
    const TToolSettings& s = ToolSettings();
    for (int t = 0; t < ttTrackCount; ++t) {
        const TToolTrack track = TToolTrack(t);
        const QSignalBlocker b1(TrackBarOf(track)), b2(TrackSpinOf(track));
        TrackBarOf(track)->SetPosition(s.Track(track));
        TrackSpinOf(track)->SetValue(s.Track(track));
    }
    {
        const QSignalBlocker b(edt_TextText);
        if (edt_TextText->text() != s.TextText) edt_TextText->setText(s.TextText);
    }
    chk_LineAntiAliase->setChecked(s.LineAntiAlias);
    chk_TextAntiAliase->setChecked(s.TextAntiAlias);
    const std::pair<TSpinEdit*, int> places[] = {
        {spn_TextX, s.TextX}, {spn_TextY, s.TextY}, {spn_TextW, s.TextW}, {spn_TextH, s.TextH}, {spn_TextAngle, s.TextAngle}};
    for (const auto& [spin, value] : places) {
        const QSignalBlocker b(spin);
        spin->SetValue(value);
    }
    ShowShapeSettings(rect_);
    ShowShapeSettings(ellipse_);
}

void Tfrm_tools_panel::ShowShapeSettings(const TShapePageControls& c)
{
    const TShapeOptions& s = ToolSettings().Shape(c.Page);
    const QSignalBlocker b1(c.Type), b2(c.Border);
    c.Type->setCurrentIndex(s.Type);
    c.AntiAlias->setChecked(s.AntiAlias);
    c.Gradient->setChecked(s.Gradient);
    if (c.Border->Value() != s.BorderSize || !IsIntegerText(c.Border->Text().trimmed())) c.Border->SetValue(s.BorderSize);
    if (c.Round) {
        const QSignalBlocker b3(c.Round);
        if (c.Round->Value() != s.Round || !IsIntegerText(c.Round->Text().trimmed())) c.Round->SetValue(s.Round);
    }
    if (s.Style >= 1 && s.Style <= 4) c.Styles[s.Style - 1]->setChecked(true);
}

// ---- tools --------------------------------------------------------------------------------

void Tfrm_tools_panel::RaiseOtherButtons(QToolButton* down)
{
    for (QToolButton* b : {btn_RectSelect, btn_FreeSelect, btn_pencil, btn_brush, btn_Dropper, btn_eraser, btn_bucket,
                           btn_Text, btn_Rect, btn_Ellipse, btn_Line})
        if (b != down && b->isChecked()) b->setChecked(false);
}

void Tfrm_tools_panel::ToolButtonClick(QToolButton* button, int id)
{
    // One group that allows all up: at most one button is down, and the down one comes up again.
    const bool down = button->isChecked();
    if (down) RaiseOtherButtons(button);
    const TToolChange change = ToolSettings().ToolButtonClicked(id, down);
    // Leaving the text tool always releases the lock, also with no document to do it.
    if (change.TextLockOff) SetTextEditing(false);
    const int tool = ToolSettings().ToolId;
    switch (id) {
    case tiRectSelect:
    case tiLasso:
        ShowToolPage(tool);
        break;
    case tiPencil:
    case tiBrush:
    case tiEraser:
        ShowToolPage(tool);
        DrawFootprintPreview(id);
        break;
    case tiBucket:
        ShowToolPage(tool);
        break;
    case tiPicker:
        ShowToolPage(tool);
        for (QLabel* l : {lbl_dropperR, lbl_dropperG, lbl_dropperB, lbl_dropperA}) l->clear();
        break;
    case tiLine:
        DrawLinePreview();
        ShowToolPage(tool);
        break;
    case tiRectangle:
        DrawRectPreview();
        ShowToolPage(tool);
        break;
    case tiEllipse:
        ShowToolPage(tool);
        DrawEllipsePreview();
        break;
    case tiText:
        if (down) SetTextEditing(true);
        ShowToolPage(tool);
        DrawTextPreview();
        CallPaletteChanged();
        break;
    default:
        break;
    }
}

void Tfrm_tools_panel::ShowToolPage(int toolId)
{
    CallToolChanged();
    QWidget* page = tab_welcome;
    switch (toolId) {
    case tiRectSelect: page = tab_RectSelect; break;
    case tiLasso: page = tab_FreeSelect; break;
    case tiPencil: page = tab_pencil; break;
    case tiBrush: page = tab_brush; break;
    case tiText: page = tab_text; break;
    case tiBucket: page = tab_bucket; break;
    case tiPicker: page = tab_dropper; break;
    case tiEraser: page = tab_eraser; break;
    case tiRectangle: page = tab_rect; break;
    case tiEllipse: page = tab_ellipse; break;
    case tiLine: page = tab_line; break;
    default: break;
    }
    ShowPage(page);
}

void Tfrm_tools_panel::ActiveImageChanged(const void* document, int index, int32_t colorType)
{
    // Making a format current drops the document's selection, also when it is the same format again.
    ClearSelectionReadouts();
    const auto& getColor = ColorPeers().GetColor;
    const TImageChange change =
        ToolSettings().ActiveImageChanged(document, index, colorType, getColor ? getColor() : TColor(0));
    if (change.Ignored) return;
    if (change.PaletteRulesApplied) {
        // The refused options are put back without their handlers, so no message shows.
        ShowSettings();
        if (CurrentPage() == tab_rect) DrawRectPreview();
        if (CurrentPage() == tab_ellipse) DrawEllipsePreview();
    }
    if (change.TextToolEnded) {
        {
            const QSignalBlocker b(btn_Text);
            btn_Text->setChecked(false);
        }
        SetTextEditing(false);
        ShowToolPage(tiNone);
        if (change.CommitAllTexts)
            if (const auto& commit = FramePeers().CommitAllTexts) commit();
    }
}

void Tfrm_tools_panel::EndTextTool()
{
    const TToolChange change = ToolSettings().EndTextTool();
    if (!change.TextLockOff) return;
    SetTextEditing(false);
    {
        const QSignalBlocker b(btn_Text);
        btn_Text->setChecked(false);
    }
    ShowPage(tab_welcome);
}

// ---- track bars ---------------------------------------------------------------------------

TTrackBar* Tfrm_tools_panel::TrackBarOf(TToolTrack track) const
{
    switch (track) {
    case ttPencilSize: return trc_PencilSize;
    case ttBrushSize: return trc_BrushSize;
    case ttBrushGradient: return trc_BrushGradient;
    case ttEraserSize: return trc_EraserSize;
    case ttBucketTolerance: return trc_BucketTolerance;
    default: return trc_LineSize;
    }
}

TSpinEdit* Tfrm_tools_panel::TrackSpinOf(TToolTrack track) const
{
    switch (track) {
    case ttPencilSize: return spn_PencilSize;
    case ttBrushSize: return spn_BrushSize;
    case ttBrushGradient: return spn_BrushGradient;
    case ttEraserSize: return spn_EraserSize;
    case ttBucketTolerance: return spn_BucketTolerance;
    default: return spn_LineSize;
    }
}

void Tfrm_tools_panel::RedrawTrackPreview(TToolTrack track)
{
    switch (track) {
    case ttPencilSize: DrawFootprintPreview(tiPencil); break;
    case ttBrushSize:
    case ttBrushGradient: DrawFootprintPreview(tiBrush); break;
    case ttEraserSize: DrawFootprintPreview(tiEraser); break;
    case ttLineSize: DrawLinePreview(); break;
    default: break;
    }
}

void Tfrm_tools_panel::TrackChanged(TToolTrack track)
{
    TTrackBar* bar = TrackBarOf(track);
    TSpinEdit* spin = TrackSpinOf(track);
    const int position = bar->Position();
    const int32_t type = ActiveColorType();
    const TTrackOutcome out = ToolSettings().TrackMoved(track, position, type);
    if (out.Ignored) return;
    if (out.Refused) {
        ShowRefusal(CheckOptionChange(ocBrushGradient, type, position));
        const QSignalBlocker b1(bar), b2(spin);
        bar->SetPosition(255);
        spin->SetValue(255);
        return;
    }
    if (spin->Value() != position || !IsIntegerText(spin->Text().trimmed())) {
        const QSignalBlocker b(spin);
        spin->SetValue(position);
    }
    if (out.RedrawPreview) RedrawTrackPreview(track);
}

void Tfrm_tools_panel::TrackSpinChanged(TToolTrack track)
{
    // Letters or a lone sign on the way to a number change nothing and stay as typed.
    int value = 0;
    if (!TrackSpinOf(track)->TypedValue(value)) return;
    TTrackBar* bar = TrackBarOf(track);
    if (value != bar->Position()) bar->SetPosition(value);
}

// ---- options ------------------------------------------------------------------------------

void Tfrm_tools_panel::ShowRefusal(const TRefusal& refusal)
{
    if (refusal.Refused && !refusal.Message.isEmpty())
        Dialogs().Message(this, refusal.Message, refusal.Caption, TMsgButtons::Ok, TMsgIcon::Information);
}

void Tfrm_tools_panel::chk_LineAntiAliaseClick(bool checked)
{
    const TRefusal r = CheckOptionChange(ocLineAntiAlias, ActiveColorType(), checked ? 1 : 0);
    if (r.Refused) {
        ShowRefusal(r);
        chk_LineAntiAliase->setChecked(false);
        ToolSettings().LineAntiAlias = false;
        return;
    }
    ToolSettings().LineAntiAlias = checked;
    DrawLinePreview();
}

void Tfrm_tools_panel::chk_TextAntiAliaseClick(bool checked)
{
    const TRefusal r = CheckOptionChange(ocTextAntiAlias, ActiveColorType(), checked ? 1 : 0);
    if (r.Refused) {
        ShowRefusal(r);
        chk_TextAntiAliase->setChecked(false);
        ToolSettings().TextAntiAlias = false;
        CallPaletteChanged();
        return;
    }
    ToolSettings().TextAntiAlias = checked;
    DrawTextPreview();
    CallPaletteChanged();
}

void Tfrm_tools_panel::edt_TextTextChange()
{
    ToolSettings().TextText = edt_TextText->text();
    DrawTextPreview();
    CallPaletteChanged();
}

void Tfrm_tools_panel::btn_FontClick()
{
    const auto& choose = ToolsPeers().ChooseFont;
    if (!choose) return;
    TToolSettings& s = ToolSettings();
    QString text = s.TextText;
    QFont font = s.TextFont;
    if (!choose(this, text, font)) return;
    s.TextFont = font;
    {
        const QSignalBlocker b(edt_TextText);
        edt_TextText->setText(text);
    }
    s.TextText = text;
    DrawTextPreview();
    CallPaletteChanged();
}

void Tfrm_tools_panel::ApplyTextPlacement()
{
    if (!ToolSettings().ApplyTextPlacement(spn_TextX->Text(), spn_TextY->Text(), spn_TextW->Text(), spn_TextH->Text(),
                                           spn_TextAngle->Text()))
        return;
    const TToolSettings& s = ToolSettings();
    if (const auto& frame = FramePeers().SetActiveTextFrame) frame(s.TextX, s.TextY, s.TextAngle, s.TextH, s.TextW);
    DrawTextPreview();
}

void Tfrm_tools_panel::SetTextPlacement(int x, int y, int angle, int height, int width)
{
    TToolSettings& s = ToolSettings();
    s.SetTextPlacement(x, y, angle, height, width);
    const std::pair<TSpinEdit*, int> places[] = {
        {spn_TextX, s.TextX}, {spn_TextY, s.TextY}, {spn_TextW, s.TextW}, {spn_TextH, s.TextH}, {spn_TextAngle, s.TextAngle}};
    for (const auto& [spin, value] : places) {
        const QSignalBlocker b(spin);
        spin->SetValue(value);
    }
}

void Tfrm_tools_panel::ShapeOptionChanged(TShapePageControls& c, TOptionControl control, int value)
{
    // The change is stored first; a palette colour type's refusal shows its message, and the page
    // refresh then turns the option back.
    TShapeOptions& s = ToolSettings().Shape(c.Page);
    switch (control) {
    case ocRectType:
    case ocEllipseType: s.Type = ToolRange::ShapeType.Clamp(value); break;
    case ocRectGradient:
    case ocEllipseGradient: s.Gradient = value != 0; break;
    default: s.AntiAlias = value != 0; break;
    }
    ShowRefusal(CheckOptionChange(control, PanelColorType(), value));
    RefreshShapePage(c);
}

void Tfrm_tools_panel::ShapeSpinChange(TShapePageControls& c, TSpinEdit* spin)
{
    // A text that is no whole number changes nothing until it is one.
    int value = 0;
    if (!spin->TypedValue(value)) return;
    TShapeOptions& s = ToolSettings().Shape(c.Page);
    if (spin == c.Border)
        s.BorderSize = value;
    else
        s.Round = value;
    RefreshShapePage(c);
}

void Tfrm_tools_panel::ShapeStyleClick(TShapePageControls& c, int style)
{
    ToolSettings().Shape(c.Page).Style = ToolRange::GradientStyle.Clamp(style);
    RefreshShapePage(c);
}

void Tfrm_tools_panel::ShapeSwatchClick(TShapePageControls& c)
{
    const TRefusal r = CheckOptionChange(c.Page == spRect ? ocRectSwatch : ocEllipseSwatch, PanelColorType(), 1);
    if (r.Refused) {
        ShowRefusal(r);
        return;
    }
    TShapeOptions& s = ToolSettings().Shape(c.Page);
    if (c.Gradient->isChecked()) {
        const auto& edit = ToolsPeers().EditGradient;
        TNodeArray nodes;
        if (!edit || !edit(this, nodes)) return;
        ToolSettings().SetShapeGradient(c.Page, nodes);
    } else {
        TToolSettings::UseTrueColorFill(s);
        TColor color = s.FillColor;
        if (!Dialogs().PickColor(this, color)) return;
        s.FillColor = color;
    }
    RefreshShapePage(c);
}
