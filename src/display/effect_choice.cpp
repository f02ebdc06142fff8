#include "effect_choice.h"

#include "platform/random.h"

char SelectionChar(const std::string& selection, int n)
{
    const size_t index = n <= 0 ? 0 : static_cast<size_t>(n - 1);
    return index < selection.size() ? selection[index] : '\0';
}

int NextEffectNumber(int current, bool effects, bool random, const std::string& selection,
                     const platform::RandomSource& generator)
{
    if (!effects)
        return 0;
    constexpr int kTries = kEffectCount + 1;
    int n = current;
    if (random) {
        if (selection.empty())
            return generator.Random(kEffectCount + 1);
        // Draw only when some number can come out; then the draw always ends.
        bool any = false;
        for (int k = 0; k <= kEffectCount && !any; ++k)
            any = SelectionChar(selection, k) != '0';
        if (!any)
            return 0;
        do
            n = generator.Random(kEffectCount + 1);
        while (SelectionChar(selection, n) == '0');
        return n;
    }
    auto step = [](int k) { return k >= kEffectCount ? 0 : k + 1; };
    if (selection.empty())
        return step(n);
    for (int i = 0; i < kTries; ++i) {
        n = step(n);
        if (SelectionChar(selection, n) == '1')
            return n;
    }
    return 0;
}

void TakeEffectSettings(effects::EffectInputs& inputs, const TSettings& settings, bool previewMode)
{
    inputs.previewMode = previewMode;
    inputs.R = effects::EffectRapidite(settings.Rapidite, previewMode);
    inputs.T = settings.ClampedTailleEffet();
    inputs.interval = settings.IntervalSeconds();
}
