#pragma once
// What the Puzzle needs beyond the effect inputs.

namespace effects {

// The slide interval (seconds) that the assembled puzzle stays on screen before the effect
// returns, as the slide show waits between pictures; the slide show sets it from its
// settings before each transition. 0 returns at once.
extern unsigned PuzzleInterval;

}  // namespace effects
