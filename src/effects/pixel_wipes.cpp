// Effects 1 to 6: a rectangle that grows by one pixel per step.

#include "families.h"

namespace effects {

namespace {
constexpr Pause kPreview = pump(1);
constexpr Pause kSaver = none();
}  // namespace

void PixelWipes(EffectContext& c, int number)
{
    const int W = c.W, H = c.H;
    auto step = [&](int l, int t, int r, int b) {
        if (!c.Step())
            return false;
        c.CopyPicRect(l, t, r, b);
        c.PauseFor(kPreview, kSaver);
        return true;
    };
    switch (number) {
    case 1:  // left to right
        for (int i = 1; i <= W; ++i)
            if (!step(0, 0, i, H))
                return;
        break;
    case 2:  // right to left
        for (int i = W; i >= 1; --i)
            if (!step(i, 0, W, H))
                return;
        break;
    case 3:  // top to bottom, H - 1 steps
        for (int i = 1; i != H && i < H; ++i)
            if (!step(0, 0, W, i))
                return;
        break;
    case 4:  // bottom to top
        for (int i = H; i >= 1; --i)
            if (!step(0, i, W, H))
                return;
        break;
    case 5: {  // from the top and bottom edges toward the middle
        const int limit = H / 2 + (H % 2 != 0 ? 2 : 0);
        for (int k = 1; k != limit && k < limit; ++k) {
            if (!c.Step())
                return;
            c.CopyPicRect(0, 0, W, k);
            c.CopyPicRect(0, H - k + 1, W, H);
            c.PauseFor(kPreview, kSaver);
        }
        break;
    }
    case 6:  // from the middle line toward the edges
        for (int k = 0; k <= H / 2 - 1; ++k)
            if (!step(0, H / 2 - k, W, H / 2 + k))
                return;
        break;
    }
}

}  // namespace effects
