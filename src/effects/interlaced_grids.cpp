// Effects 55 to 60: one-pixel rows and then columns, interlaced over N passes; 57 to 60
// copy them in pairs from both edges, toward the middle or away from it.

#include "copy_step.h"
#include "families.h"

namespace effects {

using platform::Rect;

namespace {

// Effects 55 and 56: rows from the top, then columns from the left.
Effect oneSide(EffectContext& c, int number)
{
    const int W = c.W, H = c.H, N = 4, Q = (H + N - 1) / N, O = (W + N - 1) / N;
    const Pause perLine = number == 56 ? spin(500) : none();
    for (int w = 0; w <= N - 1; ++w) {
        for (int a = 0; a <= Q - 1; ++a)
            if (const bool go = co_await CopyStep(c, {Rect(0, N * a + w, W, N * a + w + 1)}, perLine, perLine); !go)
                co_return;
        if (number == 56)
            co_await c.PauseFor(spin(4000), spin(4000));
        else
            co_await c.PauseFor(spin(200), spin(4000));
        for (int y = 1; y <= O; ++y)
            if (const bool go = co_await CopyStep(c, {Rect(N * y + w, 0, N * y + w + 1, H)}, perLine, perLine); !go)
                co_return;
        co_await c.PauseFor(spin(1000), spin(20000));
    }
}

// Effects 57 to 60: a line from each edge per step.
Effect pairs(EffectContext& c, int number)
{
    const int W = c.W, H = c.H, N = number <= 58 ? 4 : 10, Q = (H + N - 1) / N, O = (W + N - 1) / N;
    const bool inward = number == 57 || number == 59;
    const Pause preview = inward ? spin(200) : spin(300), saver = inward ? spin(2000) : spin(3000);
    for (int w = 0; w <= N - 1; ++w) {
        for (int k = 0; k <= Q / 2; ++k) {
            const int a = inward ? k : Q / 2 - k;
            if (const bool go = co_await CopyStep(c, {Rect(0, N * a + w, W, N * a + w + 1), Rect(0, H + w - N * a, W, H + w - N * a + 1)},
                          preview, saver); !go)
                co_return;
        }
        co_await c.PauseFor(spin(400), spin(4000));
        for (int k = 0; k <= O / 2; ++k) {
            const int y = inward ? k : O / 2 - k;
            if (const bool go = co_await CopyStep(c, {Rect(N * y + w, 0, N * y + w + 1, H), Rect(W + w - N * y, 0, W + w - N * y + 1, H)},
                          preview, saver); !go)
                co_return;
        }
        co_await c.PauseFor(spin(1000), spin(20000));
    }
}

}  // namespace

Effect InterlacedGrids(EffectContext& c, int number)
{
    if (number <= 56)
        co_await oneSide(c, number);
    else
        co_await pairs(c, number);
}

}  // namespace effects
