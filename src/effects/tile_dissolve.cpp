// Effect 25: the tiles appear one at a time in random order.

#include "families.h"
#include "removal_list.h"


#include <cstdint>
#include <utility>
#include <vector>

namespace effects {

Effect TileDissolve(EffectContext& c, int)
{
    // Positions are kept in 8 bits, as the tile list always has: on grids wider or taller
    // than 255 tiles some tiles come twice and the others with the closing step.
    struct Entry {
        uint8_t column, row;
    };
    std::vector<Entry> list;
    for (int col = 1; col <= c.Cols(); ++col)
        for (int row = 1; row <= c.Rows(); ++row)
            list.push_back({static_cast<uint8_t>(col), static_cast<uint8_t>(row)});
    RemovalList<Entry> remaining(std::move(list));
    while (!remaining.empty()) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        const int n = static_cast<int>(remaining.size());
        const Entry drawn = remaining.take(static_cast<size_t>(c.Random(n)));
        c.CopyTile(drawn.column, drawn.row);
        co_await c.PauseFor(pump(1), spin(1));
    }
}

}  // namespace effects
