// Effect 35: every 3 × 3 block of tiles fills in the same order, centre first, then its
// neighbours clockwise from the top.

#include "families.h"

namespace effects {

Effect SpiralDither(EffectContext& c, int)
{
    static constexpr int kOrder[9][2] = {{2, 2}, {2, 1}, {3, 1}, {3, 2}, {3, 3}, {2, 3}, {1, 3}, {1, 2}, {1, 1}};
    const int cols = c.Cols(), rows = c.Rows();
    for (const auto& [c0, r0] : kOrder) {
        for (int col = c0; col <= cols; col += 3) {
            for (int row = r0; row <= rows; row += 3) {
                if (const bool go = co_await c.Step(); !go)
                    co_return;
                c.CopyTile(col, row);
            }
            co_await c.PauseFor(spin(100), spin(100));
        }
    }
}

}  // namespace effects
