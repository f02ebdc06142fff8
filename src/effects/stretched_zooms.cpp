// Effects 38 and 47: the whole picture stretched, growing from the centre (38), or its
// centre magnified onto the whole area and shrinking back to the picture (47).

#include "families.h"

namespace effects {

using platform::Rect;

namespace {

Effect growFromCentre(EffectContext& c)
{
    const int X = c.X, Y = c.Y, W = c.W, H = c.H;
    // From a centred line along the longer side.
    const int L = H < W ? H / 2 + H % 2 : W / 2 + W % 2;
    for (int d = L; d >= 1; --d) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        c.Target.CopyRect(Rect(X + d, Y + d, X + W - d, Y + H - d), c.Picture.Canvas(), Rect(0, 0, W, H));
        co_await c.PauseFor(pump(1), spin(1));
    }
}

Effect shrinkCentre(EffectContext& c)
{
    const int W = c.W, H = c.H;
    const int a = W / 2 + (W % 2 != 0 ? 2 : 0), b = H / 2 + (H % 2 != 0 ? 2 : 0);
    TRect source = Rect(a, b, a, b);
    // The edge along the longer side reaches 0 last.
    const int& counter = H < W ? source.Left : source.Top;
    while (counter != 0) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        c.Target.CopyRect(Rect(c.X, c.Y, c.X + W, c.Y + H), c.Picture.Canvas(), source);
        if (source.Left > 0) {
            --source.Left;
            ++source.Right;
        }
        if (source.Top > 0) {
            --source.Top;
            ++source.Bottom;
        }
        co_await c.PauseFor(spin(400), spin(400));
    }
}

}  // namespace

Effect StretchedZooms(EffectContext& c, int number)
{
    if (number == 38)
        co_await growFromCentre(c);
    else
        co_await shrinkCentre(c);
}

}  // namespace effects
