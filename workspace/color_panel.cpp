// The colour window: its controls, the routing of presses and slider moves into the colour model,
// the repaint of each control from the model, and the colour peers it offers while it lives.
#include "workspace/color_panel.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QTabWidget>

#include "platform/ui/form_builder.h"
#include "platform/ui/spin_edit.h"
#include "workspace/peers.h"

Tfrm_color_panel* frm_color_panel = nullptr;

// ---- TImageBox ----------------------------------------------------------------------------

TImageBox::TImageBox(QWidget* parent) : QWidget(parent) {}

void TImageBox::SetPicture(const Bitmap24& bitmap, bool keyBlack)
{
    if (!keyBlack) {
        picture_ = bitmap.ConstImage().copy();
    } else {
        picture_ = bitmap.ConstImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < picture_.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture_.scanLine(y));
            for (int x = 0; x < picture_.width(); ++x)
                if ((row[x] & 0xFFFFFF) == 0) row[x] = 0;
        }
    }
    update();
}

void TImageBox::paintEvent(QPaintEvent*)
{
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(rect(), picture_);
}

void TImageBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) emit MouseAt(event->position().toPoint());
}

void TImageBox::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) emit MouseAt(event->position().toPoint());
}

// ---- glyphs -------------------------------------------------------------------------------

namespace {

constexpr TColor GlyphLight = 0xFFFFFF;
constexpr TColor GlyphDark = 0x202020; // not black: black is the see-through colour

// A ring with four ticks, light over dark, so it shows on any colour of the square.
Bitmap24 CrossGlyph()
{
    Bitmap24 b(19, 19);
    b.Fill(0);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 19; ++x) {
            const int dx = x - 9, dy = y - 9;
            const int d2 = dx * dx + dy * dy;
            if (d2 >= 25 && d2 < 42) b.SetPixel(x, y, GlyphLight);
            else if ((d2 >= 16 && d2 < 25) || (d2 >= 42 && d2 < 56)) b.SetPixel(x, y, GlyphDark);
        }
    for (int i = 0; i < 3; ++i) {
        b.SetPixel(9, i, GlyphLight);
        b.SetPixel(9, 18 - i, GlyphLight);
        b.SetPixel(i, 9, GlyphLight);
        b.SetPixel(18 - i, 9, GlyphLight);
    }
    return b;
}

// Two small triangles pointing in at the hue bar's row from both sides.
Bitmap24 ArrowGlyph()
{
    Bitmap24 b(20, 5);
    b.Fill(0);
    for (int y = 0; y < 5; ++y) {
        const int len = 3 - std::abs(y - 2);
        for (int x = 0; x < len; ++x) {
            const TColor c = (x == len - 1 || y == 0 || y == 4) ? GlyphDark : GlyphLight;
            b.SetPixel(x, y, c);
            b.SetPixel(19 - x, y, c);
        }
    }
    return b;
}

TColor ButtonFace() { return FromQColor(QApplication::palette().color(QPalette::Button)); }

} // namespace

// ---- the window ---------------------------------------------------------------------------

Tfrm_color_panel::Tfrm_color_panel(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_color_panel"), parent,
                Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    frm_color_panel = this;
    setWindowTitle(QStringLiteral("Colors"));
    setFixedSize(ClientWidth, ClientHeight);
    CreateControls();

    // The first tick applies the initial colour.
    model_.RequestRedraw();
    pgc_Color->setCurrentIndex(0);
    trc_A->SetPosition(255);
    ClearHistory();
    DrawColorPreview();
    edt_htmlCode->setText(QStringLiteral("000000"));

    img_arrow->SetPicture(ArrowGlyph(), true);
    img_cross->SetPicture(CrossGlyph(), true);
    img_arrow->setGeometry(img_hArea->x(), img_hArea->y() - img_arrow->height() / 2, img_hArea->width(), 5);
    img_cross->move(img_svArea->x() - img_cross->width() / 2, img_svArea->y() - img_cross->height() / 2);
    DrawHueBar(HueBitmap_);
    img_hArea->SetPicture(HueBitmap_);
    model_.InitStandardPalettes();
    DrawnHue = -1;
    DrawTransparentButton();
    InitColorLibrary();
    SnapToEdges = true;
    ShowMode();

    tmr_reDraw.setInterval(20);
    connect(&tmr_reDraw, &QTimer::timeout, this, &Tfrm_color_panel::tmr_reDrawTimer);
    tmr_reDraw.start();
    RegisterPeers();
}

Tfrm_color_panel::~Tfrm_color_panel()
{
    tmr_reDraw.stop();
    if (frm_color_panel != this) return;
    frm_color_panel = nullptr;
    ColorPeers() = TColorPeers{};
    DocumentPeers().GetPanelPalette = nullptr;
    DocumentPeers().SetPanelColorType = nullptr;
    DocumentPeers().PanelPaletteEdited = nullptr;
}

TTrackBar* Tfrm_color_panel::TrackRow(const QString& letter, int max, int value, int y, TSpinEdit*& spin, QLabel** label)
{
    TFormBuilder form(this);
    const TTrackRow row = form.TrackRow(letter, QString(), 0, max, value, QRect(22, y, 126, 22), 151);
    row.Track->setObjectName(QStringLiteral("trc_") + letter);
    row.Spin->setObjectName(QStringLiteral("spn_") + letter);
    QLabel* caption = form.Label(QStringLiteral("lab_") + letter, letter + QLatin1Char(':'), 6, y + 3);
    if (label) *label = caption;
    spin = row.Spin;
    return row.Track;
}

void Tfrm_color_panel::CreateControls()
{
    TFormBuilder form(this);
    pgc_Color = new QTabWidget(this);
    pgc_Color->setObjectName(QStringLiteral("pgc_Color"));
    pgc_Color->setGeometry(2, 2, 207, 258);
    auto* picker = new QWidget;
    auto* libraries = new QWidget;
    auto* history = new QWidget;
    picker->setObjectName(QStringLiteral("tab_Picker"));
    libraries->setObjectName(QStringLiteral("tab_Libraries"));
    history->setObjectName(QStringLiteral("tab_History"));
    pgc_Color->addTab(picker, QStringLiteral("Picker"));
    pgc_Color->addTab(libraries, QStringLiteral("Libraries"));
    pgc_Color->addTab(history, QStringLiteral("History"));

    auto box = [](QWidget* parent, const char* name, const QRect& geometry) {
        auto* b = new TImageBox(parent);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(geometry);
        return b;
    };
    img_svArea = box(picker, "img_svArea", QRect(6, 6, 172, 194));
    img_hArea = box(picker, "img_hArea", QRect(180, 6, 20, 194));
    img_Palette = box(picker, "img_Palette", QRect(6, 6, 192, 192));
    img_A = box(picker, "img_A", QRect(6, 206, 193, 15));
    img_cross = box(picker, "img_cross", QRect(0, 0, 19, 19));
    img_arrow = box(picker, "img_arrow", QRect(0, 0, 20, 5));
    // The markers let presses through to the square and the bar under them.
    for (TImageBox* marker : {img_cross, img_arrow}) {
        marker->setAttribute(Qt::WA_TransparentForMouseEvents);
        marker->raise();
    }
    img_A->setCursor(Qt::PointingHandCursor);
    img_A->setToolTip(QStringLiteral("Transparent"));
    img_lib = box(libraries, "img_lib", QRect(4, 6, 193, 209));
    img_HistoryArea = box(history, "img_HistoryArea", QRect(4, 6, 193, 209));
    img_color = box(this, "img_color", QRect(6, 264, 43, 43));

    lab_html = form.Label(QStringLiteral("lab_html"), QStringLiteral("HTML Code:  #"), 55, 277);
    edt_htmlCode = new QLineEdit(this);
    edt_htmlCode->setObjectName(QStringLiteral("edt_htmlCode"));
    edt_htmlCode->setMaxLength(6);
    edt_htmlCode->setGeometry(lab_html->x() + lab_html->width() + 2, 273, 58, 22);
    edt_htmlCode->installEventFilter(this);

    int y = 312;
    trc_H = TrackRow(QStringLiteral("H"), 359, 0, y, spn_H);
    trc_S = TrackRow(QStringLiteral("S"), 255, 0, y += 25, spn_S);
    trc_V = TrackRow(QStringLiteral("V"), 255, 0, y += 25, spn_V);
    trc_R = TrackRow(QStringLiteral("R"), 255, 0, y += 25, spn_R);
    trc_G = TrackRow(QStringLiteral("G"), 255, 0, y += 25, spn_G);
    trc_B = TrackRow(QStringLiteral("B"), 255, 0, y += 25, spn_B);
    trc_A = TrackRow(QStringLiteral("A"), 255, 255, y += 25, spn_A, &lab_A);

    using M = TColorPanelModel;
    const std::pair<TTrackBar*, M::TChannel> tracks[] = {
        {trc_R, M::chRed}, {trc_G, M::chGreen}, {trc_B, M::chBlue}, {trc_H, M::chHue},
        {trc_S, M::chSaturation}, {trc_V, M::chValue}, {trc_A, M::chAlpha}};
    for (const auto& [track, channel] : tracks) {
        TTrackBar* t = track;
        const M::TChannel c = channel;
        connect(t, &TTrackBar::Changed, this, [this, t, c] { TrackChanged(c, t); });
    }
    connect(img_svArea, &TImageBox::MouseAt, this, &Tfrm_color_panel::img_svAreaMouse);
    connect(img_hArea, &TImageBox::MouseAt, this, &Tfrm_color_panel::img_hAreaMouse);
    connect(img_Palette, &TImageBox::MouseAt, this, &Tfrm_color_panel::img_PaletteMouse);
    connect(img_lib, &TImageBox::MouseAt, this, &Tfrm_color_panel::img_libMouse);
    connect(img_HistoryArea, &TImageBox::MouseAt, this, &Tfrm_color_panel::img_HistoryAreaMouse);
    img_A->installEventFilter(this);
    connect(edt_htmlCode, &QLineEdit::textChanged, this, &Tfrm_color_panel::edt_htmlCodeChange);
    connect(pgc_Color, &QTabWidget::currentChanged, this, &Tfrm_color_panel::pgc_ColorChange);
}

void Tfrm_color_panel::RegisterPeers()
{
    TColorPeers& peers = ColorPeers();
    peers.GetColor = [this] { return GetColor(); };
    peers.GetAlphaColor = [this] { return GetAlphaColor(); };
    peers.GetColorType = [this] { return GetColorType(); };
    peers.GetPalette = [this] { return GetPalette(); };
    peers.SetColorType = [this](const TPalette& palette, int32_t colorType) { SetColorType(palette, colorType); };
    peers.SetColor = [this](TColor value) { SetColor(value); };
    peers.SetAlpha = [this](int alpha) { SetAlpha(alpha); };
    peers.AddToHistory = [this](TColor color) { AddToHistory(color); };
    TDocumentPeers& doc = DocumentPeers();
    doc.GetPanelPalette = [this](int32_t& colorType, TPalette& palette) {
        colorType = model_.ColorType;
        palette = model_.CurrentPalette ? *model_.CurrentPalette : TPalette{};
        return true;
    };
    doc.SetPanelColorType = [this](int32_t colorType, const TPalette& palette) { SetColorType(palette, colorType); };
    doc.PanelPaletteEdited = [this] { return paletteEdited_; };
}

void Tfrm_color_panel::showEvent(QShowEvent* event)
{
    Tfrm_base::showEvent(event);
    DrawSVArea(model_.LastHue);
}

void Tfrm_color_panel::closeEvent(QCloseEvent* event)
{
    // The window has no close button and lives for the whole run.
    event->ignore();
}

bool Tfrm_color_panel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == img_A && event->type() == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) img_AClick();
        return true;
    }
    if (watched == edt_htmlCode && event->type() == QEvent::KeyPress) {
        // Hexadecimal digits (upper-cased), Enter and Backspace; every other typed character is
        // dropped. Keys that type nothing (arrows, Home, End, Delete) still move and delete.
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            return false;
        default: break;
        }
        const QString text = key->text();
        if (text.isEmpty()) return false;
        QChar upper;
        if (text.size() == 1 && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
            HtmlCodeChar(text[0], upper)) {
            if (upper == text[0]) return false;
            edt_htmlCode->insert(QString(upper));
        }
        return true;
    }
    return Tfrm_base::eventFilter(watched, event);
}

// ---- sliders and the redraw ---------------------------------------------------------------

void Tfrm_color_panel::TrackChanged(TColorPanelModel::TChannel channel, TTrackBar* track)
{
    if (model_.ChannelChanged(channel, track->Position())) ShowPositions();
}

void Tfrm_color_panel::ShowPositions()
{
    using M = TColorPanelModel;
    trc_R->SetPosition(model_.Position(M::chRed));
    trc_G->SetPosition(model_.Position(M::chGreen));
    trc_B->SetPosition(model_.Position(M::chBlue));
    trc_H->SetPosition(model_.Position(M::chHue));
    trc_S->SetPosition(model_.Position(M::chSaturation));
    trc_V->SetPosition(model_.Position(M::chValue));
    trc_A->SetPosition(model_.Position(M::chAlpha));
}

void Tfrm_color_panel::tmr_reDrawTimer()
{
    const TColorPanelModel::TTick tick = model_.Tick();
    if (tick.ColorChanged) {
        ColorChanged(tick);
    } else if (tick.AlphaChanged) {
        DrawColorPreview();
        CallPaletteChanged();
    }
}

void Tfrm_color_panel::ColorChanged(const TColorPanelModel::TTick& tick)
{
    ++colorChangedCount_;
    if (!model_.PaletteMode()) {
        PlaceMarkers();
        DrawSVArea(model_.LastHue);
    } else if (tick.EditedEntry >= 0) {
        DrawPaletteCell(tick.EditedEntry);
        MarkPaletteSelection();
    }
    DrawColorPreview();
    paletteEdited_ = tick.EditedEntry >= 0;
    CallPaletteChanged();
    paletteEdited_ = false;
    // The code is left as typed while it stands for the colour shown; a change from anywhere else
    // rewrites it even where it keeps the focus, as presses on the square and the bars leave it there.
    if (!edt_htmlCode->hasFocus() || !model_.HtmlCodeShowsColor(edt_htmlCode->text()))
        edt_htmlCode->setText(FormatHtmlColor(model_.LastRed, model_.LastGreen, model_.LastBlue));
}

void Tfrm_color_panel::CallPaletteChanged()
{
    if (const auto& changed = FramePeers().PaletteChanged) changed();
}

void Tfrm_color_panel::PlaceMarkers()
{
    const QRect bar = img_hArea->geometry();
    img_arrow->move(img_arrow->x(), model_.LastHue * bar.height() / 360 + bar.top() - img_arrow->height() / 2);
    const QRect sq = img_svArea->geometry();
    img_cross->move(sq.left() + model_.LastSaturation * sq.width() / 256 - img_cross->width() / 2,
                    sq.top() + model_.LastValue * sq.height() / 256 - img_cross->height() / 2);
}

void Tfrm_color_panel::DrawSVArea(int hue)
{
    if (hue == DrawnHue) return;
    ::DrawSVArea(SVBitmap_, hue);
    DrawnHue = hue;
    img_svArea->SetPicture(SVBitmap_);
}

// ---- colour types and the palette grid ----------------------------------------------------

void Tfrm_color_panel::SetColorType(const TPalette& palette, int32_t colorType)
{
    model_.SetColorType(palette, colorType);
    ShowMode();
    if (model_.PaletteMode()) {
        DrawPalette();
        MarkPaletteSelection();
    }
    ShowPositions();
}

void Tfrm_color_panel::ShowMode()
{
    const bool palette = model_.PaletteMode();
    for (QWidget* w : {static_cast<QWidget*>(img_svArea), static_cast<QWidget*>(img_hArea),
                       static_cast<QWidget*>(img_cross), static_cast<QWidget*>(img_arrow)})
        w->setVisible(!palette);
    img_Palette->setVisible(palette);
    const bool alpha = model_.ColorType == ctTrueAlpha;
    for (QWidget* w : {static_cast<QWidget*>(trc_A), static_cast<QWidget*>(spn_A), static_cast<QWidget*>(lab_A)})
        w->setVisible(alpha);
}

void Tfrm_color_panel::DrawPalette()
{
    paletteBitmap_.Fill(ButtonFace());
    if (const TPalette* p = model_.CurrentPalette)
        for (int i = 0; i < std::min<int>(p->palNumEntries, 256); ++i) DrawPaletteCell(i);
    img_Palette->SetPicture(paletteBitmap_);
}

void Tfrm_color_panel::DrawPaletteCell(int index)
{
    const TPalette* p = model_.CurrentPalette;
    if (!p || index < 0 || index >= p->palNumEntries) return;
    const int n = paletteBitmap_.Width() / TColorPanelModel::PaletteCell;
    const int left = index % n * TColorPanelModel::PaletteCell;
    const int top = index / n * TColorPanelModel::PaletteCell;
    const TPaletteEntry& e = p->palPalEntry[size_t(index)];
    FillCell(paletteBitmap_, left, top, left + TColorPanelModel::PaletteCell, top + TColorPanelModel::PaletteCell,
             MakeColor(e.peRed, e.peGreen, e.peBlue));
}

void Tfrm_color_panel::MarkPaletteSelection()
{
    const TPalette* p = model_.CurrentPalette;
    if (!p) return;
    const int count = p->palNumEntries;
    const int index = model_.PaletteIndex;
    if (model_.MarkedIndex >= 0 && model_.MarkedIndex < count && model_.MarkedIndex != index)
        DrawPaletteCell(model_.MarkedIndex);
    if (index >= 0 && index < count) {
        DrawPaletteCell(index);
        const int n = paletteBitmap_.Width() / TColorPanelModel::PaletteCell;
        DrawCellMarker(paletteBitmap_, index % n * TColorPanelModel::PaletteCell,
                       index / n * TColorPanelModel::PaletteCell, 4);
    }
    model_.MarkedIndex = index;
    img_Palette->SetPicture(paletteBitmap_);
}

void Tfrm_color_panel::img_svAreaMouse(QPoint p)
{
    if (img_svArea->width() <= 0 || img_svArea->height() <= 0) return;
    trc_S->SetPosition(p.x() * 255 / img_svArea->width());
    trc_V->SetPosition(p.y() * 255 / img_svArea->height());
}

void Tfrm_color_panel::img_hAreaMouse(QPoint p)
{
    if (img_hArea->height() <= 0) return;
    trc_H->SetPosition(p.y() * 359 / img_hArea->height());
}

void Tfrm_color_panel::img_PaletteMouse(QPoint p)
{
    const TPalette* palette = model_.CurrentPalette;
    if (!palette) return;
    const int cell = PaletteCellAt(p.x(), p.y(), img_Palette->width(), img_Palette->height(), palette->palNumEntries);
    if (cell < 0 || !model_.SelectPaletteIndex(cell, false)) return;
    ShowPositions();
    MarkPaletteSelection();
}

void Tfrm_color_panel::SetColor(TColor value)
{
    model_.SetColor(value);
    ShowPositions();
    if (model_.PaletteMode()) MarkPaletteSelection();
}

void Tfrm_color_panel::SetAlpha(int value)
{
    model_.SetAlpha(value);
    ShowPositions();
}

// ---- library, history, transparent button, preview, HTML code ------------------------------

void Tfrm_color_panel::InitColorLibrary()
{
    libBitmap_.Fill(0);
    const int w = libBitmap_.Width() / 16;
    const int h = libBitmap_.Height() / 2;
    for (int i = 0; i < TColorPanelModel::LibraryCount; ++i) {
        const int left = i % 16 * w;
        const int top = i / 16 * h;
        FillCell(libBitmap_, left + 1, top + 1, left + w, top + h, TColorPanelModel::LibraryColors[size_t(i)]);
    }
    img_lib->SetPicture(libBitmap_);
}

void Tfrm_color_panel::img_libMouse(QPoint p)
{
    const int cell = LibraryCellAt(p.x(), p.y(), img_lib->width(), img_lib->height());
    if (cell < 0) return;
    model_.PickColor(TColorPanelModel::LibraryColors[size_t(cell)]);
    ShowPositions();
    if (model_.PaletteMode()) MarkPaletteSelection();
    if (cell != model_.LibrarySelected) {
        const int w = libBitmap_.Width() / 16;
        const int h = libBitmap_.Height() / 2;
        auto frame = [&](int c) {
            InvertFocusFrame(libBitmap_, c % 16 * w, c / 16 * h, c % 16 * w + w + 1, c / 16 * h + h + 1);
        };
        if (model_.LibrarySelected >= 0) frame(model_.LibrarySelected);
        frame(cell);
        model_.LibrarySelected = cell;
        img_lib->SetPicture(libBitmap_);
    }
}

void Tfrm_color_panel::DrawHistoryCell(int index, bool marked)
{
    if (index < 0 || index >= TColorPanelModel::HistoryCapacity) return;
    constexpr int s = TColorPanelModel::HistoryCell;
    const int left = index % TColorPanelModel::HistoryColumns * s;
    const int top = index / TColorPanelModel::HistoryColumns * s;
    FillCell(historyBitmap_, left, top, left + s - 1, top + s - 1, model_.HistoryColors[size_t(index)]);
    if (marked) DrawCellMarker(historyBitmap_, left, top, 6);
}

void Tfrm_color_panel::ClearHistory()
{
    model_.ClearHistory(ButtonFace());
    historyBitmap_.Fill(ButtonFace());
    for (int i = 0; i < TColorPanelModel::HistoryCapacity; ++i) DrawHistoryCell(i, false);
    img_HistoryArea->SetPicture(historyBitmap_);
}

void Tfrm_color_panel::DrawHistory()
{
    for (int i = 0; i < model_.HistoryCount; ++i) DrawHistoryCell(i, false);
    img_HistoryArea->SetPicture(historyBitmap_);
}

void Tfrm_color_panel::AddToHistory(TColor color)
{
    switch (model_.AddToHistory(color)) {
    case TColorPanelModel::THistoryAdd::Present: return;
    case TColorPanelModel::THistoryAdd::Appended: DrawHistoryCell(model_.HistoryCount - 1, false); break;
    case TColorPanelModel::THistoryAdd::Shifted: DrawHistory(); break;
    }
    img_HistoryArea->SetPicture(historyBitmap_);
}

void Tfrm_color_panel::img_HistoryAreaMouse(QPoint p)
{
    const int cell = HistoryCellAt(p.x(), p.y(), model_.HistoryCount);
    if (cell < 0) return;
    model_.PickColor(model_.HistoryColors[size_t(cell)]);
    ShowPositions();
    if (model_.PaletteMode()) MarkPaletteSelection();
    if (cell != model_.HistorySelected) {
        if (model_.HistorySelected >= 0) DrawHistoryCell(model_.HistorySelected, false);
        DrawHistoryCell(cell, true);
        model_.HistorySelected = cell;
        img_HistoryArea->SetPicture(historyBitmap_);
    }
}

void Tfrm_color_panel::pgc_ColorChange(int page)
{
    if (page == 1 && model_.LibrarySelected >= 0) {
        const int w = libBitmap_.Width() / 16;
        const int h = libBitmap_.Height() / 2;
        const int c = model_.LibrarySelected;
        InvertFocusFrame(libBitmap_, c % 16 * w, c / 16 * h, c % 16 * w + w + 1, c / 16 * h + h + 1);
        img_lib->SetPicture(libBitmap_);
    }
    if (page == 1) model_.LibrarySelected = -1;
    if (page == 2) {
        if (model_.HistorySelected >= 0) {
            DrawHistoryCell(model_.HistorySelected, false);
            img_HistoryArea->SetPicture(historyBitmap_);
        }
        model_.HistorySelected = -1;
    }
}

void Tfrm_color_panel::DrawTransparentButton()
{
    DrawCheckerboard(transparentBitmap_);
    img_A->SetPicture(transparentBitmap_);
}

void Tfrm_color_panel::img_AClick()
{
    model_.SetTransparent();
    DrawColorPreview();
    CallPaletteChanged();
}

void Tfrm_color_panel::DrawColorPreview()
{
    ::DrawColorPreview(PreviewBitmap_, model_.Rgb(), model_.Transparent ? 0 : model_.LastAlpha);
    img_color->SetPicture(PreviewBitmap_);
}

void Tfrm_color_panel::edt_htmlCodeChange()
{
    if (model_.HtmlCodeChanged(edt_htmlCode->text())) ShowPositions();
}
