// The "Icons Mixer" command: a person selects a layer, moves it, fades it, reorders the layers and
// gets a new document holding the mix of each shared size; and the refusals.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include "creators/icon_mixer_form.h"
#include "effects/angle_picker.h"
#include "support/mixer_helpers.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;

// 32 x 32 with its left half opaque red and its right half transparent.
TIconImageRec HalfRed()
{
    TIconImageRec f = SolidFormat(32, 32, ctTrueAlpha, Red, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 16; x < 32; ++x) f.Mask->SetPixel(x, y, 0xFFFFFF);
    return f;
}

class IconMixerTest : public MainWindowTest {
protected:
    QAction* Command() { return main->findChild<QAction*>(QStringLiteral("act_icon_mixer")); }

    // Runs the command with Act inside the mixer's modal loop.
    void RunMixer(std::function<void(Tfrm_icon_mixer&)> act)
    {
        bool ran = false;
        WhenModal([&](QWidget* modal) {
            auto* mixer = qobject_cast<Tfrm_icon_mixer*>(modal);
            ASSERT_TRUE(mixer);
            ran = true;
            act(*mixer);
        });
        Command()->trigger();
        EXPECT_TRUE(ran);
    }
    static void Select(Tfrm_icon_mixer& m, int row)
    {
        QListWidgetItem* item = m.lsv_Icon->item(row);
        QTest::mouseClick(m.lsv_Icon->viewport(), Qt::LeftButton, {}, m.lsv_Icon->visualItemRect(item).center());
    }
    static QStringList Layers(const Tfrm_icon_mixer& m)
    {
        QStringList out;
        for (int r = 0; r < m.lsv_Icon->count(); ++r) out << m.lsv_Icon->item(r)->text();
        return out;
    }
    // The mix of the first shared size as the view shows it (at (4, 4), 1:1).
    static TColor Shown(const Tfrm_icon_mixer& m, int x, int y) { return m.ViewPicture().Pixel(4 + x, 4 + y); }
};

TEST_F(IconMixerTest, MixesTwoOpenIconsIntoANewOne)
{
    ASSERT_TRUE(Command()->isEnabled());
    NewDocument(QStringLiteral("Icon1"), {SolidFormat(16, 16, ctTrueAlpha, Red, 0), HalfRed(), SolidFormat(48, 48, ctTrueAlpha, Red, 0)});
    NewDocument(QStringLiteral("Icon2"), {SolidFormat(48, 48, ctColors16, 0, 0), SolidFormat(32, 32, ctTrueAlpha, Blue, 0)});

    RunMixer([&](Tfrm_icon_mixer& m) {
        EXPECT_EQ(m.windowTitle(), QStringLiteral("Icons Mixer"));
        EXPECT_EQ(Layers(m), (QStringList{QStringLiteral("Icon1"), QStringLiteral("Icon2")}));
        EXPECT_EQ(m.lab_A->text(), QStringLiteral("..."));
        EXPECT_FALSE(m.img_arrow->isVisible());
        ASSERT_EQ(m.Mixer().SizeCount(), 2); // 32 and 48, in Icon1's order
        EXPECT_EQ(m.img_view->height(), 32 + 22 + 48 + 22);
        EXPECT_EQ(Shown(m, 0, 0), Red);  // Icon1 in front
        EXPECT_EQ(Shown(m, 31, 0), Blue); // Icon2 where Icon1 is transparent

        // Buttons without a selected layer do nothing.
        QTest::mouseClick(m.btn_right, Qt::LeftButton);
        EXPECT_EQ(m.Mixer().Items[0].OffsetX, 0);

        Select(m, 0);
        EXPECT_TRUE(m.img_arrow->isVisible());
        EXPECT_EQ(m.lab_A->text(), QStringLiteral("255"));
        QTest::mouseClick(m.btn_right, Qt::LeftButton);
        QTest::mouseClick(m.btn_right, Qt::LeftButton);
        EXPECT_EQ(Shown(m, 0, 0), Blue);
        EXPECT_EQ(Shown(m, 17, 0), Red);

        // Half opacity from the bar: red and blue blend.
        QTest::mousePress(m.img_transparent, Qt::LeftButton, {}, QPoint(67, 10));
        QTest::mouseRelease(m.img_transparent, Qt::LeftButton, {}, QPoint(67, 10));
        EXPECT_EQ(m.lab_A->text(), QStringLiteral("127"));
        EXPECT_EQ(m.img_arrow->x() - m.img_transparent->x(), 67);
        const TColor blend = Shown(m, 17, 0);
        EXPECT_NEAR(int(ColorR(blend)), 127, 2);
        EXPECT_NEAR(int(ColorB(blend)), 128, 2);
        SaveShot(&m, "icon_mixer");

        QTest::mouseClick(m.btn_Ok, Qt::LeftButton);
    });

    ASSERT_EQ(main->Documents().size(), 3);
    Tfrm_childwin* mixed = main->Documents().last();
    EXPECT_EQ(mixed->windowTitle(), QStringLiteral("Mixer Icon(Icon1 Icon2 ) *"));
    EXPECT_EQ(mixed->Document().FileName, QStringLiteral("qv mixer icon"));
    const TIconImageArray& formats = mixed->Document().Images;
    ASSERT_EQ(formats.Count(), 2);
    EXPECT_EQ(formats[0].Width, 32);
    EXPECT_EQ(formats[1].Width, 48);
    EXPECT_EQ(formats[0].ColorType, ctTrueAlpha);
    EXPECT_EQ(formats[0].Bitmap->Pixel(0, 0), Blue);
    EXPECT_EQ(formats[0].Mask->Byte0(0, 0), 0);
    const TColor blend = formats[0].Bitmap->Pixel(17, 0);
    EXPECT_NEAR(int(ColorR(blend)), 127, 2);
    // The documents mixed are untouched.
    EXPECT_EQ(main->Documents()[0]->Document().Images[1].Bitmap->Pixel(0, 0), Red);

    // The mix is in no file yet: closing it asks, Cancel keeps it, No lets it go unsaved.
    auto* sub = qobject_cast<QMdiSubWindow*>(mixed->parentWidget());
    dialogs.Messages.clear();
    dialogs.Answer({TMsgResult::Cancel, TMsgResult::No});
    EXPECT_FALSE(sub->close());
    EXPECT_TRUE(sub->close());
    EXPECT_EQ(dialogs.Shown(), (QStringList(2, "Save Icon: The icon 'qv mixer icon' has been modified. Do you want to save it?")));
    EXPECT_TRUE(dialogs.FileRequests.isEmpty());
}

TEST_F(IconMixerTest, ForwardOrderBringsALayerToTheFront)
{
    NewDocument(QStringLiteral("Icon1"), {HalfRed()});
    NewDocument(QStringLiteral("Icon2"), {SolidFormat(32, 32, ctTrueAlpha, Blue, 0)});
    RunMixer([&](Tfrm_icon_mixer& m) {
        Select(m, 0);
        QTest::mouseClick(m.btn_orderUp, Qt::LeftButton); // already first: nothing
        EXPECT_EQ(Layers(m).first(), QStringLiteral("Icon1"));
        Select(m, 1);
        QTest::mouseClick(m.btn_orverDown, Qt::LeftButton); // already last: nothing
        EXPECT_EQ(Layers(m).first(), QStringLiteral("Icon1"));
        QTest::mouseClick(m.btn_orderUp, Qt::LeftButton);
        EXPECT_EQ(Layers(m), (QStringList{QStringLiteral("Icon2"), QStringLiteral("Icon1")}));
        EXPECT_EQ(m.SelectedItem(), 0);
        EXPECT_EQ(Shown(m, 0, 0), Blue); // the opaque blue now hides the red
        QTest::mouseClick(m.btn_Ok, Qt::LeftButton);
    });
    ASSERT_EQ(main->Documents().size(), 3);
    EXPECT_EQ(main->Documents().last()->windowTitle(), QStringLiteral("Mixer Icon(Icon2 Icon1 ) *"));
}

TEST_F(IconMixerTest, AReorderedListShowsOnScreenWhatItHolds)
{
    // Captions of different lengths take different heights: what the screen keeps of the list
    // after a move must still be the list as freshly drawn.
    NewDocument(QStringLiteral("a long icon file name.ico"), {HalfRed()});
    NewDocument(QStringLiteral("Icon2"), {SolidFormat(32, 32, ctTrueAlpha, Blue, 0)});
    RunMixer([&](Tfrm_icon_mixer& m) {
        QWidget* list = m.lsv_Icon->viewport();
        const auto onScreenAsDrawn = [&] {
            const QPoint at = list->mapTo(&m, QPoint(0, 0));
            const QImage onScreen = m.screen()->grabWindow(m.winId(), at.x(), at.y(), list->width(), list->height()).toImage();
            return onScreen.convertToFormat(QImage::Format_RGB32) == list->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        for (int row : {1, 0}) {
            SCOPED_TRACE(row);
            Select(m, row);
            QTest::mouseClick(row == 1 ? m.btn_orderUp : m.btn_orverDown, Qt::LeftButton);
            // Painting is left to the event loop: given time, a stale row would stay stale.
            bool same = false;
            for (int wait = 0; wait < 100 && !same; ++wait) {
                QTest::qWait(20);
                same = onScreenAsDrawn();
            }
            EXPECT_TRUE(same);
        }
        EXPECT_EQ(Layers(m), (QStringList{QStringLiteral("a long icon file name.ico"), QStringLiteral("Icon2")}));
        QTest::mouseClick(m.Btn_Cancel, Qt::LeftButton);
    });
}

TEST_F(IconMixerTest, TheAnglePickerTurnsTheLayerOnRelease)
{
    NewDocument(QStringLiteral("Icon1"), {HalfRed()});
    NewDocument(QStringLiteral("Icon2"), {SolidFormat(32, 32, ctTrueAlpha, Blue, 0)});
    RunMixer([&](Tfrm_icon_mixer& m) {
        Select(m, 0);
        // Straight above the dial's centre is 90 degrees: the red left half turns to the bottom,
        // but only when the button is released.
        QTest::mousePress(m.ang_angle, Qt::LeftButton, {}, QPoint(33, 8));
        EXPECT_EQ(m.ang_angle->Angle(), 90);
        EXPECT_EQ(Shown(m, 0, 0), Red);
        QTest::mouseRelease(m.ang_angle, Qt::LeftButton, {}, QPoint(33, 8));
        EXPECT_EQ(m.Mixer().Items[0].Angle, 90);
        EXPECT_EQ(Shown(m, 0, 0), Blue);
        EXPECT_EQ(Shown(m, 0, 31), Red);

        // The quarter-turn buttons move the picker with them; another layer shows its own angle.
        QTest::mouseClick(m.btn_rotateRight, Qt::LeftButton);
        EXPECT_EQ(m.Mixer().Items[0].Angle, 0);
        EXPECT_EQ(m.ang_angle->Angle(), 0);
        QTest::mouseClick(m.btn_rotateLeft, Qt::LeftButton);
        EXPECT_EQ(m.ang_angle->Angle(), 90);
        Select(m, 1);
        EXPECT_EQ(m.ang_angle->Angle(), 0);
        m.reject();
    });
    EXPECT_EQ(main->Documents().size(), 2);
}

TEST_F(IconMixerTest, RefusesTooFewIconsAndIconsWithoutASharedSize)
{
    NewDocument(QStringLiteral("Icon1"), {HalfRed()});
    Command()->trigger();
    EXPECT_EQ(dialogs.Shown(), QStringList{QStringLiteral("Icons Mixer: At least two icons opening.")});

    NewDocument(QStringLiteral("Icon2"), {SolidFormat(16, 16, ctTrueAlpha, Blue, 0)});
    RunMixer([&](Tfrm_icon_mixer& m) {
        EXPECT_EQ(m.Mixer().SizeCount(), 0);
        QTest::mouseClick(m.btn_Ok, Qt::LeftButton);
    });
    EXPECT_EQ(dialogs.Shown().last(), QStringLiteral("Icons Mixer: No same size in icons, can not be mixed!"));
    EXPECT_EQ(main->Documents().size(), 2); // OK made nothing
}

// Side x side with colours and transparency that change from pixel to pixel.
TIconImageRec Patterned(int side, int seed)
{
    TIconImageRec f = SolidFormat(side, side, ctTrueAlpha, 0xFFFFFF, 255);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            f.Bitmap->SetPixel(x, y, MakeColor((x * 29 + seed * 70) & 255, (y * 41) & 255, (x * y + seed) & 255));
            const int t = ((x * (seed + 2) + y * 3) * 11) & 255;
            f.Mask->SetPixel(x, y, MakeColor(t, t, t));
        }
    return f;
}

// The view a dialog that has never mixed draws for M's layers, in M's order and with M's settings.
Bitmap24 FreshView(Tfrm_icon_mixer& m)
{
    Tfrm_icon_mixer fresh;
    for (const TMixerItem& it : m.Mixer().Items) fresh.AddDocument(it.Name, *it.Images);
    fresh.FormShow();
    for (size_t i = 0; i < m.Mixer().Items.size(); ++i) CopyMixerSettings(m.Mixer().Items[i], fresh.Mixer().Items[i]);
    fresh.DrawMix();
    return fresh.ViewPicture();
}

TEST_F(IconMixerTest, EveryClickShowsTheSameViewAsAFreshMix)
{
    NewDocument(QStringLiteral("Icon1"), {Patterned(16, 1), Patterned(32, 1)});
    NewDocument(QStringLiteral("Icon2"), {Patterned(16, 2), Patterned(32, 2)});
    NewDocument(QStringLiteral("Icon3"), {Patterned(32, 3), Patterned(16, 3)});
    RunMixer([&](Tfrm_icon_mixer& m) {
        ASSERT_EQ(m.Mixer().SizeCount(), 2);
        EXPECT_TRUE(m.ViewPicture() == FreshView(m));
        struct Click {
            const char* What;
            int Layer;
            QWidget* Button;
        };
        const Click clicks[] = {
            {"right", 0, m.btn_right},        {"down", 0, m.btn_down},          {"zoom in", 1, m.btn_zoomIn},
            {"zoom in again", 1, m.btn_zoomIn}, {"flip", 2, m.btn_flipH},       {"turn", 0, m.btn_rotateLeft},
            {"zoom out", 2, m.btn_zoomOut},   {"to the front", 2, m.btn_orderUp}, {"left", 0, m.btn_left},
            {"turn back", 1, m.btn_rotateRight},
        };
        for (const Click& c : clicks) {
            SCOPED_TRACE(c.What);
            Select(m, c.Layer);
            const Bitmap24 before = m.ViewPicture();
            QTest::mouseClick(c.Button, Qt::LeftButton);
            EXPECT_FALSE(m.ViewPicture() == before);
            EXPECT_TRUE(m.ViewPicture() == FreshView(m));
        }

        // Fading from the bar; dragging on at the same value leaves the view as it is.
        Select(m, 1);
        QTest::mousePress(m.img_transparent, Qt::LeftButton, {}, QPoint(40, 10));
        EXPECT_TRUE(m.ViewPicture() == FreshView(m));
        const qint64 drawn = m.img_view->pixmap().cacheKey();
        QMouseEvent same(QEvent::MouseMove, QPointF(40, 12), m.img_transparent->mapToGlobal(QPointF(40, 12)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m.img_transparent, &same);
        EXPECT_EQ(m.img_view->pixmap().cacheKey(), drawn);
        QTest::mouseRelease(m.img_transparent, Qt::LeftButton, {}, QPoint(40, 12));
        EXPECT_EQ(m.lab_A->text(), QStringLiteral("76"));
        SaveShot(&m, "icon_mixer_changes");
        m.reject();
    });
}

} // namespace
