// The about box, the icon properties and the delete confirmation, and the main window's commands
// that run them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "iconfiles/small_routines.h"
#include "imaging/imaging_state.h"
#include "support/scripted_dialogs.h"
#include "support/test_support.h"
#include "support/when_modal.h"
#include "workspace/about_form.h"
#include "workspace/childwin.h"
#include "workspace/dele_icon_image_form.h"
#include "workspace/icon_property_form.h"
#include "workspace/main_form.h"

namespace {

TIconImageRec Format(int w, int h, int32_t type, TColor color = 0x0000FF)
{
    TIconImageRec rec;
    InitIconImage(rec, w, h, type, 0);
    rec.Bitmap->Fill(color);
    rec.Mask->Fill(0);
    return rec;
}

} // namespace

TEST(AboutBox, ShowsTheBuildsVersionAndOpensTheHomePage)
{
    ScopedAppDir appDir;
    Tfrm_about about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tavrin"));
    EXPECT_EQ(about.size(), QSize(300, 222));
    EXPECT_EQ(about.lab_ProductName->text(), QStringLiteral("Tavrin"));
    EXPECT_TRUE(about.lab_ProductName->font().bold());
    EXPECT_EQ(GetFileVersionText(true), QStringLiteral(TAVRIN_VERSION));
    EXPECT_EQ(GetFileVersionText(false), QStringLiteral(TAVRIN_FULL_VERSION));

    about.show();
    EXPECT_EQ(about.lab_Version->text(),
              QStringLiteral("Version: %1 (Build %2)").arg(QStringLiteral(TAVRIN_VERSION), QStringLiteral(TAVRIN_FULL_VERSION)));
    EXPECT_FALSE(about.ProgramIcon->pixmap().isNull());

    QStringList opened;
    SetShellOpenHandler([&](const QString& path) { opened << path; });
    QTest::mouseClick(about.lab_Comments, Qt::LeftButton);
    SetShellOpenHandler({});
    EXPECT_EQ(opened, QStringList{Tfrm_main::HomePagePath()});
    EXPECT_EQ(about.lab_Comments->text(), Tfrm_main::HomePagePath());

    about.reject();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(IconProperties, FormatLinesAndFileSize)
{
    TIconImageArray formats;
    formats.Add(Format(16, 16, ctColors16));
    formats.Add(Format(32, 32, ctTrueAlpha));
    formats.Add(Format(20, 30, ctColors2));
    formats.Add(Format(48, 48, ctColors256));
    formats.Add(Format(256, 256, ctTrueColor));
    EXPECT_EQ(IconFormatLines(formats),
              (QStringList{"1. 16 x 16 16 Colors (4 bits)", "2. 32 x 32 True Color + Alpha (32 bits)",
                           "3. 20 x 30 2 Colors (1 bit)", "4. 48 x 48 256 Colors (8 bits)",
                           "5. 256 x 256 True Color (24 bits)"}));

    ScopedAppDir appDir;
    const QString folder = appDir.Path() + QLatin1Char('/');
    {
        QFile f(appDir.FilePath(QStringLiteral("a.ico")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1234, 'x'));
    }
    EXPECT_EQ(IconFileSizeText(folder, QStringLiteral("a.ico")), QStringLiteral("1234 bytes"));
    EXPECT_EQ(IconFileSizeText(folder, QStringLiteral("gone.ico")), QStringLiteral("Unknown"));
    ASSERT_TRUE(QDir(appDir.Path()).mkdir(QStringLiteral("dir.ico")));
    EXPECT_EQ(IconFileSizeText(folder, QStringLiteral("dir.ico")), QStringLiteral("Unknown"));

    // A never-saved icon has no size, even when a file of its name lies in the current folder.
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(appDir.Path()));
    EXPECT_EQ(IconFileSizeText(QString(), QStringLiteral("a.ico")), QStringLiteral("Unknown"));
    QDir::setCurrent(cwd);
}

TEST(IconProperties, TheCommandDescribesTheActiveDocument)
{
    ScopedAppDir appDir;
    ImagingState imaging;
    ScriptedDialogs dialogs;
    Tfrm_main main;
    EXPECT_TRUE(main.act_IconProperties->isEnabled());
    // Without a document nothing happens.
    main.act_IconProperties->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    Tfrm_childwin* doc = main.CreateDocumentWindow();
    doc->AddImageFormat(Format(16, 16, ctColors16));
    doc->AddImageFormat(Format(32, 32, ctTrueAlpha));
    doc->Document().Folder = appDir.Path() + QLatin1Char('/');
    doc->Document().FileName = QStringLiteral("b.ico");
    {
        QFile f(appDir.FilePath(QStringLiteral("b.ico")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(77, 'x'));
    }
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
        EXPECT_EQ(dlg->lst_formats->item(0)->text(), QStringLiteral("1. 16 x 16 16 Colors (4 bits)"));
        EXPECT_EQ(dlg->lst_formats->item(1)->text(), QStringLiteral("2. 32 x 32 True Color + Alpha (32 bits)"));
        QTest::mouseClick(dlg->btn_Ok, Qt::LeftButton);
    });
    main.act_IconProperties->trigger();
    EXPECT_TRUE(seen);
    // Made for one use only.
    EXPECT_TRUE(main.findChildren<Tfrm_IconProperty*>().isEmpty());
    doc->Document().Modified = 0;
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

    const TIconImageRec small = Format(16, 16, ctTrueColor);
    dlg.ImageToDelete = &small;
    dlg.show();
    EXPECT_EQ(dlg.Label2->text(), QStringLiteral("16 x 16 : 24"));
    EXPECT_EQ(dlg.Picture().Pixel(15, 15), 0xFFFFFFu);
    EXPECT_EQ(dlg.Picture().Pixel(16, 16), 0x0000FFu);
    EXPECT_EQ(dlg.Picture().Pixel(31, 31), 0x0000FFu);
    EXPECT_EQ(dlg.Picture().Pixel(32, 32), 0xFFFFFFu);
    dlg.reject();

    TIconImageRec wide = Format(64, 32, ctColors256);
    wide.Bitmap->Fill(0xFF); // index 255, white in the default palette
    wide.Bitmap->SetPixel(0, 0, 0);
    dlg.ImageToDelete = &wide;
    dlg.show();
    EXPECT_EQ(dlg.Label2->text(), QStringLiteral("64 x 32 : 8 "));
    EXPECT_EQ(dlg.Picture().Pixel(0, 0), 0x000000u);
    EXPECT_EQ(dlg.Picture().Pixel(47, 47), 0xFFFFFFu);
    dlg.reject();

    // Run modally: OK deletes, Cancel does not; without a format nothing shows.
    WhenModal([](QWidget* modal) { QTest::mouseClick(static_cast<Tfrm_DeleIconImage*>(modal)->btn_OK, Qt::LeftButton); });
    EXPECT_TRUE(dlg.Confirm(nullptr, &small));
    WhenModal([](QWidget* modal) { QTest::mouseClick(static_cast<Tfrm_DeleIconImage*>(modal)->btn_Cancel, Qt::LeftButton); });
    EXPECT_FALSE(dlg.Confirm(nullptr, &small));
    EXPECT_FALSE(dlg.Confirm(nullptr, nullptr));
    EXPECT_FALSE(dlg.isVisible());
}

TEST(DeleteFormat, DocumentWindowAsksBeforeDeletingAndCentresOnTheMainWindow)
{
    ScopedAppDir appDir;
    ImagingState imaging;
    ScriptedDialogs dialogs;
    Tfrm_main main;
    main.setWindowState(Qt::WindowNoState);
    main.setGeometry(100, 80, 800, 600);
    main.show();
    Tfrm_DeleIconImage dlg;
    Tfrm_childwin* doc = main.CreateDocumentWindow();
    doc->AddImageFormat(Format(16, 16, ctColors16));
    doc->AddImageFormat(Format(32, 32, ctColors256));

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
    EXPECT_LE((centre - main.frameGeometry().center()).manhattanLength(), 8);

    WhenModal([&](QWidget*) { QTest::mouseClick(dlg.btn_OK, Qt::LeftButton); });
    QTest::mouseClick(doc->btn_deleImage, Qt::LeftButton);
    ASSERT_EQ(doc->Images().Count(), 1);
    EXPECT_EQ(doc->Images()[0].Width, 16);
    doc->Document().Modified = 0;
    delete doc->parentWidget();
}

TEST(AboutBox, HelpAboutRunsIt)
{
    ScopedAppDir appDir;
    Tfrm_main main;
    Tfrm_about about;
    EXPECT_TRUE(main.HelpAbout1->isEnabled());
    bool seen = false;
    WhenModal([&](QWidget* modal) {
        seen = modal == &about;
        QTest::mouseClick(about.OKButton, Qt::LeftButton);
    });
    main.HelpAbout1->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    // Escape answers as the one button does.
    WhenModal([&](QWidget*) { QTest::keyClick(&about, Qt::Key_Escape); });
    main.HelpAbout1->trigger();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
