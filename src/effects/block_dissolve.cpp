// Effect 41: the picture's blocks appear one at a time in random order.

#include "families.h"

#include "platform/random.h"

#include <vector>

namespace effects {

void BlockDissolve(EffectContext& c, int)
{
    const int N = c.PreviewMode ? 10 : 60;
    const int columns = (c.W + N - 1) / N, rows = (c.H + N - 1) / N;
    // Blocks past the picture's edge are kept whole; the copy drops what lies outside.
    std::vector<TRect> blocks;
    blocks.reserve(static_cast<size_t>(columns) * rows);
    for (int i = 1; i <= columns; ++i)
        for (int j = 1; j <= rows; ++j)
            blocks.push_back(platform::Rect((i - 1) * N, (j - 1) * N, i * N, j * N));
    while (!blocks.empty()) {
        if (!c.Step())
            return;
        const int k = platform::Random(static_cast<int>(blocks.size()));
        c.CopyPicRect(blocks[k]);
        // The order of the rest is kept: the next draw picks by position.
        blocks.erase(blocks.begin() + k);
        c.PauseFor(spin(100), spin(1000));
    }
}

}  // namespace effects
