#include "random.h"

#include <chrono>

namespace platform {

uint32_t RandSeed = 0;

int32_t RandomSource::Random(int32_t n) const
{
    *seed_ = *seed_ * 134775813u + 1u;
    if (n <= 0)
        return 0;
    return static_cast<int32_t>((static_cast<uint64_t>(*seed_) * static_cast<uint32_t>(n)) >> 32);
}

double RandomSource::Unit() const
{
    *seed_ = *seed_ * 134775813u + 1u;
    return *seed_ * (1.0 / 4294967296.0);
}

int32_t Random(int32_t n)
{
    return RandomSource().Random(n);
}

double RandomUnit()
{
    return RandomSource().Unit();
}

void RandomSource::Randomize() const
{
    if (fixed_)
        return;
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    *seed_ = static_cast<uint32_t>(now % (24LL * 60 * 60 * 1000)) + salt_;
}

void Randomize()
{
    RandomSource().Randomize();
}

}  // namespace platform
