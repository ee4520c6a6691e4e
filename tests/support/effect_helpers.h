#pragma once
// What an effect dialog should leave in a format, computed apart from any dialog.
#include <functional>

#include "imaging/effect_dialog_ops.h"
#include "imaging/icon_image.h"

// The effect `op` run on a copy of the original, from a backup and work copy made as a dialog
// makes them.
inline TIconImageRec EffectResult(const TIconImageRec& original,
                                  const std::function<void(const TEffectSources&, TIconImageRec&)>& op)
{
    TIconImageRec backup = original.Clone(), work;
    if (IsPaletteColorType(original.ColorType)) MakeTrueColorWorkCopy(original, work);
    TIconImageRec out = original.Clone();
    op(TEffectSources{backup, work}, out);
    return out;
}
