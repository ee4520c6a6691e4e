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
    Bitmap24 ScaleBufferBitmap{256, 256};
    Bitmap24 ScratchBitmap1{800, 800};
    Bitmap24 ScratchBitmap2{800, 800};
    Bitmap24 TextScratchBitmap{800, 800};
    // Polled by the cartoon passes and SelectKth; cleared when a cartoon run starts.
    uint8_t CancelRequested = 0;

};

inline ImagingState& Imaging() { return ImagingState::Current(); }
