#pragma once
// Integer helpers of the Windows API that geometry code relies on bit for bit.

#include <cstdint>
#include <cstdlib>

namespace platform {

// a × b ÷ c at 64-bit precision, rounded to the nearest integer (halves away from
// zero); -1 when c is 0 or the result does not fit in 32 bits, as MulDiv answers.
constexpr int32_t MulDiv(int32_t a, int32_t b, int32_t c)
{
    if (c == 0)
        return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const uint64_t num = static_cast<uint64_t>(product < 0 ? -product : product);
    const uint64_t den = static_cast<uint64_t>(c < 0 ? -static_cast<int64_t>(c) : c);
    const uint64_t q = (num + den / 2) / den;
    if (q > static_cast<uint64_t>(INT32_MAX) + (negative ? 1u : 0u))
        return -1;
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(q)) : static_cast<int32_t>(q);
}

static_assert(MulDiv(768, 2000, 500) == 3072);
static_assert(MulDiv(1024, 500, 2000) == 256);
static_assert(MulDiv(5, 1, 2) == 3 && MulDiv(-5, 1, 2) == -3);
static_assert(MulDiv(1, 1, 0) == -1);
static_assert(MulDiv(INT32_MAX, 2, 1) == -1);

}  // namespace platform
