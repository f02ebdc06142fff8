// Effects 226 to 228: nested L-shaped bands around the centre, one level of four Ls at a
// time, the levels drawn in two interleaved passes.

#include "families.h"

#include "platform/gdi/dc.h"

#include <algorithm>
#include <cmath>

namespace effects {

namespace {

struct Bands {
    EffectContext& c;
    int cx, cy, t;

    // Level d: two arms per quarter, meeting in a corner square d·t diagonally from the centre.
    bool draw(int d)
    {
        using namespace platform;
        if (!c.Step())
            return false;
        const int X = c.X, Y = c.Y, W = c.W, H = c.H;
        const int in = t * d, out = t * (d + 1);
        const TRect arms[8] = {
            Rect(X, Y + cy - out, X + cx - in, Y + cy - in),         Rect(X + cx - out, Y, X + cx - in, Y + cy - in),
            Rect(X + cx + in, Y, X + cx + out, Y + cy - in),         Rect(X + cx + in, Y + cy - out, X + W, Y + cy - in),
            Rect(X, Y + cy + in, X + cx - in, Y + cy + out),         Rect(X + cx - out, Y + cy + in, X + cx - in, Y + H),
            Rect(X + cx + in, Y + cy + in, X + cx + out, Y + H),     Rect(X + cx + in, Y + cy + in, X + W, Y + cy + out),
        };
        c.Hold(CreateRectRgnIndirect(arms[0]));
        for (int k = 1; k < 8; ++k) {
            const UniqueRgn arm(CreateRectRgnIndirect(arms[k]));
            CombineRgn(c.Region(), c.Region(), arm, RGN_OR);
        }
        c.ClipTarget(c.Region());
        c.Target.Draw(X, Y, c.Picture);
        c.UnclipTarget();
        c.ReleaseRegion();
        c.PauseFor(pump(5), spin(8000));
        return true;
    }
};

}  // namespace

void NestedBands(EffectContext& c, int number)
{
    const int cx = static_cast<int>(std::nearbyint(c.W / 2.0)) + 1;  // halves to even
    const int cy = static_cast<int>(std::nearbyint(c.H / 2.0)) + 1;
    Bands bands{c, cx, cy, c.PreviewMode ? 2 : 4};
    const int n = std::max(cx, cy) / bands.t;
    // Outward: the even levels from the centre.
    auto outward = [&] {
        for (int y = 0; y < n; y += 2)
            if (!bands.draw(y))
                return false;
        return true;
    };
    // Inward: level y - 1 for y = n, n - 2, ...; the odd levels only when n is even.
    auto inward = [&] {
        for (int y = n; y > 0; y -= 2)
            if (!bands.draw(y - 1))
                return false;
        return true;
    };
    if (number == 226) {
        // Each pass draws its first level before it looks at n.
        for (int first : {0, 1}) {
            int d = first;
            do {
                if (!bands.draw(d))
                    return;
                d += 2;
            } while (d < n);
        }
    } else if (number == 227) {
        if (outward())
            inward();
    } else {
        if (inward())
            outward();
    }
}

}  // namespace effects
