#pragma once
// What every effect works with: its inputs, the step frame, the two pauses through which
// the speed setting acts, the rectangle and region helpers, and the closing copy. An
// effect draws with the target's TCanvas methods and these helpers; its regions are
// values and its clips are held in a ClipScope, so every way out of it (its end, a stop,
// an exception) gives the clip back.

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"
#include "platform/gdi/region.h"
#include "platform/gdi/window_canvas.h"
#include "platform/random.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
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
    // The flag a stop sets, looked at between steps and in pump pauses (the show hands its
    // process-wide one); none: the effect runs to its end.
    const std::atomic<bool>* stop = nullptr;
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

class EffectContext {
public:
    explicit EffectContext(const EffectInputs& inputs);
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

    // The step frame, at the start of every drawing step: shows what was drawn when the
    // screen can next show it (once a refresh), lets pending messages be handled (once a
    // millisecond at most), and answers false when the effect must stop.
    bool Step();
    int Steps() const { return steps_; }
    // Whether a stop was asked for.
    bool Stopped() const { return inputs_.stop && inputs_.stop->load(std::memory_order_relaxed); }
    const EffectInputs& Inputs() const { return inputs_; }
    int32_t Random(int32_t n) const { return inputs_.random.Random(n); }
    // n + 1 rounds of processing pending messages, ending early once a stop is asked for.
    void PumpPause(int64_t n) const;
    // n + 1 rounds of nominally one nanosecond each: sleeps through long pauses, waits on
    // the clock for short ones; looks at nothing meanwhile.
    void SpinPause(int64_t n) const;
    // The pause of the current mode, in multiples of R. What was drawn before it is
    // shown as soon as the screen's refresh allows, within the pause.
    void PauseFor(Pause preview, Pause saver) const;

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

private:
    TRect shifted(TRect r, bool onCanvas) const;

    const EffectInputs& inputs_;
    platform::TWindowCanvas* const window_;
    std::chrono::steady_clock::time_point lastMessages_;
    int steps_ = 0;
};

}  // namespace effects
