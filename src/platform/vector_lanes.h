#pragma once
// The compiler's own vector types (GCC, Clang) for the loops that have no hand-written
// x86 form on this processor, with the lane moves they share. Widening and narrowing go
// through shuffles, which the compilers turn into single zips and unzips (GCC 12 breaks a
// widening __builtin_convertvector up into scalars).

#include "platform/cpu_clones.h"

#if LUMIVANE_VECTORS
#include <bit>
#include <cstdint>
#include <cstring>

namespace platform::lanes {

typedef uint8_t U8x16 __attribute__((vector_size(16)));
typedef int16_t I16x8 __attribute__((vector_size(16)));
typedef int32_t I32x4 __attribute__((vector_size(16)));
typedef int64_t I64x2 __attribute__((vector_size(16)));

template <class V> inline V load(const void* from)
{
    V v;
    std::memcpy(&v, from, sizeof v);
    return v;
}
template <class V> inline void store(void* to, V v) { std::memcpy(to, &v, sizeof v); }
// The first 8 bytes at from, the rest zero; built from a scalar, as a partial copy through
// memory would be read back whole before the write is done with.
template <class V> inline V loadLow(const void* from)
{
    int64_t low;
    std::memcpy(&low, from, sizeof low);
    return std::bit_cast<V>(I64x2{low, 0});
}

// Bytes 0-7 or 8-15, zero-extended to 16 bits.
inline I16x8 bytesLow(U8x16 v)
{
    return std::bit_cast<I16x8>(
        __builtin_shufflevector(v, U8x16{}, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23));
}
inline I16x8 bytesHigh(U8x16 v)
{
    return std::bit_cast<I16x8>(
        __builtin_shufflevector(v, U8x16{}, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31));
}
// 16-bit lanes 0-3 or 4-7 (of positive values), extended to 32 bits.
inline I32x4 wordsLow(I16x8 v)
{
    return std::bit_cast<I32x4>(__builtin_shufflevector(v, I16x8{}, 0, 8, 1, 9, 2, 10, 3, 11));
}
inline I32x4 wordsHigh(I16x8 v)
{
    return std::bit_cast<I32x4>(__builtin_shufflevector(v, I16x8{}, 4, 12, 5, 13, 6, 14, 7, 15));
}
// The low halves of the lanes of a then b: exact for values that fit them.
inline I16x8 narrow(I32x4 a, I32x4 b)
{
    return __builtin_shufflevector(std::bit_cast<I16x8>(a), std::bit_cast<I16x8>(b), 0, 2, 4, 6, 8, 10, 12, 14);
}
inline U8x16 narrow(I16x8 a, I16x8 b)
{
    return __builtin_shufflevector(std::bit_cast<U8x16>(a), std::bit_cast<U8x16>(b), 0, 2, 4, 6, 8, 10, 12, 14,
                                   16, 18, 20, 22, 24, 26, 28, 30);
}

}  // namespace platform::lanes
#endif
