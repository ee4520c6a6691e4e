#include "workspace/dialogs/icon_property_form.h"

#include <QDir>
#include <QFileInfo>

#include "model/document_model.h"
#include "platform/ui/form_builder.h"

QString ColorTypeDescription(int32_t colorType)
{
    switch (colorType) {
    case ctColors2: return QStringLiteral("2 Colors (1 bit)");
    case ctColors16: return QStringLiteral("16 Colors (4 bits)");
    case ctColors256: return QStringLiteral("256 Colors (8 bits)");
    case ctTrueColor: return QStringLiteral("True Color (24 bits)");
    case ctTrueAlpha: return QStringLiteral("True Color + Alpha (32 bits)");
    default: return QString();
    }
}

QStringList IconFormatLines(const TIconImageArray& formats)
{
    QStringList lines;
    for (int i = 0; i < formats.Count(); ++i) {
        const TIconImageRec& f = formats[i];
        lines << QStringLiteral("%1. %2 x %3 ").arg(i + 1).arg(f.Width).arg(f.Height) + ColorTypeDescription(f.ColorType);
    }
    return lines;
}

QString IconFileSizeText(const QString& folder, const QString& fileName)
{
    // A document that was never saved has no file, whatever lies in the current folder.
    if (folder.isEmpty() || fileName.isEmpty()) return QStringLiteral("Unknown");
    const QFileInfo info(QDir(folder).absoluteFilePath(fileName));
    if (!info.exists() || !info.isFile()) return QStringLiteral("Unknown");
    return QString::number(info.size()) + QStringLiteral(" bytes");
}

// ---------------------------------------------------------------------------------------------

namespace {

// A read-only field without a border that reads like a label but can be selected and copied.
void MakeFlat(QWidget* field)
{
    field->setAutoFillBackground(false);
    QPalette pal = field->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Window));
    field->setPalette(pal);
}

} // namespace

Tfrm_IconProperty::Tfrm_IconProperty(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_IconProperty"), parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("Icon Properties"));
    setFixedSize(ClientWidth, ClientHeight);

    TFormBuilder form(this);
    form.Label(QString(), QStringLiteral("Icon File"), 12, 10, true);
    form.Label(QString(), QStringLiteral("File Name:"), 24, 34);
    form.Label(QString(), QStringLiteral("Location:"), 24, 58);
    form.Label(QString(), QStringLiteral("File Size:"), 24, 100);

    edt_fileName = new QLineEdit(this);
    edt_fileName->setObjectName(QStringLiteral("edt_fileName"));
    edt_fileName->setGeometry(100, 32, ClientWidth - 112, 20);

    mmo_location = new QPlainTextEdit(this);
    mmo_location->setObjectName(QStringLiteral("mmo_location"));
    mmo_location->setGeometry(100, 56, ClientWidth - 112, 38);
    mmo_location->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    mmo_location->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    mmo_location->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mmo_location->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mmo_location->document()->setDocumentMargin(2);

    edt_FileSize = new QLineEdit(this);
    edt_FileSize->setObjectName(QStringLiteral("edt_FileSize"));
    edt_FileSize->setGeometry(100, 98, ClientWidth - 112, 20);

    for (QLineEdit* e : {edt_fileName, edt_FileSize}) {
        e->setReadOnly(true);
        e->setFrame(false);
        MakeFlat(e);
    }
    mmo_location->setReadOnly(true);
    mmo_location->setFrameShape(QFrame::NoFrame);
    MakeFlat(mmo_location);

    form.Label(QString(), QStringLiteral("Formats"), 12, 130, true);
    lst_formats = new QListWidget(this);
    lst_formats->setObjectName(QStringLiteral("lst_formats"));
    lst_formats->setGeometry(24, 152, ClientWidth - 36, 114);

    btn_Ok = form.Buttons(QStringLiteral("btn_Ok"), QString(), QString(), ClientWidth - 12 - 75, ClientHeight - 12 - 25).Ok;
    connect(btn_Ok, &QPushButton::clicked, this, &QDialog::accept);
}

void Tfrm_IconProperty::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    Tfrm_base::setVisible(visible);
    if (showing) FormShow();
}

void Tfrm_IconProperty::FormShow()
{
    if (!Document) return;
    edt_fileName->setText(Document->FileName);
    edt_fileName->setCursorPosition(0);
    mmo_location->setPlainText(Document->Folder);
    edt_FileSize->setText(IconFileSizeText(Document->Folder, Document->FileName));
    lst_formats->clear();
    lst_formats->addItems(IconFormatLines(Document->Images));
}
