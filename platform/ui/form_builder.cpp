// The form builder's controls; see form_builder.h for the layout and pairing rules.
#include "platform/ui/form_builder.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "platform/small_routines.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/spin_edit.h"

TColorSwatch::TColorSwatch(QWidget* parent, TColor color) : QToolButton(parent), color_(color)
{
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] {
        if (PicksOnClick) Pick();
    });
}

void TColorSwatch::SetColor(TColor color)
{
    if (color == color_) return;
    color_ = color;
    update();
    emit Changed(color_);
}

void TColorSwatch::Pick()
{
    TColor chosen = color_;
    if (Dialogs().PickColor(window(), chosen)) SetColor(chosen);
}

void TColorSwatch::paintEvent(QPaintEvent* event)
{
    QToolButton::paintEvent(event);
    QPainter p(this);
    const QRect inner = rect().adjusted(3, 3, -4, -4);
    p.fillRect(inner, ToQColor(color_));
    p.setPen(isEnabled() ? Qt::black : Qt::gray);
    p.drawRect(inner);
}

void PairTrackAndSpin(TTrackBar* track, TSpinEdit* spin)
{
    QObject::connect(track, &TTrackBar::Changed, spin, [track, spin] {
        if (spin->Text().trimmed() != QString::number(track->Position())) spin->SetValue(track->Position());
    });
    QObject::connect(spin, &TSpinEdit::Changed, track, [track, spin] {
        int value = 0;
        if (spin->TypedValue(value) && value != track->Position()) track->SetPosition(value);
    });
}

QLabel* TFormBuilder::Label(const QString& name, const QString& text, int x, int y, bool bold)
{
    auto* label = new QLabel(text, parent_);
    if (!name.isEmpty()) label->setObjectName(name);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLabel* TFormBuilder::Label(const QString& name, const QString& text, const QRect& geometry, Qt::Alignment align)
{
    auto* label = new QLabel(text, parent_);
    if (!name.isEmpty()) label->setObjectName(name);
    label->setGeometry(geometry);
    label->setAlignment(align);
    return label;
}

QGroupBox* TFormBuilder::Group(const QString& name, const QString& title, const QRect& geometry)
{
    auto* group = new QGroupBox(title, parent_);
    group->setObjectName(name);
    group->setGeometry(geometry);
    return group;
}

QCheckBox* TFormBuilder::Check(const QString& name, const QString& text, int x, int y, bool checked)
{
    auto* box = new QCheckBox(text, parent_);
    box->setObjectName(name);
    box->setChecked(checked);
    box->move(x, y);
    box->adjustSize();
    return box;
}

QRadioButton* TFormBuilder::Radio(const QString& name, const QString& text, int x, int y)
{
    auto* radio = new QRadioButton(text, parent_);
    radio->setObjectName(name);
    radio->move(x, y);
    radio->adjustSize();
    return radio;
}

QButtonGroup* TFormBuilder::RadioGroup(std::initializer_list<RadioItem> radios, int checkedIndex)
{
    auto* group = new QButtonGroup(parent_);
    int index = 0;
    for (const RadioItem& item : radios) {
        QRadioButton* radio = Radio(item.Name, item.Text, item.X, item.Y);
        group->addButton(radio, index);
        if (index == checkedIndex) radio->setChecked(true);
        ++index;
    }
    return group;
}

TSpinEdit* TFormBuilder::Spin(const QString& name, int min, int max, int value, const QRect& geometry)
{
    auto* spin = new TSpinEdit(min, max, value, parent_);
    spin->setObjectName(name);
    spin->setGeometry(geometry);
    return spin;
}

TTrackRow TFormBuilder::TrackRow(const QString& suffix, const QString& caption, int min, int max, int value,
                                 const QRect& trackGeometry, int spinX, bool paired)
{
    TTrackRow row;
    if (!caption.isEmpty())
        row.Caption = Label(QStringLiteral("lbl_") + suffix, caption, trackGeometry.x(), trackGeometry.y() - 16);
    row.Track = new TTrackBar(min, max, value, parent_);
    row.Track->setObjectName(QStringLiteral("tb_") + suffix);
    row.Track->setGeometry(trackGeometry);
    row.Spin = Spin(QStringLiteral("se_") + suffix, min, max, value,
                    QRect(spinX, trackGeometry.y() + (trackGeometry.height() - 24) / 2, 56, 24));
    if (paired) PairTrackAndSpin(row.Track, row.Spin);
    return row;
}

QPushButton* TFormBuilder::Button(const QString& name, const QString& text, const QRect& geometry)
{
    auto* button = new QPushButton(text, parent_);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}

TButtonRow TFormBuilder::Buttons(const QString& okName, const QString& cancelName, const QString& helpName, int x, int y)
{
    TButtonRow row;
    auto* dialog = qobject_cast<QDialog*>(parent_);
    if (!okName.isEmpty()) {
        row.Ok = Button(okName, QStringLiteral("OK"), QRect(x, y, 75, 25));
        row.Ok->setDefault(true);
        x += 85;
    }
    if (!cancelName.isEmpty()) {
        row.Cancel = Button(cancelName, QStringLiteral("Cancel"), QRect(x, y, 75, 25));
        if (dialog) QObject::connect(row.Cancel, &QPushButton::clicked, dialog, &QDialog::reject);
        x += 85;
    }
    if (!helpName.isEmpty()) row.Help = Button(helpName, QStringLiteral("Help"), QRect(x, y, 75, 25));
    return row;
}

TColorSwatch* TFormBuilder::Swatch(const QString& name, TColor color, const QRect& geometry)
{
    auto* swatch = new TColorSwatch(parent_, color);
    swatch->setObjectName(name);
    swatch->setGeometry(geometry);
    return swatch;
}

QToolButton* TFormBuilder::ToolButton(const QString& name, const QString& hint, const QIcon& icon, const QRect& geometry)
{
    auto* button = new QToolButton(parent_);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(geometry);
    button->setFixedSize(geometry.size());
    return button;
}

QFrame* TFormBuilder::Bevel(const QString& name, const QRect& geometry, bool line)
{
    auto* bevel = new QFrame(parent_);
    if (!name.isEmpty()) bevel->setObjectName(name);
    if (line) {
        bevel->setFrameShape(QFrame::HLine);
        bevel->setFrameShadow(QFrame::Sunken);
    } else {
        bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bevel->setLineWidth(1);
    }
    bevel->setGeometry(geometry);
    return bevel;
}

void SetActionHint(QAction* action, const QString& hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QIcon ProgramIcon()
{
    // Kept for the whole run (never freed, so never after the application object): its five
    // images are decoded once instead of by each window at start.
    static const QIcon* icon = new QIcon(QStringLiteral(":/tavrin.ico"));
    return *icon;
}

QIcon ToolGlyph(const char* themeName, const char* ownName)
{
    return QIcon::fromTheme(QLatin1String(themeName), QIcon(QStringLiteral(":/glyphs/%1.png").arg(QLatin1String(ownName))));
}
