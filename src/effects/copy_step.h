#pragma once
// The most common drawing step: copy a few picture rectangles, then pause.

#include "effect_context.h"
#include "removal_list.h"


#include <initializer_list>
#include <span>
#include <vector>

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

// Copies the rectangles one a step in the order Random draws them; each drawn one is taken
// out in place, so the rest keep their order for the next draw. Returns at a stop.
inline void CopyInRandomOrder(EffectContext& c, std::vector<TRect> rects, Pause preview, Pause saver)
{
    RemovalList<TRect> list(std::move(rects));
    while (!list.empty()) {
        if (!c.Step())
            return;
        c.CopyPicRect(list.take(static_cast<size_t>(c.Random(static_cast<int>(list.size())))));
        c.PauseFor(preview, saver);
    }
}

}  // namespace effects
