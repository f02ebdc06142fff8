#include "effect_context.h"

#include <algorithm>

namespace effects {

using namespace platform;

namespace {

// A slice of running between two hand-backs to the driver, when the screen's refresh
// does not come first: input is handled within it, and the thousands of steps in between
// do not each pay for a round of the driver.
constexpr auto kSlice = std::chrono::milliseconds(2);

// How far behind its timeline an effect may fall and still catch up by running through
// pauses already over: a machine that stalled for longer does not rush the effect after.
constexpr auto kMostBehind = std::chrono::milliseconds(50);

}  // namespace

int EffectRapidite(int rapidite, bool previewMode)
{
    constexpr int64_t kPreviewFactor = 100;
    if (!previewMode)
        return rapidite;
    // A hive may hold any number; the product stays within the pauses' arithmetic.
    return static_cast<int>(std::clamp<int64_t>(kPreviewFactor * rapidite, INT32_MIN, INT32_MAX));
}

EffectContext::Wait EffectContext::PumpPause(int64_t n)
{
    // Computed in nanoseconds, which hold any m × R of 32 bits times a round.
    return {*this, n < 0 ? Clock::duration::zero() : (n + 1) * kPumpRound, true};
}

EffectContext::Wait EffectContext::SpinPause(int64_t n)
{
    return {*this, n < 0 ? Clock::duration::zero() : std::chrono::nanoseconds(n + 1), false};
}

EffectContext::Wait EffectContext::PauseFor(Pause preview, Pause saver)
{
    const Pause p = PreviewMode ? preview : saver;
    // Computed wide: m × R may pass 32 bits at the slowest preview speeds.
    const int64_t n = static_cast<int64_t>(p.multiple) * R;
    if (p.kind == Pause::Pump)
        return PumpPause(n);
    if (p.kind == Pause::Spin)
        return SpinPause(n);
    return {*this, Clock::duration::zero(), false};
}

bool EffectContext::sliceOver() const
{
    if (pace_ != Pace::RealTime)
        return false;
    const auto now = now_();
    return now >= sliceEnd_ || (window_ && now >= window_->NextFlushTime());
}

bool EffectContext::stepFrame()
{
    // On a clock of its own, nothing hands back to a driver: a window still shows at most
    // one state a refresh.
    if (pace_ != Pace::RealTime && window_)
        window_->FlushIfDue(now_());
    ++steps_;
    if (inputs_.onStep)
        inputs_.onStep(steps_);
    return !Stopped();
}

bool EffectContext::waitDone(Clock::duration length, bool endsOnStop)
{
    if (pace_ != Pace::RealTime || length <= Clock::duration::zero() || (endsOnStop && Stopped()))
        return true;
    const auto now = now_();
    // The drawing since the last mark, then the pause, on the effect's timeline.
    ideal_ = std::max(ideal_ + (now - mark_), now - kMostBehind) + length;
    mark_ = now;
    if (ideal_ <= now)
        return true;
    wake_ = ideal_;
    return false;
}

void EffectContext::suspend(std::coroutine_handle<> h, Clock::time_point wake, bool endsOnStop)
{
    waiting_ = h;
    wake_ = wake;
    waitEndsOnStop_ = endsOnStop;
}

void EffectContext::BeginSlice(Clock::time_point now)
{
    // Back from a wait: the time it overran is not the effect's. Back from the end of a
    // slice: the time the driver took to show and to handle input is, as it was when the
    // effect did both itself.
    if (wake_ != Clock::time_point::min())
        mark_ = now;
    sliceEnd_ = now + kSlice;
}

EffectContext::EffectContext(const EffectInputs& in, Pace pace, TimeSource now)
    : X(in.X),
      Y(in.Y),
      W(in.picture->Width()),
      H(in.picture->Height()),
      T(in.T),
      R(in.R),
      PreviewMode(in.previewMode),
      Picture(*in.picture),
      Target(*in.target),
      BackColor(in.backColor),
      inputs_(in),
      pace_(pace),
      now_(now),
      window_(dynamic_cast<TWindowCanvas*>(in.target))
{
    ideal_ = mark_ = now_();
}

int EffectContext::Cols() const
{
    return W / T + T + (W % T != 0 ? 1 : 0);
}

int EffectContext::Rows() const
{
    return H / T + T + (H % T != 0 ? 1 : 0);
}

void EffectContext::Present()
{
    if (window_)
        window_->Flush();
}

void EffectContext::CopyPicRect(int left, int top, int right, int bottom)
{
    Target.CopyRect(Rect(left + X, top + Y, right + X, bottom + Y), Picture.Canvas(), Rect(left, top, right, bottom));
}

void EffectContext::CopyTile(int column, int row)
{
    CopyPicRect((column - 1) * T, (row - 1) * T, std::min(column * T, W), std::min(row * T, H));
}

void EffectContext::FinalCopy()
{
    Target.Draw(X, Y, Picture);
}

std::pair<const TCanvas*, TRect> EffectContext::StripSource(const TRect& r, TBitmap& part) const
{
    if (r.Left < 0 || r.Top < 0 || r.Left >= r.Right || r.Top >= r.Bottom || r.Right > W || r.Bottom > H)
        return {&Picture.Canvas(), r};
    part.SetSize(r.Width(), r.Height());
    part.Canvas().CopyRect(Rect(0, 0, r.Width(), r.Height()), Picture.Canvas(), r);
    return {&part.Canvas(), Rect(0, 0, r.Width(), r.Height())};
}

TRect EffectContext::shifted(TRect r, bool onCanvas) const
{
    if (onCanvas) {
        r.Left += X;
        r.Right += X;
        r.Top += Y;
        r.Bottom += Y;
    }
    return r;
}

TRect EffectContext::StripRectTop(int n, bool onCanvas) const
{
    return shifted(Rect(0, (n - 1) * T, W, std::min(n * T, H)), onCanvas);
}

TRect EffectContext::StripRectBottom(int n, bool onCanvas) const
{
    return shifted(Rect(0, H - n * T, W, std::min(H - (n - 1) * T, H)), onCanvas);
}

TRect EffectContext::StripRectLeft(int n, bool onCanvas) const
{
    return shifted(Rect((n - 1) * T, 0, std::min(n * T, W), H), onCanvas);
}

TRect EffectContext::StripRectRight(int n, bool onCanvas) const
{
    return shifted(Rect(W - n * T, 0, std::min(W - (n - 1) * T, W), H), onCanvas);
}

TRegion EffectContext::QuadRgn(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const TPoint points[4] = {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}};
    return CreatePolygonRgn(points, 4, WINDING);
}

TRegion EffectContext::TriangleRgn(int x1, int y1, int x2, int y2, int x3, int y3)
{
    const TPoint points[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    return CreatePolygonRgn(points, 3, WINDING);
}

}  // namespace effects
