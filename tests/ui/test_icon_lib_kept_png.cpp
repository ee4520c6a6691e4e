// The icon library window saving a library whose large image came as another program's PNG: the
// icon opened into a document, its small format painted and saved back, and the library saved;
// the large image, which the document left alone, is in the file as the very stream it came as.
#include <QImage>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "iconfiles/icon_library_file.h"
#include "iconfiles/icon_resources.h"
#include "support/png_bytes.h"
#include "support/ui_helpers.h"
#include "workspace/icon_lib_form.h"

namespace {

QByteArray OtherProgramsPng()
{
    QImage image(256, 256, QImage::Format_ARGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) image.setPixel(x, y, qRgba(x, y, (x * y) & 255, (x + 2 * y) & 255));
    image.setText(QStringLiteral("Software"), QStringLiteral("another program"));
    return PngBytesOf(image, 0);
}

class IconLibKeptPngTest : public MainWindowTest {};

} // namespace

TEST_F(IconLibKeptPngTest, TheLargeImageADocumentLeftAloneIsSavedAsTheStreamItCameAs)
{
    auto* lib = new Tfrm_Icon_Lib(main.get());
    main->IconLib = lib;
    main->LibraryWindow = lib;

    const QByteArray png = OtherProgramsPng();
    const TIconImageRec small = SolidFormat(16, 16, ctTrueAlpha, MakeColor(0, 0, 255), 0);
    std::vector<TLibraryIcon> icons(1);
    icons[0].Name = QStringLiteral("Big");
    TLibrarySlot smallSlot;
    smallSlot.Width = smallSlot.Height = 16;
    smallSlot.BitCount = 32;
    smallSlot.Image = &small;
    TLibrarySlot bigSlot;
    bigSlot.Width = bigSlot.Height = 256;
    bigSlot.BitCount = 32;
    bigSlot.RawImage = png;
    icons[0].Slots = {smallSlot, bigSlot};
    icons[0].FormatCount = 2;
    const QString path = Path(QStringLiteral("big.icl"));
    TIconLibraryWriter writer;
    ASSERT_EQ(writer.WriteLibraryFile(path, icons), 0);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    main->WMDropFiles(&data);
    ASSERT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - big.icl"));
    ASSERT_EQ(lib->lsv_Lib->count(), 1);

    // Open the icon, paint its small format red, save the document into the library.
    QListWidgetItem* item = lib->lsv_Lib->item(0);
    const QPoint at = lib->lsv_Lib->visualItemRect(item).center();
    QTest::mouseClick(lib->lsv_Lib->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(lib->lsv_Lib->viewport(), Qt::LeftButton, {}, at);
    Tfrm_childwin* doc = main->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->Images().Count(), 2);
    TIconImageRec& painted = doc->Images()[0];
    ASSERT_EQ(painted.Width, 16);
    painted.Bitmap->Fill(MakeColor(255, 0, 0));
    doc->SetModified(true);
    Activate(doc);
    main->FileSave1->trigger();
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - big.icl *"));
    lib->act_Save->trigger();
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Icon Library - big.icl"));

    TIconModuleReader reader;
    ASSERT_EQ(reader.ReadLibrary(path), 0);
    ASSERT_EQ(reader.Icons.size(), 1u);
    ASSERT_EQ(reader.Icons[0].Formats.size(), 2u);
    EXPECT_EQ(reader.FormatBytes(reader.Icons[0].Formats[1]), png);
    std::vector<TModuleImage> images;
    ASSERT_EQ(reader.ReadIconImages(0, images), 0);
    ASSERT_TRUE(images[0].Read);
    EXPECT_EQ(images[0].Image.Bitmap->Pixel(8, 8), MakeColor(255, 0, 0));
}
