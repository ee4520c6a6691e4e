// Photo to icon driven as a user drives it: a picture opened from the main window, the crop frame
// dragged on the view, the output formats and frames, the cartoon options, and pictures that fail.
#include <gtest/gtest.h>

#include <QTest>

#include "creators/cartoon_option_form.h"
#include "creators/photo_to_icon_form.h"
#include "iconfiles/bmp_codec.h"
#include "iconfiles/file_access.h"
#include "iconfiles/png_codec.h"
#include "imaging/imaging_state.h"
#include "platform/bytes.h"
#include "support/bitmap_checks.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"
#include "platform/ui/spin_edit.h"
#include "workspace/format_strip.h"
#include "workspace/swatch_bar.h"

namespace {

constexpr TColor Blue = MakeColor(0, 0, 255);

class PhotoToIconTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        options = std::make_unique<Tfrm_CartoonOption>(nullptr, TestDataPath(QStringLiteral("../../assets/cartoon3.set")));
        photo = std::make_unique<Tfrm_PhotoToIcon>();
        photo->FramesFolder = appDir.FilePath(QStringLiteral("frames"));
        main->PhotoToIcon = photo.get();
    }
    void TearDown() override
    {
        photo.reset();
        options.reset();
        MainWindowTest::TearDown();
    }

    // A 400 x 200 PNG: the left half blue, the right half white.
    QString WritePicture(const QString& name)
    {
        Bitmap24 picture(400, 200);
        FillBitmapRect(picture, Blue, Rect{0, 0, 200, 200});
        Bitmap24 mask(400, 200);
        FillBitmap(mask, 0);
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(EncodePngRgba(picture, mask, false, bytes));
        const QString path = Path(name);
        EXPECT_TRUE(WriteBytes(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))));
        return path;
    }

    std::unique_ptr<Tfrm_CartoonOption> options;
    std::unique_ptr<Tfrm_PhotoToIcon> photo;
};

TEST_F(PhotoToIconTest, APictureBecomesANewIconThroughTheDialog)
{
    const QString path = WritePicture(QStringLiteral("photo.PNG"));
    WhenModal([this](QWidget* modal) {
        ASSERT_EQ(modal, photo.get());
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Photo To Icon"));
        // Right after the reset the picture is at 1:1, centred on the red square.
        EXPECT_EQ(photo->Zoom, 3);
        EXPECT_EQ(photo->spn_X->Value(), photo->IconRect.Left + (144 - 400) / 2);
        EXPECT_EQ(photo->trc_WRatio->Position(), 1000);
        EXPECT_FALSE(photo->trc_HRatio->isEnabled());
        // The square's red outline is drawn on the view.
        EXPECT_EQ(photo->ViewBitmap.Pixel(photo->IconRect.Left, photo->IconRect.Top + 20), MakeColor(255, 0, 0));
        QTest::mouseClick(photo->btn_FitWidth, Qt::LeftButton);
        QTest::mouseClick(photo->btn_OK, Qt::LeftButton);
    });
    main->OpenPictureAsIcon(path);
    ASSERT_EQ(main->Documents().size(), 1);
    Tfrm_childwin* doc = main->Documents()[0];
    EXPECT_EQ(doc->Document().FileName, QStringLiteral("Icon2"));
    const TIconImageArray& formats = doc->Document().Images;
    ASSERT_EQ(formats.Count(), 4);
    const int sides[] = {24, 32, 48, 256};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(formats[i].Width, sides[i]);
        EXPECT_EQ(formats[i].ColorType, ctTrueAlpha);
        // Fit Width: the picture spans the width, half as high, centred: blue left, white right,
        // white above and below it.
        const int s = sides[i];
        EXPECT_EQ(formats[i].Bitmap->Pixel(s / 8, s / 2), Blue);
        EXPECT_EQ(formats[i].Bitmap->Pixel(s - 1 - s / 8, s / 2), MakeColor(255, 255, 255));
        EXPECT_EQ(formats[i].Bitmap->Pixel(s / 8, 1), MakeColor(255, 255, 255));
    }

    // The icon is in no file yet, so it counts as modified: closing asks, Cancel keeps it, and Yes
    // saves it under a name chosen in the save dialog.
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Icon2 *"));
    auto* sub = qobject_cast<QMdiSubWindow*>(doc->parentWidget());
    dialogs.Messages.clear();
    dialogs.Answer({TMsgResult::Cancel});
    EXPECT_FALSE(sub->close());
    EXPECT_EQ(dialogs.Shown(), (QStringList{"Save Icon: The icon 'Icon2' has been modified. Do you want to save it?"}));
    // Yes, then Cancel in the save dialog: nothing is saved, so the window stays.
    dialogs.Answer({TMsgResult::Yes});
    EXPECT_FALSE(sub->close());
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Icon2 *"));
    const QString target = Path(QStringLiteral("from-photo.ico"));
    dialogs.Answer({TMsgResult::Yes});
    dialogs.FileAnswers.enqueue(ScriptedDialogs::Choose({target}));
    EXPECT_TRUE(sub->close());
    ASSERT_EQ(dialogs.FileRequests.size(), 2);
    EXPECT_EQ(dialogs.FileRequests[1].FileName, QStringLiteral("Icon2"));
    TIconImageArray saved;
    TIconFileAccess access;
    ASSERT_EQ(access.LoadIconFile(target, saved), 0);
    EXPECT_EQ(saved.Count(), 4);
}

TEST_F(PhotoToIconTest, DraggingTheFrameMovesTheCropAndRendersOnRelease)
{
    ASSERT_TRUE(photo->LoadPicture(WritePicture(QStringLiteral("p.png"))));
    photo->show();
    const Rect before = photo->IconRect;
    const int x0 = photo->spn_X->Value();
    const QPoint centre((before.Left + before.Right) / 2, (before.Top + before.Bottom) / 2);
    // The square shows the middle of the picture: blue meets white there.
    const TColor leftBefore = photo->Formats[1].Bitmap->Pixel(4, 16);
    QTest::mousePress(photo->PaintBox1, Qt::LeftButton, {}, centre);
    QTest::mouseMove(photo->PaintBox1, centre + QPoint(60, 0));
    EXPECT_EQ(photo->spn_X->Value(), x0 + 60);
    EXPECT_FALSE(photo->NotDragging);
    // Closing is refused during the drag.
    photo->reject();
    EXPECT_TRUE(photo->isVisible());
    // Nothing renders during the drag.
    EXPECT_EQ(photo->Formats[1].Bitmap->Pixel(4, 16), leftBefore);
    QTest::mouseRelease(photo->PaintBox1, Qt::LeftButton, {}, centre + QPoint(60, 0));
    EXPECT_TRUE(photo->NotDragging);
    // Moved right by 60 view pixels: more of the blue half is under the square.
    EXPECT_EQ(photo->Formats[1].Bitmap->Pixel(20, 16), Blue);

    // Dragged completely off the square: the formats keep their images.
    const std::vector<uint8_t> kept = PackedPixels(*photo->Formats[1].Bitmap);
    photo->spn_X->SetValue(-5000);
    EXPECT_EQ(PackedPixels(*photo->Formats[1].Bitmap), kept);
    photo->reject();
}

TEST_F(PhotoToIconTest, OutputFormatsAndFrames)
{
    ASSERT_TRUE(photo->LoadPicture(WritePicture(QStringLiteral("p.png"))));
    // Two frame files: a full border in the frame colour, and one that cuts everything away.
    QDir(appDir.Path()).mkdir(QStringLiteral("frames"));
    Bitmap24 frame(16, 16);
    frame.Fill(MakeColor(255, 255, 0));
    ByteWriter w;
    WriteBmp24(w, frame);
    ASSERT_TRUE(WriteBytes(appDir.FilePath(QStringLiteral("frames/a.bmp")), w.ToByteArray()));
    photo->show();
    EXPECT_EQ(photo->FrameFiles.Count(), 1);
    EXPECT_TRUE(photo->FrameLoaded);
    QTest::mouseClick(photo->chk_PhotoFrame, Qt::LeftButton);
    EXPECT_EQ(photo->Formats[0].Bitmap->Pixel(5, 5), MakeColor(194, 0, 0));

    // Deleting down to one format, then the refusal.
    dialogs.Answer({TMsgResult::Ok, TMsgResult::Ok, TMsgResult::Ok});
    DocumentPeers().ConfirmDeleteFormat = [](QWidget*, const TIconImageRec&) { return true; };
    photo->SelectFormatAt(3 * TFormatStrip::CellWidth);
    EXPECT_EQ(photo->SelectedFormat, 3);
    for (int i = 0; i < 3; ++i) QTest::mouseClick(photo->btn_deleImage, Qt::LeftButton);
    EXPECT_EQ(photo->Formats.Count(), 1);
    EXPECT_EQ(photo->SelectedFormat, 0);
    QTest::mouseClick(photo->btn_deleImage, Qt::LeftButton);
    EXPECT_EQ(photo->Formats.Count(), 1);
    EXPECT_EQ(dialogs.Shown().last(), QStringLiteral("Error: At least one icon image should be reserved."));

    // Adding a format that is there asks to switch; a new one is added and selected.
    TIconImageRec existing;
    InitIconImage(existing, 48, 48, ctTrueAlpha, -1); // the one format left
    TIconImageRec added;
    InitIconImage(added, 16, 16, ctColors16, -1);
    const TIconImageRec* next = &existing;
    DocumentPeers().AddFormatDialog = [&](QWidget*, TIconImageArray&, int) { return next; };
    QTest::mouseClick(photo->btn_AddImage, Qt::LeftButton);
    EXPECT_TRUE(dialogs.Shown().last().contains(QStringLiteral("is alreay exists in this icon")));
    next = &added;
    QTest::mouseClick(photo->btn_AddImage, Qt::LeftButton);
    ASSERT_EQ(photo->Formats.Count(), 2);
    EXPECT_EQ(photo->SelectedFormat, 1);
    // The palette format took the frame too, mapped onto its palette.
    EXPECT_EQ(PaletteColor(photo->Formats[1].Bitmap->Pixel(3, 3), &photo->Formats[1].Palette), MakeColor(194, 0, 0));

    // The background swatches: the fourth is black; past the eighth nothing changes.
    QTest::mouseClick(photo->Image1, Qt::LeftButton, {}, QPoint(3 * 16 + 5, 5));
    EXPECT_EQ(Imaging().BackgroundColor, 0u);
    QTest::mouseClick(photo->Image1, Qt::LeftButton, {}, QPoint(129, 5));
    EXPECT_EQ(Imaging().BackgroundColor, 0u);
    Imaging().BackgroundColor = 0xFFFFFF;
    DocumentPeers() = TDocumentPeers{};
    photo->reject();
}

TEST_F(PhotoToIconTest, CartoonControlsFollowTheOptionsWindow)
{
    ASSERT_TRUE(photo->LoadPicture(WritePicture(QStringLiteral("p.png"))));
    photo->show();
    EXPECT_FALSE(photo->Chk_DrawSketch->isEnabled());
    QTest::mouseClick(photo->chk_CartoonLike, Qt::LeftButton);
    EXPECT_TRUE(photo->Chk_DrawSketch->isEnabled());
    EXPECT_TRUE(photo->Chk_DrawSketch->isChecked());
    EXPECT_TRUE(photo->btn_CartoonMore->isEnabled());
    // A line drawing now: the blue-white edge of the picture is dark in the 32 x 32 format.
    const TIconImageRec& f = photo->Formats[1];
    int darkest = 255;
    for (int x = 0; x < 32; ++x) darkest = std::min(darkest, ColorG(f.Bitmap->Pixel(x, 16)));
    EXPECT_LT(darkest, 128);

    // The compact track bar moves the options window's, and back.
    photo->Trc_Detail->SetPosition(300);
    EXPECT_EQ(options->RowTrack[Tfrm_CartoonOption::rDetail]->Position(), 300);
    EXPECT_EQ(photo->Spn_Detail->Value(), 300);
    WhenModal([this](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("More Cartoon Options"));
        EXPECT_EQ(options->cmb_IconImage->count(), 4);
        EXPECT_EQ(options->cmb_IconImage->itemText(1), QStringLiteral("32 x 32 : 32"));
        QTest::mouseClick(options->Chk_DrawColor, Qt::LeftButton);
        QTest::mouseClick(options->btn_OK, Qt::LeftButton);
    });
    QTest::mouseClick(photo->btn_CartoonMore, Qt::LeftButton);
    EXPECT_TRUE(photo->chk_DrawColor->isChecked());
    EXPECT_TRUE(photo->trc_ColorReducer->isEnabled());
    photo->reject();
}

// The decorative frame and the cartoon settings last through the options window and into the
// next use: the options window renders the formats itself, and the frame must be on them again.
TEST_F(PhotoToIconTest, FrameAndColourSurviveTheOptionsWindowAndTheNextUse)
{
    const QString path = WritePicture(QStringLiteral("photo.png"));
    QDir(appDir.Path()).mkdir(QStringLiteral("frames"));
    Bitmap24 frame(16, 16);
    frame.Fill(MakeColor(255, 255, 0)); // the frame colour everywhere
    ByteWriter w;
    WriteBmp24(w, frame);
    ASSERT_TRUE(WriteBytes(appDir.FilePath(QStringLiteral("frames/a.bmp")), w.ToByteArray()));
    const TColor framed = MakeColor(194, 0, 0);

    WhenModal([&](QWidget* modal) {
        ASSERT_EQ(modal, photo.get());
        QTest::mouseClick(photo->chk_PhotoFrame, Qt::LeftButton);
        QTest::mouseClick(photo->chk_CartoonLike, Qt::LeftButton);
        QTest::mouseClick(photo->chk_DrawColor, Qt::LeftButton);
        ASSERT_EQ(photo->Formats[0].Bitmap->Pixel(5, 5), framed);
        // The options window looked at and closed, nothing changed there.
        WhenModal([this](QWidget* options) {
            ASSERT_EQ(options, this->options.get());
            EXPECT_TRUE(this->options->Chk_DrawColor->isChecked());
            QTest::mouseClick(this->options->btn_OK, Qt::LeftButton);
        });
        QTest::mouseClick(photo->btn_CartoonMore, Qt::LeftButton);
        EXPECT_TRUE(photo->chk_PhotoFrame->isChecked());
        EXPECT_TRUE(photo->chk_DrawColor->isChecked());
        SaveShot(photo.get(), "photo_after_options");
        for (int i = 0; i < photo->Formats.Count(); ++i) EXPECT_EQ(photo->Formats[i].Bitmap->Pixel(5, 5), framed) << i;
        QTest::mouseClick(photo->btn_OK, Qt::LeftButton);
    });
    main->OpenPictureAsIcon(path);
    ASSERT_EQ(main->Documents().size(), 1);
    const TIconImageArray& formats = main->Documents()[0]->Document().Images;
    ASSERT_EQ(formats.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(formats[i].Bitmap->Pixel(5, 5), framed) << i;

    // The next use shows the settings it left: cartoon-like in colour, framed.
    WhenModal([this](QWidget*) {
        EXPECT_TRUE(photo->chk_CartoonLike->isChecked());
        EXPECT_TRUE(photo->chk_DrawColor->isChecked());
        EXPECT_TRUE(options->Chk_DrawColor->isChecked());
        EXPECT_TRUE(photo->trc_ColorReducer->isEnabled());
        EXPECT_TRUE(photo->chk_PhotoFrame->isChecked());
        EXPECT_EQ(photo->Formats[1].Bitmap->Pixel(5, 5), MakeColor(194, 0, 0));
        QTest::mouseClick(photo->btn_Cancel, Qt::LeftButton);
    });
    main->OpenPictureAsIcon(path);
    EXPECT_EQ(main->Documents().size(), 1);
}

TEST_F(PhotoToIconTest, PicturesThatFailAreReported)
{
    ASSERT_TRUE(WriteBytes(Path(QStringLiteral("broken.jpg")), QByteArray(64, 'j')));
    ASSERT_TRUE(WriteBytes(Path(QStringLiteral("empty.gif")), QByteArray()));
    for (const QString& name : {QStringLiteral("broken.jpg"), QStringLiteral("empty.gif")}) {
        main->OpenPictureAsIcon(Path(name));
        EXPECT_EQ(dialogs.Shown().last(), QStringLiteral("Tavrin: ") + Path(name) + QStringLiteral(" open failed."));
    }
    EXPECT_TRUE(main->Documents().isEmpty());
    EXPECT_FALSE(photo->isVisible());

    // The options window without its preset file says so and works on with its layout's values.
    Tfrm_CartoonOption lonely(nullptr, Path(QStringLiteral("missing/cartoon3.set")));
    EXPECT_EQ(dialogs.Shown().last(), QStringLiteral("Tavrin: The configuration file cartoon3.set cann't be opened."));
    EXPECT_EQ(lonely.RowTrack[Tfrm_CartoonOption::rDetail]->Position(), 115);
    EXPECT_EQ(lonely.Renderer().Preset.SketchType, 0);

    // A preset value beyond a bar's range shows in the number box as the bar takes it, below the
    // range as above it.
    QFile shipped(TestDataPath(QStringLiteral("../../assets/cartoon3.set")));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    QByteArray preset = shipped.readAll();
    ASSERT_EQ(size_t(preset.size()), CartoonOptionsSize);
    const auto put = [&](size_t at, int32_t v) {
        for (size_t i = 0; i < 4; ++i) preset[qsizetype(at + i)] = char(uint32_t(v) >> (8 * i));
    };
    put(CartoonOffset::SketchSmooth, -3); // the pre-blur, 0..100
    put(CartoonOffset::Detail, 5000);     // the edge multiplier, 0..1024
    ASSERT_TRUE(WriteBytes(Path(QStringLiteral("odd.set")), preset));
    Tfrm_CartoonOption odd(nullptr, Path(QStringLiteral("odd.set")));
    for (const auto& [row, value] : {std::pair{Tfrm_CartoonOption::rSketchSmooth, 0}, std::pair{Tfrm_CartoonOption::rDetail, 1024}}) {
        EXPECT_EQ(odd.RowTrack[row]->Position(), value) << row;
        EXPECT_EQ(odd.RowSpin[row]->Value(), value) << row;
    }
}

} // namespace
