#pragma once
// The clipped moves of the effects: drawing the whole new picture through a region, and
// keeping an effect's drawing inside the picture's rectangle.

#include "effect_context.h"

#include "platform/gdi/region.h"

namespace effects {

// Draws the whole picture at its place with the target clipped to `region` meanwhile.
// The clip is narrowed to the region rather than replaced: cut to the surface, a region
// that reaches past it costs the copy no more than one that lies inside.
inline void DrawThrough(EffectContext& c, const TRegion& region)
{
    const ClipScope clip(c.Target, region, platform::RGN_AND);
    c.FinalCopy();
}

// The same through `region` less `less`: for a step whose region covers pixels that an
// earlier step gave the picture already, or that must stay as they are.
inline void DrawThroughDifference(EffectContext& c, TRegion region, const TRegion& less)
{
    CombineRgn(region, region, less, platform::RGN_DIFF);
    DrawThrough(c, region);
}

// The target clipped to the picture's rectangle while the returned scope lasts.
inline ClipScope ClipToPicture(EffectContext& c)
{
    const TRegion picture(platform::CreateRectRgn(c.X, c.Y, c.X + c.W, c.Y + c.H));
    return ClipScope(c.Target, picture);
}

}  // namespace effects
