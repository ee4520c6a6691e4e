// The shared spin edit and track bar: how texts read as values, stepping, leaving the field.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "platform/small_routines.h"
#include "platform/ui/spin_edit.h"

TEST(SpinEdit, TextReadsAsAClampedNumberOrTheMinimum)
{
    TSpinEdit spin(1, 256, 60);
    EXPECT_EQ(spin.Text(), QStringLiteral("60"));
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"20", 20},   {" 30 ", 30},  {"+7", 7},     {"0", 1},        {"-5", 1},  {"300", 256},
        {"", 1},      {"-", 1},      {"5x", 1},     {"1 2", 1},      {"0x10", 1}, {"256", 256},
        // More digits than any integer holds saturate instead of wrapping around.
        {"99999999999999999999999", 256}, {"-99999999999999999999999", 1},
        {"18446744073709551617", 256},
    };
    for (const auto& c : cases) {
        spin.SetText(QString::fromLatin1(c.text));
        EXPECT_EQ(spin.Text(), QString::fromLatin1(c.text)) << "a typed text stays as typed";
        EXPECT_EQ(spin.Value(), c.value) << c.text;
    }
}

TEST(SpinEdit, ReadsExactlyWhatIsIntegerTextAccepts)
{
    long long v = 0;
    for (const char* t : {"0", "-1", "+99", "-0042", "123456789012345678901234567890", "+", "--1", "1.5", ""})
        EXPECT_EQ(IsIntegerText(QString::fromLatin1(t)), TSpinEdit::ReadInteger(QString::fromLatin1(t), v)) << t;
    ASSERT_TRUE(TSpinEdit::ReadInteger(QStringLiteral("-0042"), v));
    EXPECT_EQ(v, -42);
}

// The one rule every window's handlers take a field's value by: only a whole number counts;
// letters, a lone sign or nothing leave the value where it was.
TEST(SpinEdit, TypedValueAnswersOnlyForAWholeNumber)
{
    TSpinEdit spin(1, 15, 4);
    int value = -1;
    for (const char* t : {"", " ", "abc", "1bc", "x9", "-", "+", "1.5", "0x3", "9 9"}) {
        spin.SetText(QString::fromLatin1(t));
        EXPECT_FALSE(spin.TypedValue(value)) << t;
        EXPECT_EQ(value, -1) << t;
    }
    const struct {
        const char* text;
        int value;
    } numbers[] = {{"9", 9}, {" 12 ", 12}, {"+3", 3}, {"0", 1}, {"-40", 1}, {"400", 15}, {"99999999999999999999", 15}};
    for (const auto& n : numbers) {
        spin.SetText(QString::fromLatin1(n.text));
        ASSERT_TRUE(spin.TypedValue(value)) << n.text;
        EXPECT_EQ(value, n.value) << n.text;
    }
}

TEST(SpinEdit, UnlimitedRangeStillStaysWithinItsBound)
{
    TSpinEdit spin;
    EXPECT_EQ(spin.MinValue(), 0);
    EXPECT_EQ(spin.MaxValue(), 0);
    spin.SetText(QStringLiteral("-123"));
    EXPECT_EQ(spin.Value(), -123);
    spin.SetText(QStringLiteral("5000000"));
    EXPECT_EQ(spin.Value(), TSpinEdit::UnlimitedBound);
    spin.SetText(QStringLiteral("-5000000"));
    EXPECT_EQ(spin.Value(), -TSpinEdit::UnlimitedBound);
    spin.SetText(QStringLiteral("abc"));
    EXPECT_EQ(spin.Value(), 0);
}

TEST(SpinEdit, ArrowsStepWithinTheRangeAndSignalEveryChange)
{
    TSpinEdit spin(1, 10, 9);
    QSignalSpy changed(&spin, &TSpinEdit::Changed);
    spin.show();
    spin.setFocus();
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(spin.Text(), QStringLiteral("10"));
    QTest::keyClick(&spin, Qt::Key_Up); // at the limit: nothing changes
    EXPECT_EQ(spin.Text(), QStringLiteral("10"));
    EXPECT_EQ(changed.count(), 1);

    // Stepping from a text that is no number starts from the minimum.
    spin.SetText(QStringLiteral("x"));
    EXPECT_EQ(changed.count(), 2);
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(spin.Text(), QStringLiteral("2"));

    // Typing signals each keystroke.
    spin.findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(&spin, QStringLiteral("-4"));
    EXPECT_EQ(spin.Text(), QStringLiteral("-4"));
    EXPECT_EQ(changed.count(), 5); // "x", "2", "-", "-4"
    EXPECT_EQ(spin.Value(), 1);

    // Setting the same value again signals nothing.
    spin.SetValue(3);
    const int before = int(changed.count());
    spin.SetValue(3);
    EXPECT_EQ(changed.count(), before);
    spin.SetValue(1000);
    EXPECT_EQ(spin.Text(), QStringLiteral("10"));
}

TEST(SpinEdit, LeavingTheFieldBringsANumberIntoRangeButKeepsOtherText)
{
    QWidget host;
    auto* spin = new TSpinEdit(3, 999, 8, &host);
    auto* other = new QLineEdit(&host);
    other->move(0, 40);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    const struct {
        const char* typed;
        const char* after;
    } cases[] = {{"1", "3"}, {"5000", "999"}, {"-2", "3"}, {"12", "12"}, {"abc", "abc"}, {"", ""}};
    for (const auto& c : cases) {
        spin->setFocus();
        spin->SetText(QString::fromLatin1(c.typed));
        other->setFocus();
        QCoreApplication::processEvents();
        EXPECT_EQ(spin->Text(), QString::fromLatin1(c.after)) << c.typed;
    }
}

TEST(TrackBar, PositionStaysInRangeAndSignalsOnlyMoves)
{
    TTrackBar bar(1, 2000, 1000);
    QSignalSpy changed(&bar, &TTrackBar::Changed);
    bar.SetPosition(1000);
    bar.SetPosition(5000);
    EXPECT_EQ(bar.Position(), 2000);
    EXPECT_EQ(changed.count(), 1);
}
