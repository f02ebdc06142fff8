#pragma once
// The one entry through which every transition is drawn.

#include "effect_context.h"

#include <vector>

namespace effects {

inline constexpr int kEffectCount = 228;
inline constexpr int kPuzzleEffect = 214;

// What an effect leaves in the picture's rectangle when it ends or is stopped.
// Pieces: the picture assembled from pieces that fly over the whole target and snap home,
// outlined; a flight under way when a stop comes still lands.
enum class EndState { Picture, Background, Pieces };

// An effect family: the numbers it draws and its steps. Effects that complete the
// picture themselves skip the closing copy.
struct EffectFamily {
    int first;
    int last;
    void (*draw)(EffectContext& context, int number);
    bool closingStep = true;
    const char* name = "";
    // Background: the picture's area ends in the background colour, also after a stop.
    EndState ends = EndState::Picture;
};

// Every family, by number (effect_table.cpp).
const std::vector<EffectFamily>& EffectFamilies();
const EffectFamily* FindEffect(int number);

// Draws effect inputs.number (1..228) from the picture on screen to inputs.picture;
// returns when the new picture stands whole, or at once when inputs.stop is set.
// Returns the step frames run.
int DrawTransition(const EffectInputs& inputs);

}  // namespace effects
