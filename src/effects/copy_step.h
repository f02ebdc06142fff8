#pragma once
// The most common drawing step: copy a few picture rectangles, then pause.

#include "effect_context.h"
#include "removal_list.h"


#include <span>
#include <type_traits>
#include <vector>

namespace effects {

// A step's few rectangles, held by value: a braced list of them in a coroutine would be an
// array the compiler cannot keep in the coroutine's frame.
class Rects {
public:
    static constexpr size_t kMost = 8;
    template <class... R>
        requires(sizeof...(R) <= kMost && (std::is_convertible_v<R, TRect> && ...))
    Rects(const R&... rects) : count_(sizeof...(R))
    {
        TRect* out = items_;
        ((*out++ = rects), ...);
    }
    const TRect* begin() const { return items_; }
    const TRect* end() const { return items_ + count_; }
    operator std::span<const TRect>() const { return {items_, count_}; }

private:
    TRect items_[kMost]{};
    size_t count_;
};

// False when the effect must stop (nothing drawn then). Awaited at once: the rectangles
// are the caller's.
inline Task<bool> CopyStep(EffectContext& c, std::span<const TRect> rects, Pause preview, Pause saver)
{
    if (const bool go = co_await c.Step(); !go)
        co_return false;
    for (const TRect& r : rects)
        c.CopyPicRect(r);
    co_await c.PauseFor(preview, saver);
    co_return true;
}

inline Task<bool> CopyStep(EffectContext& c, Rects rects, Pause preview, Pause saver)
{
    co_return co_await CopyStep(c, std::span<const TRect>(rects), preview, saver);
}

// Copies the rectangles one a step in the order Random draws them; each drawn one is taken
// out in place, so the rest keep their order for the next draw. Returns at a stop.
inline Effect CopyInRandomOrder(EffectContext& c, std::vector<TRect> rects, Pause preview, Pause saver)
{
    RemovalList<TRect> list(std::move(rects));
    while (!list.empty()) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        c.CopyPicRect(list.take(static_cast<size_t>(c.Random(static_cast<int>(list.size())))));
        co_await c.PauseFor(preview, saver);
    }
}

}  // namespace effects
