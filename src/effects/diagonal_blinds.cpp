// Effects 93 to 96: bands parallel to a diagonal of the picture sweep away from one
// corner; each pass shifts them, so that together the passes fill the gaps.

#include "families.h"
#include "clipping.h"

#include <cmath>
#include <cstdlib>

namespace effects {

namespace {

constexpr int kGap = 40;

// To the nearest integer, ties to even (the default rounding mode).
int nearest(long double z)
{
    return static_cast<int>(std::nearbyint(z));
}

}  // namespace

Effect DiagonalBlinds(EffectContext& c, int number)
{
    const int N = c.PreviewMode ? 5 : 10;
    const int W = c.W, H = c.H, X = c.X, Y = c.Y, X2 = X + W, Y2 = Y + H;
    // The slope in extended precision, as the bands' corners are rounded from it.
    const long double v = static_cast<long double>(W) / H;
    auto within = [&](int d) {
        switch (number) {
        case 93: return nearest(d * v) <= 2 * W && d <= 2 * H;
        case 94: return nearest(d / v) <= 2 * H;
        case 95: return d <= 2 * W;
        default: return d <= 2 * W && nearest(d / v) <= 2 * H;
        }
    };
    auto band = [&](int d) {
        switch (number) {
        case 93:
            return EffectContext::QuadRgn(X, Y + d + N, X + nearest((d + N) * v), Y, X + nearest(d * v), Y, X, Y + d);
        case 94: {
            const int e = d - N;
            return EffectContext::QuadRgn(X2 - e, Y, X2 - d, Y, X2, Y + nearest(std::abs(d) / v), X2,
                                          Y + nearest(std::abs(e) / v));
        }
        case 95:
            return EffectContext::QuadRgn(X, Y2 - nearest((d + N) / v), X + d + N, Y2, X + d, Y2, X, Y2 - nearest(d / v));
        default:
            return EffectContext::QuadRgn(X2 - d, Y2, X2, Y2 - nearest(d / v), X2, Y2 - nearest((d + N) / v), X2 - d - N,
                                          Y2);
        }
    };
    for (int p = 0; p < kGap / N; ++p) {
        for (int d = p * N; within(d); d += kGap) {
            if (const bool go = co_await c.Step(); !go)
                co_return;
            DrawThrough(c, band(d));
            co_await c.PauseFor(spin(100), spin(1000));
        }
    }
}

}  // namespace effects
