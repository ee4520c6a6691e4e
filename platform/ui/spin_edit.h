#pragma once
// The spin edit of every window: an edit field with up and down arrows whose text the user may
// type freely. Its value is the text read as a whole number (blanks around it ignored), or the
// minimum when the text is not one; a number beyond the range reads as the nearest limit, also
// when it has more digits than any integer holds. Handlers that move something from the field ask
// TypedValue(), which answers only for a text that is a whole number: letters or a lone sign being
// typed change nothing and are left in the field as typed.
//
// The arrows, the arrow keys and the wheel step the value by Increment within the range and
// write it back as text. Leaving the field puts a number outside the range back to its limit;
// any other text stays as typed. Changed() fires on every change of the text, typed or set.
//
// A range of 0..0 is unlimited; it still reads and steps within -100000..100000.
//
// Numeric parameters pair a spin edit with a TTrackBar: the track bar holds the value, the spin
// edit mirrors it, and each window's handlers decide when one passes its value to the other.
#include <QAbstractSpinBox>
#include <QSlider>
#include <QString>

class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    static constexpr int UnlimitedBound = 100000;

    explicit TSpinEdit(QWidget* parent = nullptr);
    TSpinEdit(int minValue, int maxValue, int value, QWidget* parent = nullptr);

    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    // Sets the range; a text already there is left alone.
    void SetRange(int minValue, int maxValue);
    int Increment() const { return increment_; }
    void SetIncrement(int increment) { increment_ = increment; }

    // The text read as a number within the range (see above).
    int Value() const;
    // True, with the value in `value`, when the trimmed text is a whole number (IsIntegerText);
    // false for an empty text, letters, a lone sign and anything else.
    bool TypedValue(int& value) const;
    // Writes the value, brought into the range, as the text.
    void SetValue(int value);
    QString Text() const;
    void SetText(const QString& text);

    // The number a text stands for: trimmed, an optional sign and decimal digits; overflowing
    // digits saturate at the limits of long long. False for any other text.
    static bool ReadInteger(const QString& text, long long& value);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void Changed();

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The bounds values are read and stepped within.
    int Low() const;
    int High() const;

    void Init(int value);

    int min_ = 0;
    int max_ = 0;
    int increment_ = 1;
};

// A horizontal track bar: its position is always within its range, and Changed() fires only when
// the position really moves (by the user or by SetPosition).
class TTrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TTrackBar(QWidget* parent = nullptr);
    TTrackBar(int minValue, int maxValue, int position, QWidget* parent = nullptr);

    int Position() const { return value(); }
    // Clamps to the range; Changed() fires when the position moves.
    void SetPosition(int position) { setValue(position); }

signals:
    void Changed();
};
