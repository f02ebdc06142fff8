// Effects 31 to 34: each strip travels from the entry edge to its place; the strips
// pile up from the far edge and the last one completes the picture.

#include "families.h"

namespace effects {

Effect SlidingStrips(EffectContext& c, int number)
{
    using StripFn = TRect (EffectContext::*)(int, bool) const;
    const StripFn strip = number == 31   ? &EffectContext::StripRectTop
                          : number == 32 ? &EffectContext::StripRectBottom
                          : number == 33 ? &EffectContext::StripRectLeft
                                         : &EffectContext::StripRectRight;
    const int n = number <= 32 ? c.Rows() : c.Cols();
    const Pause pause = number == 34 ? spin(20) : spin(100);
    for (int k = n; k >= 1; --k) {
        const TRect source = (c.*strip)(k, false);
        TBitmap part;
        const auto [from, fromRect] = c.StripSource(source, part);
        for (int position = 1; position <= k; ++position) {
            if (const bool go = co_await c.Step(); !go)
                co_return;
            c.Target.CopyRect((c.*strip)(position, true), *from, fromRect);
            co_await c.PauseFor(pause, pause);
        }
    }
}

}  // namespace effects
