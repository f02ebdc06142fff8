// Effect 11: a square grows from the centre of every cell.

#include "families.h"

namespace effects {

Effect GrowingSquares(EffectContext& c, int)
{
    const int N = c.PreviewMode ? 30 : 100;
    const int columns = (c.W + N - 1) / N, rows = (c.H + N - 1) / N;
    for (int g = 1; g != N / 2; ++g) {
        for (int i = 1; i <= columns; ++i) {
            for (int j = 1; j <= rows; ++j) {
                if (const bool go = co_await c.Step(); !go)
                    co_return;
                const int cx = (i - 1) * N + N / 2, cy = (j - 1) * N + N / 2;
                c.CopyPicRect(cx - g, cy - g, cx + g, cy + g);
            }
        }
        co_await c.PauseFor(pump(10), spin(1000));
    }
}

}  // namespace effects
