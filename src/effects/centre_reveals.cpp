// Effects 225 to 228: the picture drawn through regions that grow from the centre: a
// cross whose arms widen a pixel a side per step (225), and nested L-shaped bands, one
// level of four Ls at a time, in two interleaved passes (226 to 228).

#include "clipping.h"
#include "families.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace effects {

namespace {

using namespace platform;

int centre(int length)
{
    return static_cast<int>(std::nearbyint(length / 2.0)) + 1;  // halves to even
}

TRegion unionOf(std::initializer_list<TRect> rects)
{
    TRegion region;
    for (const TRect& r : rects)
        CombineRgn(region, region, CreateRectRgnIndirect(r), RGN_OR);
    return region;
}

// One step: the whole picture through the union of the rectangles, then the pause.
bool drawThrough(EffectContext& c, std::initializer_list<TRect> rects, Pause preview, Pause saver)
{
    if (!c.Step())
        return false;
    DrawThrough(c, unionOf(rects));
    c.PauseFor(preview, saver);
    return true;
}

// With a wide picture the horizontal arm keeps growing after the vertical one spans it.
// Each step draws only where the cross outgrew the one before.
void cross(EffectContext& c)
{
    const int X = c.X, Y = c.Y, W = c.W, H = c.H;
    const int cx = centre(W), cy = centre(H);
    const int n = std::max(cx, cy);
    auto crossOf = [&](int y) {
        return unionOf({Rect(X + cx - y, Y, X + cx + y, Y + H), Rect(X, Y + cy - y, X + W, Y + cy + y)});
    };
    for (int y = 0; y <= n; ++y) {
        if (!c.Step())
            return;
        DrawThroughDifference(c, crossOf(y), crossOf(std::max(y - 1, 0)));
        c.PauseFor(pump(5), spin(800));
    }
}

struct Bands {
    EffectContext& c;
    int cx, cy, t;

    // Level d: two arms per quarter, meeting in a corner square d·t diagonally from the centre.
    bool draw(int d) const
    {
        const int X = c.X, Y = c.Y, W = c.W, H = c.H;
        const int in = t * d, out = t * (d + 1);
        return drawThrough(c,
                           {
                               Rect(X, Y + cy - out, X + cx - in, Y + cy - in),
                               Rect(X + cx - out, Y, X + cx - in, Y + cy - in),
                               Rect(X + cx + in, Y, X + cx + out, Y + cy - in),
                               Rect(X + cx + in, Y + cy - out, X + W, Y + cy - in),
                               Rect(X, Y + cy + in, X + cx - in, Y + cy + out),
                               Rect(X + cx - out, Y + cy + in, X + cx - in, Y + H),
                               Rect(X + cx + in, Y + cy + in, X + cx + out, Y + H),
                               Rect(X + cx + in, Y + cy + in, X + W, Y + cy + out),
                           },
                           pump(5), spin(8000));
    }
};

void bands(EffectContext& c, int number)
{
    const Bands level{c, centre(c.W), centre(c.H), c.PreviewMode ? 2 : 4};
    const int n = std::max(level.cx, level.cy) / level.t;
    // Outward: the even levels from the centre.
    auto outward = [&] {
        for (int y = 0; y < n; y += 2)
            if (!level.draw(y))
                return false;
        return true;
    };
    // Inward: level y - 1 for y = n, n - 2, ...; the odd levels only when n is even.
    auto inward = [&] {
        for (int y = n; y > 0; y -= 2)
            if (!level.draw(y - 1))
                return false;
        return true;
    };
    if (number == 226) {
        // Each pass draws its first level before it looks at n.
        for (int first : {0, 1}) {
            int d = first;
            do {
                if (!level.draw(d))
                    return;
                d += 2;
            } while (d < n);
        }
    } else if (number == 227) {
        if (outward())
            inward();
    } else if (inward()) {
        outward();
    }
}

}  // namespace

void CentreReveals(EffectContext& c, int number)
{
    if (number == 225)
        cross(c);
    else
        bands(c, number);
}

}  // namespace effects
