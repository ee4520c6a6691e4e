#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "iconfiles/qv_clipboard.h"
#include "imaging/imaging_state.h"
#include "support/bitmap_checks.h"
#include "support/format_helpers.h"

namespace {

// A selection bitmap of the format's size with the given rectangle selected.
Bitmap24 SelectionOf(int w, int h, const Rect& selected)
{
    Bitmap24 s = FilledBitmap(w, h, 0);
    FillBitmapRect(s, MakeColor(0, 255, 255), selected);
    return s;
}

struct Pasted {
    Bitmap24* colour = nullptr;
    Bitmap24* mask = nullptr;
    Rect rect = MakeRect(1, 1, 1, 1);
};

Pasted PasteFrom(TQVClipboard& clip)
{
    Pasted p;
    clip.Paste(p.colour, p.mask, p.rect);
    return p;
}

} // namespace

TEST(Clipboard, CopyAndPastePaletteSelectionGivesTrueColours)
{
    ImagingState state;
    TIconImageRec f = PatternFormat(8, 8, ctColors16);
    f.Mask->SetPixel(3, 2, 0xFFFFFF);
    TQVClipboard clip;
    // Reaches beyond the format: clipped to it first.
    clip.CopySelection(f, SelectionOf(8, 8, MakeRect(2, 2, 5, 4)), MakeRect(6, 5, 1, 1));
    ASSERT_TRUE(TQVClipboard::HasPicture());
    const Pasted p = PasteFrom(clip);
    ASSERT_TRUE(p.colour && p.mask);
    EXPECT_EQ(p.colour, clip.Bitmap.get());
    EXPECT_EQ(p.rect, MakeRect(0, 0, 5, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const int fx = x + 1, fy = y + 1;
            if (fx >= 2 && fx < 5 && fy >= 2 && fy < 4) { // selected
                EXPECT_EQ(p.colour->Pixel(x, y), ShownColor(f, fx, fy));
                EXPECT_EQ(p.mask->Pixel(x, y), f.Mask->Pixel(fx, fy));
            } else {
                EXPECT_EQ(p.mask->Pixel(x, y), 0xFFFFFFu);
            }
        }
    EXPECT_EQ(p.mask->Pixel(2, 1), 0xFFFFFFu); // (3, 2) was transparent in the format

    // The plain picture beside it is the composite over the background.
    const QImage plain = QGuiApplication::clipboard()->image();
    ASSERT_EQ(plain.size(), QSize(5, 4));
    const TColor c = f.Mask->Byte0(2, 2) ? 0xFFFFFF : ShownColor(f, 2, 2);
    EXPECT_EQ(plain.pixel(1, 1), qRgb(ColorR(c), ColorG(c), ColorB(c)));
}

TEST(Clipboard, PlainPictureUsesTheRoundingRuleAndTheBackground)
{
    ImagingState state;
    TIconImageRec f = SolidFormat(3, 1, ctTrueAlpha, MakeColor(255, 0, 0), 0);
    f.Mask->SetPixel(1, 0, GreyColor(128));
    f.Mask->SetPixel(2, 0, 0xFFFFFF);
    Bitmap24 colour, mask, composite;
    const Bitmap24 all = SelectionOf(3, 1, MakeRect(0, 0, 3, 1));
    TQVClipboard::RenderSelection(f, all, colour, mask, composite, MakeRect(0, 0, 3, 1));
    // Opaque stays exactly.
    EXPECT_TRUE(PixelsAre(composite, {{0, 0, MakeColor(255, 0, 0)}, {1, 0, MakeColor(255, 128, 128)}, {2, 0, 0xFFFFFF}}));
    state.BackgroundColor = 0;
    TQVClipboard::RenderSelection(f, all, colour, mask, composite, MakeRect(0, 0, 3, 1));
    EXPECT_TRUE(PixelsAre(composite, {{1, 0, MakeColor(127, 0, 0)}, {2, 0, 0}}));
}

TEST(Clipboard, EmptyRectangleLeavesTheClipboardAlone)
{
    ImagingState state;
    auto* other = new QMimeData;
    other->setText(QStringLiteral("keep me"));
    QGuiApplication::clipboard()->setMimeData(other);
    TQVClipboard clip;
    const TIconImageRec f = PatternFormat(4, 4, ctTrueColor);
    clip.CopySelection(f, SelectionOf(4, 4, MakeRect(0, 0, 4, 4)), MakeRect(2, 2, 2, 9));
    clip.CopySelection(f, SelectionOf(4, 4, MakeRect(0, 0, 4, 4)), MakeRect(5, 5, 9, 9));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("keep me"));
    EXPECT_FALSE(TQVClipboard::HasPicture());
    const Pasted p = PasteFrom(clip);
    EXPECT_EQ(p.colour, nullptr);
    EXPECT_EQ(p.mask, nullptr);
    EXPECT_EQ(p.rect, Rect{});
}

TEST(Clipboard, PlainPicturesFromOtherProgramsPasteWithTheirAlpha)
{
    TQVClipboard clip;
    QImage opaque(300, 2, QImage::Format_RGB32); // larger than any format: kept at its size
    opaque.fill(qRgb(1, 2, 3));
    QGuiApplication::clipboard()->setImage(opaque);
    Pasted p = PasteFrom(clip);
    ASSERT_TRUE(p.colour && p.mask);
    EXPECT_EQ(p.rect, MakeRect(0, 0, 300, 2));
    EXPECT_EQ(p.colour->Pixel(299, 1), MakeColor(1, 2, 3));
    EXPECT_EQ(p.mask->Pixel(299, 1), 0u);

    QImage soft(2, 1, QImage::Format_ARGB32);
    soft.setPixel(0, 0, qRgba(9, 8, 7, 255));
    soft.setPixel(1, 0, qRgba(9, 8, 7, 55));
    QGuiApplication::clipboard()->setImage(soft);
    p = PasteFrom(clip);
    ASSERT_TRUE(p.mask);
    EXPECT_TRUE(PixelsAre(*p.mask, {{0, 0, 0}, {1, 0, GreyColor(200)}}));
}

TEST(Clipboard, DamagedPrivateBlockFallsBackToThePlainPicture)
{
    Bitmap24 a(3, 2), b(3, 2), c(2, 2), outC, outM;
    const QByteArray good = TQVClipboard::BuildBlock(a, b);
    ASSERT_TRUE(TQVClipboard::ParseBlock(good, outC, outM));
    EXPECT_EQ(outC.Width(), 3);
    QImage plain(4, 4, QImage::Format_RGB32);
    plain.fill(qRgb(7, 7, 7));
    const std::vector<std::pair<const char*, QByteArray>> bad = {
        {"empty", QByteArray()},
        {"cut short", good.left(good.size() - 1)},
        {"sizes differ", TQVClipboard::BuildBlock(a, c)},
        {"junk", QByteArray(200, 'B')},
        {"extra byte moves the half", good + QByteArray(3, '\0')},
        {"no plain picture either", QByteArray("BM")},
    };
    for (const auto& [name, block] : bad) {
        SCOPED_TRACE(name);
        const bool withPlain = block != QByteArray("BM");
        EXPECT_FALSE(TQVClipboard::ParseBlock(block, outC, outM));
        auto* data = new QMimeData;
        data->setData(TQVClipboard::PrivateMimeType(), block);
        if (withPlain) data->setImageData(plain);
        QGuiApplication::clipboard()->setMimeData(data);
        TQVClipboard clip;
        const Pasted p = PasteFrom(clip);
        if (!withPlain) {
            EXPECT_EQ(p.colour, nullptr); // nothing to fall back to: nothing pasted
            continue;
        }
        ASSERT_TRUE(p.colour);
        EXPECT_EQ(p.rect, MakeRect(0, 0, 4, 4));
        EXPECT_EQ(p.colour->Pixel(0, 0), GreyColor(7));
    }
}
