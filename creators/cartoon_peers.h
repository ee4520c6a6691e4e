#pragma once
// What photo to icon and the cartoon-options window ask of each other without knowing each
// other's classes. The options window fills the first group, photo to icon the last entry; an
// empty entry means that window is not there.
#include <functional>

#include "imaging/icon_image.h"
#include "platform/bitmap24.h"
#include "platform/rect.h"

// The options window's controls that photo to icon mirrors in its compact controls.
struct TCartoonControlState {
    bool DrawSketch = false;
    bool DrawColor = false;
    bool Remain = false;
    int DetailPosition = 0;
    int DarknessPosition = 0;
    int ThresholdPosition = 0;
    int ReducerPosition = 0;
    int DetailValue = 0;
    int DarknessValue = 0;
    int ThresholdValue = 0;
    int ReducerValue = 0;
    bool DetailEnabled = false;
    bool DarknessEnabled = false;
    bool ThresholdEnabled = false;
};

// The controls photo to icon writes; each write runs the control's own change handler.
enum class TCartoonControl { DrawSketch, DrawColor, Remain, Detail, Darkness, Threshold, Reducer };

struct TCartoonPeers {
    // ---- cartoon-options window ----
    // Hands over the output formats (shared, may be null), the master picture, the crop in
    // master pixels and the "Cartoon-like" state, then renders every format.
    std::function<void(TIconImageArray* formats, const Bitmap24* master, const Rect& cropDest, bool cartoonEnabled)>
        Render;
    // Shows the window modally over these formats.
    std::function<void(TIconImageArray* formats)> ShowModal;
    std::function<TCartoonControlState()> State;
    std::function<void(TCartoonControl control, int value)> Write;
    // ---- photo to icon ----
    // Renders the output formats again (after any change of a cartoon setting).
    std::function<void()> UpdateIconImages;
};
TCartoonPeers& CartoonPeers();
