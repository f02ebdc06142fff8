// Effects 17 to 24 and 30: bands and strips swept in from opposite sides.

#include "copy_step.h"
#include "families.h"

#include <cmath>

namespace effects {

namespace {

Task<bool> tiles17(EffectContext& c)
{
    const int cols = c.Cols();
    const int q = static_cast<int>(std::nearbyint(c.Rows() / 4.0));  // halves to even
    for (int k = 1; k <= cols; ++k) {
        for (int i = 1; i <= q; ++i) {
            const int tiles[4][2] = {{k, i}, {cols - k + 1, q + i}, {k, 2 * q + i}, {cols - k + 1, 3 * q + i}};
            for (const auto& t : tiles) {
                if (const bool go = co_await c.Step(); !go)
                    co_return false;
                c.CopyTile(t[0], t[1]);
            }
        }
        co_await c.PauseFor(pump(1), spin(400));
    }
    co_return true;
}

}  // namespace

Effect StripSweeps(EffectContext& c, int number)
{
    using platform::Rect;
    const int W = c.W, H = c.H, T = c.T;
    switch (number) {
    case 17:
        co_await tiles17(c);
        break;
    case 18: {  // left half from the top down, right half from the bottom up
        const int n = H / T + (H * T > H / T ? 1 : 0);
        for (int y = 0; y <= n; ++y) {
            const TRect r[] = {Rect(0, T * y, W / 2, T * y + T), Rect(W / 2, H - (y + 1) * T, W, H - T * y)};
            if (const bool go = co_await CopyStep(c, r, pump(1), spin(2000)); !go)
                co_return;
        }
        break;
    }
    case 19: {  // upper half from the left, lower half from the right
        const int n = W / T + (W * T > W / T ? 1 : 0);
        for (int y = 0; y <= n; ++y) {
            const TRect r[] = {Rect(0, 0, T * y, H / 2), Rect(W - (y + 1) * T, H / 2, W, H)};
            if (const bool go = co_await CopyStep(c, r, pump(1), spin(2000)); !go)
                co_return;
        }
        break;
    }
    case 20: {  // four horizontal bands in turn from the bottom, alternating sides
        const int n = W / T + (W * T > W / T ? 1 : 0);
        for (int k = 1; k <= 4; ++k) {
            const int top = H - (H / 4) * k, bottom = H - (H / 4) * (k - 1);
            for (int y = 0; y <= n - 1; ++y) {
                const TRect r[] = {k % 2 != 0 ? Rect(0, top, T * y, bottom) : Rect(W - (y + 1) * T, top, W, bottom)};
                if (const bool go = co_await CopyStep(c, r, spin(100), spin(1000)); !go)
                    co_return;
            }
        }
        break;
    }
    case 21: {  // four vertical bands in turn from the left, alternating ends
        const int n = H / T + (H * T > H / T ? 1 : 0);
        for (int k = 1; k <= 4; ++k) {
            const int left = (W / 4) * (k - 1), right = (W / 4) * k;
            for (int y = 0; y <= n - 1; ++y) {
                const TRect r[] = {k % 2 != 0 ? Rect(left, H - (y + 1) * T, right, H)
                                              : Rect(left, 0, right, (y + 1) * T)};
                if (const bool go = co_await CopyStep(c, r, spin(100), spin(1000)); !go)
                    co_return;
            }
        }
        break;
    }
    case 22:  // 20-pixel strips, the halves in opposite directions
        for (int y = 0; y <= (H / 20) / 2; ++y) {
            const TRect r[] = {Rect(0, 20 * y, W / 2, 20 * y + 20), Rect(0, H / 2 + 20 * y, W / 2, H / 2 + 20 * y + 20),
                               Rect(W / 2, H - 20 * y - 20, W, H - 20 * y),
                               Rect(W / 2, H / 2 - 20 * y - 20, W, H / 2 - 20 * y)};
            if (const bool go = co_await CopyStep(c, r, spin(1000), spin(4000)); !go)
                co_return;
        }
        break;
    case 23:  // 20-pixel columns, the halves in opposite directions
        for (int y = 0; y <= (W / 20) / 2; ++y) {
            const TRect r[] = {Rect(0, 0, 20 * y, H / 2), Rect(W / 2, 0, W / 2 + 20 * y, H / 2),
                               Rect(W / 2 - 20 * y, H / 2, W / 2, H), Rect(W - 20 * y, H / 2, W, H)};
            if (const bool go = co_await CopyStep(c, r, spin(1000), spin(4000)); !go)
                co_return;
        }
        break;
    case 24:  // rows close in from top and bottom, then columns from the sides
        for (int a = 0; a <= H / 80; ++a) {
            const TRect r[] = {Rect(0, 20 * a, W, 20 * a + 20), Rect(0, H - 20 * a - 20, W, H - 20 * a)};
            if (const bool go = co_await CopyStep(c, r, spin(1000), spin(3000)); !go)
                co_return;
        }
        for (int b = 0; b <= W / 40; ++b) {
            const TRect r[] = {Rect(20 * b, 0, 20 * b + 20, H), Rect(W - 20 * b - 20, 0, W - 20 * b, H)};
            if (const bool go = co_await CopyStep(c, r, spin(1000), spin(3000)); !go)
                co_return;
        }
        break;
    case 30: {  // a middle band opens sideways, then rows open toward top and bottom
        const int M = (H / 3) / 2;
        for (int b = W / 40; b >= 0; --b) {
            const TRect r[] = {Rect(20 * b, H / 2 - M, 20 * b + 20, H / 2 + M),
                               Rect(W - 20 * b - 20, H / 2 - M, W - 20 * b, H / 2 + M)};
            if (const bool go = co_await CopyStep(c, r, spin(100), spin(1000)); !go)
                co_return;
        }
        for (int a = H / 40; a >= 0; --a) {
            const TRect r[] = {Rect(0, 20 * a, W, 20 * a + 20), Rect(0, H - 20 * a - 20, W, H - 20 * a)};
            if (const bool go = co_await CopyStep(c, r, spin(100), spin(2000)); !go)
                co_return;
        }
        break;
    }
    }
}

}  // namespace effects
