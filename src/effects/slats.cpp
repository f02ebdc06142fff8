// Effects 72 and 73: slats N pixels apart widen on both sides until they meet.

#include "families.h"

namespace effects {

Effect Slats(EffectContext& c, int number)
{
    const int N = c.PreviewMode ? 5 : 20;
    const bool vertical = number == 72;
    const int last = (vertical ? c.W : c.H) / N;
    for (int a = 1; a <= N; ++a) {
        for (int s = 0; s <= last; ++s) {
            if (const bool go = co_await c.Step(); !go)
                co_return;
            if (vertical)
                c.CopyPicRect(N * s - a, 0, N * s + a, c.H);
            else
                c.CopyPicRect(0, N * s - a, c.W, N * s + a);
        }
        co_await c.PauseFor(spin(3000), spin(3000));
    }
}

}  // namespace effects
