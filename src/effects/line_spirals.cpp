// Effects 54, 61 and 62: inward rectangular spirals, each pass one line further in; 54
// copies each side at once, 61 and 62 grow each thick side one pixel per step.

#include "copy_step.h"
#include "families.h"

namespace effects {

namespace {

// Rings of a spiral with spacing N: enough to reach the middle of the shorter side.
int ringCount(const EffectContext& c, int N)
{
    const int O = (c.W / N) / 2 + (c.W % N != 0 ? 1 : 0);
    const int Q = (c.H / N) / 2 + (c.H % N != 0 ? 1 : 0);
    return c.W < c.H ? O : Q;
}

bool side(EffectContext& c, int left, int top, int right, int bottom)
{
    return CopyStep(c, {platform::Rect(left, top, right, bottom)}, spin(500), spin(500));
}

void thinSpiral(EffectContext& c)
{
    const int W = c.W, H = c.H, m = ringCount(c, 10);
    for (int w = 0; w <= 9; ++w) {
        int right = W, bottom = H - w;
        for (int k = 0; k <= m - 1; ++k) {
            int left = 10 * k + w, top = H - 10 * k - w - 1;
            if (!side(c, left, top, right, bottom))  // bottom
                return;
            right = left + 1;
            bottom = top;
            top = 10 * k + w;
            if (!side(c, left, top, right, bottom))  // left
                return;
            right = W - 10 * k - w;
            bottom = top + 1;
            if (!side(c, left, top, right, bottom))  // top
                return;
            left = right - 1;
            top = bottom;
            bottom = H - 10 * (k + 1) - w;
            if (!side(c, left, top, right, bottom))  // right
                return;
        }
    }
}

// One pixel more of a growing side per step; the first rounds of a side may give a
// rectangle whose edges cross, which the copy takes as the span between them.
// A loop from `from` to `to` by `by` (1 or -1) that runs no round when they are the wrong
// way round.
template <typename RectAt>
bool grow(EffectContext& c, int from, int to, int by, RectAt rect)
{
    for (int v = from; by > 0 ? v <= to : v >= to; v += by)
        if (!CopyStep(c, {rect(v)}, spin(100), spin(100)))
            return false;
    c.PauseFor(spin(100), spin(100));
    return true;
}

void thickSpiral(EffectContext& c, int t, int N)
{
    using platform::Rect;
    const int W = c.W, H = c.H, m = ringCount(c, N);
    for (int w = 0; w <= (N - 1) / t; ++w) {
        const int wt = w * t;
        int left = 0, top = 0, right = W, bottom = H - wt;
        for (int k = 0; k <= m - 1; ++k) {
            left = k * N + wt;
            top = H - k * N - wt - t;
            if (!grow(c, right, left, -1, [&](int u) { return Rect(u, top, right, bottom); }))  // bottom, leftward
                return;
            const int b0 = bottom;
            right = left + t;
            bottom = top;
            top = k * N + wt;
            if (!grow(c, b0, top, -1, [&](int v) { return Rect(left, v, right, bottom); }))  // left, upward
                return;
            right = W - k * N - wt;
            bottom = top + t;
            if (!grow(c, left, right, 1, [&](int u) { return Rect(left, top, u, bottom); }))  // top, rightward
                return;
            const int t0 = top;
            left = right - t;
            top = bottom;
            bottom = H - (k + 1) * N - wt;
            if (!grow(c, t0, bottom, 1, [&](int v) { return Rect(left, top, right, v); }))  // right, downward
                return;
        }
    }
}

}  // namespace

void LineSpirals(EffectContext& c, int number)
{
    if (number == 54)
        thinSpiral(c);
    else if (number == 61)
        thickSpiral(c, 5, 20);
    else
        thickSpiral(c, 10, c.PreviewMode ? 20 : 60);
}

}  // namespace effects
