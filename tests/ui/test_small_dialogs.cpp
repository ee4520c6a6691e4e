// The about box, the icon properties and the delete confirmation, and the main window's commands
// that run them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>

#include "platform/app_paths.h"
#include "platform/small_routines.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"
#include "workspace/dialogs/about_form.h"
#include "workspace/dialogs/dele_icon_image_form.h"
#include "workspace/dialogs/icon_property_form.h"

TEST_F(MainWindowTest, AboutBoxShowsTheBuildsVersionOpensTheHomePageAndAnswersOk)
{
    Tfrm_about about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tavrin"));
    EXPECT_EQ(about.size(), QSize(300, 222));
    EXPECT_EQ(about.lab_ProductName->text(), QStringLiteral("Tavrin"));
    EXPECT_TRUE(about.lab_ProductName->font().bold());
    EXPECT_EQ(GetFileVersionText(true), QStringLiteral(TAVRIN_VERSION));
    EXPECT_EQ(GetFileVersionText(false), QStringLiteral(TAVRIN_FULL_VERSION));

    QStringList opened;
    SetShellOpenHandler([&](const QString& path) { opened << path; });
    WhenModal([&](QWidget* modal) {
        EXPECT_EQ(modal, &about);
        EXPECT_EQ(about.lab_Version->text(), QStringLiteral("Version: %1 (Build %2)")
                                                 .arg(QStringLiteral(TAVRIN_VERSION), QStringLiteral(TAVRIN_FULL_VERSION)));
        EXPECT_FALSE(about.ProgramIcon->pixmap().isNull());
        // The page's name, not where it lies on this machine; a click opens the page itself.
        EXPECT_EQ(about.lab_Comments->text(), QStringLiteral("homepage.html"));
        QTest::mouseClick(about.lab_Comments, Qt::LeftButton);
        QTest::mouseClick(about.OKButton, Qt::LeftButton);
    });
    main->HelpAbout1->trigger();
    SetShellOpenHandler({});
    EXPECT_EQ(opened, QStringList{AppPaths::HomePagePath()});
    EXPECT_EQ(about.result(), QDialog::Accepted);
    // Escape answers as the one button does.
    WhenModal([&](QWidget*) { QTest::keyClick(&about, Qt::Key_Escape); });
    main->HelpAbout1->trigger();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(IconProperties, FormatLinesAndUnknownSizes)
{
    TIconImageArray formats;
    formats.Add(SolidFormat(16, 16, ctColors16));
    formats.Add(SolidFormat(32, 32, ctTrueAlpha));
    formats.Add(SolidFormat(20, 30, ctColors2));
    formats.Add(SolidFormat(48, 48, ctColors256));
    formats.Add(SolidFormat(256, 256, ctTrueColor));
    EXPECT_EQ(IconFormatLines(formats),
              (QStringList{"1. 16 x 16 16 Colors (4 bits)", "2. 32 x 32 True Color + Alpha (32 bits)",
                           "3. 20 x 30 2 Colors (1 bit)", "4. 48 x 48 256 Colors (8 bits)",
                           "5. 256 x 256 True Color (24 bits)"}));

    ScopedAppDir appDir;
    const QString folder = appDir.Path() + QLatin1Char('/');
    ASSERT_TRUE(WriteBytes(appDir.FilePath(QStringLiteral("a.ico")), QByteArray(1234, 'x')));
    ASSERT_TRUE(QDir(appDir.Path()).mkdir(QStringLiteral("dir.ico")));
    EXPECT_EQ(IconFileSizeText(folder, QStringLiteral("gone.ico")), QStringLiteral("Unknown"));
    EXPECT_EQ(IconFileSizeText(folder, QStringLiteral("dir.ico")), QStringLiteral("Unknown"));
    // A never-saved icon has no size, even when a file of its name lies in the current folder.
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(appDir.Path()));
    EXPECT_EQ(IconFileSizeText(QString(), QStringLiteral("a.ico")), QStringLiteral("Unknown"));
    QDir::setCurrent(cwd);
}

TEST_F(MainWindowTest, IconPropertiesDescribeTheActiveDocument)
{
    EXPECT_TRUE(main->act_IconProperties->isEnabled());
    // Without a document nothing happens.
    main->act_IconProperties->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    Tfrm_childwin* doc =
        NewDocument(QStringLiteral("b.ico"), {SolidFormat(16, 16, ctColors16), SolidFormat(32, 32, ctTrueAlpha)});
    doc->Document().Folder = appDir.Path() + QLatin1Char('/');
    ASSERT_TRUE(WriteBytes(Path("b.ico"), QByteArray(77, 'x')));
    bool seen = false;
    WhenModal([&](QWidget* modal) {
        auto* dlg = qobject_cast<Tfrm_IconProperty*>(modal);
        ASSERT_NE(dlg, nullptr);
        seen = true;
        EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Icon Properties"));
        EXPECT_EQ(dlg->size(), QSize(391, 316));
        EXPECT_EQ(dlg->edt_fileName->text(), QStringLiteral("b.ico"));
        EXPECT_EQ(dlg->mmo_location->toPlainText(), appDir.Path() + QLatin1Char('/'));
        EXPECT_EQ(dlg->edt_FileSize->text(), QStringLiteral("77 bytes"));
        ASSERT_EQ(dlg->lst_formats->count(), 2);
        EXPECT_EQ(dlg->lst_formats->item(1)->text(), QStringLiteral("2. 32 x 32 True Color + Alpha (32 bits)"));
        QTest::mouseClick(dlg->btn_Ok, Qt::LeftButton);
    });
    main->act_IconProperties->trigger();
    EXPECT_TRUE(seen);
    // Made for one use only.
    EXPECT_TRUE(main->findChildren<Tfrm_IconProperty*>().isEmpty());
}

TEST(DeleteFormat, PictureLabelAndAnswer)
{
    ScopedAppDir appDir;
    Tfrm_DeleIconImage dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Delete an Icon Image"));
    EXPECT_EQ(dlg.size(), QSize(235, 180));
    EXPECT_EQ(dlg.Image1->geometry(), QRect(97, 56, 48, 48));
    EXPECT_EQ(dlg.Label2->pos(), QPoint(80, 112));

    // A small format sits centred at its own size; a larger one fills the picture, even when
    // that stretches it.
    EXPECT_EQ(DeleteImageTarget(16, 16), MakeRect(16, 16, 32, 32));
    EXPECT_EQ(DeleteImageTarget(48, 48), MakeRect(0, 0, 48, 48));
    EXPECT_EQ(DeleteImageTarget(64, 32), MakeRect(0, 0, 48, 48));
    EXPECT_EQ(DeleteImageTarget(5, 49), MakeRect(0, 0, 48, 48));

    const TIconImageRec small = SolidFormat(16, 16, ctTrueColor, 0x0000FF, 0);
    dlg.ImageToDelete = &small;
    dlg.show();
    EXPECT_EQ(dlg.Label2->text(), QStringLiteral("16 x 16 : 24"));
    for (int d : {15, 32}) EXPECT_EQ(dlg.Picture().Pixel(d, d), 0xFFFFFFu) << d;
    for (int d : {16, 31}) EXPECT_EQ(dlg.Picture().Pixel(d, d), 0x0000FFu) << d;
    dlg.reject();

    TIconImageRec wide = SolidFormat(64, 32, ctColors256, 0xFF, 0); // index 255, white in the default palette
    wide.Bitmap->SetPixel(0, 0, 0);
    dlg.ImageToDelete = &wide;
    dlg.show();
    EXPECT_EQ(dlg.Label2->text(), QStringLiteral("64 x 32 : 8 "));
    EXPECT_EQ(dlg.Picture().Pixel(0, 0), 0x000000u);
    EXPECT_EQ(dlg.Picture().Pixel(47, 47), 0xFFFFFFu);
    dlg.reject();

    // Without a format nothing shows.
    EXPECT_FALSE(dlg.Confirm(nullptr, nullptr));
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(MainWindowTest, DocumentWindowAsksBeforeDeletingAndTheQuestionCentresOnTheMainWindow)
{
    main->setWindowState(Qt::WindowNoState);
    main->setGeometry(100, 80, 800, 600);
    Tfrm_DeleIconImage dlg;
    Tfrm_childwin* doc =
        NewDocument(QStringLiteral("d.ico"), {SolidFormat(16, 16, ctColors16), SolidFormat(32, 32, ctColors256)});
    QPoint centre;
    WhenModal([&](QWidget* modal) {
        EXPECT_EQ(modal, &dlg);
        EXPECT_EQ(dlg.Label2->text(), QStringLiteral("32 x 32 : 8 "));
        centre = dlg.frameGeometry().center();
        QTest::mouseClick(dlg.btn_Cancel, Qt::LeftButton);
    });
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    EXPECT_EQ(doc->Images().Count(), 2);
    // Within the frame's few pixels, which the window manager adds only once the dialog shows.
    EXPECT_LE((centre - main->frameGeometry().center()).manhattanLength(), 8);

    WhenModal([&](QWidget*) { QTest::mouseClick(dlg.btn_OK, Qt::LeftButton); });
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    ASSERT_EQ(doc->Images().Count(), 1);
    EXPECT_EQ(doc->Images()[0].Width, 16);
}
