// The picture dialogs and their preview pane. The desktop's file dialog is Qt's own (non-native)
// one, so the pane can be put into its layout beside the list; the loading rules live in
// picture_dialog_preview.cpp.
#include "workspace/dialogs/picture_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "imaging/imaging_state.h"
#include "platform/ui/dialogs.h"

namespace {

const QString NoneText = QStringLiteral("(None)");
const QString PictureText = QStringLiteral("Picture:");

// Where a W x H picture lands in Area: stretched to fill it keeping its proportions, centred.
QRect FitCentred(const QSize& picture, const QRect& area)
{
    if (picture.isEmpty() || area.isEmpty()) return QRect();
    QSize s = picture.scaled(area.size(), Qt::KeepAspectRatio);
    s = s.expandedTo(QSize(1, 1));
    return QRect(area.left() + (area.width() - s.width()) / 2, area.top() + (area.height() - s.height()) / 2,
                 s.width(), s.height());
}

QImage ToImage(const Bitmap24& picture)
{
    if (picture.IsEmpty()) return QImage();
    return picture.ToQImage(QImage::Format_RGB32);
}

} // namespace

// ---- TSilentPaintPanel ----------------------------------------------------------------------

TSilentPaintPanel::TSilentPaintPanel(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
}

void TSilentPaintPanel::SetCaption(const QString& caption)
{
    if (caption_ == caption) return;
    caption_ = caption;
    update();
}

void TSilentPaintPanel::paintEvent(QPaintEvent* event)
{
    try {
        QFrame::paintEvent(event);
        if (caption_.isEmpty()) return;
        QPainter p(this);
        p.drawText(contentsRect(), Qt::AlignCenter, caption_);
    } catch (...) {
        caption_ = QStringLiteral("Invalid image");
    }
}

// ---- TPreviewImage --------------------------------------------------------------------------

TPreviewImage::TPreviewImage(QWidget* parent) : QWidget(parent) {}

void TPreviewImage::SetPicture(const QImage& picture)
{
    picture_ = picture;
    update();
}

QRect TPreviewImage::PictureRect() const { return FitCentred(picture_.size(), rect()); }

void TPreviewImage::paintEvent(QPaintEvent*)
{
    if (picture_.isNull()) return;
    try {
        QPainter p(this);
        const QRect target = PictureRect();
        // Enlarged icons keep their hard pixel edges; reduced photos are smoothed.
        p.setRenderHint(QPainter::SmoothPixmapTransform, target.width() < picture_.width());
        p.drawImage(target, picture_);
    } catch (...) {
        emit PaintFailed();
    }
}

void TPreviewImage::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

// ---- TOpenPictureDialogEx -------------------------------------------------------------------

QString DefaultPictureFilter()
{
    return QStringLiteral("All (*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.ico)|*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.ico|"
                          "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
                          "Portable Network Graphics (*.png)|*.png|GIF Image (*.gif)|*.gif|Icons (*.ico)|*.ico");
}

TOpenPictureDialogEx::TOpenPictureDialogEx() : Filter(DefaultPictureFilter()) {}

TOpenPictureDialogEx::~TOpenPictureDialogEx()
{
    // The pane belongs to a dialog that may outlive this object only in a test; it must not call
    // back into a destroyed object.
    if (PicturePanel) PicturePanel->disconnect();
    if (settle_) settle_->stop();
}

bool TOpenPictureDialogEx::Run(QWidget* parent, bool save)
{
    TFileDialogRequest request;
    request.DialogKind = save ? TFileDialogRequest::Kind::Save
                              : (AllowMultiSelect ? TFileDialogRequest::Kind::OpenMany : TFileDialogRequest::Kind::OpenOne);
    request.Title = Title;
    request.Filter = Filter;
    request.FilterIndex = FilterIndex;
    request.DefaultExt = DefaultExt;
    request.InitialDir = InitialDir;
    request.FileName = FileName;
    request.OverwritePrompt = OverwritePrompt;
    request.DefaultExtFollowsFilter = save;
    request.Extend = [this](QFileDialog& dialog) { BuildPane(dialog); };
    const bool ok = Dialogs().RunFileDialog(parent, request);
    preview_ = TPicturePreview{};
    SavedFileName.clear();
    if (!ok) return false;
    FilterIndex = request.FilterIndex;
    Files = request.Files;
    FileName = request.FileName;
    if (Files.isEmpty() && !FileName.isEmpty()) Files << FileName;
    if (!FileName.isEmpty()) InitialDir = QFileInfo(FileName).absolutePath();
    return true;
}

bool TOpenPictureDialogEx::Execute(QWidget* parent) { return Run(parent, false); }

bool TSavePictureDialogEx::Execute(QWidget* parent) { return Run(parent, true); }

void TOpenPictureDialogEx::BuildPane(QFileDialog& dialog)
{
    auto* panel = new QFrame(&dialog);
    panel->setObjectName(QStringLiteral("PicturePanel"));
    panel->setFixedWidth(200);
    auto* outer = new QVBoxLayout(panel);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(panel);
    label->setObjectName(QStringLiteral("PictureLabel"));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    top->addWidget(label, 1);
    auto* button = new QToolButton(panel);
    button->setObjectName(QStringLiteral("PreviewButton"));
    button->setFixedSize(22, 23);
    button->setAutoRaise(true);
    button->setIcon(QIcon::fromTheme(QStringLiteral("zoom-in"),
                                     panel->style()->standardIcon(QStyle::SP_FileDialogContentsView)));
    button->setToolTip(QStringLiteral("Preview"));
    button->setEnabled(false);
    top->addWidget(button, 0, Qt::AlignRight);
    outer->addLayout(top);

    auto* paintPanel = new TSilentPaintPanel(panel);
    paintPanel->setObjectName(QStringLiteral("PaintPanel"));
    auto* inner = new QVBoxLayout(paintPanel);
    inner->setContentsMargins(2, 2, 2, 2);
    auto* box = new TPreviewImage(paintPanel);
    box->setObjectName(QStringLiteral("PaintBox"));
    box->setMinimumSize(145, 157);
    inner->addWidget(box);
    outer->addWidget(paintPanel, 1);

    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(panel, 0, grid->columnCount(), std::max(1, grid->rowCount()), 1);
    else if (dialog.layout())
        dialog.layout()->addWidget(panel);

    PicturePanel = panel;
    PictureLabel = label;
    PreviewButton = button;
    PaintPanel = paintPanel;
    PaintBox = box;
    settle_ = new QTimer(panel);
    settle_->setSingleShot(true);
    settle_->setInterval(SettleMs);
    loadCount_ = 0;
    sinceLoad_.invalidate();

    QObject::connect(settle_, &QTimer::timeout, panel, [this] { UpdatePreview(pending_); });
    QObject::connect(button, &QToolButton::clicked, panel, [this] { PreviewClick(); });
    QObject::connect(box, &TPreviewImage::DoubleClicked, panel, [this] {
        if (PreviewButton && PreviewButton->isEnabled()) PreviewClick();
    });
    QObject::connect(box, &TPreviewImage::PaintFailed, panel, [this] {
        if (PaintPanel) PaintPanel->SetCaption(QStringLiteral("Invalid image"));
    });
    QObject::connect(&dialog, &QFileDialog::currentChanged, panel, [this](const QString& path) { SelectionChange(path); });
    QObject::connect(&dialog, &QDialog::finished, panel, [] { QToolTip::hideText(); });

    ShowNotice();
    const QStringList selected = dialog.selectedFiles();
    if (!selected.isEmpty() && IsPreviewableFile(selected.first())) SelectionChange(selected.first());
}

void TOpenPictureDialogEx::ShowNotice()
{
    preview_ = TPicturePreview{};
    SavedFileName.clear();
    pending_.clear();
    if (settle_) settle_->stop();
    if (PaintBox) PaintBox->SetPicture(QImage());
    if (PaintPanel) PaintPanel->SetCaption(NoneText);
    if (PictureLabel) PictureLabel->setText(PictureText);
    if (PreviewButton) PreviewButton->setEnabled(false);
}

bool TOpenPictureDialogEx::PreviewPending() const { return settle_ && settle_->isActive(); }

void TOpenPictureDialogEx::SelectionChange(const QString& name)
{
    pending_ = name;
    if (settle_ && (settle_->isActive() || (sinceLoad_.isValid() && sinceLoad_.elapsed() < SettleMs))) {
        settle_->start();
        return;
    }
    UpdatePreview(name);
}

QSize TOpenPictureDialogEx::PaneBox() const
{
    QSize box = PaintBox ? PaintBox->size() : QSize();
    return box.expandedTo(QSize(188, 300));
}

void TOpenPictureDialogEx::UpdatePreview(const QString& name)
{
    if (settle_) settle_->stop();
    if (name == SavedFileName) return;
    SavedFileName = name;

    const QSize box = PaneBox();
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        preview_ = LoadPicturePreview(name, box.width(), box.height(), Imaging().BackgroundColor);
        QApplication::restoreOverrideCursor();
    }
    ++loadCount_;
    sinceLoad_.start();

    if (preview_.Ok) {
        if (PaintBox) PaintBox->SetPicture(ToImage(preview_.Picture));
        if (PictureLabel) PictureLabel->setText(QString::asprintf(" (%dx%d)", preview_.Width, preview_.Height));
        if (PreviewButton) PreviewButton->setEnabled(true);
        if (PaintPanel) PaintPanel->SetCaption(QString());
    } else {
        if (PictureLabel) PictureLabel->setText(PictureText);
        if (PreviewButton) PreviewButton->setEnabled(false);
        if (PaintBox) PaintBox->SetPicture(QImage());
        if (PaintPanel) PaintPanel->SetCaption(NoneText);
    }
}

QDialog* TOpenPictureDialogEx::MakePreviewForm(QWidget* parent)
{
    auto* form = new QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    form->setObjectName(QStringLiteral("PreviewForm"));
    form->setWindowTitle(QStringLiteral("Preview"));
    form->setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QFrame(form);
    panel->setObjectName(QStringLiteral("Panel"));
    panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    panel->setPalette(pal);
    auto* inner = new QVBoxLayout(panel);
    inner->setContentsMargins(5, 5, 5, 5);
    auto* image = new TPreviewImage(panel);
    image->setObjectName(QStringLiteral("Image"));
    inner->addWidget(image);
    layout->addWidget(panel);

    // The large window deserves more than the pane's small decode: the file is read again for the
    // screen, within the same bounds; the pane's picture serves when that fails.
    QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int maxW = avail.width() * 3 / 4;
    const int maxH = avail.height() * 3 / 4;
    QImage picture;
    if (!SavedFileName.isEmpty() && preview_.Ok) {
        TPicturePreview large = LoadPicturePreview(SavedFileName, maxW, maxH, Imaging().BackgroundColor);
        if (large.Ok) picture = ToImage(large.Picture);
    }
    if (picture.isNull() && PaintBox) picture = PaintBox->Picture().copy();
    image->SetPicture(picture);

    // The client area grows to the picture plus the panel's frame and a margin, within 3/4 of
    // the screen; the size text's own numbers decide, not the decoded copy's.
    const int chrome = 2 * (5 + 1);
    form->resize(300, 200);
    if (preview_.Width > 0) {
        const int w = std::min(maxW, preview_.Width + chrome + 10);
        const int h = std::min(maxH, preview_.Height + chrome + 10);
        form->resize(std::max(w, 40), std::max(h, 40));
    }
    form->move(avail.center() - QPoint(form->width() / 2, form->height() / 2));
    return form;
}

void TOpenPictureDialogEx::PreviewClick()
{
    QWidget* owner = PicturePanel ? PicturePanel->window() : QApplication::activeWindow();
    QDialog* form = MakePreviewForm(owner);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->exec();
}
