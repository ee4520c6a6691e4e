// The font window: its controls write straight into the sample field's font.
#include "workspace/font_form.h"

#include <QComboBox>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "model/font_families.h"
#include "model/tool_settings.h"
#include "platform/small_routines.h"
#include "platform/ui/form_builder.h"
#include "platform/ui/spin_edit.h"
#include "workspace/peers.h"

Tfrm_font* frm_font = nullptr;

namespace {

// The style buttons' glyphs: the letter in its own style, dark on a clear ground.
QIcon StyleGlyph(const QString& letter, bool bold, bool italic, bool underline)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    QFont f;
    f.setPixelSize(13);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    p.setFont(f);
    p.setPen(QColor(0x10, 0x10, 0x10));
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, letter);
    return QIcon(pixmap);
}

// The order of a sorted list box: letters without regard to case, ties by the exact text.
bool FaceBefore(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

} // namespace

Tfrm_font::Tfrm_font(QWidget* parent)
    : Tfrm_base(QStringLiteral("frm_font"), parent,
                Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                    Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    frm_font = this;
    setWindowTitle(QString());
    setFixedSize(ClientWidth, ClientHeight);

    TFormBuilder form(this);
    form.Label(QStringLiteral("Label1"), QStringLiteral("Font:"), 9, 8);
    cmb_TextFont = new QComboBox(this);
    cmb_TextFont->setObjectName(QStringLiteral("cmb_TextFont"));
    cmb_TextFont->setGeometry(9, 26, 166, 24);
    cmb_TextFont->setMaxVisibleItems(16);
    form.Label(QStringLiteral("Label2"), QStringLiteral("Size:"), 184, 8);
    spn_TextSize = form.Spin(QStringLiteral("spn_TextSize"), ToolRange::FontSize.Min, ToolRange::FontSize.Max,
                             ToolRange::FontSize.Default, QRect(184, 26, 66, 24));
    // The glyphs are drawn when the window first shows: their bold and italic faces would
    // otherwise be loaded at every start, for a window most runs never open.
    btn_TextB = form.ToolButton(QStringLiteral("btn_TextB"), QStringLiteral("Bold"), QIcon(), QRect(9, 56, 23, 22));
    btn_TextI = form.ToolButton(QStringLiteral("btn_TextI"), QStringLiteral("Italic"), QIcon(), QRect(34, 56, 23, 22));
    btn_TextU = form.ToolButton(QStringLiteral("btn_TextU"), QStringLiteral("Underline"), QIcon(), QRect(59, 56, 23, 22));
    // Each is a toggle of its own.
    for (QToolButton* b : {btn_TextB, btn_TextI, btn_TextU}) b->setCheckable(true);

    edt_FontSample = new QLineEdit(QStringLiteral("Hello"), this);
    edt_FontSample->setObjectName(QStringLiteral("edt_FontSample"));
    edt_FontSample->setGeometry(9, 84, 241, 105);

    const TButtonRow buttons = form.Buttons(QStringLiteral("BitBtn1"), QStringLiteral("BitBtn2"), QString(),
                                            ClientWidth - 2 * (75 + 10) + 1, ClientHeight - 37);
    BitBtn1 = buttons.Ok;
    BitBtn2 = buttons.Cancel;

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmb_TextFont, &QComboBox::currentIndexChanged, this, &Tfrm_font::cmb_TextFontChange);
    connect(spn_TextSize, &TSpinEdit::Changed, this, &Tfrm_font::spn_TextSizeChange);
    connect(btn_TextB, &QToolButton::clicked, this, &Tfrm_font::btn_TextBClick);
    connect(btn_TextI, &QToolButton::clicked, this, &Tfrm_font::btn_TextIClick);
    connect(btn_TextU, &QToolButton::clicked, this, &Tfrm_font::btn_TextUClick);

    // The face list is filled on first show too (asking every installed family is slow).
    ToolsPeers().ChooseFont = [this](QWidget* owner, QString& text, QFont& font) { return Execute(owner, text, font); };
}

Tfrm_font::~Tfrm_font()
{
    if (frm_font != this) return;
    frm_font = nullptr;
    ToolsPeers().ChooseFont = nullptr;
}

QStringList Tfrm_font::ScreenFontFaces()
{
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family)) families << family;
    QStringList faces;
    for (const QString& face : PlainFontFamilies(families)) {
        // The font system adds the generic names "Serif", "Sans Serif" and "Monospace" as
        // stand-ins for whatever font it picks; they are listed only when a font of that name is
        // installed, that is when the name finds a font of that family (of whichever foundry).
        const bool generic = face == QLatin1String("Serif") || face == QLatin1String("Sans Serif") ||
                             face == QLatin1String("Monospace");
        if (generic && PlainFontFamilies({QFontInfo(QFont(face)).family()}).value(0) != face) continue;
        faces << face;
    }
    return faces;
}

void Tfrm_font::FillFontList(const QStringList& faces)
{
    QStringList sorted = faces;
    std::stable_sort(sorted.begin(), sorted.end(), FaceBefore);
    facesFilled_ = true;
    syncing_ = true;
    cmb_TextFont->clear();
    cmb_TextFont->addItems(sorted);
    cmb_TextFont->setCurrentIndex(FaceIndex(edt_FontSample->font().family()));
    syncing_ = false;
}

int Tfrm_font::FaceIndex(const QString& face) const
{
    for (int i = 0; i < cmb_TextFont->count(); ++i)
        if (cmb_TextFont->itemText(i) == face) return i;
    return -1;
}

bool Tfrm_font::Execute(QWidget* owner, QString& text, QFont& font)
{
    edt_FontSample->setText(text);
    edt_FontSample->setFont(font);
    if (ExecOver(*this, owner) != QDialog::Accepted) return false;
    font = edt_FontSample->font();
    text = edt_FontSample->text();
    return true;
}

void Tfrm_font::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    Tfrm_base::setVisible(visible);
    if (showing) FormShow();
}

void Tfrm_font::FormShow()
{
    if (btn_TextB->icon().isNull()) {
        btn_TextB->setIcon(StyleGlyph(QStringLiteral("B"), true, false, false));
        btn_TextI->setIcon(StyleGlyph(QStringLiteral("I"), false, true, false));
        btn_TextU->setIcon(StyleGlyph(QStringLiteral("U"), false, false, true));
    }
    if (!facesFilled_) FillFontList(ScreenFontFaces());
    const QFont f = edt_FontSample->font();
    syncing_ = true;
    // A face that is not installed shows no entry selected; the sample keeps its face.
    cmb_TextFont->setCurrentIndex(FaceIndex(f.family()));
    spn_TextSize->SetValue(f.pointSize());
    btn_TextB->setChecked(f.bold());
    btn_TextI->setChecked(f.italic());
    btn_TextU->setChecked(f.underline());
    syncing_ = false;
}

template <class Change>
void Tfrm_font::ChangeSampleFont(Change change)
{
    QFont f = edt_FontSample->font();
    change(f);
    edt_FontSample->setFont(f);
}

void Tfrm_font::cmb_TextFontChange()
{
    if (syncing_ || cmb_TextFont->currentIndex() < 0) return;
    const QString face = cmb_TextFont->currentText();
    ChangeSampleFont([&](QFont& f) { f.setFamily(face); });
}

void Tfrm_font::spn_TextSizeChange()
{
    // Only a whole number is taken; it reads within 3..999.
    int size = 0;
    if (syncing_ || !spn_TextSize->TypedValue(size)) return;
    ChangeSampleFont([&](QFont& f) { f.setPointSize(size); });
}

void Tfrm_font::btn_TextBClick()
{
    const bool down = btn_TextB->isChecked();
    ChangeSampleFont([&](QFont& f) { f.setBold(down); });
}

void Tfrm_font::btn_TextIClick()
{
    const bool down = btn_TextI->isChecked();
    ChangeSampleFont([&](QFont& f) { f.setItalic(down); });
}

void Tfrm_font::btn_TextUClick()
{
    const bool down = btn_TextU->isChecked();
    ChangeSampleFont([&](QFont& f) { f.setUnderline(down); });
}
