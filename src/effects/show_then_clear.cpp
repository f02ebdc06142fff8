// Effects 42 to 45: the new picture is shown whole, then its area is cleared to the
// background colour one pixel line per step, from one side.

#include "families.h"

namespace effects {

using namespace platform;

Effect ShowThenClear(EffectContext& c, int number)
{
    const int X = c.X, Y = c.Y, W = c.W, H = c.H;
    c.FinalCopy();
    // On screen before the hold, which looks at nothing.
    c.Present();
    TBitmap background(W, H);
    background.Canvas().Brush.Color = c.BackColor;
    background.Canvas().FillRect(Rect(0, 0, W, H));
    if (!c.PreviewMode)
        co_await c.SpinPause(100000LL * c.R);
    const int lines = number <= 43 ? W : H;
    for (int i = 1; i <= lines; ++i) {
        if (const bool go = co_await c.Step(); !go)
            break;
        // The lines before this one are background already: only the new line is drawn.
        const TRect r = number == 42   ? Rect(X + i - 1, Y, X + i, Y + H)
                        : number == 43 ? Rect(X + W - i, Y, X + W - i + 1, Y + H)
                        : number == 44 ? Rect(X, Y + i - 1, X + W, Y + i)
                                       : Rect(X, Y + H - i, X + W, Y + H - i + 1);
        c.Target.CopyRect(r, background.Canvas(), Rect(r.Left - X, r.Top - Y, r.Right - X, r.Bottom - Y));
        co_await c.PauseFor(spin(400), spin(400));
    }
    // Also after a stop: these effects always end on the background.
    c.Target.Draw(X, Y, background);
}

}  // namespace effects
