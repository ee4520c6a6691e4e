// The add-format dialog driven as a person would: presets and custom sizes remembered between
// runs, depths, the source strip, building from a source, and the document window and
// File > New running it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>
#include <QTimer>

#include "imaging/imaging_state.h"
#include "platform/ui/spin_edit.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"
#include "workspace/dialogs/add_new_image_form.h"
#include "workspace/format_strip.h"
#include "model/new_format.h"

namespace {

// An opaque square format of one colour.
TIconImageRec Opaque(int size, int32_t type, TColor color) { return SolidFormat(size, size, type, color, 0); }

class AddNewImageTest : public ::testing::Test {
protected:
    // Opens the dialog without a modal loop, over these formats.
    void Open(const TIconImageArray* formats, int sourceIndex)
    {
        dlg->SourceImages = formats;
        dlg->SourceIndex = sourceIndex;
        dlg->show();
    }
    void Ok() { QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton); }
    void Type(TSpinEdit* spin, const QString& text)
    {
        spin->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(spin, text);
    }
    // The format the last OK made: "W x H, colour type, palette entries, bitmaps or none".
    QString Made() const
    {
        const TIconImageRec& f = dlg->NewImage;
        return QStringLiteral("%1 x %2, type %3, %4 entries, %5")
            .arg(f.Width)
            .arg(f.Height)
            .arg(f.ColorType)
            .arg(f.Palette.palNumEntries)
            .arg(f.Bitmap && f.Mask ? QStringLiteral("bitmaps") : QStringLiteral("none"));
    }
    // The checked size and depth radios.
    std::pair<QRadioButton*, QRadioButton*> Checked() const
    {
        std::pair<QRadioButton*, QRadioButton*> out{nullptr, nullptr};
        for (QRadioButton* r : dlg->SizeRadios())
            if (r->isChecked()) out.first = r;
        for (QRadioButton* r : dlg->DepthRadios())
            if (r->isChecked()) out.second = r;
        return out;
    }

    ScopedAppDir appDir;
    ImagingState imaging;
    ScriptedDialogs dialogs;
    std::unique_ptr<Tfrm_add_new_image> dlg = std::make_unique<Tfrm_add_new_image>();
};

} // namespace

TEST_F(AddNewImageTest, LayoutTexts)
{
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Add a New Image Format"));
    EXPECT_EQ(dlg->size(), QSize(440, 481));
    QStringList sizes, depths;
    for (QRadioButton* r : dlg->SizeRadios()) sizes << r->text();
    for (QRadioButton* r : dlg->DepthRadios()) depths << r->text();
    EXPECT_EQ(sizes, (QStringList{"16 x 16", "24 x 24", "32 x 32", "48 x 48", "256 x 256", "Custom:"}));
    EXPECT_EQ(depths, (QStringList{"True Color + Alpha (32 bits)", "True Color  (24 bits)", "256 Colors (8 bits)",
                                   "16 Colors (4 bits)", "2 Colors (1 bit)"}));
    EXPECT_EQ(dlg->grp_size->title(), QStringLiteral("Icon Size"));
    EXPECT_EQ(dlg->grp_colors->title(), QStringLiteral("Icon Colors"));
    EXPECT_EQ(dlg->chk_BaseImage->text(), QStringLiteral("Creation based on the following image:"));
    EXPECT_EQ(dlg->spn_w->Value(), 60);
    EXPECT_EQ(dlg->spn_h->MaxValue(), 256);
    dlg->show();
    EXPECT_EQ(dlg->pan_preview->PanelWidth() + 2, 396); // inside the panel's sunken border
    dlg->reject();
}

TEST_F(AddNewImageTest, TheLastChoiceStartsTheNextRun)
{
    // The very first run starts from 16 x 16 in true colour.
    Open(nullptr, 0);
    EXPECT_EQ(Checked(), std::make_pair(dlg->rad_16x16, dlg->rad_24bits));

    dlg->rad_32x32->click();
    dlg->rad_8bits->click();
    Ok();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(Made(), QStringLiteral("32 x 32, type 3, 256 entries, none"));

    // Another run in between leaves the radios elsewhere; showing puts them back.
    Open(nullptr, 0);
    EXPECT_EQ(Checked(), std::make_pair(dlg->rad_32x32, dlg->rad_8bits));

    // A custom size: typing in either spin edit picks "Custom:".
    Type(dlg->spn_w, QStringLiteral("20"));
    EXPECT_TRUE(dlg->rad_custom->isChecked());
    dlg->rad_16x16->click();
    Type(dlg->spn_h, QStringLiteral("30"));
    EXPECT_TRUE(dlg->rad_custom->isChecked());
    dlg->rad_24bits->click();
    Ok();
    EXPECT_EQ(Made(), QStringLiteral("20 x 30, type 4, 0 entries, none"));

    dlg->spn_w->SetValue(99);
    dlg->rad_48x48->click();
    Open(nullptr, 0);
    EXPECT_EQ(Checked(), std::make_pair(dlg->rad_custom, dlg->rad_24bits));
    EXPECT_EQ(dlg->spn_w->Text(), QStringLiteral("20"));
    EXPECT_EQ(dlg->spn_h->Text(), QStringLiteral("30"));

    // Texts beyond the range or no number at all read within 1..256.
    Type(dlg->spn_w, QStringLiteral("999"));
    Type(dlg->spn_h, QStringLiteral("x"));
    Ok();
    EXPECT_EQ(Made(), QStringLiteral("256 x 1, type 4, 0 entries, none"));

    // Cancel keeps the last result as the starting choice.
    Open(nullptr, 0);
    dlg->rad_16x16->click();
    QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    Open(nullptr, 0);
    EXPECT_EQ(Checked().first, dlg->rad_custom);
    dlg->reject();
}

TEST_F(AddNewImageTest, BaseImageBoxFollowsTheSourceFormats)
{
    TIconImageArray formats;
    formats.Add(Opaque(32, ctTrueAlpha, 0x0000FF));

    Open(nullptr, 0);
    EXPECT_FALSE(dlg->chk_BaseImage->isEnabled());
    EXPECT_FALSE(dlg->chk_BaseImage->isChecked());
    dlg->reject();

    Open(&formats, 0);
    EXPECT_TRUE(dlg->chk_BaseImage->isEnabled());
    dlg->chk_BaseImage->click();
    dlg->reject();
    // It stays checked from the last use while there are formats to build from; an index beyond
    // them builds a blank format.
    Open(&formats, 5);
    EXPECT_TRUE(dlg->chk_BaseImage->isChecked());
    dlg->rad_32x32->click();
    Ok();
    EXPECT_EQ(Made(), QStringLiteral("32 x 32, type 4, 0 entries, none"));
    // Without formats it goes off; they are only borrowed for the run.
    const TIconImageArray empty;
    Open(&empty, 0);
    EXPECT_FALSE(dlg->chk_BaseImage->isEnabled());
    EXPECT_FALSE(dlg->chk_BaseImage->isChecked());
    Ok();
    EXPECT_FALSE(dlg->NewImage.Bitmap);
    EXPECT_EQ(dlg->SourceImages, nullptr);
}

TEST_F(AddNewImageTest, StripPicksTheSourceAndTheResultIsBuiltFromIt)
{
    TIconImageArray formats;
    formats.Add(Opaque(16, ctTrueAlpha, 0x0000FF));
    formats.Add(Opaque(48, ctTrueAlpha, 0x00FF00));
    formats.Add(Opaque(32, ctTrueColor, 0xFF0000));
    const TIconImageArray before = formats.Clone();

    Open(&formats, 2);
    const Bitmap24& strip = dlg->pan_preview->Canvas();
    // The source cell has the red frame, the others navy.
    EXPECT_EQ(strip.Pixel(2 * 80 + 37, 7), 0x0000FFu);
    EXPECT_EQ(strip.Pixel(0 * 80 + 37, 7), 0x800000u);

    QWidget* image = dlg->pan_preview->StripImage();
    QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(1 * 80 + 40, 40));
    EXPECT_EQ(dlg->SourceIndex, 1);
    EXPECT_EQ(strip.Pixel(1 * 80 + 37, 7), 0x0000FFu);
    EXPECT_EQ(strip.Pixel(2 * 80 + 37, 7), 0x800000u);
    // A press beyond the last cell changes nothing.
    QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(3 * 80 + 40, 40));
    EXPECT_EQ(dlg->SourceIndex, 1);

    dlg->chk_BaseImage->setChecked(true);
    dlg->rad_16x16->click();
    dlg->rad_4bits->click();
    Ok();
    const TIconImageRec& r = dlg->NewImage;
    ASSERT_TRUE(r.Bitmap && r.Mask);
    EXPECT_EQ(r.Bitmap->Width(), 16);
    EXPECT_EQ(r.ColorType, ctColors16);
    // Green is entry 10 of the 16-colour palette; the source was opaque everywhere.
    EXPECT_EQ(PaletteColor(r.Bitmap->Pixel(8, 8), &r.Palette), 0x00FF00u);
    EXPECT_EQ(r.Mask->Byte0(8, 8), 0);
    // The icon's own formats are untouched.
    for (int i = 0; i < formats.Count(); ++i) EXPECT_EQ(*formats[i].Bitmap, *before[i].Bitmap);
}

TEST_F(AddNewImageTest, WideStripOpensWithTheSourceInView)
{
    TIconImageArray formats;
    for (int i = 0; i < 8; ++i) formats.Add(Opaque(16 + i, ctTrueColor, 0x808080));
    Open(&formats, 7);
    TFormatStrip* strip = dlg->pan_preview;
    EXPECT_EQ(strip->StripLeft(), strip->PanelWidth() - 8 * 80);
    // A press reads the strip's own coordinates, whatever its scroll position.
    QTest::mouseClick(strip->StripImage(), Qt::LeftButton, {}, QPoint(6 * 80 + 10, 40));
    EXPECT_EQ(dlg->SourceIndex, 6);
    dlg->reject();
    Open(&formats, 0);
    EXPECT_EQ(strip->StripLeft(), 0);
    dlg->reject();
}

TEST_F(AddNewImageTest, DocumentWindowAddsTheDialogsFormat)
{
    Tfrm_childwin doc;
    doc.resize(Tfrm_childwin::DesignWidth, Tfrm_childwin::DesignHeight);
    doc.show();
    TIconImageRec base = Opaque(48, ctTrueAlpha, 0x00FFFF);
    for (int y = 0; y < 48; ++y)
        for (int x = 24; x < 48; ++x) base.Mask->SetPixel(x, y, 0xFFFFFF);
    doc.AddImageFormat(base);

    WhenModal([this](QWidget* modal) {
        EXPECT_EQ(modal, dlg.get());
        EXPECT_TRUE(dlg->chk_BaseImage->isEnabled());
        dlg->chk_BaseImage->setChecked(true);
        dlg->rad_24x24->click();
        dlg->rad_1bit->click();
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(doc.btn_AddImage, Qt::LeftButton);
    ASSERT_EQ(doc.Images().Count(), 2);
    const TIconImageRec& added = doc.Images()[1];
    EXPECT_EQ(added.Width, 24);
    EXPECT_EQ(added.ColorType, ctColors2);
    EXPECT_EQ(added.Palette.palNumEntries, 2);
    // Yellow is nearer white than black; the transparent half is white under a transparent mask.
    EXPECT_EQ(added.Bitmap->Pixel(20, 3) & 1u, 1u);
    EXPECT_EQ(added.Mask->Byte0(2, 3), 0);
    EXPECT_EQ(added.Mask->Byte0(20, 3), 255);
    EXPECT_EQ(dlg->SourceImages, nullptr);

    // Cancel adds nothing.
    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    QTest::mouseClick(doc.btn_AddImage, Qt::LeftButton);
    EXPECT_EQ(doc.Images().Count(), 2);
    doc.Document().Modified = 0;
}

TEST_F(AddNewImageTest, FileNewMakesAnIconOfTheChosenFormat)
{
    Tfrm_main main;
    dlg->rad_16x16->click();
    WhenModal([this](QWidget*) {
        // A new icon starts from 48 x 48 with alpha and offers no source.
        EXPECT_TRUE(dlg->rad_48x48->isChecked());
        EXPECT_TRUE(dlg->rad_32bits->isChecked());
        EXPECT_FALSE(dlg->chk_BaseImage->isEnabled());
        dlg->rad_256x256->click();
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    });
    main.FileNew1->trigger();
    ASSERT_EQ(main.DocumentCount(), 1);
    Tfrm_childwin* doc = main.Documents().at(0);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Icon1"));
    EXPECT_TRUE(doc->Document().Folder.isEmpty());
    ASSERT_EQ(doc->Images().Count(), 1);
    EXPECT_EQ(doc->Images()[0].Width, 256);
    EXPECT_EQ(doc->Images()[0].ColorType, ctTrueAlpha);
    // Blank: white and fully transparent.
    EXPECT_EQ(doc->Images()[0].Bitmap->Pixel(100, 100), 0xFFFFFFu);
    EXPECT_EQ(doc->Images()[0].Mask->Byte0(100, 100), 255);

    // Cancel makes no document; the next is numbered after the open ones.
    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    main.FileNew1->trigger();
    EXPECT_EQ(main.DocumentCount(), 1);
    WhenModal([this](QWidget*) { QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton); });
    main.FileNew1->trigger();
    ASSERT_EQ(main.DocumentCount(), 2);
    EXPECT_EQ(main.Documents().at(1)->windowTitle(), QStringLiteral("Icon2"));
}
