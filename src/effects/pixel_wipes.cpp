// Effects 1 to 6: a rectangle that grows by one pixel per step.

#include "families.h"

namespace effects {

namespace {
constexpr Pause kPreview = pump(1);
constexpr Pause kSaver = none();
}  // namespace

Effect PixelWipes(EffectContext& c, int number)
{
    const int W = c.W, H = c.H;
    auto step = [&](int l, int t, int r, int b) -> Task<bool> {
        if (const bool go = co_await c.Step(); !go)
            co_return false;
        c.CopyPicRect(l, t, r, b);
        co_await c.PauseFor(kPreview, kSaver);
        co_return true;
    };
    switch (number) {
    case 1:  // left to right
        for (int i = 1; i <= W; ++i)
            if (const bool go = co_await step(0, 0, i, H); !go)
                co_return;
        break;
    case 2:  // right to left
        for (int i = W; i >= 1; --i)
            if (const bool go = co_await step(i, 0, W, H); !go)
                co_return;
        break;
    case 3:  // top to bottom, H - 1 steps
        for (int i = 1; i != H && i < H; ++i)
            if (const bool go = co_await step(0, 0, W, i); !go)
                co_return;
        break;
    case 4:  // bottom to top
        for (int i = H; i >= 1; --i)
            if (const bool go = co_await step(0, i, W, H); !go)
                co_return;
        break;
    case 5: {  // from the top and bottom edges toward the middle
        const int limit = H / 2 + (H % 2 != 0 ? 2 : 0);
        for (int k = 1; k != limit && k < limit; ++k) {
            if (const bool go = co_await c.Step(); !go)
                co_return;
            c.CopyPicRect(0, 0, W, k);
            c.CopyPicRect(0, H - k + 1, W, H);
            co_await c.PauseFor(kPreview, kSaver);
        }
        break;
    }
    case 6:  // from the middle line toward the edges
        for (int k = 0; k <= H / 2 - 1; ++k)
            if (const bool go = co_await step(0, H / 2 - k, W, H / 2 + k); !go)
                co_return;
        break;
    }
}

}  // namespace effects
