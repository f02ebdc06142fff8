// Effects 7 to 10: one-pixel lines copied in interlaced passes.

#include "families.h"

namespace effects {

Effect InterlacedLines(EffectContext& c, int number)
{
    const int W = c.W, H = c.H, T = c.T;
    const bool rows = number == 7 || number == 8;
    const int passes = number == 8 ? T : 2 * T;
    const int stride = rows ? T : 2 * T;
    const int extent = rows ? H : W;
    for (int p = 1; p <= passes; ++p) {
        for (int d = p - 1; d <= extent; d += stride) {
            if (const bool go = co_await c.Step(); !go)
                co_return;
            switch (number) {
            case 7: c.CopyPicRect(0, d, W + 1, d + 1); break;
            case 8: c.CopyPicRect(0, H - d, W + 1, H - d + 1); break;
            case 9: c.CopyPicRect(d, 0, d + 1, H + 1); break;
            case 10: c.CopyPicRect(W - d, 0, W - d + 1, H + 1); break;
            }
            co_await c.PauseFor(pump(1), spin(1000));
        }
    }
}

}  // namespace effects
