#include "workspace/dialogs/dele_icon_image_form.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include "imaging/compositing.h"
#include "platform/ui/form_builder.h"
#include "workspace/peers.h"
#include "model/document_model.h"

Tfrm_DeleIconImage* frm_DeleIconImage = nullptr;

Rect DeleteImageTarget(int width, int height)
{
    constexpr int side = Tfrm_DeleIconImage::PictureSize;
    if (width > side || height > side) return SizeRect(side, side);
    const int left = (side - width) / 2;
    const int top = (side - height) / 2;
    return MakeRect(left, top, left + width, top + height);
}

Tfrm_DeleIconImage::Tfrm_DeleIconImage(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_DeleIconImage"), parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    frm_DeleIconImage = this;
    setWindowTitle(QStringLiteral("Delete an Icon Image"));
    setFixedSize(ClientWidth, ClientHeight);

    // The layout is designed for an 8-point font; both texts wrap when a wider one is in use.
    QFont designFont = font();
    designFont.setPixelSize(11);
    setFont(designFont);
    TFormBuilder form(this);
    QLabel* text1 = form.Label(QString(), QStringLiteral("Move this Icon Image to the recycle bin?"),
                               QRect(2, 4, ClientWidth - 4, 16), Qt::AlignHCenter | Qt::AlignTop);
    QLabel* text2 = form.Label(QString(), QStringLiteral("You can recover it from the history window."),
                               QRect(2, 20, ClientWidth - 4, 32), Qt::AlignHCenter | Qt::AlignTop);
    for (QLabel* text : {text1, text2}) text->setWordWrap(true);

    Image1 = form.Label(QStringLiteral("Image1"), QString(), QRect(97, 56, PictureSize, PictureSize), Qt::AlignLeft | Qt::AlignVCenter);
    Label2 = form.Label(QStringLiteral("Label2"), QString(), 80, 112);

    const TButtonRow buttons = form.Buttons(QStringLiteral("btn_OK"), QString(), QString(), 32, 140);
    btn_OK = buttons.Ok;
    btn_Cancel = form.Buttons(QString(), QStringLiteral("btn_Cancel"), QString(), ClientWidth - 32 - 75, 140).Cancel;
    connect(btn_OK, &QPushButton::clicked, this, &QDialog::accept);

    DocumentPeers().ConfirmDeleteFormat = [this](QWidget* parent, const TIconImageRec& format) {
        return Confirm(parent, &format);
    };
}

Tfrm_DeleIconImage::~Tfrm_DeleIconImage()
{
    if (frm_DeleIconImage != this) return;
    frm_DeleIconImage = nullptr;
    DocumentPeers().ConfirmDeleteFormat = nullptr;
}

bool Tfrm_DeleIconImage::Confirm(QWidget* parent, const TIconImageRec* format)
{
    ImageToDelete = format;
    if (!format) return false;
    // Centred on the main window (or the caller's window) unless a remembered placement says
    // otherwise.
    const auto& mainWindow = FramePeers().MainWindow;
    QWidget* over = mainWindow && mainWindow() ? mainWindow() : parent;
    if (over) {
        const QRect r = over->frameGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    const bool ok = exec() == QDialog::Accepted;
    ImageToDelete = nullptr;
    return ok;
}

void Tfrm_DeleIconImage::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    if (showing) FormShow();
    Tfrm_base::setVisible(visible);
}

void Tfrm_DeleIconImage::FormShow()
{
    picture_.Fill(0xFFFFFF);
    if (ImageToDelete) {
        const TIconImageRec& f = *ImageToDelete;
        DrawIconImage(picture_, DeleteImageTarget(f.Width, f.Height), 0xFFFFFF, f);
        Label2->setText(FormatSizeLabel(f));
    } else {
        Label2->clear();
    }
    Label2->adjustSize();
    Image1->setPixmap(QPixmap::fromImage(picture_.ToQImage()));
}
