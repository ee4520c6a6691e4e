#include "platform/ui/spin_edit.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>
#include <limits>

#include "platform/small_routines.h"

TSpinEdit::TSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) { Init(0); }

TSpinEdit::TSpinEdit(int minValue, int maxValue, int value, QWidget* parent) : QAbstractSpinBox(parent)
{
    min_ = minValue;
    max_ = std::max(minValue, maxValue);
    Init(std::clamp(value, Low(), High()));
}

void TSpinEdit::Init(int value)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
    setKeyboardTracking(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    // Laid out once, with the value it starts with: setting a text shapes it.
    lineEdit()->setText(QString::number(value));
    connect(lineEdit(), &QLineEdit::textChanged, this, &TSpinEdit::Changed);
}

void TSpinEdit::SetRange(int minValue, int maxValue)
{
    min_ = minValue;
    max_ = std::max(minValue, maxValue);
    updateGeometry();
}

int TSpinEdit::Low() const { return (min_ == 0 && max_ == 0) ? -UnlimitedBound : min_; }
int TSpinEdit::High() const { return (min_ == 0 && max_ == 0) ? UnlimitedBound : max_; }

bool TSpinEdit::ReadInteger(const QString& text, long long& value)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    qsizetype i = 0;
    bool negative = false;
    if (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-')) {
        negative = t[0] == QLatin1Char('-');
        i = 1;
    }
    if (i >= t.size()) return false;
    // Accumulated as a negative number, whose range reaches one further than the positive one.
    constexpr long long lowest = std::numeric_limits<long long>::min();
    long long acc = 0;
    bool saturated = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
        const int digit = c.unicode() - '0';
        if (saturated) continue;
        if (acc < (lowest + digit) / 10) {
            saturated = true;
            continue;
        }
        acc = acc * 10 - digit;
    }
    if (negative)
        value = saturated ? lowest : acc;
    else
        value = (saturated || acc == lowest) ? std::numeric_limits<long long>::max() : -acc;
    return true;
}

int TSpinEdit::Value() const
{
    long long v = 0;
    if (!ReadInteger(Text(), v)) v = min_;
    return int(std::clamp<long long>(v, Low(), High()));
}

bool TSpinEdit::TypedValue(int& value) const
{
    if (!IsIntegerText(Text().trimmed())) return false;
    value = Value();
    return true;
}

void TSpinEdit::SetValue(int value)
{
    SetText(QString::number(std::clamp(value, Low(), High())));
}

QString TSpinEdit::Text() const { return lineEdit()->text(); }

void TSpinEdit::SetText(const QString& text)
{
    if (lineEdit()->text() != text) lineEdit()->setText(text);
}

void TSpinEdit::stepBy(int steps)
{
    const long long next = (long long)Value() + (long long)steps * increment_;
    SetValue(int(std::clamp<long long>(next, Low(), High())));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const
{
    if (isReadOnly()) return StepNone;
    const int v = Value();
    StepEnabled out = StepNone;
    if (v < High()) out |= StepUpEnabled;
    if (v > Low()) out |= StepDownEnabled;
    return out;
}

// Any text may be typed; the handlers decide what they take from it.
QValidator::State TSpinEdit::validate(QString&, int&) const { return QValidator::Acceptable; }

void TSpinEdit::fixup(QString&) const {}

void TSpinEdit::focusOutEvent(QFocusEvent* event)
{
    long long v = 0;
    if (ReadInteger(Text(), v) && (v < Low() || v > High())) SetValue(Value());
    QAbstractSpinBox::focusOutEvent(event);
}

QSize TSpinEdit::sizeHint() const
{
    ensurePolished();
    const QFontMetrics fm(font());
    const int digits = std::max(fm.horizontalAdvance(QString::number(Low())), fm.horizontalAdvance(QString::number(High())));
    QStyleOptionSpinBox opt;
    initStyleOption(&opt);
    const QSize content(digits + 6, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &opt, content, this);
}

QSize TSpinEdit::minimumSizeHint() const { return sizeHint(); }

// ---------------------------------------------------------------------------------------------

TTrackBar::TTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::NoTicks);
    connect(this, &QSlider::valueChanged, this, &TTrackBar::Changed);
}

TTrackBar::TTrackBar(int minValue, int maxValue, int position, QWidget* parent) : TTrackBar(parent)
{
    setRange(minValue, maxValue);
    setValue(position);
}
