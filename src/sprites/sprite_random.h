#pragma once
// The sprite unit's random numbers and distances: a table of pre-drawn uniform values
// read through one shared position, and an integer square root of a few rounds.

#include <cstdint>

namespace sprites {

inline constexpr int kRandomTableSize = 1024;

// Fills the table from the process-wide generator and restarts its position at 0. The
// program does it once at start-up, right after seeding; the first use fills it otherwise.
void FillRandomTable();

// The next entry, in [0, 1); advances the shared position, wrapping after the last.
float NextRandom();
int RandomTablePosition();

// lo + value × (hi − lo), lo and hi the smaller and the larger of a and b.
float RandomFloat(float a, float b);
// lo + Trunc(value × (hi − lo + 1)): a whole number in lo..hi.
int32_t RandomInt(int32_t a, int32_t b);

// The distance between two points by 12 rounds of Newton's method from (d² + 1) div 2,
// so very long distances come out somewhat long.
int32_t IntDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

}  // namespace sprites
