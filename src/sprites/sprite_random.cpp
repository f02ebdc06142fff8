#include "sprite_random.h"

#include "platform/random.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace sprites {

namespace {

std::array<float, kRandomTableSize> table;
int position = 0;
bool filled = false;

// Kept for every later call, so a sprite run never needs the clock.
void ensureFilled()
{
    if (!filled)
        FillRandomTable();
}

}  // namespace

void FillRandomTable()
{
    // A value just under 1 would round up to 1.0 as a 32-bit float, and RandomInt would
    // then give hi + 1; such values are taken as the largest float below 1.
    const float belowOne = std::nextafter(1.0f, 0.0f);
    for (float& v : table)
        v = std::min(static_cast<float>(platform::RandomUnit()), belowOne);
    position = 0;
    filled = true;
}

float NextRandom()
{
    ensureFilled();
    const float v = table[static_cast<size_t>(position)];
    position = position + 1 >= kRandomTableSize ? 0 : position + 1;
    return v;
}

int RandomTablePosition()
{
    return position;
}

float RandomFloat(float a, float b)
{
    const float lo = std::min(a, b), hi = std::max(a, b);
    return lo + NextRandom() * (hi - lo);
}

int32_t RandomInt(int32_t a, int32_t b)
{
    const int64_t lo = std::min(a, b), hi = std::max(a, b);
    const double span = static_cast<double>(hi - lo + 1);
    // The span is at most 2^32, so the product stays below it and the sum within lo..hi.
    return static_cast<int32_t>(lo + static_cast<int64_t>(static_cast<double>(NextRandom()) * span));
}

int32_t IntDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    // 64 bits: the square of a distance passes 32 bits from 46,341 pixels on.
    const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    const int64_t d2 = dx * dx + dy * dy;
    int64_t r = (d2 + 1) / 2;
    for (int i = 0; i < 12; ++i)
        if (r > 0)
            r = (r + d2 / r) / 2;
    return static_cast<int32_t>(std::min<int64_t>(r, INT32_MAX));
}

}  // namespace sprites
