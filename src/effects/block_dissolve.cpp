// Effect 41: the picture's blocks appear one at a time in random order.

#include "families.h"

#include "copy_step.h"

#include <utility>
#include <vector>

namespace effects {

Effect BlockDissolve(EffectContext& c, int)
{
    const int N = c.PreviewMode ? 10 : 60;
    const int columns = (c.W + N - 1) / N, rows = (c.H + N - 1) / N;
    // Blocks past the picture's edge are kept whole; the copy drops what lies outside.
    std::vector<TRect> blocks;
    blocks.reserve(static_cast<size_t>(columns) * rows);
    for (int i = 1; i <= columns; ++i)
        for (int j = 1; j <= rows; ++j)
            blocks.push_back(platform::Rect((i - 1) * N, (j - 1) * N, i * N, j * N));
    co_await CopyInRandomOrder(c, std::move(blocks), spin(100), spin(1000));
}

}  // namespace effects
