#pragma once
// The process-wide pseudo-random generator: a 32-bit linear congruence whose results
// are taken from the high bits of state × n, so sequences are repeatable from a seed.

#include <cstdint>

namespace platform {

extern uint32_t RandSeed;

// A uniform integer in 0..n-1; 0 when n is 0 or negative.
int32_t Random(int32_t n);

// A uniform value in [0, 1) from the same sequence: the new state divided by 2^32.
double RandomUnit();

// A generator's state seen from outside: the process-wide one unless given another, so
// a show or a render runs on a sequence of its own.
class RandomSource {
public:
    RandomSource() : seed_(&RandSeed) {}
    // `fixed`: the sequence was seeded on purpose (a render given its seed), and the clock
    // does not seed it again.
    // `salt`: added to the clock's seed, so sources seeded at the same millisecond (the shows
    // of several screens) still draw apart.
    explicit RandomSource(uint32_t& seed, bool fixed = false, uint32_t salt = 0)
        : seed_(&seed), fixed_(fixed), salt_(salt)
    {
    }
    int32_t Random(int32_t n) const;
    double Unit() const;
    // Seeds the state as Randomize does the process-wide one, unless it is fixed.
    void Randomize() const;

private:
    uint32_t* seed_;
    bool fixed_ = false;
    uint32_t salt_ = 0;
};

// Seeds from the milliseconds elapsed since midnight of the clock's UTC time.
void Randomize();

}  // namespace platform
