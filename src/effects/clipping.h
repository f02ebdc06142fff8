#pragma once
// The clipped moves of the effects: drawing the whole new picture through a region, and
// keeping an effect's drawing inside the picture's rectangle.

#include "effect_context.h"

#include "platform/gdi/region.h"

namespace effects {

// Clips the target to `region`, draws the whole picture at its place, removes the clip
// and deletes the region (held meanwhile so that every way out frees it).
inline void DrawThrough(EffectContext& c, HRGN region)
{
    c.Hold(region);
    c.ClipTarget(region);
    c.FinalCopy();
    c.UnclipTarget();
    c.ReleaseRegion();
}

// The same through `region` less `less`, deleting both: for a step whose region covers
// pixels that an earlier step gave the picture already, or that must stay as they are.
inline void DrawThroughDifference(EffectContext& c, HRGN region, HRGN less)
{
    c.Hold(region);
    CombineRgn(region, region, less, platform::RGN_DIFF);
    DeleteObject(less);
    DrawThrough(c, region);
}

// Clips the target to the picture's rectangle until EndClip (or the effect's end).
inline void ClipToPicture(EffectContext& c)
{
    c.Hold(platform::CreateRectRgn(c.X, c.Y, c.X + c.W, c.Y + c.H));
    c.ClipTarget(c.Region());
}

inline void EndClip(EffectContext& c)
{
    c.UnclipTarget();
    c.ReleaseRegion();
}

}  // namespace effects
