// Effects 215 to 218: strips that open from their centre lines, two pixels a side per
// round, all in step; 217 and 218 squeeze the whole strip into the opening.

#include "clipping.h"
#include "families.h"

#include <cmath>

namespace effects {

namespace {

int halvesToEven(double z)
{
    return static_cast<int>(std::nearbyint(z));
}

// The target's stretch mode for the squeezed strips, given back on every way out so
// that later stretching effects find the mode they were written for.
class StretchModeScope {
public:
    StretchModeScope(TCanvas& target, int mode) : target_(target), previous_(target.StretchMode())
    {
        target.SetStretchMode(mode);
    }
    ~StretchModeScope() { target_.SetStretchMode(previous_); }
    StretchModeScope(const StretchModeScope&) = delete;
    StretchModeScope& operator=(const StretchModeScope&) = delete;

private:
    TCanvas& target_;
    int previous_;
};

}  // namespace

Effect OpeningStrips(EffectContext& c, int number)
{
    using platform::Rect;
    const bool vertical = number == 215 || number == 217;
    const bool squeezed = number >= 217;
    const int strips = squeezed ? 4 : 10;
    const int size = halvesToEven((vertical ? c.W : c.H) / double(strips));
    const int half = halvesToEven(size / 2.0);
    // The last round opens past half the strip: keep the overshoot inside the picture.
    const ClipScope clip = ClipToPicture(c);
    for (int o = 0; o < half;) {
        const int e = o + 2;
        for (int i = 0; i < strips; ++i) {
            if (const bool go = co_await c.Step(); !go)
                co_return;
            const int ci = size * i + half;
            if (!squeezed) {
                if (vertical)
                    c.CopyPicRect(ci - e, 0, ci + e, c.H);
                else
                    c.CopyPicRect(0, ci - e, c.W, ci + e);
                continue;
            }
            StretchModeScope halftone(c.Target, platform::HALFTONE);
            c.Target.SetBrushOrigin({0, 0});
            if (vertical)
                c.Target.CopyRect(Rect(c.X + ci - e, c.Y, c.X + ci + e, c.Y + c.H), c.Picture.Canvas(),
                                  Rect(size * i, 0, size * i + size, c.H));
            else
                c.Target.CopyRect(Rect(c.X, c.Y + ci - e, c.X + c.W, c.Y + ci + e), c.Picture.Canvas(),
                                  Rect(0, size * i, c.W, size * i + size));
        }
        o = e;
        if (squeezed)
            co_await c.PauseFor(spin(100), spin(600));
        else
            co_await c.PauseFor(spin(200), spin(1000));
    }
}

}  // namespace effects
