// Effects 54, 61 and 62: inward rectangular spirals, each pass one line further in; 54
// copies each side at once, 61 and 62 grow each thick side one pixel per step.

#include "copy_step.h"
#include "families.h"

#include <cstdlib>

namespace effects {

namespace {

// Rings of a spiral with spacing N: enough to reach the middle of the shorter side.
int ringCount(const EffectContext& c, int N)
{
    const int O = (c.W / N) / 2 + (c.W % N != 0 ? 1 : 0);
    const int Q = (c.H / N) / 2 + (c.H % N != 0 ? 1 : 0);
    return c.W < c.H ? O : Q;
}

Task<bool> side(EffectContext& c, int left, int top, int right, int bottom)
{
    co_return co_await CopyStep(c, {platform::Rect(left, top, right, bottom)}, spin(500), spin(500));
}

Effect thinSpiral(EffectContext& c)
{
    const int W = c.W, H = c.H, m = ringCount(c, 10);
    for (int w = 0; w <= 9; ++w) {
        int right = W, bottom = H - w;
        for (int k = 0; k <= m - 1; ++k) {
            int left = 10 * k + w, top = H - 10 * k - w - 1;
            if (const bool go = co_await side(c, left, top, right, bottom); !go)  // bottom
                co_return;
            right = left + 1;
            bottom = top;
            top = 10 * k + w;
            if (const bool go = co_await side(c, left, top, right, bottom); !go)  // left
                co_return;
            right = W - 10 * k - w;
            bottom = top + 1;
            if (const bool go = co_await side(c, left, top, right, bottom); !go)  // top
                co_return;
            left = right - 1;
            top = bottom;
            bottom = H - 10 * (k + 1) - w;
            if (const bool go = co_await side(c, left, top, right, bottom); !go)  // right
                co_return;
        }
    }
}

// One pixel more of a growing side per step: the side at v spans from v to `fixed`.
// The first rounds of a side may start beyond `fixed`, giving a rectangle whose edges
// cross, which the copy takes as the span between them; those rounds only shrink it.
// Each round after the first copies what the side gained, the line between its last
// two values, or nothing when it shrank. `span(a, b)` is the side from a to b.
// A loop from `from` to `to` by `by` (1 or -1) that runs no round when they are the wrong
// way round.
template <typename Span>
Task<bool> grow(EffectContext& c, int from, int to, int by, int fixed, Span span)
{
    for (int v = from; by > 0 ? v <= to : v >= to; v += by) {
        const bool gained = std::abs(v - fixed) > std::abs(v - by - fixed);
        const TRect part = v == from ? (by < 0 ? span(v, fixed) : span(fixed, v))
                           : gained  ? (by < 0 ? span(v, v - by) : span(v - by, v))
                                     : TRect{};
        if (const bool go = co_await CopyStep(c, {part}, spin(100), spin(100)); !go)
            co_return false;
    }
    co_await c.PauseFor(spin(100), spin(100));
    co_return true;
}

Effect thickSpiral(EffectContext& c, int t, int N)
{
    using platform::Rect;
    const int W = c.W, H = c.H, m = ringCount(c, N);
    for (int w = 0; w <= (N - 1) / t; ++w) {
        const int wt = w * t;
        int left = 0, top = 0, right = W, bottom = H - wt;
        for (int k = 0; k <= m - 1; ++k) {
            left = k * N + wt;
            top = H - k * N - wt - t;
            if (const bool go = co_await grow(c, right, left, -1, right, [&](int a, int b) { return Rect(a, top, b, bottom); }); !go)  // bottom, leftward
                co_return;
            const int b0 = bottom;
            right = left + t;
            bottom = top;
            top = k * N + wt;
            if (const bool go = co_await grow(c, b0, top, -1, bottom, [&](int a, int b) { return Rect(left, a, right, b); }); !go)  // left, upward
                co_return;
            right = W - k * N - wt;
            bottom = top + t;
            if (const bool go = co_await grow(c, left, right, 1, left, [&](int a, int b) { return Rect(a, top, b, bottom); }); !go)  // top, rightward
                co_return;
            const int t0 = top;
            left = right - t;
            top = bottom;
            bottom = H - (k + 1) * N - wt;
            if (const bool go = co_await grow(c, t0, bottom, 1, top, [&](int a, int b) { return Rect(left, a, right, b); }); !go)  // right, downward
                co_return;
        }
    }
}

}  // namespace

Effect LineSpirals(EffectContext& c, int number)
{
    if (number == 54)
        co_await thinSpiral(c);
    else if (number == 61)
        co_await thickSpiral(c, 5, 20);
    else
        co_await thickSpiral(c, 10, c.PreviewMode ? 20 : 60);
}

}  // namespace effects
