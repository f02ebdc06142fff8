// Effect 225: a cross from the centre whose arms widen a pixel a side per step; with a
// wide picture the horizontal arm keeps growing after the vertical one spans it.

#include "families.h"

#include "platform/gdi/dc.h"

#include <algorithm>
#include <cmath>

namespace effects {

void WideningCross(EffectContext& c, int)
{
    using namespace platform;
    const int X = c.X, Y = c.Y, W = c.W, H = c.H;
    const int cx = static_cast<int>(std::nearbyint(W / 2.0)) + 1;  // halves to even
    const int cy = static_cast<int>(std::nearbyint(H / 2.0)) + 1;
    const int n = std::max(cx, cy);
    for (int y = 0; y <= n; ++y) {
        if (!c.Step())
            return;
        c.Hold(CreateRectRgn(X + cx - y, Y, X + cx + y, Y + H));
        const UniqueRgn across(CreateRectRgn(X, Y + cy - y, X + W, Y + cy + y));
        CombineRgn(c.Region(), c.Region(), across, RGN_OR);
        c.ClipTarget(c.Region());
        c.Target.Draw(X, Y, c.Picture);
        c.UnclipTarget();
        c.ReleaseRegion();
        c.PauseFor(pump(5), spin(800));
    }
}

}  // namespace effects
