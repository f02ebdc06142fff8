#pragma once
// What every effect works with: its inputs, the step frame, the two pauses through which
// the speed setting acts, the rectangle and region helpers, and the closing copy. An
// effect draws with the target's TCanvas methods and these helpers; its regions are
// values and its clips are held in a ClipScope, so every way out of it (its end, a stop,
// an exception, its driver dropping it) gives the clip back.
//
// An effect is a coroutine (effect_task.h) that awaits its step frames and its pauses: it
// never runs an event loop nor waits itself. Driven in real time, a pause suspends it
// until its time has come, and a step frame suspends it when its slice of the screen's
// refresh is over; on a clock of its own, nothing waits.

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"
#include "platform/gdi/region.h"
#include "platform/gdi/window_canvas.h"
#include "platform/random.h"

#include "effect_task.h"

#include <chrono>
#include <coroutine>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <utility>

namespace effects {

using platform::ClipScope;
using platform::TBitmap;
using platform::TCanvas;
using platform::TColor;
using platform::TRect;
using platform::TRegion;

// A pause of one mode: none, PumpPause (m × R) or SpinPause (m × R).
struct Pause {
    enum Kind { None, Pump, Spin } kind = None;
    int multiple = 0;
};
constexpr Pause none() { return {}; }
constexpr Pause pump(int m) { return {Pause::Pump, m}; }
constexpr Pause spin(int m) { return {Pause::Spin, m}; }

struct EffectInputs {
    int number = 0;            // EffectNumber
    int X = 0, Y = 0;          // the picture's place on the target
    const TBitmap* picture = nullptr;
    TCanvas* target = nullptr; // TargetCanvas
    TColor backColor = platform::clBlack;
    bool previewMode = false;
    int R = 1000;              // Rapidite as the cycle sees it
    int T = 4;                 // the clamped TailleEffet
    // A stop, looked at between steps and in pump pauses (the show hands its session's);
    // none: the effect runs to its end.
    std::stop_token stop;
    // The show's interval in seconds, which the Puzzle waits out after its last piece.
    unsigned interval = 0;
    // The generator the effects that draw at random take their numbers from.
    platform::RandomSource random;
    // Called at every step frame, before the stop test (the renderer counts and films here).
    std::function<void(int step)> onStep;
};

// The R the effects see from the stored Rapidite: previews play a hundred times slower,
// as the effect is seen in a small box, step by step.
int EffectRapidite(int rapidite, bool previewMode);

// How an effect's time passes: on the steady clock, its pauses and frames as long as they
// are (the show, the dialog's preview), or on a clock of its own, where they pass at once.
enum class Pace { RealTime, OwnClock };

// The length of one round of an idle event loop, which pump pauses were counted in when
// effects ran the loop themselves: measured once (bench/pump_round.cpp, 678 ns on a shown
// window under X11), and now the time each of a pump pause's rounds takes.
inline constexpr std::chrono::nanoseconds kPumpRound{680};

class EffectContext {
public:
    using Clock = std::chrono::steady_clock;
    // Where real time is read: the steady clock, or a test's.
    using TimeSource = Clock::time_point (*)();

    explicit EffectContext(const EffectInputs& inputs, Pace pace = Pace::OwnClock, TimeSource now = &Clock::now);
    EffectContext(const EffectContext&) = delete;
    EffectContext& operator=(const EffectContext&) = delete;

    const int X, Y, W, H, T, R;
    const bool PreviewMode;
    const TBitmap& Picture;
    TCanvas& Target;
    const TColor BackColor;

    // The tile grid: T more columns and rows than the picture holds.
    int Cols() const;
    int Rows() const;

    // Awaited: `co_await c.Step()` is false when the effect must stop.
    struct [[nodiscard]] StepFrame {
        EffectContext& c;
        bool await_ready() const { return !c.sliceOver(); }
        void await_suspend(std::coroutine_handle<> h) { c.suspend(h, Clock::time_point::min(), false); }
        bool await_resume() { return c.stepFrame(); }
    };
    struct [[nodiscard]] Wait {
        EffectContext& c;
        Clock::duration length;
        bool endsOnStop;
        bool await_ready() { return c.waitDone(length, endsOnStop); }
        void await_suspend(std::coroutine_handle<> h) { c.suspend(h, c.wake_, endsOnStop); }
        void await_resume() const {}
    };

    // The step frame, at the start of every drawing step: counts the step and answers
    // false when the effect must stop. In real time, it first hands back to the driver once
    // the slice is over (the screen's next refresh is due), which shows what was drawn and
    // handles input before resuming it.
    StepFrame Step() { return {*this}; }
    int Steps() const { return steps_; }
    // Whether a stop was asked for.
    bool Stopped() const { return inputs_.stop.stop_requested(); }
    const EffectInputs& Inputs() const { return inputs_; }
    int32_t Random(int32_t n) const { return inputs_.random.Random(n); }
    // n + 1 rounds of kPumpRound; a stop ends it early.
    Wait PumpPause(int64_t n);
    // n + 1 nanoseconds; looks at nothing meanwhile.
    Wait SpinPause(int64_t n);
    // The pause of the current mode, in multiples of R. What was drawn before it is
    // shown as soon as the screen's refresh allows, within the pause.
    Wait PauseFor(Pause preview, Pause saver);
    // A plain wait of `length`, ended early by a stop when asked.
    Wait Sleep(Clock::duration length, bool endsOnStop) { return {*this, length, endsOnStop}; }

    void CopyPicRect(int left, int top, int right, int bottom);
    void CopyPicRect(const TRect& r) { CopyPicRect(r.Left, r.Top, r.Right, r.Bottom); }
    void CopyTile(int column, int row);
    // The whole picture to (X, Y), a plain copy.
    void FinalCopy();
    // A strip drawn at many steps, as a canvas to copy it from with the rectangle to copy:
    // the picture's rows lie far apart, each in a page of memory of its own, so a strip
    // inside the picture is copied once into `part`, whose rows are side by side. Drawing
    // from either gives the same pixels.
    std::pair<const TCanvas*, TRect> StripSource(const TRect& strip, TBitmap& part) const;

    TRect StripRectTop(int n, bool onCanvas) const;
    TRect StripRectBottom(int n, bool onCanvas) const;
    TRect StripRectLeft(int n, bool onCanvas) const;
    TRect StripRectRight(int n, bool onCanvas) const;

    // Winding-rule polygons.
    static TRegion QuadRgn(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    static TRegion TriangleRgn(int x1, int y1, int x2, int y2, int x3, int y3);

    // Shows what was drawn since the last step at once (the closing step ends with it).
    void Present();

    // For the driver (Transition). Where the effect waits, and until when; none: it runs.
    std::coroutine_handle<> TakeWaiting() { return std::exchange(waiting_, {}); }
    bool Waiting() const { return static_cast<bool>(waiting_); }
    Clock::time_point WakeTime() const { return wake_; }
    bool WaitEndsOnStop() const { return waitEndsOnStop_; }
    // Starts a slice of running at `now`, which ends at the screen's next refresh.
    void BeginSlice(Clock::time_point now);
    Clock::time_point Now() const { return now_(); }
    platform::TWindowCanvas* Window() const { return window_; }

private:
    TRect shifted(TRect r, bool onCanvas) const;
    bool sliceOver() const;
    bool stepFrame();
    bool waitDone(Clock::duration length, bool endsOnStop);
    void suspend(std::coroutine_handle<> h, Clock::time_point wake, bool endsOnStop);

    const EffectInputs& inputs_;
    const Pace pace_;
    const TimeSource now_;
    platform::TWindowCanvas* const window_;
    int steps_ = 0;
    // The effect's own timeline: where its drawing and pauses have brought it, the moment
    // the drawing since then began, and the end of the current slice. A driver that wakes
    // it late is caught up by the pauses that are then already over.
    Clock::time_point ideal_{}, mark_{}, sliceEnd_ = Clock::time_point::max();
    Clock::time_point wake_{};
    bool waitEndsOnStop_ = false;
    std::coroutine_handle<> waiting_;
};

}  // namespace effects
