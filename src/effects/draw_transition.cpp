#include "draw_transition.h"

namespace effects {

const EffectFamily* FindEffect(int number)
{
    for (const EffectFamily& f : EffectFamilies())
        if (number >= f.first && number <= f.last)
            return &f;
    return nullptr;
}

Transition::Transition(const EffectInputs& inputs, Pace pace, EffectContext::TimeSource now) : inputs_(inputs)
{
    // Every number from 1 to 228 has its family; any other draws nothing.
    family_ = FindEffect(inputs_.number);
    if (inputs_.stop.stop_requested() || !family_ || !inputs_.picture || inputs_.picture->Empty() || !inputs_.target) {
        ended_ = true;
        return;
    }
    whole_.emplace(*inputs_.target);
    context_ = std::make_unique<EffectContext>(inputs_, pace, now);
    task_.emplace(family_->draw(*context_, inputs_.number));
}

Transition::~Transition()
{
    // A transition dropped midway: its steps' locals go first, then the clip they drew
    // through is given back.
    task_.reset();
    whole_.reset();
}

int Transition::Steps() const
{
    return context_ ? context_->Steps() : 0;
}

bool Transition::EndsOnStop() const
{
    return context_ && context_->Waiting() && context_->WaitEndsOnStop();
}

std::optional<Transition::Clock::time_point> Transition::nextCall() const
{
    Clock::time_point next = context_->WakeTime();
    if (platform::TWindowCanvas* window = context_->Window())
        next = std::min(next, window->NextFlushTime());
    return next;
}

void Transition::end(bool closingStep)
{
    ended_ = true;
    if (closingStep && family_->closingStep && !context_->Stopped())
        context_->FinalCopy();
    context_->Present();
    whole_.reset();
}

std::optional<Transition::Clock::time_point> Transition::Resume()
{
    if (ended_)
        return std::nullopt;
    const Clock::time_point now = context_->Now();
    std::coroutine_handle<> next;
    if (!started_) {
        started_ = true;
        next = task_->handle();
    } else {
        const bool stopNow = context_->WaitEndsOnStop() && context_->Stopped();
        if (now < context_->WakeTime() && !stopNow) {
            if (platform::TWindowCanvas* window = context_->Window())
                window->FlushIfDue(now);
            return nextCall();
        }
        next = context_->TakeWaiting();
        if (!next) {
            // Suspended on something no driver resumes: ended where it stands.
            end(false);
            return std::nullopt;
        }
    }
    context_->BeginSlice(now);
    next.resume();
    if (task_->done()) {
        try {
            task_->check();
        } catch (...) {
            // What it drew is shown and the clip given back before the fault goes on.
            end(false);
            throw;
        }
        end(true);
        return std::nullopt;
    }
    if (platform::TWindowCanvas* window = context_->Window())
        window->FlushIfDue(context_->Now());
    return nextCall();
}

int DrawTransition(const EffectInputs& inputs)
{
    Transition transition(inputs, Pace::OwnClock);
    while (transition.Resume()) {
    }
    return transition.Steps();
}

void RunOnOwnClock(Effect effect)
{
    effect.handle().resume();
    effect.check();
}

}  // namespace effects
