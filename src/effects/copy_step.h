#pragma once
// The most common drawing step: copy a few picture rectangles, then pause.

#include "effect_context.h"

#include <initializer_list>
#include <span>

namespace effects {

// False when the effect must stop (nothing drawn then).
inline bool CopyStep(EffectContext& c, std::span<const TRect> rects, Pause preview, Pause saver)
{
    if (!c.Step())
        return false;
    for (const TRect& r : rects)
        c.CopyPicRect(r);
    c.PauseFor(preview, saver);
    return true;
}

inline bool CopyStep(EffectContext& c, std::initializer_list<TRect> rects, Pause preview, Pause saver)
{
    return CopyStep(c, std::span(rects.begin(), rects.size()), preview, saver);
}

}  // namespace effects
