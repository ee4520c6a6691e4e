#pragma once
// Moves a selected part of an image format to the system clipboard and back. Two things go on
// the clipboard together: the private format "CF_TAVRIN" (the selection's true colours and its
// transparency as two 24-bit BMP file images, the second starting at half the block) and a plain
// picture of the selection laid over the display background, for other programs, with a PNG of
// the selected pixels beside it whose alpha carries their transparency. Pasting prefers
// the private format and falls back to a plain picture, whose alpha becomes the mask.
#include <memory>

#include <QByteArray>
#include <QString>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "platform/rect.h"

class TQVClipboard {
public:
    TQVClipboard();

    // The picture of the last paste (24-bit) and its transparency (first byte 255 transparent,
    // 0 opaque); 1 x 1 until something is pasted. Paste hands these out; the next paste
    // overwrites them.
    std::unique_ptr<Bitmap24> Bitmap;
    std::unique_ptr<Bitmap24> Mask;

    // The MIME type that carries "CF_TAVRIN" (on Windows it is the registered format of that name).
    static QString PrivateMimeType();
    // The PNG of the plain picture, which carries the selection's transparency as alpha.
    static QString PlainPngMimeType();

    // Colour, MaskOut and Composite take the size of Rect (normalised and clipped to the format)
    // and receive, for every selected pixel (first byte of Selection 255), its true colour, its
    // mask value and its colour laid over the shared BackgroundColor; unselected pixels are white
    // in all three, so they are transparent in MaskOut.
    static void RenderSelection(const TIconImageRec& format, const Bitmap24& selection, Bitmap24& colour,
                                Bitmap24& maskOut, Bitmap24& composite, Rect rect);
    // Puts the selected pixels inside Rect on the clipboard in both forms. A rectangle that is
    // empty once clipped leaves the clipboard as it was.
    void CopySelection(const TIconImageRec& format, const Bitmap24& selection, Rect rect);
    // Takes a picture from the clipboard: colour and maskOut point at Bitmap and Mask, rect is
    // (0, 0, width, height). When the clipboard holds neither form: both null, rect empty.
    void Paste(Bitmap24*& colour, Bitmap24*& maskOut, Rect& rect);
    // True when the clipboard offers the private format or a plain picture.
    static bool HasPicture();

    // The private block: both images written back to back.
    static QByteArray BuildBlock(const Bitmap24& colour, const Bitmap24& mask);
    // Reads a private block; false unless it holds two complete 24-bit images of the same size,
    // 1..256 pixels each way, the second starting at half the block.
    static bool ParseBlock(const QByteArray& block, Bitmap24& colour, Bitmap24& mask);
};
