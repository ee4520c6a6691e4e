// The preview window: placement of the format, the background swatches, the View command's
// check mark, and forgetting a document that closes.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>

#include "imaging/imaging_state.h"
#include "support/ui_helpers.h"
#include "workspace/preview_form.h"
#include "workspace/swatch_bar.h"

namespace {

constexpr TColor Red = 0x0000FF;

// An opaque red format with a fully transparent top-left pixel.
TIconImageRec RedFormat(int w = 16, int h = 16)
{
    TIconImageRec rec = SolidFormat(w, h, ctTrueAlpha, Red, 0);
    rec.Mask->SetPixel(0, 0, 0xFFFFFF);
    return rec;
}

class PreviewTest : public ::testing::Test {
protected:
    void ClickSwatch(int x) { QTest::mouseClick(preview.Image2, Qt::LeftButton, {}, QPoint(x, 5)); }

    ScopedAppDir appDir;
    ImagingState imaging;
    ScriptedDialogs dialogs;
    Tfrm_preview preview;
};

} // namespace

TEST_F(PreviewTest, FormatShowsCentredAtItsOwnSize)
{
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Preview"));
    EXPECT_EQ(preview.size(), QSize(257, 272));
    EXPECT_EQ(preview.Image2->geometry(), QRect(56, 259, 130, 10));
    EXPECT_TRUE(preview.SnapToEdges);

    TIconImageArray formats;
    formats.Add(RedFormat(32, 32));
    formats.Add(RedFormat());
    imaging.BackgroundColor = 0x00FF00;
    preview.ShowImage(&formats, 1);
    const Bitmap24& p = preview.Picture();
    // 120 white pixels on each side of a 16 x 16 format.
    EXPECT_EQ(p.Pixel(119, 130), 0xFFFFFFu);
    EXPECT_EQ(p.Pixel(130, 119), 0xFFFFFFu);
    EXPECT_EQ(p.Pixel(136, 130), 0xFFFFFFu);
    EXPECT_EQ(p.Pixel(121, 121), Red);
    EXPECT_EQ(p.Pixel(135, 135), Red);
    // Its transparent pixel shows the background colour.
    EXPECT_EQ(p.Pixel(120, 120), 0x00FF00u);
    EXPECT_EQ(PreviewTarget(255, 1), MakeRect(0, 127, 255, 128));

    // What is on screen once shown is the picture.
    preview.show();
    const QImage shown = preview.Image1->pixmap().toImage();
    EXPECT_EQ(QColor(shown.pixel(121, 121)), QColor(255, 0, 0));
}

// Hidden, the window draws nothing until it is shown or asked for its picture; shown, it shows
// the last format it was given, and from then on every change at once.
TEST_F(PreviewTest, HiddenItDrawsOnlyWhenShown)
{
    TIconImageArray formats;
    formats.Add(RedFormat());
    formats.Add(SolidFormat(16, 16, ctTrueAlpha, 0x00FF00, 0)).Mask->SetPixel(0, 0, 0xFFFFFF);
    imaging.BackgroundColor = 0x123456;
    for (int i = 0; i < 6; ++i) preview.ShowImage(&formats, i % 2);
    ASSERT_FALSE(preview.isVisible());

    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    const auto onScreen = [&](int x, int y) {
        const QRgb c = preview.Image1->grab().toImage().pixel(x, y);
        return MakeColor(qRed(c), qGreen(c), qBlue(c));
    };
    EXPECT_EQ(onScreen(128, 128), 0x00FF00u);
    EXPECT_EQ(onScreen(120, 120), 0x123456u); // the transparent corner shows the background
    EXPECT_EQ(onScreen(119, 130), 0xFFFFFFu);
    EXPECT_EQ(preview.Picture().Pixel(128, 128), 0x00FF00u);

    preview.ShowImage(&formats, 0);
    EXPECT_EQ(onScreen(128, 128), Red);
    ClickSwatch(0);
    EXPECT_EQ(onScreen(120, 120), 0xFFFFFFu);

    // Hidden again, a closing document still leaves a blank picture behind when it is next shown.
    preview.hide();
    preview.ShowImage(&formats, 1);
    preview.ForgetFormats(&formats);
    preview.show();
    EXPECT_EQ(onScreen(128, 128), 0xFFFFFFu);
}

TEST_F(PreviewTest, SwatchesSetTheBackgroundAndRedrawAtOnce)
{
    TIconImageArray formats;
    formats.Add(RedFormat());
    preview.ShowImage(&formats, 0);
    EXPECT_EQ(preview.Picture().Pixel(120, 120), 0xFFFFFFu);

    ClickSwatch(3 * 16 + 4);
    EXPECT_EQ(imaging.BackgroundColor, 0x000000u);
    EXPECT_EQ(preview.Picture().Pixel(120, 120), 0x000000u);

    // The eighth swatch asks for a colour; Cancel changes nothing.
    ClickSwatch(7 * 16 + 2);
    EXPECT_EQ(imaging.BackgroundColor, 0x000000u);
    dialogs.ColorAnswers.enqueue(0x123456);
    ClickSwatch(7 * 16 + 2);
    EXPECT_EQ(imaging.BackgroundColor, 0x123456u);
    EXPECT_EQ(preview.Picture().Pixel(120, 120), 0x123456u);

    // Past the swatches nothing changes.
    preview.PickBackground(128);
    EXPECT_EQ(imaging.BackgroundColor, 0x123456u);
    preview.PickBackground(6 * 16);
    EXPECT_EQ(imaging.BackgroundColor, 0xA56E3Au);
    EXPECT_EQ(preview.Picture().Pixel(120, 120), 0xA56E3Au);
}

TEST_F(PreviewTest, NothingIsDrawnWithoutAValidFormat)
{
    // Before any document a swatch still sets the colour, and nothing is drawn.
    ClickSwatch(2 * 16);
    EXPECT_EQ(imaging.BackgroundColor, 0x808080u);
    EXPECT_EQ(preview.Picture().Pixel(128, 128), 0xFFFFFFu);

    TIconImageArray formats;
    formats.Add(RedFormat());
    preview.ShowImage(&formats, 0);
    EXPECT_EQ(preview.Picture().Pixel(128, 128), Red);
    // An index past the formats draws nothing (the last picture stays).
    formats.Add(RedFormat(48, 48));
    formats[1].Bitmap->Fill(0x00FF00);
    for (int index : {2, -1}) {
        preview.ShowImage(&formats, index);
        EXPECT_EQ(preview.Picture().Pixel(128, 128), Red) << index;
    }
    preview.ShowImage(&formats, 1);
    EXPECT_EQ(preview.Picture().Pixel(128, 128), 0x00FF00u);

    // Formats that go away are forgotten; other arrays are not.
    TIconImageArray other;
    preview.ForgetFormats(&other);
    EXPECT_EQ(preview.ShownFormats(), &formats);
    preview.ForgetFormats(&formats);
    EXPECT_EQ(preview.ShownFormats(), nullptr);
    EXPECT_EQ(preview.Picture().Pixel(128, 128), 0xFFFFFFu);
    preview.Redraw();
    EXPECT_EQ(preview.Picture().Pixel(128, 128), 0xFFFFFFu);
}

TEST_F(PreviewTest, DocumentsFeedItAndAreForgottenWhenTheyClose)
{
    auto* doc = new Tfrm_childwin;
    doc->resize(Tfrm_childwin::DesignWidth, Tfrm_childwin::DesignHeight);
    doc->show();
    doc->AddImageFormat(RedFormat(32, 32));
    EXPECT_EQ(preview.ShownFormats(), &doc->Images());
    EXPECT_EQ(preview.ShownIndex(), 0);
    EXPECT_EQ(preview.Picture().Pixel(128, 128), Red);
    doc->AddImageFormat(RedFormat());
    EXPECT_EQ(preview.ShownIndex(), 1);

    delete doc;
    EXPECT_EQ(preview.ShownFormats(), nullptr);
    // A later swatch click draws nothing from the closed document.
    ClickSwatch(0);
    EXPECT_EQ(preview.Picture().Pixel(128, 128), 0xFFFFFFu);
}

TEST_F(PreviewTest, ViewCommandIsCheckedWhileShowing)
{
    Tfrm_main main;
    main.PreviewWindow = &preview;
    EXPECT_TRUE(main.act_Preview_window->isEnabled());
    main.act_Preview_window->trigger();
    EXPECT_TRUE(preview.isVisible());
    EXPECT_TRUE(main.act_Preview_window->isChecked());
    // Closed by its own frame, the command follows.
    preview.close();
    EXPECT_FALSE(main.act_Preview_window->isChecked());
    preview.show();
    EXPECT_TRUE(main.act_Preview_window->isChecked());
    main.act_Preview_window->trigger();
    EXPECT_FALSE(preview.isVisible());
    EXPECT_FALSE(main.act_Preview_window->isChecked());
}
