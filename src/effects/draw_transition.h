#pragma once
// The one entry through which every transition is drawn.

#include "effect_context.h"

#include <memory>
#include <optional>
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
    Effect (*draw)(EffectContext& context, int number);
    bool closingStep = true;
    const char* name = "";
    // Background: the picture's area ends in the background colour, also after a stop.
    EndState ends = EndState::Picture;
};

// Every family, by number (effect_table.cpp).
const std::vector<EffectFamily>& EffectFamilies();
const EffectFamily* FindEffect(int number);

// Effect inputs.number (1..228), from the picture on screen to inputs.picture, under way:
// its driver resumes it at the times it asks for, until the new picture stands whole or a
// stop has ended it. Nothing is drawn when the stop is already asked for.
class Transition {
public:
    using Clock = EffectContext::Clock;

    Transition(const EffectInputs& inputs, Pace pace, EffectContext::TimeSource now = &Clock::now);
    ~Transition();
    Transition(const Transition&) = delete;
    Transition& operator=(const Transition&) = delete;

    // Runs the effect from `now` until it next waits, and shows what it drew once the
    // screen's refresh allows. Answers when to call again (at once: Clock::time_point::min());
    // nothing once the effect has ended with its closing step.
    std::optional<Clock::time_point> Resume();
    bool Ended() const { return ended_; }
    // Whether a stop would end the wait under way at once: the driver then resumes now.
    bool EndsOnStop() const;
    int Steps() const;

private:
    // Shows what was drawn and gives the clip back; `closingStep`: the family's closing copy
    // first, unless stopped.
    void end(bool closingStep);
    std::optional<Clock::time_point> nextCall() const;

    const EffectInputs inputs_;
    const EffectFamily* family_ = nullptr;
    std::unique_ptr<EffectContext> context_;
    // An effect starts on the whole target.
    std::optional<platform::ClipScope> whole_;
    std::optional<Effect> task_;
    bool started_ = false;
    bool ended_ = false;
};

// Runs effect inputs.number on a clock of its own, where no pause waits, to its end or its
// stop; returns the step frames run.
int DrawTransition(const EffectInputs& inputs);

// Runs one family's steps on a clock of their own, without the closing copy.
void RunOnOwnClock(Effect effect);

}  // namespace effects
