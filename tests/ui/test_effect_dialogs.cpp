// The ten effect dialogs run through the main window's Effect commands: what their controls do to
// the active format, the live preview, Cancel (button, Esc, close box) restoring the format byte
// for byte, OK storing one named history step, Preview switched off, palette formats, and the
// Filters size message through the dialog service.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "effects/angle_picker.h"
#include "effects/blur.h"
#include "effects/brightness_contrast.h"
#include "effects/color_balance.h"
#include "effects/filters.h"
#include "effects/rotate.h"
#include "effects/saturation.h"
#include "effects/shadow.h"
#include "effects/sharpen.h"
#include "effects/stroke.h"
#include "effects/zoom.h"
#include "platform/ui/spin_edit.h"
#include "support/bitmap_checks.h"
#include "support/effect_helpers.h"
#include "support/format_helpers.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"
#include "workspace/peers.h"

namespace {

// Types into a spin edit as a person does: select everything, then the keys.
void Type(TSpinEdit* spin, const QString& text)
{
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, text);
}

class EffectDialogTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        TFramePeers& peers = FramePeers();
        previousSnapshot_ = peers.AddSnapshot;
        peers.AddSnapshot = [this](TIconImageRec* f, const QString& caption) {
            snapshots << caption;
            if (previousSnapshot_) previousSnapshot_(f, caption);
        };
    }
    void TearDown() override
    {
        FramePeers().AddSnapshot = previousSnapshot_;
        MainWindowTest::TearDown();
    }

    // Opens a document on this format and runs `action` with `act` inside the dialog; the dialog's
    // previews are counted in `previews`.
    TIconImageRec* Open(const TIconImageRec& format)
    {
        doc_ = main->CreateDocumentWindow();
        doc_->Document().FileName = QStringLiteral("e.ico");
        doc_->AddImageFormat(format);
        doc_->UpdateCaption();
        Activate(doc_);
        snapshots.clear(); // the format's "New" step
        return doc_->CurrentImage();
    }
    template <class Dialog>
    void Run(QAction* action, std::function<void(Dialog&)> act)
    {
        bool ran = false;
        WhenModal([&](QWidget* modal) {
            auto* d = qobject_cast<Dialog*>(modal);
            ASSERT_NE(d, nullptr);
            ran = true;
            auto previous = d->OnPreview;
            d->OnPreview = [this, previous] {
                ++previews;
                if (previous) previous();
            };
            act(*d);
            if (d->isVisible()) d->reject();
        });
        action->trigger();
        EXPECT_TRUE(ran);
    }
    static void Shot(QWidget* w, const char* name) { SaveShot(w, name); }

    Tfrm_childwin* doc_ = nullptr;
    QStringList snapshots;
    int previews = 0;

private:
    std::function<void(TIconImageRec*, const QString&)> previousSnapshot_;
};

// ---- the five point effects: one table, every colour type ------------------------------------

struct PointCase {
    const char* name;
    QAction* Tfrm_main::*action;
    const char* caption;
    // Drives the dialog's controls to its test values.
    std::function<void(Tfrm_Effect&)> drive;
    std::function<void(const TEffectSources&, TIconImageRec&)> expect;
};

std::vector<PointCase> PointCases()
{
    return {
        {"brightness", &Tfrm_main::act_effect_Contrast_Brightness, "Brightness / Contrast",
         [](Tfrm_Effect& e) {
             auto& d = static_cast<Tfrm_Brightness_Contrast&>(e);
             QTest::keyClick(d.Brightness.Track, Qt::Key_PageUp); // +page step
             d.Brightness.Track->SetPosition(50);
             Type(d.Contrast.Spin, QStringLiteral("30"));
             EXPECT_EQ(d.Contrast.Track->Position(), 30);
             EXPECT_EQ(d.Brightness.Spin->Text(), QStringLiteral("50"));
         },
         [](const TEffectSources& s, TIconImageRec& t) { ApplyBrightnessContrastEffect(s, t, 50, 30); }},
        {"balance", &Tfrm_main::act_effect_ColorBalance, "Color Balance",
         [](Tfrm_Effect& e) {
             auto& d = static_cast<Tfrm_Color_Balance&>(e);
             Type(d.R.Spin, QStringLiteral("40"));
             // The same number in the green spin still moves the green bar.
             Type(d.G.Spin, QStringLiteral("40"));
             EXPECT_EQ(d.G.Track->Position(), 40);
             QTest::keyClick(d.B.Track, Qt::Key_Left);
             EXPECT_EQ(d.B.Spin->Text(), QStringLiteral("-1"));
         },
         [](const TEffectSources& s, TIconImageRec& t) { ApplyColorBalanceEffect(s, t, 40, 40, -1); }},
        {"saturation", &Tfrm_main::act_effect_Saturation, "Saturation",
         [](Tfrm_Effect& e) {
             auto& d = static_cast<Tfrm_Saturation&>(e);
             Type(d.Saturation.Spin, QStringLiteral("-999")); // beyond: the limit
             EXPECT_EQ(d.Saturation.Track->Position(), -127);
             Type(d.Saturation.Spin, QStringLiteral("-")); // not a number: ignored
             EXPECT_EQ(d.Saturation.Track->Position(), -127);
             EXPECT_EQ(d.SaturationValue, -127);
         },
         [](const TEffectSources& s, TIconImageRec& t) { ApplySaturationEffect(s, t, -127); }},
        {"blur", &Tfrm_main::act_effect_blur, "Blur",
         [](Tfrm_Effect& e) {
             auto& d = static_cast<Tfrm_Blur&>(e);
             EXPECT_EQ(d.BlurValue, 0);
             EXPECT_EQ(d.Blur.Track->Position(), 1);
             Type(d.Blur.Spin, QStringLiteral("1")); // equals the bar: nothing yet
             EXPECT_EQ(d.BlurValue, 0);
             QTest::keyClick(d.Blur.Track, Qt::Key_End);
             EXPECT_EQ(d.BlurValue, 200);
             EXPECT_EQ(d.Blur.Spin->Text(), QStringLiteral("200"));
         },
         [](const TEffectSources& s, TIconImageRec& t) { ApplyBlurEffect(s, t, 200); }},
        {"sharpen", &Tfrm_main::act_effect_Sharpen, "Sharpen",
         [](Tfrm_Effect& e) {
             auto& d = static_cast<Tfrm_Sharpen&>(e);
             EXPECT_EQ(d.Sharpen.Caption->text(), QStringLiteral("SharPen:"));
             Type(d.Sharpen.Spin, QStringLiteral("100000000000000000000"));
             EXPECT_EQ(d.SharpenValue, 100);
         },
         [](const TEffectSources& s, TIconImageRec& t) { ApplySharpenEffect(s, t, 100); }},
    };
}

TEST_F(EffectDialogTest, PointEffectsPreviewRestoreOnCancelAndStoreOneStepOnOk)
{
    for (const PointCase& c : PointCases()) {
        for (int32_t type : {ctTrueAlpha, ctTrueColor, ctColors16, ctColors256, ctColors2}) {
            SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(type));
            const TIconImageRec original = PatternFormat(24, 20, type, 3);
            TIconImageRec* f = Open(original);
            QAction* action = main.get()->*c.action;
            ASSERT_TRUE(action->isEnabled());

            // Cancel: previews were shown, then the format comes back byte for byte with one more redraw.
            snapshots.clear();
            Run<Tfrm_Effect>(action, [&](Tfrm_Effect& d) {
                c.drive(d);
                EXPECT_GT(previews, 0);
                previews = 0;
                QTest::mouseClick(d.btn_Cancel, Qt::LeftButton);
            });
            EXPECT_TRUE(SameFormat(*f, original));
            EXPECT_EQ(previews, 1);
            EXPECT_TRUE(snapshots.isEmpty());

            // OK: the dialog's result and one step named after the effect.
            Run<Tfrm_Effect>(action, [&](Tfrm_Effect& d) {
                c.drive(d);
                if (type == ctTrueAlpha && c.name == std::string("brightness")) Shot(&d, "brightness_contrast");
                if (type == ctTrueAlpha && c.name == std::string("balance")) Shot(&d, "color_balance");
                if (type == ctTrueAlpha && c.name == std::string("saturation")) Shot(&d, "saturation");
                if (type == ctTrueAlpha && c.name == std::string("blur")) Shot(&d, "blur");
                if (type == ctTrueAlpha && c.name == std::string("sharpen")) Shot(&d, "sharpen");
                QTest::mouseClick(d.btn_Ok, Qt::LeftButton);
            });
            const TIconImageRec expected = EffectResult(original, c.expect);
            EXPECT_TRUE(SameFormat(*f, expected));
            EXPECT_EQ(snapshots, QStringList{QString::fromLatin1(c.caption)});
            EXPECT_EQ(f->ColorType, type);
            EXPECT_EQ(f->Palette.palNumEntries, original.Palette.palNumEntries);
            EXPECT_TRUE(doc_->Document().Modified);
            doc_->Document().Modified = 0;
        }
    }
}

TEST_F(EffectDialogTest, EscapeAndTheCloseBoxCancelAndOkUntouchedKeepsTheFormat)
{
    const TIconImageRec original = PatternFormat(16, 16, ctTrueAlpha, 5);
    TIconImageRec* f = Open(original);
    for (int way = 0; way < 2; ++way) {
        previews = 0;
        Run<Tfrm_Saturation>(main->act_effect_Saturation, [&](Tfrm_Saturation& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Saturation"));
            EXPECT_TRUE(d.chk_preview->isChecked());
            EXPECT_EQ(d.chk_preview->text(), QStringLiteral("Preview"));
            d.Saturation.Track->SetPosition(90);
            EXPECT_FALSE(SameFormat(*f, original));
            if (way == 0)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                d.close();
        });
        EXPECT_TRUE(SameFormat(*f, original)) << way;
        EXPECT_EQ(previews, 2) << way;
    }
    EXPECT_TRUE(snapshots.isEmpty());
    // OK without touching anything: unchanged, but a step is stored.
    Run<Tfrm_Sharpen>(main->act_effect_Sharpen, [&](Tfrm_Sharpen& d) { d.btn_Ok->click(); });
    EXPECT_TRUE(SameFormat(*f, original));
    EXPECT_EQ(snapshots, QStringList{"Sharpen"});
}

TEST_F(EffectDialogTest, PreviewOffShowsTheOriginalStillComputesAndOkKeepsTheValues)
{
    const TIconImageRec original = PatternFormat(20, 20, ctColors16, 8);
    TIconImageRec* f = Open(original);
    Run<Tfrm_Brightness_Contrast>(main->act_effect_Contrast_Brightness, [&](Tfrm_Brightness_Contrast& d) {
        d.Brightness.Track->SetPosition(60);
        EXPECT_EQ(previews, 1);
        QTest::mouseClick(d.chk_preview, Qt::LeftButton);
        EXPECT_FALSE(d.chk_preview->isChecked());
        EXPECT_TRUE(SameFormat(*f, original)); // the original shows again
        EXPECT_EQ(previews, 2);
        // OK right after unchecking: the values are computed once more, quietly.
        d.btn_Ok->click();
        EXPECT_EQ(previews, 2);
    });
    EXPECT_TRUE(SameFormat(
        *f, EffectResult(original, [](const TEffectSources& s, TIconImageRec& t) { ApplyBrightnessContrastEffect(s, t, 60, 0); })));
    EXPECT_EQ(snapshots, QStringList{"Brightness / Contrast"});

    // Changing a value while Preview is off recomputes without redrawing; checking it again redraws.
    const TIconImageRec second = f->Clone();
    Run<Tfrm_Brightness_Contrast>(main->act_effect_Contrast_Brightness, [&](Tfrm_Brightness_Contrast& d) {
        previews = 0;
        d.chk_preview->click();
        EXPECT_EQ(previews, 1);
        d.Contrast.Track->SetPosition(-40);
        EXPECT_EQ(previews, 1);
        EXPECT_FALSE(SameFormat(*f, second));
        d.chk_preview->click();
        EXPECT_EQ(previews, 2);
        d.btn_Ok->click();
    });
    EXPECT_TRUE(SameFormat(
        *f, EffectResult(second, [](const TEffectSources& s, TIconImageRec& t) { ApplyBrightnessContrastEffect(s, t, 0, -40); })));
}

TEST_F(EffectDialogTest, FiltersListNamesTheStepAndRefusesSmallFormats)
{
    const TIconImageRec original = PatternFormat(16, 16, ctColors256, 2);
    TIconImageRec* f = Open(original);
    Run<Tfrm_Filters>(main->act_effect_filters, [&](Tfrm_Filters& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Filter"));
        ASSERT_EQ(d.cbb_filters->count(), 25);
        EXPECT_EQ(d.cbb_filters->itemText(0), QStringLiteral("Null"));
        EXPECT_EQ(d.cbb_filters->itemText(22), QStringLiteral("Laplacian  Horz./Vert"));
        EXPECT_EQ(d.cbb_filters->currentIndex(), 0);
        EXPECT_TRUE(SameFormat(*f, original)); // nothing applied on show
        EXPECT_EQ(previews, 0);
        d.cbb_filters->setCurrentIndex(8); // Negative
        EXPECT_EQ(previews, 1);
        d.chk_G->click();
        Shot(&d, "filters");
        d.btn_Ok->click();
    });
    EXPECT_TRUE(SameFormat(*f, EffectResult(original, [](const TEffectSources& s, TIconImageRec& t) {
        ApplyFilterEffect(s, t, FilterPresets[8], true, false, true);
    })));
    EXPECT_EQ(snapshots, QStringList{"Filter: Negative"});

    // Untouched OK: the step's name has no filter.
    Run<Tfrm_Filters>(main->act_effect_filters, [&](Tfrm_Filters& d) { d.btn_Ok->click(); });
    EXPECT_EQ(snapshots.last(), QStringLiteral("Filter: "));

    // Under 7 pixels: the message, the list, OK and the channels off; only Cancel remains.
    const TIconImageRec narrow = PatternFormat(6, 32, ctTrueAlpha, 4);
    TIconImageRec* n = Open(narrow);
    dialogs.Messages.clear();
    Run<Tfrm_Filters>(main->act_effect_filters, [&](Tfrm_Filters& d) {
        EXPECT_EQ(dialogs.Shown(), QStringList{"Filter: The width or height cannot be less 7."});
        EXPECT_FALSE(d.cbb_filters->isEnabled());
        EXPECT_FALSE(d.btn_Ok->isEnabled());
        EXPECT_FALSE(d.chk_R->isEnabled());
        d.btn_Cancel->click();
    });
    EXPECT_TRUE(SameFormat(*n, narrow));
    EXPECT_TRUE(snapshots.isEmpty());
}

TEST_F(EffectDialogTest, RotateTakesThePickerOrTypedDegreesAndKeepsPaletteIndices)
{
    const TIconImageRec original = PatternFormat(32, 32, ctColors16, 6);
    TIconImageRec* f = Open(original);
    Run<Tfrm_Rotate>(main->act_effect_rotate, [&](Tfrm_Rotate& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Rotate Arbitrary"));
        EXPECT_TRUE(SameFormat(*f, original));
        // A click straight above the picker's centre: 90.
        QTest::mouseClick(d.ang_angle, Qt::LeftButton, {}, QPoint(33, 10));
        EXPECT_EQ(d.Angle, 90);
        EXPECT_EQ(d.spn_Angle->Text(), QStringLiteral("90"));
        Type(d.spn_Angle, QStringLiteral("360")); // 0 after the picker's normalising
        EXPECT_EQ(d.ang_angle->Angle(), 0);
        EXPECT_EQ(d.Angle, 0);
        Type(d.spn_Angle, QStringLiteral("90"));
        EXPECT_EQ(d.ang_angle->Angle(), 90);
        Shot(&d, "rotate");
        d.btn_Ok->click();
    });
    EXPECT_EQ(snapshots, QStringList{"Rotate"});
    EXPECT_EQ(main->act_effect_rotate->text(), QStringLiteral("Rotate  Arbitrary "));
    // A square quarter turn is an exact permutation of the indices: counter-clockwise.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(f->Bitmap->Pixel(x, y), original.Bitmap->Pixel(31 - y, x)) << x << "," << y;
            ASSERT_EQ(f->Mask->Pixel(x, y), original.Mask->Pixel(31 - y, x)) << x << "," << y;
        }
    EXPECT_EQ(f->Palette, original.Palette);
}

TEST_F(EffectDialogTest, StrokeAppliesAtOnceAndPaletteFormatsChooseAnEntry)
{
    TIconImageRec opaqueBlock = SolidFormat(16, 16, ctColors256, MakeColor(7, 0, 0), 255);
    FillBitmapRect(*opaqueBlock.Mask, 0, Rect{4, 4, 12, 12});
    opaqueBlock.Palette.palPalEntry[0] = TPaletteEntry{255, 255, 255, 0};
    TIconImageRec* f = Open(opaqueBlock);
    Run<Tfrm_Stroke>(main->act_effect_Stroke, [&](Tfrm_Stroke& d) {
        EXPECT_FALSE(SameFormat(*f, opaqueBlock)); // the default stroke shows at once
        EXPECT_FALSE(d.img_Color->isVisible());
        ASSERT_TRUE(d.clrbx_color->isVisible());
        ASSERT_EQ(d.clrbx_color->count(), 256);
        EXPECT_EQ(d.clrbx_color->itemText(0), QStringLiteral("Color 1"));
        EXPECT_EQ(d.clrbx_color->itemText(255), QStringLiteral("Color 256"));
        // The list shows the entry the stroke paints with until one is chosen: index 0, white here.
        EXPECT_EQ(d.clrbx_color->currentIndex(), 0);
        EXPECT_FALSE(d.Opacity.Track->isEnabled());
        EXPECT_FALSE(d.cbb_Position->isVisible());
        d.clrbx_color->setCurrentIndex(255);
        Type(d.Size.Spin, QStringLiteral("2"));
        Shot(&d, "stroke_palette");
        d.btn_Ok->click();
    });
    EXPECT_EQ(snapshots, QStringList{"Stroke"});
    EXPECT_EQ(f->Bitmap->Pixel(3, 3) & 0xFF, 255u); // just outside the block: the last entry's index
    EXPECT_EQ(f->Bitmap->Pixel(5, 5) & 0xFF, 7u);
    EXPECT_EQ(f->ColorType, ctColors256);

    // True colour: OK untouched keeps the default black stroke; the swatch asks the dialog service.
    TIconImageRec block = SolidFormat(16, 16, ctTrueAlpha, 0x00FF00, 255);
    FillBitmapRect(*block.Mask, 0, Rect{4, 4, 12, 12});
    TIconImageRec* g = Open(block);
    Run<Tfrm_Stroke>(main->act_effect_Stroke, [&](Tfrm_Stroke& d) {
        EXPECT_TRUE(d.img_Color->isVisible());
        EXPECT_FALSE(d.clrbx_color->isVisible());
        Shot(&d, "stroke");
        d.btn_Ok->click();
    });
    EXPECT_FALSE(SameFormat(*g, block));
    EXPECT_EQ(g->Bitmap->Pixel(3, 6), 0u);
    EXPECT_EQ(g->Mask->Row(6)[3 * 3], 0); // the transparency byte: the stroke is opaque
    EXPECT_EQ(g->Bitmap->Pixel(1, 6), 0x00FF00u);
    dialogs.ColorAnswers.enqueue(0x0000FF);
    Run<Tfrm_Stroke>(main->act_effect_Stroke, [&](Tfrm_Stroke& d) {
        QTest::mouseClick(d.img_Color, Qt::LeftButton);
        EXPECT_EQ(d.Color, 0x0000FFu);
        d.btn_Cancel->click();
    });
}

TEST_F(EffectDialogTest, ShadowAppliesAtOnceAndKeepsThePaletteType)
{
    TIconImageRec block = SolidFormat(24, 24, ctColors16, MakeColor(9, 0, 0), 255);
    FillBitmapRect(*block.Mask, 0, Rect{4, 4, 14, 14});
    TIconImageRec* f = Open(block);
    Run<Tfrm_Shadow>(main->act_effect_Shadow, [&](Tfrm_Shadow& d) {
        EXPECT_FALSE(SameFormat(*f, block)); // the default shadow shows at once
        EXPECT_EQ(d.ang_angle->Angle(), 135);
        EXPECT_FALSE(d.Size.Track->isVisible());
        EXPECT_FALSE(d.Opacity.Track->isEnabled());
        d.btn_Ok->click();
    });
    EXPECT_EQ(snapshots, QStringList{"Shadow"});
    EXPECT_EQ(f->ColorType, ctColors16);
    EXPECT_EQ(f->Palette.palNumEntries, 16);
    EXPECT_TRUE(SameFormat(*f, EffectResult(block, [](const TEffectSources& s, TIconImageRec& t) {
        ApplyShadowEffect(s, t, 0, 5, 255, 135, 40);
    })));

    TIconImageRec tc = SolidFormat(24, 24, ctTrueColor, 0x00FF00, 255);
    FillBitmapRect(*tc.Mask, 0, Rect{4, 4, 14, 14});
    TIconImageRec* g = Open(tc);
    Run<Tfrm_Shadow>(main->act_effect_Shadow, [&](Tfrm_Shadow& d) {
        EXPECT_TRUE(d.Opacity.Track->isEnabled());
        QTest::mouseClick(d.ang_angle, Qt::LeftButton, {}, QPoint(53, 33)); // 0
        EXPECT_EQ(d.Angle, 0);
        d.Offset.Track->SetPosition(3);
        Shot(&d, "shadow");
        d.btn_Ok->click();
    });
    EXPECT_TRUE(SameFormat(*g, EffectResult(tc, [](const TEffectSources& s, TIconImageRec& t) {
        ApplyShadowEffect(s, t, 0, 3, 255, 0, 40);
    })));
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) ASSERT_TRUE(g->Mask->Pixel(x, y) == 0 || g->Mask->Pixel(x, y) == 0xFFFFFF);
}

TEST_F(EffectDialogTest, ZoomTakesOnlyTenToTwoHundredFiftyNinePercent)
{
    const TIconImageRec original = PatternFormat(32, 32, ctTrueAlpha, 9);
    TIconImageRec* f = Open(original);
    Run<Tfrm_Zoom>(main->act_effect_zoom, [&](Tfrm_Zoom& d) {
        ASSERT_EQ(d.cbb_zoom->count(), 15);
        EXPECT_EQ(d.cbb_zoom->itemText(0), QStringLiteral("250%"));
        EXPECT_EQ(d.cbb_zoom->itemText(14), QStringLiteral("10%"));
        EXPECT_EQ(d.cbb_zoom->currentText(), QStringLiteral("100%"));
        for (const char* ignored : {"9%", "260%", "abc", "-50", "99999999999999999999%"}) {
            d.cbb_zoom->setEditText(QString::fromLatin1(ignored));
            EXPECT_EQ(d.Percent, 0) << ignored;
            EXPECT_EQ(d.cbb_zoom->currentText(), QString::fromLatin1(ignored));
        }
        EXPECT_TRUE(SameFormat(*f, original));
        d.cbb_zoom->lineEdit()->clear();
        QTest::keyClicks(d.cbb_zoom->lineEdit(), QStringLiteral("2%00"));
        EXPECT_EQ(d.Percent, 200);
        Shot(&d, "zoom");
        d.btn_Ok->click();
    });
    EXPECT_EQ(snapshots, QStringList{"Zoom"});
    EXPECT_TRUE(SameFormat(
        *f, EffectResult(original, [](const TEffectSources& s, TIconImageRec& t) { ApplyZoomEffect(s, t, 200); })));
}

// Typed key by key, the zoom box takes each text as it stands: nothing is completed from the list,
// so a refused "9%" leaves the picture as it was, also through Enter.
TEST_F(EffectDialogTest, ZoomTakesTheTextAsTyped)
{
    const TIconImageRec original = PatternFormat(32, 32, ctTrueAlpha, 4);
    TIconImageRec* f = Open(original);
    QList<int> applied;
    // Records the percentages applied and gives the zoom box the keyboard, its text selected.
    const auto typeInto = [&](Tfrm_Zoom& d) {
        d.OnPreview = [&, previous = d.OnPreview] {
            applied << d.Percent;
            if (previous) previous();
        };
        QLineEdit* edit = d.cbb_zoom->lineEdit();
        edit->setFocus();
        edit->selectAll();
        return edit;
    };
    Run<Tfrm_Zoom>(main->act_effect_zoom, [&](Tfrm_Zoom& d) {
        QLineEdit* edit = typeInto(d);
        QTest::keyClicks(edit, QStringLiteral("9"));
        EXPECT_EQ(edit->text(), QStringLiteral("9"));
        QTest::keyClicks(edit, QStringLiteral("%"));
        EXPECT_EQ(edit->text(), QStringLiteral("9%"));
        Shot(&d, "zoom_typed_9");
        EXPECT_TRUE(applied.isEmpty());
        EXPECT_TRUE(SameFormat(*f, original));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_TRUE(SameFormat(*f, original));
    EXPECT_EQ(snapshots, QStringList{"Zoom"}); // Enter is the dialog's OK

    // "260%" goes through "26", which is a zoom of its own, and never through a completed "250%";
    // once the text is refused the picture is back as it came, and OK stores it unchanged.
    applied.clear();
    Run<Tfrm_Zoom>(main->act_effect_zoom, [&](Tfrm_Zoom& d) {
        QLineEdit* edit = typeInto(d);
        QTest::keyClicks(edit, QStringLiteral("260%"));
        EXPECT_EQ(edit->text(), QStringLiteral("260%"));
        EXPECT_EQ(applied, (QList<int>{26, 0}));
        EXPECT_TRUE(SameFormat(*f, original));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_TRUE(SameFormat(*f, original));

    // After a choice from the list, a refused text falls back to that choice.
    applied.clear();
    Run<Tfrm_Zoom>(main->act_effect_zoom, [&](Tfrm_Zoom& d) {
        QLineEdit* edit = typeInto(d);
        d.cbb_zoom->setCurrentIndex(1);
        emit d.cbb_zoom->activated(1);
        EXPECT_EQ(d.Percent, 200);
        const TIconImageRec at200 = f->Clone();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("30x"));
        EXPECT_EQ(applied, (QList<int>{200, 30, 200}));
        EXPECT_TRUE(SameFormat(*f, at200));
        d.btn_Cancel->click();
    });
    EXPECT_TRUE(SameFormat(*f, original));
}

TEST_F(EffectDialogTest, DialogsOnTheSmallestAndLargestFormats)
{
    for (int side : {1, 256}) {
        for (int32_t type : {ctTrueAlpha, ctColors256}) {
            SCOPED_TRACE(std::to_string(side) + " type " + std::to_string(type));
            const TIconImageRec original = PatternFormat(side, side, type, 11);
            TIconImageRec* f = Open(original);
            Run<Tfrm_Zoom>(main->act_effect_zoom, [&](Tfrm_Zoom& d) {
                d.cbb_zoom->setEditText(QStringLiteral("259"));
                d.cbb_zoom->setEditText(QStringLiteral("10"));
                d.btn_Cancel->click();
            });
            EXPECT_TRUE(SameFormat(*f, original));
            Run<Tfrm_Blur>(main->act_effect_blur, [&](Tfrm_Blur& d) {
                d.Blur.Track->SetPosition(200);
                d.btn_Cancel->click();
            });
            Run<Tfrm_Rotate>(main->act_effect_rotate, [&](Tfrm_Rotate& d) {
                d.ang_angle->SetAngle(33);
                d.btn_Cancel->click();
            });
            Run<Tfrm_Stroke>(main->act_effect_Stroke, [&](Tfrm_Stroke& d) {
                d.Size.Track->SetPosition(200);
                d.btn_Cancel->click();
            });
            Run<Tfrm_Shadow>(main->act_effect_Shadow, [&](Tfrm_Shadow& d) {
                d.Offset.Track->SetPosition(255);
                d.btn_Cancel->click();
            });
            EXPECT_TRUE(SameFormat(*f, original));
        }
    }
    EXPECT_TRUE(snapshots.isEmpty());
}

// ---- previews under load: the last value wins, and a preview redraws only the pixels --------

TEST_F(EffectDialogTest, ChangesDuringARunningPreviewCoalesceIntoOneRunWithTheLastValue)
{
    for (int32_t type : {ctTrueAlpha, ctColors256}) {
        SCOPED_TRACE(type);
        const TIconImageRec original = PatternFormat(40, 40, type, 6);
        TIconImageRec* f = Open(original);
        int runsDuringDrag = 0;
        Run<Tfrm_Blur>(main->act_effect_blur, [&](Tfrm_Blur& d) {
            // The owner's redraw lets twenty slider moves through while the first preview is on screen.
            auto counted = d.OnPreview;
            bool dragging = false;
            d.OnPreview = [&, counted] {
                counted();
                if (dragging) return;
                dragging = true;
                const int before = d.RunCount();
                for (int v = 10; v <= 200; v += 10) d.Blur.Track->SetPosition(v);
                runsDuringDrag = d.RunCount() - before;
                EXPECT_EQ(d.BlurValue, 200);
                EXPECT_EQ(d.Blur.Spin->Text(), QStringLiteral("200"));
            };
            previews = 0;
            d.Blur.Track->SetPosition(5);
            // The running preview and exactly one more, computed from the last value.
            EXPECT_EQ(runsDuringDrag, 0);
            EXPECT_EQ(d.RunCount(), 2);
            EXPECT_EQ(previews, 2);
            EXPECT_TRUE(SameFormat(
                *f, EffectResult(original, [](const TEffectSources& s, TIconImageRec& t) { ApplyBlurEffect(s, t, 200); })));
            d.btn_Cancel->click();
        });
        EXPECT_TRUE(SameFormat(*f, original));
    }
}

TEST_F(EffectDialogTest, ClosingDuringARunningPreviewKeepsOrRestoresWhatTheDialogSays)
{
    const TIconImageRec original = PatternFormat(32, 32, ctTrueAlpha, 9);
    TIconImageRec* f = Open(original);
    // OK while a change waits behind the running preview: the waiting value is what is stored.
    Run<Tfrm_Saturation>(main->act_effect_Saturation, [&](Tfrm_Saturation& d) {
        auto counted = d.OnPreview;
        d.OnPreview = [&, counted] {
            counted();
            if (d.SaturationValue != 20) return;
            d.Saturation.Track->SetPosition(-90);
            d.btn_Ok->click();
        };
        d.Saturation.Track->SetPosition(20);
        EXPECT_EQ(d.RunCount(), 2);
    });
    const TIconImageRec expected =
        EffectResult(original, [](const TEffectSources& s, TIconImageRec& t) { ApplySaturationEffect(s, t, -90); });
    EXPECT_TRUE(SameFormat(*f, expected));
    EXPECT_EQ(snapshots, QStringList{"Saturation"});

    // Cancel (the close box) during a running preview with a change waiting: the format comes back
    // and nothing computes over it afterwards.
    snapshots.clear();
    Run<Tfrm_Saturation>(main->act_effect_Saturation, [&](Tfrm_Saturation& d) {
        auto counted = d.OnPreview;
        d.OnPreview = [&, counted] {
            counted();
            if (d.SaturationValue != 50) return;
            d.Saturation.Track->SetPosition(100);
            d.close();
        };
        d.Saturation.Track->SetPosition(50);
        EXPECT_EQ(d.RunCount(), 1);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_TRUE(SameFormat(*f, expected));
    EXPECT_TRUE(snapshots.isEmpty());
}

TEST_F(EffectDialogTest, APreviewRedrawsCanvasStripAndPreviewButNotHistoryOrToolPreviews)
{
    for (int32_t type : {ctTrueAlpha, ctColors16}) {
        SCOPED_TRACE(type);
        const TIconImageRec original = PatternFormat(24, 24, type, 4);
        TIconImageRec* f = Open(original);
        const CanvasBuffer canvasBefore = doc_->Document().BackBuffer;
        int tracks = 0, toolPreviews = 0, imageChanges = 0, shown = 0;
        TFramePeers& frame = FramePeers();
        TDocumentPeers& docs = DocumentPeers();
        const auto oldTrack = frame.ShowTrackOf;
        const auto oldTools = ToolsPeers().RefreshPreviews;
        const auto oldChange = docs.ActiveImageChanged;
        const auto oldShow = docs.PreviewShowImage;
        frame.ShowTrackOf = [&](TIconImageRec*) { ++tracks; };
        ToolsPeers().RefreshPreviews = [&] { ++toolPreviews; };
        docs.ActiveImageChanged = [&](Tfrm_childwin*, int, int32_t) { ++imageChanges; };
        docs.PreviewShowImage = [&](const TIconImageArray* formats, int index) {
            EXPECT_EQ(formats, &doc_->Images());
            EXPECT_EQ(index, 0);
            ++shown;
        };
        // Only what the previews themselves call is counted (the colour window's own tick may run
        // meanwhile and refresh the tool previews for its own reasons).
        int duringTracks = 0, duringTools = 0, duringChanges = 0;
        Run<Tfrm_Color_Balance>(main->act_effect_ColorBalance, [&](Tfrm_Color_Balance& d) {
            auto counted = d.OnPreview;
            d.OnPreview = [&, counted] {
                const int t0 = tracks, p0 = toolPreviews, c0 = imageChanges;
                counted();
                duringTracks += tracks - t0;
                duringTools += toolPreviews - p0;
                duringChanges += imageChanges - c0;
            };
            d.R.Track->SetPosition(-200);
            d.G.Track->SetPosition(150);
            EXPECT_EQ(previews, 2);
            EXPECT_GE(shown, 2);
            // The canvas shows the new colours at once.
            EXPECT_FALSE(doc_->Document().BackBuffer == canvasBefore);
            d.btn_Cancel->click();
        });
        EXPECT_TRUE(SameFormat(*f, original));
        EXPECT_TRUE(doc_->Document().BackBuffer == canvasBefore);
        EXPECT_EQ(duringTracks, 0);
        EXPECT_EQ(duringTools, 0);
        EXPECT_EQ(duringChanges, 0);
        frame.ShowTrackOf = oldTrack;
        ToolsPeers().RefreshPreviews = oldTools;
        docs.ActiveImageChanged = oldChange;
        docs.PreviewShowImage = oldShow;
        previews = 0;
    }
}

TEST_F(EffectDialogTest, TheColourWindowsTickLeavesAPaletteTheDialogComputed)
{
    const TIconImageRec original = PatternFormat(20, 20, ctColors16, 12);
    TIconImageRec* f = Open(original);
    ASSERT_TRUE(FramePeers().PaletteChanged);
    Run<Tfrm_Brightness_Contrast>(main->act_effect_Contrast_Brightness, [&](Tfrm_Brightness_Contrast& d) {
        d.Brightness.Track->SetPosition(90);
        const TPalette computed = f->Palette;
        EXPECT_FALSE(computed == original.Palette);
        // The colour window's tick, as it comes while the dialog is open: it must not put the
        // window's older palette back into the format.
        FramePeers().PaletteChanged();
        EXPECT_TRUE(f->Palette == computed);
        d.btn_Ok->click();
    });
    EXPECT_TRUE(SameFormat(
        *f, EffectResult(original, [](const TEffectSources& s, TIconImageRec& t) { ApplyBrightnessContrastEffect(s, t, 90, 0); })));
}

} // namespace
