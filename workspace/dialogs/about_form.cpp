#include "workspace/dialogs/about_form.h"

#include "platform/app_paths.h"
#include "platform/ui/form_builder.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QScreen>

#include "platform/small_routines.h"

Tfrm_about* frm_about = nullptr;

QString GetFileVersionText(bool shortForm)
{
#if defined(TAVRIN_VERSION) && defined(TAVRIN_FULL_VERSION)
    return QString::fromLatin1(shortForm ? TAVRIN_VERSION : TAVRIN_FULL_VERSION);
#else
    (void)shortForm;
    return QString();
#endif
}

QString AboutVersionLine()
{
    return QStringLiteral("Version: %1 (Build %2)").arg(GetFileVersionText(true), GetFileVersionText(false));
}

// ---------------------------------------------------------------------------------------------

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::blue);
    setPalette(pal);
}

void TLinkLabel::SetLink(const QString& text, const QString& link)
{
    setText(text);
    link_ = link;
    setToolTip(link);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) ShellOpen(Link());
}

// ---------------------------------------------------------------------------------------------

Tfrm_about::Tfrm_about(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_about"), parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    frm_about = this;
    setWindowTitle(QStringLiteral("About Tavrin"));
    setFixedSize(ClientWidth, ClientHeight);

    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(12, 12, 64, 64); // its picture is scaled on first show

    TFormBuilder form(this);
    lab_ProductName = form.Label(QStringLiteral("lab_ProductName"), QStringLiteral("Tavrin"), QRect(92, 18, 196, 24),
                                 Qt::AlignLeft | Qt::AlignVCenter);
    QFont nameFont(QStringLiteral("MS Sans Serif"));
    nameFont.setPixelSize(16);
    nameFont.setBold(true);
    lab_ProductName->setFont(nameFont);

    lab_Version = form.Label(QStringLiteral("lab_Version"), QString(), QRect(92, 48, 196, 20), Qt::AlignLeft | Qt::AlignVCenter);

    form.Bevel(QString(), QRect(8, 86, ClientWidth - 16, 2), true);

    lab_Comments = new TLinkLabel(this);
    lab_Comments->setObjectName(QStringLiteral("lab_Comments"));
    const QString homePage = AppPaths::HomePagePath();
    lab_Comments->SetLink(QFileInfo(homePage).fileName(), homePage);
    lab_Comments->setGeometry(12, 96, ClientWidth - 24, 64);
    lab_Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    form.Bevel(QString(), QRect(8, 170, ClientWidth - 16, 2), true);

    OKButton = form.Buttons(QStringLiteral("OKButton"), QString(), QString(), (ClientWidth - 75) / 2, 184).Ok;
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

Tfrm_about::~Tfrm_about()
{
    if (frm_about == this) frm_about = nullptr;
}

void Tfrm_about::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        // Centred on the screen unless a remembered placement says otherwise.
        const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
        }
        FormShow();
    }
    Tfrm_base::setVisible(visible);
}

void Tfrm_about::FormShow()
{
    lab_Version->setText(AboutVersionLine());
    if (ProgramIcon->pixmap().isNull()) {
        QIcon icon = QApplication::windowIcon();
        if (icon.isNull()) icon = ::ProgramIcon();
        ProgramIcon->setPixmap(icon.pixmap(64, 64));
    }
}
