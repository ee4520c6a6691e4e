#include "workspace/childwin.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include "iconfiles/file_access.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form_builder.h"
#include "workspace/format_strip.h"
#include "model/tools/selection_tool.h"
#include "model/tool_settings.h"
#include "workspace/selection_controller.h"
#include "workspace/swatch_bar.h"

// The canvas (PaintBox1): shows the document's back buffer, with the tool's overlay on top, and
// passes mouse input to the document window.
class TCanvasBox : public QWidget {
public:
    explicit TCanvasBox(Tfrm_childwin* owner, QWidget* parent) : QWidget(parent), owner_(owner)
    {
        setObjectName(QStringLiteral("PaintBox1"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
        setCursor(Qt::CrossCursor);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        const CanvasBuffer& buffer = owner_->doc_.BackBuffer;
        const QRect area = event->rect() & QRect(0, 0, buffer.Width(), buffer.Height());
        if (!area.isEmpty()) p.drawImage(area.topLeft(), buffer.ConstImage(), area);
        SelectionController::PaintOutline(owner_->doc_, owner_->CurrentToolId(), p);
        if (const auto& overlay = DocumentPeers().PaintToolOverlay) overlay(*owner_, p);
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        owner_->PaintBox1MouseDown(int(e->position().x()), int(e->position().y()), e->button(), e->buttons() | e->button(),
                                   e->modifiers());
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        owner_->PaintBox1MouseMove(int(e->position().x()), int(e->position().y()), e->buttons(), e->modifiers());
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        owner_->PaintBox1MouseUp(int(e->position().x()), int(e->position().y()), e->button(), e->buttons(), e->modifiers());
    }

private:
    Tfrm_childwin* owner_;
};

namespace {

// The document window whose activation ran last: coming back from a tool window or another
// program is no activation of a document.
QPointer<Tfrm_childwin> g_lastActivated;

// Small glyphs of the buttons under the strip.
QIcon Glyph(const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    draw(p);
    return QIcon(pixmap);
}

} // namespace

TPaintSurface& PaintSurfaceOf(Tfrm_childwin& doc) { return doc; }

Tfrm_childwin::Tfrm_childwin(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frm_childwin"));
    setWindowTitle(QStringLiteral("MDI Child"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);

    Panel5 = new QWidget(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    FormatStrip = new TFormatStrip(Panel5);
    // Shown as they come into view from the first format on: an icon of hundreds of formats
    // never has every cell drawn, nor a picture as wide as all of them.
    FormatStrip->ShowFormats(doc_.Images, doc_.CurrentIndex);

    btn_ShowGrid = TFormBuilder(Panel5).ToolButton(QStringLiteral("btn_ShowGrid"), QStringLiteral("Show Grid"), Glyph([](QPainter& p) {
        p.setPen(QColor(0x40, 0x40, 0x40));
        for (int i = 1; i < 16; i += 5) {
            p.drawLine(i, 1, i, 15);
            p.drawLine(1, i, 15, i);
        }
    }), QRect(0, 0, 24, 24));
    Image1 = new TSwatchBar(Panel5);
    btn_Preview = TFormBuilder(Panel5).ToolButton(QStringLiteral("btn_Preview"), QStringLiteral("Preview Window"), Glyph([](QPainter& p) {
        p.setPen(QPen(QColor(0x20, 0x20, 0x80), 2));
        p.drawEllipse(2, 2, 8, 8);
        p.drawLine(9, 9, 14, 14);
    }), QRect(0, 0, 24, 24));
    btn_AddImage = TFormBuilder(Panel5).ToolButton(QStringLiteral("btn_AddImage"), QStringLiteral("Add a new image format"),
                              Glyph([](QPainter& p) {
                                  p.fillRect(7, 2, 3, 12, QColor(0x00, 0x80, 0x00));
                                  p.fillRect(2, 7, 12, 3, QColor(0x00, 0x80, 0x00));
                              }), QRect(0, 0, 24, 24));
    btn_deleImage = TFormBuilder(Panel5).ToolButton(QStringLiteral("btn_deleImage"), QStringLiteral("Delete current image format"),
                               Glyph([](QPainter& p) {
                                   p.setPen(QPen(QColor(0xC0, 0x00, 0x00), 3));
                                   p.drawLine(3, 3, 13, 13);
                                   p.drawLine(13, 3, 3, 13);
                               }), QRect(0, 0, 24, 24));

    bev_left = TFormBuilder(this).Bevel(QStringLiteral("bev_left"), QRect());
    bev_right = TFormBuilder(this).Bevel(QStringLiteral("bev_right"), QRect());
    bev_top = TFormBuilder(this).Bevel(QStringLiteral("bev_top"), QRect());
    bev_bottom = TFormBuilder(this).Bevel(QStringLiteral("bev_bottom"), QRect());
    CanvasArea = new QWidget(this);
    CanvasArea->setObjectName(QStringLiteral("CanvasArea"));
    PaintBox1 = new TCanvasBox(this, CanvasArea);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    auto* panel0 = new QLabel(StatusBar1);
    panel0->setFixedWidth(80);
    auto* panel1 = new QLabel(StatusBar1);
    panel1->setFixedWidth(50);
    StatusBar1->addWidget(panel0);
    StatusBar1->addWidget(panel1);

    dlgSavePic.Filter = QStringLiteral("Icon File(*.ico)|*.ico");
    dlgSavePic.DefaultExt = QStringLiteral("ico");
    dlgSavePic.OverwritePrompt = true;

    connect(FormatStrip, &TFormatStrip::CellPressed, this, &Tfrm_childwin::SelectFormatAt);
    connect(btn_ShowGrid, &QToolButton::clicked, this, &Tfrm_childwin::btn_ShowGridClick);
    connect(btn_Preview, &QToolButton::clicked, this, &Tfrm_childwin::btn_PreviewClick);
    connect(btn_AddImage, &QToolButton::clicked, this, &Tfrm_childwin::btn_AddImageClick);
    connect(btn_deleImage, &QToolButton::clicked, this, &Tfrm_childwin::btn_deleImageClick);
    connect(Image1, &TSwatchBar::Picked, this, &Tfrm_childwin::PickStripBackground);

    resize(DesignWidth, DesignHeight);
    LayoutControls();
}

Tfrm_childwin::~Tfrm_childwin()
{
    if (g_lastActivated == this) g_lastActivated = nullptr;
    // A later document made at this address is another document for the tools' announcements.
    ToolSettings().ForgetDocument(this);
    // The history keeps no track of a format that no longer exists.
    if (const auto& remove = FramePeers().RemoveTracks) {
        std::vector<int32_t> ids = deletedIds_;
        for (int i = 0; i < doc_.Images.Count(); ++i) ids.push_back(doc_.Images[i].Id);
        remove(ids);
    }
    if (const auto& forget = DocumentPeers().PreviewForgetFormats) forget(&doc_.Images);
    doc_.Images.Clear();
    doc_.CurrentIndex = -1;
}

QMdiSubWindow* Tfrm_childwin::AttachTo(QMdiArea* area)
{
    // The child window owns the document from now on and deletes it when it closes.
    setAttribute(Qt::WA_DeleteOnClose, false);
    QMdiSubWindow* sub = area->addSubWindow(this);
    subWindow_ = sub;
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setMinimumSize(MinWidth, MinHeight);
    sub->setMaximumSize(MaxWidth, MaxHeight);
    sub->resize(DesignWidth, DesignHeight);
    sub->move(std::max(0, (area->width() - DesignWidth) / 2), std::max(0, (area->height() - DesignHeight) / 2));
    connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* activated) {
        if (activated && activated == subWindow_) {
            if (g_lastActivated != this) FormActivate();
        } else if (!doc_.OutlineRect.IsEmpty()) {
            // The brush outline follows the mouse over the active document only: one left here
            // would come back at every repaint, at the tool's last place and size elsewhere.
            RenderRect(doc_.OutlineRect);
            doc_.OutlineRect = Rect{};
        }
    });
    watchedFrame_ = sub;
    sub->installEventFilter(this);
    return sub;
}

bool Tfrm_childwin::eventFilter(QObject* watched, QEvent* event)
{
    // The strip keeps its current cell clear of the tool windows over it, which it can judge only
    // where the window has settled on screen: a maximized, restored, moved or newly shown document
    // looks again once the frame has laid it out.
    if (watched == watchedFrame_ && !stripCheckQueued_) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::WindowStateChange:
            stripCheckQueued_ = true;
            QTimer::singleShot(0, this, [this] {
                stripCheckQueued_ = false;
                FormatStrip->KeepSelectedInView();
            });
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString Tfrm_childwin::FilePath() const
{
    if (doc_.Folder.isEmpty()) return QString();
    return doc_.Folder + doc_.FileName;
}

// ---- layout -------------------------------------------------------------------------------

void Tfrm_childwin::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutControls();
    FitCanvas(); // FormResize
}

void Tfrm_childwin::LayoutControls()
{
    const int w = width();
    const int h = height();
    Panel5->setGeometry(0, 0, w, StripPanelHeight);
    // The strip's panel starts 32 pixels in and grows with the window.
    FormatStrip->setGeometry(15, 9, std::max(2 * TFormatStrip::ButtonWidth + 10, w - 15 - 24), 106);
    const int row = 9 + 106 + 8;
    btn_ShowGrid->move(15, row);
    Image1->move(48, row + (24 - TSwatchBar::BarHeight) / 2);
    btn_Preview->move(48 + TSwatchBar::BarWidth + 10, row);
    btn_deleImage->move(std::max(0, w - 24 - 24), row);
    btn_AddImage->move(std::max(0, w - 24 - 2 * 24 - 4), row);

    const int statusHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, h - statusHeight, w, statusHeight);
    const int top = StripPanelHeight;
    const int bottom = h - statusHeight;
    bev_top->setGeometry(0, top, w, BevelSize);
    bev_bottom->setGeometry(0, bottom - BevelSize, w, BevelSize);
    bev_left->setGeometry(0, top, BevelSize, std::max(0, bottom - top));
    bev_right->setGeometry(w - BevelSize, top, BevelSize, std::max(0, bottom - top));
    // The free area lies between the inner edges of the four bevels.
    CanvasArea->setGeometry(BevelSize, top + BevelSize, std::max(0, w - 2 * BevelSize),
                            std::max(0, bottom - top - 2 * BevelSize));
}

// ---- canvas -------------------------------------------------------------------------------

void Tfrm_childwin::FitCanvas()
{
    if (doc_.Images.IsEmpty() || !doc_.CurrentImage()) return;
    const int oldZoom = doc_.ZoomFactor;
    const TCanvasFit fit = doc_.FitCanvas(CanvasArea->width(), CanvasArea->height());
    PaintBox1->setGeometry(fit.Left, fit.Top, fit.Width, fit.Height);
    if (doc_.LastTool == tiText && fit.Zoom != oldZoom) {
        if (const auto& place = DocumentPeers().PlaceTextFrame) place(*this);
    }
    if (fit.TooSmall && !tooSmallShown_) {
        // One box at a time: a resize while it is up must not stack another.
        tooSmallShown_ = true;
        MessageBox(this, QStringLiteral("The window is too small, make it bigger."), QStringLiteral("Error"));
        tooSmallShown_ = false;
    }
    RenderAll();
}

void Tfrm_childwin::RenderRect(const Rect& rect)
{
    const Rect drawn = doc_.RenderRect(rect);
    if (!drawn.IsEmpty()) PaintBox1->update(QRect(drawn.Left, drawn.Top, drawn.Width(), drawn.Height()));
}

void Tfrm_childwin::RenderAll() { RenderRect(doc_.CanvasRect()); }

void Tfrm_childwin::FormPaint()
{
    RenderAll();
    // The tool's overlay (selection outline, text frame) is drawn by the canvas's paint event.
    PaintBox1->update();
}

// ---- formats ------------------------------------------------------------------------------

void Tfrm_childwin::DrawFormatStrip()
{
    DrawFormatThumbnails();
    if (doc_.CurrentImage()) {
        if (const auto& show = DocumentPeers().PreviewShowImage) show(&doc_.Images, doc_.CurrentIndex);
    }
}

void Tfrm_childwin::SelectFormatAt(int stripX)
{
    CommitText();
    if (stripX < 0) return;
    const int index = stripX / TFormatStrip::CellWidth;
    if (doc_.Images.IsEmpty() || index > doc_.Images.Count() - 1 || index == doc_.CurrentIndex) return;
    doc_.CurrentIndex = index;
    FormatStrip->SetCellCount(doc_.Images.Count());
    FormatStrip->GlideToCell(index);
    ActivateCurrentFormat();
}

void Tfrm_childwin::ActivateCurrentFormat()
{
    doc_.PointCount = 0;
    TIconImageRec* f = doc_.CurrentImage();
    if (!f) return;
    const TDocumentPeers& peers = DocumentPeers();
    if (peers.ActiveImageChanged) peers.ActiveImageChanged(this, doc_.CurrentIndex, f->ColorType);
    if (peers.GetPanelPalette && peers.SetPanelColorType) {
        int32_t panelType = 0;
        TPalette panelPalette;
        if (peers.GetPanelPalette(panelType, panelPalette) &&
            TDocumentModel::PanelNeedsFormatPalette(panelType, panelPalette, *f))
            peers.SetPanelColorType(f->ColorType, f->Palette);
    }
    // The format takes the colour window's palette first, so the fit renders the canvas once.
    TakePanelPalette();
    FitCanvas();
    // The tool's overlay (selection outline, text frame) is drawn by the canvas's paint event.
    PaintBox1->update();
    DrawFormatStrip();
    if (const auto& show = FramePeers().ShowTrackOf) show(f);
}

void Tfrm_childwin::TakePanelPalette()
{
    const TDocumentPeers& peers = DocumentPeers();
    if (peers.GetPanelPalette) {
        int32_t panelType = 0;
        TPalette panelPalette;
        if (peers.GetPanelPalette(panelType, panelPalette)) doc_.ApplyPalette(panelPalette);
    }
}

void Tfrm_childwin::ApplyPanelPalette()
{
    TakePanelPalette();
    FormPaint();
    DrawFormatStrip();
}

int Tfrm_childwin::AddImageFormat(const TIconImageRec& rec)
{
    AddFormats(1, [&](int) { return doc_.AppendFormat(rec); }, nullptr);
    return 0;
}

void Tfrm_childwin::AddImageFormats(const TIconImageArray& formats)
{
    AddFormats(formats.Count(), [&](int i) { return doc_.AppendFormat(formats[i]); }, nullptr);
}

void Tfrm_childwin::AddOpenedFormats(TIconImageArray&& formats, const std::vector<TIconImageSource>& sources)
{
    // A file whose bytes are not worth keeping (IconBytesWorthKeeping) keeps each first step as
    // its snapshot's bytes instead: sources without bytes.
    qint64 keptBytes = 0;
    for (const TIconImageSource& source : sources) keptBytes = std::max<qint64>(keptBytes, source.Data.size());
    const bool withSources = sources.size() == size_t(formats.Count()) && IconBytesWorthKeeping(keptBytes, formats);
    const std::vector<TIconImageSource> bare(withSources ? 0 : size_t(formats.Count()));
    AddFormats(formats.Count(), [&](int i) { return doc_.AppendFormat(std::move(formats[i])); },
               withSources ? &sources : &bare);
}

void Tfrm_childwin::AddFormats(int count, const std::function<int(int)>& append,
                               const std::vector<TIconImageSource>* sources)
{
    if (count <= 0) return;
    CommitText();
    // The strip and the canvas are drawn once, for the last format, however many come in: an
    // icon of 256 formats would otherwise redraw the whole strip 256 times. Formats read from a
    // file keep their first step as the file's bytes instead of writing it.
    int index = -1;
    const TFramePeers& peers = FramePeers();
    for (int i = 0; i < count; ++i) {
        index = append(i);
        TIconImageRec* f = &doc_.Images[index];
        if (sources && peers.AddOpenedSnapshot)
            peers.AddOpenedSnapshot(f, (*sources)[size_t(i)]);
        else if (peers.AddSnapshot)
            peers.AddSnapshot(f, QStringLiteral("New"));
    }
    FormatStrip->SetCellCount(doc_.Images.Count());
    SelectFormatAt(index * TFormatStrip::CellWidth);
}

void Tfrm_childwin::btn_AddImageClick()
{
    const auto& dialog = DocumentPeers().AddFormatDialog;
    if (!dialog) return;
    const TIconImageRec* rec = dialog(this, doc_.Images, doc_.CurrentIndex);
    if (!rec) return;
    const int existing = doc_.FindFormat(rec->Width, rec->Height, rec->ColorType);
    if (existing >= 0) {
        const QString text = SwitchFormatQuestion(rec->Width, rec->Height, rec->ColorType);
        if (MessageBox(this, text, QStringLiteral("Add a new image format"), TMsgButtons::OkCancel) == TMsgResult::Ok)
            SelectFormatAt(existing * TFormatStrip::CellWidth);
        return;
    }
    AddImageFormat(*rec);
    SetModified(true);
}

void Tfrm_childwin::btn_deleImageClick()
{
    if (doc_.Images.Count() < 2) {
        MessageBox(this, QStringLiteral("At least one icon image should be reserved."), QStringLiteral("Error"));
        return;
    }
    TIconImageRec* f = doc_.CurrentImage();
    const auto& confirm = DocumentPeers().ConfirmDeleteFormat;
    if (!f || !confirm || !confirm(this, *f)) return;
    // An open text frame belongs to the format: it is committed before the format goes.
    CommitText();
    if (const auto& recycle = FramePeers().AddToRecycle; recycle && !recycle(f)) return;
    deletedIds_.push_back(f->Id);
    doc_.RemoveFormat(doc_.CurrentIndex);
    // No format is current until the first is selected, so the selection always activates it
    // (and draws the strip).
    doc_.CurrentIndex = -1;
    SelectFormatAt(0);
    SetModified(true);
}

void Tfrm_childwin::btn_ShowGridClick()
{
    const TIconImageRec* f = doc_.CurrentImage();
    if (!f) return;
    if (!doc_.GridFits()) {
        MessageBox(this, QStringLiteral("Grid size less than 3 pixels, can not show grid."), QStringLiteral("Show Grid"));
        return;
    }
    doc_.ShowGrid = doc_.ShowGrid == 1 ? 0 : 1;
    RenderAll();
}

void Tfrm_childwin::btn_PreviewClick()
{
    if (const auto& toggle = FramePeers().TogglePreview) toggle();
}

void Tfrm_childwin::PickStripBackground() { DrawFormatStrip(); }

// ---- modified flag, caption, saving -------------------------------------------------------

void Tfrm_childwin::SetModified(bool modified)
{
    if (doc_.SetModified(modified)) UpdateCaption();
}

void Tfrm_childwin::UpdateCaption() { setWindowTitle(doc_.Caption()); }

bool Tfrm_childwin::Save()
{
    if (!doc_.LibIconName.isEmpty()) {
        const auto& saveToLibrary = DocumentPeers().SaveToLibrary;
        QString error;
        if (!saveToLibrary) return false;
        if (!saveToLibrary(*this, error)) {
            MessageBox(this, error, QStringLiteral("Save File"));
            return false;
        }
        SetModified(false);
        return true;
    }

    QString target;
    if (!doc_.Folder.isEmpty()) {
        target = doc_.Folder + doc_.FileName;
    } else {
        dlgSavePic.FileName = doc_.FileName;
        if (!dlgSavePic.Execute(this)) return false;
        target = dlgSavePic.FileName;
    }
    QString error;
    if (!doc_.SaveIconTo(target, error)) {
        MessageBox(this, error, QStringLiteral("Save File"));
        return false;
    }
    if (const auto& add = FramePeers().AddRecentFile) add(doc_.Folder + doc_.FileName);
    UpdateCaption();
    return true;
}

// ---- closing ------------------------------------------------------------------------------

Tfrm_childwin::TCloseAnswer Tfrm_childwin::AskToSave()
{
    // A text frame still open is placed first, as another tool would place it: the question then
    // knows about the text, and a Yes saves it.
    CommitText();
    if (!IsModified()) return TCloseAnswer::Close;
    const QString name = doc_.LibIconName.isEmpty() ? doc_.FileName : doc_.LibIconName;
    const TMsgResult answer =
        MessageBox(this, QStringLiteral("The icon '%1' has been modified. Do you want to save it?").arg(name),
                   QStringLiteral("Save Icon"), TMsgButtons::YesNoCancel, TMsgIcon::Question);
    switch (answer) {
    case TMsgResult::Yes:
        // A save that fails or is cancelled keeps the window, so nothing is lost.
        return Save() ? TCloseAnswer::Close : TCloseAnswer::Keep;
    case TMsgResult::No:
        return TCloseAnswer::Discard;
    default:
        return TCloseAnswer::Keep;
    }
}

void Tfrm_childwin::closeEvent(QCloseEvent* event)
{
    switch (AskToSave()) {
    case TCloseAnswer::Keep:
        event->ignore();
        return;
    case TCloseAnswer::Discard:
        SetModified(false);
        break;
    case TCloseAnswer::Close:
        break;
    }
    event->accept();
}

// ---- keys ---------------------------------------------------------------------------------

bool Tfrm_childwin::event(QEvent* event)
{
    // While a text frame is open Del belongs to the frame, not to the menu's Clear shortcut.
    if (event->type() == QEvent::ShortcutOverride && doc_.LastTool == tiText &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void Tfrm_childwin::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Delete:
        if (CurrentToolId() == tiText) {
            DiscardText();
            return;
        }
        break;
    case Qt::Key_Left:
        if (doc_.CurrentIndex > 0) SelectFormatAt((doc_.CurrentIndex - 1) * TFormatStrip::CellWidth);
        return;
    case Qt::Key_Right:
        if (doc_.CurrentIndex < doc_.Images.Count() - 1) SelectFormatAt((doc_.CurrentIndex + 1) * TFormatStrip::CellWidth);
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

// ---- activation, tools --------------------------------------------------------------------

void Tfrm_childwin::FormActivate()
{
    g_lastActivated = this;
    ActivateCurrentFormat();
}

bool Tfrm_childwin::IsActiveDocument() const
{
    // Without a frame (a window on its own) the window is its own active document.
    const auto& isActive = FramePeers().IsActiveDocument;
    if (!isActive) return true;
    return isActive(this);
}

int Tfrm_childwin::CurrentToolId() const
{
    const auto& tool = DocumentPeers().CurrentToolId;
    return tool ? tool() : tiNone;
}

void Tfrm_childwin::DispatchToolMouse(int phase, int x, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int y)
{
    if (!IsActiveDocument() || doc_.CurrentIndex < 0) return;
    const int tool = CurrentToolId();
    if (tool == tiNone) return;
    if (IsSelectionTool(tool)) {
        SelectionController::ToolMouse(doc_, PaintBox1, tool, phase, x, y, buttons);
        return;
    }
    if (const auto& mouse = DocumentPeers().ToolMouse) mouse(*this, tool, phase, x, y, buttons, modifiers);
}

void Tfrm_childwin::PaintBox1MouseDown(int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons,
                                       Qt::KeyboardModifiers modifiers)
{
    // A second button pressed during a drag is no new press: it would end the stroke early and
    // leave the rest of it out of every step.
    if (doc_.ButtonDown == 1) return;
    doc_.ButtonDown = 1;
    dragButton_ = button;
    DispatchToolMouse(mpPress, x, buttons, modifiers, y);
}

void Tfrm_childwin::PaintBox1MouseMove(int x, int y, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    // Tools see only moves that change the cell.
    const Point cell = doc_.CellAt(x, y);
    if (cell.X == doc_.LastCellX && cell.Y == doc_.LastCellY) {
        // The selection tools snap to the nearest grid corner, which changes halfway across a
        // cell: their drags see those moves too, or the selection would end a cell short of the
        // corner the mouse was released nearest to.
        if (doc_.ButtonDown == 1 && IsSelectionTool(CurrentToolId())) DispatchToolMouse(mpMove, x, buttons, modifiers, y);
        return;
    }
    if (const auto& show = DocumentPeers().ShowCell) show(cell.X, cell.Y);
    DispatchToolMouse(mpMove, x, buttons, modifiers, y);
    doc_.LastCellX = cell.X;
    doc_.LastCellY = cell.Y;
}

void Tfrm_childwin::PaintBox1MouseUp(int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons,
                                     Qt::KeyboardModifiers modifiers)
{
    if (doc_.ButtonDown != 1 || button != dragButton_) return;
    DispatchToolMouse(mpRelease, x, buttons, modifiers, y);
    doc_.ButtonDown = 0;
    dragButton_ = Qt::NoButton;
}

void Tfrm_childwin::ToolChanged()
{
    // Erase a brush outline left on the canvas.
    RenderRect(doc_.OutlineRect);
    doc_.OutlineRect = Rect{};
    // The selection outline shows only while a selection tool is current.
    if (doc_.PointCount > 0) PaintBox1->update();
    const int tool = CurrentToolId();
    if (tool != doc_.LastTool) {
        CommitText();
        doc_.LastTool = tool;
    } else if (tool == tiText && doc_.CurrentImage()) {
        // Choosing the text tool again keeps the rendered text in the image: it becomes a step
        // of its own before the new frame opens over it.
        if (const auto& snap = FramePeers().AddSnapshot) snap(doc_.CurrentImage(), QStringLiteral("Text"));
        SetModified(true);
    }
    if (tool == tiText) {
        if (const auto& start = DocumentPeers().StartTextFrame) start(*this);
    }
}

void Tfrm_childwin::CommitText()
{
    if (doc_.LastTool != tiText) return;
    doc_.LastTool = tiNone;
    if (const auto& lock = FramePeers().SetTextEditing) lock(false);
    if (TIconImageRec* f = doc_.CurrentImage()) {
        RenderAll();
        // A text placed without dragging its frame has not reached the thumbnail or the preview yet.
        DrawFormatStrip();
        if (const auto& snap = FramePeers().AddSnapshot) snap(f, QStringLiteral("Text"));
        SetModified(true);
    }
}

void Tfrm_childwin::SetTextFrame(int x, int y, int angle, int height, int width)
{
    if (doc_.LastTool != tiText) return;
    if (const auto& set = DocumentPeers().SetTextFrame) set(*this, x, y, angle, height, width);
}

void Tfrm_childwin::DrawFormatThumbnails() { FormatStrip->ShowFormats(doc_.Images, doc_.CurrentIndex); }

void Tfrm_childwin::DiscardText()
{
    if (doc_.LastTool != tiText) return;
    // Cleared first: leaving the text tool reports a tool change, which must not commit.
    doc_.LastTool = tiNone;
    if (const auto& leave = DocumentPeers().LeaveTextTool) leave();
    if (const auto& lock = FramePeers().SetTextEditing) lock(false);
    doc_.RestoreBackups();
    ApplyPanelPalette();
}
