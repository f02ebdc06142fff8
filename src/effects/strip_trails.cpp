// Effects 219 to 222: thirty strips slide in one after another, a pixel per step, each
// wiping the old picture away under a trail of the background colour.

#include "clipping.h"
#include "families.h"

#include <cmath>

namespace effects {

Effect StripTrails(EffectContext& c, int number)
{
    using platform::Rect;
    constexpr int n = 30;
    const bool columns = number == 219 || number == 220;
    const bool fromFar = number == 219 || number == 221;  // from the right or the bottom
    const int length = columns ? c.W : c.H;
    const int size = static_cast<int>(std::nearbyint(length / double(n)));  // halves to even
    // A strip enters from beyond the picture's edge, and a rounded-up size runs past it:
    // neither may draw outside the picture.
    const ClipScope clip = ClipToPicture(c);
    const platform::TBrush brush = c.Target.Brush;
    c.Target.Brush = {c.BackColor, platform::bsSolid};
    // The strip and the band of `width` at `a`, in canvas coordinates.
    auto band = [&](int a, int width) {
        return columns ? Rect(c.X + a, c.Y, c.X + a + width, c.Y + c.H) : Rect(c.X, c.Y + a, c.X + c.W, c.Y + a + width);
    };
    // The trail behind the strip is already background but for the one line the strip
    // left at the step before; only that line is filled again, the frames stay the same.
    auto slide = [&](int p) -> Task<bool> {
        TBitmap part;
        const auto [picture, source] = c.StripSource(columns ? Rect(p, 0, p + size, c.H) : Rect(0, p, c.W, p + size), part);
        const int from = fromFar ? length : 0, by = fromFar ? -1 : 1;
        for (int a = from;; a += by) {
            if (const bool go = co_await c.Step(); !go)
                co_return false;
            c.Target.CopyRect(band(a, size), *picture, source);
            if (fromFar && a + size < length)
                c.Target.FillRect(band(a + size, 1));
            else if (!fromFar && a > 0)
                c.Target.FillRect(band(a - 1, 1));
            co_await c.PauseFor(spin(10), spin(1000));
            if (a == p)
                co_return true;
        }
    };
    bool going = true;
    if (fromFar) {
        for (int i = 0; i < n && going; ++i)
            if (size * i <= length)
                going = co_await slide(size * i);
    } else {
        for (int i = n - 1; i >= 1 && going; --i)
            going = co_await slide(size * i);
    }
    c.Target.Brush = brush;
}

}  // namespace effects
