#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "core/format_helpers.h"
#include "iconfiles/qv_clipboard.h"
#include "imaging/imaging_state.h"

namespace {

// A selection bitmap of the format's size with the given rectangle selected.
Bitmap24 SelectionOf(int w, int h, const Rect& selected)
{
    Bitmap24 s(w, h);
    s.Fill(0);
    for (int y = selected.Top; y < selected.Bottom; ++y)
        for (int x = selected.Left; x < selected.Right; ++x) s.SetPixel(x, y, MakeColor(0, 255, 255));
    return s;
}

void PutMime(QMimeData* data) { QGuiApplication::clipboard()->setMimeData(data); }

} // namespace

TEST(Clipboard, CopyAndPastePaletteSelectionGivesTrueColours)
{
    ImagingState state;
    TIconImageRec f = PatternFormat(8, 8, ctColors16);
    f.Mask->SetPixel(3, 2, MakeColor(255, 255, 255));
    const Bitmap24 selection = SelectionOf(8, 8, MakeRect(2, 2, 5, 4));
    TQVClipboard clip;
    // Reaches beyond the format: clipped to it first.
    clip.CopySelection(f, selection, MakeRect(6, 5, 1, 1));
    ASSERT_TRUE(TQVClipboard::HasPicture());

    Bitmap24* colour = nullptr;
    Bitmap24* mask = nullptr;
    Rect rect;
    clip.Paste(colour, mask, rect);
    ASSERT_TRUE(colour && mask);
    EXPECT_EQ(colour, clip.Bitmap.get());
    EXPECT_EQ(rect, MakeRect(0, 0, 5, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const int fx = x + 1;
            const int fy = y + 1;
            const bool selected = fx >= 2 && fx < 5 && fy >= 2 && fy < 4;
            if (selected) {
                EXPECT_EQ(colour->Pixel(x, y), ShownColor(f, fx, fy));
                EXPECT_EQ(mask->Pixel(x, y), f.Mask->Pixel(fx, fy));
            } else {
                EXPECT_EQ(mask->Pixel(x, y), 0xFFFFFFu);
            }
        }
    EXPECT_EQ(mask->Pixel(2, 1), 0xFFFFFFu); // (3, 2) was transparent in the format

    // The plain picture beside it is the composite over the background.
    const QImage plain = QGuiApplication::clipboard()->image();
    ASSERT_EQ(plain.size(), QSize(5, 4));
    const TColor c = ShownColor(f, 2, 2);
    const int m = f.Mask->Byte0(2, 2);
    EXPECT_EQ(plain.pixel(1, 1), qRgb(m ? 255 : ColorR(c), m ? 255 : ColorG(c), m ? 255 : ColorB(c)));
}

TEST(Clipboard, PlainPictureUsesTheRoundingRuleAndTheBackground)
{
    ImagingState state;
    TIconImageRec f;
    InitIconImage(f, 3, 1, ctTrueAlpha, -1);
    f.Bitmap->Fill(MakeColor(255, 0, 0));
    f.Mask->Fill(0);
    f.Mask->SetPixel(1, 0, MakeColor(128, 128, 128));
    f.Mask->SetPixel(2, 0, 0xFFFFFF);
    Bitmap24 colour, mask, composite;
    TQVClipboard::RenderSelection(f, SelectionOf(3, 1, MakeRect(0, 0, 3, 1)), colour, mask, composite,
                                  MakeRect(0, 0, 3, 1));
    EXPECT_EQ(composite.Pixel(0, 0), MakeColor(255, 0, 0));   // opaque stays exactly
    EXPECT_EQ(composite.Pixel(1, 0), MakeColor(255, 128, 128));
    EXPECT_EQ(composite.Pixel(2, 0), 0xFFFFFFu);
    state.BackgroundColor = 0;
    TQVClipboard::RenderSelection(f, SelectionOf(3, 1, MakeRect(0, 0, 3, 1)), colour, mask, composite,
                                  MakeRect(0, 0, 3, 1));
    EXPECT_EQ(composite.Pixel(2, 0), 0u);
    EXPECT_EQ(composite.Pixel(1, 0), MakeColor(127, 0, 0));
}

TEST(Clipboard, EmptyRectangleLeavesTheClipboardAlone)
{
    ImagingState state;
    auto* other = new QMimeData;
    other->setText(QStringLiteral("keep me"));
    PutMime(other);
    TQVClipboard clip;
    const TIconImageRec f = PatternFormat(4, 4, ctTrueColor);
    clip.CopySelection(f, SelectionOf(4, 4, MakeRect(0, 0, 4, 4)), MakeRect(2, 2, 2, 9));
    clip.CopySelection(f, SelectionOf(4, 4, MakeRect(0, 0, 4, 4)), MakeRect(5, 5, 9, 9));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("keep me"));
    EXPECT_FALSE(TQVClipboard::HasPicture());
    Bitmap24* colour = nullptr;
    Bitmap24* mask = nullptr;
    Rect rect = MakeRect(1, 1, 1, 1);
    clip.Paste(colour, mask, rect);
    EXPECT_EQ(colour, nullptr);
    EXPECT_EQ(mask, nullptr);
    EXPECT_EQ(rect, Rect{});
}

TEST(Clipboard, PlainPicturesFromOtherProgramsPasteWithTheirAlpha)
{
    TQVClipboard clip;
    QImage opaque(300, 2, QImage::Format_RGB32); // larger than any format: kept at its size
    opaque.fill(qRgb(1, 2, 3));
    QGuiApplication::clipboard()->setImage(opaque);
    Bitmap24* colour = nullptr;
    Bitmap24* mask = nullptr;
    Rect rect;
    clip.Paste(colour, mask, rect);
    ASSERT_TRUE(colour && mask);
    EXPECT_EQ(rect, MakeRect(0, 0, 300, 2));
    EXPECT_EQ(colour->Pixel(299, 1), MakeColor(1, 2, 3));
    EXPECT_EQ(mask->Pixel(299, 1), 0u);

    QImage soft(2, 1, QImage::Format_ARGB32);
    soft.setPixel(0, 0, qRgba(9, 8, 7, 255));
    soft.setPixel(1, 0, qRgba(9, 8, 7, 55));
    QGuiApplication::clipboard()->setImage(soft);
    clip.Paste(colour, mask, rect);
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->Pixel(0, 0), 0u);
    EXPECT_EQ(mask->Pixel(1, 0), MakeColor(200, 200, 200));
}

TEST(Clipboard, DamagedPrivateBlockFallsBackToThePlainPicture)
{
    Bitmap24 a(3, 2), b(3, 2), c(2, 2);
    const QByteArray good = TQVClipboard::BuildBlock(a, b);
    Bitmap24 outC, outM;
    ASSERT_TRUE(TQVClipboard::ParseBlock(good, outC, outM));
    EXPECT_EQ(outC.Width(), 3);

    const std::vector<std::pair<const char*, QByteArray>> bad = {
        {"empty", QByteArray()},
        {"cut short", good.left(good.size() - 1)},
        {"sizes differ", TQVClipboard::BuildBlock(a, c)},
        {"junk", QByteArray(200, 'B')},
        {"extra byte moves the half", good + QByteArray(3, '\0')},
    };
    for (const auto& [name, block] : bad) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(TQVClipboard::ParseBlock(block, outC, outM));
        auto* data = new QMimeData;
        data->setData(TQVClipboard::PrivateMimeType(), block);
        QImage plain(4, 4, QImage::Format_RGB32);
        plain.fill(qRgb(7, 7, 7));
        data->setImageData(plain);
        PutMime(data);
        TQVClipboard clip;
        Bitmap24* colour = nullptr;
        Bitmap24* mask = nullptr;
        Rect rect;
        clip.Paste(colour, mask, rect);
        ASSERT_TRUE(colour);
        EXPECT_EQ(rect, MakeRect(0, 0, 4, 4));
        EXPECT_EQ(colour->Pixel(0, 0), MakeColor(7, 7, 7));
    }
    // A damaged block with no plain picture gives nothing.
    auto* data = new QMimeData;
    data->setData(TQVClipboard::PrivateMimeType(), QByteArray("BM"));
    PutMime(data);
    TQVClipboard clip;
    Bitmap24* colour = nullptr;
    Bitmap24* mask = nullptr;
    Rect rect;
    clip.Paste(colour, mask, rect);
    EXPECT_EQ(colour, nullptr);
}
