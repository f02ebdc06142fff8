// Effect 52: squares grow from every cell's centre on a background-coloured frame that
// is composed off screen and shown whole after each growth.

#include "families.h"

namespace effects {

using namespace platform;

Effect CompositedSquares(EffectContext& c, int)
{
    const int W = c.W, H = c.H;
    const int N = c.PreviewMode ? 20 : 60;
    const int columns = (W + N - 1) / N, rows = (H + N - 1) / N;
    TBitmap frame(W, H);
    TCanvas& f = frame.Canvas();
    f.Brush.Color = c.BackColor;
    f.FillRect(Rect(0, 0, W, H));
    for (int g = 1; g <= N / 2; ++g) {
        for (int i = 1; i <= columns; ++i) {
            for (int j = 1; j <= rows; ++j) {
                if (const bool go = co_await c.Step(); !go)
                    co_return;
                const int cx = (i - 1) * N + N / 2, cy = (j - 1) * N + N / 2;
                const TRect box = Rect(cx - g, cy - g, cx + g, cy + g);
                f.CopyRect(box, c.Picture.Canvas(), box);
            }
        }
        c.Target.Draw(c.X, c.Y, frame);
        co_await c.PauseFor(spin(2000), spin(2000));
    }
}

}  // namespace effects
