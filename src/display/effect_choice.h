#pragma once
// Which effect the next picture gets, from the effect selection, and what the settings
// give it.

#include "effects/draw_transition.h"

#include "platform/random.h"

#include "settings/settings.h"

#include <string>

using effects::kEffectCount;

// Character n of the selection (counting from 1; n = 0 reads character 1); '\0' past
// its end.
char SelectionChar(const std::string& selection, int n);

// The next effect number after `current` (-1 before the first picture). random: drawn
// with `generator` (the process-wide one unless given) until not deselected; else stepped until selected.
// A selection that allows nothing gives 0 (plain drawing) instead of searching forever.
int NextEffectNumber(int current, bool effects, bool random, const std::string& selection,
                     const platform::RandomSource& generator = {});

// The effect's pace (slower in a preview), its size and the interval the Puzzle waits out.
void TakeEffectSettings(effects::EffectInputs& inputs, const TSettings& settings, bool previewMode);
