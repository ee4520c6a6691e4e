#pragma once
// Decorative frames that photo-to-icon lays over its output formats. A frame is a bitmap file in
// the folder "frames" next to the executable: its red channel is how much of the frame colour
// covers a pixel, its blue channel the mask the icon takes there (0 opaque, 255 transparent).
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"

// The frame files of a folder and their decoded pictures.
class TFrameLibrary {
public:
    static constexpr int MaxFrames = 21;
    // Larger frames are skipped like unreadable files: a frame is stretched to at most 256 x 256.
    static constexpr int MaxSide = 4096;

    // Lists the folder again: regular files named "*.bmp" (any case), sorted by name, those that
    // cannot be read or are too large left out, at most 21. Decoded frames are kept by path and
    // modification time, so a rescan decodes only new or changed files.
    void Scan(const QString& folder);
    int Count() const { return int(paths_.size()); }
    const QStringList& Paths() const { return paths_; }
    // The decoded frame at index, or null past the end.
    const Bitmap24* Frame(int index) const;

    // Reads one frame file as a 24-bit picture; false when it is no readable bitmap or too large.
    static bool LoadFrameFile(const QString& path, Bitmap24& out);

private:
    struct Entry {
        QDateTime Modified;
        qint64 Size = 0;
        bool Readable = false;
        Bitmap24 Picture;
    };
    QHash<QString, Entry> cache_;
    QStringList paths_;
};

// Paints a frame in frameColor into a format, in place: each pixel mixes the frame colour over the
// format's colour (white where the format is fully transparent) by the stretched frame's red, and
// the mask takes its blue. Palette formats are mixed in their colours and mapped back onto a
// palette computed for the result (written into the format); the masks of types 1 to 4 keep only
// 0 and 255. scratch is the caller's work bitmap (it is resized as needed).
void ApplyPhotoFrame(const Bitmap24& frame, TColor frameColor, TIconImageRec& format, Bitmap24& scratch);
