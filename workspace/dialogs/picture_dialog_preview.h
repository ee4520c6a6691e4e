#pragma once
// What the picture dialogs show beside their file list: one file turned into a small picture and
// its size, without widgets, so the rules are tested on their own. A file dialog calls this for
// every selection the user makes, often while arrowing through a folder of photos, so every path
// here is bounded: only regular files are read, photos are decoded already scaled down, icons go
// through the bounded icon reader, and a picture too large to hold is treated as unreadable.
#include <cstdint>

#include <QString>

#include "platform/bitmap24.h"
#include "platform/color.h"

// Largest picture (in pixels) a preview decodes. A 24-megapixel photo fits with room; a
// 10,000 x 10,000 picture does not and shows as unreadable.
constexpr int64_t MaxPreviewPicturePixels = int64_t(64) << 20;
// Pictures read whole (BMP, GIF, PNG) are held at full size on the way, so their cap is lower.
constexpr int64_t MaxPreviewWholePixels = int64_t(16) << 20;
// Files larger than this are not read at all.
constexpr int64_t MaxPreviewFileBytes = int64_t(256) << 20;
// The stacked icon preview stops adding formats past this height.
constexpr int MaxIconPreviewHeight = 4096;

struct TPicturePreview {
    // False: nothing to show ("(None)").
    bool Ok = false;
    // The picture's own size, for the size text. For an icon, the stacked picture's size.
    int Width = 0;
    int Height = 0;
    // What is drawn: the picture itself, or a version scaled down that still covers the box asked
    // for. May be empty while Ok (an icon file none of whose formats could be read).
    Bitmap24 Picture;
};

// Loads the preview of FileName by its extension (".jpg", ".jpeg", ".bmp", ".png", ".gif", ".ico",
// any case). BoxWidth x BoxHeight is the area the picture will be shown in; photos are decoded no
// smaller than that. Icons are drawn stacked, each at its own size over Background.
TPicturePreview LoadPicturePreview(const QString& fileName, int boxWidth, int boxHeight, TColor background);

// True when the name is a regular file (links followed) of at least one byte: the only kind of
// file the preview opens, so a FIFO or a device named like a picture never blocks the dialog.
bool IsPreviewableFile(const QString& fileName);
