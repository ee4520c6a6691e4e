// The form builder: paired track-bar rows, radio groups, the button row and the colour swatch,
// driven through real widgets.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "platform/ui/form_builder.h"
#include "platform/ui/spin_edit.h"
#include "support/scripted_dialogs.h"

namespace {

// Types a text into a spin edit as a user would: select all, then the keys.
void TypeInto(TSpinEdit* spin, const QString& text)
{
    auto* edit = spin->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    spin->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

} // namespace

TEST(FormBuilder, APairedRowKeepsTrackAndSpinTogetherWithoutLooping)
{
    QDialog form;
    TFormBuilder builder(&form);
    const TTrackRow row = builder.TrackRow(QStringLiteral("Brightness"), QStringLiteral("Brightness:"), -100, 100, 0,
                                           QRect(10, 30, 200, 24), 220);
    form.show();
    ASSERT_TRUE(row.Caption && row.Track && row.Spin);
    EXPECT_EQ(row.Track->objectName(), QStringLiteral("tb_Brightness"));
    EXPECT_EQ(row.Spin->objectName(), QStringLiteral("se_Brightness"));
    EXPECT_EQ(row.Caption->text(), QStringLiteral("Brightness:"));
    QSignalSpy trackMoves(row.Track, &TTrackBar::Changed);

    // The track bar leads, the spin edit mirrors it; one move gives one signal.
    row.Track->SetPosition(40);
    EXPECT_EQ(row.Spin->Text(), QStringLiteral("40"));
    EXPECT_EQ(trackMoves.count(), 1);

    // Typed numbers reach the track bar; a sign alone or other text does not move it.
    TypeInto(row.Spin, QStringLiteral("-25"));
    EXPECT_EQ(row.Track->Position(), -25);
    TypeInto(row.Spin, QStringLiteral("-"));
    EXPECT_EQ(row.Track->Position(), -25);
    // Beyond the range the value is read at its limit.
    TypeInto(row.Spin, QStringLiteral("999"));
    EXPECT_EQ(row.Track->Position(), 100);
    // One move per keystroke that changes the number (-2, -25, 9, 99, 100), nothing echoed back.
    EXPECT_EQ(trackMoves.count(), 6);

    // The spin edit's up arrow steps through the track bar too.
    row.Track->SetPosition(10);
    row.Spin->stepBy(1);
    EXPECT_EQ(row.Track->Position(), 11);
}

TEST(FormBuilder, AnUnpairedRowLeavesTheWiringToTheWindow)
{
    QWidget form;
    const TTrackRow row = TFormBuilder(&form).TrackRow(QStringLiteral("x"), QString(), 0, 10, 5, QRect(0, 0, 100, 24), 110, false);
    EXPECT_EQ(row.Caption, nullptr);
    row.Track->SetPosition(8);
    EXPECT_EQ(row.Spin->Value(), 5);
}

TEST(FormBuilder, RadioGroupsAreExclusiveAndButtonsAnswerTheDialog)
{
    QDialog form;
    TFormBuilder builder(&form);
    QButtonGroup* group = builder.RadioGroup({{QStringLiteral("rad_a"), QStringLiteral("A"), 10, 10},
                                              {QStringLiteral("rad_b"), QStringLiteral("B"), 10, 30}},
                                             1);
    const TButtonRow buttons = builder.Buttons(QStringLiteral("btn_OK"), QStringLiteral("btn_Cancel"),
                                               QStringLiteral("btn_Help"), 10, 60);
    form.show();
    EXPECT_EQ(group->checkedId(), 1);
    QTest::mouseClick(form.findChild<QRadioButton*>(QStringLiteral("rad_a")), Qt::LeftButton);
    EXPECT_EQ(group->checkedId(), 0);
    EXPECT_FALSE(form.findChild<QRadioButton*>(QStringLiteral("rad_b"))->isChecked());

    ASSERT_TRUE(buttons.Ok && buttons.Cancel && buttons.Help);
    EXPECT_TRUE(buttons.Ok->isDefault());
    EXPECT_EQ(buttons.Cancel->geometry(), QRect(95, 60, 75, 25));
    EXPECT_EQ(buttons.Help->text(), QStringLiteral("Help"));
    QTest::mouseClick(buttons.Cancel, Qt::LeftButton);
    EXPECT_EQ(form.result(), int(QDialog::Rejected));
    EXPECT_FALSE(form.isVisible());
}

TEST(FormBuilder, TheSwatchAsksForAColourAndCancelChangesNothing)
{
    ScriptedDialogs dialogs;
    QWidget form;
    TColorSwatch* swatch = TFormBuilder(&form).Swatch(QStringLiteral("shp_color"), 0x0000FF, QRect(0, 0, 30, 20));
    form.show();
    QSignalSpy changes(swatch, &TColorSwatch::Changed);
    QTest::mouseClick(swatch, Qt::LeftButton); // an empty queue cancels
    EXPECT_EQ(swatch->Color(), 0x0000FFu);
    EXPECT_EQ(changes.count(), 0);

    dialogs.ColorAnswers.enqueue(0x00FF00);
    QTest::mouseClick(swatch, Qt::LeftButton);
    EXPECT_EQ(swatch->Color(), 0x00FF00u);
    ASSERT_EQ(changes.count(), 1);
    // The swatch shows its colour.
    const QImage shown = swatch->grab().toImage();
    EXPECT_EQ(shown.pixelColor(15, 10), QColor(0, 255, 0));

    swatch->PicksOnClick = false;
    dialogs.ColorAnswers.enqueue(0xFFFFFF);
    QTest::mouseClick(swatch, Qt::LeftButton);
    EXPECT_EQ(swatch->Color(), 0x00FF00u);
}
