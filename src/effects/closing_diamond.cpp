// Effect 16: a diamond of background colour shrinks toward the centre, uncovering the
// picture from the corners; composed off screen, one whole frame per step.

#include "families.h"

#include "platform/gdi/dc.h"

namespace effects {

using namespace platform;

void ClosingDiamond(EffectContext& c, int)
{
    const int W = c.W, H = c.H;
    TBitmap frame(W, H);
    TCanvas& f = frame.Canvas();
    f.Brush.Color = c.BackColor;
    f.Brush.Style = bsSolid;
    f.FillRect(Rect(0, 0, W, H));
    const int O = W / 2 + H / 2;
    for (int s = 10; s < O; s += 10) {
        if (!c.Step())
            return;
        BitBlt(f.Handle(), 0, 0, W, H, const_cast<TCanvas&>(c.Picture.Canvas()).Handle(), 0, 0, SRCCOPY);
        c.Hold(EffectContext::QuadRgn(W / 2, H / 2 + s - O, W / 2 + s - O, H / 2, W / 2, H / 2 + O - s,
                                      W / 2 + O - s, H / 2));
        SelectClipRgn(f.Handle(), c.Region());
        f.FillRect(Rect(0, 0, W, H));
        BitBlt(c.Target.Handle(), c.X, c.Y, W, H, f.Handle(), 0, 0, SRCCOPY);
        SelectClipRgn(f.Handle(), nullptr);
        c.ReleaseRegion();
        c.PauseFor(spin(500), spin(2000));
    }
}

}  // namespace effects
