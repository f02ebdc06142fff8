// Effects 225 to 228: the picture drawn through regions that grow from the centre: a
// cross whose arms widen a pixel a side per step (225), and nested L-shaped bands, one
// level of four Ls at a time, in two interleaved passes (226 to 228).

#include "clipping.h"
#include "copy_step.h"
#include "families.h"

#include <algorithm>
#include <cmath>

namespace effects {

namespace {

using namespace platform;

int centre(int length)
{
    return static_cast<int>(std::nearbyint(length / 2.0)) + 1;  // halves to even
}

TRegion unionOf(const Rects& rects)
{
    TRegion region;
    for (const TRect& r : rects)
        CombineRgn(region, region, CreateRectRgnIndirect(r), RGN_OR);
    return region;
}

// One step: the whole picture through the union of the rectangles, then the pause.
Task<bool> drawThrough(EffectContext& c, Rects rects, Pause preview, Pause saver)
{
    if (const bool go = co_await c.Step(); !go)
        co_return false;
    DrawThrough(c, unionOf(rects));
    co_await c.PauseFor(preview, saver);
    co_return true;
}

// With a wide picture the horizontal arm keeps growing after the vertical one spans it.
// Each step draws only where the cross outgrew the one before.
Effect cross(EffectContext& c)
{
    const int X = c.X, Y = c.Y, W = c.W, H = c.H;
    const int cx = centre(W), cy = centre(H);
    const int n = std::max(cx, cy);
    auto crossOf = [&](int y) {
        return unionOf({Rect(X + cx - y, Y, X + cx + y, Y + H), Rect(X, Y + cy - y, X + W, Y + cy + y)});
    };
    for (int y = 0; y <= n; ++y) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        DrawThroughDifference(c, crossOf(y), crossOf(std::max(y - 1, 0)));
        co_await c.PauseFor(pump(5), spin(800));
    }
}

struct Bands {
    EffectContext& c;
    int cx, cy, t;

    // Level d: two arms per quarter, meeting in a corner square d·t diagonally from the centre.
    Rects level(int d) const
    {
        const int X = c.X, Y = c.Y, W = c.W, H = c.H;
        const int in = t * d, out = t * (d + 1);
        return Rects(Rect(X, Y + cy - out, X + cx - in, Y + cy - in),
                               Rect(X + cx - out, Y, X + cx - in, Y + cy - in),
                               Rect(X + cx + in, Y, X + cx + out, Y + cy - in),
                               Rect(X + cx + in, Y + cy - out, X + W, Y + cy - in),
                               Rect(X, Y + cy + in, X + cx - in, Y + cy + out),
                               Rect(X + cx - out, Y + cy + in, X + cx - in, Y + H),
                               Rect(X + cx + in, Y + cy + in, X + cx + out, Y + H),
                               Rect(X + cx + in, Y + cy + in, X + W, Y + cy + out));
    }
    Task<bool> draw(int d) const { return drawThrough(c, level(d), pump(5), spin(8000)); }
};

Effect bands(EffectContext& c, int number)
{
    const Bands level{c, centre(c.W), centre(c.H), c.PreviewMode ? 2 : 4};
    const int n = std::max(level.cx, level.cy) / level.t;
    // Outward: the even levels from the centre.
    auto outward = [&]() -> Task<bool> {
        for (int y = 0; y < n; y += 2)
            if (const bool go = co_await level.draw(y); !go)
                co_return false;
        co_return true;
    };
    // Inward: level y - 1 for y = n, n - 2, ...; the odd levels only when n is even.
    auto inward = [&]() -> Task<bool> {
        for (int y = n; y > 0; y -= 2)
            if (const bool go = co_await level.draw(y - 1); !go)
                co_return false;
        co_return true;
    };
    if (number == 226) {
        // Each pass draws its first level before it looks at n.
        for (int first = 0; first <= 1; ++first) {
            int d = first;
            do {
                if (const bool go = co_await level.draw(d); !go)
                    co_return;
                d += 2;
            } while (d < n);
        }
    } else if (number == 227) {
        if (const bool done = co_await outward(); done)
            co_await inward();
    } else if (const bool done = co_await inward(); done) {
        co_await outward();
    }
}

}  // namespace

Effect CentreReveals(EffectContext& c, int number)
{
    if (number == 225)
        co_await cross(c);
    else
        co_await bands(c, number);
}

}  // namespace effects
