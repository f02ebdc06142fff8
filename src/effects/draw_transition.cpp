#include "draw_transition.h"

namespace effects {

const EffectFamily* FindEffect(int number)
{
    for (const EffectFamily& f : EffectFamilies())
        if (number >= f.first && number <= f.last)
            return &f;
    return nullptr;
}

int DrawTransition(const EffectInputs& inputs)
{
    if (inputs.stop && *inputs.stop)
        return 0;
    // An effect starts on the whole target.
    const platform::ClipScope whole(*inputs.target);
    // Every number from 1 to 228 has its family; any other draws nothing.
    const EffectFamily* family = FindEffect(inputs.number);
    if (!family || !inputs.picture || inputs.picture->Empty())
        return 0;
    EffectContext context(inputs);
    family->draw(context, inputs.number);
    if (family->closingStep && !context.Stopped())
        context.FinalCopy();
    context.Present();
    return context.Steps();
}

}  // namespace effects
