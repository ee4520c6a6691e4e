// The picture dialogs' preview pane: every picture type it shows, icons stacked over the
// background, the files it must refuse quickly (huge, damaged, not regular, unreadable), no
// reload of the file shown, arrowing through a folder, the large preview window, and the program's
// dialogs handing the pane to the desktop dialog.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QBuffer>
#include <QDialog>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <sys/stat.h>
#include <sys/types.h>

#include "iconfiles/file_access.h"
#include "iconfiles/gif_codec.h"
#include "iconfiles/jpeg_codec.h"
#include "imaging/imaging_state.h"
#include "platform/bytes.h"
#include "support/hostile_files.h"
#include "support/ui_helpers.h"
#include "support/when_modal.h"
#include "workspace/dialogs/picture_dialog.h"

namespace {

constexpr TColor Red = 0x0000FF;   // Windows colour value: red in the low byte
constexpr TColor Green = 0x00FF00;
constexpr TColor Blue = 0xFF0000;

QByteArray ToBytes(const std::vector<uint8_t>& v) { return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size())); }

Bitmap24 SolidBitmap(int w, int h, TColor c)
{
    Bitmap24 b(w, h);
    b.Fill(c);
    return b;
}

QByteArray QtEncoded(const Bitmap24& b, const char* format)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    b.ToQImage(QImage::Format_RGB32).save(&buffer, format);
    return out;
}

template <class... Formats>
QByteArray IconBytes(Formats&&... formats)
{
    TIconImageArray array;
    (array.Add(std::move(formats)), ...);
    QByteArray data;
    TIconFileAccess access;
    EXPECT_TRUE(access.BuildIconData(array, data));
    return data;
}

// An icon whose directory declares 65,535 entries, all pointing at the same 16 x 16 image.
QByteArray IconOf65535Entries()
{
    const QByteArray one = IconBytes(SolidFormat(16, 16, ctTrueAlpha, Red, 0));
    ByteReader in(one);
    in.Seek(6 + 8);
    const uint32_t size = in.U32();
    const uint32_t offset = in.U32();
    const QByteArray image = one.mid(qsizetype(offset), qsizetype(size));
    ByteWriter out;
    out.U16(0);
    out.U16(1);
    out.U16(65535);
    const uint32_t at = 6 + 16u * 65535u;
    for (int i = 0; i < 65535; ++i) {
        out.U8(16);
        out.U8(16);
        out.U8(0);
        out.U8(0);
        out.U16(1);
        out.U16(32);
        out.U32(size);
        out.U32(at);
    }
    QByteArray data = out.ToByteArray();
    return data + image;
}

// A PNG that declares 10,000 x 10,000 pixels (its data is not there: the size alone must refuse it).
QByteArray HugePngHeader()
{
    const QByteArray small = QtEncoded(SolidBitmap(4, 4, Red), "PNG");
    QByteArray data = small;
    auto put32 = [&data](int at, uint32_t v) {
        data[at] = char(v >> 24);
        data[at + 1] = char(v >> 16);
        data[at + 2] = char(v >> 8);
        data[at + 3] = char(v);
    };
    put32(16, 10000);
    put32(20, 10000);
    return data;
}

// A JPEG whose frame header declares 10,000 x 10,000 pixels.
QByteArray HugeJpegHeader()
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(EncodeJpeg(SolidBitmap(8, 8, Red), 80, bytes));
    for (size_t i = 0; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = uint8_t(10000 >> 8);
            bytes[i + 6] = uint8_t(10000 & 0xFF);
            bytes[i + 7] = uint8_t(10000 >> 8);
            bytes[i + 8] = uint8_t(10000 & 0xFF);
            break;
        }
    return ToBytes(bytes);
}

// A 24-bit BMP header of 10,000 x 10,000 with no pixels after it.
QByteArray HugeBmpHeader()
{
    ByteWriter w;
    w.U8('B');
    w.U8('M');
    w.U32(54 + 300000000u);
    w.U32(0);
    w.U32(54);
    w.U32(40);
    w.U32(10000);
    w.U32(10000);
    w.U16(1);
    w.U16(24);
    for (int i = 0; i < 6; ++i) w.U32(0);
    return w.ToByteArray();
}

class PictureDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        imaging.BackgroundColor = Green;
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        picture.BuildPane(dialog);
    }

    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(WriteBytes(path, bytes)) << name.toStdString();
        return path;
    }

    QString Label() const { return picture.PictureLabel->text(); }
    QString PanelCaption() const { return picture.PaintPanel->Caption(); }
    bool ButtonOn() const { return picture.PreviewButton->isEnabled(); }
    TColor ShownAt(double fx, double fy) const
    {
        const Bitmap24& b = picture.Preview().Picture;
        return b.Pixel(int(fx * (b.Width() - 1)), int(fy * (b.Height() - 1)));
    }
    void ExpectNone()
    {
        EXPECT_EQ(Label(), QStringLiteral("Picture:"));
        EXPECT_EQ(PanelCaption(), QStringLiteral("(None)"));
        EXPECT_FALSE(ButtonOn());
        EXPECT_TRUE(picture.PaintBox->Picture().isNull());
    }

    ImagingState imaging;
    QTemporaryDir dir;
    QFileDialog dialog;
    TOpenPictureDialogEx picture;
};

TEST_F(PictureDialogTest, PaneStartsEmptyBesideTheList)
{
    ASSERT_TRUE(picture.PicturePanel);
    EXPECT_EQ(picture.PicturePanel->parentWidget(), &dialog);
    EXPECT_EQ(picture.PreviewButton->toolTip(), QStringLiteral("Preview"));
    ExpectNone();
}

TEST_F(PictureDialogTest, EachPictureTypeShowsWithItsSize)
{
    std::vector<uint8_t> jpeg, gif;
    ASSERT_TRUE(EncodeJpeg(SolidBitmap(40, 30, Red), 95, jpeg));
    ASSERT_TRUE(EncodeGif216(SolidBitmap(40, 30, Blue), gif));
    struct Case {
        const char* Name;
        QByteArray Bytes;
        TColor Colour;
    };
    const Case cases[] = {
        {"photo.jpg", ToBytes(jpeg), Red},
        {"photo.JPEG", ToBytes(jpeg), Red},
        {"picture.bmp", QtEncoded(SolidBitmap(40, 30, Blue), "BMP"), Blue},
        {"picture.png", QtEncoded(SolidBitmap(40, 30, Red), "PNG"), Red},
        {"picture.gif", ToBytes(gif), Blue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        picture.UpdatePreview(Write(QString::fromLatin1(c.Name), c.Bytes));
        EXPECT_TRUE(picture.Preview().Ok);
        EXPECT_EQ(Label(), QStringLiteral(" (40x30)"));
        EXPECT_TRUE(ButtonOn());
        EXPECT_EQ(PanelCaption(), QString());
        ASSERT_FALSE(picture.PaintBox->Picture().isNull());
        const TColor shown = ShownAt(0.5, 0.5);
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(int((shown >> shift) & 0xFF), int((c.Colour >> shift) & 0xFF), 3);
    }
}

TEST_F(PictureDialogTest, IconFormatsStackInFileOrderOverTheBackground)
{
    TIconImageRec f16 = SolidFormat(16, 16, ctTrueAlpha, Red, 0);
    f16.Mask->SetPixel(0, 0, 0xFFFFFF); // one transparent pixel
    const QString path = Write(QStringLiteral("three.ico"),
                               IconBytes(std::move(f16), SolidFormat(32, 32, ctTrueColor, Blue, 0),
                                         SolidFormat(48, 48, ctColors16, 0, 0)));
    picture.UpdatePreview(path);
    EXPECT_EQ(Label(), QStringLiteral(" (48x96)"));
    EXPECT_TRUE(ButtonOn());
    const Bitmap24& b = picture.Preview().Picture;
    ASSERT_EQ(b.Width(), 48);
    ASSERT_EQ(b.Height(), 96);
    EXPECT_EQ(b.Pixel(0, 0), Green);   // transparent: the background
    EXPECT_EQ(b.Pixel(5, 5), Red);     // 16 x 16 at the top
    EXPECT_EQ(b.Pixel(20, 5), 0xFFFFFFu); // right of a narrower format: the white of a new bitmap
    EXPECT_EQ(b.Pixel(31, 16), Blue);  // 32 x 32 below it
    EXPECT_EQ(b.Pixel(47, 48), 0u);    // 48 x 48 (index 0: black) at the bottom
    EXPECT_EQ(b.Pixel(47, 95), 0u);
    dialog.resize(760, 420);
    SaveShot(&dialog, "picture_dialog_icon");

    // An icon that cannot be read previews as an empty picture of 0 x 0, the button on.
    picture.UpdatePreview(Write(QStringLiteral("damaged.ico"), QByteArray("\0\0\1\0\5\0garbage", 13)));
    EXPECT_EQ(Label(), QStringLiteral(" (0x0)"));
    EXPECT_TRUE(ButtonOn());
    EXPECT_TRUE(picture.PaintBox->Picture().isNull());
}

TEST_F(PictureDialogTest, SameFileTwiceIsNotReloaded)
{
    const QString path = Write(QStringLiteral("a.png"), QtEncoded(SolidBitmap(8, 8, Red), "PNG"));
    picture.UpdatePreview(path);
    picture.UpdatePreview(path);
    EXPECT_EQ(picture.LoadCount(), 1);
    const QString other = Write(QStringLiteral("b.png"), QtEncoded(SolidBitmap(9, 9, Red), "PNG"));
    picture.UpdatePreview(other);
    EXPECT_EQ(picture.LoadCount(), 2);
    EXPECT_EQ(Label(), QStringLiteral(" (9x9)"));
}

TEST_F(PictureDialogTest, BadFilesStayBoundedAndShowNothing)
{
    QByteArray png = QtEncoded(NoiseBitmap(64, 64, 3), "PNG");
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpeg(NoiseBitmap(64, 64, 4), 90, jpeg));
    const QString folder = dir.filePath(QStringLiteral("folder.png"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString fifo = dir.filePath(QStringLiteral("x.png"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);

    struct Case {
        QString Path;
        bool Shows; // false: "(None)"
    };
    const Case cases[] = {
        {Write(QStringLiteral("truncated.png"), png.left(png.size() / 2)), false},
        {Write(QStringLiteral("truncated.jpg"), ToBytes(jpeg).left(qsizetype(jpeg.size() / 2))), false},
        {folder, false},
        {fifo, false},
        {Write(QStringLiteral("huge.png"), HugePngHeader()), false},
        {Write(QStringLiteral("huge.jpg"), HugeJpegHeader()), false},
        {Write(QStringLiteral("huge.bmp"), HugeBmpHeader()), false},
        {Write(QStringLiteral("text.png"), QByteArray("just some words, not a picture\n")), false},
        {Write(QStringLiteral("empty.gif"), QByteArray()), false},
        {dir.filePath(QStringLiteral("missing.jpg")), false},
        {Write(QStringLiteral("notes.txt"), QByteArray("text")), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        picture.UpdatePreview(c.Path);
        ExpectNone();
    }
}

TEST_F(PictureDialogTest, TopDownBmpsPngTailsAndSparseIconsPreviewLikeHealthyOnes)
{
    for (const int bits : {24, 32}) {
        picture.UpdatePreview(Write(QStringLiteral("top%1.bmp").arg(bits), HostileFiles::TopDownBmp(300, 200, bits)));
        EXPECT_TRUE(picture.Preview().Ok) << bits;
        EXPECT_EQ(picture.Preview().Width, 300);
        EXPECT_EQ(picture.Preview().Height, 200);
    }
    picture.UpdatePreview(Write(QStringLiteral("tail.png"), HostileFiles::PngWithTail(300, 200, uint64_t(64) << 20)));
    EXPECT_TRUE(picture.Preview().Ok);
    EXPECT_EQ(picture.Preview().Width, 300);

    // A 250 MB icon of which only the first kilobytes hold anything: its two images show.
    const QByteArray png = HostileFiles::PngWithTail(64, 64, 0);
    const QString sparse = Write(QStringLiteral("sparse.ico"), HostileFiles::IconOfCopies(png, 2, 64, 64));
    ASSERT_TRUE(QFile(sparse).resize(qint64(250) << 20));
    picture.UpdatePreview(sparse);
    EXPECT_TRUE(picture.Preview().Ok);
    EXPECT_EQ(picture.Preview().Width, 64);
    EXPECT_EQ(picture.Preview().Height, 128);
}

TEST_F(PictureDialogTest, IconOf65535EntriesStaysWithinTheStackHeight)
{
    const QString path = Write(QStringLiteral("many.ico"), IconOf65535Entries());
    picture.UpdatePreview(path);
    EXPECT_TRUE(picture.Preview().Ok);
    EXPECT_EQ(picture.Preview().Width, 16);
    EXPECT_LE(picture.Preview().Height, MaxIconPreviewHeight);
    EXPECT_EQ(picture.Preview().Height % 16, 0);
}

TEST_F(PictureDialogTest, UnreadableFiles)
{
    // An icon that cannot be read previews as an empty picture with its size; a picture that
    // cannot be read shows nothing. (Root reads any file: then both simply show.)
    const QString ico = Write(QStringLiteral("locked.ico"), IconBytes(SolidFormat(16, 16, ctTrueAlpha, Red, 0)));
    const QString png = Write(QStringLiteral("locked.png"), QtEncoded(SolidBitmap(8, 8, Red), "PNG"));
    QFile::setPermissions(ico, QFileDevice::Permissions());
    QFile::setPermissions(png, QFileDevice::Permissions());
    QFile probe(ico);
    const bool readable = probe.open(QIODevice::ReadOnly);
    picture.UpdatePreview(ico);
    EXPECT_EQ(Label(), readable ? QStringLiteral(" (16x16)") : QStringLiteral(" (0x0)"));
    EXPECT_TRUE(ButtonOn());
    picture.UpdatePreview(png);
    if (readable)
        EXPECT_EQ(Label(), QStringLiteral(" (8x8)"));
    else
        ExpectNone();
}

TEST_F(PictureDialogTest, ArrowingThroughAFolderLoadsOnlyWhereTheSelectionRests)
{
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpeg(NoiseBitmap(600, 400, 5), 90, jpeg));
    for (int i = 0; i < 30; ++i) Write(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), ToBytes(jpeg));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(dir.path());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* list = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    ASSERT_TRUE(list);
    QTRY_VERIFY(list->model()->rowCount(list->rootIndex()) >= 30);
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0, list->rootIndex()));
    QTRY_COMPARE(Label(), QStringLiteral(" (600x400)"));
    const int before = picture.LoadCount();
    for (int i = 0; i < 20; ++i) QTest::keyClick(list, Qt::Key_Down);
    // Twenty steps in a burst: the preview waits for the selection to rest.
    EXPECT_LE(picture.LoadCount() - before, 2);
    QTRY_VERIFY(!picture.PreviewPending());
    EXPECT_EQ(QFileInfo(picture.SavedFileName).fileName(), list->currentIndex().data().toString());
    EXPECT_NE(QFileInfo(picture.SavedFileName).fileName(), QStringLiteral("p00.jpg"));
    EXPECT_EQ(Label(), QStringLiteral(" (600x400)"));
    dialog.hide();
}

TEST_F(PictureDialogTest, LargePreviewWindow)
{
    const QString path = Write(QStringLiteral("wide.png"), QtEncoded(SolidBitmap(120, 60, Red), "PNG"));
    picture.UpdatePreview(path);
    std::unique_ptr<QDialog> form(picture.MakePreviewForm(&dialog));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Preview"));
    EXPECT_EQ(form->objectName(), QStringLiteral("PreviewForm"));
    auto* image = form->findChild<TPreviewImage*>(QStringLiteral("Image"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Picture().size(), QSize(120, 60));
    EXPECT_EQ(form->size(), QSize(120 + 22, 60 + 22));

    // The button runs it modally; Escape closes it.
    bool seen = false;
    WhenModal([&](QWidget* modal) {
        seen = modal->windowTitle() == QStringLiteral("Preview");
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    picture.PreviewButton->click();
    EXPECT_TRUE(seen);
}

TEST_F(MainWindowTest, ProgramDialogsCarryThePreviewPane)
{
    // The open dialog of the main window goes through the service with the pane for the desktop.
    main->findChild<QAction*>(QStringLiteral("FileOpen1"))->trigger();
    ASSERT_EQ(dialogs.FileRequests.size(), 1);
    ASSERT_TRUE(bool(dialogs.FileRequests[0].Extend));
    QFileDialog desktop;
    desktop.setOption(QFileDialog::DontUseNativeDialog, true);
    dialogs.FileRequests[0].Extend(desktop);
    EXPECT_TRUE(desktop.findChild<QFrame*>(QStringLiteral("PicturePanel")));
    EXPECT_TRUE(desktop.findChild<QLabel*>(QStringLiteral("PictureLabel")));

    // The document's own save dialog too.
    Tfrm_childwin* doc = NewDocument(QString(), {SolidFormat(16, 16, ctTrueAlpha, Red, 0)});
    doc->Document().FileName.clear();
    doc->Save();
    ASSERT_EQ(dialogs.FileRequests.size(), 2);
    EXPECT_TRUE(bool(dialogs.FileRequests[1].Extend));
}

} // namespace
