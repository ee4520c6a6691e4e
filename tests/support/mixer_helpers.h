#pragma once
// Layer settings carried from one icon mixer to another, for the tests that compare a mixer that
// has mixed before with one that never has.
#include "model/icon_mixer.h"

inline void CopyMixerSettings(const TMixerItem& from, TMixerItem& to)
{
    to.OffsetX = from.OffsetX;
    to.OffsetY = from.OffsetY;
    to.FlipVertical = from.FlipVertical;
    to.FlipHorizontal = from.FlipHorizontal;
    to.Angle = from.Angle;
    to.Zoom = from.Zoom;
    to.Opacity = from.Opacity;
}
