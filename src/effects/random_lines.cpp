// Effects 223 and 224: the picture's rows (223) or columns (224), one line at a time in
// random order.

#include "families.h"


#include "copy_step.h"

#include <utility>
#include <vector>

namespace effects {

Effect RandomLines(EffectContext& c, int number)
{
    const bool rows = number == 223;
    const int count = rows ? c.H : c.W;
    std::vector<TRect> lines;
    lines.reserve(count);
    for (int k = 0; k < count; ++k) {
        // A long list stays responsive while it is built.
        co_await c.PumpPause(0);
        if (c.Stopped())
            co_return;
        lines.push_back(rows ? platform::Rect(0, k, c.W, k + 1) : platform::Rect(k, 0, k + 1, c.H));
    }
    co_await CopyInRandomOrder(c, std::move(lines), pump(5), spin(800));
}

}  // namespace effects
