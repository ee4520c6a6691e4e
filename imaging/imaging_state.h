#pragma once
// The display state shared by the pixel routines: the background colour behind transparent
// pixels, the working bitmaps and the cancel flag of the long passes. The main window makes one
// at start-up and keeps it for the whole run; a test makes its own. The most recently made state
// that is still alive is the current one.
#include <cstdint>

#include "platform/bitmap24.h"
#include "platform/color.h"

class ImagingState {
public:
    ImagingState();
    ~ImagingState();
    ImagingState(const ImagingState&) = delete;
    ImagingState& operator=(const ImagingState&) = delete;

    // The state in use. When nobody made one, a process-wide default (made on first use) serves.
    static ImagingState& Current();

    TColor BackgroundColor = 0xFFFFFF;
    // The working bitmaps come into being (white, at their standard size) on first use: most runs
    // touch few of them, and making all four at start-up cost megabytes written before the first
    // window showed. After that they keep whatever size their users grew them to.
    Bitmap24& ScaleBufferBitmap() { return Made(scaleBuffer_, 256); }
    Bitmap24& ScratchBitmap1() { return Made(scratch1_, 800); }
    Bitmap24& ScratchBitmap2() { return Made(scratch2_, 800); }
    Bitmap24& TextScratchBitmap() { return Made(textScratch_, 800); }
    // Polled by the cartoon passes and SelectKth; cleared when a cartoon run starts.
    uint8_t CancelRequested = 0;

private:
    struct LazyBitmap {
        Bitmap24 bitmap;
        bool made = false;
    };
    static Bitmap24& Made(LazyBitmap& lazy, int side)
    {
        if (!lazy.made) {
            lazy.bitmap.SetSize(side, side);
            lazy.made = true;
        }
        return lazy.bitmap;
    }
    LazyBitmap scaleBuffer_;
    LazyBitmap scratch1_;
    LazyBitmap scratch2_;
    LazyBitmap textScratch_;
};

inline ImagingState& Imaging() { return ImagingState::Current(); }
