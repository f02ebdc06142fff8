// Effect 16: a diamond of background colour shrinks toward the centre, uncovering the
// picture from the corners. The first frame is composed off screen and replaces the old
// picture at once; after it each step uncovers only the ring the diamond gave up.

#include "clipping.h"
#include "families.h"

namespace effects {

using namespace platform;

Effect ClosingDiamond(EffectContext& c, int)
{
    const int W = c.W, H = c.H;
    const int O = W / 2 + H / 2;
    // The diamond of step s, at `x`, `y`: it lies inside the one of every earlier step.
    auto diamond = [&](int s, int x, int y) {
        return EffectContext::QuadRgn(x + W / 2, y + H / 2 + s - O, x + W / 2 + s - O, y + H / 2, x + W / 2,
                                      y + H / 2 + O - s, x + W / 2 + O - s, y + H / 2);
    };
    for (int s = 10; s < O; s += 10) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        if (s == 10) {
            TBitmap frame(W, H);
            TCanvas& f = frame.Canvas();
            f.Brush.Color = c.BackColor;
            f.Brush.Style = bsSolid;
            f.Draw(0, 0, c.Picture);
            {
                const TRegion inside = diamond(s, 0, 0);
                const ClipScope clip(f, inside);
                f.FillRect(Rect(0, 0, W, H));
            }
            c.Target.Draw(c.X, c.Y, frame);
        } else {
            DrawThroughDifference(c, diamond(s - 10, c.X, c.Y), diamond(s, c.X, c.Y));
        }
        co_await c.PauseFor(spin(500), spin(2000));
    }
}

}  // namespace effects
